#include "ToolbarActionButton.h"

#include <QPainter>
#include <QStyleOptionToolButton>

ToolbarActionButton::ToolbarActionButton(QWidget *parent)
    : QToolButton(parent)
{
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    setIconSize(QSize(28, 28));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void ToolbarActionButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);

    // The style draws only the panel (hover, pressed and checked looks); icon and text are ours.
    QStyleOptionToolButton option;
    initStyleOption(&option);
    option.icon = QIcon();
    option.text.clear();
    style()->drawComplexControl(QStyle::CC_ToolButton, &option, &painter, this);

    const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
    const QIcon::State state = (isChecked() || isDown()) ? QIcon::On : QIcon::Off;
    const QPixmap pixmap = icon().pixmap(iconSize(), mode, state);
    // A high-DPI pixmap is larger in device pixels than on screen.
    const QSize pixmapSize = pixmap.isNull() ? QSize(0, 0) : pixmap.size() / pixmap.devicePixelRatio();

    const QString label = text();
    const int gap = label.isEmpty() ? 0 : 4;
    const int textFlags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;
    QFont textFont = font();
    int textLeft = 6;
    QRect textBox = QFontMetrics(textFont).boundingRect(QRect(textLeft, 0, width() - 2 * textLeft, 1000), textFlags, label);
    // A word longer than the button ("Disconnected") cannot wrap: it may use the side margins,
    // and the font shrinks until it fits instead of being cut at the button's edges.
    if (textBox.width() > width() - 2 * textLeft) {
        textLeft = 2;
        while (textFont.pointSizeF() > 6.0) {
            textBox = QFontMetrics(textFont).boundingRect(QRect(textLeft, 0, width() - 2 * textLeft, 1000), textFlags, label);
            if (textBox.width() <= width() - 2 * textLeft)
                break;
            textFont.setPointSizeF(textFont.pointSizeF() - 0.5);
        }
    }
    const int textHeight = label.isEmpty() ? 0 : textBox.height();

    const int iconHeight = qMax(iconSize().height(), pixmapSize.height());
    const int top = qMax(6, (height() - (iconHeight + textHeight + gap)) / 2);
    if (!pixmap.isNull())
        painter.drawPixmap((width() - pixmapSize.width()) / 2, top, pixmap);

    const QPalette::ColorGroup group = isEnabled() ? QPalette::Normal : QPalette::Disabled;
    painter.setPen(palette().color(group, QPalette::ButtonText));
    painter.setFont(textFont);
    painter.drawText(QRect(textLeft, top + iconHeight + gap, width() - 2 * textLeft, textHeight), textFlags, label);
}
