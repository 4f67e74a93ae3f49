#pragma once

#include <QByteArray>
#include <QSaveFile>
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

    // Replaced in one step, so a reader on another thread never sees half a file.
    bool writeIni(const QByteArray &text)
    {
        QSaveFile file(m_dir.filePath("fingerprint.ini"));
        return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit();
    }

private:
    QTemporaryDir m_dir;
};
