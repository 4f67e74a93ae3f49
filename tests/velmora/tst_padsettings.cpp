// Settings file, result codes and log of the signature-pad library, exercised on their own.

#include "FileBytes.h"
#include "GbkText.h"
#include "IniFile.h"
#include "PadLog.h"
#include "PadSettings.h"
#include "ResultCodes.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <cstring>

class TestPadSettings : public QObject
{
    Q_OBJECT

private slots:
    void hexColor_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("result");
        QTest::addColumn<uint>("color");
        QTest::newRow("red") << "#FF0000" << 0 << 0x0000FFu;
        QTest::newRow("blue lower case") << "#0000ff" << 0 << 0xFF0000u;
        QTest::newRow("mixed") << "#12aB3c" << 0 << 0x3CAB12u;
        QTest::newRow("last digit g") << "#00000g" << -100 << 0u;
        QTest::newRow("no hash") << "0000FF0" << -100 << 0u;
        QTest::newRow("short") << "#0000F" << -100 << 0u;
        QTest::newRow("long") << "#0000FF0" << -100 << 0u;
        QTest::newRow("blank inside") << "#00 0FF" << -100 << 0u;
        QTest::newRow("empty") << "" << -100 << 0u;
    }
    void hexColor()
    {
        QFETCH(QString, text);
        QFETCH(int, result);
        QFETCH(uint, color);
        uint32_t parsed = 0;
        QCOMPARE(PadSettings::parseHexColor(text.toStdString(), parsed), result);
        if (result == 0) {
            QCOMPARE(parsed, color);
            QCOMPARE(QString::fromStdString(PadSettings::hexColor(parsed)), text.toUpper());
        }
    }

    void profileInt_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << "32" << 32;
        QTest::newRow("leading blanks") << "  7" << 7;
        QTest::newRow("negative") << "-5" << -5;
        QTest::newRow("trailing text") << "12px" << 12;
        QTest::newRow("hex prefix") << "0x1F" << 31;
        QTest::newRow("no digits") << "abc" << 0;
        QTest::newRow("wraps to 32 bits") << "4294967297" << 1;
    }
    void profileInt()
    {
        QFETCH(QString, text);
        QFETCH(int, value);
        QCOMPARE(IniFile::parseProfileInt(text.toStdString()), value);
    }

    void iniRules()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("a.ini");
        writeAll(path, "; comment\r\n[Pen]\r\nwidth = 12 \r\nWIDTH=99\r\nfont=\" a  b \"\r\ntip=\"a\r\"\r\n[other]\r\nx=1\r\n"
                       "[PEN]\r\ncolor=#00FF00\r\n");
        IniFile ini;
        QVERIFY(ini.load(path.toStdString()));
        QCOMPARE(ini.intValue("PEN", "WIDTH", 0), 12);
        QCOMPARE(ini.value("pen", "COLOR", "second section unread"), std::string("second section unread"));
        QCOMPARE(ini.value("PEN", "FONT", ""), std::string(" a  b "));
        QCOMPARE(ini.value("PEN", "MISSING", "dflt"), std::string("dflt"));
        QCOMPARE(ini.intValue("OTHER", "X", 5), 1);

        // Written back so that it reads back the same.
        const QString copy = dir.filePath("b.ini");
        QVERIFY(ini.save(copy.toStdString()));
        QVERIFY(readAll(copy).contains("font=\" a  b \"\r\n"));
        IniFile again;
        QVERIFY(again.load(copy.toStdString()));
        QCOMPARE(again.value("PEN", "FONT", ""), std::string(" a  b "));
        QCOMPARE(again.value("PEN", "TIP", ""), std::string("a\r"));
        QVERIFY(!ini.load(dir.filePath("missing.ini").toStdString()));
    }

    void recreatedFileIsExact()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("RZK_PadsafeConf.INI");
        QCOMPARE(PadSettings::recreated().save(path.toStdString()), 0);
        const QByteArray expected = "[PEN]\r\nWIDTH=32\r\nCOLOR=#000000\r\n\r\n"
                                    "[WRITING AREA]\r\nTRANSPARENT=0\r\nBACKGROUND COLOR=#EBEBEB\r\nPROPORTION=0\r\n\r\n"
                                    "[EXPORT IMAGE]\r\nOPTION=0\r\nMIN WIDTH=200\r\nMIN HEIGHT=100\r\n"
                                    "MARGIN LEFT=15\r\nMARGIN RIGHT=15\r\nMARGIN TOP=15\r\nMARGIN BOTTOM=15\r\n\r\n"
                                    "[TIP TEXT]\r\nCOLOR=#000000\r\nFONT=\xBF\xAC\xCC\xE5\r\nSIZE=16\r\nLEFT=8\r\nTOP=8\r\n";
        QCOMPARE(readAll(path), expected);

        PadSettings loaded;
        QCOMPARE(PadSettings::load(path.toStdString(), loaded), 0);
        QCOMPARE(loaded.exportOptions.minWidth, 200);
        QCOMPARE(loaded.backgroundColor, 0xEBEBEBu);
        QCOMPARE(loaded.tipFont, std::string("\xBF\xAC\xCC\xE5"));
    }

    void loadDefaultsAndFailures_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("result");
        QTest::newRow("missing pen colour is blue") << QByteArray("[PEN]\r\nWIDTH=20\r\n") << 0;
        QTest::newRow("width 256 allowed") << QByteArray("[PEN]\r\nWIDTH=256\r\n") << 0;
        QTest::newRow("width 300") << QByteArray("[PEN]\r\nWIDTH=300\r\n") << -100;
        QTest::newRow("width 300 in a second pen section") << QByteArray("[PEN]\r\nCOLOR=#0000FF\r\n[pen]\r\nWIDTH=300\r\n") << 0;
        QTest::newRow("colour ends in g") << QByteArray("[PEN]\r\nCOLOR=#00000g\r\n") << -100;
        QTest::newRow("empty colour") << QByteArray("[WRITING AREA]\r\nBACKGROUND COLOR=\r\n") << -100;
        QTest::newRow("empty font") << QByteArray("[TIP TEXT]\r\nFONT=\r\n") << -100;
        QTest::newRow("bad tip colour") << QByteArray("[TIP TEXT]\r\nCOLOR=red\r\n") << -100;
    }
    void loadDefaultsAndFailures()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, result);
        QTemporaryDir dir;
        const QString path = dir.filePath("s.ini");
        writeAll(path, content);
        PadSettings loaded;
        QCOMPARE(PadSettings::load(path.toStdString(), loaded), result);
        if (result == 0) {
            QCOMPARE(loaded.penColor, 0xFF0000u);
            QCOMPARE(loaded.exportOptions.minWidth, 100);
            QCOMPARE(loaded.backgroundColor, 0xEBEBEBu);
        }
    }

    void unreadableFile()
    {
        PadSettings loaded;
        QCOMPARE(PadSettings::load("/nonexistent/folder/s.ini", loaded), -200);
        QCOMPARE(PadSettings::recreated().save("/nonexistent/folder/s.ini"), -201);
    }

    void resultCodes_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("success") << 0 << "DRV0000000" << "操作成功";
        QTest::newRow("not signed") << 0x100001 << "DRVQNV0001" << "客户未签名!";
        QTest::newRow("0x10000A") << 0x10000A << "DRVQNV0010" << "加密签名出错!";
        QTest::newRow("device offline") << 0x200003 << "QNV0000003" << "设备掉线";
        QTest::newRow("unknown key") << 0x12345 << "DRV0000001" << "自定义错误";
        QTest::newRow("8 not listed") << 8 << "DRV0000001" << "自定义错误";
    }
    void resultCodes()
    {
        QFETCH(int, key);
        QFETCH(QString, code);
        QFETCH(QString, message);
        char errCode[11];
        char error[1024];
        ResultCodes::setResultCode(key, errCode, error);
        QCOMPARE(QString::fromLatin1(errCode), code);
        QCOMPARE(QByteArray(error), QByteArray::fromStdString(GbkText::fromUtf8(message.toStdString())));
    }

    void resultCodesNeedBothBuffers()
    {
        char errCode[11] = "untouched";
        ResultCodes::setResultCode(0, errCode, nullptr);
        QCOMPARE(QByteArray(errCode), QByteArray("untouched"));
    }

    void boundedCopyEndsWithNul()
    {
        char buffer[5];
        std::memset(buffer, 'x', sizeof buffer);
        GbkText::copyBounded(buffer, sizeof buffer, "abcdefgh");
        QCOMPARE(QByteArray(buffer), QByteArray("abcd"));
    }

    void logNesting()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Velmora.log");
        PadLog log;
        log.setPath(path.toStdString());
        log.write(PadLog::Line, "before start-up");
        QVERIFY(!QFile::exists(path));

        log.write(PadLog::OpenRoot, "banner");
        log.write(PadLog::Enter, "Into function: %s", "f");
        log.write(PadLog::Line, "inside %d", 1);
        log.write(PadLog::Leave, "Exit function: %s", "f");
        log.write(PadLog::Line, "after");
        QCOMPARE(readAll(path), QByteArray(" -(QRL)-banner\r\n"
                                           " -(QRL)-    Into function: f\r\n"
                                           " -(QRL)-        inside 1\r\n"
                                           " -(QRL)-    Exit function: f\r\n\r\n"
                                           " -(QRL)-    after\r\n"));

        // A line cut at 1023 bytes ends with a whole character.
        const std::string longPath = std::string(1021, 'a') + "\xE6\x95\xB0";
        log.write(PadLog::Line, "%s", longPath.c_str());
        QVERIFY(readAll(path).endsWith(" -(QRL)-    " + QByteArray(1021, 'a') + "\r\n"));
    }

    void logStopsAfterNineEntries()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Velmora.log");
        PadLog log;
        log.setPath(path.toStdString());
        log.write(PadLog::OpenRoot, "banner");
        for (int i = 1; i <= 9; ++i)
            log.write(PadLog::Enter, "entry %d", i);
        const QByteArray afterNine = readAll(path);
        QVERIFY(afterNine.endsWith(QByteArray(" -(QRL)-") + QByteArray(36, ' ') + "entry 9\r\n"));
        log.write(PadLog::Line, "dropped");
        log.write(PadLog::Enter, "dropped too");
        QCOMPARE(readAll(path), afterNine);
        log.write(PadLog::CloseRoot, "closing");
        QVERIFY(readAll(path).endsWith(" -(QRL)-closing\r\n\r\n"));
    }

    void logTruncatedPastFiveMiB_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("emptied");
        QTest::newRow("exactly 5 MiB") << qint64(5 * 1024 * 1024) << false;
        QTest::newRow("one byte more") << qint64(5 * 1024 * 1024 + 1) << true;
    }
    void logTruncatedPastFiveMiB()
    {
        QFETCH(qint64, size);
        QFETCH(bool, emptied);
        QTemporaryDir dir;
        const QString path = dir.filePath("Velmora.log");
        writeAll(path, QByteArray(int(size), 'a'));
        PadLog log;
        log.setPath(path.toStdString());
        log.write(PadLog::OpenRoot, "banner");
        const QByteArray line = " -(QRL)-banner\r\n";
        QCOMPARE(QFileInfo(path).size(), emptied ? line.size() : size + line.size());
    }
};

QTEST_GUILESS_MAIN(TestPadSettings)
#include "tst_padsettings.moc"
