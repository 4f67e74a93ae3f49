#include "ConfigManager.h"
#include "IDFPController.h"
#include "IDFpDialog.h"
#include "LanguageManager.h"
#include "MainWindow.h"
#include "PdfHandler.h"
#include "PdfSignCoreWidget.h"
#include "SettingsDialog.h"
#include "TestPdf.h"
#include "sim/DevSim.h"
#include "sim/SimModelCatalog.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

namespace {

// Answers every modal box the window opens, with the button of the chosen role, and keeps
// the texts it saw. A file dialog is cancelled and noted, so a broken guard fails instead of hanging.
class ModalWatcher : public QObject
{
public:
    QMessageBox::ButtonRole answer = QMessageBox::AcceptRole;
    QStringList texts;
    QStringList titles;
    int fileDialogs = 0;

    ModalWatcher()
    {
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, this, [this] { handle(); });
        timer.start();
    }

private:
    void handle()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            texts.append(box->text());
            titles.append(box->windowTitle());
            for (QAbstractButton *button : box->buttons()) {
                if (box->buttonRole(button) == answer || answer == QMessageBox::AcceptRole) {
                    button->click();
                    return;
                }
            }
            box->close();
        } else if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
            ++fileDialogs;
            dialog->reject();
        }
    }

    QTimer timer;
};

// The main window with a plain window standing in where the signing window opens.
class SigningMainWindow : public MainWindow
{
public:
    int signingWindowsCreated = 0;
    PdfSignData requestedData;
    QList<bool> requestedOptions;
    QPointer<QWidget> signingWindow;
    PdfSignData signingWindowCaptures; // what the stand-in holds; none when it has no tags

protected:
    bool signingCaptures(QWidget *, PdfSignData *data) const override
    {
        return !(*data = signingWindowCaptures).tags.isEmpty();
    }

    QWidget *createSigningWindow(const QString &, const PdfSignData &signData, const QList<bool> &options) override
    {
        ++signingWindowsCreated;
        requestedData = signData;
        requestedOptions = options;
        auto *window = new QWidget;
        window->setAttribute(Qt::WA_DeleteOnClose);
        signingWindow = window;
        return window;
    }
};

} // namespace

Q_DECLARE_METATYPE(QMessageBox::ButtonRole)

class MainWindowTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir folder;
    QSharedPointer<ConfigManager> config = ConfigManager::instance();
    QScopedPointer<ModalWatcher> watcher;
    // Served before the first window exists, so the device hub follows it from its start.
    platform::DevSim sim{qgetenv("INKWARDEN_DEVSIM").toStdString()};

    QString samplePdf(int pages)
    {
        const QString path = folder.filePath(QStringLiteral("sample%1.pdf").arg(pages));
        if (!QFile::exists(path))
            TestPdf::writeWithContent(path, pages);
        return path;
    }

    QString templateWithTags(int count)
    {
        const QString path = folder.filePath(QStringLiteral("tags%1.json").arg(count));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        QStringList entries;
        for (int i = 0; i < count; ++i)
            entries << QStringLiteral("{\"page\":1,\"x\":40,\"y\":%1,\"w\":120,\"h\":50,\"type\":1}").arg(40 + i * 80);
        file.write("[" + entries.join(QLatin1Char(',')).toUtf8() + "]");
        return path;
    }

    void storeLanguage(const QString &code)
    {
        config->setValue(QStringLiteral("app/language"), code);
        config->saveConfig();
    }

    static PdfSignCoreWidget *editor(MainWindow &window) { return window.findChild<PdfSignCoreWidget *>(); }

    template <typename T = QWidget>
    static T *control(MainWindow &window, const char *name)
    {
        T *widget = window.findChild<T *>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }

    // Opens a PDF and, when asked, puts tags on page 1 (the template's message box is answered).
    bool openWithTags(MainWindow &window, int pages, int tags)
    {
        if (!editor(window)->openPdf(samplePdf(pages)))
            return false;
        if (tags > 0 && !editor(window)->loadTemplateJson(templateWithTags(tags)))
            return false;
        return editor(window)->hasDocument() && editor(window)->tagCount() == tags;
    }

    // A one-page document whose tags were all signed and taken back; the template's message and
    // the save prompt are answered.
    bool openSigned(SigningMainWindow &window, int tags)
    {
        if (!openWithTags(window, 1, tags))
            return false;
        window.startSigning();
        window.onSigningAccepted(signedCopy(window.requestedData));
        return QTest::qWaitFor([this] { return watcher->texts.size() == 2; });
    }

    // Every tag of the editor signed, as the signing window hands them back.
    static PdfSignData signedCopy(const PdfSignData &data)
    {
        PdfSignData done = data;
        for (PdfSignTag &tag : done.tags) {
            tag.isSignDone = true;
            tag.signImage = TestPdf::solidPng(QSize(40, 20), Qt::blue);
        }
        return done;
    }

private slots:
    void init()
    {
        QFile::remove(config->path());
        config->loadConfig();
        storeLanguage(QStringLiteral("en_US"));
        watcher.reset(new ModalWatcher);
    }

    void cleanup()
    {
        watcher.reset();
        for (QWidget *window : QApplication::topLevelWidgets())
            if (!window->parent())
                window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void startLanguageComesFromTheSettings_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("english");
        QTest::newRow("en_US") << "en_US" << true;
        QTest::newRow("zh_CN") << "zh_CN" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("unknown") << "fr_FR" << false;
    }

    void startLanguageComesFromTheSettings()
    {
        QFETCH(QString, stored);
        QFETCH(bool, english);
        storeLanguage(stored);
        MainWindow window;
        QCOMPARE(LanguageManager::instance().currentLanguage() == LanguageManager::Language::English, english);
        QCOMPARE(control<QToolButton>(window, "openBtn")->text(),
                 english ? QStringLiteral("Open") : QString::fromUtf8("打开文档"));
        QCOMPARE(control<QLabel>(window, "currentLanguageLabel")->text(),
                 english ? QStringLiteral("EN") : QString::fromUtf8("中"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Inkwarden"));
    }

    void languageSwitchRetranslatesAndIsStored()
    {
        storeLanguage(QStringLiteral("zh_CN"));
        MainWindow window;
        // Qt's own dialogs (here the file dialog's folder label) follow the language too.
        const auto qtText = [] { return QCoreApplication::translate("QFileDialog", "Look in:"); };
        auto *start = control<QPushButton>(window, "startSignBtn");
        QCOMPARE(start->text(), QString::fromUtf8("开始签名"));
        QCOMPARE(qtText(), QString::fromUtf8("查找范围："));
        QCOMPARE(start->styleSheet(), QString());

        QTest::mouseClick(control<QPushButton>(window, "enBtn"), Qt::LeftButton);
        QCOMPARE(LanguageManager::instance().currentLanguage(), LanguageManager::Language::English);
        QCOMPARE(control<QToolButton>(window, "markBtn")->text(), QStringLiteral("Mark Signature\nArea"));
        QCOMPARE(control<QToolButton>(window, "clearBtn")->text(), QStringLiteral("Clear\nSignatures"));
        QCOMPARE(start->text(), QStringLiteral("Start\nSigning"));
        QCOMPARE(start->styleSheet(), QStringLiteral("font-size: 13pt;"));
        QCOMPARE(control<QToolButton>(window, "deviceBtn")->text(), QStringLiteral("Disconnected"));
        QCOMPARE(qtText(), QStringLiteral("Look in:"));
        QCOMPARE(QSettings(config->path(), QSettings::IniFormat).value(QStringLiteral("app/language")).toString(),
                 QStringLiteral("en_US"));

        QTest::mouseClick(control<QPushButton>(window, "zhBtn"), Qt::LeftButton);
        QCOMPARE(LanguageManager::instance().currentLanguage(), LanguageManager::Language::ZhCN);
        QCOMPARE(control<QToolButton>(window, "markBtn")->text(), QString::fromUtf8("标注签名区"));
        QCOMPARE(control<QToolButton>(window, "deviceBtn")->text(), QString::fromUtf8("未连接"));
        QCOMPARE(qtText(), QString::fromUtf8("查找范围："));
        QCOMPARE(start->styleSheet(), QString());
        QCOMPARE(QSettings(config->path(), QSettings::IniFormat).value(QStringLiteral("app/language")).toString(),
                 QStringLiteral("zh_CN"));
    }

    void unsavedLanguageSwitchIsShown()
    {
        MainWindow window;
        // A file where the settings folder should be: no one, root included, can write there.
        const QString folder = QFileInfo(config->path()).absolutePath();
        QVERIFY(QDir(folder).removeRecursively());
        QVERIFY(QFile(folder).open(QIODevice::WriteOnly));
        QTest::mouseClick(control<QPushButton>(window, "enBtn"), Qt::LeftButton);
        QFile::remove(folder);
        QCOMPARE(watcher->texts, QStringList{"Settings could not be saved"});
    }

    void withoutDocumentOnlyOpeningWorks()
    {
        MainWindow window;
        window.show();
        QCOMPARE(control<QStackedWidget>(window, "centralStack")->currentIndex(), 0);
        QVERIFY(control<QToolButton>(window, "openBtn")->isEnabled());
        QVERIFY(control<QPushButton>(window, "openPdfEmptyBtn")->isEnabled());
        for (const char *name : {"saveBtn", "closeBtn", "markBtn", "clearBtn", "prevTagBtn", "nextTagBtn",
                                 "clearTagsBtn", "prevPageBtn", "nextPageBtn", "startSignBtn", "bottomPageSpin",
                                 "cancelSignBtn"})
            QVERIFY2(!control(window, name)->isEnabled(), name);
        auto *spin = control<QSpinBox>(window, "bottomPageSpin");
        QCOMPARE(spin->minimum(), 0);
        QCOMPARE(spin->maximum(), 0);
        QCOMPARE(control(window, "bottomTotalPageLabel")->property("documentOpen").toBool(), false);
        QCOMPARE(control(window, "bottomFrame")->property("documentOpen").toBool(), false);
    }

    void oneDocumentPage()
    {
        MainWindow window;
        window.show();
        QVERIFY(openWithTags(window, 1, 0));
        QCOMPARE(control<QStackedWidget>(window, "centralStack")->currentWidget(), editor(window));
        QCOMPARE(window.windowTitle(), QStringLiteral("Inkwarden: ") + samplePdf(1));
        QVERIFY(!control(window, "prevPageBtn")->isEnabled());
        QVERIFY(!control(window, "nextPageBtn")->isEnabled());
        auto *spin = control<QSpinBox>(window, "bottomPageSpin");
        QVERIFY(spin->isEnabled());
        QCOMPARE(spin->minimum(), 1);
        QCOMPARE(spin->maximum(), 1);
        QCOMPARE(spin->value(), 1);
        QCOMPARE(control<QLabel>(window, "bottomTotalPageLabel")->text(), QStringLiteral("1"));
        QCOMPARE(control(window, "bottomTotalPageLabel")->property("documentOpen").toBool(), true);
        QCOMPARE(control(window, "bottomFrame")->property("documentOpen").toBool(), true);
        for (const char *name : {"saveBtn", "closeBtn", "markBtn", "clearBtn", "startSignBtn"})
            QVERIFY2(control(window, name)->isEnabled(), name);
        QVERIFY(!control(window, "cancelSignBtn")->isEnabled());

        QTest::mouseClick(control(window, "closeBtn"), Qt::LeftButton);
        QCOMPARE(control<QStackedWidget>(window, "centralStack")->currentIndex(), 0);
        QCOMPARE(window.windowTitle(), QStringLiteral("Inkwarden"));
        QVERIFY(!control(window, "saveBtn")->isEnabled());
        QCOMPARE(spin->maximum(), 0);
    }

    void pageButtonsFollowTheCurrentPage()
    {
        MainWindow window;
        window.show();
        QVERIFY(openWithTags(window, 3, 0));
        QTRY_COMPARE(window.findChildren<QLabel *>(QStringLiteral("pdfPageLabel")).size(), 3);
        QCOMPARE(editor(window)->currentPage(), 1);
        QVERIFY(!control(window, "prevPageBtn")->isEnabled());
        QVERIFY(control(window, "nextPageBtn")->isEnabled());

        control<QSpinBox>(window, "bottomPageSpin")->setValue(3);
        QTRY_COMPARE(editor(window)->currentPage(), 3);
        QTRY_VERIFY(!control(window, "nextPageBtn")->isEnabled());
        QVERIFY(control(window, "prevPageBtn")->isEnabled());
        QCOMPARE(control<QLabel>(window, "bottomTotalPageLabel")->text(), QStringLiteral("3"));
    }

    void tagNavigationKeepsItsIndexInRange()
    {
        MainWindow window;
        window.show();
        QVERIFY(openWithTags(window, 1, 3));
        auto *label = control<QLabel>(window, "tagPositionLabel");
        auto *prev = control<QToolButton>(window, "prevTagBtn");
        auto *next = control<QToolButton>(window, "nextTagBtn");
        QCOMPARE(label->text(), QStringLiteral("1/3"));
        QVERIFY(!prev->isEnabled());
        QVERIFY(next->isEnabled());
        QVERIFY(control(window, "clearTagsBtn")->isEnabled());

        next->click();
        QCOMPARE(label->text(), QStringLiteral("2/3"));
        QVERIFY(prev->isEnabled());
        next->click();
        QCOMPARE(label->text(), QStringLiteral("3/3"));
        QVERIFY(!next->isEnabled());
        prev->click();
        prev->click();
        QCOMPARE(label->text(), QStringLiteral("1/3"));
        QVERIFY(!prev->isEnabled());

        // A smaller tag list pulls the index back inside it; new tags do not move it.
        next->click();
        next->click();
        QVERIFY(editor(window)->loadTemplateJson(templateWithTags(2)));
        QCOMPARE(label->text(), QStringLiteral("2/2"));
        QVERIFY(!next->isEnabled());
        QVERIFY(editor(window)->loadTemplateJson(templateWithTags(3)));
        QCOMPARE(label->text(), QStringLiteral("2/3"));

        control<QPushButton>(window, "clearTagsBtn")->click();
        QCOMPARE(editor(window)->tagCount(), 0);
        QCOMPARE(label->text(), QStringLiteral("0/0"));
        QVERIFY(!prev->isEnabled());
        QVERIFY(!next->isEnabled());
        QVERIFY(!control(window, "clearTagsBtn")->isEnabled());
    }

    void markButtonAddsATagEachTimeAndStaysChecked()
    {
        MainWindow window;
        window.show();
        QVERIFY(openWithTags(window, 1, 0));
        QTRY_VERIFY(window.findChild<QLabel *>(QStringLiteral("pdfPageLabel")));
        auto *mark = control<QToolButton>(window, "markBtn");
        QVERIFY(!mark->isChecked());
        mark->click();
        QCOMPARE(editor(window)->tagCount(), 1);
        QVERIFY(editor(window)->isEditEnabled());
        QVERIFY(mark->isChecked());
        mark->click();
        QCOMPARE(editor(window)->tagCount(), 2);
        QVERIFY(mark->isChecked());
        QCOMPARE(control<QLabel>(window, "tagPositionLabel")->text(), QStringLiteral("1/2"));
    }

    void whileSigningTheDocumentCommandsAreShut()
    {
        SigningMainWindow window;
        window.show();
        QVERIFY(openWithTags(window, 2, 2));
        watcher->texts.clear();

        control<QPushButton>(window, "startSignBtn")->click();
        QCOMPARE(window.signingWindowsCreated, 1);
        QCOMPARE(window.requestedData.tags.size(), 2);
        QCOMPARE(window.requestedOptions, (QList<bool>{false, false, false, true}));
        QTRY_VERIFY(window.signingWindow && window.signingWindow->isVisible());

        for (const char *name : {"openBtn", "openPdfEmptyBtn", "saveBtn", "closeBtn", "markBtn", "clearBtn",
                                 "prevTagBtn", "nextTagBtn", "clearTagsBtn", "prevPageBtn", "nextPageBtn",
                                 "startSignBtn", "bottomPageSpin", "cancelSignBtn"})
            QVERIFY2(!control(window, name)->isEnabled(), name);
        for (const char *name : {"zhBtn", "enBtn", "deviceBtn", "settingsBtn", "penWidthBigBtn", "penColorBtn5"})
            QVERIFY2(control(window, name)->isEnabled(), name);

        window.openDocument();
        window.saveDocument();
        window.loadTagTemplate();
        window.saveTagTemplate();
        window.toggleMarkMode();
        window.clearSignatures();
        window.startSigning();
        window.nextPage();
        window.openSigningPage(samplePdf(2), window.requestedData);
        QCOMPARE(watcher->fileDialogs, 0);
        QCOMPARE(watcher->texts, QStringList());
        QCOMPARE(editor(window)->tagCount(), 2);
        QCOMPARE(editor(window)->currentPage(), 1);
        QCOMPARE(window.signingWindowsCreated, 1);

        // The signer cancels: the document comes back with its tags and nothing is asked.
        window.signingWindow->close();
        QTRY_VERIFY(control(window, "startSignBtn")->isEnabled());
        QVERIFY(control(window, "openBtn")->isEnabled());
        QVERIFY(editor(window)->hasDocument());
        QCOMPARE(editor(window)->tagCount(), 2);
        QVERIFY(editor(window)->hasPendingTags());
        QTest::qWait(50);
        QCOMPARE(watcher->texts, QStringList());
    }

    void acceptedSigningAppliesTheResultAndPromptsOnce()
    {
        SigningMainWindow window;
        window.show();
        QVERIFY(openWithTags(window, 1, 2));
        watcher->texts.clear();
        window.startSigning();
        QVERIFY(window.signingWindow);

        window.onSigningAccepted(signedCopy(window.requestedData));
        QTRY_VERIFY(window.signingWindow.isNull());
        QTRY_COMPARE(watcher->texts.size(), 1);
        QCOMPARE(watcher->texts.first(), QStringLiteral("Signing completed. Please save the document."));
        QVERIFY(!editor(window)->hasPendingTags());
        QCOMPARE(editor(window)->tagCount(), 2);
        QVERIFY(control(window, "saveBtn")->isEnabled());

        // The prompt belonged to that signing; a later cancelled one asks nothing.
        window.clearSignatures();
        window.startSigning();
        QVERIFY(window.signingWindow);
        window.signingWindow->close();
        QTRY_VERIFY(control(window, "startSignBtn")->isEnabled());
        QTest::qWait(50);
        QCOMPARE(watcher->texts.size(), 1);
    }

    // The session keeps the document it opened: the file gone meanwhile loses no signature.
    void acceptedSigningOfAVanishedFileIsApplied()
    {
        SigningMainWindow window;
        window.show();
        const QString path = folder.filePath(QStringLiteral("vanishing.pdf"));
        QVERIFY(QFile::copy(samplePdf(1), path));
        QVERIFY(editor(window)->openPdf(path));
        PdfSignData tags;
        tags.tags = {PdfSignTag()};
        editor(window)->applySignData(tags);
        window.startSigning();
        QVERIFY(window.signingWindow);

        QVERIFY(QFile::remove(path));
        watcher->texts.clear();
        window.onSigningAccepted(signedCopy(window.requestedData));
        QTRY_COMPARE(watcher->texts.size(), 1);
        QCOMPARE(watcher->texts.first(), QStringLiteral("Signing completed. Please save the document."));
        QVERIFY(editor(window)->hasDocument());
        QVERIFY(editor(window)->hasUnsavedImages());
        QVERIFY(control(window, "saveBtn")->isEnabled());
    }

    void resignQuestion_data()
    {
        QTest::addColumn<QMessageBox::ButtonRole>("answer");
        QTest::addColumn<bool>("opens");
        QTest::newRow("yes") << QMessageBox::YesRole << true;
        QTest::newRow("no") << QMessageBox::NoRole << false;
    }

    void resignQuestion()
    {
        QFETCH(QMessageBox::ButtonRole, answer);
        QFETCH(bool, opens);
        SigningMainWindow window;
        window.show();
        QVERIFY(openSigned(window, 2));
        QVERIFY(!editor(window)->hasPendingTags());

        watcher->texts.clear();
        watcher->answer = answer;
        control<QPushButton>(window, "startSignBtn")->click();
        QCOMPARE(watcher->texts,
                 QStringList{QStringLiteral("The current document already contains signatures. "
                                            "The existing result will not be saved. Continue?")});
        QCOMPARE(window.signingWindowsCreated, opens ? 2 : 1);
        if (opens) {
            QCOMPARE(window.requestedData.tags.size(), 2);
            for (const PdfSignTag &tag : window.requestedData.tags) {
                QVERIFY(!tag.isSignDone);
                QVERIFY(tag.signImage.isEmpty());
            }
        } else {
            QVERIFY(!editor(window)->hasPendingTags());
            QVERIFY(window.signingWindow.isNull());
        }
    }

    void closingTheWindowClosesTheSigningWindow()
    {
        SigningMainWindow window;
        window.show();
        QVERIFY(openWithTags(window, 1, 1));
        window.startSigning();
        QPointer<QWidget> signing = window.signingWindow;
        QTRY_VERIFY(signing && signing->isVisible());
        window.close();
        QTRY_VERIFY(signing.isNull());
    }

    void closingWithUnsavedImagesAsks_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QMessageBox::ButtonRole>("answer");
        QTest::addColumn<bool>("closes");
        QTest::newRow("Close, go back") << "button" << QMessageBox::RejectRole << false;
        QTest::newRow("Close, discard") << "button" << QMessageBox::DestructiveRole << true;
        QTest::newRow("window, go back") << "window" << QMessageBox::RejectRole << false;
        QTest::newRow("window, discard") << "window" << QMessageBox::DestructiveRole << true;
        // Save ends the signing window and asks for the file; no file chosen is going back.
        QTest::newRow("window while signing, save cancelled") << "signing" << QMessageBox::AcceptRole << false;
        QTest::newRow("window while signing, discard") << "signing" << QMessageBox::DestructiveRole << true;
        QTest::newRow("Close after saving asks nothing") << "saved" << QMessageBox::RejectRole << true;
        QTest::newRow("Open, go back") << "open" << QMessageBox::RejectRole << false;
        QTest::newRow("template, go back") << "template" << QMessageBox::RejectRole << false;
        // Saved before signing: only the signing window holds signatures, and Save takes them in.
        QTest::newRow("window, captures, go back") << "captures" << QMessageBox::RejectRole << false;
        QTest::newRow("window, captures, save cancelled") << "captures" << QMessageBox::AcceptRole << false;
    }

    void closingWithUnsavedImagesAsks()
    {
        QFETCH(QString, how);
        QFETCH(QMessageBox::ButtonRole, answer);
        QFETCH(bool, closes);
        SigningMainWindow window;
        window.show();
        QVERIFY(openSigned(window, 2));
        if (how == "saved" || how == "captures")
            QVERIFY(editor(window)->savePdf(folder.filePath(QStringLiteral("signed.pdf"))));
        if (how == "signing" || how == "captures") {
            window.toggleMarkMode(); // a pending tag beside the signed ones
            window.startSigning();
            QTRY_VERIFY(window.signingWindow && window.signingWindow->isVisible());
            window.signingWindowCaptures = how == "captures" ? signedCopy(window.requestedData) : PdfSignData();
        }
        watcher->texts.clear();
        watcher->answer = answer;

        if (how == "open")
            window.openDocument();
        else if (how == "template")
            window.loadTagTemplate();
        else if (how == "button" || how == "saved")
            window.closeDocument();
        else
            window.close();
        const QString question = translated(how == "template" ? "template_unsaved_message" : "close_unsaved_message");
        QCOMPARE(watcher->texts, how == "saved" ? QStringList() : QStringList{question});
        QCOMPARE(watcher->titles.last(), QString(how == "saved" ? "Info" : "Unsaved Signatures"));
        QCOMPARE(watcher->fileDialogs, answer == QMessageBox::AcceptRole ? 1 : 0);
        QCOMPARE(editor(window)->hasDocument() && window.isVisible(), !closes);
        if (!closes && window.signingWindow) // going back leaves the signing window as it was
            QVERIFY(window.signingWindow->isVisible() && answer == QMessageBox::RejectRole);
        else if (!closes) { // the document, its images and the shared document as they were, signing over
            QTRY_VERIFY(control(window, "saveBtn")->isEnabled());
            QCOMPARE(editor(window)->hasPendingTags(), how == "signing"); // Save took the captures in
            QVERIFY(editor(window)->hasUnsavedImages());
            QCOMPARE(PdfHandler::instance()->pageCount(), 1);
        }
    }

    void penWidthTable_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::newRow("thin") << 0 << 2 << 4;
        QTest::newRow("medium") << 1 << 4 << 6;
        QTest::newRow("big") << 2 << 7 << 9;
    }

    void penWidthTable()
    {
        QFETCH(int, index);
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        QCOMPARE(MainWindow::penWidthRange(index), qMakePair(minimum, maximum));

        MainWindow window;
        static const char *const names[] = {"penWidthThinBtn", "penWidthMediumBtn", "penWidthBigBtn"};
        QVERIFY(control<QToolButton>(window, "penWidthMediumBtn")->isChecked());
        control<QToolButton>(window, names[index])->click();
        for (int i = 0; i < 3; ++i)
            QCOMPARE(control<QToolButton>(window, names[i])->isChecked(), i == index);
        // Indexes outside the table change nothing.
        window.applyPenSize(3);
        window.applyPenSize(-1);
        QVERIFY(control<QToolButton>(window, names[index])->isChecked());
        QVERIFY(!control<QLabel>(window, "penWidthPreview")->pixmap(Qt::ReturnByValue).isNull());
    }

    void exactlyOneColourIsChecked()
    {
        MainWindow window;
        auto *swatch = control<QLabel>(window, "penColorSwatch");
        QCOMPARE(swatch->styleSheet(), QStringLiteral("background-color:#111111; border:1px solid #1a1a1a;"));
        const QStringList palette = {"#111111", "#444444", "#7b7b7b", "#9a0016", "#ff2840", "#ff8b2b",
                                     "#1c9fe2", "#8da8c2", "#9bd7e5", "#5259cb", "#a65eb3", "#f2b4d0"};
        for (int chosen : {4, 11, 0}) {
            control<QToolButton>(window, qPrintable(QStringLiteral("penColorBtn%1").arg(chosen)))->click();
            for (int i = 0; i < palette.size(); ++i) {
                auto *button = control<QToolButton>(window, qPrintable(QStringLiteral("penColorBtn%1").arg(i)));
                QCOMPARE(button->isChecked(), i == chosen);
                QVERIFY(button->styleSheet().contains(
                    QStringLiteral("background:%1; border:%2;")
                        .arg(palette.at(i), i == chosen ? "2px solid #202124" : "1px solid #d4d4d4")));
            }
            QCOMPARE(swatch->styleSheet(),
                     QStringLiteral("background-color:%1; border:1px solid #1a1a1a;").arg(palette.at(chosen)));
        }
        window.applyPenColor(12);
        QVERIFY(control<QToolButton>(window, "penColorBtn0")->isChecked());
    }

    void oneSettingsDialogAtATime()
    {
        MainWindow window;
        window.show();
        auto *settings = control<QToolButton>(window, "settingsBtn");
        window.showSettingsDialog();
        window.showSettingsDialog();
        QCOMPARE(window.findChildren<SettingsDialog *>().size(), 1);
        QPointer<SettingsDialog> dialog = window.findChild<SettingsDialog *>();
        dialog->close();
        QTRY_VERIFY(dialog.isNull());
        window.showSettingsDialog();
        QTRY_COMPARE(window.findChildren<SettingsDialog *>().size(), 1);
        QVERIFY(settings->isEnabled());
    }

    void oneFingerprintDialogAtATime()
    {
        MainWindow window;
        window.show();
        QSharedPointer<IDFPController> fp = IDFPController::instance();
        emit fp->openFingerprintDialogFromPdf();
        emit fp->openFingerprintDialogFromPdf();
        QCOMPARE(window.findChildren<IDFpDialog *>().size(), 1);
        QPointer<IDFpDialog> dialog = window.findChild<IDFpDialog *>();
        QVERIFY(dialog->isVisible());
        dialog->close();
        QTRY_VERIFY(dialog.isNull());
        emit fp->openFingerprintDialogFromPdf();
        QCOMPARE(window.findChildren<IDFpDialog *>().size(), 1);
    }

    void deviceStatusWithoutADevice()
    {
        MainWindow window;
        QCOMPARE(control<QToolButton>(window, "deviceBtn")->text(), QStringLiteral("Disconnected"));
        window.onDeviceStatusChanged(QStringLiteral("pad"), 1);
        QCOMPARE(control<QToolButton>(window, "deviceBtn")->text(), QStringLiteral("Connected"));
        window.onDeviceStatusChanged(QStringLiteral("pad"), 0);
        QCOMPARE(control<QToolButton>(window, "deviceBtn")->text(), QStringLiteral("Disconnected"));
        window.showDeviceStatusDialog();
        QCOMPARE(watcher->texts, QStringList{QStringLiteral("Device Disconnected")});
    }

    void deviceButtonFollowsPlugAndUnplug()
    {
        MainWindow window;
        QToolButton *button = control<QToolButton>(window, "deviceBtn");
        const int tablet = sim.plug(*platform::SimModelCatalog::make("tablet"));
        QTRY_COMPARE_WITH_TIMEOUT(button->text(), QStringLiteral("Connected"), 5000);
        sim.unplug(tablet);
        QTRY_COMPARE_WITH_TIMEOUT(button->text(), QStringLiteral("Disconnected"), 5000);
    }

    void bottomBarFloatsOverTheDocumentArea()
    {
        MainWindow window;
        window.show();
        auto *stack = control<QStackedWidget>(window, "centralStack");
        auto *bar = control(window, "bottomFrame");
        for (const QSize &size : {QSize(1380, 780), QSize(1600, 900), QSize(1200, 760)}) {
            window.resize(size);
            QTRY_COMPARE(bar->width(), stack->width());
            QCOMPARE(bar->geometry().bottom(), stack->geometry().bottom() - 1);
            QVERIFY(bar->height() >= 44);
            QVERIFY(bar->isVisible());
            QCOMPARE(bar->parentWidget()->children().last(), bar);
        }
        QVERIFY(openWithTags(window, 2, 0));
        QTRY_VERIFY(window.findChild<QLabel *>(QStringLiteral("pdfPageLabel")));
        QCOMPARE(bar->parentWidget()->children().last(), bar);
    }

    void placeholderCardSplitsAndCloses()
    {
        MainWindow window;
        window.show();
        auto *card = control(window, "placeholderCard");
        QTRY_VERIFY(card->width() > 0);
        const int available = qMax(0, card->width() - 36);
        QTRY_COMPARE(control(window, "placeholderLeftPanel")->width(), available / 2);
        QCOMPARE(control(window, "placeholderRightPanel")->width(), available - available / 2);
        control<QPushButton>(window, "placeholderCloseBtn")->click();
        QVERIFY(card->isHidden());
        QVERIFY(openWithTags(window, 1, 0));
        QTest::mouseClick(control(window, "closeBtn"), Qt::LeftButton);
        QVERIFY(card->isHidden());
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
