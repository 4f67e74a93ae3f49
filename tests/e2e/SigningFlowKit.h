#pragma once

#include "MainWindow.h"
#include "PdfSignData.h"
#include "sim/DevSim.h"

#include <QImage>
#include <QList>
#include <QString>

class PdfSignCoreWidget;
class QPushButton;

// What the end-to-end runs share: the windows as a signer finds them, the simulated devices'
// reports, and the check of a saved document against its original.
namespace SigningFlowKit {

PdfSignTag tag(int page, int type, QRect box);

PdfSignCoreWidget *editor(MainWindow &window);
// The visible top-level window of that class (or with that title), or null.
QWidget *visibleWindow(const char *className);
QWidget *board();
// The push button of window whose text is the translation of key.
QPushButton *button(QWidget *window, const char *key);

// Whether window is the topmost of the windows on the X server that overlap it (a window
// manager's frame counting as its client's).
bool onTop(QWidget *window);
// Whether the screen, as the signer sees it, shows dark ink inside widget.
bool showsInk(QWidget *widget);

// Tablet reports (9-byte or 13-byte input reports).
platform::SimBytes penReport(int inputLength, uint8_t status, int x, int y, int pressure);
platform::SimBytes keyReport(int key);   // 1 cancel, 2 clear, 3 ok: pressed
// Plays reports on another thread with their delays while the event loop runs.
void play(platform::DevSim &sim, int device, const platform::SimTrace &trace);
// A stroke with rising and falling pressure across the given tablet rectangle.
platform::SimTrace stroke(int inputLength, QRect area, int maxPressure);

// Renders both files at 150 dpi with pdftoppm and compares page by page: every differing pixel
// lies inside a tag box, and every box that should hold ink holds some. Empty when so, else
// what is wrong. darknessPerTag, when given, receives each tag's integrated darkness: the sum over
// its box of how much darker each pixel became (0 unchanged, 1 white turned black).
QString compareSaved(const QString &original, const QString &saved, const QList<PdfSignTag> &tags,
                     QList<double> *darknessPerTag = nullptr);
// qpdf --check; empty when the file passes.
QString qpdfCheck(const QString &path);

} // namespace SigningFlowKit
