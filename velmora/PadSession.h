#pragma once

#include "PadReader.h"

#include <Velmora.h>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

// A signing session on the pad: start, end and clear from the exports and from the pad's keys,
// and the handling of each report of the reader thread.
class PadSession
{
public:
    static PadSession& instance();

    // The steps of startSignature after the lock was taken.
    int start(VelmoraWindow window, int width, int height);
    // Stop command, export picture when there is ink, surface released.
    int end();
    // Ink and record erased, start command sent again; the reader keeps reading.
    int clear();

    // getSignatureNoENC after the lock was taken: the reader is stopped before the data is
    // taken; reports through the code buffers.
    int signaturePlain(unsigned char* buffer, int* iCode, const char* path, char* pchErrCode, char* pchError);

    // Stops the reader and releases the pen collection. Never waits for a reader that is the
    // caller itself or is inside a key callback: that one is joined later.
    void stopReaderThread();
    // At unload: every reader joined.
    void shutDown();

    // Pad full scale of x and y.
    static constexpr int PadMaxX = 10206;
    static constexpr int PadMaxY = 7422;
    // A pad coordinate in window pixels, truncated toward zero; 64-bit so no area overflows it.
    static int toWindow(int pad, int padMax, int area) { return int(int64_t(pad) * area / padMax); }

private:
    PadReader::Action handleInputReport(PadReader& reader, const uint8_t* report);
    void handlePenSample(const uint8_t* report);
    PadReader::Action handleKey(PadReader& reader, int code);
    void notifyKey(PadReader& reader, int key);

    std::mutex m_readerMutex;  // the reader pointers; never held by the reader thread's handler
    std::unique_ptr<PadReader> m_reader;
    std::vector<std::unique_ptr<PadReader>> m_retired;
    std::atomic<bool> m_paused{false};
};
