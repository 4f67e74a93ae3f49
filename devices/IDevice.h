#pragma once

#include "TabrixPen.h"

#include <QImage>
#include <QMetaType>
#include <QObject>
#include <QString>

// One signature device as the program sees it: discovery and the device hub talk to every
// device through this interface and never depend on a concrete one.
class IDevice : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual bool checkDevice() = 0;
    virtual int open() = 0;
    virtual void close() = 0;
    virtual QString deviceName() = 0;
    virtual QString serialNumber() = 0;
    virtual int tabletWidth() = 0;
    virtual int tabletHeight() = 0;
    virtual int maxPressure() = 0;
    virtual int startSignature(const int &width, const int &height) = 0;
    virtual int endSignature() = 0;
    virtual int clearSignature() = 0;
    virtual int setPenSize(const int &min, const int &max) = 0;
    virtual int setPenColor(const int &r, const int &g, const int &b) = 0;
    virtual int activateMouse(const bool &activate) = 0;
    virtual bool isScreenDevice() = 0;
    // Asked on a USB removal, before checkDevice: false when the device this adapter opened is
    // no longer attached, even if another of its kind (or the same one plugged back) is there.
    // An adapter that cannot tell answers true.
    virtual bool isOpenDevicePresent() { return true; }

signals:
    void cancelBtnClicked();
    void clearBtnClicked();
    void okBtnClicked();
    void signPicAvailable(QImage img);
    void receivedPenPacket(TABLET_PACKET packet);
};

Q_DECLARE_METATYPE(TABLET_PACKET)
Q_DECLARE_METATYPE(IDevice *)

// The types that device signals carry across threads; registered before the device thread
// starts, so its first queued announcement is never dropped.
void registerDeviceMetaTypes();
