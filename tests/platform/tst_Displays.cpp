#include "platform/Displays.h"
#include "sim/DevSim.h"

#include <QtTest>

#include <vector>

using namespace platform;

Q_DECLARE_METATYPE(std::vector<uint8_t>)

// Monitor model ids from EDID blocks, and displays served by the simulator.
class tst_Displays : public QObject {
    Q_OBJECT
private slots:
    void monitorIdFromEdid_data();
    void monitorIdFromEdid();
    void simulatedDesktop();
};

namespace {

std::vector<uint8_t> edid(uint8_t maker0, uint8_t maker1, uint8_t product0, uint8_t product1)
{
    std::vector<uint8_t> block(128, 0);
    const uint8_t header[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    std::copy(header, header + 8, block.begin());
    block[8] = maker0;
    block[9] = maker1;
    block[10] = product0;
    block[11] = product1;
    return block;
}

} // namespace

void tst_Displays::monitorIdFromEdid_data()
{
    QTest::addColumn<std::vector<uint8_t>>("block");
    QTest::addColumn<QString>("id");
    // "DEL" = 4, 5, 12 -> 0 00100 00101 01100 = 0x10AC; product code little-endian.
    QTest::newRow("letters and product code") << edid(0x10, 0xAC, 0xF0, 0x40) << "DEL40F0";
    // "TBX" = 20, 2, 24 -> 0 10100 00010 11000 = 0x5058
    QTest::newRow("pen display") << edid(0x50, 0x58, 0x01, 0x16) << "TBX1601";
    QTest::newRow("letter out of range") << edid(0x00, 0x00, 0x01, 0x16) << "";
    std::vector<uint8_t> broken = edid(0x10, 0xAC, 0xF0, 0x40);
    broken[0] = 0x01;
    QTest::newRow("not an EDID") << broken << "";
    std::vector<uint8_t> cut = edid(0x10, 0xAC, 0xF0, 0x40);
    cut.resize(11);
    QTest::newRow("too short") << cut << "";
}

void tst_Displays::monitorIdFromEdid()
{
    QFETCH(std::vector<uint8_t>, block);
    QTEST(QString::fromStdString(DisplayInfo::monitorIdFromEdid(block.data(), block.size())), "id");
}

void tst_Displays::simulatedDesktop()
{
    QTemporaryDir dir;
    qputenv("INKWARDEN_DEVSIM", dir.path().toUtf8());
    int width = 0, height = 0;
    QVERIFY(displays::enumerate().empty());   // no simulator yet
    QVERIFY(!displays::screenSize(width, height));

    DevSim sim(dir.path().toStdString());
    DisplayInfo left{"DP-1", 0, 0, 1920, 1080, 1920, 1080, "DEL40F0"};
    DisplayInfo right{"HDMI-1", 1920, -200, 1280, 800, 2560, 1600, "TBX1601"};
    sim.setDisplays({left, right});
    const auto list = displays::enumerate();
    QCOMPARE(list.size(), size_t(2));
    QCOMPARE(list[1].name, std::string("HDMI-1"));
    QCOMPARE(list[1].y, -200);
    QCOMPARE(list[1].modeWidth, 2560);
    QCOMPARE(list[1].monitorId, std::string("TBX1601"));
    QVERIFY(displays::screenSize(width, height));
    QCOMPARE(width, 3200);
    QCOMPARE(height, 1080);
}

QTEST_APPLESS_MAIN(tst_Displays)
#include "tst_Displays.moc"
