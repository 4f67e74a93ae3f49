#include "PenDisplay.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <QtDebug>

namespace {

QScreen *mainScreen()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (!qobject_cast<QMainWindow *>(widget))
            continue;
        if (QWindow *window = widget->windowHandle())
            if (window->screen())
                return window->screen();
        break;
    }
    if (QWidget *active = QApplication::activeWindow())
        if (active->windowHandle() && active->windowHandle()->screen())
            return active->windowHandle()->screen();
    return QGuiApplication::primaryScreen();
}

} // namespace

QScreen *targetScreen(bool screenDevice)
{
    QScreen *main = mainScreen();
    qDebug() << "Is screenDevice?" << screenDevice;
    if (screenDevice) {
        for (QScreen *screen : QGuiApplication::screens()) {
            if (screen != main) {
                qDebug() << "This is screenDevice";
                return screen;
            }
        }
    }
    return main;
}

void clickAt(QWidget *button, const QRect &rect, const QPoint &point, int status)
{
    if (!rect.contains(point)) {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(button, &leave);
        button->update();
        return;
    }
    if (status == 1) {
        QEnterEvent enter(QPointF(button->rect().center()), QPointF(button->mapToGlobal(button->rect().center())),
                          QPointF(button->mapToGlobal(button->rect().center())));
        QApplication::sendEvent(button, &enter);
        button->update();
    } else if (status == 3) {
        const QPointF local(button->rect().center());
        const QPointF global(button->mapToGlobal(button->rect().center()));
        QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(button, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(button, &release);
    }
}

bool penReaches(QWidget *button, const QPoint &globalPoint)
{
    QWidget *under = QApplication::topLevelAt(globalPoint);
    return under && under == button->window();
}

void stayAboveOpener(QWidget *dialog)
{
    QWidget *opener = QApplication::activeWindow();
    if (!opener || opener == dialog) {
        // Focus may have left with the window this one replaces.
        opener = nullptr;
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (widget != dialog && widget->isVisible() && widget->windowType() == Qt::Window
                && widget->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
                opener = widget;
        if (!opener && dialog->parentWidget())
            opener = dialog->parentWidget()->window();
    }
    if (opener && opener != dialog && opener->windowHandle() && dialog->windowHandle())
        dialog->windowHandle()->setTransientParent(opener->windowHandle());
    QTimer::singleShot(0, dialog, [dialog] {
        dialog->raise();
        dialog->activateWindow();
    });
}
