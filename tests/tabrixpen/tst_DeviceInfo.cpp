#include "DeviceInfo.h"
#include "HidDeviceFile.h"
#include "NarrowText.h"
#include "TabletModels.h"
#include "sim/DevSim.h"
#include "sim/SimTabletModel.h"

#include <QtTest>

#include <cstring>

using namespace platform;

// The tablet's context: serial formats, narrow text and the indexed strings read from a
// simulated tablet.
class tst_DeviceInfo : public QObject {
    Q_OBJECT
private slots:
    void serialFormats_data();
    void serialFormats();
    void narrowTextConversion_data();
    void narrowTextConversion();
    void fieldsNeverSplitACharacter();
    void contextFromTablet_data();
    void contextFromTablet();
    void missingStrings();
};

void tst_DeviceInfo::serialFormats_data()
{
    QTest::addColumn<int>("modelCode");
    QTest::addColumn<QString>("units");
    QTest::addColumn<QString>("expected");

    // Units 5 and 6 are 0x0139 and 0x0102: low bytes 0x39 and 0x02 -> 0x39 + 256 * 2 = 569.
    const QString raw = QString::fromUtf16(u"ABCDE\u0139\u0102XYZ");
    QTest::newRow("hex of five low bytes") << 1003 << QString::fromUtf16(u"\u0141\u0142ab\u00FF") << "41426162ff";
    QTest::newRow("five characters and a number, model 1000") << 1000 << raw << "ABCDE00569";
    QTest::newRow("five characters and a number, model 2001") << 2001 << raw << "ABCDE00569";
    QTest::newRow("text as it is") << 1001 << "TX4C01A7Q2" << "TX4C01A7Q2";
    QTest::newRow("text cut to 15") << 1002 << "0123456789ABCDEF" << "0123456789ABCDE";
    QTest::newRow("cut to 15 before a character") << 1002 << QString::fromUtf16(u"0123456789ABCD数") << "0123456789ABCD";
    QTest::newRow("five bytes before a character") << 1000 << QString::fromUtf16(u"abcd数") << "abcd00000";
    QTest::newRow("empty serial, numbered model") << 1000 << QString() << "00000";
}

void tst_DeviceInfo::serialFormats()
{
    QFETCH(int, modelCode);
    QFETCH(QString, units);
    char16_t buffer[16] = {};
    for (int i = 0; i < units.size() && i < 16; ++i)
        buffer[i] = units.at(i).unicode();
    QTEST(QString::fromStdString(formatSerial(TabletModels::productIdOf(modelCode), buffer)), "expected");
}

void tst_DeviceInfo::narrowTextConversion_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("ascii") << "Tabrix Pen Tablet";
    QTest::newRow("latin and CJK") << QString::fromUtf16(u"Ställ 数位板");
    QTest::newRow("outside the BMP") << QString::fromUtf16(u"pen \U0001F58A");
}

void tst_DeviceInfo::narrowTextConversion()
{
    QFETCH(QString, text);
    const std::string narrow = narrowText(reinterpret_cast<const char16_t *>(text.utf16()), size_t(text.size()));
    QCOMPARE(QString::fromStdString(narrow), text);
    const char16_t lone[] = {u'a', 0xD800, u'b', 0, u'c'};
    QCOMPARE(narrowText(lone, 5), std::string("a?b"));
}

void tst_DeviceInfo::fieldsNeverSplitACharacter()
{
    char field[8];
    std::memset(field, 'x', sizeof field);
    copyNarrow(field, sizeof field, "abcde\xE6\x95\xB0"); // 5 + a 3-byte character does not fit 7
    QCOMPARE(QByteArray(field), QByteArray("abcde"));
    copyNarrow(field, sizeof field, "abcdefghij");
    QCOMPARE(QByteArray(field), QByteArray("abcdefg"));
}

void tst_DeviceInfo::contextFromTablet_data()
{
    QTest::addColumn<int>("inputLength");
    QTest::addColumn<int>("maxX");
    QTest::addColumn<int>("maxY");
    QTest::newRow("two-byte ranges") << 9 << 15200 << 9500;
    QTest::newRow("three-byte ranges from a 13-byte report") << 13 << 86000 << 148400;
}

void tst_DeviceInfo::contextFromTablet()
{
    QFETCH(int, inputLength);
    QFETCH(int, maxX);
    QFETCH(int, maxY);
    QTemporaryDir dir;
    qputenv("INKWARDEN_DEVSIM", dir.path().toUtf8());
    DevSim sim(dir.path().toStdString());
    SimTabletModel model;
    model.productId = TabletModels::productIdOf(1001);
    model.inputLength = uint16_t(inputLength);
    model.maxX = maxX;
    model.maxY = maxY;
    model.maxPressure = 2047;
    model.productName = u"A product name longer than thirty-one bytes";
    const int id = sim.plug(model.desc());

    HidDeviceFile file;
    QVERIFY(file.open(sim.path(id, 0)));
    TABLET_CONTEXT context;
    std::memset(&context, 0xCC, sizeof context);
    QVERIFY(readDeviceInfo(file, context));
    QCOMPARE(context.maxX, maxX);
    QCOMPARE(context.maxY, maxY);
    QCOMPARE(int(context.maxPressure), 2047);
    QCOMPARE(context.padding[0] | context.padding[1], 0);
    QCOMPARE(QByteArray(context.serial), QByteArray("TX4C01A7Q2"));
    QCOMPARE(QByteArray(context.productName), QByteArray("A product name longer than thir"));
}

void tst_DeviceInfo::missingStrings()
{
    QTemporaryDir dir;
    qputenv("INKWARDEN_DEVSIM", dir.path().toUtf8());
    DevSim sim(dir.path().toStdString());
    SimDeviceDesc noNames = SimTabletModel().desc();
    noNames.strings.erase(2);
    noNames.strings.erase(3);
    SimDeviceDesc noRange = SimTabletModel().desc();
    noRange.strings.erase(20);
    const int names = sim.plug(noNames);
    const int range = sim.plug(noRange);

    HidDeviceFile file;
    TABLET_CONTEXT context;
    QVERIFY(file.open(sim.path(names, 0)));
    QVERIFY(readDeviceInfo(file, context));
    QCOMPARE(context.maxX, 15200);
    QCOMPARE(context.serial[0], '\0');
    QCOMPARE(context.productName[0], '\0');

    QVERIFY(file.open(sim.path(range, 0)));
    std::memset(&context, 0xCC, sizeof context);
    QVERIFY(!readDeviceInfo(file, context));
    const TABLET_CONTEXT zero{};
    QCOMPARE(std::memcmp(&context, &zero, sizeof context), 0);
}

QTEST_APPLESS_MAIN(tst_DeviceInfo)
#include "tst_DeviceInfo.moc"
