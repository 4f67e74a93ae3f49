#pragma once

#include "CaptureControl.h"

#include <QByteArray>
#include <QThread>

// Opens the optical reader, waits for a finger and hands on one frame; reopens after a reader
// error. Ends after its frame, when the reader does not open, or when stopped.
class ZAZFingerprintCaptureThread : public QThread
{
    Q_OBJECT

public:
    using QThread::QThread;
    // Stops and joins the thread.
    ~ZAZFingerprintCaptureThread() override;

    void stop();

signals:
    void captureFinished(QByteArray fingerprintData, int width, int height);
    void deviceFailedToOpen();

protected:
    void run() override;

private:
    // True when the frame was handed on.
    bool captureOnce(int handle, QByteArray &frame);

    int m_handle = 0;
    CaptureControl m_control;
};
