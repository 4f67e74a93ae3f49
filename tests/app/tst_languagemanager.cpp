#include "LanguageManager.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

void writeTable(const QString &programDir, const QString &name, const QByteArray &text)
{
    QDir(programDir).mkpath(QStringLiteral("i18n"));
    QFile file(programDir + QStringLiteral("/i18n/") + name);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

} // namespace

class TestLanguageManager : public QObject
{
    Q_OBJECT

private slots:
    void builtInTablesHoldTheSameKeys()
    {
        const QHash<QString, QString> zh = LanguageManager::loadTable(LanguageManager::Language::ZhCN, QString());
        const QHash<QString, QString> en = LanguageManager::loadTable(LanguageManager::Language::English, QString());
        QCOMPARE(zh.size(), 120);
        QCOMPARE(en.size(), 120);
        for (auto it = zh.constBegin(); it != zh.constEnd(); ++it)
            QVERIFY2(en.contains(it.key()), qPrintable(it.key()));
        QCOMPARE(en.value("connected_prefix"), QStringLiteral("Connected: "));
        QCOMPARE(en.value("tag_menu_sign_fp"), QStringLiteral("Sign && Fingerprint"));
        QCOMPARE(zh.value("open_doc"), QStringLiteral("打开文档"));
    }

    void externalTable_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("openDoc");
        QTest::addColumn<QString>("saveDoc");

        QTest::newRow("one string member replaces the table")
            << QByteArray("{\"open_doc\": \"Open file\"}") << "Open file" << "save_doc";
        QTest::newRow("number only: built-in") << QByteArray("{\"open_doc\": 5}") << "Open" << "Save";
        QTest::newRow("array: built-in") << QByteArray("[\"open_doc\"]") << "Open" << "Save";
        QTest::newRow("malformed: built-in") << QByteArray("{\"open_doc\": ") << "Open" << "Save";
        QTest::newRow("empty object: built-in") << QByteArray("{}") << "Open" << "Save";
        QTest::newRow("later member wins")
            << QByteArray("{\"open_doc\": \"A\", \"open_doc\": \"B\", \"x\": 1}") << "B" << "save_doc";
    }

    void externalTable()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, openDoc);
        QFETCH(QString, saveDoc);
        QTemporaryDir programDir;
        writeTable(programDir.path(), QStringLiteral("en_US.json"), file);

        const QHash<QString, QString> en = LanguageManager::loadTable(LanguageManager::Language::English, programDir.path());
        QCOMPARE(en.value("open_doc", "open_doc"), openDoc);
        QCOMPARE(en.value("save_doc", "save_doc"), saveDoc);
        // The other language keeps its built-in table.
        const QHash<QString, QString> zh = LanguageManager::loadTable(LanguageManager::Language::ZhCN, programDir.path());
        QCOMPARE(zh.value("open_doc"), QStringLiteral("打开文档"));
    }

    void languageSwitch()
    {
        LanguageManager &manager = LanguageManager::instance();
        QCOMPARE(manager.currentLanguage(), LanguageManager::Language::ZhCN);
        QCOMPARE(manager.translate("ok"), QStringLiteral("确定"));

        QSignalSpy spy(&manager, &LanguageManager::languageChanged);
        manager.setLanguage(LanguageManager::Language::English);
        manager.setLanguage(LanguageManager::Language::English);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.first().first().value<LanguageManager::Language>(), LanguageManager::Language::English);

        QCOMPARE(manager.translate("tag_area_title"), QStringLiteral("Sign Area %1"));
        QCOMPARE(QLocale().name(), QStringLiteral("en_US"));
        QCOMPARE(manager.translate("no_such_key"), QStringLiteral("no_such_key"));

        manager.setLanguage(LanguageManager::Language::ZhCN);
        QCOMPARE(spy.count(), 2);
        QCOMPARE(manager.translate("tag_area_title"), QStringLiteral("签名区%1"));
        QCOMPARE(QLocale().name(), QStringLiteral("zh_CN"));
    }
};

QTEST_GUILESS_MAIN(TestLanguageManager)
#include "tst_languagemanager.moc"
