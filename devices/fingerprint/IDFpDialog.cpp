#include "IDFpDialog.h"

#include "DeviceController.h"
#include "FingerprintLabel.h"
#include "FittedText.h"
#include "IDFPController.h"
#include "LanguageManager.h"
#include "PenDisplay.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>
#include <QtDebug>

namespace {

const char *const kPlaceholder = ":/new/pic/resource/fingerprint.png";
constexpr int kWidth = 700;
constexpr int kHeight = 500;

} // namespace

IDFpDialog::IDFpDialog(int threshold, QWidget *parent)
    : QDialog(parent)
    , m_threshold(threshold)
{
    qDebug() << "IDFpDialog constructor called";
    m_fpController = IDFPController::instance();
    m_deviceController = DeviceController::instance();
    setupUi();
    retranslateUi();
    connect(&LanguageManager::instance(), &LanguageManager::languageChanged, this, &IDFpDialog::retranslateUi);

    if (m_deviceController->isScreenDevice()) {
        const QRect screen = targetScreen(true)->geometry();
        m_sx = float(screen.width()) / float(unsigned(m_deviceController->tabletWidth()));
        m_sy = float(screen.height()) / float(unsigned(m_deviceController->tabletHeight()));
    }

    connect(m_fpController.data(), &IDFPController::captureFinished, this, &IDFpDialog::captureCompleted);
    connect(m_fpController.data(), &IDFPController::noReaderAnswers, this, &IDFpDialog::onNoReader);
    connect(m_deviceController.data(), &DeviceController::penPacketReceived, this, &IDFpDialog::handlePenPacket);
    connect(m_deviceController.data(), &DeviceController::cancelBtnClicked, this, &IDFpDialog::onFingerCancel);
    connect(m_deviceController.data(), &DeviceController::clearBtnClicked, this, &IDFpDialog::onFingerRetry);
    connect(m_deviceController.data(), &DeviceController::okBtnClicked, this, &IDFpDialog::onFingerConfirm);

    m_fpController->startCapture(m_threshold);
}

IDFpDialog::~IDFpDialog()
{
    qDebug() << "IDFpDialog destructor called";
    m_fpController->stopCapture();
    m_fpController->clearImage();
}

void IDFpDialog::setupUi()
{
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(kWidth, kHeight);

    const QRect screen = targetScreen(m_deviceController->isScreenDevice())->geometry();
    const int x = screen.x() + (screen.width() - kWidth) / 2;
    const int y = screen.y() + (screen.height() - kHeight) / 2;
    move(x, y);
    qDebug() << "IDFpDialog centered at: " << x << ", " << y;

    QFile styleFile(QStringLiteral(":/new/qss/resource/idfpdialog_style.qss"));
    if (styleFile.open(QIODevice::ReadOnly))
        setStyleSheet(QString::fromUtf8(styleFile.readAll()));
    else
        qDebug() << "Failed to load QSS file: " << styleFile.errorString();

    m_hintLabel = new QLabel(this);
    m_hintLabel->setObjectName(QStringLiteral("hintLabel"));
    m_hintLabel->setAlignment(Qt::AlignTop);
    m_hintLabel->setWordWrap(true);

    m_imageLabel = new FingerprintLabel(this);
    m_imageLabel->setObjectName(QStringLiteral("imageLabel"));
    m_imageLabel->setPixmap(QPixmap(QString::fromLatin1(kPlaceholder)));
    m_imageLabel->setAlignment(Qt::AlignCenter);
    m_imageLabel->startScan();

    const auto button = [this](const char *name, const char *styleType) {
        auto *btn = new QPushButton(this);
        btn->setObjectName(QString::fromLatin1(name));
        btn->setFixedSize(150, 65);
        btn->setProperty("styleType", QString::fromLatin1(styleType));
        return btn;
    };
    m_cancelBtn = button("cancelBtn", "2");
    m_retryBtn = button("retryBtn", "1");
    m_confirmBtn = button("confirmBtn", "1");
    m_confirmBtn->setEnabled(false);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancelBtn);
    buttons->addStretch();
    buttons->addWidget(m_retryBtn);
    buttons->addStretch();
    buttons->addWidget(m_confirmBtn);
    buttons->addStretch();
    buttons->setContentsMargins(0, 0, 0, 20);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_hintLabel);
    layout->addStretch();
    layout->addWidget(m_imageLabel);
    layout->addStretch();
    layout->addLayout(buttons);

    connect(m_cancelBtn, &QPushButton::clicked, this, &IDFpDialog::onFingerCancel);
    connect(m_retryBtn, &QPushButton::clicked, this, &IDFpDialog::onFingerRetry);
    connect(m_confirmBtn, &QPushButton::clicked, this, &IDFpDialog::onFingerConfirm);
}

void IDFpDialog::retranslateUi()
{
    setWindowTitle(translated("finger_title"));
    m_hintLabel->setText(translated(hintKey()));
    // The style's size does not fit every language's word in the fixed buttons.
    setFittedText(m_cancelBtn, translated("cancel"));
    setFittedText(m_retryBtn, translated("retry"));
    setFittedText(m_confirmBtn, translated("ok"));
}

void IDFpDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    stayAboveOpener(this);
}

const char *IDFpDialog::hintKey() const
{
    if (m_captured)
        return "finger_hint_confirm";
    return m_noReader ? "finger_hint_no_reader" : "finger_hint_press";
}

void IDFpDialog::captureCompleted(const QImage &fingerprintImage)
{
    if (m_finished)
        return;
    if (fingerprintImage.isNull()) {
        qWarning() << "IDFpDialog: no picture in the capture, still waiting";
        return;
    }
    m_imageLabel->stopScan();
    m_confirmBtn->setEnabled(true);
    m_captured = true;
    m_noReader = false;
    m_hintLabel->setText(translated(hintKey()));
    m_imageLabel->setPixmap(QPixmap::fromImage(fingerprintImage));
}

void IDFpDialog::onNoReader()
{
    // A picture already shown stays confirmable whatever an older capture reports.
    if (m_finished || m_captured)
        return;
    m_noReader = true;
    m_imageLabel->stopScan();
    m_hintLabel->setText(translated(hintKey()));
}

void IDFpDialog::onFingerCancel()
{
    if (m_finished)
        return;
    m_finished = true;
    m_fpController->stopCapture();
    m_imageLabel->stopScan();
    close();
    m_fpController->clearImage();
    emit m_fpController->fingerCancel();
}

void IDFpDialog::onFingerRetry()
{
    if (m_finished)
        return;
    m_captured = false;
    m_noReader = false;
    m_hintLabel->setText(translated(hintKey()));
    m_imageLabel->setPixmap(QPixmap(QString::fromLatin1(kPlaceholder)));
    m_imageLabel->startScan();
    m_confirmBtn->setEnabled(false);
    m_fpController->clearImage();
    emit m_fpController->fingerRetry();
    m_fpController->startCapture(m_threshold);
}

void IDFpDialog::onFingerConfirm()
{
    if (m_finished || !m_captured || !m_confirmBtn->isEnabled())
        return;
    m_finished = true;
    m_fpController->saveFingerprintImage();
    emit m_fpController->fingerConfirm();
    m_imageLabel->stopScan();
    close();
    m_fpController->clearImage();
}

void IDFpDialog::handlePenPacket(const TABLET_PACKET &packet)
{
    if (!m_deviceController->isScreenDevice())
        return;
    const QPoint point(qRound(float(unsigned(packet.x)) * m_sx), qRound(float(unsigned(packet.y)) * m_sy));
    const QScreen *screen = windowHandle() ? windowHandle()->screen() : targetScreen(true);
    const QPoint origin = screen->geometry().topLeft();
    // A window of ours lying over the dialog takes the tap, not the button beneath it.
    const bool reaches = penReaches(m_confirmBtn, origin + point);
    for (QPushButton *button : {m_cancelBtn, m_retryBtn, m_confirmBtn}) {
        const QRect rect = reaches ? QRect(button->mapToGlobal(QPoint(0, 0)) - origin, button->size()) : QRect();
        clickAt(button, rect, point, packet.status);
    }
}
