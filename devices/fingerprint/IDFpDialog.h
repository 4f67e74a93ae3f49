#pragma once

#include "TabrixPen.h"

#include <QDialog>
#include <QImage>
#include <QSharedPointer>

class DeviceController;
class FingerprintLabel;
class IDFPController;
class QLabel;
class QPushButton;

// The window in which the signer gives a fingerprint: waits with a scan animation, shows the
// captured picture, and confirms, retries or cancels by its buttons, the device keys or pen
// taps on a pen display. Deletes itself when closed.
class IDFpDialog : public QDialog
{
    Q_OBJECT

public:
    explicit IDFpDialog(int threshold, QWidget *parent = nullptr);
    ~IDFpDialog() override;

public slots:
    void captureCompleted(const QImage &fingerprintImage);
    // No reader answered the capture: the signer is told, and Retry tries again.
    void onNoReader();
    void onFingerCancel();
    void onFingerRetry();
    void onFingerConfirm();
    void handlePenPacket(const TABLET_PACKET &packet);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void setupUi();
    void retranslateUi();
    const char *hintKey() const;

    const int m_threshold;
    QLabel *m_hintLabel = nullptr;
    FingerprintLabel *m_imageLabel = nullptr;
    QPushButton *m_cancelBtn = nullptr;
    QPushButton *m_retryBtn = nullptr;
    QPushButton *m_confirmBtn = nullptr;
    bool m_captured = false;
    bool m_noReader = false;
    // Set by the first confirm or cancel: a key and a tap together, or a key queued behind
    // the close, must not act a second time.
    bool m_finished = false;
    float m_sx = 0;
    float m_sy = 0;
    QSharedPointer<IDFPController> m_fpController;
    QSharedPointer<DeviceController> m_deviceController;
};
