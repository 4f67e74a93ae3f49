#pragma once

#include "IDevice.h"

#include <QStringList>

#include <atomic>

// A device whose presence the test sets; it writes down what was asked of it.
class FakeDevice : public IDevice
{
    Q_OBJECT

public:
    explicit FakeDevice(const QString &name, QStringList *journal, QObject *parent = nullptr)
        : IDevice(parent), m_name(name), m_journal(journal)
    {
        setObjectName(name);
    }

    std::atomic<bool> present{false};
    // False: what is present is another device of its kind, not the one opened.
    std::atomic<bool> openPresent{true};
    int openResult = 1;
    std::atomic<bool> screen{false};

    bool checkDevice() override { note("check"); return present; }
    int open() override { note("open"); return openResult; }
    void close() override { note("close"); }
    QString deviceName() override { return m_name; }
    QString serialNumber() override { return QString(); }
    int tabletWidth() override { return 0; }
    int tabletHeight() override { return 0; }
    int maxPressure() override { return 0; }
    int startSignature(const int &, const int &) override { note("start"); return 1; }
    int endSignature() override { note("end"); return 1; }
    int clearSignature() override { note("clear"); return 1; }
    int setPenSize(const int &, const int &max) override { note(qPrintable(QStringLiteral("size %1").arg(max))); return 7; }
    int setPenColor(const int &, const int &, const int &) override { note("colour"); return 7; }
    int activateMouse(const bool &) override { return 1; }
    bool isScreenDevice() override { return screen; }
    bool isOpenDevicePresent() override { return openPresent; }

private:
    void note(const char *what) { m_journal->append(m_name + QLatin1Char(' ') + QLatin1String(what)); }

    QString m_name;
    QStringList *m_journal;
};
