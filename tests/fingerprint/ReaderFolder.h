#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QStringList>

// The simulated reader of this test's simulator folder, and the live-scan libraries beside the
// test program, where the program looks for them.
class ReaderFolder
{
public:
    static QString iniPath() { return QString::fromLocal8Bit(qgetenv("INKWARDEN_DEVSIM")) + "/fingerprint.ini"; }
    static QString filePath(const QString &name)
    {
        return QString::fromLocal8Bit(qgetenv("INKWARDEN_DEVSIM")) + '/' + name;
    }

    // Replaced in one step, so a reader thread never sees half a file.
    static bool writeIni(const QByteArray &text)
    {
        QSaveFile file(iniPath());
        return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit();
    }

    static QStringList libraries() { return {"libID_FprCap.so", "libID_Fpr.so"}; }

    static bool linkLibraries()
    {
        unlinkLibraries();
        for (const QString &name : libraries())
            if (!QFile::link(QStringLiteral(READERS_DIR "/") + name, besideProgram(name)))
                return false;
        return true;
    }

    static void unlinkLibraries()
    {
        for (const QString &name : libraries())
            QFile::remove(besideProgram(name));
    }

private:
    static QString besideProgram(const QString &name)
    {
        return QCoreApplication::applicationDirPath() + '/' + name;
    }
};
