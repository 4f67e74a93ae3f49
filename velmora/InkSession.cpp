#include "InkSession.h"

#include "ExportLayout.h"
#include "ExportRenderer.h"
#include "GbkText.h"
#include "ImageFileWriter.h"
#include "PadLog.h"
#include "PadSettings.h"
#include "PadState.h"
#include "ResultCodes.h"
#include "X11InkWindow.h"

#include <cstring>

namespace {

InkStyle inkStyle(const PadSettings& settings)
{
    InkStyle style;
    style.penWidth = settings.penWidth;
    style.penColor = settings.penColor;
    style.backgroundColor = settings.backgroundColor;
    style.transparent = settings.transparent == 1;
    return style;
}

bool givenPath(const char* path)
{
    return path && *path;
}

} // namespace

InkSession& InkSession::instance()
{
    static auto* session = new InkSession;
    return *session;
}

bool InkSession::has(Flag flag) const
{
    switch (flag) {
    case HasInk:
        return m_surface.hasInk();
    case ImageRendered:
        return imageIsCurrent();
    default:
        return (m_flags & flag) != 0;
    }
}

int InkSession::setupDrawingSurface(VelmoraWindow window, int width, int height)
{
    return setupDrawingSurface(X11InkWindow::open(window), width, height);
}

int InkSession::setupDrawingSurface(std::unique_ptr<InkTarget> target, int width, int height)
{
    clearFlags();
    m_image.reset();
    m_target.reset();
    m_areaWidth = m_areaHeight = 0;
    m_surface.resetInk();
    const InkStyle style = inkStyle(PadSettingsStore::instance().current());
    if (!target || !m_surface.allocate(width, height, style, target.get()))
        return -1;
    m_target = std::move(target);
    m_areaWidth = width;
    m_areaHeight = height;
    m_surface.fillBackground();
    m_surface.showAll();
    set(SurfaceActive);
    return 0;
}

bool InkSession::windowAlive()
{
    return m_target && m_target->isWindow();
}

void InkSession::addPenPoint(int pressure, int x, int y)
{
    m_surface.addPenPoint(pressure, x, y);
}

void InkSession::clearSurface()
{
    m_surface.resetInk();
    if (!m_surface.isAllocated())
        return;
    m_surface.fillBackground();
    m_surface.showAll();
    set(SurfaceActive);
}

void InkSession::releaseDrawingSurface()
{
    m_surface.release();
}

void InkSession::resetDrawingState()
{
    clearFlags();
    m_target.reset();
    m_areaWidth = m_areaHeight = 0;
    m_surface.resetInk();
    releaseDrawingSurface();
}

bool InkSession::imageIsCurrent() const
{
    // A released surface changes no more, so what was kept of it stays current.
    return m_image && (!m_surface.isAllocated() || m_imageRevision == m_surface.revision());
}

void InkSession::renderExportImage()
{
    m_image.reset();
    if (!windowAlive() || !m_surface.isAllocated())
        return;
    InkRect bounds;
    const bool hasInk = m_surface.inkBounds(bounds);
    ExportPlacement placement;
    const PadSettings settings = PadSettingsStore::instance().current();
    if (!ExportLayout::place(settings.exportOptions, m_surface.width(), m_surface.height(), hasInk,
                             bounds, placement))
        return;
    m_image = ExportRenderer::render(m_surface.pixels(), m_surface.stride(), m_surface.width(),
                                     m_surface.height(), placement, settings.backgroundColor);
    m_imageRevision = m_surface.revision();
}

void InkSession::deleteExportImage()
{
    m_image.reset();
}

void InkSession::recordPenSample(uint8_t type, int padX, int padY, int pressure, bool drawn)
{
    if (!m_recorder.isRecording() && drawn && pressure > 0)
        m_recorder.start();
    m_recorder.penSample(type, uint32_t(padX), uint32_t(padY), uint32_t(pressure));
}

void InkSession::recordOtherReport()
{
    m_recorder.otherReport();
}

void InkSession::emptyRecord()
{
    m_recorder.reset();
}

std::shared_ptr<const ExportImage> InkSession::realtimeImage()
{
    if (m_surface.isAllocated()) {
        if (!imageIsCurrent())
            renderExportImage();
        return m_image;
    }
    // After the end the surface is gone: what was kept of it is the picture.
    if (has(SurfaceActive) && has(Ended))
        return m_image;
    return nullptr;
}

int InkSession::realtimePicture(const char* path, char* pchErrCode, char* pchError)
{
    padLog(Enter, "Into function: %s", "_getSignatureRealtimePic");
    int key = ResultCodes::ImageSaveFailed;
    bool saveFailed = false;
    if (PadState::instance().lastEvent != 1) {
        std::shared_ptr<const ExportImage> image;
        {
            std::lock_guard<std::mutex> lock(PadState::instance().mutex);
            image = realtimeImage();
        }
        // Encoded outside the state lock, so the ink goes on meanwhile.
        if (!image) {
            key = ResultCodes::NotSigned;
        } else if (givenPath(path)) {
            saveFailed = !ImageFileWriter::save(*image, path);
            key = saveFailed ? ResultCodes::ImageSaveFailed : ResultCodes::Success;
        }
    }
    ResultCodes::setResultCode(key, pchErrCode, pchError);
    if (saveFailed)
        padLog(Line, "%s", GbkText::fromUtf8("签名图片保存异常 ").c_str());
    padLog(Leave, "Exit function: %s", "_getSignatureRealtimePic");
    return 1;
}

SignatureHeader::Bytes InkSession::buildSignatureHeader()
{
    InkRect window;
    std::vector<InkRect> monitors;
    if (!m_target || !m_target->screenPlacement(window, monitors))
        return SignatureHeader::windowGone();
    // The area keeps the surface's size after the surface itself was released by the end.
    return SignatureHeader::build(window, monitors, m_areaWidth, m_areaHeight, 0, 0);
}

int InkSession::finishSignature()
{
    const bool hasInk = m_surface.hasInk();
    if (hasInk && !imageIsCurrent())
        renderExportImage();
    if (has(Ended)) {
        resetDrawingState();
    } else {
        // The surface stays until the next end: a clear before it still erases the window.
        set(Finished);
        m_surface.resetInk();
    }
    return hasInk ? ResultCodes::Success : ResultCodes::NotSigned;
}

int InkSession::takeSignature(const SignatureHeader::Bytes& header, const char* path, unsigned char* buffer)
{
    if (!has(SurfaceActive) || has(Finished))
        return ResultCodes::NotStarted;
    const int result = finishSignature();
    if (result != ResultCodes::Success) {
        emptyRecord();
        return result;
    }
    // Too few points for a signature: no picture is left behind either.
    if (buffer && m_recorder.size() < 2 * PointRecorder::kRecordSize) {
        emptyRecord();
        return ResultCodes::NotSigned;
    }
    if (givenPath(path)) {
        // A picture was asked for: without one this is no success.
        const bool saved = m_image && ImageFileWriter::save(*m_image, path);
        m_image.reset();
        if (!saved)
            return ResultCodes::ImageSaveFailed;
    }
    if (buffer)
        copySignatureData(buffer, header);
    return ResultCodes::Success;
}

void InkSession::copySignatureData(unsigned char* buffer, const SignatureHeader::Bytes& header)
{
    const uint32_t n = m_recorder.size();
    const int32_t length = int32_t(SignatureHeader::kSize + n);
    std::memcpy(buffer, &length, sizeof length);
    std::memcpy(buffer + sizeof length, header.data(), header.size());
    std::memcpy(buffer + sizeof length + header.size(), m_recorder.data(), n);
}
