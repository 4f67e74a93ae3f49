#include "ZAZFingerprintCaptureThread.h"

#include "ZAZAPIt.h"

#include <QtDebug>

namespace {

constexpr unsigned int kImageAddress = 0xFFFFFFFF;

} // namespace

ZAZFingerprintCaptureThread::~ZAZFingerprintCaptureThread()
{
    m_control.stopAndJoin(*this);
}

void ZAZFingerprintCaptureThread::stop()
{
    m_control.stop();
}

void ZAZFingerprintCaptureThread::run()
{
    qDebug() << "load ZAZAPIt.dll success";
    qDebug() << "ZAZFingerprintCaptureThread started";
    QByteArray frame(ZAZ_IMAGE_BYTES, '\0');
    while (!m_control.stopRequested()) {
        const int opened = ZAZOpenDeviceEx(&m_handle, 0, 0, 0, 2, 0);
        if (opened != ZAZ_OK) {
            qWarning() << "ZAZopenDeviceEx failed IN-THREAD, error code:" << opened;
            emit deviceFailedToOpen();
            ZAZCloseDeviceEx(m_handle);
            break;
        }
        qDebug() << "ZAZ device opened successfully in-thread.";
        const bool handedOn = captureOnce(m_handle, frame);
        ZAZCloseDeviceEx(m_handle);
        if (handedOn)
            break;
    }
    qDebug() << "ZAZ capture loop finished.";
    m_control.markFinished();
}

bool ZAZFingerprintCaptureThread::captureOnce(int handle, QByteArray &frame)
{
    int code = ZAZ_NO_FINGER;
    do {
        qDebug() << "begin capture fingerprint";
        code = ZAZGetImage(handle, kImageAddress);
        qDebug() << "ZAZGetImage returned:" << code;
        m_control.pause(330);
    } while (code == ZAZ_NO_FINGER && !m_control.stopRequested());

    if (code != ZAZ_OK) {
        const char *text = ZAZErr2Str(code);
        qDebug() << "Error message in ZAZGetImage:"
                 << (text ? QString::fromLocal8Bit(text, int(qstrnlen(text, 1023))) : QString());
        return false;
    }
    qDebug() << "ZAZGetImage success, downloading image";
    int length = 0;
    const int uploaded = ZAZUpImage(handle, kImageAddress, reinterpret_cast<unsigned char *>(frame.data()), &length);
    qDebug() << "ZAZUpImage returned:" << uploaded << "Image Length:" << length;
    if (uploaded != ZAZ_OK)
        return false;
    emit captureFinished(frame, ZAZ_IMAGE_WIDTH, ZAZ_IMAGE_HEIGHT);
    return true;
}
