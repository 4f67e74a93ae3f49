#pragma once

#include "SimIni.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

// The simulated reader behind the stand-in libraries. It exists only while INKWARDEN_DEVSIM names
// the simulator's folder; it is configured by "fingerprint.ini" there, which is read again whenever
// its text changes, so a test or an operator can script the reader while it runs. Scripted lists of
// results are used up one value per call and start over when the file changes. Each library keeps
// its own simulator, with its own counters.
class FingerprintSimulator
{
public:
    static FingerprintSimulator &instance();

    // A reader is attached: the simulator is on and the file does not say "present = false".
    bool readerPresent();
    int setting(const std::string &section, const std::string &key, int fallback);
    // The next value of a scripted list, or `fallback` once the list is used up.
    int takeScripted(const std::string &section, const std::string &key, int fallback);
    // A frame with a finger on the glass: the configured picture or a synthetic fingerprint.
    // Empty when the picture cannot be read.
    std::vector<std::uint8_t> fingerFrame(int width, int height);

    static std::vector<std::uint8_t> emptyFrame(int width, int height);

private:
    bool refreshLocked();
    std::vector<std::uint8_t> pictureFrameLocked(const std::string &path, int width, int height);

    std::mutex m_mutex;
    std::string m_folder;
    std::string m_text;
    bool m_loaded = false;
    SimIni m_ini;
    std::map<std::string, std::size_t> m_scriptPositions;
    unsigned m_frameCount = 0;
    std::map<std::pair<int, int>, std::vector<std::uint8_t>> m_pictureCache;
    bool m_pictureFailureReported = false;
};
