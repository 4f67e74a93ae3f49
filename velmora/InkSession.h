#pragma once

#include "ExportImage.h"
#include "InkSurface.h"
#include "InkTarget.h"
#include "PointRecorder.h"
#include "SignatureHeader.h"

#include <Velmora.h>

#include <cstdint>
#include <memory>

// The live ink of the current signing session, its recorded points and its export picture: what
// the pad session asks of the drawing side. Every call is made with PadState::mutex held, unless
// it says otherwise.
class InkSession
{
public:
    static InkSession& instance();

    enum Flag : unsigned {
        SurfaceActive = 1,
        ImageRendered = 2,  // a picture of the ink as it is now
        Ended = 4,
        Finished = 8,       // data taken by getSignatureNoENC
        HasInk = 16,        // a non-empty ink box
    };
    bool has(Flag flag) const;
    void set(Flag flag) { m_flags |= flag; }
    void clearFlags() { m_flags = 0; }

    // Clears the session flags; -1 when the window is not a window, the size is no size or the
    // surface cannot be had (the session still goes on, without ink).
    int setupDrawingSurface(VelmoraWindow window, int width, int height);
    int setupDrawingSurface(std::unique_ptr<InkTarget> target, int width, int height);
    bool windowAlive();
    int areaWidth() const { return m_areaWidth; }
    int areaHeight() const { return m_areaHeight; }

    // One sample in window pixels; pressure 0..1023. A pen-up is (0, 0, 0).
    void addPenPoint(int pressure, int x, int y);
    // After a clear: empty ink box and stroke, background refilled and shown, surface active again.
    void clearSurface();
    void releaseDrawingSurface();
    void resetDrawingState();

    // The export picture of the current ink (none when the window is gone or there is no ink).
    void renderExportImage();
    void deleteExportImage();

    // Recorded points, in pad units. A sample starts the record only when it was drawn into a
    // live window with pressure; every other report closes the current stroke.
    void recordPenSample(uint8_t type, int padX, int padY, int pressure, bool drawn);
    void recordOtherReport();
    void emptyRecord();

    // The export getSignatureRealtimePic, called under the cross-process lock without
    // PadState::mutex, so the ink goes on while the picture is encoded.
    int realtimePicture(const char* path, char* pchErrCode, char* pchError);

    // Ends the capture (the reader already stopped), saves the picture to `path` and copies the
    // signature data to `buffer`, either when given; a result code key.
    int takeSignature(const SignatureHeader::Bytes& header, const char* path, unsigned char* buffer);

    // The header of the signature data, from the window's place on its monitor.
    SignatureHeader::Bytes buildSignatureHeader();

    const InkSurface& surface() const { return m_surface; }
    const PointRecorder& recorder() const { return m_recorder; }
    const ExportImage* exportImage() const { return m_image.get(); }

private:
    bool imageIsCurrent() const;
    std::shared_ptr<const ExportImage> realtimeImage();
    int finishSignature();
    void copySignatureData(unsigned char* buffer, const SignatureHeader::Bytes& header);

    unsigned m_flags = 0;
    std::unique_ptr<InkTarget> m_target;
    InkSurface m_surface;
    PointRecorder m_recorder;
    std::shared_ptr<const ExportImage> m_image;
    uint64_t m_imageRevision = 0;
    int m_areaWidth = 0;
    int m_areaHeight = 0;
};
