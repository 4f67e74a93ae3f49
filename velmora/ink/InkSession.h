#pragma once

#include "ExportImage.h"
#include "ExportLayout.h"
#include "InkSurface.h"
#include "InkTarget.h"
#include "PointRecorder.h"
#include "SignatureHeader.h"

#include <cstdint>
#include <memory>

// One signing session's drawing state: the caller's window, the live ink surface, the recorded
// points and the export picture, with the steps the library's exports and reader take on them.
// Not locked: callers serialise every call.
class InkSession {
public:
    // Result keys of the library's code table.
    static constexpr int kSuccess = 0;
    static constexpr int kNotSigned = 0x100001;
    static constexpr int kSaveFailed = 0x100003;
    static constexpr int kNotStarted = 0x10000B;

    // Style of the ink drawn from now on and layout of the pictures made from now on.
    void configure(const InkStyle &style, const ExportOptions &options);

    // Drops any previous session and its picture, then draws the background into the window.
    // -1 when there is no window (null target), the size is <= 0 or the surface cannot be had.
    int setup(std::unique_ptr<InkTarget> target, int width, int height);
    void reset();
    bool isActive() const { return m_active; }
    bool isFinished() const { return m_finished; }
    bool isWindow();

    // Reader side. A pen sample in pad units (0..10206 x 0..7422); true when it went to a live
    // window. Any other report closes the stroke; `liftInk` also lifts the live pen.
    bool penSample(uint8_t type, int32_t padX, int32_t padY, int32_t pressure);
    void otherReport(bool liftInk);

    // Erases ink and points and shows the empty surface; false without a session surface.
    bool clear();
    // Keeps a picture of the ink and releases the surface; false when there is no session to
    // end (or it was ended before).
    bool end();

    // The current ink as an image file; `okPressed` when the session was closed by the OK key.
    int realtimePicture(bool okPressed, const char *path);

    // Taking the signature, in three steps around stopping the reader.
    bool canTake() const { return m_active && !m_finished; }
    SignatureHeader::Bytes header();
    // Finishes the session, saves the picture when a path is given and copies the signature data
    // (int32 length, header, points) when a buffer is given.
    int take(const SignatureHeader::Bytes &header, const char *path, uint8_t *buffer);

    const InkSurface &surface() const { return m_surface; }
    const PointRecorder &recorder() const { return m_recorder; }
    const ExportImage *exportImage() const { return m_image.get(); }

private:
    bool render();
    bool imageIsCurrent() const;
    int finish();
    void markFinished();
    int copySignatureData(uint8_t *buffer, const SignatureHeader::Bytes &header);

    InkStyle m_style;
    ExportOptions m_options;
    std::unique_ptr<InkTarget> m_target;
    InkSurface m_surface;
    PointRecorder m_recorder;
    std::unique_ptr<ExportImage> m_image;
    uint64_t m_imageRevision = 0;
    int32_t m_areaWidth = 0;
    int32_t m_areaHeight = 0;
    bool m_active = false;
    bool m_ended = false;
    bool m_finished = false;
};
