// inkwarden-devsim: serves simulated HID devices to the programs whose INKWARDEN_DEVSIM names
// the same folder. Commands come from standard input, one a line (see "help").
#include "sim/DevSim.h"
#include "sim/SimModelCatalog.h"
#include "sim/SimTrace.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace platform;

namespace {

const char Help[] =
    "plug MODEL [MS]       present a device; prints its id. With MS, its HID interfaces come\n"
    "                      that many milliseconds after the USB arrival (at most 5000)\n"
    "unplug ID             remove it\n"
    "send ID HEX           deliver one input report (byte 0 = report id)\n"
    "play ID FILE          deliver a trace: lines \"<delay ms> <hex>\"; answers \"playing\" at once\n"
    "                      and later \"played ID\", or \"stopped ID: no such device\" once unplugged\n"
    "fault ID none|silent|refuse-open|deny-access\n"
    "records ID            print the reports the libraries sent\n"
    "display NAME X Y W H MODEW MODEH [MONITORID]   add a display to the desktop\n"
    "displays clear        remove every display\n"
    "list                  print the devices present\n"
    "quit\n";

// Answers and the ends of traces playing meanwhile are whole lines, never mixed.
std::mutex s_output;
// Each trace plays on a thread of its own: commands go on meanwhile, an unplug mid-stroke too.
std::vector<std::thread> s_plays;

void play(DevSim &sim, int id, SimTrace trace)
{
    s_plays.emplace_back([&sim, id, trace = std::move(trace)] {
        sim.play(id, trace);
        std::lock_guard<std::mutex> guard(s_output);
        if (sim.present(id))
            std::cout << "played " << id << std::endl;
        else
            std::cout << "stopped " << id << ": no such device" << std::endl;
    });
}

std::string hex(const SimBytes &bytes)
{
    std::string text;
    char digits[3];
    for (uint8_t b : bytes) {
        std::snprintf(digits, sizeof digits, "%02x", b);
        text += digits;
    }
    return text;
}

bool run(DevSim &sim, std::vector<DisplayInfo> &desktop, const std::string &line)
{
    std::istringstream in(line);
    std::string command;
    if (!(in >> command))
        return true;
    int id = 0;
    if (command == "quit")
        return false;
    if (command == "help") {
        std::cout << Help << "models:";
        for (const auto &name : SimModelCatalog::names())
            std::cout << ' ' << name;
        std::cout << std::endl;
    } else if (command == "plug") {
        std::string name;
        in >> name;
        int delayMs = 0;
        const bool delayed = static_cast<bool>(in >> delayMs);
        auto desc = SimModelCatalog::make(name);
        if (!desc) {
            std::cout << "error: unknown model " << name << std::endl;
        } else if (delayed && (delayMs < 0 || delayMs > 5000)) {
            std::cout << "error: the delay is 0 to 5000 ms" << std::endl;
        } else if (delayed) {
            const int device = sim.plugUsbFirst(std::move(*desc));
            std::cout << device << std::endl;
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
            sim.presentInterfaces(device);
        } else {
            std::cout << sim.plug(std::move(*desc)) << std::endl;
        }
    } else if (command == "unplug" && in >> id) {
        std::cout << (sim.unplug(id) ? "ok" : "error: no such device") << std::endl;
    } else if (command == "send" && in >> id) {
        std::string rest;
        std::getline(in, rest);
        const auto trace = SimTrace::parse("0 " + rest);
        const bool ok = trace && trace->steps.size() == 1 && sim.sendInput(id, trace->steps[0].report);
        std::cout << (ok ? "ok" : "error: bad report or device") << std::endl;
    } else if (command == "play" && in >> id) {
        std::string file;
        in >> file;
        std::string error;
        const auto trace = SimTrace::load(file, error);
        if (!trace) {
            std::cout << "error: trace " << file << ": " << error << std::endl;
        } else if (!sim.present(id)) {
            std::cout << "error: no such device" << std::endl;
        } else {
            play(sim, id, std::move(*trace));
            std::cout << "playing" << std::endl;
        }
    } else if (command == "fault" && in >> id) {
        std::string kind;
        in >> kind;
        const std::map<std::string, SimFault> faults = {{"none", SimFault::None},
                                                        {"silent", SimFault::Silent},
                                                        {"refuse-open", SimFault::RefuseOpen},
                                                        {"deny-access", SimFault::DenyAccess}};
        const auto fault = faults.find(kind);
        if (fault != faults.end()) {
            sim.setFault(id, fault->second);
            std::cout << "ok" << std::endl;
        } else {
            std::cout << "error: unknown fault " << kind << std::endl;
        }
    } else if (command == "records" && in >> id) {
        for (const SimRecord &record : sim.records(id))
            std::cout << (record.kind == SimRecord::Output ? "output " : "feature ") << record.collection << ' '
                      << hex(record.data) << '\n';
        std::cout << "ok" << std::endl;
    } else if (command == "display") {
        DisplayInfo display;
        if (in >> display.name >> display.x >> display.y >> display.width >> display.height >> display.modeWidth
            >> display.modeHeight) {
            in >> display.monitorId;
            desktop.push_back(display);
            sim.setDisplays(desktop);
            std::cout << "ok" << std::endl;
        } else {
            std::cout << "error: display NAME X Y W H MODEW MODEH [MONITORID]" << std::endl;
        }
    } else if (command == "displays") {
        desktop.clear();
        sim.setDisplays(desktop);
        std::cout << "ok" << std::endl;
    } else if (command == "list") {
        for (int device : sim.devices())
            std::cout << device << ' ' << sim.path(device, 0) << '\n';
        std::cout << "ok" << std::endl;
    } else {
        std::cout << "error: unknown command (try help)" << std::endl;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    std::string folder;
    if (const char *env = std::getenv("INKWARDEN_DEVSIM"))
        folder = env;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--dir" && i + 1 < argc) {
            folder = argv[++i];
        } else {
            std::cerr << "usage: inkwarden-devsim [--dir FOLDER]   (default: $INKWARDEN_DEVSIM)\n" << Help;
            return 2;
        }
    }
    if (folder.empty()) {
        std::cerr << "inkwarden-devsim: set INKWARDEN_DEVSIM or pass --dir\n";
        return 2;
    }

    // Block the stop signals before the serving thread starts, so only sigwait takes them.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);

    DevSim sim(folder);
    if (!sim.listening()) {
        std::cerr << "inkwarden-devsim: cannot listen on " << sim.socketPath() << '\n';
        return 1;
    }
    std::cout << "listening on " << sim.socketPath() << std::endl;
    std::vector<DisplayInfo> desktop;
    std::string line;
    bool quit = false;
    while (!quit && std::getline(std::cin, line)) {
        std::lock_guard<std::mutex> guard(s_output);
        quit = !run(sim, desktop, line);
    }
    // Input closed (run in the background): serve until told to stop.
    int signal = 0;
    if (!quit)
        sigwait(&stop, &signal);
    for (std::thread &playing : s_plays)
        playing.join();
    return 0;
}
