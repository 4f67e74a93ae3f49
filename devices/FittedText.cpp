#include "FittedText.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

namespace {

// Width of the box that holds a control's text, inside its margin, border and padding.
int textWidth(QWidget *control)
{
    if (auto *button = qobject_cast<QPushButton *>(control)) {
        QStyleOptionButton option;
        option.initFrom(button);
        return button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
    }
    return control->contentsRect().width();
}

} // namespace

void setFittedText(QWidget *control, const QString &text, const QString &sheet)
{
    constexpr int SmallestPointSize = 6;
    if (auto *button = qobject_cast<QPushButton *>(control))
        button->setText(text);
    else
        static_cast<QLabel *>(control)->setText(text);
    if (control->styleSheet() != sheet)
        control->setStyleSheet(sheet);
    control->ensurePolished();
    QFont font = control->font();
    const int available = textWidth(control);
    while (font.pointSize() > SmallestPointSize && QFontMetrics(font).horizontalAdvance(text) > available)
        font.setPointSize(font.pointSize() - 1);
    if (font.pointSize() != control->font().pointSize())
        control->setStyleSheet(sheet + QStringLiteral("font-size: %1pt;").arg(font.pointSize()));
}
