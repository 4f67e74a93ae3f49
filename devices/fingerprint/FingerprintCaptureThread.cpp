#include "FingerprintCaptureThread.h"

#include "LivescanLibraries.h"

#include <QtDebug>

FingerprintCaptureThread::FingerprintCaptureThread(LivescanLibraries &libraries, int threshold, QObject *parent)
    : QThread(parent)
    , m_libraries(libraries)
    , m_threshold(threshold)
{
}

FingerprintCaptureThread::~FingerprintCaptureThread()
{
    m_control.stopAndJoin(*this);
}

void FingerprintCaptureThread::stop()
{
    m_control.stop();
}

void FingerprintCaptureThread::run()
{
    qDebug() << "FingerprintCaptureThread started";
    QByteArray frame(kFrameWidth * kFrameHeight, '\0');
    unsigned char score = 0;
    while (!m_control.stopRequested()) {
        qDebug() << "livescan begin capture";
        m_libraries.beginCapture(0);
        // data() detaches the buffer from a frame already handed on.
        auto *pixels = reinterpret_cast<unsigned char *>(frame.data());
        if (m_libraries.getRawData(0, pixels) <= 0) {
            m_control.pause(500);
            continue;
        }
        m_libraries.qualityScore(pixels, &score);
        if (score < m_threshold) {
            // The reader's exposure paces the next round.
            qWarning() << "指纹质量分数过低，分数：" << int(score);
            continue;
        }
        emit captureFinished(frame, kFrameWidth, kFrameHeight);
        m_control.pause(500);
    }
    m_libraries.endCapture(0);
    m_control.markFinished();
}
