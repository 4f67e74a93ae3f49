#include "SignPage.h"

#include "ConfigManager.h"
#include "DeviceController.h"
#include "DrawLabel.h"
#include "ImageBase64.h"
#include "PaintBoard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtDebug>

namespace {

template<typename T>
T *named(T *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

SignPage::SignPage(const QSharedPointer<ConfigManager> &config, QWidget *parent)
    : QWidget(parent)
    , m_config(config)
    , m_options(PaintBoardOptionsPtr::create())
{
    setupForm();
    loadSignConfig();
    m_hub = DeviceController::instance();

    DeviceController *hub = m_hub.data();
    connect(hub, &DeviceController::deviceStatusChanged, this, &SignPage::handleDeviceStatusChanged);
    connect(hub, &DeviceController::openPaintBoard, this, &SignPage::onOpenPaintBoard);
    connect(hub, &DeviceController::resizePaintBoard, this, &SignPage::onOpenPaintBoardCustom);
    connect(hub, &DeviceController::openPaintBoardFromPdf, this, &SignPage::onOpenPaintBoardFromPdf);
    connect(hub, &DeviceController::setPenSizeSignal, this, &SignPage::onSetPenSize);
    connect(hub, &DeviceController::setPenColorSignal, this, &SignPage::onSetPenColor);
    connect(hub, &DeviceController::setBorderColor, this, &SignPage::onSetBorderColor);
    connect(hub, &DeviceController::setBKColor, this, &SignPage::onSetBKColor);
    connect(hub, &DeviceController::saveSignToFile, this, &SignPage::onSaveSignToFile);
    connect(hub, &DeviceController::getSignBase64, this, &SignPage::onGetSignBase64);
    connect(hub, &DeviceController::setPaintBoardTitle, this, &SignPage::onSetPaintBoardTitle);
    connect(hub, &DeviceController::saveHistoryPixmap, this, &SignPage::saveHistoryPixmap);
    connect(hub, &DeviceController::saveSignImage, this, &SignPage::onSaveSignImage);
    connect(hub, &DeviceController::closePaintBoard, this, &SignPage::closePaintBoard);
    // After loading, so that loading does not run through the form's handlers.
    connectForm();
    qDebug() << "SignPage constructor finished";
}

SignPage::~SignPage()
{
    if (m_board) {
        // A board being replaced must not bring a new one up while the page goes.
        disconnect(m_board, nullptr, this, nullptr);
        delete m_board;
    }
    qDebug() << "SignPage destructor finished";
}

void SignPage::setupForm()
{
    setWindowTitle(tr("Form"));
    resize(580, 500);
    QFont pageFont = font();
    pageFont.setPointSize(11);
    setFont(pageFont);

    auto *saveBtn = named(new QPushButton(tr("保存配置"), this), "saveBtn");
    testBtn = named(new QPushButton(tr("测试"), this), "testBtn");
    saveBtn->setFixedSize(100, 40);
    testBtn->setFixedSize(100, 40);
    auto *buttonLayout = named(new QHBoxLayout, "buttonLayout");
    buttonLayout->addStretch();
    buttonLayout->addWidget(saveBtn);
    buttonLayout->addWidget(testBtn);

    devNameText = named(new QLabel(tr("未就绪"), this), "devNameText");
    devStatusText = named(new QLabel(tr("未就绪"), this), "devStatusText");
    auto *formLayout = named(new QFormLayout, "formLayout");
    formLayout->addRow(named(new QLabel(tr("型号"), this), "devNameLabel"), devNameText);
    formLayout->addRow(named(new QLabel(tr("设备状态"), this), "devStatusLabel"), devStatusText);

    auto *windowGroup = named(new QGroupBox(tr("窗口"), this), "windowGroup");
    titleEdit = named(new QLineEdit(windowGroup), "titleEdit");
    titleHiddenCheck = named(new QCheckBox(tr("隐藏"), windowGroup), "titleHiddenCheck");
    auto *titleLayout = named(new QHBoxLayout, "titleLayout");
    titleLayout->addWidget(named(new QLabel(tr("标题栏"), windowGroup), "titleLabel"));
    titleLayout->addWidget(titleEdit);
    titleLayout->addWidget(titleHiddenCheck);
    styleCombo = named(new QComboBox(windowGroup), "styleCombo");
    styleCombo->addItems({tr("默认"), tr("风格1"), tr("风格2"), tr("透明")});
    hideOperCheck = named(new QCheckBox(tr("隐藏操作按钮"), windowGroup), "hideOperCheck");
    auto *styleLayout = named(new QHBoxLayout, "styleLayout");
    styleLayout->addWidget(named(new QLabel(tr("窗口风格"), windowGroup), "styleLabel"));
    styleLayout->addWidget(styleCombo);
    styleLayout->addWidget(hideOperCheck);
    auto *windowLayout = new QVBoxLayout(windowGroup);
    windowLayout->addLayout(titleLayout);
    windowLayout->addLayout(styleLayout);

    auto *writeGroup = named(new QGroupBox(tr("书写区"), this), "writeGroup");
    sizeCombo = named(new QComboBox(writeGroup), "sizeCombo");
    sizeCombo->addItems(PaintBoardOptions::sizePresets());
    autoCropCheck = named(new QCheckBox(tr("自动裁剪空白"), writeGroup), "autoCropCheck");
    auto *sizeLayout = named(new QHBoxLayout(writeGroup), "sizeLayout");
    sizeLayout->addWidget(named(new QLabel(tr("书写尺寸"), writeGroup), "sizeLabel"));
    sizeLayout->addWidget(sizeCombo);
    sizeLayout->addWidget(autoCropCheck);

    auto *pageLayout = new QVBoxLayout(this);
    pageLayout->addLayout(buttonLayout);
    pageLayout->addLayout(formLayout);
    pageLayout->addWidget(windowGroup);
    pageLayout->addWidget(writeGroup);
}

void SignPage::connectForm()
{
    connect(titleEdit, &QLineEdit::textChanged, this, [this](const QString &text) { m_options->title = text; });
    connect(titleHiddenCheck, &QCheckBox::stateChanged, this, [this](int state) { m_options->titleHidden = state != Qt::Unchecked; });
    connect(styleCombo, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this](int index) { m_options->windowStyle = index; });
    connect(hideOperCheck, &QCheckBox::stateChanged, this, [this](int state) { m_options->operHidden = state != Qt::Unchecked; });
    connect(sizeCombo, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this](int index) {
        m_options->sizeIndex = index;
        applySizePreset();
    });
    connect(autoCropCheck, &QCheckBox::stateChanged, this, [this](int state) { m_options->autoCrop = state != Qt::Unchecked; });
    // A test signing outside the document flow.
    connect(testBtn, &QPushButton::clicked, this, [this] { m_hub->startSignature(false, QString()); });
}

void SignPage::loadSignConfig()
{
    const QString title = m_config->value(QStringLiteral("sign/title")).toString();
    const bool titleHidden = m_config->value(QStringLiteral("sign/titleHidden")).toBool();
    const int windowStyle = m_config->value(QStringLiteral("sign/windowStyle")).toInt();
    const bool operHidden = m_config->value(QStringLiteral("sign/operHidden")).toBool();
    const int sizeIndex = m_config->value(QStringLiteral("sign/size")).toInt();
    const bool autoCrop = m_config->value(QStringLiteral("sign/autoCrop")).toBool();

    titleEdit->setText(title);
    titleHiddenCheck->setChecked(titleHidden);
    styleCombo->setCurrentIndex(windowStyle);
    hideOperCheck->setChecked(operHidden);
    sizeCombo->setCurrentIndex(sizeIndex);
    autoCropCheck->setChecked(autoCrop);

    // The raw values, also where the form cannot show them.
    m_options->title = title;
    m_options->titleHidden = titleHidden;
    m_options->windowStyle = windowStyle;
    m_options->operHidden = operHidden;
    m_options->sizeIndex = sizeIndex;
    m_options->autoCrop = autoCrop;
    applySizePreset();
}

void SignPage::applySizePreset()
{
    const QStringList &presets = PaintBoardOptions::sizePresets();
    if (m_options->sizeIndex < 0 || m_options->sizeIndex >= presets.size())
        return;
    const QStringList parts = presets.at(m_options->sizeIndex).split(QLatin1Char('x'));
    if (parts.size() != 2)
        return;
    m_options->width = parts.at(0).toInt();
    m_options->height = parts.at(1).toInt();
}

void SignPage::showPaintBoard(bool fromPdf)
{
    if (m_replacing) {
        qDebug() << "A replacement is already in progress, ignoring this click.";
        return;
    }
    if (m_board) {
        m_replacing = true;
        connect(m_board, &QObject::destroyed, this, [this, fromPdf] { recreatePaintBoard(fromPdf); });
        m_board->close();
        return;
    }
    createPaintBoard(fromPdf);
    qDebug() << "画板首次创建成功";
}

void SignPage::recreatePaintBoard(bool fromPdf)
{
    qDebug() << "PaintBoard destroyed, recreating...";
    createPaintBoard(fromPdf);
    qDebug() << "新画板创建成功";
    m_replacing = false;
}

void SignPage::createPaintBoard(bool fromPdf)
{
    m_board = new PaintBoard(m_options, fromPdf, this);
    m_board->show();
    m_hub->setSignWindowSize(m_options->width, m_options->height);
}

void SignPage::closePaintBoard()
{
    qDebug() << "Received closePaintBoard signal";
    if (m_board) {
        m_board->close();
        m_board->deleteLater();
        m_board = nullptr;
    }
    qDebug() << "PaintBoard closed";
}

void SignPage::restyleBoard()
{
    if (m_board)
        m_board->applyBoardStyle();
}

void SignPage::handleDeviceStatusChanged(QString deviceName, int deviceStatus)
{
    if (deviceStatus == 1) {
        devNameText->setText(deviceName);
        devStatusText->setText(tr("已就绪"));
    } else {
        devNameText->setText(tr("未就绪"));
        devStatusText->setText(tr("未就绪"));
    }
}

void SignPage::onOpenPaintBoard()
{
    showPaintBoard(false);
}

void SignPage::onOpenPaintBoardCustom(int width, int height)
{
    // A board without area cannot be written on.
    if (width < 1 || height < 1)
        qWarning() << "Ignoring board size" << width << "x" << height << ", keeping" << m_options->width << "x" << m_options->height;
    else {
        m_options->width = width;
        m_options->height = height;
    }
    showPaintBoard(false);
}

void SignPage::onOpenPaintBoardFromPdf(QString title)
{
    m_options->title = title;
    showPaintBoard(true);
}

void SignPage::onSetPaintBoardTitle(QString title)
{
    m_options->title = title;
    showPaintBoard(false);
}

void SignPage::onSetPenSize(int min, int max)
{
    m_options->penMinWidth = (min >= 1 && min <= 24 && min < max) ? float(min) : 1.0f;
    m_options->penMaxWidth = (max >= 1 && max <= 24 && max > min) ? float(max) : 4.0f;
}

// qRgb keeps the low byte of each component: every int gives a colour, taken modulo 256.
void SignPage::onSetPenColor(int r, int g, int b)
{
    m_options->penColor = qRgb(r, g, b);
}

void SignPage::onSetBorderColor(int r, int g, int b)
{
    m_options->borderColor = qRgb(r, g, b);
    qDebug() << "setBorderColor: (" << r << "," << g << "," << b << ")";
    restyleBoard();
}

void SignPage::onSetBKColor(int r, int g, int b, int a)
{
    m_options->bkColor = qRgba(r, g, b, a);
    qDebug() << "setBkColor: (" << r << "," << g << "," << b << "," << a << ")";
    restyleBoard();
}

void SignPage::onSaveSignImage(QImage img)
{
    m_storedSignImg = img;
}

void SignPage::saveHistoryPixmap(QPixmap pixmap)
{
    if (pixmap.isNull()) {
        qWarning() << "Received null pixmap in saveHistoryPixmap";
        return;
    }
    m_storedPixmap = pixmap;
    qDebug() << "Signpage save history pixmap";
}

QImage SignPage::renderCanvas(int w, int h, int transparent) const
{
    QImage canvas(w > 0 ? w : m_options->width, h > 0 ? h : m_options->height, QImage::Format_ARGB32);
    // Only 0 asks for the background; any other value gets a transparent canvas.
    canvas.fill(transparent == 0 ? QColor::fromRgba(m_options->bkColor) : QColor(Qt::transparent));
    return canvas;
}

void SignPage::onGetSignBase64(int cid, int iid, int w, int h, int transparent)
{
    if (m_storedSignImg.isNull() && m_storedPixmap.isNull()) {
        qWarning() << "m_storedSignImg and m_storedPixmap is null in onGetSignBase64";
        return;
    }
    QImage canvas = renderCanvas(w, h, transparent);
    {
        QPainter painter(&canvas);
        const int deviceType = m_hub->deviceType();
        if (deviceType == 2)
            painter.drawImage(0, 0, m_storedSignImg.scaled(canvas.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation));
        else if (deviceType == 1)
            painter.drawPixmap(0, 0, m_storedPixmap.scaled(canvas.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
    emit m_hub->sendImgBase64String(cid, iid, ImageBase64::encodePng(canvas));
}

void SignPage::onSaveSignToFile(QString path, int w, int h, int transparent)
{
    if (m_storedSignImg.isNull()) {
        qWarning() << "m_storedSignImg is null in onSaveSignToFile";
        return;
    }
    const QString inspection = DrawLabel::inspectionPath();
    const QString target = path.isEmpty() ? inspection : path;
    QImage canvas = renderCanvas(w, h, transparent);
    {
        QPainter painter(&canvas);
        painter.drawImage(0, 0, m_storedSignImg.scaled(canvas.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation));
    }
    const bool saved = canvas.save(target, "PNG");
    qDebug().noquote() << (saved ? QStringLiteral("Saved signature transparent to ") : QStringLiteral("Failed to save signature transparent to ")) + target;
}
