#pragma once

#include "LivescanLibraries.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QSharedPointer>

class DeviceController;
class FingerprintCaptureThread;

// The program's fingerprint capture: the optical reader first, the live-scan reader when that
// one does not open. Keeps the last captured picture for the dialog and the signing window.
class IDFPController : public QObject
{
    Q_OBJECT

public:
    static QSharedPointer<IDFPController> instance();
    // Stops every capture thread before the run-time libraries go.
    ~IDFPController() override;

    // A capture on the optical reader; threshold is the quality a live-scan frame must reach.
    void startCapture(int threshold);
    // Stops the live-scan capture; an optical capture ends by itself after its frame.
    void stopCapture();
    void saveFingerprintImage();
    QString imageToBase64() const;
    void clearImage();

signals:
    void captureFinished(QImage fingerprintImage);
    // Neither reader could be opened for a capture: nothing comes until the next start.
    void noReaderAnswers();
    void openFingerprintDialogFromPdf();
    void fingerCancel();
    void fingerRetry();
    void fingerConfirm();
    void openFingerCaptureWindow();
    void closeFingerCaptureWindow();

public slots:
    void onCaptureFinished(const QByteArray &fingerprintData, int width, int height);
    void onZAZCaptureFinished(const QByteArray &fingerprintData, int width, int height);

private:
    IDFPController();

    // Stops and joins every capture thread.
    void endCaptures();
    // False when the live-scan reader cannot capture either.
    bool startLivescanFallback(int threshold);
    void keepFrame(const QImage &image);

    static QWeakPointer<IDFPController> s_cached;

    QSharedPointer<DeviceController> m_deviceController;
    FingerprintCaptureThread *m_captureThread = nullptr;
    QImage m_image;
    LivescanLibraries m_libraries;
};
