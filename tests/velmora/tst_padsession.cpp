// The pad's command channel and reader thread against the simulated pad, through the exports.

#include "CommandChannel.h"
#include "InkSession.h"
#include "PadLog.h"
#include "PadSession.h"
#include "PadState.h"

#include "SimFixture.h"
#include "sim/DevSim.h"
#include "sim/SimSignaturePadModel.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QWindow>
#include <QtTest>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <xcb/xcb.h>

using platform::DevSim;
using platform::SimBytes;
using platform::SimFault;
using platform::SimRecord;
using Pad = platform::SimSignaturePadModel;

Q_DECLARE_METATYPE(Pad::Channel)
Q_DECLARE_METATYPE(SimFault)

namespace {

const SimBytes StartRecord = {0x83, 0xA4, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00};
const SimBytes StopRecord = {0x83, 0xA4, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

std::atomic<int> g_keyCount{0};
std::atomic<int> g_lastKey{0};
// Runs inside the key callback; set only while no reader runs.
std::function<void(int)> g_keyHook;

void onKey(int key)
{
    g_lastKey = key;
    if (g_keyHook)
        g_keyHook(key);
    ++g_keyCount;
}

// Client messages that reach the test's window.
class MessageCatcher : public QAbstractNativeEventFilter
{
public:
    bool nativeEventFilter(const QByteArray& type, void* message, long*) override
    {
        if (type != "xcb_generic_event_t")
            return false;
        auto* event = static_cast<xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7F) != XCB_CLIENT_MESSAGE)
            return false;
        auto* client = reinterpret_cast<xcb_client_message_event_t*>(event);
        received.append({client->data.data32[0], client->data.data32[1], client->data.data32[2]});
        return true;
    }
    QList<QList<uint32_t>> received;
};

} // namespace

class TestPadSession : public QObject
{
    Q_OBJECT

private:
    void plug(Pad::Channel channel = Pad::Channel::Feature)
    {
        m_pad = std::make_unique<Pad>(channel);
        m_device = m_sim->plug(m_pad->desc());
    }
    void send(const SimBytes& report) { QVERIFY(m_sim->sendInput(m_device, Pad::PenCollection, report)); }
    VelmoraWindow window() const { return VelmoraWindow(m_window->winId()); }
    void pressKey(int code)
    {
        const int before = g_keyCount;
        send(Pad::keyReport(code));
        QTRY_COMPARE(g_keyCount.load(), before + 1);
    }
    int start() { return startSignature(window(), 400, 200); }
    // ReturnGetInfo resets the event, so it is asked once per look.
    static bool eventArrives(int expected)
    {
        QDeadlineTimer deadline(5000);
        while (!deadline.hasExpired()) {
            const int event = ReturnGetInfo();
            if (event == expected)
                return true;
            if (event != -1)
                return false;
            QTest::qWait(5);
        }
        return false;
    }

    SimFixture m_sim;
    std::unique_ptr<Pad> m_pad;
    std::unique_ptr<QWindow> m_window;
    int m_device = 0;

private slots:
    void initTestCase()
    {
        SetKeyPressCallback(onKey);
    }

    void init()
    {
        QVERIFY(m_sim.start());
        m_window = std::make_unique<QWindow>();
        m_window->resize(400, 200);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        g_keyHook = nullptr;
        ReturnGetInfo();
    }

    void cleanup()
    {
        PadSession::instance().stopReaderThread();
        g_keyHook = nullptr;
        endSignature();
        endSignature();
        m_sim.stop();
        m_window.reset();
    }

    void featureFrames_data()
    {
        QTest::addColumn<int>("lc");
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("length");
        QTest::newRow("no data") << 0 << 1 << 64;
        QTest::newRow("64 in all") << 52 << 1 << 64;
        QTest::newRow("65 in all") << 53 << 2 << 128;
        QTest::newRow("512 in all") << 500 << 8 << 512;
        QTest::newRow("513 in all") << 501 << 0x61 << 1040;
        QTest::newRow("largest that fits") << 15 * 1024 + 4 << 0x6F << 15 * 1024 + 16;
        QTest::newRow("too large for an id") << 15 * 1024 + 5 << 0 << 0;
    }
    void featureFrames()
    {
        QFETCH(int, lc);
        QFETCH(int, id);
        QFETCH(int, length);
        PadCommand command{0x83, 0xA4, 0x12, 0x34, 0x0102, std::vector<uint8_t>(size_t(lc), 0xEE)};
        const auto frame = command.featureFrame();
        if (id == 0) {
            QVERIFY(!frame);
            return;
        }
        QVERIFY(frame);
        QCOMPARE(int(frame->size()), length);
        const std::vector<uint8_t> head(frame->begin(), frame->begin() + 12);
        QCOMPARE(head, (std::vector<uint8_t>{uint8_t(id), 0, 0, 0, 0x83, 0xA4, 0x12, 0x34,
                                             uint8_t(lc), uint8_t(lc >> 8), 0x02, 0x01}));
        QCOMPARE(std::count(frame->begin() + 12, frame->end(), 0xEE), long(lc));
        QVERIFY(std::all_of(frame->begin() + 12 + lc, frame->end(), [](uint8_t b) { return b == 0; }));
    }

    void reportFrames()
    {
        PadCommand command{0x83, 0xA4, 0x00, 0x01, 0, std::vector<uint8_t>(300, 0xEE)};
        const auto frame = command.reportFrame();
        QVERIFY(frame);
        QCOMPARE(frame->size(), size_t(320));
        QCOMPARE(std::vector<uint8_t>(frame->begin(), frame->begin() + 12),
                 (std::vector<uint8_t>{5, 0, 0x01, 0x34, 0x83, 0xA4, 0x00, 0x01, 0x2C, 0x01, 0, 0}));
        command.data.resize(308);
        QVERIFY(command.reportFrame());
        command.data.resize(309);
        QVERIFY(!command.reportFrame());
    }

    void answersBoundedByTheirReport()
    {
        uint8_t feature[63] = {1, 0, 0, 0, 57, 0};
        QCOMPARE(PadCommand::featureAnswer(feature, sizeof feature)->size(), size_t(57));
        feature[4] = 58;
        QVERIFY(!PadCommand::featureAnswer(feature, sizeof feature));
        QVERIFY(!PadCommand::featureAnswer(feature, 5));

        uint8_t report[320] = {5, 0, 0, 0, 0x38, 0x01};  // 312 bytes
        QVERIFY(PadCommand::reportAnswer(report, sizeof report, 320));
        report[4] = 0x39;
        QVERIFY(!PadCommand::reportAnswer(report, sizeof report, 320));
        report[4] = 20;
        QVERIFY(!PadCommand::reportAnswer(report, 20, 320));
    }

    void toWindow_data()
    {
        QTest::addColumn<int>("pad");
        QTest::addColumn<int>("padMax");
        QTest::addColumn<int>("area");
        QTest::addColumn<int>("pixel");
        QTest::newRow("right edge") << 10206 << 10206 << 400 << 400;
        QTest::newRow("bottom edge") << 7422 << 7422 << 200 << 200;
        QTest::newRow("truncated") << 10205 << 10206 << 400 << 399;
        QTest::newRow("origin") << 0 << 10206 << 400 << 0;
        QTest::newRow("huge area") << 10206 << 10206 << 2000000000 << 2000000000;
    }
    void toWindow()
    {
        QFETCH(int, pad);
        QFETCH(int, padMax);
        QFETCH(int, area);
        QFETCH(int, pixel);
        QCOMPARE(PadSession::toWindow(pad, padMax, area), pixel);
    }

    void startSendsExactFrame_data()
    {
        QTest::addColumn<Pad::Channel>("channel");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("frameLength");
        QTest::addColumn<QByteArray>("head");
        QTest::newRow("feature") << Pad::Channel::Feature << int(SimRecord::SetFeature) << 64
                                 << QByteArray::fromHex("0100000083a40001000000");
        QTest::newRow("report") << Pad::Channel::Report << int(SimRecord::Output) << 320
                                << QByteArray::fromHex("0500000883a40001000000");
    }
    void startSendsExactFrame()
    {
        QFETCH(Pad::Channel, channel);
        QFETCH(int, kind);
        QFETCH(int, frameLength);
        QFETCH(QByteArray, head);
        plug(channel);
        QCOMPARE(start(), 0);
        const auto records = m_sim->records(m_device);
        QCOMPARE(records.size(), size_t(1));
        QCOMPARE(int(records[0].kind), kind);
        QCOMPARE(records[0].collection, Pad::CommandCollection);
        QByteArray expected = head;
        expected.append(QByteArray(frameLength - head.size(), '\0'));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(records[0].data.data()), int(records[0].data.size())), expected);

        QCOMPARE(endSignature(), 0);
        QCOMPARE(m_pad->commands(), (std::vector<SimBytes>{StartRecord, StopRecord}));
    }

    void padAnswers_data()
    {
        QTest::addColumn<Pad::Channel>("channel");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("result");
        for (auto channel : {Pad::Channel::Feature, Pad::Channel::Report}) {
            const char* kind = channel == Pad::Channel::Feature ? "feature" : "report";
            QTest::addRow("%s: 00 90 is success", kind) << channel << QByteArray::fromHex("0090") << 0;
            QTest::addRow("%s: success with payload", kind) << channel << QByteArray::fromHex("0090aabb") << 0;
            QTest::addRow("%s: 80 6A", kind) << channel << QByteArray::fromHex("806a") << 0x6A80;
            QTest::addRow("%s: one byte", kind) << channel << QByteArray::fromHex("00") << -3;
            QTest::addRow("%s: nothing", kind) << channel << QByteArray() << -3;
        }
        QTest::newRow("feature: longer than the report") << Pad::Channel::Feature << QByteArray(58, '\0') << -3;
    }
    void padAnswers()
    {
        QFETCH(Pad::Channel, channel);
        QFETCH(QByteArray, answer);
        QFETCH(int, result);
        plug(channel);
        m_pad->answerBytes(SimBytes(answer.begin(), answer.end()));
        QCOMPARE(CommandChannel::send(PadCommand::start()), result);
        QCOMPARE(CommandChannel::lastKind(),
                 channel == Pad::Channel::Feature ? CommandChannel::FeatureKind : CommandChannel::ReportKind);
    }

    void payloadAfterTheStatusWord()
    {
        plug();
        m_pad->answerBytes({0x00, 0x90, 0x11, 0x22, 0x33});
        std::unique_ptr<CommandChannel> channel;
        QCOMPARE(CommandChannel::open(channel), 0);
        std::vector<uint8_t> payload;
        QCOMPARE(channel->transceive(PadCommand::stop(), &payload), 0);
        QCOMPARE(payload, (std::vector<uint8_t>{0x11, 0x22, 0x33}));
    }

    void busyPad()
    {
        plug();
        m_pad->answerBusyFor(200);
        QCOMPARE(CommandChannel::send(PadCommand::start()), 0);
        m_pad->answerBusyFor(1500);
        QCOMPARE(CommandChannel::send(PadCommand::start()), -3);
    }

    void silentPad()
    {
        plug();
        m_sim->setFault(m_device, SimFault::Silent);
        QCOMPARE(CommandChannel::send(PadCommand::start()), -3);
    }

    void noPad()
    {
        QCOMPARE(CommandChannel::send(PadCommand::start()), int(VELMORA_PAD_NOT_FOUND));
        QCOMPARE(start(), int(VELMORA_PAD_NOT_FOUND));
        // The surface was set up all the same; the stop command finds no pad.
        QCOMPARE(endSignature(), int(VELMORA_PAD_NOT_FOUND));
        QCOMPARE(endSignature(), int(VELMORA_NOT_ENDED));
    }

    void padRefusesOpen_data()
    {
        QTest::addColumn<SimFault>("fault");
        QTest::addColumn<bool>("permissionLogged");
        QTest::newRow("refused") << SimFault::RefuseOpen << false;
        QTest::newRow("no permission") << SimFault::DenyAccess << true;
    }
    void padRefusesOpen()
    {
        QFETCH(SimFault, fault);
        QTemporaryDir logFolder;
        const QString log = logFolder.filePath("Velmora.log");
        PadLog::instance().setPath(log.toStdString());
        PadLog::instance().write(PadLog::OpenRoot, "banner");
        plug();
        m_sim->setFault(m_device, fault);
        QCOMPARE(CommandChannel::send(PadCommand::start()), int(VELMORA_NO_HANDLE));
        PadLog::instance().setPath({});
        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QTEST(file.readAll().contains("permission refused (EACCES)"), "permissionLogged");
    }

    void startReturnsPadStatus()
    {
        plug();
        m_pad->answerStatus(0x6A80);
        QCOMPARE(start(), 0x6A80);
    }

    void okKeyEndsSession()
    {
        plug();
        QCOMPARE(start(), 0);
        QCOMPARE(ReturnGetInfo(), -1);
        send(Pad::penReport(0xA1, 1000, 1000, 0));
        send(Pad::penReport(0xA1, 2000, 2000, 600));
        send(Pad::penReport(0xA1, 3000, 2500, 700));
        pressKey(1);
        QCOMPARE(g_lastKey.load(), 1);
        QTRY_COMPARE(m_pad->commands().size(), size_t(2));
        QCOMPARE(m_pad->commands()[1], StopRecord);
        QCOMPARE(ReturnGetInfo(), 1);
        QCOMPARE(ReturnGetInfo(), -1);
        {
            std::lock_guard<std::mutex> lock(PadState::instance().mutex);
            QVERIFY(InkSession::instance().has(InkSession::Ended));
            QVERIFY(InkSession::instance().has(InkSession::HasInk));
        }
        QCOMPARE(endSignature(), int(VELMORA_NOT_ENDED));

        // The reader is gone: later reports change nothing.
        send(Pad::keyReport(3));
        send(Pad::penReport(0xA1, 100, 100, 500));
        QTest::qWait(100);
        QCOMPARE(ReturnGetInfo(), -1);
    }

    void cancelKeyEndsSession()
    {
        plug();
        QCOMPARE(start(), 0);
        pressKey(2);
        QCOMPARE(g_lastKey.load(), 2);
        QCOMPARE(ReturnGetInfo(), 2);
        QTRY_COMPARE(m_pad->commands().size(), size_t(2));
        QCOMPARE(endSignature(), int(VELMORA_NOT_ENDED));
    }

    void clearKeyRestartsAndKeepsReading()
    {
        plug();
        QCOMPARE(start(), 0);
        send(Pad::penReport(0xA1, 1000, 1000, 500));
        send(Pad::penReport(0xA1, 1500, 1200, 500));
        pressKey(3);
        QCOMPARE(g_lastKey.load(), 3);
        QCOMPARE(m_pad->commands(), (std::vector<SimBytes>{StartRecord, StartRecord}));
        {
            std::lock_guard<std::mutex> lock(PadState::instance().mutex);
            QVERIFY(!InkSession::instance().has(InkSession::HasInk));
            QVERIFY(InkSession::instance().has(InkSession::SurfaceActive));
        }
        QCOMPARE(ReturnGetInfo(), 3);
        pressKey(3);
        QCOMPARE(ReturnGetInfo(), 3);
        QCOMPARE(m_pad->commands().size(), size_t(3));
        send(Pad::penReport(0xA1, 1000, 1000, 500));
        QVERIFY(eventArrives(255));
        QCOMPARE(endSignature(), 0);
    }

    void reportIdZeroIgnored()
    {
        plug();
        QCOMPARE(start(), 0);
        SimBytes okWithoutId = Pad::keyReport(1);
        okWithoutId[0] = 0;
        send(okWithoutId);
        SimBytes penWithoutId = Pad::penReport(0xA1, 500, 500, 800);
        penWithoutId[0] = 0;
        send(penWithoutId);
        pressKey(3);  // the reader handles reports in order: the two before were seen
        QCOMPARE(g_lastKey.load(), 3);
        QCOMPARE(ReturnGetInfo(), 3);
        QCOMPARE(m_pad->commands(), (std::vector<SimBytes>{StartRecord, StartRecord}));
    }

    // No box blocks the reader: the rating goes to the log, the pad is stopped, nobody is called.
    void ratingKeyStopsWithoutCallback()
    {
        QTemporaryDir logFolder;
        const QString log = logFolder.filePath("Velmora.log");
        PadLog::instance().setPath(log.toStdString());
        PadLog::instance().write(PadLog::OpenRoot, "banner");
        plug();
        QCOMPARE(start(), 0);
        const int keys = g_keyCount;
        send(Pad::keyReport(0xE2));
        QTRY_COMPARE(m_pad->commands().size(), size_t(2));
        QCOMPARE(m_pad->commands()[1], StopRecord);
        QCOMPARE(g_keyCount.load(), keys);
        QCOMPARE(ReturnGetInfo(), -1);
        PadLog::instance().setPath({});
        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains(QTextCodec::codecForName("GBK")->fromUnicode("用户评价：满意") + "\r\n"));
    }

    void unknownKeyDoesNothing()
    {
        plug();
        QCOMPARE(start(), 0);
        send(Pad::keyReport(4));
        pressKey(3);
        QCOMPARE(g_lastKey.load(), 3);
        QCOMPARE(ReturnGetInfo(), 3);
    }

    void lostPenChannelEndsReaderAndKeepsInk()
    {
        plug();
        QCOMPARE(start(), 0);
        send(Pad::penReport(0xA1, 1000, 1000, 500));
        QVERIFY(eventArrives(255));
        send(Pad::penReport(0xA1, 2000, 1500, 500));
        QVERIFY(eventArrives(255));
        m_sim->unplug(m_device);

        // Plugged back, the pad is not read until the next start.
        plug();
        send(Pad::keyReport(1));
        QTest::qWait(100);
        QCOMPARE(ReturnGetInfo(), -1);
        {
            std::lock_guard<std::mutex> lock(PadState::instance().mutex);
            QVERIFY(InkSession::instance().has(InkSession::HasInk));
            QVERIFY(InkSession::instance().has(InkSession::SurfaceActive));
        }
        QCOMPARE(endSignature(), 0);
        QCOMPARE(start(), 0);
        pressKey(1);
        QCOMPARE(ReturnGetInfo(), 1);
    }

    // A key callback that calls back into the library neither deadlocks nor joins its own thread.
    void callbackCallsIntoLibrary()
    {
        plug();
        std::atomic<int> restarted{-1};
        std::atomic<int> ended{-1};
        g_keyHook = [&](int key) {
            if (key == 3)
                restarted = startSignature(window(), 400, 200);
            else if (key == 1)
                ended = endSignature();
        };
        QCOMPARE(start(), 0);
        pressKey(3);
        QCOMPARE(restarted.load(), 0);
        // The new session's reader takes the keys from here on.
        pressKey(1);
        QCOMPARE(ended.load(), int(VELMORA_NOT_ENDED));
        QCOMPARE(ReturnGetInfo(), 1);
        PadSession::instance().stopReaderThread();
    }

    void keyMessageToTheWindow()
    {
        MessageCatcher catcher;
        qApp->installNativeEventFilter(&catcher);
        plug();
        startMessage(window(), 0x4711);
        QCOMPARE(start(), 0);
        pressKey(3);
        QTRY_COMPARE(catcher.received.size(), 1);
        QCOMPARE(catcher.received[0], (QList<uint32_t>{0x4711, 3, 3}));
        stopMessage();
        pressKey(3);
        QTest::qWait(100);
        QCOMPARE(catcher.received.size(), 1);
        qApp->removeNativeEventFilter(&catcher);
    }

    // Exports polled from other threads while the reader draws, clears and ends.
    void exportsRaceTheReader()
    {
        plug();
        QCOMPARE(start(), 0);
        std::atomic<bool> done{false};
        std::vector<std::thread> pollers;
        for (int t = 0; t < 2; ++t)
            pollers.emplace_back([&] {
                char code[11];
                char message[1024];
                while (!done) {
                    ReturnGetInfo();
                    getSignatureRealtimePic("/nonexistent/realtime.png", code, message);
                    int width = 0, color = 0;
                    getPenStyle(&width, &color, code, message);
                }
            });
        for (int i = 0; i < 200; ++i)
            send(Pad::penReport(0xA1, 20 * i, 10 * i, i % 3 ? 600 : 0));
        pressKey(3);
        for (int i = 0; i < 100; ++i)
            send(Pad::penReport(0xA0, 30 * i, 20 * i, 700));
        clearSignature();
        pressKey(1);
        done = true;
        for (auto& t : pollers)
            t.join();
        QCOMPARE(g_lastKey.load(), 1);
        QCOMPARE(endSignature(), int(VELMORA_NOT_ENDED));
    }
};

QTEST_MAIN(TestPadSession)
#include "tst_padsession.moc"
