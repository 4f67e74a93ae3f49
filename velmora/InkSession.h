#pragma once

#include <Velmora.h>

#include <cstdint>

// The live ink of the current signing session and its recorded points: what the pad session
// asks of the drawing side. Every call is made with PadState::mutex held, unless it says otherwise.
class InkSession
{
public:
    static InkSession& instance();

    enum Flag : unsigned {
        SurfaceActive = 1,
        ImageRendered = 2,
        Ended = 4,
        Finished = 8,   // data taken by getSignatureNoENC
        HasInk = 16,
    };
    bool has(Flag flag) const { return (m_flags & flag) != 0; }
    void set(Flag flag) { m_flags |= flag; }
    void clearFlags() { m_flags = 0; }

    // Clears the session flags; -1 when the window is not a window (the session still goes on).
    int setupDrawingSurface(VelmoraWindow window, int width, int height);
    bool windowAlive() const;
    int areaWidth() const { return m_areaWidth; }
    int areaHeight() const { return m_areaHeight; }

    // One sample in window pixels; pressure 0..1023. A pen-up is (0, 0, 0).
    void addPenPoint(int pressure, int x, int y);
    // After a clear: empty ink box and stroke, background refilled and shown, surface active again.
    void clearSurface();
    void releaseDrawingSurface();
    void resetDrawingState();

    // The export picture of the current ink.
    void renderExportImage();
    void deleteExportImage();

    // Recorded points, in pad units. A sample starts the record only when it was drawn into a
    // live window with pressure; every other report closes the current stroke.
    void recordPenSample(uint8_t type, int padX, int padY, int pressure, bool drawn);
    void recordOtherReport();
    void emptyRecord();

    // The two picture exports, called under the cross-process lock without PadState::mutex
    // (getSignatureNoENC stops the reader thread, which must not wait for that mutex).
    int realtimePicture(const char* path, char* pchErrCode, char* pchError);
    int signaturePlain(unsigned char* buffer, int* iCode, const char* path, char* pchErrCode, char* pchError);

private:
    void resetStroke();

    unsigned m_flags = 0;
    VelmoraWindow m_window = 0;
    int m_areaWidth = 0;
    int m_areaHeight = 0;
    int m_minX = -1, m_maxX = -1, m_minY = -1, m_maxY = -1;
    bool m_strokeStarted = false;
    int m_prevX = 0, m_prevY = 0, m_prevPressure = 0;
    bool m_recording = false;
    bool m_penUpMarked = false;
    long m_recordedBytes = 0;
};
