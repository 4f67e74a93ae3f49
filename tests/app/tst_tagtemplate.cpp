#include "PdfSignTag.h"
#include "TagTemplate.h"

#include <QtTest>

class TagTemplateTest : public QObject
{
    Q_OBJECT

private slots:
    void entries_data();
    void entries();
    void notAnArray_data();
    void notAnArray();
};

void TagTemplateTest::entries_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<bool>("kept");
    QTest::addColumn<int>("type");
    QTest::newRow("plain") << QByteArray(R"({"page": 2, "x": 1, "y": 1, "w": 10, "h": 10, "type": 2})") << true << 2;
    QTest::newRow("page 0") << QByteArray(R"({"page": 0, "x": 1, "y": 1, "w": 10, "h": 10})") << false << 0;
    QTest::newRow("page past the end") << QByteArray(R"({"page": 4, "x": 1, "y": 1, "w": 10, "h": 10})") << false << 0;
    QTest::newRow("no page") << QByteArray(R"({"x": 1, "y": 1, "w": 10, "h": 10})") << false << 0;
    QTest::newRow("w 0") << QByteArray(R"({"page": 1, "x": 1, "y": 1, "w": 0, "h": 10})") << false << 0;
    QTest::newRow("h negative") << QByteArray(R"({"page": 1, "x": 1, "y": 1, "w": 10, "h": -3})") << false << 0;
    QTest::newRow("w 12.5 reads as 0") << QByteArray(R"({"page": 1, "x": 1, "y": 1, "w": 12.5, "h": 10})") << false << 0;
    QTest::newRow("w as text") << QByteArray(R"({"page": 1, "x": 1, "y": 1, "w": "12", "h": 10})") << false << 0;
    QTest::newRow("negative x kept") << QByteArray(R"({"page": 1, "x": -50, "y": 1, "w": 10, "h": 10})") << true << 1;
    QTest::newRow("no type: signature") << QByteArray(R"({"page": 1, "w": 10, "h": 10})") << true << 1;
    QTest::newRow("type 9 kept unchecked") << QByteArray(R"({"page": 1, "w": 10, "h": 10, "type": 9})") << true << 9;
    QTest::newRow("page 1.0 is whole") << QByteArray(R"({"page": 1.0, "w": 10, "h": 10})") << true << 1;
    QTest::newRow("x does not fit the pixel space") << QByteArray(R"({"page": 1, "x": 1000000000, "w": 10, "h": 10})")
                                                   << false << 0;
    QTest::newRow("w does not fit the pixel space") << QByteArray(R"({"page": 1, "w": 2000000000, "h": 10})") << false
                                                   << 0;
    QTest::newRow("page beyond int") << QByteArray(R"({"page": 4294967297, "w": 10, "h": 10})") << false << 0;
    QTest::newRow("not an object") << QByteArray(R"([1, 1, 10, 10])") << false << 0;
}

void TagTemplateTest::entries()
{
    QFETCH(QByteArray, entry);
    QFETCH(bool, kept);
    QFETCH(int, type);
    QList<PdfSignTag> tags;
    QVERIFY(TagTemplate::read("[" + entry + "]", 3, &tags));
    QCOMPARE(tags.size(), kept ? 1 : 0);
    if (kept)
        QCOMPARE(tags.first().type, type);
}

void TagTemplateTest::notAnArray_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::newRow("object") << QByteArray(R"({"page": 1, "w": 10, "h": 10})");
    QTest::newRow("syntax error") << QByteArray(R"([{"page": 1,}])");
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("number") << QByteArray("42");
}

void TagTemplateTest::notAnArray()
{
    QFETCH(QByteArray, json);
    PdfSignTag old;
    QList<PdfSignTag> tags{old};
    QVERIFY(!TagTemplate::read(json, 3, &tags));
    QCOMPARE(tags.size(), 1);
}

QTEST_GUILESS_MAIN(TagTemplateTest)
#include "tst_tagtemplate.moc"
