#include "ConfigManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

namespace {

QString bootstrapPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/initial-config.ini");
}

void writeFile(const QString &path, const QByteArray &text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

QStringList keysInFile(const QString &path)
{
    return QSettings(path, QSettings::IniFormat).allKeys();
}

} // namespace

class TestConfigManager : public QObject
{
    Q_OBJECT

    QSharedPointer<ConfigManager> store;

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        store = ConfigManager::instance();
        QCOMPARE(ConfigManager::instance().data(), store.data());
    }

    void init()
    {
        QFile::remove(store->path());
        QFile::remove(bootstrapPath());
    }

    void cleanupTestCase()
    {
        QFile::remove(bootstrapPath());
    }

    void noFilesGivesDefaults()
    {
        QVERIFY(!store->loadConfig());
        QCOMPARE(store->value("fp/threshold").toInt(), 60);
        QCOMPARE(store->value("app/language").toString(), QStringLiteral("en_US"));
        QCOMPARE(store->value("pdf/autoJump").toBool(), true);
        QVERIFY(!store->value("foo/bar").isValid());
        QVERIFY(!QFileInfo::exists(store->path()));
    }

    void firstRunImportsBootstrap()
    {
        writeFile(bootstrapPath(), "[app]\r\nlanguage=zh_CN\r\n");
        QVERIFY(store->loadConfig());
        QCOMPARE(store->value("app/language").toString(), QStringLiteral("zh_CN"));
        QCOMPARE(store->value("pdf/autoJump").toBool(), true);
        QCOMPARE(keysInFile(store->path()), QStringList{"app/language"});
    }

    void bootstrapWithoutKeysCountsAsAbsent()
    {
        writeFile(bootstrapPath(), "; nothing here\r\n");
        QVERIFY(!store->loadConfig());
        QVERIFY(!QFileInfo::exists(store->path()));
    }

    void emptyConfigWinsOverBootstrap()
    {
        writeFile(store->path(), "");
        writeFile(bootstrapPath(), "[app]\r\nlanguage=zh_CN\r\n");
        QVERIFY(store->loadConfig());
        QCOMPARE(store->value("app/language").toString(), QStringLiteral("en_US"));
    }

    void saveWritesOnlyWhatWasSet()
    {
        QVERIFY(!store->loadConfig());
        store->setValue("fp/threshold", 75);
        QVERIFY(store->saveConfig());
        QCOMPARE(keysInFile(store->path()), QStringList{"fp/threshold"});
        QVERIFY(store->loadConfig());
        QCOMPARE(store->value("fp/threshold").toInt(), 75);
    }

    void unknownKeysSurvive()
    {
        writeFile(store->path(), "[custom]\r\nkept=1\r\n[sign]\r\ntagWidth=200\r\n");
        QVERIFY(store->loadConfig());
        store->setValue("sign/tagWidth", 150);
        QVERIFY(store->saveConfig());
        QVERIFY(store->loadConfig());
        QCOMPARE(store->value("custom/kept").toInt(), 1);
        QCOMPARE(store->value("sign/tagWidth").toInt(), 150);
    }

    void loadDiscardsUnsavedChanges()
    {
        writeFile(store->path(), "[fp]\r\nthreshold=70\r\n");
        QVERIFY(store->loadConfig());
        store->setValue("fp/threshold", 90);
        QVERIFY(store->loadConfig());
        QCOMPARE(store->value("fp/threshold").toInt(), 70);
    }

    void textsComeBackUnchanged_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("comma") << "Contract, page 2";
        QTest::newRow("bare comma") << "a,b";
        QTest::newRow("chinese") << "合同签署，甲方";
        QTest::newRow("semicolon and equals") << "x=1; y=2";
        QTest::newRow("blanks around") << "  padded  ";
    }

    void textsComeBackUnchanged()
    {
        QFETCH(QString, text);
        QVERIFY(!store->loadConfig());
        store->setValue("sign/title", text);
        QVERIFY(store->saveConfig());
        QVERIFY(store->loadConfig());
        QCOMPARE(store->value("sign/title").toString(), text);
    }

    void handWrittenTextsKeepTheirCommas_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("text");
        QTest::newRow("bare comma") << QByteArray("title=a,b") << "a,b";
        QTest::newRow("comma and blank") << QByteArray("title=甲方, 乙方") << "甲方, 乙方";
        QTest::newRow("blanks and comment") << QByteArray("title = x ,y ; note") << "x ,y";
    }

    void handWrittenTextsKeepTheirCommas()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, text);
        writeFile(store->path(), "[sign]\r\n" + line + "\r\n");
        QVERIFY(store->loadConfig());
        QCOMPARE(store->value("sign/title").toString(), text);
        store->setValue("fp/threshold", 75);
        QVERIFY(store->saveConfig());
        QVERIFY(store->loadConfig());
        QCOMPARE(store->value("sign/title").toString(), text);
    }

    void unwritableLocationReportsFailure()
    {
        // A file where the settings folder should be: no one, root included, can write there.
        const QString folder = QFileInfo(store->path()).absolutePath();
        QVERIFY(QDir(folder).removeRecursively());
        writeFile(folder, "not a folder");
        store->setValue("fp/threshold", 80);
        const bool saved = store->saveConfig();
        QFile::remove(folder);
        QVERIFY(!saved);
    }
};

QTEST_GUILESS_MAIN(TestConfigManager)
#include "tst_configmanager.moc"
