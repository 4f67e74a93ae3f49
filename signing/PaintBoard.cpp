#include "PaintBoard.h"

#include "DeviceController.h"
#include "DrawLabel.h"
#include "LanguageManager.h"
#include "PenDisplay.h"

#include <QFile>
#include <QHBoxLayout>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>
#include <QX11Info>
#include <QtDebug>

namespace {

// The buttons' "styleType" (cancel, clear, ok) for each window style.
const char *const buttonStyles[4][3] = {{"0", "0", "0"}, {"1", "1", "1"}, {"2", "2", "3"}, {"0", "0", "0"}};

void repolish(QWidget *widget)
{
    widget->style()->unpolish(widget);
    widget->style()->polish(widget);
    widget->update();
}

} // namespace

PaintBoard::PaintBoard(const PaintBoardOptionsPtr &options, bool fromPdf, QWidget *parent)
    : QDialog(parent)
    , options(options)
    , hub(DeviceController::instance())
    , fromPdf(fromPdf)
{
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    // Without a compositing manager translucent pixels show black: the panel then fills the
    // whole window, drawn over an opaque background.
    const bool translucent = !QX11Info::isPlatformX11() || QX11Info::isCompositingManagerRunning();
    setAttribute(Qt::WA_TranslucentBackground, translucent);
    setAttribute(Qt::WA_DeleteOnClose);
    // The signature pad looks the board's native window up by this title: never translated.
    setWindowTitle(QStringLiteral("PaintBoard"));
    QFile sheet(QStringLiteral(":/new/qss/resource/paintboard_style.qss"));
    if (sheet.open(QIODevice::ReadOnly))
        setStyleSheet(QString::fromUtf8(sheet.readAll()));
    else
        qDebug().noquote() << "Failed to load QSS file: " + sheet.errorString();

    layoutContainer = new QWidget(this);
    layoutContainer->setObjectName(QStringLiteral("layoutContainer"));
    auto *outer = new QVBoxLayout(this);
    outer->addWidget(layoutContainer);
    if (!translucent)
        outer->setContentsMargins(0, 0, 0, 0);
    auto *inner = new QVBoxLayout(layoutContainer);
    inner->setContentsMargins(15, 15, 15, 15);
    inner->setSpacing(15);

    if (!options->titleHidden) {
        titleLabel = new QLabel(options->title, layoutContainer);
        titleLabel->setObjectName(QStringLiteral("titleLabel"));
        titleLabel->setAlignment(Qt::AlignCenter);
        inner->addWidget(titleLabel);
    }
    drawLabel = new DrawLabel(options, layoutContainer);
    drawLabel->setObjectName(QStringLiteral("drawLabel"));
    drawLabel->setFixedSize(options->width, options->height);
    inner->addWidget(drawLabel);
    // Over the foot of the canvas, outside the layout: the buttons stay where the pen expects
    // them. Above the pad's own window only as a window itself.
    noticeLabel = new QLabel(layoutContainer);
    noticeLabel->setObjectName(QStringLiteral("noticeLabel"));
    noticeLabel->setAlignment(Qt::AlignCenter);
    noticeLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    noticeLabel->setAttribute(Qt::WA_NativeWindow, drawLabel->testAttribute(Qt::WA_NativeWindow));
    noticeLabel->hide();

    if (!options->operHidden) {
        bottomWidget = new QWidget(layoutContainer);
        bottomWidget->setObjectName(QStringLiteral("bottomWidget"));
        const int style = options->windowStyle;
        const bool styled = style >= 0 && style < 4;
        cancelBtn = makeButton(styled ? buttonStyles[style][0] : nullptr);
        cancelBtn->setAttribute(Qt::WA_Hover);
        clearBtn = makeButton(styled ? buttonStyles[style][1] : nullptr);
        okBtn = makeButton(styled ? buttonStyles[style][2] : nullptr);
        auto *bar = new QHBoxLayout(bottomWidget);
        bar->addStretch();
        bar->addWidget(cancelBtn);
        bar->addStretch();
        bar->addWidget(clearBtn);
        bar->addStretch();
        bar->addWidget(okBtn);
        bar->addStretch();
        inner->addWidget(bottomWidget);
        connect(cancelBtn, &QPushButton::clicked, this, &PaintBoard::onCancelBtnClicked);
        connect(clearBtn, &QPushButton::clicked, this, &PaintBoard::onClearBtnClicked);
        connect(okBtn, &QPushButton::clicked, this, &PaintBoard::onOKBtnClicked);
    }

    if (hub->isScreenDevice()) {
        // Taken once: pen packets come hundreds a stroke.
        const QRect screen = boardScreen()->geometry();
        penScreenOrigin = screen.topLeft();
        const quint32 tabletWidth = quint32(hub->tabletWidth());
        const quint32 tabletHeight = quint32(hub->tabletHeight());
        if (tabletWidth != 0 && tabletHeight != 0) {
            penScaleX = float(screen.width()) / float(tabletWidth);
            penScaleY = float(screen.height()) / float(tabletHeight);
        }
    }

    applyBoardStyle();
    retranslateUi();

    connect(&LanguageManager::instance(), &LanguageManager::languageChanged, this, &PaintBoard::retranslateUi);
    DeviceController *board = hub.data();
    connect(board, &DeviceController::clearPaintBoard, this, &PaintBoard::onClearPaintBoard);
    connect(board, &DeviceController::moveSignWindow, this, &PaintBoard::onMoveSignWindow);
    connect(board, &DeviceController::cancelBtnClicked, this, &PaintBoard::onCancelBtnClicked);
    connect(board, &DeviceController::clearBtnClicked, this, &PaintBoard::onClearBtnClicked);
    connect(board, &DeviceController::okBtnClicked, this, &PaintBoard::onOKBtnClicked);
    connect(board, &DeviceController::penPacketReceived, this, &PaintBoard::handlePenPacket);
    // The pad's picture comes only while it holds ink.
    connect(board, &DeviceController::signPicAvailable, noticeLabel, [this](const QImage &img) {
        if (!img.isNull())
            noticeLabel->hide();
    });
}

PaintBoard::~PaintBoard()
{
    delete drawLabel;
}

QPushButton *PaintBoard::makeButton(const char *styleType)
{
    auto *button = new QPushButton(bottomWidget);
    button->setFixedSize(130, 65);
    if (styleType)
        button->setProperty("styleType", QString::fromLatin1(styleType));
    return button;
}

QScreen *PaintBoard::boardScreen() const
{
    return targetScreen(hub->isScreenDevice());
}

void PaintBoard::applyBoardStyle()
{
    if (!drawLabel)
        return;
    const bool transparent = options->windowStyle == 3;
    if (layoutContainer) {
        layoutContainer->setProperty("boardStyle", transparent ? QStringLiteral("transparent") : QString());
        repolish(layoutContainer);
    }
    if (transparent) {
        drawLabel->setProperty("boardStyle", QStringLiteral("transparent"));
        drawLabel->setStyleSheet(QString());
    } else {
        drawLabel->setProperty("boardStyle", QString());
        drawLabel->setStyleSheet(QStringLiteral("background-color: %1;").arg(QColor::fromRgba(options->bkColor).name(QColor::HexArgb))
                                 + QStringLiteral("border: 2px solid %1;").arg(QColor(options->borderColor).name(QColor::HexRgb)));
    }
    repolish(drawLabel);
}

void PaintBoard::retranslateUi()
{
    noticeLabel->setText(translated("sign_nothing_to_confirm"));
    if (cancelBtn)
        cancelBtn->setText(translated("cancel"));
    if (okBtn)
        okBtn->setText(translated("ok"));
    if (clearBtn)
        clearBtn->setText(LanguageManager::instance().currentLanguage() == LanguageManager::Language::English
                              ? QStringLiteral("Clear")
                              : QStringLiteral("清除"));
}

void PaintBoard::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    const QRect screen = boardScreen()->geometry();
    move(screen.x() + (screen.width() - width()) / 2, screen.y() + (screen.height() - height()) / 2);
    stayAboveOpener(this);
}

void PaintBoard::keyPressEvent(QKeyEvent *event)
{
    // The dialog's own Escape would only close the window, leaving the signature started on
    // the device.
    if (event->matches(QKeySequence::Cancel)) {
        onCancelBtnClicked();
        return;
    }
    QDialog::keyPressEvent(event);
}

void PaintBoard::closeEvent(QCloseEvent *event)
{
    // The window manager's close (its button, Alt+F4) would leave the signature started on
    // the device and open in the hub: it is the signer's cancel, whose close comes from the
    // hub once this one is over.
    if (event->spontaneous() && !finished) {
        event->ignore();
        QMetaObject::invokeMethod(this, &PaintBoard::onCancelBtnClicked, Qt::QueuedConnection);
        return;
    }
    QDialog::closeEvent(event);
}

void PaintBoard::onMoveSignWindow(int x, int y)
{
    const QRect screen = boardScreen()->geometry();
    move(screen.x() + x, screen.y() + y);
}

void PaintBoard::mousePressEvent(QMouseEvent *event)
{
    const int band = options->titleHidden ? 30 : 70;
    if (event->button() == Qt::LeftButton && QRect(0, 0, width(), band).contains(event->pos())) {
        dragging = true;
        dragPoint = event->globalPos();
    }
}

void PaintBoard::mouseMoveEvent(QMouseEvent *event)
{
    if (!dragging)
        return;
    move(pos() + event->globalPos() - dragPoint);
    dragPoint = event->globalPos();
}

void PaintBoard::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        dragging = false;
}

void PaintBoard::handlePenPacket(TABLET_PACKET packet)
{
    if (packet.status == 1)
        noticeLabel->hide();
    if (!hub->isScreenDevice() || options->operHidden || !cancelBtn)
        return;
    const QPoint pen(qRound(float(packet.x) * penScaleX), qRound(float(packet.y) * penScaleY));
    const QPoint origin = cancelBtn->screen()->geometry().topLeft();
    // A pen over another of our windows in front of the board reaches none of its buttons.
    const bool reaches = penReaches(cancelBtn, penScreenOrigin + pen);
    for (QPushButton *button : {cancelBtn, clearBtn, okBtn}) {
        const QRect rect(button->mapToGlobal(QPoint(0, 0)) - origin, button->size());
        clickAt(button, reaches ? rect : QRect(), pen, packet.status);
    }
}

void PaintBoard::onOKBtnClicked()
{
    if (finished)
        return;
    // A picture with nothing on it would be stored, and saved, as the signer's signature.
    if (!drawLabel->hasInk()) {
        qDebug() << "OK refused: the board holds no ink";
        // Inside the canvas's border, which stays whole around it.
        const QRect canvas = drawLabel->geometry().adjusted(2, 0, -2, -2);
        const int height = noticeLabel->sizeHint().height();
        noticeLabel->setGeometry(canvas.x(), canvas.bottom() + 1 - height, canvas.width(), height);
        noticeLabel->show();
        noticeLabel->raise();
        return;
    }
    finished = true;
    drawLabel->exportSignature();
    const QString text = drawLabel->exportedBase64();
    const int deviceType = hub->deviceType();
    if (deviceType == 2)
        emit hub->saveSignImage(drawLabel->padImage());
    else if (deviceType == 1)
        emit hub->saveHistoryPixmap(drawLabel->canvasPixmap());
    if (fromPdf)
        emit hub->pdfSignCompleted(text);
    else
        emit hub->signConfirm(text);
    hub->clearSignature();
    drawLabel->clearCanvas();
    // The hub's end asks the signing page to close this board.
    hub->endSignature();
}

void PaintBoard::onCancelBtnClicked()
{
    if (finished)
        return;
    finished = true;
    qDebug() << "PaintBoard::onCancelBtnClicked";
    emit hub->signCancel();
    hub->endSignature();
}

void PaintBoard::onClearBtnClicked()
{
    emit hub->signClear();
    onClearPaintBoard();
}

void PaintBoard::onClearPaintBoard()
{
    hub->clearSignature();
    drawLabel->clearCanvas();
}
