#include "PadReader.h"

#include "PadCommand.h"
#include "PadIdentity.h"

#include "platform/Hid.h"

#include <pthread.h>
#include <sched.h>

namespace {
// How often a waiting read looks at the stop request.
constexpr int StopPollMs = 20;
} // namespace

std::unique_ptr<PadReader> PadReader::openPenInterface()
{
    for (const platform::HidDeviceInfo& info : platform::hid::enumerate()) {
        if (!PadIdentity::isPenCollection(info))
            continue;
        if (std::unique_ptr<platform::HidDevice> pen = PadIdentity::open(info))
            return std::unique_ptr<PadReader>(new PadReader(std::move(pen)));
    }
    return nullptr;
}

PadReader::PadReader(std::unique_ptr<platform::HidDevice> pen) : m_pen(std::move(pen)) {}

PadReader::~PadReader()
{
    if (m_thread.joinable()) {
        m_stop = true;
        m_thread.join();
    }
}

bool PadReader::start(Handler handler)
{
    m_handler = std::move(handler);
    m_stop = false;
    m_exited = false;
    try {
        m_thread = std::thread(&PadReader::run, this);
    } catch (const std::system_error&) {
        return false;
    }
    // Time-critical where the system allows it; an ordinary thread otherwise.
    sched_param param{};
    param.sched_priority = sched_get_priority_max(SCHED_RR);
    pthread_setschedparam(m_thread.native_handle(), SCHED_RR, &param);
    return true;
}

bool PadReader::requestStop()
{
    std::lock_guard<std::mutex> lock(m_callbackMutex);
    m_stop = true;
    return !m_inCallback && std::this_thread::get_id() != m_thread.get_id();
}

void PadReader::join()
{
    if (m_thread.joinable())
        m_thread.join();
}

bool PadReader::enterCallback()
{
    std::lock_guard<std::mutex> lock(m_callbackMutex);
    if (m_stop)
        return false;
    m_inCallback = true;
    return true;
}

void PadReader::leaveCallback()
{
    std::lock_guard<std::mutex> lock(m_callbackMutex);
    m_inCallback = false;
}

void PadReader::run()
{
    uint8_t report[64];
    while (!m_stop) {
        const int n = m_pen->read(report, sizeof report, StopPollMs);
        if (m_stop || n < 0)
            break;
        if (n == 0)
            continue;
        // The command collection's answers reach every open interface of the device.
        if (report[0] == PadCommand::ReportFrameId)
            continue;
        if (size_t(n) < ReportSize || m_handler(*this, report) == End)
            break;
    }
    // The handles stay until the thread is joined: nothing is closed twice or written after reuse.
    m_exited = true;
}
