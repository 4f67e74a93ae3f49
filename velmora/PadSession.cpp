#include "PadSession.h"

#include "CommandChannel.h"
#include "GbkText.h"
#include "InkSession.h"
#include "KeyNotifier.h"
#include "PadLog.h"
#include "PadSettings.h"
#include "PadState.h"
#include "ResultCodes.h"

#include <chrono>
#include <cinttypes>
#include <thread>

namespace {

enum ReportType : uint8_t { PenA0 = 0xA0, PenA1 = 0xA1, PenA3 = 0xA3, Key = 0xCC };
enum KeyCode { KeyOk = 1, KeyCancel = 2, KeyClear = 3, RatingFirst = 0xE1, RatingLast = 0xE4 };

int bigEndian16(const uint8_t* p)
{
    return p[0] << 8 | p[1];
}

const char* ratingText(int code)
{
    switch (code) {
    case 0xE1: return "用户评价：非常满意";
    case 0xE2: return "用户评价：满意";
    case 0xE3: return "用户评价：一般";
    default: return "用户评价：不满意";
    }
}

} // namespace

PadSession& PadSession::instance()
{
    static auto* session = new PadSession;
    return *session;
}

int PadSession::start(VelmoraWindow window, int width, int height)
{
    {
        // Presence probe; its outcome does not matter.
        std::unique_ptr<CommandChannel> probe;
        CommandChannel::open(probe);
    }
    stopReaderThread();

    InkSession& ink = InkSession::instance();
    {
        std::lock_guard<std::mutex> lock(PadState::instance().mutex);
        if (ink.has(InkSession::SurfaceActive)) {
            if (ink.has(InkSession::ImageRendered))
                ink.deleteExportImage();
            ink.resetDrawingState();
        }
        PadSettingsStore::instance().setProportion(0);
        ink.setupDrawingSurface(window, width, height);
        ink.emptyRecord();
    }

    std::unique_ptr<PadReader> reader = PadReader::openPenInterface();
    if (!reader)
        return VELMORA_PAD_NOT_FOUND;
    m_paused = false;
    if (!reader->start([this](PadReader& r, const uint8_t* report) { return handleInputReport(r, report); }))
        return VELMORA_NO_THREAD;
    {
        std::lock_guard<std::mutex> lock(m_readerMutex);
        m_reader = std::move(reader);
    }

    std::unique_ptr<CommandChannel> channel;
    if (const int r = CommandChannel::open(channel))
        return r;
    return channel->transceive(PadCommand::start());
}

int PadSession::end()
{
    const int result = CommandChannel::send(PadCommand::stop());

    InkSession& ink = InkSession::instance();
    std::lock_guard<std::mutex> lock(PadState::instance().mutex);
    if (!ink.has(InkSession::SurfaceActive))
        return VELMORA_NOT_ENDED;
    if (ink.has(InkSession::Ended)) {
        ink.resetDrawingState();
        return VELMORA_NOT_ENDED;
    }
    if (ink.has(InkSession::Finished)) {
        ink.deleteExportImage();
        ink.releaseDrawingSurface();
        ink.resetDrawingState();
        return result;
    }
    if (ink.has(InkSession::HasInk) && !ink.has(InkSession::ImageRendered)) {
        ink.deleteExportImage();
        ink.renderExportImage();
    }
    ink.releaseDrawingSurface();
    ink.set(InkSession::Ended);
    return result;
}

int PadSession::clear()
{
    // Reports that arrive meanwhile belong to the ink being erased.
    m_paused = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));

    InkSession& ink = InkSession::instance();
    {
        std::lock_guard<std::mutex> lock(PadState::instance().mutex);
        if (!ink.has(InkSession::SurfaceActive)) {
            m_paused = false;
            return VELMORA_NOT_ENDED;
        }
        ink.emptyRecord();
        ink.clearFlags();
        if (ink.windowAlive())
            ink.clearSurface();
    }
    const int result = CommandChannel::send(PadCommand::start());
    m_paused = false;
    return result;
}

int PadSession::signaturePlain(unsigned char* buffer, int* iCode, const char* path, char* pchErrCode,
                               char* pchError)
{
    padLog(Enter, "Into function: %s", "_getSignaturePlain");
    padLog(Line, "Parameter List: ");
    padLog(Line, "iCode = 0x%08" PRIXPTR ", pchPhotoPath = %s, pchErrCode = 0x%08" PRIXPTR
                 ", pchError = 0x%08" PRIXPTR,
           uintptr_t(iCode), path ? path : "(null)", uintptr_t(pchErrCode), uintptr_t(pchError));
    if (iCode)
        *iCode = 2;
    InkSession& ink = InkSession::instance();
    std::mutex& mutex = PadState::instance().mutex;
    int key = ResultCodes::NotStarted;
    SignatureHeader::Bytes header{};
    bool started = false;
    {
        std::lock_guard<std::mutex> lock(mutex);
        started = ink.has(InkSession::SurfaceActive) && !ink.has(InkSession::Finished);
        if (started)
            header = ink.buildSignatureHeader();
    }
    if (started) {
        // Outside the state mutex: the reader takes it for every report.
        stopReaderThread();
        std::lock_guard<std::mutex> lock(mutex);
        key = ink.takeSignature(header, path, buffer);
    }
    ResultCodes::setResultCode(key, pchErrCode, pchError);
    padLog(Leave, "Exit function: %s", "_getSignaturePlain");
    return 1;
}

void PadSession::stopReaderThread()
{
    std::unique_ptr<PadReader> reader;
    {
        std::lock_guard<std::mutex> lock(m_readerMutex);
        reader = std::move(m_reader);
        // Readers left behind earlier are joined once they are out.
        for (auto it = m_retired.begin(); it != m_retired.end();) {
            if ((*it)->exited() && (*it)->requestStop()) {
                (*it)->join();
                it = m_retired.erase(it);
            } else {
                ++it;
            }
        }
    }
    if (!reader)
        return;
    if (reader->requestStop()) {
        reader->join();
        return;
    }
    std::lock_guard<std::mutex> lock(m_readerMutex);
    m_retired.push_back(std::move(reader));
}

void PadSession::shutDown()
{
    stopReaderThread();
    std::vector<std::unique_ptr<PadReader>> retired;
    {
        std::lock_guard<std::mutex> lock(m_readerMutex);
        retired.swap(m_retired);
    }
    for (auto& reader : retired)
        if (reader->requestStop())
            reader->join();
        else
            reader.release();  // unloading from inside a key callback: the thread is left to end alone
    KeyNotifier::disconnect();
}

PadReader::Action PadSession::handleInputReport(PadReader& reader, const uint8_t* report)
{
    if (m_paused || report[0] == 0)
        return PadReader::Continue;
    const uint8_t type = report[1];
    if (type == PenA0 || type == PenA1 || type == PenA3) {
        handlePenSample(report);
        return PadReader::Continue;
    }
    if (type == Key)
        return handleKey(reader, report[2]);
    std::lock_guard<std::mutex> lock(PadState::instance().mutex);
    InkSession& ink = InkSession::instance();
    ink.addPenPoint(0, 0, 0);
    ink.recordOtherReport();
    return PadReader::Continue;
}

void PadSession::handlePenSample(const uint8_t* report)
{
    const int x = bigEndian16(report + 2);
    const int y = bigEndian16(report + 4);
    const int pressure = report[6] << 2 | report[7] >> 6;

    std::lock_guard<std::mutex> lock(PadState::instance().mutex);
    InkSession& ink = InkSession::instance();
    const bool drawn = ink.windowAlive();
    if (drawn) {
        PadState::instance().lastEvent = 255;
        ink.addPenPoint(pressure, toWindow(x, PadMaxX, ink.areaWidth()), toWindow(y, PadMaxY, ink.areaHeight()));
    } else {
        ink.addPenPoint(0, 0, 0);
    }
    ink.recordPenSample(report[1], x, y, pressure, drawn);
}

PadReader::Action PadSession::handleKey(PadReader& reader, int code)
{
    switch (code) {
    case KeyOk:
    case KeyCancel:
        PadState::instance().lastEvent = code;
        end();
        notifyKey(reader, code);
        return PadReader::End;
    case KeyClear:
        PadState::instance().lastEvent = code;
        clear();
        notifyKey(reader, code);
        return PadReader::Continue;
    default:
        break;
    }
    if (code >= RatingFirst && code <= RatingLast) {
        // No box on this thread: the signer's rating goes to the log.
        padLog(Line, "%s", GbkText::fromUtf8(ratingText(code)).c_str());
        CommandChannel::send(PadCommand::stop());
        return PadReader::End;
    }
    std::lock_guard<std::mutex> lock(PadState::instance().mutex);
    InkSession::instance().recordOtherReport();
    return PadReader::Continue;
}

void PadSession::notifyKey(PadReader& reader, int key)
{
    PadState& state = PadState::instance();
    const VelmoraWindow window = state.messageWindow;
    if (state.messagesOn && window)
        KeyNotifier::send(window, state.messageId, key);
    const KeyPressCallback callback = state.keyCallback;
    if (callback && reader.enterCallback()) {
        callback(key);
        reader.leaveCallback();
    }
}
