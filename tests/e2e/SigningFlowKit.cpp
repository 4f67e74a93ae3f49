#include "SigningFlowKit.h"

#include "LanguageManager.h"
#include "PdfSignCoreWidget.h"
#include "sim/SimTrace.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QX11Info>
#include <QtTest>

#include <atomic>
#include <cmath>
#include <thread>

#include <X11/Xlib.h>

namespace SigningFlowKit {

PdfSignTag tag(int page, int type, QRect box)
{
    PdfSignTag t;
    t.page = page;
    t.x = box.x();
    t.y = box.y();
    t.w = box.width();
    t.h = box.height();
    t.setType(type);
    return t;
}

PdfSignCoreWidget *editor(MainWindow &window)
{
    return window.findChild<PdfSignCoreWidget *>();
}

QWidget *visibleWindow(const char *className)
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->inherits(className))
            return widget;
    return nullptr;
}

QWidget *board()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->windowTitle() == QLatin1String("PaintBoard"))
            return widget;
    return nullptr;
}

QPushButton *button(QWidget *window, const char *key)
{
    const QString text = translated(key);
    for (QPushButton *candidate : window->findChildren<QPushButton *>())
        if (candidate->text() == text && candidate->isVisible())
            return candidate;
    return nullptr;
}

bool onTop(QWidget *window)
{
    Display *display = QX11Info::display();
    const Window root = DefaultRootWindow(display);
    Window own = window->winId(), parent = 0, unused = 0, *children = nullptr;
    unsigned int count = 0;
    // The root's child that holds the window: itself, or a window manager's frame.
    while (XQueryTree(display, own, &unused, &parent, &children, &count)) {
        if (children)
            XFree(children);
        if (parent == root)
            break;
        own = parent;
    }
    if (parent != root || !XQueryTree(display, root, &unused, &parent, &children, &count))
        return false;
    bool top = false;
    for (unsigned int i = count; i-- > 0;) {   // topmost first
        XWindowAttributes seen;
        if (!XGetWindowAttributes(display, children[i], &seen) || seen.map_state != IsViewable
            || !QRect(seen.x, seen.y, seen.width, seen.height).intersects(window->frameGeometry()))
            continue;
        top = children[i] == own;
        break;
    }
    if (children)
        XFree(children);
    return top;
}

bool showsInk(QWidget *widget)
{
    QScreen *screen = widget->screen();
    const QImage shot = screen->grabWindow(0).toImage();
    // Inside the canvas border.
    const QRect area = QRect(widget->mapToGlobal(QPoint(0, 0)) - screen->geometry().topLeft(), widget->size()).adjusted(4, 4, -4, -4);
    for (int y = area.top(); y <= area.bottom(); y += 2)
        for (int x = area.left(); x <= area.right(); x += 2)
            if (shot.valid(x, y) && qGray(shot.pixel(x, y)) < 80)
                return true;
    return false;
}

platform::SimBytes penReport(int inputLength, uint8_t status, int x, int y, int pressure)
{
    platform::SimBytes report{0x02, 0x41, status};
    const int width = inputLength == 13 ? 3 : 2;
    for (int value : {x, y})
        for (int i = 0; i < width; ++i)
            report.push_back(uint8_t(value >> (8 * i)));
    report.push_back(uint8_t(pressure));
    report.push_back(uint8_t(pressure >> 8));
    report.resize(size_t(inputLength), 0);
    return report;
}

platform::SimBytes keyReport(int key)
{
    return {0x02, 0x42, 0x01, 0x01, uint8_t(1 << (key - 1)), 0x00};
}

void play(platform::DevSim &sim, int device, const platform::SimTrace &trace)
{
    std::atomic<bool> done{false};
    std::thread player([&] {
        sim.play(device, trace);
        done = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(done, 30000);
    player.join();
    QTest::qWait(100);   // the last packets cross to the main thread
}

platform::SimTrace stroke(int inputLength, QRect area, int maxPressure)
{
    platform::SimTrace trace;
    const int steps = 120;
    trace.steps.push_back({0, penReport(inputLength, 0xA0, area.left(), area.center().y(), 0)});
    for (int i = 0; i <= steps; ++i) {
        const double t = double(i) / steps;
        const int x = area.left() + int(t * area.width());
        const int y = area.center().y() + int(std::sin(t * 6 * M_PI) * area.height() / 2.5);
        const int pressure = int(maxPressure * (0.3 + 0.6 * std::sin(M_PI * t)));
        trace.steps.push_back({5000, penReport(inputLength, 0xA1, x, y, pressure)});
    }
    trace.steps.push_back({5000, penReport(inputLength, 0xA0, area.right(), area.center().y(), 0)});
    return trace;
}

namespace {

QList<QImage> render(const QString &pdf, const QString &prefix)
{
    QProcess::execute(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("150"), QStringLiteral("-png"), pdf, prefix});
    QList<QImage> pages;
    QDir folder = QFileInfo(prefix).dir();
    QStringList files = folder.entryList({QFileInfo(prefix).fileName() + QStringLiteral("-*.png")}, QDir::Files, QDir::Name);
    for (const QString &file : files)
        pages.append(QImage(folder.filePath(file)).convertToFormat(QImage::Format_RGB32));
    return pages;
}

bool differs(QRgb a, QRgb b)
{
    return qAbs(qRed(a) - qRed(b)) > 60 || qAbs(qGreen(a) - qGreen(b)) > 60 || qAbs(qBlue(a) - qBlue(b)) > 60;
}

} // namespace

QString compareSaved(const QString &original, const QString &saved, const QList<PdfSignTag> &tags,
                     QList<double> *darknessPerTag)
{
    QTemporaryDir scratch;
    const QList<QImage> before = render(original, scratch.filePath(QStringLiteral("before")));
    const QList<QImage> after = render(saved, scratch.filePath(QStringLiteral("after")));
    if (darknessPerTag)
        *darknessPerTag = QVector<double>(tags.size(), 0).toList();
    if (before.isEmpty() || before.size() != after.size())
        return QStringLiteral("page counts differ: %1 and %2").arg(before.size()).arg(after.size());
    for (int page = 0; page < before.size(); ++page) {
        const QImage &a = before.at(page);
        const QImage &b = after.at(page);
        if (a.size() != b.size())
            return QStringLiteral("page %1 changed size").arg(page + 1);
        // Tag boxes are in 300 dpi pixels; the renders are at 150.
        QList<QRect> boxes;
        QList<int> inked;
        QList<double> darkness;
        QList<int> tagOf;
        for (int i = 0; i < tags.size(); ++i)
            if (tags.at(i).page == page + 1) {
                const PdfSignTag &t = tags.at(i);
                boxes.append(QRect(t.x / 2, t.y / 2, t.w / 2, t.h / 2).adjusted(-2, -2, 2, 2));
                inked.append(0);
                darkness.append(0);
                tagOf.append(i);
            }
        for (int y = 0; y < a.height(); ++y) {
            const QRgb *lineA = reinterpret_cast<const QRgb *>(a.constScanLine(y));
            const QRgb *lineB = reinterpret_cast<const QRgb *>(b.constScanLine(y));
            for (int x = 0; x < a.width(); ++x) {
                if (lineA[x] == lineB[x])
                    continue;
                int box = -1;
                for (int i = 0; i < boxes.size() && box < 0; ++i)
                    if (boxes.at(i).contains(x, y))
                        box = i;
                if (box >= 0)
                    darkness[box] += std::max(0, qGray(lineA[x]) - qGray(lineB[x])) / 255.0;
                if (!differs(lineA[x], lineB[x]))
                    continue;
                if (box < 0)
                    return QStringLiteral("page %1 changed outside every tag at %2,%3").arg(page + 1).arg(x).arg(y);
                ++inked[box];
            }
        }
        for (int i = 0; i < inked.size(); ++i) {
            if (inked.at(i) < 30)
                return QStringLiteral("no ink in tag %1 of page %2").arg(i + 1).arg(page + 1);
            if (darknessPerTag)
                (*darknessPerTag)[tagOf.at(i)] = darkness.at(i);
        }
    }
    return QString();
}

QString qpdfCheck(const QString &path)
{
    QProcess qpdf;
    qpdf.start(QStringLiteral("qpdf"), {QStringLiteral("--check"), path});
    qpdf.waitForFinished(60000);
    if (qpdf.exitStatus() == QProcess::NormalExit && qpdf.exitCode() == 0)
        return QString();
    return QString::fromLocal8Bit(qpdf.readAllStandardOutput() + qpdf.readAllStandardError());
}

} // namespace SigningFlowKit
