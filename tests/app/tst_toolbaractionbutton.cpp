#include "ToolbarActionButton.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QtTest>

namespace {

QPixmap filled(const QColor &color)
{
    QPixmap pixmap(28, 28);
    pixmap.fill(color);
    return pixmap;
}

// Rows of the grabbed button that hold the icon's colour in its middle column.
QPair<int, int> iconRows(const QImage &image, const QColor &color)
{
    int first = -1;
    int last = -1;
    for (int y = 0; y < image.height(); ++y) {
        if (image.pixelColor(image.width() / 2, y) == color) {
            if (first < 0)
                first = y;
            last = y;
        }
    }
    return {first, last};
}

// Text is antialiased: a pixel counts as drawn in a colour when it leans clearly towards it
// from the white background.
bool near(const QColor &pixel, const QColor &color)
{
    return qAbs(pixel.red() - color.red()) < 100 && qAbs(pixel.green() - color.green()) < 100
        && qAbs(pixel.blue() - color.blue()) < 100 && pixel != Qt::white;
}

bool columnHas(const QImage &image, int x, const QColor &color)
{
    for (int y = 0; y < image.height(); ++y)
        if (near(image.pixelColor(x, y), color))
            return true;
    return false;
}

} // namespace

class ToolbarActionButtonTest : public QObject
{
    Q_OBJECT

private:
    const QColor off = QColor(255, 0, 0);
    const QColor on = QColor(0, 255, 0);
    const QColor disabled = QColor(0, 0, 255);
    const QColor ink = QColor(255, 0, 255);

    void setUp(ToolbarActionButton &button)
    {
        QIcon icon;
        icon.addPixmap(filled(off), QIcon::Normal, QIcon::Off);
        icon.addPixmap(filled(on), QIcon::Normal, QIcon::On);
        icon.addPixmap(filled(disabled), QIcon::Disabled, QIcon::Off);
        button.setIcon(icon);
        button.setFixedSize(72, 68);
        button.setAutoRaise(true);
        button.setStyleSheet(QStringLiteral("QToolButton { background: white; border: none; padding: 0; }"));
        QPalette palette = button.palette();
        palette.setColor(QPalette::Normal, QPalette::ButtonText, ink);
        palette.setColor(QPalette::Inactive, QPalette::ButtonText, ink);
        palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0, 128, 128));
        button.setPalette(palette);
    }

private slots:
    void iconWithoutTextIsCentred()
    {
        ToolbarActionButton button;
        setUp(button);
        const QImage image = button.grab().toImage();
        // (68 - 28) / 2: no gap is kept for a missing text.
        QCOMPARE(iconRows(image, off), qMakePair(20, 47));
    }

    void iconSitsAboveItsText()
    {
        ToolbarActionButton button;
        setUp(button);
        button.setText(QStringLiteral("Open"));
        const QImage image = button.grab().toImage();
        const int textHeight = QFontMetrics(button.font()).height();
        const int top = qMax(6, (68 - (28 + textHeight + 4)) / 2);
        QCOMPARE(iconRows(image, off), qMakePair(top, top + 27));
        bool inkBelow = false;
        for (int y = top + 28; y < image.height() && !inkBelow; ++y)
            for (int x = 0; x < image.width() && !inkBelow; ++x)
                inkBelow = near(image.pixelColor(x, y), ink);
        QVERIFY(inkBelow);
    }

    void iconFollowsCheckedAndEnabled()
    {
        ToolbarActionButton button;
        setUp(button);
        button.setCheckable(true);
        button.setChecked(true);
        QVERIFY(iconRows(button.grab().toImage(), on).first >= 0);
        button.setChecked(false);
        QVERIFY(iconRows(button.grab().toImage(), off).first >= 0);
        button.setText(QStringLiteral("Save"));
        button.setEnabled(false);
        const QImage image = button.grab().toImage();
        QVERIFY(iconRows(image, disabled).first >= 0);
        bool disabledInk = false;
        for (int x = 0; x < image.width(); ++x)
            disabledInk = disabledInk || columnHas(image, x, QColor(0, 128, 128));
        QVERIFY(disabledInk);
    }

    void longWordStaysInsideTheButton()
    {
        ToolbarActionButton button;
        setUp(button);
        QFont font = button.font();
        font.setPointSize(12);
        button.setFont(font);
        const QString word = QStringLiteral("Disconnected");
        QVERIFY(QFontMetrics(font).horizontalAdvance(word) > 72);
        button.setText(word);
        const QImage image = button.grab().toImage();
        int left = -1;
        int right = -1;
        for (int x = 0; x < image.width(); ++x) {
            if (columnHas(image, x, ink)) {
                if (left < 0)
                    left = x;
                right = x;
            }
        }
        QVERIFY(right - left > 30);
        // Cut off, the word would fill the text box (6 pixels in from each side) edge to edge.
        const int boxRight = image.width() - 7;
        const bool cut = left >= 6 && left <= 7 && right <= boxRight && right >= boxRight - 1;
        QVERIFY2(!cut, qPrintable(QStringLiteral("ink from %1 to %2").arg(left).arg(right)));
        QVERIFY(left >= 1 && right <= image.width() - 2);
    }
};

QTEST_MAIN(ToolbarActionButtonTest)
#include "tst_toolbaractionbutton.moc"
