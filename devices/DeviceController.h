#pragma once

#include "IDevice.h"

#include <QColor>
#include <QJsonObject>
#include <QPixmap>
#include <QPointer>
#include <QSharedPointer>

#include <optional>

class DeviceManager;

// The one device hub of the program: keeps the current device, reports its status, relays its
// keys, pen packets and pictures, and carries the windows' requests to it. The windows never
// hold a device; they ask the hub. It is also the signal board between the signing windows.
class DeviceController : public QObject
{
    Q_OBJECT

public:
    // Created by the first call and never destroyed: the device thread and the adapters live
    // until the process ends.
    static QSharedPointer<DeviceController> instance();

    void startSignature(bool fromPdf, const QString &title);
    void endSignature();
    void clearSignature();
    int setPenColor(const int &r, const int &g, const int &b);
    int setPenSize(const int &min, const int &max);
    void setSignWindowSize(const int &width, const int &height);

    // The current device's name, and whether there is one.
    QString deviceName() const;
    bool hasDevice() const;
    // While a signature is open these, like clearSignature, go to the device it runs on (the
    // board was built for it), else to the current device.
    int deviceType() const;
    int tabletWidth() const;
    int tabletHeight() const;
    int maxPressure() const;
    bool isScreenDevice() const;

    // At application exit: ends the device thread and the pad's picture polling before the
    // device libraries unload. No device is closed.
    void shutdown();

signals:
    void statusChanged(QJsonObject event);
    void deviceStatusChanged(QString deviceName, int deviceStatus);
    void penPacketReceived(TABLET_PACKET packet);
    void keyPacketReceived(TABLET_PACKET packet);
    void openPaintBoard();
    void openPaintBoardFromPdf(QString title);
    void closePaintBoard();
    void clearPaintBoard();
    void setPenSizeSignal(int min, int max);
    void setPenColorSignal(int r, int g, int b);
    void signPicAvailable(QImage img);
    void setBorderColor(int r, int g, int b);
    void setBKColor(int r, int g, int b, int a);
    void saveSignToFile(QString path, int w, int h, int transparent);
    void getSignBase64(int cid, int iid, int w, int h, int transparent);
    void sendImgBase64String(int cid, int iid, QString base64String);
    void moveSignWindow(int x, int y);
    void resizePaintBoard(int w, int h);
    void setPaintBoardTitle(QString title);
    void signCancel();
    void signClear();
    void signConfirm(QString base64String);
    void pdfSignCompleted(QString base64String);
    void cancelBtnClicked();
    void clearBtnClicked();
    void okBtnClicked();
    void saveSignImage(QImage img);
    void saveHistoryPixmap(QPixmap pixmap);
    void commonBeginEvaluate(QString name, QString id, QString position, QString photo);
    void commonEndEvaluate();
    void evaluationCancel();
    void evaluationConfirm(int score);

private slots:
    void onDeviceConnected(IDevice *device);
    void onDeviceDisconnected(IDevice *device);
    void onCancelBtnClicked();
    void onClearBtnClicked();
    void onOkBtnClicked();
    void onSignPicAvailable(QImage img);
    void handlePenPacket(TABLET_PACKET packet);

private:
    DeviceController();

    static QJsonObject statusEvent(int status);
    static QString identityOf(IDevice *device);
    static int typeOf(IDevice *device);
    void becomeCurrent(IDevice *device, bool openAgain);
    // A device is current while a board is open: the signature goes on with it once the
    // signature's own device came back or went.
    void carryOnSignature(IDevice *device);
    // The device an open signature runs on while it is there, else the current one: a device
    // plugged in meanwhile is current, but the board's calls belong to the signature's.
    IDevice *signingDevice() const;

    DeviceManager *m_deviceManager;
    IDevice *m_currentDevice = nullptr;
    // Every connected device, the one connected last at the end: it serves when the current goes.
    QList<IDevice *> m_connected;
    // The signature whose board is open: how it was asked for, and the device it runs on with
    // that device's name and serial (the tablet adapter may come back serving another tablet).
    struct OpenSignature {
        bool fromPdf = false;
        QString title;
        QPointer<IDevice> device;
        QString identity;
        bool deviceGone = false; // disconnected since the start
    };
    std::optional<OpenSignature> m_openSignature;
    // The operator's last pen choice, handed to each device that becomes current: the pad keeps
    // its own pen otherwise, whatever was chosen before it was connected.
    std::optional<QPair<int, int>> m_penSize;
    std::optional<QColor> m_penColor;
    int m_signWidth = 0;
    int m_signHeight = 0;
};
