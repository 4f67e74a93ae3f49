// Reports from the pad's pen collection, through the reader thread into the signing session:
// pen samples drawn into a window kept in memory (which sees any copy outside itself) and
// recorded, keys acted on. Each run ends with an OK key, and the session always answers it.

#include "FuzzInput.h"

#include "FakeInkWindow.h"
#include "InkSession.h"
#include "PadSession.h"
#include "PadSettings.h"
#include "PadState.h"

#include "sim/DevSim.h"
#include "sim/SimSignaturePadModel.h"

#include <chrono>
#include <filesystem>
#include <thread>

using Pad = platform::SimSignaturePadModel;

namespace {

std::string folder;
platform::DevSim *sim = nullptr;
Pad *pad = nullptr;
int device = 0;

size_t stopsReceived()
{
    const auto commands = pad->commands();
    const platform::SimBytes stop = {0x83, 0xA4, 0x00, 0x00};
    return size_t(std::count_if(commands.begin(), commands.end(), [&](const platform::SimBytes &c) {
        return c.size() >= stop.size() && std::equal(stop.begin(), stop.end(), c.begin());
    }));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    char pattern[] = "/tmp/fuzz-pad-report-XXXXXX";
    folder = mkdtemp(pattern);
    setenv("INKWARDEN_DEVSIM", folder.c_str(), 1);
    sim = new platform::DevSim(folder);
    FUZZ_CHECK(sim->listening());
    pad = new Pad(Pad::Channel::Feature);
    device = sim->plug(pad->desc());
    PadSettingsStore::instance().loadAtStartUp(folder + "/RZK_PadsafeConf.INI");
    std::atexit([] {
        PadSession::instance().shutDown();
        delete sim;
        std::filesystem::remove_all(folder);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const int width = 1 + in.u8() % 200;
    const int height = 1 + in.u8() % 200;
    std::vector<platform::SimBytes> reports;
    // Whole reports only: a short read ends the reader, as it would with a broken pad.
    while (!in.empty() && reports.size() < 32) {
        platform::SimBytes report = in.bytes(10);
        report.resize(10, 0);
        reports.push_back(report);
    }
    reports.push_back(Pad::keyReport(1));

    PadSession &session = PadSession::instance();
    const size_t stopsBefore = stopsReceived();
    FUZZ_CHECK(session.start(0, width, height) == 0);
    {
        std::lock_guard<std::mutex> lock(PadState::instance().mutex);
        InkSession::instance().setupDrawingSurface(std::make_unique<FakeInkWindow>(width, height), width, height);
    }
    for (const auto &report : reports)
        FUZZ_CHECK(sim->sendInput(device, Pad::PenCollection, report));

    // An OK, cancel or rating key sends the pad a stop; the reader is then done.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (stopsReceived() == stopsBefore) {
        FUZZ_CHECK(std::chrono::steady_clock::now() < deadline);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    session.shutDown();
    return 0;
}
