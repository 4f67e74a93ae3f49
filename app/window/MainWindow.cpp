#include "MainWindow.h"

#include "ConfigManager.h"
#include "DeviceController.h"
#include "FileDateProxy.h"
#include "IDFPController.h"
#include "IDFpDialog.h"
#include "MainWindowStyle.h"
#include "PdfHandler.h"
#include "PdfViewer.h"
#include "PdfSignCoreWidget.h"
#include "SettingsDialog.h"
#include "SignPage.h"
#include "ToolbarActionButton.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QtDebug>

// The window's behaviour: commands, enabling rules and the signing flow. What it looks like
// (widget tree, texts, the floating page bar) is in MainWindowLayout.cpp.

namespace {

const int penWidthBases[] = {2, 4, 7};
const char *const paletteNames[] = {
    "#111111", "#444444", "#7b7b7b", "#9a0016", "#ff2840", "#ff8b2b",
    "#1c9fe2", "#8da8c2", "#9bd7e5", "#5259cb", "#a65eb3", "#f2b4d0",
};

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , config(ConfigManager::instance())
    , fpController(IDFPController::instance())
{
    for (const char *name : paletteNames)
        penColors.append(QColor(QString::fromLatin1(name)));

    config->loadConfig();
    setupUi();
    setupConnections();

    const bool english = config->value(QStringLiteral("app/language")).toString() == QLatin1String("en_US");
    LanguageManager::instance().setLanguage(english ? LanguageManager::Language::English
                                                    : LanguageManager::Language::ZhCN);
    retranslateUi();
    updateActionStates();

    // The signing page owns the writing board, so the starting pen reaches the board only
    // when it is handed over after the page exists.
    createSignPage();
    applyPenSize(penWidthIndex);
    if (penColorIndex >= 0 && penColorIndex < penColors.size()) {
        coreWidget->setPenColor(penColors.at(penColorIndex));
        updatePenColorStyles();
    }
}

MainWindow::~MainWindow()
{
    // Windows that report their end to this window go while its members still exist; as
    // children they would be destroyed only after them, and their reports would write into
    // a window half gone.
    if (signingPage) {
        disconnect(signingPage, nullptr, this, nullptr);
        delete signingPage;
    }
    delete fingerprintDialog;
    delete settingsDialog;
}

// ---------------------------------------------------------------------------------------------
// Parts of the signing flow that plug into the window. Each is the one place where the window
// reaches the device hub, the fingerprint controller, the signing window or the signing page.

void MainWindow::createSignPage()
{
    signPage = new SignPage(config, this);
    signPage->hide();
}

QWidget *MainWindow::createSigningWindow(const QString &pdfPath, const PdfSignData &signData,
                                         const QList<bool> &options)
{
    const bool flags[4] = {options.value(0), options.value(1), options.value(2), options.value(3)};
    auto *viewer = new PdfViewer(pdfPath, signData, flags, PdfHandler::instance());
    connect(viewer, &PdfViewer::signingAccepted, this, &MainWindow::onSigningAccepted);
    return viewer;
}

void MainWindow::showSigningWindow(QWidget *window)
{
    // A window of another kind (a stand-in) is only shown.
    if (auto *viewer = qobject_cast<PdfViewer *>(window)) {
        viewer->showAndActivate();
        return;
    }
    window->show();
    window->activateWindow();
}

QWidget *MainWindow::createFingerprintDialog(int threshold)
{
    return new IDFpDialog(threshold, this);
}

bool MainWindow::signingCaptures(QWidget *window, PdfSignData *data) const
{
    auto *viewer = qobject_cast<PdfViewer *>(window);
    if (!viewer || !viewer->hasCaptures())
        return false;
    *data = viewer->results();
    return true;
}

QString MainWindow::hubDeviceName()
{
    return DeviceController::instance()->deviceName();
}

int MainWindow::hubHasDevice()
{
    return DeviceController::instance()->hasDevice() ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// Connections

void MainWindow::setupConnections()
{
    connect(openBtn, &QToolButton::clicked, this, &MainWindow::openDocument);
    connect(saveBtn, &QToolButton::clicked, this, &MainWindow::saveDocument);
    connect(closeBtn, &QToolButton::clicked, this, &MainWindow::closeDocument);
    connect(openPdfEmptyBtn, &QPushButton::clicked, this, &MainWindow::openDocument);
    connect(placeholderCloseBtn, &QPushButton::clicked, placeholderCard, &QWidget::hide);
    connect(markBtn, &QToolButton::clicked, this, &MainWindow::toggleMarkMode);
    connect(clearBtn, &QToolButton::clicked, this, &MainWindow::clearSignatures);
    connect(prevTagBtn, &QToolButton::clicked, this, &MainWindow::previousTag);
    connect(nextTagBtn, &QToolButton::clicked, this, &MainWindow::nextTag);
    connect(clearTagsBtn, &QPushButton::clicked, coreWidget, &PdfSignCoreWidget::clearTags);
    connect(penWidthGroup, &QButtonGroup::idClicked, this, &MainWindow::applyPenSize);
    connect(penColorGroup, &QButtonGroup::idClicked, this, &MainWindow::applyPenColor);
    connect(zhBtn, &QPushButton::clicked, this, &MainWindow::switchToChinese);
    connect(enBtn, &QPushButton::clicked, this, &MainWindow::switchToEnglish);
    connect(deviceBtn, &QToolButton::clicked, this, &MainWindow::showDeviceStatusDialog);
    connect(settingsBtn, &QToolButton::clicked, this, &MainWindow::showSettingsDialog);
    connect(prevPageBtn, &QPushButton::clicked, this, &MainWindow::previousPage);
    connect(nextPageBtn, &QPushButton::clicked, this, &MainWindow::nextPage);
    connect(bottomPageSpin, QOverload<int>::of(&QSpinBox::valueChanged), this, &MainWindow::goToPageFromSpin);
    connect(startSignBtn, &QPushButton::clicked, this, &MainWindow::startSigning);
    connect(cancelSignBtn, &QPushButton::clicked, this, &MainWindow::cancelSigning);

    connect(coreWidget, &PdfSignCoreWidget::documentStateChanged, this, &MainWindow::onDocumentStateChanged);
    connect(coreWidget, &PdfSignCoreWidget::pageInfoChanged, this, &MainWindow::onPageInfoChanged);
    connect(coreWidget, &PdfSignCoreWidget::tagCountChanged, this, &MainWindow::onTagCountChanged);
    connect(coreWidget, &PdfSignCoreWidget::infoMessage, this, &MainWindow::showInfo);
    connect(coreWidget, &PdfSignCoreWidget::errorMessage, this, &MainWindow::showError);
    connect(coreWidget, &PdfSignCoreWidget::signingRequested, this, &MainWindow::openSigningPage);

    connect(DeviceController::instance().data(), &DeviceController::deviceStatusChanged, this,
            &MainWindow::onDeviceStatusChanged);
    connect(fpController.data(), &IDFPController::openFingerprintDialogFromPdf, this,
            &MainWindow::openFingerprintDialogFromPdf);

    connect(&LanguageManager::instance(), &LanguageManager::languageChanged, this, &MainWindow::retranslateUi);
}

// ---------------------------------------------------------------------------------------------
// Enabling rules

void MainWindow::updateActionStates()
{
    const bool document = coreWidget->hasDocument();
    const bool idle = signingPage.isNull();
    const bool editable = document && idle;
    const int tags = coreWidget->tagCount();
    const int page = coreWidget->currentPage();
    const int pages = coreWidget->pageCount();

    openBtn->setEnabled(idle);
    openPdfEmptyBtn->setEnabled(idle);
    for (QWidget *control : {static_cast<QWidget *>(saveBtn), static_cast<QWidget *>(closeBtn),
                             static_cast<QWidget *>(markBtn), static_cast<QWidget *>(clearBtn),
                             static_cast<QWidget *>(startSignBtn), static_cast<QWidget *>(bottomPageSpin)})
        control->setEnabled(editable);
    prevTagBtn->setEnabled(editable && tags >= 1 && currentTagIndex > 0);
    nextTagBtn->setEnabled(editable && tags >= 1 && currentTagIndex >= 0 && currentTagIndex < tags - 1);
    clearTagsBtn->setEnabled(editable && tags >= 1);
    prevPageBtn->setEnabled(editable && page > 1);
    nextPageBtn->setEnabled(editable && page < pages);
    cancelSignBtn->setEnabled(false);

    markBtn->setChecked(coreWidget->isEditEnabled());
}

// ---------------------------------------------------------------------------------------------
// Document commands

void MainWindow::openDocument()
{
    if (signingPage || !mayDropDocument("close_unsaved_message"))
        return;
    const QString path = chooseFile(false, "choose_pdf", "pdf_filter");
    if (!path.isEmpty())
        coreWidget->openPdf(path);
}

void MainWindow::saveDocument()
{
    if (signingPage)
        return;
    if (!coreWidget->hasDocument()) {
        showError(translated("warn_no_pdf"));
        return;
    }
    saveToChosenFile();
}

bool MainWindow::saveToChosenFile()
{
    const QString path = chooseFile(true, "save_pdf_as", "pdf_filter");
    return !path.isEmpty() && coreWidget->savePdf(path);
}

QString MainWindow::chooseFile(bool save, const char *captionKey, const char *filterKey)
{
    QFileDialog dialog(this, translated(captionKey), QString(), translated(filterKey));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // A native dialog ignores it and shows the system's own dates.
    dialog.setProxyModel(new FileDateProxy(&dialog));
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

void MainWindow::closeDocument()
{
    if (!mayDropDocument("close_unsaved_message"))
        return;
    if (signingPage)
        signingPage->close();
    coreWidget->closeDocument();
}

bool MainWindow::mayDropDocument(const char *questionKey)
{
    PdfSignData captured;
    if (!coreWidget->hasUnsavedImages() && !(signingPage && signingCaptures(signingPage, &captured)))
        return true;
    // Over the full-screen signing window while it is open: behind it the question is unseen.
    QWidget *owner = signingPage ? signingPage.data() : this;
    QPointer<QMessageBox> box = new QMessageBox(QMessageBox::Question, translated("unsaved_title"),
                                                translated(questionKey), QMessageBox::NoButton, owner);
    QPushButton *save = box->addButton(translated("close_save"), QMessageBox::AcceptRole);
    QPushButton *discard = box->addButton(translated("close_discard"), QMessageBox::DestructiveRole);
    QPushButton *back = box->addButton(translated("close_back"), QMessageBox::RejectRole);
    box->setDefaultButton(save);
    box->setEscapeButton(back);
    box->exec();
    // A signing window that ended meanwhile took the question with it: nothing was decided.
    if (!box)
        return false;
    const QAbstractButton *answer = box->clickedButton();
    delete box;
    if (answer == discard)
        return true;
    if (answer != save)
        return false;
    // The signing window shares the open document: it goes first, its captures kept as its OK
    // would keep them, and the editor takes the document back before saving it.
    if (signingPage) {
        if (signingCaptures(signingPage, &captured)) {
            pendingSignData = captured;
            resultAccepted = true;
        }
        delete signingPage.data();
        takeBackDocument();
    }
    return saveToChosenFile();
}

void MainWindow::loadTagTemplate()
{
    if (signingPage || !mayDropDocument("template_unsaved_message"))
        return;
    const QString path = chooseFile(false, "choose_template_json", "json_filter");
    if (!path.isEmpty())
        coreWidget->loadTemplateJson(path);
}

void MainWindow::saveTagTemplate()
{
    if (signingPage)
        return;
    const QString path = chooseFile(true, "save_template_json", "json_filter");
    if (!path.isEmpty())
        coreWidget->saveTemplateJson(path);
}

void MainWindow::toggleMarkMode()
{
    if (signingPage)
        return;
    if (!coreWidget->isEditEnabled())
        coreWidget->setEditEnabled(true);
    coreWidget->addTagAtCenter();
    updateActionStates();
}

void MainWindow::clearSignatures()
{
    if (signingPage)
        return;
    coreWidget->resetTagStatus();
}

// ---------------------------------------------------------------------------------------------
// Signing

void MainWindow::startSigning()
{
    if (signingPage)
        return;
    if (coreWidget->hasDocument() && coreWidget->tagCount() > 0 && !coreWidget->hasPendingTags()) {
        QMessageBox box(QMessageBox::Question, translated("tips"), translated("resign_confirm_message"), QMessageBox::NoButton,
                        this);
        QPushButton *yes = box.addButton(translated("yes"), QMessageBox::YesRole);
        box.addButton(translated("no"), QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.exec();
        if (box.clickedButton() != yes)
            return;
        coreWidget->resetTagStatus();
    }
    coreWidget->startSigning();
}

void MainWindow::cancelSigning()
{
    // Cancelling from the main window has no meaning yet; the signing window has its own cancel.
}

void MainWindow::openSigningPage(const QString &pdfPath, const PdfSignData &signData)
{
    if (pdfPath.isEmpty())
        return;
    if (signingPage) {
        signingPage->raise();
        signingPage->activateWindow();
        return;
    }
    resultAccepted = false;
    savePromptPending = false;
    pendingSignData = PdfSignData();

    const QList<bool> options = {
        false, // tag boxes are always shown while signing
        config->value(QStringLiteral("pdf/scrollDisable")).toBool(),
        config->value(QStringLiteral("pdf/tagBtnHidden")).toBool(),
        config->value(QStringLiteral("pdf/autoJump")).toBool(),
    };
    QWidget *window = createSigningWindow(pdfPath, signData, options);
    if (!window)
        return;
    signingPage = window;
    connect(window, &QObject::destroyed, this, &MainWindow::onSigningPageDestroyed);
    updateActionStates();
    QTimer::singleShot(0, window, [this, window] { showSigningWindow(window); });
}

void MainWindow::onSigningAccepted(const PdfSignData &signData)
{
    pendingSignData = signData;
    resultAccepted = true;
    savePromptPending = true;
    if (signingPage)
        signingPage->close();
}

void MainWindow::onSigningPageDestroyed()
{
    signingPage = nullptr;
    if (fingerprintDialog)
        fingerprintDialog->close();
    // The reload opens the shared document again and the prompt runs a nested event loop; neither
    // belongs inside the destruction of the signing window.
    takeBackPending = true;
    QTimer::singleShot(0, this, &MainWindow::takeBackDocument);
}

void MainWindow::takeBackDocument()
{
    if (!takeBackPending)
        return;
    takeBackPending = false;
    if (coreWidget->hasDocument()) {
        if (resultAccepted)
            coreWidget->applySignData(pendingSignData);
        else
            coreWidget->reloadDocument();
    }
    pendingSignData = PdfSignData();
    resultAccepted = false;
    updateActionStates();
    if (savePromptPending) {
        savePromptPending = false;
        // A file that vanished meanwhile cannot be opened again: there is nothing to save.
        if (coreWidget->hasDocument())
            showInfo(translated("signing_completed_save_prompt"));
        else
            showError(translated("signing_result_not_applied"));
    }
}

void MainWindow::openFingerprintDialogFromPdf()
{
    if (!fingerprintDialog) {
        const int threshold = config->value(QStringLiteral("fp/threshold")).toInt();
        QWidget *dialog = createFingerprintDialog(threshold);
        fingerprintDialog = dialog;
        connect(dialog, &QObject::destroyed, this, &MainWindow::onFingerprintDialogDestroyed);
        dialog->show();
    }
    fingerprintDialog->raise();
    fingerprintDialog->activateWindow();
}

void MainWindow::onFingerprintDialogDestroyed()
{
    fingerprintDialog = nullptr;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!mayDropDocument("close_unsaved_message")) {
        event->ignore();
        return;
    }
    // The signing window has no parent: left open, it would keep the program running.
    if (signingPage)
        signingPage->close();
    if (fingerprintDialog)
        fingerprintDialog->close();
    if (settingsDialog)
        settingsDialog->close();
    QMainWindow::closeEvent(event);
}

// ---------------------------------------------------------------------------------------------
// Dialogs, device, language

void MainWindow::showDeviceStatusDialog()
{
    showInfo(translated(hubHasDevice() == 1 ? "device_connected_message" : "device_not_connected_message"));
}

void MainWindow::showSettingsDialog()
{
    if (!settingsDialog) {
        settingsDialog = new SettingsDialog(config, this);
        connect(settingsDialog, &QObject::destroyed, this, [this] { settingsDialog = nullptr; });
    }
    settingsDialog->show();
    settingsDialog->raise();
    settingsDialog->activateWindow();
}

void MainWindow::onDeviceStatusChanged(const QString &deviceName, int deviceStatus)
{
    updateDeviceStatus(deviceName, deviceStatus);
}

void MainWindow::switchToChinese()
{
    LanguageManager::instance().setLanguage(LanguageManager::Language::ZhCN);
    saveLanguageSetting(LanguageManager::Language::ZhCN);
}

void MainWindow::switchToEnglish()
{
    LanguageManager::instance().setLanguage(LanguageManager::Language::English);
    saveLanguageSetting(LanguageManager::Language::English);
}

void MainWindow::saveLanguageSetting(LanguageManager::Language language)
{
    config->setValue(QStringLiteral("app/language"), LanguageManager::code(language));
    if (config->saveConfig())
        return;
    qWarning() << "language setting not saved to" << config->path();
    showError(translated("settings_save_failed"));
}

void MainWindow::showInfo(const QString &message)
{
    QMessageBox::information(this, translated("tips"), message, QMessageBox::Ok);
}

void MainWindow::showError(const QString &message)
{
    QMessageBox::warning(this, translated("error"), message, QMessageBox::Ok);
}

// ---------------------------------------------------------------------------------------------
// Pen

QPair<int, int> MainWindow::penWidthRange(int index)
{
    const int base = penWidthBases[qBound(0, index, 2)];
    return qMakePair(base, base + 2);
}

void MainWindow::applyPenSize(int index)
{
    if (index < 0 || index > 2)
        return;
    penWidthIndex = index;
    const QPair<int, int> range = penWidthRange(index);
    coreWidget->setPenWidth(range.first, range.second);
    penWidthPreview->setPixmap(QPixmap(penWidthIcon(index))
                                   .scaled(28, 28, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    updatePenWidthChecks();
}

void MainWindow::applyPenColor(int index)
{
    if (index < 0 || index >= penColors.size())
        return;
    penColorIndex = index;
    coreWidget->setPenColor(penColors.at(index));
    updatePenColorStyles();
}

// ---------------------------------------------------------------------------------------------
// Pages and tags

void MainWindow::previousPage()
{
    if (signingPage)
        return;
    coreWidget->previousPage();
    refreshBottomOverlay();
}

void MainWindow::nextPage()
{
    if (signingPage)
        return;
    coreWidget->nextPage();
    refreshBottomOverlay();
}

void MainWindow::goToPageFromSpin(int page)
{
    if (signingPage)
        return;
    coreWidget->gotoPage(page);
    refreshBottomOverlay();
}

void MainWindow::onPageInfoChanged(int current, int total)
{
    {
        const QSignalBlocker blocker(bottomPageSpin);
        bottomPageSpin->setMinimum(total >= 1 ? 1 : 0);
        bottomPageSpin->setMaximum(qMax(total, 0));
        bottomPageSpin->setValue(total > 0 ? current : 0);
    }
    bottomTotalPageLabel->setText(QString::number(total));
    updateActionStates();
    refreshBottomOverlay();
}

void MainWindow::onTagCountChanged(int total)
{
    if (total < 1)
        currentTagIndex = -1;
    else if (currentTagIndex < 0)
        currentTagIndex = 0;
    else
        currentTagIndex = qBound(0, currentTagIndex, total - 1);
    updateTagPositionLabel();
    updateActionStates();
}

void MainWindow::previousTag()
{
    if (signingPage)
        return;
    if (coreWidget->tagCount() < 1)
        return;
    currentTagIndex = qMax(currentTagIndex - 1, 0);
    coreWidget->goToTag(currentTagIndex);
    updateTagPositionLabel();
    updateActionStates();
}

void MainWindow::nextTag()
{
    if (signingPage)
        return;
    const int tags = coreWidget->tagCount();
    if (tags < 1)
        return;
    currentTagIndex = qMin(tags - 1, currentTagIndex + 1);
    coreWidget->goToTag(currentTagIndex);
    updateTagPositionLabel();
    updateActionStates();
}

void MainWindow::onDocumentStateChanged(bool hasDocument)
{
    centralStack->setCurrentWidget(hasDocument ? static_cast<QWidget *>(coreWidget) : placeholderPage);
    updateWindowTitle();
    bottomFrame->setProperty("documentOpen", hasDocument);
    bottomTotalPageLabel->setProperty("documentOpen", hasDocument);
    repolish(bottomFrame);
    repolish(bottomTotalPageLabel);
    refreshBottomOverlay();
    updateActionStates();
}
