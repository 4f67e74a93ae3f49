#include "LanguageManager.h"
#include "PdfSignData.h"
#include "TagUnits.h"

#include <QtTest>

namespace {

PdfSignTag tagAt(int page, int y)
{
    PdfSignTag tag;
    tag.page = page;
    tag.y = y;
    return tag;
}

} // namespace

class TagRecordsTest : public QObject
{
    Q_OBJECT

private slots:
    void setTypeOpensPartsByType_data();
    void setTypeOpensPartsByType();
    void setTypeClearsImagesEvenForSameType();
    void pending_data();
    void pending();
    void firstPendingTag();
    void resetKeepsTypes();
    void sortAndRetitle();
    void conversions_data();
    void conversions();
    void pointsTruncateTowardZero_data();
    void pointsTruncateTowardZero();
    void pageImagePixels_data();
    void pageImagePixels();
};

void TagRecordsTest::setTypeOpensPartsByType_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("signDone");
    QTest::addColumn<bool>("fpDone");
    QTest::newRow("signature") << 1 << false << true;
    QTest::newRow("fingerprint") << 2 << true << false;
    QTest::newRow("both") << 3 << false << false;
    QTest::newRow("zero") << 0 << false << false;
    QTest::newRow("seven") << 7 << false << false;
}

void TagRecordsTest::setTypeOpensPartsByType()
{
    QFETCH(int, type);
    PdfSignTag tag;
    tag.isSignDone = !tag.isSignDone;
    tag.isFpDone = !tag.isFpDone;
    tag.setType(type);
    QCOMPARE(tag.type, type);
    QTEST(tag.isSignDone, "signDone");
    QTEST(tag.isFpDone, "fpDone");
}

void TagRecordsTest::setTypeClearsImagesEvenForSameType()
{
    PdfSignTag tag;
    tag.setType(3);
    tag.signImage = QStringLiteral("c2lnbg==");
    tag.fpImage = QStringLiteral("ZnA=");
    tag.isSignDone = tag.isFpDone = true;
    tag.setType(3);
    QVERIFY(tag.signImage.isEmpty());
    QVERIFY(tag.fpImage.isEmpty());
    QVERIFY(!tag.isSignDone);
    QVERIFY(!tag.isFpDone);
}

void TagRecordsTest::pending_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("signDone");
    QTest::addColumn<bool>("fpDone");
    QTest::addColumn<bool>("pending");
    QTest::newRow("sign open") << 1 << false << true << true;
    QTest::newRow("sign done") << 1 << true << false << false;
    QTest::newRow("fp open") << 2 << true << false << true;
    QTest::newRow("fp done") << 2 << false << true << false;
    QTest::newRow("both open") << 3 << false << false << true;
    QTest::newRow("both, sign only done") << 3 << true << false << true;
    QTest::newRow("both, fp only done") << 3 << false << true << true;
    QTest::newRow("both done") << 3 << true << true << false;
    QTest::newRow("type 0 asks nothing") << 0 << false << false << false;
    QTest::newRow("type 4 asks nothing") << 4 << false << false << false;
}

void TagRecordsTest::pending()
{
    QFETCH(int, type);
    QFETCH(bool, signDone);
    QFETCH(bool, fpDone);
    PdfSignTag tag;
    tag.type = type;
    tag.isSignDone = signDone;
    tag.isFpDone = fpDone;
    QTEST(tag.isPending(), "pending");
}

void TagRecordsTest::firstPendingTag()
{
    PdfSignData data;
    QCOMPARE(data.firstPendingTag(), -1);
    QVERIFY(!data.hasPendingTag());

    PdfSignTag done;
    done.setType(1);
    done.isSignDone = true;
    PdfSignTag unknown;
    unknown.setType(0);
    PdfSignTag open;
    open.setType(2);
    data.tags = {done, unknown, open, open};
    QCOMPARE(data.firstPendingTag(), 2);
    QVERIFY(data.hasPendingTag());

    data.tags[2].isFpDone = true;
    data.tags[3].isFpDone = true;
    QCOMPARE(data.firstPendingTag(), -1);
}

void TagRecordsTest::resetKeepsTypes()
{
    PdfSignData data;
    for (int type : {1, 2, 3}) {
        PdfSignTag tag;
        tag.setType(type);
        tag.isSignDone = tag.isFpDone = true;
        tag.signImage = tag.fpImage = QStringLiteral("AAAA");
        data.tags << tag;
    }
    data.resetTags();
    QCOMPARE(data.tags.at(0).type, 1);
    QCOMPARE(data.tags.at(1).type, 2);
    QCOMPARE(data.tags.at(2).type, 3);
    for (const PdfSignTag &tag : qAsConst(data.tags)) {
        QVERIFY(tag.isPending());
        QVERIFY(tag.signImage.isEmpty() && tag.fpImage.isEmpty());
    }
}

void TagRecordsTest::sortAndRetitle()
{
    LanguageManager::instance().setLanguage(LanguageManager::Language::English);
    PdfSignData data;
    data.tags = {tagAt(2, 50), tagAt(1, 300), tagAt(1, 100)};
    data.sortTags();
    data.retitleTags();
    QCOMPARE(data.tags.at(0).page, 1);
    QCOMPARE(data.tags.at(0).y, 100);
    QCOMPARE(data.tags.at(1).page, 1);
    QCOMPARE(data.tags.at(1).y, 300);
    QCOMPARE(data.tags.at(2).page, 2);
    QCOMPARE(data.tags.at(2).y, 50);
    QCOMPARE(data.tags.at(0).title, QStringLiteral("Sign Area 1"));
    QCOMPARE(data.tags.at(1).title, QStringLiteral("Sign Area 2"));
    QCOMPARE(data.tags.at(2).title, QStringLiteral("Sign Area 3"));

    LanguageManager::instance().setLanguage(LanguageManager::Language::ZhCN);
    data.retitleTags();
    QCOMPARE(data.tags.at(1).title, QStringLiteral("签名区2"));
}

void TagRecordsTest::conversions_data()
{
    QTest::addColumn<QString>("rule");
    QTest::addColumn<int>("value");
    QTest::addColumn<double>("scale");
    QTest::addColumn<int>("expected");
    QTest::newRow("display half up") << "toDisplay" << 5 << 0.5 << 3;
    QTest::newRow("display negative half") << "toDisplay" << -5 << 0.5 << -2;
    QTest::newRow("display negative") << "toDisplay" << -7 << 0.5 << -3;
    QTest::newRow("back from display") << "fromDisplay" << 333 << 0.3 << 1110;
    QTest::newRow("back, negative half") << "fromDisplay" << -5 << 2.0 << -2;
    QTest::newRow("back, negative 3.5") << "fromDisplay" << -7 << 2.0 << -3;
    QTest::newRow("template 400") << "toTemplate" << 400 << 0.0 << 128;
    QTest::newRow("template rounds") << "toTemplate" << 401 << 0.0 << 128;
    QTest::newRow("template half") << "toTemplate" << 1 << 0.0 << 0;
    QTest::newRow("template 1.6 up") << "toTemplate" << 5 << 0.0 << 2;
    QTest::newRow("from template") << "fromTemplate" << 128 << 0.0 << 400;
    QTest::newRow("from template rounds") << "fromTemplate" << 3 << 0.0 << 9;
    QTest::newRow("from template negative") << "fromTemplate" << -1 << 0.0 << -3;
}

void TagRecordsTest::conversions()
{
    QFETCH(QString, rule);
    QFETCH(int, value);
    QFETCH(double, scale);
    int actual = 0;
    if (rule == QLatin1String("toDisplay"))
        actual = TagUnits::toDisplay(value, scale);
    else if (rule == QLatin1String("fromDisplay"))
        actual = TagUnits::fromDisplay(value, scale);
    else if (rule == QLatin1String("toTemplate"))
        actual = TagUnits::toTemplate(value);
    else
        actual = TagUnits::fromTemplate(value);
    QTEST(actual, "expected");
}

void TagRecordsTest::pointsTruncateTowardZero_data()
{
    QTest::addColumn<int>("pixels");
    QTest::addColumn<int>("points");
    QTest::newRow("x 1000") << 1000 << 240;
    QTest::newRow("y 2000") << 2000 << 480;
    QTest::newRow("w 500") << 500 << 120;
    QTest::newRow("h 250") << 250 << 60;
    QTest::newRow("4 px") << 4 << 0;
    QTest::newRow("5 px") << 5 << 1;
    QTest::newRow("400 px") << 400 << 96;
    QTest::newRow("negative truncates up") << -5 << -1;
    QTest::newRow("415 px just below 100") << 415 << 99;
}

void TagRecordsTest::pointsTruncateTowardZero()
{
    QFETCH(int, pixels);
    QTEST(TagUnits::toPoints(pixels), "points");
}

void TagRecordsTest::pageImagePixels_data()
{
    QTest::addColumn<double>("points");
    QTest::addColumn<int>("pixels");
    QTest::newRow("A4 width") << 595.0 << 2479;
    QTest::newRow("A4 height") << 842.0 << 3508;
    QTest::newRow("letter width") << 612.0 << 2550;
    QTest::newRow("fractional A4 height") << 841.89 << 3507;
}

void TagRecordsTest::pageImagePixels()
{
    QFETCH(double, points);
    QTEST(TagUnits::pageImagePixels(points), "pixels");
    QCOMPARE(TagUnits::toSigningDisplay(401), 200.5);
}

QTEST_GUILESS_MAIN(TagRecordsTest)
#include "tst_tagrecords.moc"
