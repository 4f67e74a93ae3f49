#include "PdfViewer.h"

#include "DeviceController.h"
#include "IDFPController.h"
#include "LanguageManager.h"
#include "PdfHandler.h"
#include "TagMonitorThread.h"

#include <QCloseEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtDebug>

// The walk over the tags and the storing of its results. What the window shows and how the
// pen and the mouse operate it is in PdfViewerLayout.cpp.

PdfViewer::PdfViewer(const QString &pdfPath, const PdfSignData &signData, const bool *options,
                     const QSharedPointer<PdfHandler> &pdfHandler, QWidget *parent)
    : QWidget(parent)
    , m_pdfHandler(pdfHandler)
    , m_deviceController(DeviceController::instance())
{
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_DeleteOnClose);
    std::copy(options, options + 4, m_options);

    m_pdfHandler->setReadOnly(false);
    // The document the operator opened, as it was then: the file on disk may have changed since.
    const bool loaded = m_pdfHandler->openedFrom() == pdfPath ? m_pdfHandler->reopenDocument()
                                                              : m_pdfHandler->loadDocument(pdfPath);
    if (!loaded)
        qWarning() << "Failed to load PDF file:" << pdfPath;
    m_pageCount = m_pdfHandler->pageCount();
    m_pageCache.setMaxCost(5);

    m_resultData = signData;
    loadTags();
    m_pdfHandler->setSignData(m_signData, m_options[TagHidden]);

    setupUi();
    retranslateUi();
    connect(&LanguageManager::instance(), &LanguageManager::languageChanged, this, [this] { retranslateUi(); });
    placeOnScreen();
    buildPageLabels();

    const int first = firstPendingTag();
    m_currentTagIndex = (first >= 0 ? first : m_tagCount) + 1;
    m_displayTagIndex = m_tagCount < 1 ? 0 : m_currentTagIndex;
    updatePageLabel();
    updateTagLabel();
    if (first >= 0)
        goToTag(first);
    renderVisiblePages(true);

    computePenScale();

    connect(m_deviceController.data(), &DeviceController::pdfSignCompleted, this, &PdfViewer::handlePdfSignCompleted);
    processNextTag();
    startTagMonitor();

    connect(m_pdfHandler.data(), &PdfHandler::pdfWriteImageSingal, this, &PdfViewer::pdfWriteImage);
    connect(m_deviceController.data(), &DeviceController::penPacketReceived, this, &PdfViewer::handlePenPacket);
    connect(IDFPController::instance().data(), &IDFPController::fingerConfirm, this, &PdfViewer::handlePdfFpCompleted);
}

PdfViewer::~PdfViewer()
{
    qDebug() << "PdfViewer destructor called";
    m_deviceController->endSignature();
    stopFingerprintCapture();
    if (m_tagMonitor) {
        m_tagMonitor->requestStop();
        m_tagMonitor->wait();
        delete m_tagMonitor;
    }
    // The main window opens the session's document again from the copy kept.
    m_pdfHandler->closePages();
}

// ---------------------------------------------------------------------------------------------
// The fingerprint capture controller: the main window opens its dialog on request, and its
// confirmation arrives in handlePdfFpCompleted.

void PdfViewer::requestFingerprintDialog()
{
    emit IDFPController::instance()->openFingerprintDialogFromPdf();
}

void PdfViewer::stopFingerprintCapture()
{
    IDFPController::instance()->stopCapture();
}

QString PdfViewer::capturedFingerprint()
{
    return IDFPController::instance()->imageToBase64();
}

bool PdfViewer::signingDeviceConnected()
{
    return m_deviceController->hasDevice();
}

// ---------------------------------------------------------------------------------------------

void PdfViewer::showAndActivate()
{
    placeOnScreen();
    show();
    raise();
    activateWindow();
    QTimer::singleShot(0, this, [this] {
        const int first = firstPendingTag();
        if (first >= 0) {
            goToTag(first);
            renderVisiblePages(true);
        }
    });
}

void PdfViewer::loadTags()
{
    m_resultData.sortTags();
    PdfSignData kept;
    kept.textA = m_resultData.textA;
    kept.textB = m_resultData.textB;
    for (const PdfSignTag &tag : qAsConst(m_resultData.tags)) {
        if (tag.page >= 1 && tag.page <= m_pageCount)
            kept.tags.append(tag);
    }
    m_resultData = kept;
    m_signData = kept;
    m_tagCount = kept.tags.size();
}

int PdfViewer::firstPendingTag() const
{
    return m_signData.firstPendingTag();
}

bool PdfViewer::hasCurrentTag() const
{
    return m_currentTagIndex >= 1 && m_currentTagIndex <= m_tagCount;
}

// Whether the walk waits for this part of the current tag: a capture that arrives otherwise
// belongs to no tag.
bool PdfViewer::currentTagAsks(bool isSign) const
{
    if (!hasCurrentTag())
        return false;
    const PdfSignTag &tag = m_signData.tags.at(m_currentTagIndex - 1);
    if (isSign)
        return (tag.type == PdfSignTag::SignOnly || tag.type == PdfSignTag::SignAndFp) && !tag.isSignDone;
    return (tag.type == PdfSignTag::FpOnly || (tag.type == PdfSignTag::SignAndFp && tag.isSignDone)) && !tag.isFpDone;
}

void PdfViewer::finishCaptureButtons()
{
    m_signBtn->setEnabled(false);
    m_fpBtn->setEnabled(false);
    m_okBtn->setEnabled(m_tagCount > 0);
}

void PdfViewer::processNextTag()
{
    const int next = firstPendingTag();
    if (next == -1) {
        finishCaptureButtons();
        return;
    }
    if (m_currentTagIndex <= 0 || m_currentTagIndex - 1 != next)
        m_currentTagIndex = next + 1;
    if (m_displayTagIndex <= 0) {
        m_displayTagIndex = m_currentTagIndex;
        updateTagLabel();
    }
    if (m_currentTagIndex > m_tagCount) {
        finishCaptureButtons();
        return;
    }
    const PdfSignTag &tag = m_signData.tags.at(m_currentTagIndex - 1);
    qDebug() << "处理第 " << m_currentTagIndex << " 个标签, 类型: " << tag.type;
    if (tag.type == PdfSignTag::SignOnly && !tag.isSignDone) {
        m_signBtn->setEnabled(true);
        m_fpBtn->setEnabled(false);
    } else if (tag.type == PdfSignTag::FpOnly && !tag.isFpDone) {
        m_signBtn->setEnabled(false);
        m_fpBtn->setEnabled(true);
    } else if (tag.type == PdfSignTag::SignAndFp && !tag.isSignDone && !tag.isFpDone) {
        m_signBtn->setEnabled(true);
        m_fpBtn->setEnabled(false);
    } else if (tag.type == PdfSignTag::SignAndFp && tag.isSignDone && !tag.isFpDone) {
        m_signBtn->setEnabled(false);
        m_fpBtn->setEnabled(true);
    }
}

void PdfViewer::showCurrentTag()
{
    if (hasCurrentTag())
        goToTag(m_currentTagIndex - 1);
}

void PdfViewer::onSignBtnClicked()
{
    if (!hasCurrentTag())
        return;
    showCurrentTag();
    // A board without a device takes no ink, and the status bar saying so lies under this
    // full-screen window.
    if (!signingDeviceConnected()) {
        auto *box = new QMessageBox(QMessageBox::Warning, translated("tips"), translated("sign_no_device"), QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
        return;
    }
    // Busy before the start: the board may hand back its picture while the start still runs.
    m_isBusy = true;
    m_deviceController->startSignature(true, m_signData.tags.at(m_currentTagIndex - 1).title);
}

void PdfViewer::onFPBtnClicked()
{
    showCurrentTag();
    requestFingerprintDialog();
}

void PdfViewer::setTagResult(int index, const QString &image, bool isSign)
{
    if (index < 0 || index >= m_resultData.tags.size() || index >= m_signData.tags.size())
        return;
    for (PdfSignData *data : {&m_resultData, &m_signData}) {
        PdfSignTag &tag = data->tags[index];
        if (isSign) {
            tag.signImage = image;
            tag.isSignDone = true;
        } else {
            tag.fpImage = image;
            tag.isFpDone = true;
        }
    }
    m_captured = true;
    if (m_tagMonitor)
        m_tagMonitor->markDone(index, isSign);
    m_pdfHandler->setSignData(m_signData, m_options[TagHidden]);
}

void PdfViewer::afterResult(int next)
{
    if (m_options[AutoJump] && next >= 0)
        goToTag(next);
    renderVisiblePages(true);
}

void PdfViewer::handlePdfSignCompleted(const QString &base64String)
{
    // Only the answer to this window's own sign start counts, and only once: a late or repeated
    // picture would otherwise land on whatever tag is current by then.
    if (!m_isBusy || !currentTagAsks(true)) {
        qWarning() << "Signature ignored: no signature is awaited";
        return;
    }
    m_isBusy = false;
    if (base64String.isEmpty()) {
        qWarning() << "Signature without a picture; tag" << m_currentTagIndex << "stays pending";
        return;
    }
    setTagResult(m_currentTagIndex - 1, base64String, true);
    const PdfSignTag &tag = m_signData.tags.at(m_currentTagIndex - 1);
    const bool chain = tag.type == PdfSignTag::SignAndFp && tag.isSignDone && !tag.isFpDone;
    const int next = firstPendingTag();
    processNextTag();
    afterResult(next);
    // Once the board is gone: a dialog mapped before the board's window closes may end up
    // under this window when the window manager hands the focus back.
    if (chain)
        QTimer::singleShot(0, this, [this] {
            if (currentTagAsks(false))
                requestFingerprintDialog();
        });
}

void PdfViewer::handlePdfFpCompleted()
{
    if (!currentTagAsks(false)) {
        if (hasCurrentTag())
            qWarning() << "Fingerprint ignored: tag" << m_currentTagIndex << "asks for none";
        return;
    }
    const QString image = capturedFingerprint();
    m_isBusy = false;
    if (image.isEmpty()) {
        qWarning() << "Fingerprint without a picture; tag" << m_currentTagIndex << "stays pending";
        return;
    }
    const int index = m_currentTagIndex - 1;
    setTagResult(index, image, false);
    const int next = firstPendingTag();
    const PdfSignTag &tag = m_signData.tags.at(index);
    qDebug().nospace() << "Tag: " << tag.page << ", type: " << tag.type
                       << ", isSignDone: " << tag.isSignDone << ", isFpDone: " << tag.isFpDone;
    processNextTag();
    afterResult(next);
}

void PdfViewer::onTagCompleted(int tagIndex)
{
    if (tagIndex != m_currentTagIndex || !hasCurrentTag())
        return;
    const PdfSignTag &tag = m_signData.tags.at(tagIndex - 1);
    if (tag.type == PdfSignTag::SignOnly || tag.type == PdfSignTag::FpOnly) {
        ++m_currentTagIndex;
        processNextTag();
    } else if (tag.type == PdfSignTag::SignAndFp && tag.isSignDone && !tag.isFpDone) {
        processNextTag();
    } else if (tag.type == PdfSignTag::SignAndFp && tag.isSignDone && tag.isFpDone) {
        ++m_currentTagIndex;
        processNextTag();
    }
}

void PdfViewer::onAllTagsCompleted()
{
    m_okBtn->setEnabled(true);
}

void PdfViewer::onOkBtnClicked()
{
    emit signingAccepted(m_resultData);
    close();
}

void PdfViewer::onCancelBtnClicked()
{
    askBeforeDropping([this] { cancelSigning(); });
}

void PdfViewer::closeEvent(QCloseEvent *event)
{
    // The window manager's close (Alt+F4) drops the captures as Cancel does. A close of the
    // program's own (its OK, the main window's close, which asked already) goes through.
    if (event->spontaneous() && m_captured) {
        event->ignore();
        askBeforeDropping([this] { close(); });
        return;
    }
    QWidget::closeEvent(event);
}

void PdfViewer::askBeforeDropping(const std::function<void()> &drop)
{
    if (!m_captured) {
        drop();
        return;
    }
    if (m_dropQuestion) {
        m_dropQuestion->raise();
        m_dropQuestion->activateWindow();
        return;
    }
    auto *box = new QMessageBox(QMessageBox::Question, translated("unsaved_title"), translated("signing_discard_message"),
                                QMessageBox::NoButton, this);
    QPushButton *discard = box->addButton(translated("close_discard"), QMessageBox::AcceptRole);
    QPushButton *back = box->addButton(translated("close_back"), QMessageBox::RejectRole);
    box->setDefaultButton(back);
    box->setEscapeButton(back);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // Queued: the drop closes this window, and the box with it, from outside the box's click.
    connect(discard, &QPushButton::clicked, this, drop, Qt::QueuedConnection);
    m_dropQuestion = box;
    box->open();
}

void PdfViewer::cancelSigning()
{
    m_isBusy = false;
    m_deviceController->endSignature();
    stopFingerprintCapture();
    emit m_pdfHandler->pdfCancel();
    close();
}

void PdfViewer::startTagMonitor()
{
    m_tagMonitor = new TagMonitorThread(&m_signData, this);
    connect(m_tagMonitor, &TagMonitorThread::tagCompleted, this, &PdfViewer::onTagCompleted);
    connect(m_tagMonitor, &TagMonitorThread::allTagsCompleted, this, &PdfViewer::onAllTagsCompleted);
    m_tagMonitor->start(QThread::InheritPriority);
}
