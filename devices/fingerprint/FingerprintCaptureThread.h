#pragma once

#include "CaptureControl.h"

#include <QByteArray>
#include <QThread>

class LivescanLibraries;

// Takes live-scan frames until stopped and hands on each one whose quality score reaches the
// threshold.
class FingerprintCaptureThread : public QThread
{
    Q_OBJECT

public:
    static constexpr int kFrameWidth = 256;
    static constexpr int kFrameHeight = 360;

    FingerprintCaptureThread(LivescanLibraries &libraries, int threshold, QObject *parent = nullptr);
    // Stops and joins the thread.
    ~FingerprintCaptureThread() override;

    void stop();

signals:
    void captureFinished(QByteArray fingerprintData, int width, int height);

protected:
    void run() override;

private:
    LivescanLibraries &m_libraries;
    const int m_threshold;
    CaptureControl m_control;
};
