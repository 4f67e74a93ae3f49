#include "TagPainter.h"

#include "LanguageManager.h"
#include "PdfSignTag.h"

#include <QFontMetrics>
#include <QPaintDevice>
#include <QPainter>
#include <QVector>

#include <algorithm>

namespace {

struct Badge
{
    QString text;
    QColor colour;
};

QVector<Badge> badgesFor(int type)
{
    const Badge sign{LanguageManager::instance().translate(QStringLiteral("tag_badge_sign")), QColor(QStringLiteral("#8a49b6"))};
    const Badge fp{LanguageManager::instance().translate(QStringLiteral("tag_badge_fp")), QColor(QStringLiteral("#5daaf2"))};
    switch (type) {
    case PdfSignTag::SignOnly:
        return {sign};
    case PdfSignTag::FpOnly:
        return {fp};
    case PdfSignTag::SignAndFp:
        return {sign, fp};
    default:
        return {};
    }
}

QFont boldFont(const QPainter &painter, int pixelSize)
{
    QFont font = painter.font();
    font.setWeight(75);
    font.setPixelSize(pixelSize);
    return font;
}

} // namespace

void TagPainter::drawTag(QPainter &painter, const QRect &rect, int type, const QString &title, int scale)
{
    if (!rect.isValid())
        return;
    const QRect r = rect.adjusted(0, 0, -1, -1);
    if (r.width() < 5 || r.height() < 5)
        return;

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    drawHatch(painter, r, scale);
    painter.setPen(QPen(QColor(QStringLiteral("#ff3b30")), 2 * scale));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(r);
    const int badgeHeight = drawBadges(painter, r, type, scale);
    drawTitle(painter, r, badgeHeight, title, scale);
    painter.restore();
}

void TagPainter::drawHatch(QPainter &painter, const QRect &r, int scale)
{
    const QRect clip = r.adjusted(scale, scale, -scale, -scale);
    // Only the lines that cross the part of the box on the device are drawn, so a box far
    // larger than the page costs no more than one that fills it.
    QRect visible = clip;
    if (painter.device())
        visible &= QRect(0, 0, painter.device()->width(), painter.device()->height());
    if (visible.isEmpty())
        return;

    painter.setClipRect(clip);
    painter.setPen(QPen(QColor(255, 92, 92, 180), scale));
    const qint64 step = 8 * scale;
    const qint64 start = qint64(r.left()) - r.height();
    // A line starting at x covers x + (bottom - y) on row y, give or take the pen's width.
    const qint64 firstUseful = qint64(visible.left()) - (qint64(r.bottom()) - visible.top()) - scale;
    const qint64 lastUseful = qint64(visible.right()) - (qint64(r.bottom()) - visible.bottom()) + scale;
    qint64 x = start;
    if (firstUseful > x)
        x += (firstUseful - x) / step * step;
    const qint64 end = std::min<qint64>(r.right(), lastUseful + 1);
    for (; x < end; x += step)
        painter.drawLine(int(x), r.bottom(), int(x + r.height()), r.top());
    painter.setClipping(false);
}

int TagPainter::drawBadges(QPainter &painter, const QRect &r, int type, int scale)
{
    const int height = std::clamp(r.height() / 4, 18 * scale, 24 * scale);
    const QVector<Badge> badges = badgesFor(type);
    if (badges.isEmpty())
        return height;
    painter.setFont(boldFont(painter, std::clamp(height - 6 * scale, 10 * scale, 15 * scale)));
    const QFontMetrics metrics = painter.fontMetrics();
    const int maxWidth = r.width() / std::max(1, badges.size());
    int left = r.left() + scale;
    for (const Badge &badge : badges) {
        const QRect box(left, r.top() + scale, std::min(metrics.horizontalAdvance(badge.text) + 14 * scale, maxWidth),
                        height);
        painter.fillRect(box, badge.colour);
        painter.setPen(Qt::white);
        painter.drawText(box, Qt::AlignCenter, badge.text);
        left = box.right() + 1;
    }
    return height;
}

void TagPainter::drawTitle(QPainter &painter, const QRect &r, int badgeHeight, const QString &title, int scale)
{
    const QRect box = r.adjusted(6 * scale, badgeHeight + 4 * scale, -6 * scale, -6 * scale);
    // The title shrinks until its ink fits the box in both directions (Chinese glyphs stand
    // taller than the Latin font's line); at the smallest size it is cut short with an ellipsis.
    int size = std::clamp(r.height() / 2, 12 * scale, 30 * scale);
    for (; size > 11 * scale; --size) {
        const QFontMetrics metrics(boldFont(painter, size));
        // A pixel to spare on each side for the antialiased edge.
        if (metrics.horizontalAdvance(title) + 2 <= box.width()
            && metrics.tightBoundingRect(title).height() + 2 <= box.height())
            break;
    }
    painter.setFont(boldFont(painter, size));
    const QFontMetrics metrics = painter.fontMetrics();
    const QString text = metrics.elidedText(title, Qt::ElideRight, box.width());
    // Centred by its ink, not by the Latin font's line, which the taller glyphs would overrun.
    const QRect ink = metrics.tightBoundingRect(text);
    painter.setPen(Qt::black);
    painter.setClipRect(box);
    painter.drawText(box.center() - ink.center(), text);
    painter.setClipping(false);
}
