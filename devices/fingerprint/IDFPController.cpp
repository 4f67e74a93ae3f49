#include "IDFPController.h"

#include "DeviceController.h"
#include "FingerprintCaptureThread.h"
#include "FingerprintImage.h"
#include "ImageBase64.h"
#include "SharedInstance.h"
#include "ZAZFingerprintCaptureThread.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QtDebug>

namespace {

constexpr int kSignaturePad = 2;

// The frame as the signer sees it; null (and logged) when the frame is shorter than its size.
QImage frameImage(const QByteArray &fingerprintData, int width, int height)
{
    qDebug() << "stop capture";
    qDebug() << "Processing fingerprint data, image size:" << QSize(width, height);
    const QImage image = fingerprintImage(fingerprintData, width, height);
    if (image.isNull())
        qWarning() << "fingerprint frame of" << fingerprintData.size() << "bytes does not fill" << width << "x" << height;
    return image;
}

} // namespace

QWeakPointer<IDFPController> IDFPController::s_cached;

QSharedPointer<IDFPController> IDFPController::instance()
{
    return sharedInstance(s_cached, [] { return new IDFPController; });
}

IDFPController::IDFPController()
    : m_deviceController(DeviceController::instance())
{
    m_libraries.load();
    // The program holds the controller until static destruction, which may already have taken
    // the reader libraries' own state; the captures end while the application object goes.
    static const bool endsWithTheApplication = (qAddPostRoutine([] {
        if (const QSharedPointer<IDFPController> controller = s_cached.toStrongRef())
            controller->endCaptures();
    }), true);
    Q_UNUSED(endsWithTheApplication)
}

IDFPController::~IDFPController()
{
    endCaptures();
    m_libraries.unload();
}

void IDFPController::endCaptures()
{
    // An optical capture may still wait for a finger; it must be gone before this object (its
    // parent) and before the libraries it may call.
    const QList<ZAZFingerprintCaptureThread *> optical =
        findChildren<ZAZFingerprintCaptureThread *>(QString(), Qt::FindDirectChildrenOnly);
    for (ZAZFingerprintCaptureThread *thread : optical)
        thread->stop();
    qDeleteAll(optical);
    stopCapture();
}

void IDFPController::startCapture(int threshold)
{
    qDebug() << "begin captrure";
    auto *thread = new ZAZFingerprintCaptureThread(this);
    connect(thread, &ZAZFingerprintCaptureThread::captureFinished, this, &IDFPController::onZAZCaptureFinished);
    connect(thread, &ZAZFingerprintCaptureThread::deviceFailedToOpen, this,
            [this, threshold] {
                if (!startLivescanFallback(threshold))
                    emit noReaderAnswers();
            });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

bool IDFPController::startLivescanFallback(int threshold)
{
    qDebug() << "ZAZ device failed to open, trying LIVESCAN fallback.";
    const int initialised = m_libraries.init();
    if (initialised != 1) {
        qDebug() << "LIVESCAN_Init failed, error code:" << initialised;
        return false;
    }
    qDebug() << "LIVESCAN_Init success";
    // The capture thread reads into a buffer of the one frame size it knows.
    int width = 0;
    int height = 0;
    if (m_libraries.frameSize(&width, &height)
        && (width != FingerprintCaptureThread::kFrameWidth || height != FingerprintCaptureThread::kFrameHeight)) {
        qWarning() << "LIVESCAN reader delivers" << width << "x" << height << "frames, not"
                   << FingerprintCaptureThread::kFrameWidth << "x" << FingerprintCaptureThread::kFrameHeight;
        m_libraries.close();
        return false;
    }
    const int begun = m_libraries.fpBegin();
    if (begun != 1) {
        qDebug() << "指纹扫描开始失败, error code:" << begun;
        return false;
    }
    if (!m_captureThread) {
        m_captureThread = new FingerprintCaptureThread(m_libraries, threshold);
        connect(m_captureThread, &FingerprintCaptureThread::captureFinished, this, &IDFPController::onCaptureFinished);
        m_captureThread->start();
    }
    return true;
}

void IDFPController::stopCapture()
{
    if (m_captureThread) {
        delete m_captureThread; // stops and joins it
        m_captureThread = nullptr;
        qDebug() << "Fingerprint capture stopped";
    }
    m_libraries.close();
    m_libraries.fpEnd();
}

void IDFPController::onCaptureFinished(const QByteArray &fingerprintData, int width, int height)
{
    QImage image = frameImage(fingerprintData, width, height);
    if (image.isNull())
        return;
    // Turned top to bottom beside the signature pad. Without a signature device the frame is
    // kept as made: keeping the previous picture instead would lose this fingerprint.
    if (m_deviceController->deviceType() == kSignaturePad)
        image = image.mirrored(false, true);
    keepFrame(image);
}

void IDFPController::onZAZCaptureFinished(const QByteArray &fingerprintData, int width, int height)
{
    const QImage image = frameImage(fingerprintData, width, height);
    if (!image.isNull())
        keepFrame(image);
}

void IDFPController::keepFrame(const QImage &image)
{
    m_image = image;
    stopCapture();
    emit captureFinished(m_image);
}

void IDFPController::saveFingerprintImage()
{
    qDebug() << "指纹采集确认";
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/testoutput/");
    QDir().mkpath(folder);
    if (m_image.isNull()) {
        qWarning() << "指纹图像未捕获或处理失败";
        return;
    }
    const QString path = folder + QStringLiteral("fingerprint.png");
    if (m_image.save(path))
        qDebug() << "指纹图像保存成功：" << path;
    else
        qWarning() << "指纹图像保存失败";
}

QString IDFPController::imageToBase64() const
{
    return m_image.isNull() ? QString() : ImageBase64::encodePng(m_image);
}

void IDFPController::clearImage()
{
    m_image = QImage();
}
