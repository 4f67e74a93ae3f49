#include "ConfigManager.h"
#include "LanguageManager.h"
#include "PageStrip.h"
#include "PdfHandler.h"
#include "PdfSignCoreWidget.h"
#include "TagMenu.h"
#include "TestPdf.h"
#include "../CapturedLog.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QMenu>
#include <QProgressDialog>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

#include <cstdio>
#include <memory>

namespace {

QString makePdf(const QString &path, int pages, const QSizeF &points = QSizeF(300, 200), int otherPage = -1,
                const QSizeF &otherPoints = QSizeF())
{
    QVector<TestPage> list(pages, TestPage{points.width(), points.height()});
    if (otherPage >= 0)
        list[otherPage] = TestPage{otherPoints.width(), otherPoints.height()};
    if (!TestPdf::writeBlank(path, list))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QString redPng()
{
    return TestPdf::solidPng(QSize(40, 20), Qt::red);
}

void sendMouse(QWidget *target, QEvent::Type type, Qt::MouseButton button, const QPoint &pos)
{
    // A move carries the buttons held during it (none: a hover).
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, pos, target->mapToGlobal(pos), type == QEvent::MouseMove ? Qt::NoButton : button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

void drag(QWidget *target, const QPoint &from, const QPoint &to)
{
    sendMouse(target, QEvent::MouseButtonPress, Qt::LeftButton, from);
    sendMouse(target, QEvent::MouseMove, Qt::LeftButton, to);
    sendMouse(target, QEvent::MouseButtonRelease, Qt::LeftButton, to);
}

// Answers the next tag menu with the choice (None: dismiss it).
void answerMenu(TagMenu::Choice choice)
{
    QTimer::singleShot(0, [choice] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        if (choice == TagMenu::None) {
            QTest::keyClick(menu, Qt::Key_Escape);
            return;
        }
        for (QAction *action : menu->actions()) {
            if (action->data().toInt() == choice)
                menu->setActiveAction(action);
        }
        QTest::keyClick(menu, Qt::Key_Return);
    });
}

bool isRed(const QColor &c)
{
    return c.red() > 200 && c.green() < 60 && c.blue() < 60;
}

} // namespace

class TestPdfSignCoreWidget : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void openEmitsInOrderThenBuildsPages();
    void failedOpenKeepsThePreviousDocument();
    void fileChangedOnDiskChangesNothing_data();
    void fileChangedOnDiskChangesNothing();
    void closeReturnsToNoDocument();
    void displayWidthFollowsTheViewport();
    void pageOfAnotherSizeGetsItsOwnHeight();
    void cacheStaysBoundedWhileScrolling();
    void gotoPageRefusesOutsideTheDocument();

    void addTagAtCenterFromSettings_data();
    void addTagAtCenterFromSettings();
    void resizeStopsAtTheMinimum();
    void moveIsClampedToThePage();
    void laterOverlappingTagIsPicked();
    void menuRetypes();
    void rightPressEndsADrag();
    void movingACapturedTagRedrawsItsPage();
    void languageChangeRetitles();
    void clearAndResetTags();

    void templateRoundTrip();
    void templateErrors_data();
    void templateErrors();
    void startSigning_data();
    void startSigning();
    void signingRequestSortsAndRetitles();
    void applySignDataKeepsThePage();
    void saveWritesTheTarget_data();
    void saveWritesTheTarget();
    void saveFailures_data();
    void saveFailures();
    void twoCopiesSavingAtOnceKeepTheirOwnDocuments();

private:
    void openAndWait(const QString &path);
    bool openWithEditableTag();
    QLabel *label(int index) const;
    QRect displayRect(int index) const { return w->tagDisplayRect(index); }
    QList<PdfSignTag> &tags() { return w->signData.tags; }
    PdfSignTag tagWithImage(int page, int y, int type, const QString &sign, const QString &fp) const;

    QSharedPointer<PdfHandler> handler;
    QSharedPointer<ConfigManager> config;
    QScopedPointer<QTemporaryDir> dir;
    std::unique_ptr<PdfSignCoreWidget> w;
    QString threePages;
    QStringList errors;
    QStringList infos;
};

void TestPdfSignCoreWidget::initTestCase()
{
    LanguageManager::instance().setLanguage(LanguageManager::Language::English);
    handler = PdfHandler::instance();
    config = ConfigManager::instance();
}

void TestPdfSignCoreWidget::init()
{
    dir.reset(new QTemporaryDir);
    QVERIFY(dir->isValid());
    threePages = makePdf(dir->filePath("three.pdf"), 3);
    w.reset(new PdfSignCoreWidget(config));
    w->resize(600, 500);
    w->show();
    errors.clear();
    infos.clear();
    connect(w.get(), &PdfSignCoreWidget::errorMessage, this, [this](const QString &m) { errors << m; });
    connect(w.get(), &PdfSignCoreWidget::infoMessage, this, [this](const QString &m) { infos << m; });
}

void TestPdfSignCoreWidget::cleanup()
{
    w.reset();
    handler->closeDocument();
    QDir(QFileInfo(PdfHandler::intermediateFilePath()).absolutePath()).removeRecursively();
    config->setValue("sign/tagWidth", 128);
    config->setValue("sign/tagHeight", 64);
    config->setValue("sign/defaultType", 1);
}

void TestPdfSignCoreWidget::openAndWait(const QString &path)
{
    QVERIFY(w->openPdf(path));
    QTRY_VERIFY(!w->strip->pages.isEmpty());
}

// One 150 x 80 tag on the first page, editing on; false when that could not be set up.
bool TestPdfSignCoreWidget::openWithEditableTag()
{
    openAndWait(threePages);
    if (QTest::currentTestFailed() || !w->addTag(0, QRect(100, 100, 150, 80), 1))
        return false;
    w->setEditEnabled(true);
    return true;
}

QLabel *TestPdfSignCoreWidget::label(int index) const
{
    return w->strip->pages.at(index).label;
}

PdfSignTag TestPdfSignCoreWidget::tagWithImage(int page, int y, int type, const QString &sign, const QString &fp) const
{
    PdfSignTag tag;
    tag.page = page;
    tag.x = 100;
    tag.y = y;
    tag.w = 400;
    tag.h = 200;
    tag.setType(type);
    tag.signImage = sign;
    tag.isSignDone = tag.isSignDone || !sign.isEmpty();
    tag.fpImage = fp;
    tag.isFpDone = tag.isFpDone || !fp.isEmpty();
    return tag;
}

// ---------------------------------------------------------------------------------------------

void TestPdfSignCoreWidget::openEmitsInOrderThenBuildsPages()
{
    QStringList log;
    connect(w.get(), &PdfSignCoreWidget::documentStateChanged, this, [&log](bool on) { log << QString("doc %1").arg(on); });
    connect(w.get(), &PdfSignCoreWidget::pageInfoChanged, this,
            [&log](int current, int total) { log << QString("page %1/%2").arg(current).arg(total); });
    connect(w.get(), &PdfSignCoreWidget::tagCountChanged, this, [&log](int n) { log << QString("tags %1").arg(n); });

    QVERIFY(!w->openPdf(QString()));
    QVERIFY(log.isEmpty());

    QVERIFY(w->openPdf(threePages));
    QCOMPARE(log, QStringList({"doc 1", "page 1/3", "tags 0"}));
    QVERIFY(w->hasDocument());
    QCOMPARE(w->pdfPath(), threePages);
    QCOMPARE(w->pageCount(), 3);
    QVERIFY(w->findChildren<QLabel *>("pdfPageLabel").isEmpty()); // built on the next turn

    QTRY_COMPARE(w->findChildren<QLabel *>("pdfPageLabel").size(), 3);
    QCOMPARE(log, QStringList({"doc 1", "page 1/3", "tags 0", "page 1/3", "page 1/3"}));
    QCOMPARE(label(0)->property("pageIndex").toInt(), 0);
    QCOMPARE(label(2)->property("pageIndex").toInt(), 2);
    QVERIFY(!label(0)->pixmap(Qt::ReturnByValue).isNull());
    QVERIFY(!w->isEditEnabled());
}

void TestPdfSignCoreWidget::failedOpenKeepsThePreviousDocument()
{
    QVERIFY(!w->openPdf(dir->filePath("missing.pdf")));
    QCOMPARE(errors, QStringList({"Failed to open PDF\nFile: " + dir->filePath("missing.pdf")
                                  + "\nReason: the file does not exist"}));
    QVERIFY(!w->hasDocument());
    errors.clear();

    openAndWait(threePages);
    w->setEditEnabled(true);
    QVERIFY(w->addTagAtCenter());
    QFile junk(dir->filePath("junk.pdf"));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("not a pdf at all");
    junk.close();

    QVERIFY(!w->openPdf(junk.fileName()));
    QCOMPARE(errors, QStringList({"Failed to open PDF\nFile: " + junk.fileName()
                                  + "\nReason: the file is damaged or is not a PDF"}));
    QVERIFY(w->hasDocument());
    QCOMPARE(w->pdfPath(), threePages);
    QCOMPARE(w->tagCount(), 1);
    QCOMPARE(handler->pageCount(), 3); // the holder has the document again
    QCOMPARE(w->findChildren<QLabel *>("pdfPageLabel").size(), 3);
    QVERIFY(!handler->renderPage(0).isNull());
}

void TestPdfSignCoreWidget::fileChangedOnDiskChangesNothing_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("removed") << "remove";
    QTest::newRow("truncated") << "truncate";
    QTest::newRow("another document moved over it") << "replace";
    QTest::newRow("saved over by this session") << "save";
    // After the dash: where the private copy finds room, the cache folder without one.
    QTest::newRow("rewritten in place, the cache full: the temporary folder serves") << "rewrite-temp";
    QTest::newRow("rewritten in place, no room for a copy") << "rewrite-none";
    QTest::newRow("truncated, no room for a copy") << "truncate-none";
    QTest::newRow("another document moved over it, no room for a copy") << "replace-none";
}

// The session works on the document as it was opened: after any change to the file on disk, the
// reload after signing and every save keep all its pages, and each image is in a save once.
// Where only the file itself can serve, a change of it is told and nothing is saved from it.
void TestPdfSignCoreWidget::fileChangedOnDiskChangesNothing()
{
    QFETCH(QString, change);
    const QString room = change.section('-', 1);
    change = change.section('-', 0, 0);
    const QByteArray cache = qgetenv("XDG_CACHE_HOME"), temp = qgetenv("TMPDIR");
    const auto restore = qScopeGuard([&] { qputenv("XDG_CACHE_HOME", cache), qputenv("TMPDIR", temp); });
    qputenv("XDG_CACHE_HOME", room.isEmpty() ? cache : "/proc/no-room");
    qputenv("TMPDIR", room == "none" ? "/proc/no-room" : temp);
    const QString copy = dir->filePath("copy.pdf");
    QVERIFY(QFile::copy(threePages, copy));
    openAndWait(copy);
    PdfSignData data;
    data.tags << tagWithImage(3, 100, 1, redPng(), QString());
    w->applySignData(data);
    if (change == "remove")
        QVERIFY(QFile::remove(copy));
    if (change == "truncate")
        QVERIFY(QFile::resize(copy, 100));
    if (change == "replace") {
        const QString other = makePdf(dir->filePath("other.pdf"), 1);
        QVERIFY(::rename(QFile::encodeName(other), QFile::encodeName(copy)) == 0);
    }
    if (change == "rewrite")
        makePdf(copy, 1); // in place, the same file
    if (change == "save")
        QVERIFY(w->savePdf(copy));
    const QDateTime before = QFileInfo(copy).lastModified();
    data.tags << tagWithImage(3, 500, 1, redPng(), QString());
    w->applySignData(data); // signed more: the document reloads
    QVERIFY(w->hasDocument());
    QCOMPARE(w->pageCount(), 3);
    if (room == "none" && change != "replace") {
        QCOMPARE(errors, QStringList({translated("file_changed")}));
        QCOMPARE(tags().at(1).signImage, redPng());
        QVERIFY(!w->savePdf(copy));
        QVERIFY(errors.last().endsWith(copy + "\nReason: the PDF file was changed on disk after it was opened"));
        QCOMPARE(QFileInfo(copy).lastModified(), before);
        return;
    }
    QVERIFY(w->savePdf(copy));
    QVERIFY(errors.isEmpty());
    QCOMPARE(TestPdf::imageMatrices(copy, 2).size(), 2);
}

void TestPdfSignCoreWidget::closeReturnsToNoDocument()
{
    openAndWait(threePages);
    QVERIFY(w->addTagAtCenter());
    w->setEditEnabled(true);
    QStringList log;
    connect(w.get(), &PdfSignCoreWidget::documentStateChanged, this, [&log](bool on) { log << QString("doc %1").arg(on); });
    connect(w.get(), &PdfSignCoreWidget::pageInfoChanged, this,
            [&log](int current, int total) { log << QString("page %1/%2").arg(current).arg(total); });
    connect(w.get(), &PdfSignCoreWidget::tagCountChanged, this, [&log](int n) { log << QString("tags %1").arg(n); });

    w->closeDocument();
    QCOMPARE(log, QStringList({"page 1/0", "tags 0", "doc 0"}));
    QVERIFY(!w->hasDocument());
    QCOMPARE(w->tagCount(), 0);
    QVERIFY(w->pdfPath().isEmpty());
    QVERIFY(w->isEditEnabled()); // editing is independent of the document
    QVERIFY(w->findChildren<QLabel *>("pdfPageLabel").isEmpty());
    QVERIFY(!w->addTagAtCenter());
}

void TestPdfSignCoreWidget::displayWidthFollowsTheViewport()
{
    const QString a4 = makePdf(dir->filePath("a4.pdf"), 3, QSizeF(595, 842));
    const int scrollBar = w->strip->verticalScrollBar()->sizeHint().width();
    w->resize(1000 + scrollBar, 500);
    openAndWait(a4);
    QCOMPARE(w->strip->basePageSize, QSize(2479, 3508));
    QCOMPARE(w->strip->viewport()->width(), 1000);
    QCOMPARE(label(0)->width(), 904);
    QCOMPARE(w->strip->pages.at(0).pageScale, 904.0 / 2479);
    QCOMPARE(label(0)->height(), qRound(3508 * 904.0 / 2479));

    w->resize(3000 + scrollBar, 500);
    QCOMPARE(label(0)->width(), 1240);
    QCOMPARE(label(2)->width(), 1240);
}

void TestPdfSignCoreWidget::pageOfAnotherSizeGetsItsOwnHeight()
{
    const QString mixed = makePdf(dir->filePath("mixed.pdf"), 3, QSizeF(300, 200), 1, QSizeF(300, 400));
    w->resize(600, 3000); // every page in view
    openAndWait(mixed);
    QTRY_VERIFY(label(1)->height() > label(0)->height() * 3 / 2);
    QCOMPARE(label(1)->width(), label(0)->width());
    QCOMPARE(label(2)->height(), label(0)->height());
}

void TestPdfSignCoreWidget::cacheStaysBoundedWhileScrolling()
{
    const QString twenty = makePdf(dir->filePath("twenty.pdf"), 20);
    openAndWait(twenty);
    for (int page = 1; page <= 20; ++page) {
        w->gotoPage(page);
        QCOMPARE(w->currentPage(), page);
        QVERIFY(w->strip->pageCache.totalCost() <= 6);
        QVERIFY(w->strip->pageCache.count() <= 6);
        // A 500-pixel view shows at most three pages, plus one prefetched on each side.
        int shown = 0;
        for (int i = 0; i < 20; ++i) {
            if (label(i)->pixmap(Qt::ReturnByValue).isNull())
                QCOMPARE(label(i)->text(), QString("Page %1").arg(i + 1));
            else
                ++shown;
        }
        QVERIFY2(shown >= 1 && shown <= 5, qPrintable(QString("page %1 shows %2").arg(page).arg(shown)));
        QVERIFY(!label(page - 1)->pixmap(Qt::ReturnByValue).isNull());
    }
    QVERIFY(!label(19)->pixmap(Qt::ReturnByValue).isNull());
    QCOMPARE(label(0)->text(), QString("Page 1"));

    // Scrolling by hand follows the current page.
    w->strip->verticalScrollBar()->setValue(label(5)->geometry().top());
    QCOMPARE(w->currentPage(), 6);
    QVERIFY(!label(5)->pixmap(Qt::ReturnByValue).isNull());
}

void TestPdfSignCoreWidget::gotoPageRefusesOutsideTheDocument()
{
    w->gotoPage(1); // nothing without a document
    QVERIFY(errors.isEmpty());
    openAndWait(threePages);
    w->previousPage();
    QCOMPARE(errors, QStringList({"Invalid page number"}));
    w->gotoPage(3);
    QCOMPARE(w->currentPage(), 3);
    w->nextPage();
    w->gotoPage(0);
    QCOMPARE(errors.size(), 3);
    QCOMPARE(w->currentPage(), 3);
}

// ---------------------------------------------------------------------------------------------

void TestPdfSignCoreWidget::addTagAtCenterFromSettings_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("defaultType");
    QTest::addColumn<int>("type");
    QTest::newRow("defaults") << 128 << 1 << 1;
    QTest::newRow("fingerprint") << 128 << 2 << 2;
    QTest::newRow("huge width, unknown type") << 9999 << 7 << 1;
    QTest::newRow("zero width, type 0") << 0 << 0 << 1;
}

void TestPdfSignCoreWidget::addTagAtCenterFromSettings()
{
    QFETCH(int, width);
    QFETCH(int, defaultType);
    QFETCH(int, type);
    QVERIFY(!w->addTagAtCenter());
    openAndWait(threePages);
    config->setValue("sign/tagWidth", width);
    config->setValue("sign/defaultType", defaultType);
    QSignalSpy count(w.get(), &PdfSignCoreWidget::tagCountChanged);

    QVERIFY(w->addTagAtCenter());
    QCOMPARE(count.size(), 1);
    QCOMPARE(w->tagCount(), 1);
    const PdfSignTag tag = tags().first();
    QCOMPARE(tag.type, type);
    QCOMPARE(tag.title, QString("Sign Area 1"));
    QVERIFY(tag.signImage.isEmpty() && tag.fpImage.isEmpty());
    const int labelWidth = label(tag.page - 1)->width();
    const QRect r = displayRect(0);
    QCOMPARE(r.width(), std::min(std::max(width, 32), labelWidth - 32));
    QCOMPARE(r.height(), 64);
    QVERIFY(r.left() >= 16 && r.right() < labelWidth - 16 + 1);
}

void TestPdfSignCoreWidget::resizeStopsAtTheMinimum()
{
    openAndWait(threePages);
    QVERIFY(w->addTag(0, QRect(100, 100, 200, 120), 1));
    const QRect start = displayRect(0);
    QLabel *page = label(0);

    // Without editing the press reaches nothing.
    sendMouse(page, QEvent::MouseButtonPress, Qt::LeftButton, QPoint(start.left(), start.center().y()));
    QVERIFY(!w->dragging);

    w->setEditEnabled(true);
    sendMouse(page, QEvent::MouseButtonPress, Qt::LeftButton, QPoint(start.left(), start.center().y()));
    QVERIFY(w->dragging);
    QCOMPARE(w->dragEdges, 1);
    QCOMPARE(page->cursor().shape(), Qt::SizeHorCursor);
    sendMouse(page, QEvent::MouseMove, Qt::LeftButton, QPoint(start.right() + 300, start.center().y()));
    sendMouse(page, QEvent::MouseButtonRelease, Qt::LeftButton, QPoint(start.right() + 300, start.center().y()));
    QVERIFY(!w->dragging);
    QCOMPARE(displayRect(0).width(), 96);
    QCOMPARE(displayRect(0).right(), start.right());

    const QRect narrow = displayRect(0);
    sendMouse(page, QEvent::MouseButtonPress, Qt::LeftButton, QPoint(narrow.center().x(), narrow.bottom()));
    QCOMPARE(w->dragEdges, 8);
    sendMouse(page, QEvent::MouseMove, Qt::LeftButton, QPoint(narrow.center().x(), 0));
    sendMouse(page, QEvent::MouseButtonRelease, Qt::LeftButton, QPoint(narrow.center().x(), 0));
    QCOMPARE(displayRect(0).size(), QSize(96, 56));
    QCOMPARE(displayRect(0).top(), start.top());
}

void TestPdfSignCoreWidget::moveIsClampedToThePage()
{
    QVERIFY(openWithEditableTag());
    QLabel *page = label(0);
    const QRect start = displayRect(0);

    sendMouse(page, QEvent::MouseButtonPress, Qt::LeftButton, start.center());
    QCOMPARE(w->dragEdges, 0);
    QCOMPARE(page->cursor().shape(), Qt::SizeAllCursor);
    sendMouse(page, QEvent::MouseMove, Qt::LeftButton, start.center() + QPoint(5000, 5000));
    sendMouse(page, QEvent::MouseButtonRelease, Qt::LeftButton, start.center() + QPoint(5000, 5000));
    QRect r = displayRect(0);
    QCOMPARE(r.size(), start.size());
    QCOMPARE(r.right(), page->width() - 1);
    QCOMPARE(r.bottom(), page->height() - 1);

    drag(page, r.center(), r.center() - QPoint(5000, 5000));
    QCOMPARE(displayRect(0), QRect(QPoint(0, 0), start.size()));

    // Hovering shows what a press would do.
    sendMouse(page, QEvent::MouseMove, Qt::NoButton, QPoint(page->width() - 5, page->height() - 5));
    QCOMPARE(page->cursor().shape(), Qt::ArrowCursor);
    sendMouse(page, QEvent::MouseMove, Qt::NoButton, QPoint(start.width() - 1, 30));
    QCOMPARE(page->cursor().shape(), Qt::SizeHorCursor);
}

void TestPdfSignCoreWidget::laterOverlappingTagIsPicked()
{
    openAndWait(threePages);
    QVERIFY(w->addTag(0, QRect(100, 100, 200, 120), 1));
    QVERIFY(w->addTag(0, QRect(150, 150, 200, 120), 2));
    w->setEditEnabled(true);
    const QPoint overlap(200, 200);
    QCOMPARE(w->tagIndexAt(0, overlap), 1);

    QSignalSpy count(w.get(), &PdfSignCoreWidget::tagCountChanged);
    answerMenu(TagMenu::Delete);
    sendMouse(label(0), QEvent::MouseButtonPress, Qt::RightButton, overlap);
    QCOMPARE(w->tagCount(), 1);
    QCOMPARE(tags().first().type, 1);
    QCOMPARE(count.size(), 1);
    QCOMPARE(count.first().first().toInt(), 1);

    // A right press beside every tag opens no menu.
    sendMouse(label(0), QEvent::MouseButtonPress, Qt::RightButton, QPoint(5, 5));
    QVERIFY(!QApplication::activePopupWidget());
}

void TestPdfSignCoreWidget::menuRetypes()
{
    openAndWait(threePages);
    PdfSignData data;
    data.tags << tagWithImage(1, 100, 1, redPng(), QString()) << tagWithImage(1, 500, 2, QString(), redPng());
    w->applySignData(data);
    w->setEditEnabled(true);
    QVERIFY(!w->hasPendingTags());

    // Another type: images cleared, parts opened by the new type.
    answerMenu(TagMenu::SignAndFingerprint);
    sendMouse(label(0), QEvent::MouseButtonPress, Qt::RightButton, displayRect(0).center());
    QCOMPARE(tags().at(0).type, 3);
    QVERIFY(tags().at(0).signImage.isEmpty());
    QVERIFY(!tags().at(0).isSignDone && !tags().at(0).isFpDone);
    QCOMPARE(w->firstPendingTag(), 0);

    // The same type, or no choice: nothing changes.
    answerMenu(TagMenu::FingerprintOnly);
    sendMouse(label(0), QEvent::MouseButtonPress, Qt::RightButton, displayRect(1).center());
    answerMenu(TagMenu::None);
    sendMouse(label(0), QEvent::MouseButtonPress, Qt::RightButton, displayRect(1).center());
    QCOMPARE(tags().at(1).type, 2);
    QCOMPARE(tags().at(1).fpImage, redPng());
    QVERIFY(tags().at(1).isFpDone);
}

void TestPdfSignCoreWidget::rightPressEndsADrag()
{
    QVERIFY(openWithEditableTag());
    QLabel *page = label(0);
    const QRect start = displayRect(0);

    sendMouse(page, QEvent::MouseButtonPress, Qt::LeftButton, start.center());
    sendMouse(page, QEvent::MouseMove, Qt::LeftButton, start.center() + QPoint(40, 10));
    answerMenu(TagMenu::Delete);
    sendMouse(page, QEvent::MouseButtonPress, Qt::RightButton, start.center() + QPoint(40, 10));
    QVERIFY(!w->dragging);
    QCOMPARE(w->tagCount(), 0);
    // The left release that follows has no drag to finish and moves nothing.
    sendMouse(page, QEvent::MouseMove, Qt::LeftButton, start.center() + QPoint(90, 90));
    sendMouse(page, QEvent::MouseButtonRelease, Qt::LeftButton, start.center() + QPoint(90, 90));
    QCOMPARE(w->tagCount(), 0);

    // Dismissed menu: the moved position stays and no further move follows.
    QVERIFY(w->addTag(0, QRect(100, 100, 150, 80), 1));
    sendMouse(page, QEvent::MouseButtonPress, Qt::LeftButton, start.center());
    sendMouse(page, QEvent::MouseMove, Qt::LeftButton, start.center() + QPoint(40, 10));
    answerMenu(TagMenu::None);
    sendMouse(page, QEvent::MouseButtonPress, Qt::RightButton, start.center() + QPoint(40, 10));
    sendMouse(page, QEvent::MouseMove, Qt::LeftButton, start.center() + QPoint(90, 90));
    QCOMPARE(displayRect(0).topLeft(), start.topLeft() + QPoint(40, 10));
}

void TestPdfSignCoreWidget::movingACapturedTagRedrawsItsPage()
{
    openAndWait(threePages);
    PdfSignData data;
    data.tags << tagWithImage(1, 100, 1, redPng(), QString());
    w->applySignData(data);
    w->setEditEnabled(true);
    QLabel *page = label(0);
    const QRect start = displayRect(0);
    QVERIFY(isRed(page->pixmap(Qt::ReturnByValue).toImage().pixelColor(start.center())));

    const QPoint delta(0, 200);
    drag(page, start.center(), start.center() + delta);
    QCOMPARE(displayRect(0), start.translated(delta));
    const QImage shown = page->pixmap(Qt::ReturnByValue).toImage();
    QVERIFY(!isRed(shown.pixelColor(start.center())));
    QVERIFY(isRed(shown.pixelColor(start.center() + delta)));
}

void TestPdfSignCoreWidget::languageChangeRetitles()
{
    openAndWait(threePages);
    QVERIFY(w->addTag(0, QRect(100, 100, 150, 80), 1));
    QVERIFY(w->addTag(1, QRect(100, 100, 150, 80), 1));
    LanguageManager::instance().setLanguage(LanguageManager::Language::ZhCN);
    const QString first = tags().at(0).title;
    const QString second = tags().at(1).title;
    LanguageManager::instance().setLanguage(LanguageManager::Language::English);
    QCOMPARE(first, QString::fromUtf8("签名区1"));
    QCOMPARE(second, QString::fromUtf8("签名区2"));
    QCOMPARE(tags().at(1).title, QString("Sign Area 2"));
}

void TestPdfSignCoreWidget::clearAndResetTags()
{
    openAndWait(threePages);
    QSignalSpy count(w.get(), &PdfSignCoreWidget::tagCountChanged);
    w->clearTags();
    QVERIFY(count.isEmpty());

    PdfSignData data;
    data.tags << tagWithImage(1, 100, 1, redPng(), QString()) << tagWithImage(2, 50, 3, redPng(), redPng());
    w->applySignData(data);
    QVERIFY(!w->hasPendingTags());
    w->resetTagStatus();
    QCOMPARE(w->firstPendingTag(), 0);
    QVERIFY(tags().at(1).fpImage.isEmpty() && !tags().at(1).isSignDone && !tags().at(1).isFpDone);
    QVERIFY(tags().at(0).isFpDone);

    count.clear();
    w->clearTags();
    QCOMPARE(w->tagCount(), 0);
    QCOMPARE(count.size(), 1);
    QCOMPARE(count.first().first().toInt(), 0);
}

// ---------------------------------------------------------------------------------------------

void TestPdfSignCoreWidget::templateRoundTrip()
{
    openAndWait(threePages);
    // Written in the writer's own form, so reading and writing again must give the same text.
    const QByteArray text = "[\n"
                            "    {\n"
                            "        \"h\": 60,\n"
                            "        \"page\": 1,\n"
                            "        \"title\": \"Sign Area 1\",\n"
                            "        \"type\": 3,\n"
                            "        \"w\": 120,\n"
                            "        \"x\": 100,\n"
                            "        \"y\": 200\n"
                            "    },\n"
                            "    {\n"
                            "        \"h\": 3,\n"
                            "        \"page\": 2,\n"
                            "        \"title\": \"Sign Area 2\",\n"
                            "        \"type\": 9,\n"
                            "        \"w\": 128,\n"
                            "        \"x\": -50,\n"
                            "        \"y\": 0\n"
                            "    }\n"
                            "]\n";
    const QString in = dir->filePath("in.json");
    QFile file(in);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(text).replace("Sign Area 2", "old title")); // titles are rewritten
    file.close();

    QSignalSpy count(w.get(), &PdfSignCoreWidget::tagCountChanged);
    QVERIFY(w->loadTemplateJson(in));
    QCOMPARE(infos, QStringList({"Template loaded"}));
    QCOMPARE(count.last().first().toInt(), 2);
    QCOMPARE(QVector<int>({tags().at(0).x, tags().at(0).y, tags().at(0).w, tags().at(0).h}),
             QVector<int>({313, 625, 375, 188}));

    const QString out = dir->filePath("out.json");
    QVERIFY(w->saveTemplateJson(out));
    QCOMPARE(infos.last(), QString("Template saved"));
    QFile written(out);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), text);

    // A template without one usable entry still replaces the tags.
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(R"([{"page": 0, "w": 10, "h": 10}, {"page": 4, "w": 10, "h": 10}])");
    file.close();
    QVERIFY(w->loadTemplateJson(in));
    QCOMPARE(w->tagCount(), 0);
    QCOMPARE(infos.last(), QString("Template loaded"));
}

void TestPdfSignCoreWidget::templateErrors_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("message");
    QTest::newRow("load without document") << "load-nodoc" << "Please open a PDF file first";
    QTest::newRow("save without document") << "save-nodoc" << "Please open a PDF file first";
    QTest::newRow("top-level object") << "object" << "Invalid template JSON format";
    QTest::newRow("syntax error") << "syntax" << "Invalid template JSON format";
    QTest::newRow("missing file") << "missing" << "Template operation failed";
    QTest::newRow("unwritable place") << "unwritable" << "Template operation failed";
}

void TestPdfSignCoreWidget::templateErrors()
{
    QFETCH(QString, situation);
    QFETCH(QString, message);
    const QString path = dir->filePath("t.json");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(situation == "syntax" ? R"([{"page": 1, "w": 10,, "h": 10}])" : R"({"page": 1, "w": 10, "h": 10})");
    file.close();
    if (!situation.endsWith("nodoc")) {
        openAndWait(threePages);
        QVERIFY(w->addTagAtCenter());
    }

    bool ok = true;
    if (situation == "save-nodoc")
        ok = w->saveTemplateJson(path);
    else if (situation == "unwritable")
        ok = w->saveTemplateJson(dir->filePath("no/such/folder/t.json"));
    else
        ok = w->loadTemplateJson(situation == "missing" ? dir->filePath("absent.json") : path);
    QVERIFY(!ok);
    QCOMPARE(errors, QStringList({message}));
    QVERIFY(infos.isEmpty());
    if (w->hasDocument())
        QCOMPARE(w->tagCount(), 1);
}

void TestPdfSignCoreWidget::startSigning_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("info");
    QTest::addColumn<bool>("requested");
    QTest::newRow("no document") << "nodoc" << "Please open a PDF file first" << "" << false;
    QTest::newRow("no tags") << "notags" << "No signable areas" << "" << false;
    QTest::newRow("only never-pending tags") << "type9" << "" << "All signature areas are completed" << false;
    QTest::newRow("every tag done") << "done" << "" << "All signature areas are completed" << false;
    QTest::newRow("done, then reset") << "reset" << "" << "" << true;
    QTest::newRow("one pending") << "pending" << "" << "" << true;
}

void TestPdfSignCoreWidget::startSigning()
{
    QFETCH(QString, situation);
    QFETCH(QString, error);
    QFETCH(QString, info);
    QFETCH(bool, requested);
    if (situation != "nodoc")
        openAndWait(threePages);
    PdfSignData data;
    if (situation == "type9")
        data.tags << tagWithImage(1, 100, 9, QString(), QString()) << tagWithImage(2, 100, 0, QString(), QString());
    if (situation == "done" || situation == "reset")
        data.tags << tagWithImage(1, 100, 3, redPng(), redPng());
    if (situation == "pending")
        data.tags << tagWithImage(1, 100, 3, redPng(), redPng()) << tagWithImage(1, 300, 1, QString(), QString());
    if (!data.tags.isEmpty())
        w->applySignData(data);
    if (situation == "reset")
        w->resetTagStatus();

    QSignalSpy signing(w.get(), &PdfSignCoreWidget::signingRequested);
    w->startSigning();
    QCOMPARE(errors, error.isEmpty() ? QStringList() : QStringList({error}));
    QCOMPARE(infos, info.isEmpty() ? QStringList() : QStringList({info}));
    QCOMPARE(signing.size(), requested ? 1 : 0);
    if (requested)
        QCOMPARE(signing.first().first().toString(), threePages);
}

void TestPdfSignCoreWidget::signingRequestSortsAndRetitles()
{
    openAndWait(threePages);
    QVERIFY(w->addTag(0, QRect(50, 20, 150, 80), 1));
    QVERIFY(w->addTag(0, QRect(50, 120, 150, 80), 2));
    w->setEditEnabled(true);
    // Drag the first tag below the second: the list keeps its order until signing starts.
    const QRect first = displayRect(0);
    drag(label(0), first.center(), first.center() + QPoint(0, 200));
    QCOMPARE(tags().first().type, 1);

    PdfSignData sent;
    connect(w.get(), &PdfSignCoreWidget::signingRequested, this,
            [&sent](const QString &, const PdfSignData &data) { sent = data; });
    w->startSigning();
    QCOMPARE(sent.tags.size(), 2);
    QCOMPARE(sent.tags.at(0).type, 2);
    QCOMPARE(sent.tags.at(1).type, 1);
    QVERIFY(sent.tags.at(0).y < sent.tags.at(1).y);
    QCOMPARE(sent.tags.at(0).title, QString("Sign Area 1"));
    QCOMPARE(sent.tags.at(1).title, QString("Sign Area 2"));
}

void TestPdfSignCoreWidget::applySignDataKeepsThePage()
{
    openAndWait(threePages);
    w->gotoPage(3);
    QSignalSpy count(w.get(), &PdfSignCoreWidget::tagCountChanged);
    PdfSignData data;
    data.tags << tagWithImage(3, 400, 1, redPng(), QString()) << tagWithImage(1, 100, 2, QString(), QString());
    w->applySignData(data);
    QCOMPARE(count.size(), 1);
    QCOMPARE(count.first().first().toInt(), 2);
    QCOMPARE(w->currentPage(), 3);
    QCOMPARE(tags().first().page, 1); // sorted
    QCOMPARE(handler->pageCount(), 3);
    const QRect captured = displayRect(1);
    QVERIFY(isRed(label(2)->pixmap(Qt::ReturnByValue).toImage().pixelColor(captured.center())));
}

void TestPdfSignCoreWidget::saveWritesTheTarget_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("linkedTo"); // empty: the name is the file itself
    QTest::newRow("over an earlier file") << "signed.pdf" << "";
    QTest::newRow("through a chain of links, the links stay") << "signed.pdf" << "archive/signed.pdf";
    QTest::newRow("a name of 250 bytes") << QString(82, QChar(0x7b7e)) + ".pdf" << "";
}

void TestPdfSignCoreWidget::saveWritesTheTarget()
{
    QFETCH(QString, name);
    QFETCH(QString, linkedTo);
    QVERIFY(!w->savePdf(dir->filePath("x.pdf")));
    openAndWait(threePages);
    QVERIFY(!w->savePdf(QString()));
    QVERIFY(errors.isEmpty() && infos.isEmpty());

    PdfSignData data;
    data.tags << tagWithImage(1, 100, 1, redPng(), QString());
    w->applySignData(data);
    const QString target = dir->filePath(name);
    const QString file = linkedTo.isEmpty() ? target : dir->filePath(linkedTo);
    QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()));
    if (!linkedTo.isEmpty()) { // signed.pdf -> hop -> archive/signed.pdf
        QVERIFY(QFile::link("hop", target));
        QVERIFY(QFile::link(linkedTo, dir->filePath("hop")));
    }
    QFile old(file);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    const auto kept = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
    QVERIFY(QFile::setPermissions(file, kept));

    CapturedLog log;
    QVERIFY(w->savePdf(target));
    QCOMPARE(infos, QStringList({"PDF saved"}));
    QFile saved(target);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QVERIFY(saved.readAll().startsWith("%PDF"));
    QCOMPARE(TestPdf::imageMatrices(target, 0).size(), 1);
    QCOMPARE(PdfHandler::instance()->pageCount(), 3);
    QCOMPARE(QFileInfo(target).isSymLink(), !linkedTo.isEmpty());
    QCOMPARE(QFileInfo(file).permissions(), kept | QFileDevice::ReadUser | QFileDevice::WriteUser);
    // The intermediate file, then the target: each flushed, linked or renamed, its folder flushed.
    QString steps;
    for (const QString &line : log.all().filter(QRegularExpression("^File step: ")))
        steps += line.startsWith("File step: flush folder") ? QChar('D') : line.at(11).toUpper();
    QVERIFY2(QRegularExpression("^(F(L|R|LR)D){2}$").match(steps).hasMatch(), qPrintable(steps));
}

void TestPdfSignCoreWidget::saveFailures_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("failing");
    QTest::addColumn<QString>("reason");
    QTest::newRow("read-only target") << "readonly" << "target" << "no permission to write the file";
    QTest::newRow("target folder missing") << "nofolder" << "target" << "the folder does not exist";
    QTest::newRow("target is a folder") << "folder" << "target" << "the document could not be written";
    QTest::newRow("handler cannot write, stale file in the way")
        << "stale" << "intermediate" << "the document could not be written";
    QTest::newRow("writer killed, as by pdfium on a damaged file")
        << "killed" << "intermediate" << "the PDF writer stopped before it finished";
    QTest::newRow("target under /proc") << "proc" << "target" << "the document could not be written";
    QTest::newRow("intermediate folder full") << "full" << "intermediate" << "the disk is full";
    QTest::newRow("data folder cannot be made") << "nodata" << "data" << "the folder could not be created";
    QTest::newRow("Escape, close and a drag during a long save reach nothing")
        << "input" << "intermediate" << "the PDF writer stopped before it finished";
    // Saved, or failed for want of memory; never ended by it.
    QTest::newRow("300 tags sharing one picture in 1.8 GB of address space") << "capped" << "" << "";
}

void TestPdfSignCoreWidget::saveFailures()
{
    QFETCH(QString, situation);
    QFETCH(QString, failing);
    QFETCH(QString, reason);
    openAndWait(threePages);
    QString target = dir->filePath("target.pdf");
    QFile old(target);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("precious");
    old.close();
    const QString dataFolder = QFileInfo(QFileInfo(PdfHandler::intermediateFilePath()).absolutePath()).absolutePath();
    if (situation == "readonly")
        QVERIFY(QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    if (situation == "nofolder")
        target = dir->filePath("gone/target.pdf");
    if (situation == "proc")
        target = "/proc/target.pdf";
    if (situation == "folder") {
        target = dir->filePath("folder.pdf");
        QVERIFY(QDir().mkpath(target));
    }
    if (situation == "stale") {
        // A folder in place of the intermediate file: the holder's save fails, and what lies
        // there must not be taken for this save's output.
        QVERIFY(QDir().mkpath(PdfHandler::intermediateFilePath() + "/keep"));
    }
    if (situation == "nodata") {
        QVERIFY(QDir(dataFolder).removeRecursively());
        QFile blocker(dataFolder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
    if (situation == "capped") {
#ifdef INKWARDEN_SANITIZED
        QSKIP("a sanitizer reserves more address space than the limit");
#endif
        QProcess child;
        child.start("/bin/sh", {"-c", "ulimit -v 1800000 && exec \"$0\" \"$@\"", SAVECHILD_PATH, threePages, target, "1", "300"});
        QVERIFY(child.waitForFinished(600000) && child.exitStatus() == QProcess::NormalExit);
        QVERIFY(child.exitCode() == 0 || child.exitCode() == 4);
        const int saved = child.exitCode() == 0 ? 100 : 0;
        for (int page = 0; page < 3; ++page)
            QCOMPARE(TestPdf::imageMatrices(target, page).size(), saved);
        return;
    }
    // The writer waits for the rest of its job (the picture's 2.9 MB) while the pokes run.
    bool poked = false;
    QRect tag;
    if (situation == "input") {
        w->applySignData(PdfSignData{{}, {}, {tagWithImage(1, 100, 1, TestPdf::solidPng(QSize(1200, 600), Qt::red), {})}});
        w->setEditEnabled(true);
        tag = displayRect(0);
        QTimer::singleShot(0, this, [&] {
            QWidget *box = nullptr;
            QTRY_VERIFY((box = w->findChild<QProgressDialog *>()) && box->isVisible());
            QTest::keyClick(box, Qt::Key_Escape);
            box->close();
            const QPoint at = label(0)->mapTo(w.get(), tag.center());
            QTest::mousePress(w->windowHandle(), Qt::LeftButton, {}, at);
            QTest::mouseMove(w->windowHandle(), at + QPoint(0, 150));
            QTest::mouseRelease(w->windowHandle(), Qt::LeftButton, {}, at + QPoint(0, 150));
            QVERIFY(box->isVisible() && QApplication::activeModalWidget() == box);
            poked = true;
        });
    }

    {
        // The writer of even these blank pages goes past 100 bytes, this process does not; when
        // the limit does not kill, the writer's output fails as on a full disk.
        const bool capped = situation == "killed" || situation == "full" || situation == "input";
        FileSizeLimit limit(capped ? 100 : RLIM_INFINITY, situation != "full");
        QVERIFY(!w->savePdf(target));
    }
    if (situation == "nodata")
        QVERIFY(QFile::remove(dataFolder));
    if (situation == "input")
        QCOMPARE(displayRect(0), tag);
    QCOMPARE(poked, situation == "input");
    QVERIFY(w->hasDocument());
    QCOMPARE(PdfHandler::instance()->pageCount(), 3);
    // The operator learns which file failed and why.
    const QString file = failing == "target" ? target : failing == "data" ? dataFolder : PdfHandler::intermediateFilePath();
    QCOMPARE(errors, QStringList({QString("Failed to save PDF\nFile: %1\nReason: %2").arg(file, reason)}));
    QVERIFY(infos.isEmpty());
    QFile kept(dir->filePath("target.pdf"));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("precious"));
    QVERIFY(!QFile::exists(dir->filePath("gone")));
}

// Both copies write the same intermediate file; each target must get its own document, every time.
// Without nameless files, a copy killed at any flush leaves nothing once the next save ran there.
void TestPdfSignCoreWidget::twoCopiesSavingAtOnceKeepTheirOwnDocuments()
{
    const QString onePage = makePdf(dir->filePath("one.pdf"), 1);
    QProcess first, second;
    first.start(SAVECHILD_PATH, {onePage, dir->filePath("first.pdf"), "40"});
    second.start(SAVECHILD_PATH, {threePages, dir->filePath("second.pdf"), "40"});
    for (QProcess *copy : {&first, &second}) {
        QVERIFY(copy->waitForFinished(120000));
        QCOMPARE(copy->exitStatus(), QProcess::NormalExit);
        QCOMPARE(copy->exitCode(), 0);
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CACHE_HOME", dir->filePath("cache"));
    env.insert("XDG_DATA_HOME", dir->filePath("data"));
    env.insert("LD_PRELOAD", NONAMELESS_PATH);
    env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":verify_asan_link_order=0");
    QProcess copy;
    for (int flush = 1; flush <= 5; ++flush) { // two saves flush twice each; the fifth run saves
        env.insert("NONAMELESS_KILL_AT_FLUSH", QString::number(flush % 5));
        copy.setProcessEnvironment(env);
        copy.start(SAVECHILD_PATH, {threePages, dir->filePath(flush < 5 ? "killed.pdf" : "new.pdf"), "2"});
        QVERIFY(copy.waitForFinished(120000));
        // The private copy never keeps a name.
        QCOMPARE(QDir(dir->filePath("cache/savechild")).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
    QCOMPARE(copy.exitCode(), 0);
    QCOMPARE(QFileInfo(dir->filePath("new.pdf")).permissions(), QFileInfo(dir->filePath("first.pdf")).permissions());
    QDirIterator left(dir->path(), {".inkwarden-*", ".scratch.*"}, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    QVERIFY2(!left.hasNext(), qPrintable(left.next()));
}

QTEST_MAIN(TestPdfSignCoreWidget)
#include "tst_pdfsigncorewidget.moc"
