#pragma once

#include "ID_Fpr.h"
#include "ID_FprCap.h"

#include <QLibrary>

// The live-scan capture library and its quality scorer, loaded at run time (beside the program
// first, then by name). A call through a function the library does not have is skipped; an
// unbound LIVESCAN_Init or FP_Begin counts as failed.
class LivescanLibraries
{
public:
    // Logs which library is missing; without the capture library the scorer is not tried.
    void load();
    // Only once no thread can call into them any more.
    void unload();

    int init();
    void close();
    // The frame size the reader delivers; false when it cannot tell.
    bool frameSize(int *width, int *height);
    void beginCapture(int channel);
    int getRawData(int channel, unsigned char *frame);
    void endCapture(int channel);

    int fpBegin();
    void qualityScore(const unsigned char *frame, unsigned char *score);
    void fpEnd();

private:
    void unloadCapture();
    void unloadScorer();

    QLibrary m_capture;
    QLibrary m_scorer;
    decltype(&::LIVESCAN_Init) m_init = nullptr;
    decltype(&::LIVESCAN_Close) m_close = nullptr;
    decltype(&::LIVESCAN_GetMaxImageSize) m_getMaxImageSize = nullptr;
    decltype(&::LIVESCAN_GetFPRawData) m_getRawData = nullptr;
    decltype(&::LIVESCAN_BeginCapture) m_beginCapture = nullptr;
    decltype(&::LIVESCAN_EndCapture) m_endCapture = nullptr;
    decltype(&::FP_Begin) m_fpBegin = nullptr;
    decltype(&::FP_GetQualityScore) m_getQualityScore = nullptr;
    decltype(&::FP_End) m_fpEnd = nullptr;
};
