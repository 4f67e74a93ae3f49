#include "CapturedLog.h"
#include "DeviceController.h"
#include "IDFPController.h"
#include "IDFpDialog.h"
#include "LanguageManager.h"
#include "PenDisplay.h"
#include "ReaderFolder.h"
#include "StandInDevice.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStyle>
#include <QStyleOptionButton>
#include <QtTest>

namespace {

constexpr int kTabletWidth = 59500;
constexpr int kTabletHeight = 33500;

// An optical frame whose top rows are ridges.
QByteArray opticalFrame()
{
    QByteArray frame(256 * 288, char(255));
    memset(frame.data(), 0, 256 * 20);
    return frame;
}

QString fingerprintFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/testoutput/fingerprint.png";
}

} // namespace

// The fingerprint dialog over the simulated readers; the reader waits for a finger unless a
// case says otherwise, and frames are handed to the controller as its capture threads do.
class tst_idfpdialog : public QObject
{
    Q_OBJECT

private:
    QSharedPointer<IDFPController> fp;
    QSharedPointer<DeviceController> hub;

    template<typename T = QPushButton>
    static T *part(IDFpDialog *dialog, const char *name)
    {
        return dialog->findChild<T *>(QString::fromLatin1(name));
    }

    void deliverFrame() { fp->onZAZCaptureFinished(opticalFrame(), 256, 288); }

    // A pen tap at the centre of widget, in tablet units of a tablet spread over screen.
    void tap(QWidget *widget, const QScreen *screen)
    {
        const QRect geometry = screen->geometry();
        const QPoint centre = widget->mapToGlobal(widget->rect().center()) - geometry.topLeft();
        TABLET_PACKET packet{};
        packet.x = qRound(centre.x() * double(kTabletWidth) / geometry.width());
        packet.y = qRound(centre.y() * double(kTabletHeight) / geometry.height());
        for (int status : {1, 3}) {
            packet.status = status;
            emit hub->penPacketReceived(packet);
        }
    }

private slots:
    void initTestCase()
    {
        QVERIFY(ReaderFolder::linkLibraries());
        QVERIFY(ReaderFolder::writeIni("[reader]\nno_finger = 1000000\n"));
        // The device thread's start-up is logged before the cases begin.
        CapturedLog log;
        hub = DeviceController::instance();
        QTRY_VERIFY(log.contains("Started monitoring USB events."));
    }

    // A controller per case: its capture threads end with the case that started them.
    void init() { fp = IDFPController::instance(); }
    void cleanup() { fp.reset(); }

    void statesAndKeys()
    {
        QFile::remove(fingerprintFile());
        QSignalSpy confirms(fp.data(), &IDFPController::fingerConfirm);
        QSignalSpy retries(fp.data(), &IDFPController::fingerRetry);
        QPointer<IDFpDialog> dialog = new IDFpDialog(60);
        dialog->show();
        auto *confirm = part(dialog, "confirmBtn");
        auto *hint = part<QLabel>(dialog, "hintLabel");
        LanguageManager &language = LanguageManager::instance();
        language.setLanguage(LanguageManager::Language::English);

        // Every button's text whole inside its padding.
        for (const char *name : {"cancelBtn", "retryBtn", "confirmBtn"}) {
            QPushButton *button = part(dialog, name);
            QStyleOptionButton option;
            option.initFrom(button);
            const int room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
            QVERIFY2(QFontMetrics(button->font()).horizontalAdvance(button->text()) <= room, name);
        }

        // Waiting: no picture to confirm, and ok does nothing.
        QVERIFY(!confirm->isEnabled());
        QCOMPARE(hint->text(), QStringLiteral("Press your finger to start capture"));
        emit hub->okBtnClicked();
        QCOMPARE(confirms.count(), 0);

        dialog->captureCompleted(QImage());
        QVERIFY(!confirm->isEnabled());

        // Captured, across a language switch.
        deliverFrame();
        QVERIFY(confirm->isEnabled());
        language.setLanguage(LanguageManager::Language::ZhCN);
        QCOMPARE(hint->text(), QStringLiteral("请点击确定，提交指纹"));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("指纹采集"));

        // Clear is retry: back to waiting, the picture dropped, a new capture.
        const int captures = fp->findChildren<QThread *>().size();
        emit hub->clearBtnClicked();
        QCOMPARE(retries.count(), 1);
        QVERIFY(!confirm->isEnabled());
        QVERIFY(fp->imageToBase64().isEmpty());
        QCOMPARE(fp->findChildren<QThread *>().size(), captures + 1);
        language.setLanguage(LanguageManager::Language::English);
        QCOMPARE(hint->text(), QStringLiteral("Press your finger to start capture"));

        // Ok key and a click together, and a key queued behind the close: one confirmation.
        deliverFrame();
        QString stored;
        connect(fp.data(), &IDFPController::fingerConfirm, this, [&] { stored = fp->imageToBase64(); });
        emit hub->okBtnClicked();
        confirm->click();
        emit hub->okBtnClicked();
        disconnect(fp.data(), &IDFPController::fingerConfirm, this, nullptr);
        QCOMPARE(confirms.count(), 1);
        QVERIFY(!stored.isEmpty());
        QTRY_VERIFY(dialog.isNull());
        QVERIFY(fp->imageToBase64().isEmpty());

        const QImage saved(fingerprintFile());
        QCOMPARE(saved.size(), QSize(256, 288));
        QCOMPARE(qAlpha(saved.pixel(128, 5)), 255);
        QCOMPARE(qAlpha(saved.pixel(128, 200)), 0);
    }

    void cancelAndDestructionStopTheCapture_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("cancels");
        QTest::newRow("cancel key") << "key" << 1;
        QTest::newRow("cancel button") << "button" << 1;
        QTest::newRow("destroyed") << "delete" << 0;
    }

    void cancelAndDestructionStopTheCapture()
    {
        QFETCH(QString, how);
        QFETCH(int, cancels);
        // The optical reader does not open; the live-scan reader sees an empty glass for ever.
        QVERIFY(ReaderFolder::writeIni("; " + how.toLatin1() + "\n[reader]\nno_finger = 1000000\n[zaz]\nopen_errors = 1\n"));
        CapturedLog log;
        QSignalSpy cancelled(fp.data(), &IDFPController::fingerCancel);
        QSignalSpy confirms(fp.data(), &IDFPController::fingerConfirm);
        QPointer<IDFpDialog> dialog = new IDFpDialog(60);
        dialog->show();
        QTRY_VERIFY_WITH_TIMEOUT(log.contains("livescan begin capture"), 10000);

        if (how == "key") {
            emit hub->cancelBtnClicked();
            emit hub->cancelBtnClicked();
        } else if (how == "button") {
            part(dialog, "cancelBtn")->click();
        } else {
            delete dialog;
        }
        QVERIFY(log.contains("Fingerprint capture stopped"));
        emit hub->okBtnClicked();
        QTRY_VERIFY(dialog.isNull());
        QCOMPARE(cancelled.count(), cancels);
        QCOMPARE(confirms.count(), 0);
        QVERIFY(ReaderFolder::writeIni("[reader]\nno_finger = 1000000\n"));
    }

    void readerThatDoesNotAnswer()
    {
        // Pulled, or never plugged: neither reader opens, and the signer is told so.
        QVERIFY(ReaderFolder::writeIni("[reader]\npresent = false\n"));
        LanguageManager::instance().setLanguage(LanguageManager::Language::English);
        CapturedLog log;
        QPointer<IDFpDialog> dialog = new IDFpDialog(60);
        dialog->show();
        auto *hint = part<QLabel>(dialog, "hintLabel");
        const QString noReader = QStringLiteral("No fingerprint reader answers. Check it and press Retry to try again");
        QTRY_COMPARE_WITH_TIMEOUT(hint->text(), noReader, 10000);
        QVERIFY(log.contains("ZAZopenDeviceEx failed IN-THREAD"));
        QVERIFY(log.contains("LIVESCAN_Init failed"));
        LanguageManager::instance().setLanguage(LanguageManager::Language::ZhCN);
        QCOMPARE(hint->text(), QStringLiteral("指纹仪无响应，请检查后点击重试"));
        LanguageManager::instance().setLanguage(LanguageManager::Language::English);

        // Back, and Retry asks it again.
        QVERIFY(ReaderFolder::writeIni("[reader]\nno_finger = 1000000\n"));
        part(dialog, "retryBtn")->click();
        QTRY_VERIFY(log.contains("ZAZ device opened successfully in-thread."));
        QCOMPARE(hint->text(), QStringLiteral("Press your finger to start capture"));
        delete dialog;
    }

    void penDisplayTaps()
    {
        StandInDevice display("TabrixPenDevice", true, kTabletWidth, kTabletHeight);
        StandInDevice::announce(&display);
        QSignalSpy confirms(fp.data(), &IDFPController::fingerConfirm);
        QSignalSpy retries(fp.data(), &IDFPController::fingerRetry);
        QSignalSpy cancelled(fp.data(), &IDFPController::fingerCancel);
        // With one screen the pen display's screen is the main one; taken before the dialog
        // becomes the active window.
        const QScreen *screen = targetScreen(true);
        QPointer<IDFpDialog> dialog = new IDFpDialog(60);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));

        const QRect geometry = screen->geometry();
        QCOMPARE(dialog->pos(), QPoint(geometry.x() + (geometry.width() - 700) / 2,
                                       geometry.y() + (geometry.height() - 500) / 2));

        tap(part(dialog, "confirmBtn"), screen);
        QCOMPARE(confirms.count(), 0);
        tap(part(dialog, "retryBtn"), screen);
        QCOMPARE(retries.count(), 1);
        tap(part(dialog, "cancelBtn"), screen);
        QCOMPARE(cancelled.count(), 1);
        QTRY_VERIFY(dialog.isNull());
        StandInDevice::announce(nullptr, &display);
    }

    // Needs two screens (run it under a two-screen X server): the dialog goes to the screen
    // that is not the main window's, and the pen's full range spans that screen.
    void twoScreens_penDisplayScreen()
    {
        if (QGuiApplication::screens().size() < 2)
            QSKIP("needs two screens");
        QMainWindow main;
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        const QScreen *mainScreen = main.windowHandle()->screen();
        const QScreen *other = nullptr;
        for (const QScreen *screen : QGuiApplication::screens())
            if (!other && screen != mainScreen)
                other = screen;

        StandInDevice display("TabrixPenDevice", true, kTabletWidth, kTabletHeight);
        StandInDevice::announce(&display);
        QSignalSpy retries(fp.data(), &IDFPController::fingerRetry);
        QPointer<IDFpDialog> dialog = new IDFpDialog(60, &main);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        const QRect geometry = other->geometry();
        QCOMPARE(dialog->pos(), QPoint(geometry.x() + (geometry.width() - 700) / 2,
                                       geometry.y() + (geometry.height() - 500) / 2));
        tap(part(dialog, "retryBtn"), other);
        QCOMPARE(retries.count(), 1);
        delete dialog;
        StandInDevice::announce(nullptr, &display);
    }

    void cleanupTestCase() { ReaderFolder::unlinkLibraries(); }
};

QTEST_MAIN(tst_idfpdialog)
#include "tst_idfpdialog.moc"
