#include "MainWindowStyle.h"

#include <QStyle>
#include <QWidget>

QString mainWindowStyleSheet()
{
    return QStringLiteral(
        "#topFrame { background-color: #f2f2f2; border: none; }"
        "QToolButton[fileAction=\"true\"] { background-color: transparent; border: none; padding: 0; }"
        "QToolButton[fileAction=\"true\"]:hover { background-color: #d8d8d8; }"
        "QToolButton[fileAction=\"true\"]:pressed { background-color: #cccccc; }"
        "#langFrame { background-color: #f3f3f3; border: 1px solid #d9d9d9; border-radius: 4px; }"
        "QPushButton[langOption=\"true\"] { background-color: #ffffff; border: 1px solid #cfcfcf;"
        " border-radius: 3px; padding: 0 6px; }"
        "QPushButton[langOption=\"true\"]:hover { background-color: #f4f4f4; }"
        "QLabel { background: transparent; }"
        "#widthFrame, #colorFrame { background-color: #f3f3f3; border: 1px solid #d9d9d9; border-radius: 4px; }"
        "QToolButton[penWidthOption=\"true\"] { background-color: transparent; border: 1px solid transparent;"
        " border-radius: 3px; padding: 0; }"
        "QToolButton[penWidthOption=\"true\"]:hover { background-color: #e5e5e5; }"
        "QToolButton[penWidthOption=\"true\"]:checked { background-color: #ececec; border-color: #cfcfcf; }"
        "QToolButton[penColorOption=\"true\"] { border: 1px solid #d4d4d4; border-radius: 0; padding: 0; }"
        "QToolButton[tagNav=\"true\"], QPushButton[tagNav=\"true\"] { background-color: #ffffff;"
        " border: 1px solid #cfcfcf; border-radius: 7px; padding: 0; font-size: 10px; }"
        "QLabel#tagPositionLabel { min-width: 28px; }"
        "QStackedWidget { background-color: #ebebeb; }"
        "#placeholderCard { background-color: #ffffff; }"
        "#placeholderLeftPanel { border-right: 1px solid #ededed; }"
        "#placeholderCloseBtn { background: transparent; border: none; padding: 0; }"
        "#placeholderCloseBtn:hover { background-color: rgba(0, 0, 0, 18); }"
        "#openPdfEmptyBtn { background-color: #4aa6f4; color: #ffffff; border: none; border-radius: 4px;"
        " padding: 0 18px; font-size: 22px; font-weight: 700; }"
        "#openPdfEmptyBtn:hover { background-color: #5bb0f7; }"
        "#openPdfEmptyBtn:pressed { background-color: #3d95df; }"
        "#bottomFrame { background-color: rgba(172, 172, 172, 208); border: none; border-radius: 0; }"
        "QPushButton[bottomAction=\"normal\"], QPushButton[bottomAction=\"cancel\"] { padding: 6px;"
        " font-size: 16pt; font-weight: 700; border: 2px solid transparent; border-radius: 0; margin: 4px; }"
        "QPushButton[bottomAction=\"normal\"] { background-color: #fafafa; color: #2b2b2b; border-color: #cfcfcf; }"
        "QPushButton[bottomAction=\"normal\"]:hover { background-color: #ffe699; color: #111111;"
        " border-color: #d7a600; }"
        "QPushButton[bottomAction=\"normal\"]:pressed { background-color: #f4c542; color: #111111;"
        " border-color: #b88600; }"
        "QPushButton[bottomAction=\"normal\"]:disabled { background-color: #c9c9c9; color: #7e7e7e;"
        " border-color: #aaaaaa; }"
        "QPushButton[bottomAction=\"cancel\"] { background-color: #f2f2f2; color: #666666; border-color: #c7c7c7; }"
        "QPushButton[bottomAction=\"cancel\"]:hover { background-color: #ffd6d6; color: #3a2020;"
        " border-color: #d28a8a; }"
        "QPushButton[bottomAction=\"cancel\"]:pressed { background-color: #f0b0b0; color: #2f1a1a;"
        " border-color: #b96f6f; }"
        "QPushButton[bottomAction=\"cancel\"]:disabled { background-color: #cdcdcd; color: #8a8a8a;"
        " border-color: #b2b2b2; }"
        "QSpinBox#bottomPageSpin, QLabel#bottomTotalPageLabel { background-color: #f7f7f7; color: #202020;"
        " border: 2px solid #d0d0d0; padding: 0; margin: 4px 0; font-size: 16pt; font-weight: 700;"
        " border-radius: 0; }"
        "QSpinBox#bottomPageSpin:disabled, QLabel#bottomTotalPageLabel[documentOpen=\"false\"] {"
        " background-color: #d2d2d2; color: #6f6f6f; border-color: #b5b5b5; }"
        "QLabel#bottomPageSeparatorLabel { background-color: transparent; color: #f5f5f5; border: none;"
        " padding: 0; margin: 4px 0; font-size: 16pt; font-weight: 700; }"
        "QToolButton { padding: 2px; }");
}

QString penColorSwatchStyle(const QString &colorName)
{
    return QStringLiteral("background-color:%1; border:1px solid #1a1a1a;").arg(colorName);
}

QString penColorButtonStyle(const QString &colorName, bool selected)
{
    return QStringLiteral("QToolButton { background:%1; border:%2; border-radius:0px; }"
                          "QToolButton:hover { border:1px solid #8a8a8a; }")
        .arg(colorName, selected ? QStringLiteral("2px solid #202124") : QStringLiteral("1px solid #d4d4d4"));
}

QString penWidthIcon(int index)
{
    static const char *const icons[] = {
        ":/new/pic/resource/line_thin.png",
        ":/new/pic/resource/line_medium.png",
        ":/new/pic/resource/line_big.png",
    };
    return QString::fromLatin1(icons[qBound(0, index, 2)]);
}

void repolish(QWidget *widget)
{
    widget->style()->unpolish(widget);
    widget->style()->polish(widget);
    widget->update();
}
