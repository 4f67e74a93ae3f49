#pragma once

#include "PaintBoardOptions.h"

#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QSharedPointer>
#include <QWidget>

class ConfigManager;
class DeviceController;
class PaintBoard;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The hidden page between the device hub and the writing board: it owns the board's options,
// opens, replaces and closes the board on the hub's requests, keeps the last signature and
// renders it on request. Its form mirrors the options for a configuration page.
class SignPage : public QWidget
{
    Q_OBJECT

public:
    SignPage(const QSharedPointer<ConfigManager> &config, QWidget *parent = nullptr);
    ~SignPage() override;

    PaintBoardOptionsPtr options() const { return m_options; }

public slots:
    void handleDeviceStatusChanged(QString deviceName, int deviceStatus);
    void onOpenPaintBoard();
    void onOpenPaintBoardCustom(int width, int height);
    void onOpenPaintBoardFromPdf(QString title);
    void onSetPenSize(int min, int max);
    void onSetPenColor(int r, int g, int b);
    void onSetBorderColor(int r, int g, int b);
    void onSetBKColor(int r, int g, int b, int a);
    void onSaveSignToFile(QString path, int w, int h, int transparent);
    void onGetSignBase64(int cid, int iid, int w, int h, int transparent);
    void onSetPaintBoardTitle(QString title);
    void saveHistoryPixmap(QPixmap pixmap);
    void onSaveSignImage(QImage img);

private:
    void setupForm();
    void connectForm();
    void loadSignConfig();
    void applySizePreset();
    void showPaintBoard(bool fromPdf);
    void recreatePaintBoard(bool fromPdf);
    void createPaintBoard(bool fromPdf);
    void closePaintBoard();
    void restyleBoard();
    // An ARGB canvas of w x h (0: the board's size), filled with the background only when
    // transparent is 0.
    QImage renderCanvas(int w, int h, int transparent) const;

    QSharedPointer<ConfigManager> m_config;
    QSharedPointer<DeviceController> m_hub;
    PaintBoardOptionsPtr m_options;
    // Null as soon as the board is destroyed, so a board going late never takes a newer one's
    // place with it.
    QPointer<PaintBoard> m_board;
    bool m_replacing = false;
    QPixmap m_storedPixmap;
    QImage m_storedSignImg;

    QPushButton *testBtn = nullptr;
    QLabel *devNameText = nullptr;
    QLabel *devStatusText = nullptr;
    QLineEdit *titleEdit = nullptr;
    QCheckBox *titleHiddenCheck = nullptr;
    QComboBox *styleCombo = nullptr;
    QCheckBox *hideOperCheck = nullptr;
    QComboBox *sizeCombo = nullptr;
    QCheckBox *autoCropCheck = nullptr;
};
