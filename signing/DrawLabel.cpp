#include "DrawLabel.h"

#include "DeviceController.h"
#include "PenDisplay.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QStandardPaths>
#include <QWindow>
#include <QtDebug>

DrawLabel::DrawLabel(const PaintBoardOptionsPtr &options, QWidget *parent)
    : QLabel(parent)
    , m_options(options)
    , m_hub(DeviceController::instance())
    , m_deviceKind(m_hub->deviceType())
    , m_onPenDisplay(m_hub->isScreenDevice())
    , m_canvasWidth(options->width)
    , m_canvasHeight(options->height)
    , m_pressureRange(float(quint32(m_hub->maxPressure())))
{
    const quint32 tabletWidth = quint32(m_hub->tabletWidth());
    const quint32 tabletHeight = quint32(m_hub->tabletHeight());
    m_hasRanges = tabletWidth != 0 && tabletHeight != 0 && m_pressureRange != 0;
    if (m_hasRanges) {
        m_tabletScaleX = float(m_canvasWidth) / float(tabletWidth);
        m_tabletScaleY = float(m_canvasHeight) / float(tabletHeight);
        if (m_onPenDisplay) {
            // The same screen the board is placed on, so the pen meets the canvas where it shows.
            const QRect screen = targetScreen(true)->geometry();
            m_screenScaleX = float(screen.width()) / float(tabletWidth);
            m_screenScaleY = float(screen.height()) / float(tabletHeight);
            m_screenLeft = screen.left();
            m_screenTop = screen.top();
        }
    }
    // The pad library paints into a native window from its origin: the canvas gets one of its
    // own, so the library's surface lands on the canvas and nowhere else on the board.
    if (m_deviceKind == 2)
        setAttribute(Qt::WA_NativeWindow);
    m_canvas = QPixmap(m_canvasWidth, m_canvasHeight);
    m_canvas.fill(Qt::transparent);
    resetLiveLayer();

    m_clearWindow.setSingleShot(true);
    m_clearWindow.setInterval(200);
    connect(&m_clearWindow, &QTimer::timeout, this, [this] { m_justCleared = false; });
    connect(m_hub.data(), &DeviceController::penPacketReceived, this, &DrawLabel::handlePenPacket);
    connect(m_hub.data(), &DeviceController::signPicAvailable, this, &DrawLabel::onSignPicAvailable);
}

QString DrawLabel::inspectionPath()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/testoutput/");
    QDir().mkpath(folder);
    return folder + QStringLiteral("sign_test.png");
}

void DrawLabel::handlePenPacket(TABLET_PACKET packet)
{
    if (!m_hasRanges)
        return;
    QPointF point;
    if (m_onPenDisplay) {
        const QPoint global(qRound(packet.x * m_screenScaleX + m_screenLeft), qRound(packet.y * m_screenScaleY + m_screenTop));
        const QPoint local = mapFromGlobal(global);
        if (!QRect(0, 0, m_canvasWidth, m_canvasHeight).contains(local))
            return;
        point = local;
    } else {
        point = QPointF(float(packet.x) * m_tabletScaleX, float(packet.y) * m_tabletScaleY);
    }
    // Only a sample inside the stroke is smoothed: a new stroke starts where the pen is, not
    // drawn toward the end of the last one.
    if (packet.status != 1 && !m_stroke.isEmpty())
        point = StrokeGeometry::smooth(QPointF(m_stroke.last().x, m_stroke.last().y), point);
    const PenPoint sample{point.x(), point.y(), packet.pressure};

    switch (packet.status) {
    case 1:
        // A stroke still open here lost its pen-up; its ink is kept.
        endStroke();
        m_stroke.append(sample);
        scheduleStrokeRepaint(0);
        break;
    case 2: {
        const int from = m_stroke.isEmpty() ? 0 : m_stroke.size() - 1;
        if (!m_stroke.isEmpty())
            m_stroke += StrokeGeometry::curvePoints(m_stroke.last(), sample);
        m_stroke.append(sample);
        scheduleStrokeRepaint(from);
        break;
    }
    case 3:
    case 4:
        endStroke();
        update();
        break;
    default:
        break;
    }
}

void DrawLabel::onSignPicAvailable(QImage img)
{
    // A picture polled just before a clear would bring the cleared ink back.
    if (m_justCleared)
        return;
    m_padImage = img;
    update();
}

QPen DrawLabel::penFor(const PenPoint &point) const
{
    const float width = StrokeGeometry::penWidth(point.pressure, m_pressureRange, m_options->penMinWidth, m_options->penMaxWidth);
    const QRgb colour = m_options->penColor;
    return QPen(QBrush(QColor(qRed(colour), qGreen(colour), qBlue(colour))), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void DrawLabel::renderStroke()
{
    if (m_stroke.isEmpty())
        return;
    QPainter painter(&m_canvas);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (int i = 1; i < m_stroke.size(); ++i) {
        const PenPoint &a = m_stroke.at(i - 1);
        const PenPoint &b = m_stroke.at(i);
        const double dx = b.x - a.x, dy = b.y - a.y;
        QPainterPath path(QPointF(a.x, a.y));
        path.cubicTo(a.x + 0.3 * dx, a.y + 0.3 * dy, a.x + 0.7 * dx, a.y + 0.7 * dy, b.x, b.y);
        QPen pen = penFor(b);
        pen.setCosmetic(true);
        painter.setPen(pen);
        painter.drawPath(path);
    }
}

void DrawLabel::endStroke()
{
    renderStroke();
    m_stroke.clear();
    resetLiveLayer();
}

void DrawLabel::resetLiveLayer()
{
    m_liveLayer = QImage(m_canvasWidth, m_canvasHeight, QImage::Format_ARGB32_Premultiplied);
    m_liveLayer.fill(Qt::transparent);
    m_livePoints = 0;
}

void DrawLabel::updateLiveLayer()
{
    // A pen change while the stroke is open shows on all of it, as it will when rendered.
    const PaintBoardOptions &options = *m_options;
    if (options.penColor != m_livePenColor || options.penMinWidth != m_livePenMin || options.penMaxWidth != m_livePenMax) {
        m_liveLayer.fill(Qt::transparent);
        m_livePoints = 0;
        m_livePenColor = options.penColor;
        m_livePenMin = options.penMinWidth;
        m_livePenMax = options.penMaxWidth;
    }
    if (m_stroke.size() < 2 || m_livePoints >= m_stroke.size() || m_liveLayer.isNull())
        return;
    QPainter painter(&m_liveLayer);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int i = std::max(1, m_livePoints); i < m_stroke.size(); ++i) {
        const PenPoint &a = m_stroke.at(i - 1);
        const PenPoint &b = m_stroke.at(i);
        painter.setPen(penFor(b));
        painter.drawLine(QPointF(a.x, a.y), QPointF(b.x, b.y));
    }
    m_livePoints = m_stroke.size();
}

void DrawLabel::scheduleStrokeRepaint(int from)
{
    QRectF dirty;
    for (int i = from; i < m_stroke.size(); ++i)
        dirty |= QRectF(m_stroke.at(i).x, m_stroke.at(i).y, 0, 0).normalized();
    const int pad = int(std::max(m_options->penMinWidth, m_options->penMaxWidth)) + 2;
    update(dirty.toAlignedRect().adjusted(-pad, -pad, pad, pad));
}

void DrawLabel::showEvent(QShowEvent *event)
{
    QLabel::showEvent(event);
    // The pad adapter finds this window under the board by its object name.
    if (QWindow *native = windowHandle())
        native->setTitle(objectName());
}

void DrawLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_deviceKind == 1) {
        painter.drawPixmap(0, 0, m_canvas);
        updateLiveLayer();
        painter.drawImage(0, 0, m_liveLayer);
    } else if (m_deviceKind == 2 && !m_padImage.isNull()) {
        painter.drawImage(QRect(0, 0, m_canvasWidth, m_canvasHeight), m_padImage);
    }
}

void DrawLabel::clearCanvas()
{
    qDebug() << "Clearing DrawLabel";
    if (m_deviceKind == 1) {
        m_stroke.clear();
        resetLiveLayer();
        m_canvas = QPixmap(m_canvasWidth, m_canvasHeight);
        m_canvas.fill(Qt::transparent);
    } else if (m_deviceKind == 2) {
        m_padImage = QImage();
    }
    m_justCleared = true;
    update();
    m_clearWindow.start();
}

void DrawLabel::cropToInk()
{
    QImage picture;
    if (m_deviceKind == 2)
        picture = m_padImage;
    else if (m_deviceKind == 1)
        picture = m_canvas.toImage();
    const QRect ink = StrokeGeometry::inkBounds(picture);
    if (ink.isNull())
        return;
    const QSize canvas(m_canvasWidth, m_canvasHeight);
    const QRect box = StrokeGeometry::cropBox(ink, picture.size(), canvas);
    if (m_deviceKind == 2)
        m_padImage = m_padImage.copy(box).scaled(canvas, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    else
        m_canvas = m_canvas.copy(box).scaled(canvas, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    update();
}

bool DrawLabel::hasInk()
{
    if (m_deviceKind == 1) {
        endStroke();
        update();
        return !StrokeGeometry::inkBounds(m_canvas.toImage()).isNull();
    }
    // The pad's ink is the library's own picture of it; none has come since the last clear
    // while the library reports nothing written.
    return m_deviceKind == 2 && !StrokeGeometry::inkBounds(m_padImage).isNull();
}

void DrawLabel::exportSignature()
{
    const QString path = inspectionPath();
    // Ink of a stroke whose pen-up has not come yet belongs to the signature.
    if (m_deviceKind == 1) {
        endStroke();
        update();
    }
    if (m_options->autoCrop)
        cropToInk();
    qDebug().noquote() << "Saving signature to " + path;

    QImage picture;
    if (m_deviceKind == 2) {
        picture = m_padImage;
    } else if (m_deviceKind == 1) {
        picture = QImage(m_canvas.size(), QImage::Format_ARGB32);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        painter.drawPixmap(0, 0, m_canvas);
    } else {
        return;
    }

    // One encoding serves the text and the inspection copy. Quality 50 (zlib level 4) takes
    // a quarter off the time of the default for a few percent more bytes: ok waits on it.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "PNG", 50))
        png.clear();
    m_exported = QString::fromLatin1(png.toBase64());

    // A copy for inspection: written plainly, with no wait for the disk.
    QFile file(path);
    const bool saved = !png.isEmpty() && file.open(QIODevice::WriteOnly) && file.write(png) == png.size() && file.flush();
    qDebug().noquote() << (saved ? QStringLiteral("Saved signature transparent to ") : QStringLiteral("Failed to save signature transparent to ")) + path;
}
