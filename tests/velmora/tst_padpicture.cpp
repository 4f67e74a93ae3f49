// The signature from pad reports to the window, the picture file and the signature data, through
// the library's exports against the simulated pad.

#include "InkSession.h"
#include "PadSession.h"
#include "PadSettings.h"
#include "PadState.h"

#include "SimFixture.h"
#include "sim/DevSim.h"
#include "sim/SimSignaturePadModel.h"

#include <QImageReader>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>
#include <atomic>
#include <cstring>
#include <memory>
#include <xcb/xcb.h>

using platform::DevSim;
using Pad = platform::SimSignaturePadModel;

namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 200;

std::atomic<int> g_keys{0};
void onKey(int) { ++g_keys; }

struct Codes {
    char code[VELMORA_ERRCODE_SIZE] = "untouched";
    char message[VELMORA_ERROR_SIZE] = {};
    QByteArray text() const { return QByteArray(code); }
};

int windowX(int padX) { return int(int64_t(padX) * kWidth / 10206); }

} // namespace

class TestPadPicture : public QObject
{
    Q_OBJECT

private:
    SimFixture m_sim;
    std::unique_ptr<Pad> m_pad;
    std::unique_ptr<QWindow> m_window;
    int m_device = 0;
    QTemporaryDir m_settings;

    void send(const platform::SimBytes& report)
    {
        QVERIFY(m_sim->sendInput(m_device, Pad::PenCollection, report));
    }
    // A horizontal stroke in pad units, then the pen lifted.
    void stroke(int x1, int x2, int y)
    {
        for (int x = x1; x <= x2; x += (x2 - x1) / 10)
            send(Pad::penReport(0xA1, x, y, 600));
        send(Pad::penReport(0xA3, x2, y, 0));
    }
    static bool inkReaches(int x)
    {
        std::lock_guard<std::mutex> lock(PadState::instance().mutex);
        return InkSession::instance().surface().maxX() >= x;
    }
    void pressOk()
    {
        const int before = g_keys;
        send(Pad::keyReport(1));
        QTRY_COMPARE(g_keys.load(), before + 1);
    }
    std::string path(const char* name) const { return m_sim.filePath(name); }
    QByteArray realtime(const std::string& file)
    {
        Codes codes;
        getSignatureRealtimePic(file.c_str(), codes.code, codes.message);
        return codes.text();
    }

    // What the window shows, as 0x00RRGGBB.
    std::vector<uint32_t> windowPixels()
    {
        xcb_connection_t* c = xcb_connect(nullptr, nullptr);
        std::vector<uint32_t> pixels;
        xcb_get_image_reply_t* reply = xcb_get_image_reply(
            c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, xcb_window_t(m_window->winId()), 0, 0, kWidth, kHeight, ~0u),
            nullptr);
        if (reply) {
            const auto* data = reinterpret_cast<const uint32_t*>(xcb_get_image_data(reply));
            for (int i = 0; i < kWidth * kHeight; ++i)
                pixels.push_back(data[i] & 0xFFFFFF);
            std::free(reply);
        }
        xcb_disconnect(c);
        return pixels;
    }
    static std::vector<uint32_t> surfacePixels()
    {
        std::lock_guard<std::mutex> lock(PadState::instance().mutex);
        const InkSurface& surface = InkSession::instance().surface();
        std::vector<uint32_t> pixels;
        for (int y = 0; y < surface.height(); ++y)
            for (int x = 0; x < surface.width(); ++x)
                pixels.push_back(surface.pixels()[size_t(y) * surface.stride() + x] & 0xFFFFFF);
        return pixels;
    }

private slots:
    void initTestCase()
    {
        // Re-created defaults: a black pen 32 wide on #EBEBEB, pictures of the whole surface.
        PadSettingsStore::instance().loadAtStartUp(m_settings.filePath("RZK_PadsafeConf.INI").toStdString());
        SetKeyPressCallback(onKey);
    }

    void init()
    {
        QVERIFY(m_sim.start());
        m_pad = std::make_unique<Pad>(Pad::Channel::Feature);
        m_device = m_sim->plug(m_pad->desc());
        m_window = std::make_unique<QWindow>();
        m_window->resize(kWidth, kHeight);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        ReturnGetInfo();
        QCOMPARE(startSignature(VelmoraWindow(m_window->winId()), kWidth, kHeight), 0);
    }

    void cleanup()
    {
        PadSession::instance().stopReaderThread();
        endSignature();
        endSignature();
        m_sim.stop();
        m_window.reset();
    }

    void inkReachesTheWindowAndThePicture()
    {
        stroke(1000, 9000, 3000);
        QTRY_VERIFY(inkReaches(windowX(9000)));
        const std::vector<uint32_t> shown = windowPixels();
        QVERIFY(shown == surfacePixels());
        QVERIFY(std::count(shown.begin(), shown.end(), 0u) > 200);  // the black ink

        const std::string file = path("realtime_sig.png");
        QCOMPARE(realtime(file), QByteArray("DRV0000000"));
        QImageReader reader(QString::fromStdString(file));
        QCOMPARE(reader.format(), QByteArray("png"));
        const QImage picture = reader.read();
        QCOMPARE(picture.size(), QSize(kWidth, kHeight));
        const int y = 3000 * kHeight / 7422;
        QCOMPARE(picture.pixel(200, y), 0xFF000000u);
        QCOMPARE(qAlpha(picture.pixel(5, 5)), 0);
    }

    void afterOkThePictureAndTheData()
    {
        stroke(1000, 9000, 3000);
        QTRY_VERIFY(inkReaches(windowX(9000)));
        pressOk();
        const std::string polled = path("realtime_sig.png");
        QCOMPARE(realtime(polled), QByteArray("DRVQNV0003"));
        QVERIFY(!QFile::exists(QString::fromStdString(polled)));

        std::vector<unsigned char> buffer(VELMORA_SIGNATURE_DATA_MAX, 0);
        Codes codes;
        int iCode = 0;
        const std::string file = path("sig.bmp");
        getSignatureNoENC(buffer.data(), &iCode, file.c_str(), codes.code, codes.message);
        QCOMPARE(codes.text(), QByteArray("DRV0000000"));
        QCOMPARE(iCode, 2);
        QImageReader reader(QString::fromStdString(file));
        QCOMPARE(reader.format(), QByteArray("bmp"));
        QCOMPARE(reader.read().size(), QSize(kWidth, kHeight));

        int32_t length = 0;
        std::memcpy(&length, buffer.data(), 4);
        // Eleven points and one lift marker.
        QCOMPARE(length, 48 + 12 * 9);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(buffer.data() + 4), 4), QByteArray("QNV\0", 4));
        uint32_t width = 0;
        std::memcpy(&width, buffer.data() + 8, 4);
        QCOMPARE(width, uint32_t(kWidth));
        QCOMPARE(buffer[52], uint8_t(0xA1));
        QCOMPARE(buffer[52 + 11 * 9], uint8_t(0x80));

        getSignatureNoENC(buffer.data(), &iCode, file.c_str(), codes.code, codes.message);
        QCOMPARE(codes.text(), QByteArray("DRVQNV0011"));
    }

    // Taken without an end first: the surface stays until the end, so a clear still erases the
    // window and the next take finds a started session without ink.
    void aClearAfterATakeWithoutEndErasesTheWindow()
    {
        stroke(1000, 9000, 3000);
        QTRY_VERIFY(inkReaches(windowX(9000)));
        Codes codes;
        int iCode = 0;
        getSignatureNoENC(nullptr, &iCode, path("sig.png").c_str(), codes.code, codes.message);
        QCOMPARE(codes.text(), QByteArray("DRV0000000"));
        QCOMPARE(clearSignature(), 0);
        const std::vector<uint32_t> shown = windowPixels();
        QVERIFY(std::all_of(shown.begin(), shown.end(), [](uint32_t p) { return p == 0xEBEBEB; }));
        getSignatureNoENC(nullptr, &iCode, nullptr, codes.code, codes.message);
        QCOMPARE(codes.text(), QByteArray("DRVQNV0001"));
    }

    void strokesAfterAPollReachTheFinalPicture()
    {
        stroke(1000, 4000, 2000);
        QTRY_VERIFY(inkReaches(windowX(4000)));
        QCOMPARE(realtime(path("realtime_sig.png")), QByteArray("DRV0000000"));
        stroke(6000, 9500, 5000);
        QTRY_VERIFY(inkReaches(windowX(9500)));
        pressOk();
        Codes codes;
        int iCode = 0;
        const std::string file = path("final.png");
        getSignatureNoENC(nullptr, &iCode, file.c_str(), codes.code, codes.message);
        QCOMPARE(codes.text(), QByteArray("DRV0000000"));
        const QImage picture(QString::fromStdString(file));
        QCOMPARE(qAlpha(picture.pixel(windowX(2500), 2000 * kHeight / 7422)), 255);
        QCOMPARE(qAlpha(picture.pixel(windowX(8000), 5000 * kHeight / 7422)), 255);
    }
};

QTEST_MAIN(TestPadPicture)
#include "tst_padpicture.moc"
