// Messages on the simulator's socket. Read as fields, whatever was read whole writes back as the
// same bytes; sent to a running simulator as a run of requests on one connection, it keeps
// serving: a request after them is still answered.

#include "FuzzInput.h"

#include "sim/DevSim.h"
#include "sim/SimSignaturePadModel.h"
#include "sim/SimTabletModel.h"
#include "sim/SimWire.h"

#include <filesystem>
#include <unistd.h>

using platform::DevSim;
using platform::SimWire;

namespace {

std::string folder;
DevSim *sim = nullptr;

// Fields read one after another as the selector bytes say, then written back.
void checkFields(const std::vector<uint8_t> &selectors, const std::vector<uint8_t> &message)
{
    SimWire in(message.data(), message.size());
    SimWire out;
    size_t read = 0;
    for (uint8_t selector : selectors) {
        switch (selector % 7) {
        case 0: out.putU8(in.u8()); break;
        case 1: out.putU16(in.u16()); break;
        case 2: out.putU32(in.u32()); break;
        case 3: out.putBytes(in.bytes()); break;
        case 4: out.putString(in.string()); break;
        case 5: out.putInfo(in.info()); break;
        default: out.putDisplay(in.display()); break;
        }
        if (!in.ok())
            break;
        read = out.data().size();
    }
    FUZZ_CHECK(read <= message.size());
    FUZZ_CHECK(std::equal(message.begin(), message.begin() + long(read), out.data().begin()));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    char pattern[] = "/tmp/fuzz-sim-wire-XXXXXX";
    folder = mkdtemp(pattern);
    sim = new DevSim(folder);
    FUZZ_CHECK(sim->listening());
    sim->plug(platform::SimTabletModel().desc());
    sim->plug(platform::SimSignaturePadModel(platform::SimSignaturePadModel::Channel::Feature).desc());
    sim->plug(platform::SimSignaturePadModel(platform::SimSignaturePadModel::Channel::Report).desc());
    std::atexit([] {
        delete sim;
        std::filesystem::remove_all(folder);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const std::vector<uint8_t> selectors = in.bytes(in.u8() % 16);
    std::vector<std::vector<uint8_t>> messages;
    while (!in.empty())
        messages.push_back(in.bytes(in.u16() % 1024));
    for (const auto &message : messages)
        checkFields(selectors, message);

    const int fd = SimWire::connectTo(sim->socketPath());
    FUZZ_CHECK(fd >= 0);
    for (const auto &message : messages)
        if (!message.empty())
            FUZZ_CHECK(SimWire::send(fd, message, 1000));
    SimWire last;
    last.putU8(SimWire::Enumerate);
    last.putU32(0xFFFFFFFF);
    FUZZ_CHECK(SimWire::send(fd, last.data(), 1000));
    bool answered = false;
    std::vector<uint8_t> reply;
    while (!answered && SimWire::receive(fd, reply, 2000) == 1) {
        SimWire r(reply.data(), reply.size());
        answered = r.u8() == SimWire::Reply && r.u32() == 0xFFFFFFFF && r.ok();
    }
    ::close(fd);
    FUZZ_CHECK(answered);
    return 0;
}
