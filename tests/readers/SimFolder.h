#pragma once

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <QtGlobal>

// A device simulator folder for the length of one test: INKWARDEN_DEVSIM points at it while the
// object lives, and fingerprint.ini holds what the test writes.
class SimFolder
{
public:
    SimFolder() { qputenv("INKWARDEN_DEVSIM", m_dir.path().toLocal8Bit()); }
    ~SimFolder() { qunsetenv("INKWARDEN_DEVSIM"); }
    SimFolder(const SimFolder &) = delete;
    SimFolder &operator=(const SimFolder &) = delete;

    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    void writeIni(const QByteArray &text)
    {
        QFile file(m_dir.filePath("fingerprint.ini"));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(text);
    }

private:
    QTemporaryDir m_dir;
};
