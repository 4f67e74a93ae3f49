#include "CapturedLog.h"
#include "ConfigManager.h"
#include "DeviceController.h"
#include "DrawLabel.h"
#include "LanguageManager.h"
#include "MainWindow.h"
#include "PdfHandler.h"
#include "PdfSignCoreWidget.h"
#include "SigningFlowKit.h"
#include "ReaderFolder.h"
#include "StrokeGeometry.h"
#include "TestPdf.h"
#include "sim/DevSim.h"
#include "sim/SimModelCatalog.h"
#include "sim/SimSignaturePadModel.h"
#include "sim/SimTrace.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>

using namespace SigningFlowKit;
using platform::DevSim;
using platform::SimModelCatalog;
using platform::SimSignaturePadModel;

namespace {

// Accepts every message box the program shows and keeps its text.
class BoxAnswerer : public QObject
{
public:
    QStringList texts;
    BoxAnswerer()
    {
        timer.setInterval(20);
        connect(&timer, &QTimer::timeout, this, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                texts.append(box->text());
                box->buttons().first()->click();
            }
        });
        timer.start();
    }

private:
    QTimer timer;
};

// One of the recorded signatures in scripts/sim: the same one on each device.
std::optional<platform::SimTrace> recordedSignature(const char *file = "signature.trace")
{
    std::string error;
    return platform::SimTrace::load(SIGNATURE_TRACES "/" + std::string(file), error);
}

QByteArray digest(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

// Tag boxes in 300 dpi pixels of an A4 page (2480 x 3508), the board's proportions.
const QRect LowerBox(300, 2600, 880, 495);
const QRect UpperBox(1300, 400, 880, 495);
// Small boxes, as on a form, where a thin line fades on paper.
const QRect SmallLowerBox(300, 2600, 300, 170);
const QRect SmallUpperBox(1300, 400, 300, 170);

} // namespace

// The whole signing flow through the real main window, over simulated devices, on an X server
// with two screens side by side.
class tst_signingflow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void tabletSignsEveryTag();
    void penDisplayTapsItsButtons();
    void padDrawsLiveIntoTheBoard();
    void tabletUnpluggedAndPluggedAgain();
    void signaturesThroughDeviceChurn();
    void readerUnpluggedDuringCapture();
    void cancelAtEveryStage_data();
    void cancelAtEveryStage();
    void quitWhileSigning();

private:
    // Opens a copy of a fresh document with these tags and starts signing; the signing window
    // is then up.
    void startSigning(MainWindow &window, const QList<PdfSignTag> &tags);
    // Sign on the signing window, then waits for a writing board newer than the last one
    // (then lastBoard).
    void nextBoard();
    // The fingerprint dialog, once the simulated reader's finger is on it; confirmed with the
    // device's ok key.
    void confirmFingerprint(int device);
    void waitForBoardToClose();
    // OK on the signing window, the save prompt answered, the document saved; checks the file.
    void acceptAndSave(MainWindow &window, const QList<PdfSignTag> &tags, QList<double> *darknessPerTag = nullptr);
    // Plugs a device and waits until the hub has it.
    int plug(const char *model);
    void waitForDevice();
    // The recorded signature written on the pad; returns once the board's canvas shows its picture.
    void writeOnPad(int pad);

    QTemporaryDir folder;
    QSharedPointer<PdfHandler> pdf = PdfHandler::instance();
    QSharedPointer<ConfigManager> config = ConfigManager::instance();
    // Served before the hub starts, so it follows every plug from the first.
    DevSim sim{qgetenv("INKWARDEN_DEVSIM").toStdString()};
    QScopedPointer<BoxAnswerer> answerer;
    QString original;
    QString working;
    QPointer<QWidget> lastBoard;
    QList<int> plugged;
};

void tst_signingflow::initTestCase()
{
    // The program finds the live-scan reader libraries beside itself.
    QVERIFY(ReaderFolder::linkLibraries());
    original = folder.filePath(QStringLiteral("contract.pdf"));
    QVERIFY(TestPdf::writeWithContent(original, 4));
    config->loadConfig();
    config->setValue(QStringLiteral("app/language"), QStringLiteral("en_US"));
    QVERIFY(config->saveConfig());
    // Qt may learn of the second screen from the server a moment after it starts.
    QTRY_COMPARE(QGuiApplication::screens().size(), 2);
}

void tst_signingflow::init()
{
    answerer.reset(new BoxAnswerer);
    working = folder.filePath(QStringLiteral("%1.pdf").arg(QTest::currentTestFunction()));
    QFile::remove(working);
    QVERIFY(QFile::copy(original, working));
}

void tst_signingflow::cleanup()
{
    for (int id : qAsConst(plugged))
        sim.unplug(id);
    plugged.clear();
    QTRY_VERIFY(!DeviceController::instance()->hasDevice());
    answerer.reset();
}

int tst_signingflow::plug(const char *model)
{
    const int id = sim.plug(model == QByteArray("signature-pad") ? SimSignaturePadModel().desc() : *SimModelCatalog::make(model));
    plugged.append(id);
    waitForDevice();
    return id;
}

void tst_signingflow::waitForDevice()
{
    QTRY_VERIFY_WITH_TIMEOUT(DeviceController::instance()->hasDevice(), 10000);
}

void tst_signingflow::writeOnPad(int pad)
{
    const auto signature = recordedSignature("signature-pad.trace");
    QVERIFY(signature);
    play(sim, pad, *signature);
    DrawLabel *canvas = lastBoard->findChild<DrawLabel *>();
    QTRY_VERIFY_WITH_TIMEOUT(!StrokeGeometry::inkBounds(canvas->padImage()).isNull(), 10000);
}

void tst_signingflow::startSigning(MainWindow &window, const QList<PdfSignTag> &tags)
{
    window.setGeometry(QGuiApplication::screens().first()->availableGeometry().adjusted(40, 40, -40, -40));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    PdfSignCoreWidget *pages = editor(window);
    QVERIFY(pages->openPdf(working));
    PdfSignData data;
    data.tags = tags;
    pages->applySignData(data);
    QCOMPARE(pages->tagCount(), tags.size());
    window.findChild<QPushButton *>(QStringLiteral("startSignBtn"))->click();
    QTRY_VERIFY(visibleWindow("PdfViewer"));
}

void tst_signingflow::nextBoard()
{
    QWidget *viewer = visibleWindow("PdfViewer");
    QVERIFY(viewer);
    QPushButton *sign = button(viewer, "sign");
    QTRY_VERIFY_WITH_TIMEOUT(sign->isEnabled(), 5000);
    sign->click();
    QTRY_VERIFY_WITH_TIMEOUT(board() && board() != lastBoard, 10000);
    lastBoard = board();
    QVERIFY(QTest::qWaitForWindowExposed(lastBoard));
    QTRY_VERIFY(onTop(lastBoard));
    // No compositing manager here: the board's corner must not show black.
    const QPoint corner = lastBoard->geometry().topLeft() - lastBoard->screen()->geometry().topLeft();
    QVERIFY(qGray(lastBoard->screen()->grabWindow(0).toImage().pixel(corner)) > 80);
}

void tst_signingflow::confirmFingerprint(int device)
{
    QTRY_VERIFY_WITH_TIMEOUT(visibleWindow("IDFpDialog"), 10000);
    QPointer<QWidget> dialog = visibleWindow("IDFpDialog");
    QTRY_VERIFY(onTop(dialog));
    QPushButton *confirm = button(dialog, "ok");
    QVERIFY(confirm);
    QTRY_VERIFY_WITH_TIMEOUT(confirm->isEnabled(), 15000);
    QTest::qWait(250);   // the tablet's keys are debounced
    sim.sendInput(device, keyReport(3));
    QTRY_VERIFY_WITH_TIMEOUT(dialog.isNull() || !dialog->isVisible(), 10000);
}

void tst_signingflow::waitForBoardToClose()
{
    QTRY_VERIFY_WITH_TIMEOUT(!board() || board() != lastBoard, 10000);
}

void tst_signingflow::acceptAndSave(MainWindow &window, const QList<PdfSignTag> &tags, QList<double> *darknessPerTag)
{
    QWidget *viewer = visibleWindow("PdfViewer");
    QVERIFY(viewer);
    QPushButton *ok = button(viewer, "ok");
    QVERIFY(ok);
    QTRY_VERIFY_WITH_TIMEOUT(ok->isEnabled(), 5000);
    ok->click();
    QTRY_VERIFY(!visibleWindow("PdfViewer"));
    QTRY_VERIFY_WITH_TIMEOUT(answerer->texts.contains(translated("signing_completed_save_prompt")), 10000);
    PdfSignCoreWidget *pages = editor(window);
    QVERIFY(!pages->hasPendingTags());
    const QString saved = folder.filePath(QStringLiteral("%1-signed.pdf").arg(QTest::currentTestFunction()));
    QVERIFY(pages->savePdf(saved));
    const QString checked = qpdfCheck(saved);
    QVERIFY2(checked.isEmpty(), qPrintable(checked));
    const QString compared = compareSaved(original, saved, tags, darknessPerTag);
    QVERIFY2(compared.isEmpty(), qPrintable(compared));
}

void tst_signingflow::tabletSignsEveryTag()
{
    const auto signature = recordedSignature();
    QVERIFY(signature);
    MainWindow window;
    const QList<PdfSignTag> tags = {tag(1, PdfSignTag::SignOnly, LowerBox), tag(2, PdfSignTag::FpOnly, UpperBox),
                                    tag(3, PdfSignTag::SignAndFp, LowerBox)};
    startSigning(window, tags);

    // Sign with no device says so and opens no board.
    button(visibleWindow("PdfViewer"), "sign")->click();
    QTRY_VERIFY(answerer->texts.contains(translated("sign_no_device")));
    QVERIFY(!board());
    const int tablet = plug("tablet");

    // A signature written with the recorded trace, seen on the board, confirmed by the tablet's ok key.
    nextBoard();
    play(sim, tablet, *signature);
    QTRY_VERIFY(showsInk(lastBoard->findChild<QWidget *>(QStringLiteral("drawLabel"))));
    sim.sendInput(tablet, keyReport(3));
    waitForBoardToClose();

    // A fingerprint from the simulated reader.
    QPushButton *fingerprint = button(visibleWindow("PdfViewer"), "fingerprint");
    QTRY_VERIFY(fingerprint->isEnabled());
    fingerprint->click();
    confirmFingerprint(tablet);

    // Both: the signature confirmed on the board's own button, then the fingerprint at once.
    nextBoard();
    QWidget *both = lastBoard;
    play(sim, tablet, *signature);
    QPushButton *ok = button(both, "ok");
    QVERIFY(ok);
    QTest::mouseClick(ok, Qt::LeftButton);
    waitForBoardToClose();
    confirmFingerprint(tablet);

    acceptAndSave(window, tags);
}

void tst_signingflow::penDisplayTapsItsButtons()
{
    const int display = plug("pen-display");
    QScreen *penScreen = QGuiApplication::screens().at(1);
    const QRect screen = penScreen->geometry();
    const QSize tablet(DeviceController::instance()->tabletWidth(), DeviceController::instance()->tabletHeight());
    const auto toTablet = [&](QPoint global) {
        return QPoint(int(qint64(global.x() - screen.x()) * tablet.width() / screen.width()),
                      int(qint64(global.y() - screen.y()) * tablet.height() / screen.height()));
    };
    const auto tap = [&](QWidget *target) {
        const QPoint at = toTablet(target->mapToGlobal(target->rect().center()));
        sim.sendInput(display, penReport(13, 0xA0, at.x(), at.y(), 0));
        sim.sendInput(display, penReport(13, 0xA1, at.x(), at.y(), 4000));
        sim.sendInput(display, penReport(13, 0xA0, at.x(), at.y(), 0));
    };

    MainWindow window;
    const QList<PdfSignTag> tags = {tag(2, PdfSignTag::SignOnly, LowerBox)};
    startSigning(window, tags);
    QWidget *viewer = visibleWindow("PdfViewer");
    QTRY_COMPARE(viewer->windowHandle()->screen(), penScreen);
    QPushButton *sign = button(viewer, "sign");
    QTRY_VERIFY(sign->isEnabled());
    tap(sign);
    QTRY_VERIFY_WITH_TIMEOUT(board() && board() != lastBoard, 10000);
    lastBoard = board();
    QVERIFY(QTest::qWaitForWindowExposed(lastBoard));
    QWidget *paint = lastBoard;
    QVERIFY(screen.contains(paint->frameGeometry()));
    QTRY_VERIFY(onTop(paint));
    QWidget *canvas = paint->findChild<QWidget *>(QStringLiteral("drawLabel"));
    const QRect area(toTablet(canvas->mapToGlobal(QPoint(20, 20))),
                     toTablet(canvas->mapToGlobal(QPoint(canvas->width() - 20, canvas->height() - 20))));
    play(sim, display, stroke(13, area, 8191));
    QTRY_VERIFY(showsInk(canvas));
    tap(button(paint, "ok"));
    waitForBoardToClose();

    QPushButton *ok = button(viewer, "ok");
    QTRY_VERIFY(ok->isEnabled());
    tap(ok);
    QTRY_VERIFY(!visibleWindow("PdfViewer"));
    QTRY_VERIFY_WITH_TIMEOUT(answerer->texts.contains(translated("signing_completed_save_prompt")), 10000);
    const QString saved = folder.filePath(QStringLiteral("display-signed.pdf"));
    QVERIFY(editor(window)->savePdf(saved));
    const QString compared = compareSaved(original, saved, tags);
    QVERIFY2(compared.isEmpty(), qPrintable(compared));
}

void tst_signingflow::padDrawsLiveIntoTheBoard()
{
    // One recorded signature, written first on the tablet,
    QSharedPointer<DeviceController> hub = DeviceController::instance();
    const auto onTablet = recordedSignature();
    const auto onPad = recordedSignature("signature-pad.trace");
    QVERIFY(onTablet && onPad);
    const int tablet = plug("tablet");
    MainWindow window;
    const QList<PdfSignTag> tags = {tag(1, PdfSignTag::SignOnly, SmallUpperBox), tag(1, PdfSignTag::SignOnly, SmallLowerBox)};
    startSigning(window, tags);
    nextBoard();
    play(sim, tablet, *onTablet);
    sim.sendInput(tablet, keyReport(3));
    waitForBoardToClose();
    sim.unplug(tablet);
    plugged.removeAll(tablet);
    QTRY_VERIFY(!hub->hasDevice());

    // then on the pad, plugged in after the pen width was chosen, and unplugged and plugged
    // again while its board is open.
    int pad = plug("signature-pad");
    QCOMPARE(hub->deviceType(), 2);
    nextBoard();
    QWidget *paint = lastBoard;
    QTest::qWait(300);   // the hub's pause before the pad starts
    sim.unplug(pad);
    plugged.removeAll(pad);
    QTRY_VERIFY(!hub->hasDevice());
    pad = plug("signature-pad");
    QCOMPARE(board(), paint);
    // The last stroke, the underline, is written with the ok key pressed right after it.
    platform::SimTrace firstStrokes = *onPad;
    platform::SimTrace lastStroke;
    const auto penUp = std::find_if(firstStrokes.steps.begin() + 1, firstStrokes.steps.end(),
                                    [](const platform::SimTrace::Step &step) { return step.report.at(1) == 0xA0; });
    lastStroke.steps.assign(penUp + 1, firstStrokes.steps.end());
    firstStrokes.steps.erase(penUp + 1, firstStrokes.steps.end());
    const platform::SimBytes &lastInk = (lastStroke.steps.end() - 2)->report;
    const QPointF strokeEnd((lastInk.at(2) << 8 | lastInk.at(3)) / 10206.0, (lastInk.at(4) << 8 | lastInk.at(5)) / 7422.0);
    lastStroke.steps.push_back({0, SimSignaturePadModel::keyReport(1)});
    play(sim, pad, firstStrokes);
    // The live ink reaches the canvas, drawn there by the library.
    QWidget *canvas = paint->findChild<QWidget *>(QStringLiteral("drawLabel"));
    const QRect canvasArea(canvas->mapTo(paint, QPoint(0, 0)), canvas->size());
    QTRY_VERIFY_WITH_TIMEOUT([&] {
        const QImage shot = canvas->screen()->grabWindow(paint->winId()).toImage();
        for (int y = canvasArea.top(); y <= canvasArea.bottom(); y += 2)
            for (int x = canvasArea.left(); x <= canvasArea.right(); x += 2)
                if (qGray(shot.pixel(x, y)) < 80)
                    return true;
        return false;
    }(), 5000);
    // The board's margin left of the canvas, where a surface drawn at the board's own origin
    // would show, holds only the board's own pixels.
    const QImage shot = canvas->screen()->grabWindow(paint->winId()).toImage();
    int foreign = 0;
    for (int y = 0; y <= canvasArea.bottom(); ++y)
        for (int x = 0; x < canvasArea.left(); ++x)
            foreign += (shot.pixel(x, y) & 0xFFFFFF) == 0xEBEBEB;
    QCOMPARE(foreign, 0);
    // The board, cleared when the pad came back, takes its pictures again.
    QTRY_VERIFY(!StrokeGeometry::inkBounds(paint->findChild<DrawLabel *>()->padImage()).isNull());
    QSignalSpy stored(hub.data(), &DeviceController::saveSignImage);
    play(sim, pad, lastStroke);
    waitForBoardToClose();
    // The stored picture holds the underline to its end.
    QCOMPARE(stored.size(), 1);
    const QImage picture = stored.at(0).at(0).value<QImage>();
    const QPoint end(int(strokeEnd.x() * picture.width()), int(strokeEnd.y() * picture.height()));
    bool inked = false;
    for (int y = end.y() - 3; y <= end.y() + 3; ++y)
        for (int x = end.x() - 3; x <= end.x() + 3; ++x)
            inked = inked || (picture.valid(x, y) && qAlpha(picture.pixel(x, y)) == 255 && qGray(picture.pixel(x, y)) < 128);
    QVERIFY2(inked, qPrintable(QStringLiteral("no ink where the last stroke ends, %1,%2").arg(end.x()).arg(end.y())));

    // The same pen setting weighs the same on paper from either device.
    QList<double> darkness;
    acceptAndSave(window, tags, &darkness);
    const double ratio = darkness.at(1) / darkness.at(0);
    QVERIFY2(ratio >= 0.75 && ratio <= 1.5,
             qPrintable(QStringLiteral("darkness: tablet %1, pad %2").arg(darkness.at(0)).arg(darkness.at(1))));
}

void tst_signingflow::tabletUnpluggedAndPluggedAgain()
{
    int tablet = plug("tablet");
    const auto signature = recordedSignature();
    MainWindow window;
    const QList<PdfSignTag> tags = {tag(1, PdfSignTag::SignOnly, LowerBox)};
    startSigning(window, tags);
    nextBoard();
    play(sim, tablet, *signature);
    sim.unplug(tablet);
    plugged.removeAll(tablet);
    QTRY_VERIFY(!DeviceController::instance()->hasDevice());
    tablet = plug("tablet");
    // The board stayed open; the signer goes on with the tablet back.
    QCOMPARE(board(), lastBoard.data());
    play(sim, tablet, *signature);
    sim.sendInput(tablet, keyReport(3));
    waitForBoardToClose();
    acceptAndSave(window, tags);
}

void tst_signingflow::signaturesThroughDeviceChurn()
{
    QSharedPointer<DeviceController> hub = DeviceController::instance();
    const int tablet = plug("tablet");
    MainWindow window;
    const QList<PdfSignTag> tags = {tag(3, PdfSignTag::SignOnly, UpperBox)};
    startSigning(window, tags);

    // The tablet goes and the pad comes while the board is open: a board of its own takes over.
    nextBoard();
    QPointer<QWidget> tabletBoard = lastBoard;
    sim.unplug(tablet);
    plugged.removeAll(tablet);
    QTRY_VERIFY(!hub->hasDevice());
    int pad = plug("signature-pad");
    QTRY_VERIFY_WITH_TIMEOUT(board() && board() != tabletBoard, 10000);
    lastBoard = board();
    QVERIFY(QTest::qWaitForWindowExposed(lastBoard));

    // A memory stick comes and goes: the pad goes on signing.
    CapturedLog log;
    QSignalSpy status(hub.data(), &DeviceController::deviceStatusChanged);
    sim.unplug(sim.plug(*SimModelCatalog::make("memory-stick")));
    QTRY_VERIFY(log.contains(QStringLiteral("USB device removed.")));
    QTest::qWait(100);
    QCOMPARE(status.count(), 0);
    writeOnPad(pad);

    // The pad plugged in again starts an empty record: nothing of the picture before stays.
    const auto replugPad = [&] {
        sim.unplug(pad);
        plugged.removeAll(pad);
        QTRY_VERIFY(!hub->hasDevice());
        pad = plug("signature-pad");
    };
    replugPad();
    QCOMPARE(board(), lastBoard.data());
    QTRY_VERIFY(StrokeGeometry::inkBounds(lastBoard->findChild<DrawLabel *>()->padImage()).isNull());

    // Escape cancels: the signature ends on the pad, and a replug starts none.
    QTest::keyClick(lastBoard, Qt::Key_Escape);
    waitForBoardToClose();
    QTRY_VERIFY(log.contains(QStringLiteral("endSignature result:")));
    replugPad();
    QVERIFY(!board() && log.count(QStringLiteral("Signature carried on")) == 1);

    const int starts = log.count(QStringLiteral("startSignature result:"));
    nextBoard();
    QTRY_VERIFY(log.count(QStringLiteral("startSignature result:")) > starts);
    sim.sendInput(pad, SimSignaturePadModel::keyReport(1));
    QTRY_VERIFY(lastBoard->findChild<QWidget *>(QStringLiteral("noticeLabel"))->isVisible());
    button(lastBoard, "ok")->click();
    writeOnPad(pad);
    sim.sendInput(pad, SimSignaturePadModel::keyReport(1));
    waitForBoardToClose();
    acceptAndSave(window, tags);
}

void tst_signingflow::readerUnpluggedDuringCapture()
{
    const int tablet = plug("tablet");
    const QString ini = qEnvironmentVariable("INKWARDEN_DEVSIM") + QStringLiteral("/fingerprint.ini");
    const auto setReader = [&](bool present) {
        QFile file(ini);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(present ? "[reader]\npresent = true\n" : "[reader]\npresent = false\n");
    };
    setReader(false);
    MainWindow window;
    const QList<PdfSignTag> tags = {tag(2, PdfSignTag::FpOnly, LowerBox)};
    startSigning(window, tags);
    QPushButton *fingerprint = button(visibleWindow("PdfViewer"), "fingerprint");
    QTRY_VERIFY(fingerprint->isEnabled());
    fingerprint->click();
    QTRY_VERIFY_WITH_TIMEOUT(visibleWindow("IDFpDialog"), 10000);
    QWidget *dialog = visibleWindow("IDFpDialog");
    QTest::qWait(1000);
    QVERIFY(!button(dialog, "ok")->isEnabled());
    // The reader comes back; the signer asks for another try.
    setReader(true);
    button(dialog, "retry")->click();
    confirmFingerprint(tablet);
    acceptAndSave(window, tags);
    QFile::remove(ini);
}

void tst_signingflow::cancelAtEveryStage_data()
{
    QTest::addColumn<int>("stage");
    QTest::newRow("board open") << 0;
    QTest::newRow("board cancelled") << 1;
    QTest::newRow("one tag signed") << 2;
}

void tst_signingflow::cancelAtEveryStage()
{
    QFETCH(int, stage);
    const int tablet = plug("tablet");
    const auto signature = recordedSignature();
    const QByteArray before = digest(working);
    MainWindow window;
    startSigning(window, {tag(1, PdfSignTag::SignOnly, LowerBox), tag(2, PdfSignTag::SignOnly, UpperBox)});
    nextBoard();
    if (stage == 1) {
        sim.sendInput(tablet, keyReport(1));
        waitForBoardToClose();
    } else if (stage == 2) {
        play(sim, tablet, *signature);
        sim.sendInput(tablet, keyReport(3));
        waitForBoardToClose();
        nextBoard();
    }
    QWidget *viewer = visibleWindow("PdfViewer");
    button(viewer, "cancel")->click();
    QTRY_VERIFY(!visibleWindow("PdfViewer"));
    QTRY_VERIFY(!board());
    PdfSignCoreWidget *pages = editor(window);
    QTRY_VERIFY(pages->hasDocument());
    QTest::qWait(100);
    QCOMPARE(pages->tagCount(), 2);
    QVERIFY(pages->hasPendingTags());
    QVERIFY(!answerer->texts.contains(translated("signing_completed_save_prompt")));
    QCOMPARE(digest(working), before);
}

void tst_signingflow::quitWhileSigning()
{
    // A simulator folder of its own: the child serves its own tablet.
    QTemporaryDir simFolder;
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("INKWARDEN_DEVSIM"), simFolder.path());
    child.setProcessEnvironment(environment);
    child.start(QStringLiteral(SIGNQUIT_PATH), {working});
    QVERIFY(child.waitForFinished(60000));
    const QByteArray errors = child.readAllStandardError();
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QVERIFY2(child.exitCode() == 0, errors.right(2000).constData());
    QVERIFY2(!errors.contains("Sanitizer") && !errors.contains("Destroyed while"), errors.right(2000).constData());
    QVERIFY(errors.contains("signing window open"));
}

QTEST_MAIN(tst_signingflow)
#include "tst_signingflow.moc"
