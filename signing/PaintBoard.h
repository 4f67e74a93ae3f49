#pragma once

#include "PaintBoardOptions.h"

#include "IDevice.h"

#include <QDialog>
#include <QPointer>
#include <QSharedPointer>

class DeviceController;
class DrawLabel;
class QLabel;
class QPushButton;
class QScreen;

// The window a signature is written in: an optional title, the canvas and an optional bar of
// cancel, clear and ok. Device keys and the buttons act alike; on a pen display the pen taps
// the buttons. Its title "PaintBoard" is how the signature pad finds its native window.
class PaintBoard : public QDialog
{
    Q_OBJECT

public:
    PaintBoard(const PaintBoardOptionsPtr &options, bool fromPdf, QWidget *parent = nullptr);
    ~PaintBoard() override;

    void applyBoardStyle();
    void retranslateUi();

    DrawLabel *canvas() const { return drawLabel; }

public slots:
    void onClearPaintBoard();
    void onMoveSignWindow(int x, int y);
    void onCancelBtnClicked();
    void onClearBtnClicked();
    void onOKBtnClicked();
    void handlePenPacket(TABLET_PACKET packet);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QScreen *boardScreen() const;
    QPushButton *makeButton(const char *styleType);

    PaintBoardOptionsPtr options;
    QSharedPointer<DeviceController> hub;
    bool fromPdf;
    // Set by the first ok or cancel: a key and a tap together, or a key still queued while
    // the board closes, must not hand on a second result.
    bool finished = false;
    QPointer<DrawLabel> drawLabel;
    QWidget *layoutContainer = nullptr;
    QLabel *titleLabel = nullptr;
    // Says why an ok on a board without ink was refused; hidden until then.
    QLabel *noticeLabel = nullptr;
    QWidget *bottomWidget = nullptr;
    QPushButton *cancelBtn = nullptr;
    QPushButton *clearBtn = nullptr;
    QPushButton *okBtn = nullptr;
    bool dragging = false;
    QPoint dragPoint;
    float penScaleX = 0;
    float penScaleY = 0;
    // Top-left of the pen display's screen, in the desktop's coordinates.
    QPoint penScreenOrigin;
};
