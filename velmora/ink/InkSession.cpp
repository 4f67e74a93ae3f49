#include "InkSession.h"

#include "ExportRenderer.h"
#include "ImageFileWriter.h"

#include <cstring>

void InkSession::configure(const InkStyle &style, const ExportOptions &options)
{
    m_style = style;
    m_options = options;
}

int InkSession::setup(std::unique_ptr<InkTarget> target, int width, int height)
{
    m_image.reset();
    reset();
    m_recorder.reset();
    if (!target || !m_surface.allocate(width, height, m_style, target.get()))
        return -1;
    m_target = std::move(target);
    m_areaWidth = width;
    m_areaHeight = height;
    m_surface.fillBackground();
    m_surface.showAll();
    m_active = true;
    return 0;
}

void InkSession::reset()
{
    m_active = m_ended = m_finished = false;
    m_areaWidth = m_areaHeight = 0;
    m_surface.resetInk();
    m_surface.release();
    m_target.reset();
}

bool InkSession::isWindow()
{
    return m_target && m_target->isWindow();
}

bool InkSession::penSample(uint8_t type, int32_t padX, int32_t padY, int32_t pressure)
{
    bool live = isWindow();
    if (live) {
        const int x = int(int64_t(padX) * m_areaWidth / SignatureHeader::kPadRangeX);
        const int y = int(int64_t(padY) * m_areaHeight / SignatureHeader::kPadRangeY);
        m_surface.addPenPoint(pressure, x, y);
        if (pressure != 0 && !m_recorder.isRecording())
            m_recorder.start();
    } else {
        m_surface.addPenPoint(0, 0, 0);
    }
    m_recorder.penSample(type, uint32_t(padX), uint32_t(padY), uint32_t(pressure));
    return live;
}

void InkSession::otherReport(bool liftInk)
{
    if (liftInk)
        m_surface.addPenPoint(0, 0, 0);
    m_recorder.otherReport();
}

bool InkSession::clear()
{
    if (!m_active || !m_surface.isAllocated())
        return false;
    m_recorder.reset();
    m_active = m_ended = m_finished = false;
    if (isWindow()) {
        m_surface.resetInk();
        m_surface.fillBackground();
        m_surface.showAll();
        m_active = true;
    }
    return true;
}

bool InkSession::end()
{
    if (!m_active)
        return false;
    if (m_ended) {
        reset();
        return false;
    }
    if (m_finished) {
        m_image.reset();
        reset();
        return true;
    }
    if (m_surface.hasInk() && !imageIsCurrent())
        render();
    m_surface.release();
    m_ended = true;
    return true;
}

bool InkSession::imageIsCurrent() const
{
    // A released surface changes no more, so what was kept of it stays current.
    return m_image && (!m_surface.isAllocated() || m_imageRevision == m_surface.revision());
}

bool InkSession::render()
{
    m_image.reset();
    if (!isWindow() || !m_surface.isAllocated())
        return false;
    InkRect bounds;
    const bool hasInk = m_surface.inkBounds(bounds);
    ExportPlacement placement;
    if (!ExportLayout::place(m_options, m_surface.width(), m_surface.height(), hasInk, bounds,
                             placement))
        return false;
    m_image = ExportRenderer::render(m_surface.pixels(), m_surface.stride(), m_surface.width(),
                                     m_surface.height(), placement, m_style.backgroundColor);
    m_imageRevision = m_surface.revision();
    return m_image != nullptr;
}

int InkSession::realtimePicture(bool okPressed, const char *path)
{
    if (okPressed)
        return kSaveFailed;
    // After the end the surface is gone: what was kept of it is the picture.
    const bool haveImage = m_surface.isAllocated() ? imageIsCurrent() || render()
                                                   : m_active && m_ended && m_image;
    if (!haveImage)
        return kNotSigned;
    if (!path || !*path)
        return kSaveFailed;
    return ImageFileWriter::save(*m_image, path) ? kSuccess : kSaveFailed;
}

SignatureHeader::Bytes InkSession::header()
{
    InkRect window;
    std::vector<InkRect> monitors;
    if (!m_target || !m_target->screenPlacement(window, monitors))
        return SignatureHeader::windowGone();
    return SignatureHeader::build(window, monitors, m_surface.width(), m_surface.height(), 0, 0);
}

void InkSession::markFinished()
{
    m_finished = true;
    m_surface.resetInk();
    m_surface.release();
}

int InkSession::finish()
{
    const bool hasInk = m_surface.hasInk();
    if (hasInk && !imageIsCurrent())
        render();
    if (m_ended)
        reset();
    else
        markFinished();
    return hasInk ? kSuccess : kNotSigned;
}

int InkSession::take(const SignatureHeader::Bytes &header, const char *path, uint8_t *buffer)
{
    if (!canTake())
        return kNotStarted;
    const int result = finish();
    if (result != kSuccess) {
        m_recorder.reset();
        return result;
    }
    if (path && *path) {
        // A picture was asked for: without one this is no success.
        const bool saved = m_image && ImageFileWriter::save(*m_image, path);
        m_image.reset();
        if (!saved)
            return kSaveFailed;
    }
    if (!buffer)
        return kSuccess;
    return copySignatureData(buffer, header);
}

int InkSession::copySignatureData(uint8_t *buffer, const SignatureHeader::Bytes &header)
{
    const uint32_t n = m_recorder.size();
    if (n <= 2 * PointRecorder::kRecordSize - 1) {
        m_recorder.reset();
        return kNotSigned;
    }
    const int32_t length = int32_t(SignatureHeader::kSize + n);
    std::memcpy(buffer, &length, sizeof length);
    std::memcpy(buffer + sizeof length, header.data(), header.size());
    std::memcpy(buffer + sizeof length + header.size(), m_recorder.data(), n);
    return kSuccess;
}
