#include "OrvelDevice.h"

#include "OrvelSignWorker.h"
#include "Velmora.h"
#include "platform/Hid.h"
#include "platform/Windows.h"

#include <QFile>
#include <QTextCodec>
#include <QtDebug>

#include <atomic>

namespace {

std::atomic<OrvelDevice *> s_device{nullptr};

// The library writes GBK whatever the locale's own code page is.
QString fromGbk(const char *text)
{
    static QTextCodec *const gbk = QTextCodec::codecForName("GBK");
    return gbk ? gbk->toUnicode(text) : QString::fromLatin1(text);
}

// The code and message buffers every reporting call of the library fills.
struct ResultText {
    char code[VELMORA_ERRCODE_SIZE] = {};
    char message[VELMORA_ERROR_SIZE] = {};

    QString codeText() const { return fromGbk(code); }
    QString messageText() const { return fromGbk(message); }
};

// The library draws a segment WIDTH x pressure / 4096 pixels wide, pressure up to 1023: a
// WIDTH of 8 draws one pixel at half pressure.
constexpr int PadWidthAtHalfPressure = 8;

} // namespace

OrvelDevice::OrvelDevice(QObject *parent)
    : IDevice(parent)
{
    s_device = this;
}

OrvelDevice::~OrvelDevice()
{
    // The worker calls into the library; it ends before the library may unload.
    stopPolling();
    s_device = nullptr;
}

bool OrvelDevice::checkDevice()
{
    const auto interfaces = platform::hid::list();
    if (!interfaces) {
        qDebug() << "Failed to get device info set.";
        return false;
    }
    for (const platform::HidDeviceInfo &info : *interfaces) {
        if (info.vendorId != VELMORA_PAD_VENDOR_ID || info.productId != VELMORA_PAD_PRODUCT_ID)
            continue;
        platform::HidOpenFailure failure = platform::HidOpenFailure::None;
        if (platform::hid::open(info.path, &failure))
            return true;
        // Otherwise the pad would be silently absent although it is plugged in.
        if (failure == platform::HidOpenFailure::AccessDenied)
            qWarning() << "Signature pad present but it may not be opened: permission refused on"
                       << QString::fromStdString(info.path) << "(is udev/70-inkwarden.rules installed?)";
    }
    return false;
}

int OrvelDevice::open()
{
    SetKeyPressCallback(&OrvelDevice::keyPressCallback);
    qDebug() << "注册回调函数";
    return 1;
}

void OrvelDevice::close()
{
    // The device thread closes a removed pad too; the worker belongs to the main thread. The
    // capture itself is the library's to end.
    QMetaObject::invokeMethod(this, &OrvelDevice::stopPolling);
}

QString OrvelDevice::deviceName()
{
    return QStringLiteral("Velmora Signature Pad");
}

QString OrvelDevice::serialNumber()
{
    return QString();
}

int OrvelDevice::tabletWidth()
{
    return 0;
}

int OrvelDevice::tabletHeight()
{
    return 0;
}

int OrvelDevice::maxPressure()
{
    return 0;
}

int OrvelDevice::startSignature(const int &width, const int &height)
{
    // The library paints its surface at the window's origin: the canvas's own window, so that
    // it covers the drawing area and nothing else of the board.
    const unsigned long board = platform::windows::findByTitle("PaintBoard");
    const unsigned long window = board ? platform::windows::findByTitle("drawLabel", board) : 0;
    if (!window) {
        qDebug() << "Error: Unable to find the window 'PaintBoard'.";
        return -1;
    }
    qDebug() << "width = " << width << ", height = " << height;
    m_startWidth = width;
    m_startHeight = height;
    const int usedWidth = width >= 1 && width <= 800 ? width : 600;
    const int usedHeight = height >= 1 && height <= 480 ? height : 300;
    qDebug() << "width = " << usedWidth << ", height = " << usedHeight;
    const int code = ::startSignature(window, usedWidth, usedHeight);
    qDebug() << "startSignature result: " << code;
    if (code != 0)
        return 0;
    if (!m_signWorker) {
        m_signWorker = new OrvelSignWorker;
        connect(m_signWorker, &OrvelSignWorker::signPicAvailable, this, &IDevice::signPicAvailable);
    }
    m_signWorker->begin();
    return 1;
}

void OrvelDevice::stopPolling()
{
    if (!m_signWorker)
        return;
    m_signWorker->stop();
    m_signWorker->deleteLater();
    m_signWorker = nullptr;
}

int OrvelDevice::endSignature()
{
    stopPolling();
    const int code = ::endSignature();
    qDebug() << "endSignature result: " << code;
    return code == 0 ? 1 : 0;
}

int OrvelDevice::clearSignature()
{
    const int code = ::clearSignature();
    qDebug() << "clearSignature result: " << code;
    return code == 0 ? 1 : 0;
}

int OrvelDevice::setPenSize(const int &min, const int &max)
{
    // The tablet's line grows from the operator's minimum to the maximum with the pressure, the
    // library's from nothing: both draw the mean width at half pressure, so a signature weighs
    // the same on paper from either device.
    ResultText result;
    setPenPressFactor((min + max) * PadWidthAtHalfPressure / 2, result.code, result.message);
    qDebug() << "OrvelDevice setPenSize: max= " << max << ", errCode= " << result.codeText()
             << ", errorMsg= " << result.messageText();
    return 1;
}

int OrvelDevice::setPenColor(const int &r, const int &g, const int &b)
{
    const QString hex = QStringLiteral("#%1%2%3")
                            .arg(r, 2, 16, QLatin1Char('0'))
                            .arg(g, 2, 16, QLatin1Char('0'))
                            .arg(b, 2, 16, QLatin1Char('0'));
    const unsigned int rgb = hex.mid(1).toUInt(nullptr, 16);
    const unsigned int colorRef = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
    ResultText set;
    ::setPenColor(colorRef, set.code, set.message);
    qDebug() << "OrvelDevice setPenColor: colorHex= " << hex << ", errCode= " << set.codeText()
             << ", errorMsg= " << set.messageText();
    int penWidth = 0;
    int penColor = 0;
    ResultText read;
    getPenStyle(&penWidth, &penColor, read.code, read.message);
    qDebug() << "OrvelDevice getPenStyle: penWidth= " << penWidth << ", penColor= " << penColor
             << ", errCode= " << read.codeText() << ", errorMsg= " << read.messageText();
    return 1;
}

void OrvelDevice::confirmWithLastInk()
{
    // The last polled picture may lack the strokes of its last pass. At the key the library has
    // ended the capture and holds a picture of all the ink: it goes to the board before the ok.
    stopPolling();
    const QString path = OrvelSignWorker::livePicturePath();
    int iCode = 0;
    ResultText result;
    getSignatureNoENC(nullptr, &iCode, QFile::encodeName(path).constData(), result.code, result.message);
    const QString code = result.codeText();
    qDebug() << "getSignatureNoENC result: " << code;
    const QImage picture = code == QLatin1String("DRV0000000") ? OrvelSignWorker::readPicture(path) : QImage();
    if (!picture.isNull()) {
        emit signPicAvailable(picture);
    } else {
        // Nothing written: the board is told the pad holds no ink, and refuses the ok. The
        // library ended its capture at the key, so it starts again for the board that stays.
        if (code == QLatin1String("DRVQNV0001"))
            emit signPicAvailable(QImage());
        startSignature(m_startWidth, m_startHeight);
    }
    emit okBtnClicked();
}

int OrvelDevice::activateMouse(const bool &activate)
{
    Q_UNUSED(activate)
    return 0;
}

bool OrvelDevice::isScreenDevice()
{
    return false;
}

void OrvelDevice::keyPressCallback(int key)
{
    OrvelDevice *device = s_device;
    if (!device)
        return;
    switch (key) {
    case 1:
        qDebug() << "click ok";
        QMetaObject::invokeMethod(device, &OrvelDevice::confirmWithLastInk, Qt::QueuedConnection);
        break;
    case 2:
        qDebug() << "click cancel";
        emit device->cancelBtnClicked();
        break;
    case 3:
        qDebug() << "click clear";
        emit device->clearBtnClicked();
        break;
    default:
        break;
    }
}
