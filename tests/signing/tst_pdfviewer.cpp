#include "DeviceController.h"
#include "LanguageManager.h"
#include "MainWindow.h"
#include "PdfHandler.h"
#include "PdfSignCoreWidget.h"
#include "PdfViewer.h"
#include "TestPdf.h"
#include "sim/DevSim.h"
#include "sim/SimModelCatalog.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QStyle>
#include <QStyleOptionButton>
#include <QtTest>

using namespace platform;

namespace {

// The signing window with the fingerprint controller's part played by the test.
class Viewer : public PdfViewer
{
public:
    using PdfViewer::PdfViewer;
    using PdfViewer::m_cancelBtn;
    using PdfViewer::m_currentTagIndex;
    using PdfViewer::m_fpBtn;
    using PdfViewer::m_isBusy;
    using PdfViewer::m_nextPageBtn;
    using PdfViewer::m_nextTagBtn;
    using PdfViewer::m_okBtn;
    using PdfViewer::m_pageCache;
    using PdfViewer::m_pageLabels;
    using PdfViewer::m_pageNumberLabel;
    using PdfViewer::m_pdfContainerWidget;
    using PdfViewer::m_prevPageBtn;
    using PdfViewer::m_prevTagBtn;
    using PdfViewer::m_scrollArea;
    using PdfViewer::m_signBtn;
    using PdfViewer::m_signData;
    using PdfViewer::m_tagNumberLabel;
    using PdfViewer::goToTag;
    using PdfViewer::pitch;
    using PdfViewer::renderVisiblePages;

    bool device = true;
    int fingerprintRequests = 0;
    int captureStops = 0;
    QString fingerprint;

    int scroll() const { return m_scrollArea->verticalScrollBar()->value(); }
    void setScroll(int value) { m_scrollArea->verticalScrollBar()->setValue(value); }
    QString pendingFlags() const
    {
        QString flags;
        for (const PdfSignTag &tag : m_signData.tags)
            flags += tag.isPending() ? QLatin1Char('1') : QLatin1Char('0');
        return flags;
    }

protected:
    void requestFingerprintDialog() override { ++fingerprintRequests; }
    void stopFingerprintCapture() override { ++captureStops; }
    QString capturedFingerprint() override { return fingerprint; }
    bool signingDeviceConnected() override { return device; }
};

struct Options
{
    bool scrollDisable = false;
    bool tagBtnHidden = false;
    bool autoJump = false;
};

PdfSignTag tagOn(int page, int type, bool done = false)
{
    PdfSignTag tag;
    tag.page = page;
    tag.x = 300;
    tag.y = 400;
    tag.w = 400;
    tag.h = 200;
    tag.setType(type);
    tag.title = QStringLiteral("Tag on %1").arg(page);
    if (done) {
        tag.isSignDone = tag.isFpDone = true;
        tag.signImage = tag.fpImage = TestPdf::solidPng(QSize(8, 4), Qt::blue);
    }
    return tag;
}

bool hasPicture(const QLabel *label)
{
    return !label->pixmap(Qt::ReturnByValue).isNull();
}

TABLET_PACKET penPacket(const QPointF &tablet, int status)
{
    TABLET_PACKET packet{};
    packet.status = status;
    packet.x = qRound(tablet.x());
    packet.y = qRound(tablet.y());
    return packet;
}

} // namespace

class tst_pdfviewer : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir folder;
    QSharedPointer<PdfHandler> handler = PdfHandler::instance();
    // Served before the hub starts, so it follows every plug from the first.
    DevSim sim{qgetenv("INKWARDEN_DEVSIM").toStdString()};
    QSharedPointer<DeviceController> hub = DeviceController::instance();
    QPointer<Viewer> viewer;
    const QString picture = TestPdf::solidPng(QSize(40, 20), Qt::red);

    QString samplePdf(int pages)
    {
        const QString path = folder.filePath(QStringLiteral("sample%1.pdf").arg(pages));
        if (!QFile::exists(path))
            TestPdf::writeWithContent(path, pages);
        return path;
    }

    Viewer *open(int pages, const QList<PdfSignTag> &tags, Options options = {})
    {
        PdfSignData data;
        data.tags = tags;
        const bool flags[4] = {false, options.scrollDisable, options.tagBtnHidden, options.autoJump};
        viewer = new Viewer(samplePdf(pages), data, flags, handler);
        viewer->show();
        return viewer;
    }

    void sign(const QString &base64)
    {
        emit hub->pdfSignCompleted(base64);
    }

    // The pen at a point of the pen display's screen (the window's screen here).
    void pen(const QPoint &screenPoint, int status)
    {
        const QRect screen = viewer->screen()->geometry();
        const QPointF tablet(double(screenPoint.x()) * hub->tabletWidth() / screen.width(),
                             double(screenPoint.y()) * hub->tabletHeight() / screen.height());
        emit hub->penPacketReceived(penPacket(tablet, status));
    }

    // The scroll value that puts the middle of a tagOn(page) box in the middle of the viewport.
    static int tagCentredAt(Viewer *v, int page)
    {
        return v->pitch() * (page - 1) + 200 + 50 - v->m_scrollArea->viewport()->height() / 2;
    }

    QPoint centreOf(QWidget *widget) const
    {
        return widget->mapToGlobal(widget->rect().center()) - viewer->screen()->geometry().topLeft();
    }

    void plugPenDisplay(bool plugged)
    {
        if (plugged && penDisplay == 0)
            penDisplay = sim.plug(*SimModelCatalog::make("pen-display"));
        else if (!plugged && penDisplay != 0) {
            sim.unplug(penDisplay);
            penDisplay = 0;
        }
        QTRY_COMPARE(hub->isScreenDevice(), plugged);
    }

    int penDisplay = 0;

private slots:
    void initTestCase()
    {
        QVERIFY(sim.listening());
        LanguageManager::instance().setLanguage(LanguageManager::Language::English);
    }

    void cleanup()
    {
        delete viewer;
    }

    void pagesShareTheFirstPagesBox()
    {
        // The first page renders 2480 x 3508; the others are smaller and still get its box.
        const QString path = folder.filePath(QStringLiteral("mixed.pdf"));
        QVERIFY(TestPdf::writeBlank(path, {TestPage{595.25, 842}, TestPage{300, 400}, TestPage{300, 400}}));
        const bool flags[4] = {};
        Viewer *v = viewer = new Viewer(path, PdfSignData(), flags, handler);
        QCOMPARE(v->m_pageLabels.size(), 3);
        QCOMPARE(v->m_pageLabels.at(2)->size(), QSize(1240, 1754));
        QCOMPARE(v->pitch(), 1784);
        // Wider than the view: room beside the tag buttons; and below the last page, the bar's.
        QCOMPARE(v->m_pdfContainerWidget->size(), QSize(1240 + 130, 5382 - 30 + 90));
    }

    void onlyPagesAroundTheViewportAreRendered()
    {
        Viewer *v = open(3, {});
        v->resize(1300, 1000);
        QTRY_COMPARE(v->m_scrollArea->viewport()->height(), 1000);
        v->renderVisiblePages(false);
        QVERIFY(hasPicture(v->m_pageLabels.at(0)) && hasPicture(v->m_pageLabels.at(1)));
        QCOMPARE(v->m_pageLabels.at(2)->text(), QStringLiteral("Page 3"));
        QCOMPARE(v->m_pageCache.keys().size(), 2);

        v->gotoPage(3);
        QVERIFY(hasPicture(v->m_pageLabels.at(2)));
        QVERIFY(!hasPicture(v->m_pageLabels.at(0)));
        QCOMPARE(v->m_pageLabels.at(0)->text(), QStringLiteral("Page 1"));
        QVERIFY(!v->m_pageCache.contains(0));
    }

    void cacheHoldsAtMostFivePages()
    {
        // A viewport taller than four pages asks for more pages than the cache keeps.
        Viewer *v = open(9, {});
        v->resize(1300, 8000);
        QTRY_COMPARE(v->m_scrollArea->viewport()->height(), 8000);
        for (int page = 1; page <= 9; ++page) {
            v->gotoPage(page);
            v->renderVisiblePages(false);
            QVERIFY(v->m_pageCache.size() <= 5);
            const int first = qMax(0, v->scroll() / v->pitch() - 1);
            for (int cached : v->m_pageCache.keys())
                QVERIFY2(cached >= first && cached <= (v->scroll() + 8000) / v->pitch() + 1, qPrintable(QString::number(cached)));
        }
    }

    void gotoPageBounds_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("counter");
        QTest::newRow("last") << 3 << "3/3";
        QTest::newRow("zero") << 0 << "1/3";
        QTest::newRow("beyond") << 4 << "1/3";
    }

    void gotoPageBounds()
    {
        QFETCH(int, page);
        QFETCH(QString, counter);
        Viewer *v = open(3, {});
        if (page < 1 || page > 3)
            QTest::ignoreMessage(QtWarningMsg, qPrintable(QStringLiteral("Invalid page number: %1").arg(page)));
        emit handler->pdfGotoPage(page);
        QCOMPARE(v->m_pageNumberLabel->text(), counter);
        QCOMPARE(v->scroll(), page == 3 ? 2 * v->pitch() : 0);
    }

    void countersAndNavigation()
    {
        Viewer *v = open(3, {});
        QCOMPARE(v->m_pageNumberLabel->text(), QStringLiteral("1/3"));
        QVERIFY(!v->m_prevPageBtn->isEnabled());
        QVERIFY(v->m_nextPageBtn->isEnabled());
        v->m_nextPageBtn->click();
        v->m_nextPageBtn->click();
        QCOMPARE(v->m_pageNumberLabel->text(), QStringLiteral("3/3"));
        QVERIFY(v->m_prevPageBtn->isEnabled());
        QVERIFY(!v->m_nextPageBtn->isEnabled());
        QCOMPARE(v->m_tagNumberLabel->text(), QStringLiteral("0/0"));
        QVERIFY(!v->m_prevTagBtn->isEnabled() && !v->m_nextTagBtn->isEnabled());
        QVERIFY(!v->m_okBtn->isEnabled() && !v->m_signBtn->isEnabled() && !v->m_fpBtn->isEnabled());
        QVERIFY(!v->m_prevTagBtn->isHidden());
        delete v;

        v = open(3, {tagOn(1, 1), tagOn(3, 1)}, Options{false, true, false});
        QVERIFY(v->m_prevTagBtn->isHidden() && v->m_tagNumberLabel->isHidden() && v->m_nextTagBtn->isHidden());
        QCOMPARE(v->m_tagNumberLabel->text(), QStringLiteral("1/2"));
        v->m_nextTagBtn->click();
        QCOMPARE(v->m_tagNumberLabel->text(), QStringLiteral("2/2"));
        QCOMPARE(v->scroll(), tagCentredAt(v, 3));
        QVERIFY(v->m_prevTagBtn->isEnabled() && !v->m_nextTagBtn->isEnabled());
    }

    void walkOverEveryType()
    {
        Viewer *v = open(3, {tagOn(3, 3), tagOn(1, 1), tagOn(2, 2)});
        QSignalSpy board(hub.data(), &DeviceController::openPaintBoardFromPdf);
        QSignalSpy accepted(v, &PdfViewer::signingAccepted);
        QCOMPARE(v->m_currentTagIndex, 1);
        QVERIFY(v->m_signBtn->isEnabled() && !v->m_fpBtn->isEnabled() && !v->m_okBtn->isEnabled());

        v->m_signBtn->click();
        QCOMPARE(board.takeFirst().at(0).toString(), QStringLiteral("Tag on 1"));
        sign(picture);
        QCOMPARE(v->m_currentTagIndex, 2);
        QVERIFY(!v->m_signBtn->isEnabled() && v->m_fpBtn->isEnabled());

        v->m_fpBtn->click();
        QCOMPARE(v->fingerprintRequests, 1);
        v->fingerprint = picture;
        v->handlePdfFpCompleted();
        QCOMPARE(v->m_currentTagIndex, 3);
        QVERIFY(v->m_signBtn->isEnabled() && !v->m_fpBtn->isEnabled());

        // Both parts: the fingerprint is asked for once the signature is stored and its board gone.
        v->m_signBtn->click();
        sign(picture);
        QCOMPARE(v->fingerprintRequests, 1);
        QTRY_COMPARE(v->fingerprintRequests, 2);
        QCOMPARE(v->m_currentTagIndex, 3);
        QVERIFY(!v->m_signBtn->isEnabled() && v->m_fpBtn->isEnabled());
        QVERIFY(!v->m_okBtn->isEnabled());
        v->handlePdfFpCompleted();
        QCOMPARE(v->pendingFlags(), QStringLiteral("000"));
        QVERIFY(!v->m_signBtn->isEnabled() && !v->m_fpBtn->isEnabled() && v->m_okBtn->isEnabled());

        v->m_okBtn->click();
        QCOMPARE(accepted.count(), 1);
        const PdfSignData result = accepted.at(0).at(0).value<PdfSignData>();
        QCOMPARE(result.tags.size(), 3);
        QCOMPARE(result.tags.at(0).page, 1);
        QCOMPARE(result.tags.at(0).signImage, picture);
        QCOMPARE(result.tags.at(1).fpImage, picture);
        QVERIFY(result.tags.at(2).isSignDone && result.tags.at(2).isFpDone);
        QTRY_VERIFY(viewer.isNull());
        QCOMPARE(handler->pageCount(), 0);
    }

    void autoJump_data()
    {
        QTest::addColumn<bool>("autoJump");
        QTest::newRow("on") << true;
        QTest::newRow("off") << false;
    }

    void autoJump()
    {
        QFETCH(bool, autoJump);
        Viewer *v = open(3, {tagOn(1, 1), tagOn(3, 1)}, Options{false, false, autoJump});
        v->m_signBtn->click();
        const int before = v->scroll();
        sign(picture);
        QCOMPARE(v->scroll(), autoJump ? tagCentredAt(v, 3) : before);
    }

    void walkShowsTheWholeBox_data()
    {
        const QSizeF a4(595.25, 842), landscapeLegal(1008, 612); // points
        QTest::addColumn<QSizeF>("first");
        QTest::addColumn<QSizeF>("page");
        QTest::addColumn<QRect>("box"); // 300 dpi pixels of the page
        QTest::addColumn<bool>("tagBtnHidden");
        QTest::newRow("far right of a landscape page") << landscapeLegal << landscapeLegal << QRect(3990, 1200, 200, 100) << false;
        QTest::newRow("same, tag buttons hidden") << landscapeLegal << landscapeLegal << QRect(3990, 1200, 200, 100) << true;
        QTest::newRow("left edge of a landscape page") << landscapeLegal << landscapeLegal << QRect(10, 1200, 200, 100) << false;
        QTest::newRow("foot of the last page") << a4 << a4 << QRect(2200, 3300, 250, 150) << false;
        QTest::newRow("landscape page after a portrait one") << a4 << landscapeLegal << QRect(3990, 2400, 200, 100) << false;
        QTest::newRow("portrait page after a landscape one") << landscapeLegal << a4 << QRect(2200, 3300, 250, 150) << false;
        QTest::newRow("sign after Prev Tag") << a4 << a4 << QRect(2200, 3300, 250, 150) << false;
        QTest::newRow("fingerprint after Prev Tag") << a4 << landscapeLegal << QRect(3990, 2400, 200, 100) << false;
    }

    void walkShowsTheWholeBox()
    {
        QFETCH(QSizeF, first);
        QFETCH(QSizeF, page);
        QFETCH(QRect, box);
        QFETCH(bool, tagBtnHidden);
        // A file of its own: the session keeps the document first opened at a path.
        const QString path = folder.filePath(QStringLiteral("walk-%1.pdf").arg(QTest::currentDataTag()));
        QVERIFY(TestPdf::writeBlank(path, {TestPage{first.width(), first.height()}, TestPage{page.width(), page.height()}}));
        const QString press = QString::fromLatin1(QTest::currentDataTag()).section(' ', 0, 0);
        PdfSignTag tag = tagOn(2, press == "fingerprint" ? 2 : 1);
        tag.x = box.x(), tag.y = box.y(), tag.w = box.width(), tag.h = box.height();
        PdfSignData data;
        data.tags = {tagOn(1, 1, press == "sign" || press == "fingerprint"), tag};
        const bool flags[4] = {false, false, tagBtnHidden, false};
        Viewer *v = viewer = new Viewer(path, data, flags, handler);
        v->show();
        QVERIFY(QTest::qWaitForWindowExposed(v));
        v->goToTag(1);
        v->m_prevTagBtn->click();
        (press == "fingerprint" ? v->m_fpBtn : press == "sign" ? v->m_signBtn : v->m_nextTagBtn)->click();
        // Where the page's picture shows the box: on screen, clear of the tag buttons and the bar.
        QLabel *label = v->m_pageLabels.at(1);
        QTRY_VERIFY(hasPicture(label));
        const QSize picture = label->pixmap(Qt::ReturnByValue).size();
        const double scale = picture.width() / (page.width() * 300 / 72);
        const QPoint at = label->mapTo(v, QPoint((label->width() - picture.width()) / 2, (label->height() - picture.height()) / 2));
        const QRect shown(at + QPoint(qRound(box.x() * scale), qRound(box.y() * scale)),
                          QSize(qRound(box.width() * scale), qRound(box.height() * scale)));
        const int right = tagBtnHidden ? v->width() : v->m_prevTagBtn->mapTo(v, QPoint(0, 0)).x();
        QVERIFY2(QRect(0, 0, right, v->m_cancelBtn->mapTo(v, QPoint(0, 0)).y()).contains(shown),
                 qPrintable(QStringLiteral("%1,%2 %3x%4").arg(shown.x()).arg(shown.y()).arg(shown.width()).arg(shown.height())));
    }

    void everyTagDoneAtTheStart()
    {
        Viewer *v = open(3, {tagOn(1, 1, true), tagOn(2, 3, true)});
        QCOMPARE(v->m_currentTagIndex, 3);
        QVERIFY(v->m_okBtn->isEnabled() && !v->m_signBtn->isEnabled() && !v->m_fpBtn->isEnabled());
    }

    void tagsOutsideThePagesAreDropped_data()
    {
        QTest::addColumn<QList<int>>("pages");
        QTest::addColumn<int>("kept");
        QTest::newRow("some") << QList<int>{0, 2, 4} << 1;
        QTest::newRow("all") << QList<int>{5} << 0;
    }

    void tagsOutsideThePagesAreDropped()
    {
        QFETCH(QList<int>, pages);
        QFETCH(int, kept);
        QList<PdfSignTag> tags;
        for (int page : pages)
            tags << tagOn(page, 1);
        Viewer *v = open(3, tags);
        QSignalSpy accepted(v, &PdfViewer::signingAccepted);
        QCOMPARE(v->m_signBtn->isEnabled(), kept > 0);
        if (kept == 0) {
            // Nothing to walk: the monitor reports at once and enables OK.
            QVERIFY(!v->m_okBtn->isEnabled());
            QTRY_VERIFY(v->m_okBtn->isEnabled());
        }
        v->onOkBtnClicked();
        const PdfSignData result = accepted.at(0).at(0).value<PdfSignData>();
        QCOMPARE(result.tags.size(), kept);
        for (const PdfSignTag &tag : result.tags)
            QCOMPARE(tag.page, 2);
    }

    void reportsForAnotherTagChangeNothing()
    {
        Viewer *v = open(3, {tagOn(1, 1), tagOn(2, 1)});
        v->m_signBtn->click();
        sign(picture);
        QCOMPARE(v->m_currentTagIndex, 2);
        v->onTagCompleted(1);
        v->onTagCompleted(3);
        QCOMPARE(v->m_currentTagIndex, 2);
        QVERIFY(v->m_signBtn->isEnabled());
        // The monitor's own report of the first tag comes later and is ignored as well.
        QTest::qWait(450);
        QCOMPARE(v->m_currentTagIndex, 2);
        QCOMPARE(v->pendingFlags(), QStringLiteral("01"));
    }

    void resultsThatCompleteNothing_data()
    {
        QTest::addColumn<QList<int>>("types");
        QTest::addColumn<QString>("steps"); // S sign button, P picture, s empty picture, F/f fingerprint, N no device
        QTest::addColumn<QString>("pending");
        QTest::newRow("empty signature") << QList<int>{1} << "Ss" << "1";
        QTest::newRow("signature never asked for") << QList<int>{1} << "P" << "1";
        QTest::newRow("second signature of one start") << QList<int>{1, 1} << "SPP" << "01";
        QTest::newRow("empty fingerprint") << QList<int>{2} << "f" << "1";
        QTest::newRow("fingerprint for a signature") << QList<int>{1} << "F" << "1";
        QTest::newRow("fingerprint before the signature") << QList<int>{3} << "F" << "1";
        QTest::newRow("after an empty one the next counts") << QList<int>{1} << "SsSP" << "0";
        QTest::newRow("sign with no device") << QList<int>{1} << "NSP" << "1";
    }

    void resultsThatCompleteNothing()
    {
        QFETCH(QList<int>, types);
        QFETCH(QString, steps);
        QFETCH(QString, pending);
        QList<PdfSignTag> tags;
        for (int type : types)
            tags << tagOn(1, type);
        Viewer *v = open(1, tags);
        QSignalSpy boards(hub.data(), &DeviceController::openPaintBoardFromPdf);
        for (QChar step : steps) {
            switch (step.toLatin1()) {
            case 'N': v->device = false; break;
            case 'S': v->onSignBtnClicked(); break;
            case 'P': sign(picture); break;
            case 's': sign(QString()); break;
            case 'F': v->fingerprint = picture; v->handlePdfFpCompleted(); break;
            case 'f': v->fingerprint.clear(); v->handlePdfFpCompleted(); break;
            }
        }
        QCOMPARE(v->pendingFlags(), pending);
        // Without a device the signer is told so, and no board opens.
        const QMessageBox *box = v->findChild<QMessageBox *>();
        QCOMPARE(box ? box->text() : QString(), v->device ? QString() : translated("sign_no_device"));
        QCOMPARE(boards.count(), v->device ? steps.count(QLatin1Char('S')) : 0);
        if (pending.contains(QLatin1Char('1')))
            QCOMPARE(v->m_currentTagIndex, pending.indexOf(QLatin1Char('1')) + 1);
    }

    void cancelEndsEveryCapture()
    {
        Viewer *v = open(3, {tagOn(1, 1)});
        QSignalSpy closeBoard(hub.data(), &DeviceController::closePaintBoard);
        QSignalSpy cancelled(handler.data(), &PdfHandler::pdfCancel);
        QSignalSpy accepted(v, &PdfViewer::signingAccepted);
        v->m_signBtn->click();
        v->m_cancelBtn->click();
        QVERIFY(!closeBoard.isEmpty());
        QCOMPARE(v->captureStops, 1);
        QCOMPARE(cancelled.count(), 1);
        QTRY_VERIFY(viewer.isNull());
        QCOMPARE(accepted.count(), 0);
        QCOMPARE(handler->pageCount(), 0);
    }

    void languageSwitchRetranslates()
    {
        Viewer *v = open(113, {});
        emit handler->pdfGotoPage(56);
        const QList<QPushButton *> buttons = {v->m_cancelBtn, v->m_prevPageBtn, v->m_nextPageBtn, v->m_signBtn,
                                              v->m_fpBtn,     v->m_okBtn,       v->m_prevTagBtn,  v->m_nextTagBtn};
        auto texts = [&] {
            QStringList seen;
            for (QPushButton *button : buttons)
                seen << button->text();
            return seen;
        };
        // Each text whole inside its control's margin, border and padding.
        auto allFit = [&] {
            for (QPushButton *button : buttons) {
                QStyleOptionButton option;
                option.initFrom(button);
                const QRect box = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
                if (QFontMetrics(button->font()).horizontalAdvance(button->text()) > box.width())
                    return false;
            }
            const QLabel *page = v->m_pageNumberLabel;
            return QFontMetrics(page->font()).horizontalAdvance(page->text()) <= page->contentsRect().width();
        };
        QCOMPARE(texts(), (QStringList{"Cancel", "Prev", "Next", "Sign", "Fingerprint", "OK", "Prev Tag", "Next Tag"}));
        QCOMPARE(v->m_pageNumberLabel->text(), QStringLiteral("56/113"));
        QVERIFY(v->m_fpBtn->styleSheet().startsWith(QStringLiteral("font-size: 14pt;")));
        QVERIFY(allFit());
        QCOMPARE(v->m_okBtn->font().pointSize(), 22);
        LanguageManager::instance().setLanguage(LanguageManager::Language::ZhCN);
        QCOMPARE(texts(), QString::fromUtf8("取消 上一页 下一页 签名 指纹 确定 上一个签名 下一个签名").split(' '));
        QCOMPARE(v->m_fpBtn->styleSheet(), QString());
        QVERIFY(allFit());
        QCOMPARE(v->m_cancelBtn->font().pointSize(), 22);
        LanguageManager::instance().setLanguage(LanguageManager::Language::English);
    }

    void penDragScrolls_data()
    {
        QTest::addColumn<bool>("busy");
        QTest::addColumn<bool>("scrollDisable");
        QTest::addColumn<bool>("scrolls");
        QTest::newRow("free") << false << false << true;
        QTest::newRow("while signing") << true << false << false;
        QTest::newRow("scrolling disabled") << false << true << false;
    }

    void penDragScrolls()
    {
        QFETCH(bool, busy);
        QFETCH(bool, scrollDisable);
        QFETCH(bool, scrolls);
        plugPenDisplay(true);
        Viewer *v = open(3, {tagOn(1, 1)}, Options{scrollDisable, false, false});
        v->m_isBusy = busy;
        const int before = v->scroll();
        const QPoint start(100, 300);
        pen(start, 1);
        pen(start - QPoint(0, 60), 2);
        pen(start - QPoint(0, 120), 2);
        pen(start - QPoint(0, 120), 3);
        QCOMPARE(qAbs(v->scroll() - (before + 120)) <= 2, scrolls);
        if (!scrolls)
            QCOMPARE(v->scroll(), before);
    }

    void penTaps_data()
    {
        QTest::addColumn<bool>("penDisplay");
        QTest::addColumn<bool>("upInside");
        QTest::addColumn<bool>("covered");
        QTest::addColumn<bool>("clicks");
        QTest::newRow("tap") << true << true << false << true;
        QTest::newRow("down inside, up outside") << true << false << false << false;
        QTest::newRow("another window over the button") << true << true << true << false;
        QTest::newRow("no pen display") << false << true << false << false;
    }

    void penTaps()
    {
        QFETCH(bool, penDisplay);
        QFETCH(bool, upInside);
        QFETCH(bool, covered);
        QFETCH(bool, clicks);
        plugPenDisplay(penDisplay);
        Viewer *v = open(1, {tagOn(1, 1)});
        QVERIFY(QTest::qWaitForWindowExposed(v));
        QSignalSpy cancelled(handler.data(), &PdfHandler::pdfCancel);
        QWidget board;
        if (covered) {
            board.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
            board.setGeometry(QRect(v->m_cancelBtn->mapToGlobal(QPoint(-20, -20)), QSize(200, 200)));
            board.show();
            QVERIFY(QTest::qWaitForWindowExposed(&board));
        }
        const QPoint cancel = centreOf(v->m_cancelBtn);
        pen(cancel, 1);
        pen(upInside ? cancel : cancel - QPoint(0, 200), 3);
        QCOMPARE(cancelled.count(), clicks ? 1 : 0);
    }

    void closingReopensTheDocumentInTheMainWindow_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("cancel") << "cancel" << QStringList();
        QTest::newRow("ok") << "ok" << QStringList{"Signing completed. Please save the document."};
        QTest::newRow("close") << "close" << QStringList();
        QTest::newRow("window manager's close") << "wm close" << QStringList();
        QTest::newRow("cancel, captured") << "cancel" << QStringList{translated("signing_discard_message")};
        QTest::newRow("window manager's close, captured") << "wm close" << QStringList{translated("signing_discard_message")};
    }

    void closingReopensTheDocumentInTheMainWindow()
    {
        QFETCH(QString, path);
        QFETCH(QStringList, messages);
        const bool captured = messages.contains(translated("signing_discard_message"));
        plugPenDisplay(captured);
        QStringList seen;
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                seen << box->text();
                box->buttons().first()->click();
            }
        });
        answer.start(5);

        MainWindow window;
        window.show();
        auto *editor = window.findChild<PdfSignCoreWidget *>();
        QVERIFY(editor->openPdf(samplePdf(2)));
        PdfSignData data;
        data.tags = {tagOn(2, 1)};
        editor->applySignData(data);
        window.startSigning();
        PdfViewer *signing = nullptr;
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (auto *found = qobject_cast<PdfViewer *>(widget))
                signing = found;
        QVERIFY(signing);
        QPointer<PdfViewer> guard(signing);
        QTRY_VERIFY(signing->isVisible());
        // The window covers its screen (it is never narrower than its button bar).
        QCOMPARE(signing->geometry().topLeft(), signing->screen()->geometry().topLeft());
        QCOMPARE(signing->height(), signing->screen()->geometry().height());

        if (captured)
            signing->onSignBtnClicked(), sign(picture);
        QCloseEvent close;   // as the window manager's comes, at the native window
        if (path == QLatin1String("cancel"))
            signing->onCancelBtnClicked();
        else if (path == QLatin1String("ok"))
            signing->onOkBtnClicked();
        else if (path == QLatin1String("close"))
            signing->close();
        else
            QApplication::sendEvent(signing->windowHandle(), &close);
        QTRY_VERIFY(guard.isNull());
        QTRY_VERIFY(editor->hasDocument() && handler->pageCount() == 2);
        QTest::qWait(50);
        QCOMPARE(seen, messages);
    }
};

QTEST_MAIN(tst_pdfviewer)
#include "tst_pdfviewer.moc"
