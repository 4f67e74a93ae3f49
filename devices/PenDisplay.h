#pragma once

#include <QPoint>
#include <QRect>

class QScreen;
class QWidget;

// The signer's windows on a pen display take the pen as their pointer.

// The screen for a signer's window: with a pen display, the first screen that is not the main
// window's; otherwise the main window's.
QScreen *targetScreen(bool screenDevice);

// One pen position and pen status (TABLET_PACKET status) handed to a push button: hover look on
// pen down inside, a left click on pen up inside, a leave outside. rect and point are in pixels
// of the pen display's screen.
void clickAt(QWidget *button, const QRect &rect, const QPoint &point, int status);

// Whether the pen point (global pixels) lies over button's own top-level window, so that a tap
// never presses a button hidden under another window of ours.
bool penReaches(QWidget *button, const QPoint &globalPoint);

// Called from a signer's dialog's show event: keeps the dialog above the window it was opened
// from (the active one, else our visible stay-on-top window) and raises and activates it once
// shown. A window manager otherwise may stack a new window below the focused full-screen one.
void stayAboveOpener(QWidget *dialog);
