// The library as its callers load it: exports, load-time settings file and log, pen settings.

#include "FileBytes.h"
#include "LibraryCopy.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

namespace {

const char* const SettingsName = "RZK_PadsafeConf.INI";

QByteArray gbk(const QString& text)
{
    return QTextCodec::codecForName("GBK")->fromUnicode(text);
}

const QByteArray RecreatedFile = "[PEN]\r\nWIDTH=32\r\nCOLOR=#000000\r\n\r\n"
                                 "[WRITING AREA]\r\nTRANSPARENT=0\r\nBACKGROUND COLOR=#EBEBEB\r\nPROPORTION=0\r\n\r\n"
                                 "[EXPORT IMAGE]\r\nOPTION=0\r\nMIN WIDTH=200\r\nMIN HEIGHT=100\r\n"
                                 "MARGIN LEFT=15\r\nMARGIN RIGHT=15\r\nMARGIN TOP=15\r\nMARGIN BOTTOM=15\r\n\r\n"
                                 "[TIP TEXT]\r\nCOLOR=#000000\r\nFONT=\xBF\xAC\xCC\xE5\r\nSIZE=16\r\nLEFT=8\r\nTOP=8\r\n";

} // namespace

class TestVelmoraLibrary : public QObject
{
    Q_OBJECT

private slots:
    void exportsExactlyTheSigningFunctions()
    {
        QProcess nm;
        nm.start("nm", {"-D", "--defined-only", LibraryCopy::builtLibrary()});
        QVERIFY(nm.waitForFinished());
        QCOMPARE(nm.exitCode(), 0);
        QStringList names;
        for (const QByteArray& line : nm.readAllStandardOutput().split('\n')) {
            const QList<QByteArray> parts = line.simplified().split(' ');
            if (parts.size() == 3)
                names << QString::fromLatin1(parts[2]);
        }
        names.sort();
        const QStringList expected = {"ReturnGetInfo", "SetKeyPressCallback", "ZelmarZAFP_Begin", "ZelmarZAFP_End",
                                      "ZelmarZAFP_FeatureMatch", "ZelmarZAFP_GetFPCapture", "ZelmarZAFP_GetFeature",
                                      "clearSignature", "endSignature",
                                      "getPenStyle", "getSignatureNoENC", "getSignatureRealtimePic",
                                      "setPenColor", "setPenPressFactor", "startMessage", "startSignature",
                                      "stopMessage"};
        QCOMPARE(names, expected);
    }

    void settingsFileRecreatedWhenMissingOrInvalid_data()
    {
        QTest::addColumn<QByteArray>("existing");
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("width 300") << QByteArray("[PEN]\r\nWIDTH=300\r\nCOLOR=#00FF00\r\n[EXPORT IMAGE]\r\nMIN WIDTH=77\r\n");
        QTest::newRow("colour ending in g") << QByteArray("[PEN]\r\nWIDTH=10\r\nCOLOR=#00000g\r\n");
        QTest::newRow("empty background") << QByteArray("[WRITING AREA]\r\nBACKGROUND COLOR=\r\n");
    }
    void settingsFileRecreatedWhenMissingOrInvalid()
    {
        QFETCH(QByteArray, existing);
        QTemporaryDir dir;
        if (!existing.isEmpty())
            writeAll(dir.filePath(SettingsName), existing);
        LibraryCopy lib(dir.path());
        QVERIFY2(lib.loaded(), qPrintable(lib.error()));
        QCOMPARE(readAll(dir.filePath(SettingsName)), RecreatedFile);
        int width = 0, color = -1;
        lib.getPenStyle(&width, &color, nullptr, nullptr);
        QCOMPARE(width, 32);
        QCOMPARE(color, 0);
    }

    void validFileIsKept()
    {
        QTemporaryDir dir;
        const QByteArray own = "[pen]\r\nwidth=12\r\n";
        writeAll(dir.filePath(SettingsName), own);
        LibraryCopy lib(dir.path());
        QVERIFY2(lib.loaded(), qPrintable(lib.error()));
        QCOMPARE(readAll(dir.filePath(SettingsName)), own);
        int width = 0, color = 0;
        lib.getPenStyle(&width, &color, nullptr, nullptr);
        QCOMPARE(width, 12);
        QCOMPARE(color, 0xFF0000);  // a missing pen colour loads blue
    }

    void penWidth_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("code");
        QTest::newRow("0") << 0 << "DRV0000000";
        QTest::newRow("256") << 256 << "DRV0000000";
        QTest::newRow("257") << 257 << "DRVQNV0007";
        QTest::newRow("300") << 300 << "DRVQNV0007";
        QTest::newRow("-1") << -1 << "DRVQNV0007";
    }
    void penWidth()
    {
        QFETCH(int, width);
        QFETCH(QString, code);
        QTemporaryDir dir;
        LibraryCopy lib(dir.path());
        QVERIFY2(lib.loaded(), qPrintable(lib.error()));
        char errCode[11];
        char error[1024];
        lib.setPenPressFactor(width, errCode, error);
        QCOMPARE(QString::fromLatin1(errCode), code);
        const bool accepted = code == "DRV0000000";
        QCOMPARE(QByteArray(error), gbk(accepted ? "操作成功" : "调用参数超出范围!"));
        int stored = 0;
        lib.getPenStyle(&stored, nullptr, nullptr, nullptr);
        QCOMPARE(stored, accepted ? width : 32);

        const QByteArray file = readAll(dir.filePath(SettingsName));
        if (!accepted) {
            QCOMPARE(file, RecreatedFile);
            return;
        }
        QVERIFY(file.startsWith("[PEN]\r\nWIDTH=" + QByteArray::number(width) + "\r\n"));
        // The next load keeps what was set.
        LibraryCopy again(dir.path(), "libVelmoraAgain.so");
        QVERIFY2(again.loaded(), qPrintable(again.error()));
        again.getPenStyle(&stored, nullptr, nullptr, nullptr);
        QCOMPARE(stored, width);
    }

    void penColour_data()
    {
        QTest::addColumn<uint>("given");
        QTest::addColumn<int>("stored");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("red") << 0x0000FFu << 0x0000FF << QByteArray("#FF0000");
        QTest::newRow("blue") << 0xFF0000u << 0xFF0000 << QByteArray("#0000FF");
        QTest::newRow("high byte dropped") << 0xAB123456u << 0x123456 << QByteArray("#563412");
    }
    void penColour()
    {
        QFETCH(uint, given);
        QFETCH(int, stored);
        QFETCH(QByteArray, text);
        QTemporaryDir dir;
        LibraryCopy lib(dir.path());
        QVERIFY2(lib.loaded(), qPrintable(lib.error()));
        char errCode[11];
        char error[1024];
        lib.setPenColor(given, errCode, error);
        QCOMPARE(QByteArray(errCode), QByteArray("DRV0000000"));
        int width = 0, color = 0;
        lib.getPenStyle(&width, &color, errCode, error);
        QCOMPARE(color, stored);
        QCOMPARE(width, 32);
        QVERIFY(readAll(dir.filePath(SettingsName)).contains("[PEN]\r\nWIDTH=32\r\nCOLOR=" + text + "\r\n"));
    }

    void penStyleWithoutPointers()
    {
        QTemporaryDir dir;
        LibraryCopy lib(dir.path());
        QVERIFY2(lib.loaded(), qPrintable(lib.error()));
        lib.getPenStyle(nullptr, nullptr, nullptr, nullptr);
        int color = -1;
        char errCode[11] = "untouched";
        lib.getPenStyle(nullptr, &color, errCode, nullptr);
        QCOMPARE(color, 0);
        QCOMPARE(QByteArray(errCode), QByteArray("untouched"));
    }

    void bannerAndResultLinesInTheLog()
    {
        QTemporaryDir data;
        QVERIFY(QDir(data.path()).mkpath("devLogs"));
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
        QTemporaryDir dir;
        LibraryCopy lib(dir.path());
        QVERIFY2(lib.loaded(), qPrintable(lib.error()));
        lib.setPenPressFactor(300, nullptr, nullptr);
        QCOMPARE(readAll(data.filePath("devLogs/Velmora.log")),
                 QByteArray(" -(QRL)-Enter the LOG_ROOT_INTO for library Velmora.dll (V9.2)\r\n"
                            " -(QRL)-    Return Value: 0x00100007\r\n"));
    }

    void noLogFolderNoLog()
    {
        QTemporaryDir data;
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
        QTemporaryDir dir;
        LibraryCopy lib(dir.path());
        QVERIFY2(lib.loaded(), qPrintable(lib.error()));
        lib.setPenPressFactor(1, nullptr, nullptr);
        QVERIFY(QDir(data.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    }

    void logEmptiedPastFiveMiB()
    {
        QTemporaryDir data;
        QVERIFY(QDir(data.path()).mkpath("devLogs"));
        const QString log = data.filePath("devLogs/Velmora.log");
        writeAll(log, QByteArray(5 * 1024 * 1024 + 1, 'a'));
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
        QTemporaryDir dir;
        LibraryCopy lib(dir.path());
        QVERIFY2(lib.loaded(), qPrintable(lib.error()));
        QVERIFY(readAll(log).startsWith(" -(QRL)-Enter the LOG_ROOT_INTO"));
    }

    void noEventYet()
    {
        QTemporaryDir dir;
        LibraryCopy lib(dir.path());
        QVERIFY2(lib.loaded(), qPrintable(lib.error()));
        QCOMPARE(lib.ReturnGetInfo(), -1);
    }

    void startWithoutPad()
    {
        qunsetenv("INKWARDEN_DEVSIM");
        QTemporaryDir dir;
        LibraryCopy lib(dir.path());
        QVERIFY2(lib.loaded(), qPrintable(lib.error()));
        QCOMPARE(lib.startSignature(0, 400, 200), int(VELMORA_PAD_NOT_FOUND));
        QCOMPARE(lib.endSignature(), int(VELMORA_NOT_ENDED));
        QCOMPARE(lib.clearSignature(), int(VELMORA_NOT_ENDED));
    }
};

QTEST_GUILESS_MAIN(TestVelmoraLibrary)
#include "tst_velmoralibrary.moc"
