#include "LangOption.h"

#include <QtTest>

class TestLangOption : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("code");

        QTest::newRow("none") << QStringList{"Inkwarden"} << QString();
        QTest::newRow("en upper case") << QStringList{"Inkwarden", "--lang=EN"} << "en_US";
        QTest::newRow("zh with blanks") << QStringList{"Inkwarden", "--lang= zh "} << "zh_CN";
        QTest::newRow("full codes") << QStringList{"Inkwarden", "--lang=en_us"} << "en_US";
        QTest::newRow("zh_CN") << QStringList{"Inkwarden", "--lang=zh_CN"} << "zh_CN";
        QTest::newRow("option name is case-sensitive") << QStringList{"Inkwarden", "--LANG=en"} << QString();
        QTest::newRow("unknown value skipped") << QStringList{"Inkwarden", "--lang=fr", "--lang=zh"} << "zh_CN";
        QTest::newRow("first match wins") << QStringList{"Inkwarden", "--lang=en", "--lang=zh"} << "en_US";
        QTest::newRow("empty value") << QStringList{"Inkwarden", "--lang="} << QString();
        QTest::newRow("prefix only counts at the start") << QStringList{"Inkwarden", "x--lang=en"} << QString();
        QTest::newRow("program name is scanned too") << QStringList{"--lang=en"} << "en_US";
    }

    void parse()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, code);
        QCOMPARE(parseLangOption(arguments), code);
    }
};

QTEST_GUILESS_MAIN(TestLangOption)
#include "tst_langoption.moc"
