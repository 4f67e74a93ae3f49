#include "MainWindow.h"

#include "ConfigManager.h"
#include "MainWindowStyle.h"
#include "PdfSignCoreWidget.h"
#include "SettingsDialog.h"
#include "ToolbarActionButton.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtDebug>

namespace {

const int penWidthBases[] = {2, 4, 7};
const char *const penWidthIcons[] = {
    ":/new/pic/resource/line_thin.png",
    ":/new/pic/resource/line_medium.png",
    ":/new/pic/resource/line_big.png",
};
const char *const paletteNames[] = {
    "#111111", "#444444", "#7b7b7b", "#9a0016", "#ff2840", "#ff8b2b",
    "#1c9fe2", "#8da8c2", "#9bd7e5", "#5259cb", "#a65eb3", "#f2b4d0",
};

QString translated(const char *key)
{
    return LanguageManager::instance().translate(QString::fromLatin1(key));
}

bool englishActive()
{
    return LanguageManager::instance().currentLanguage() == LanguageManager::Language::English;
}

// Style rules that test a dynamic property only see its new value after a re-polish.
void repolish(QWidget *widget)
{
    widget->style()->unpolish(widget);
    widget->style()->polish(widget);
    widget->update();
}

// Fixed-width labels keep their width; a translation longer than that gets a smaller font
// instead of being cut off.
void fitTextWidth(QLabel *label)
{
    QFont font = label->parentWidget() ? label->parentWidget()->font() : label->font();
    if (label->font().bold())
        font.setBold(true);
    const int room = label->width() - label->contentsMargins().left() - label->contentsMargins().right();
    while (font.pointSizeF() > 6.0 && QFontMetrics(font).horizontalAdvance(label->text()) > room)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    label->setFont(font);
}

QFrame *createSeparator()
{
    auto *line = new QFrame;
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

template <typename T>
T *named(T *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , config(ConfigManager::instance())
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
    // The program has no signing page; the hidden page that owns the writing board is to be
    // created here, with `config` and this window as parent, and hidden.
    signPage = nullptr;
}

QWidget *MainWindow::createSigningWindow(const QString &pdfPath, const PdfSignData &signData,
                                         const QList<bool> &options)
{
    // The program has no signing window; it is to be created here (no parent, deleting itself
    // when closed) with its `signingAccepted` connected to onSigningAccepted.
    Q_UNUSED(signData)
    Q_UNUSED(options)
    qWarning() << "no signing window available for" << pdfPath;
    return nullptr;
}

void MainWindow::showSigningWindow(QWidget *window)
{
    // The signing window's showAndActivate belongs here: it shows the window and begins with
    // the first pending tag.
    window->show();
    window->activateWindow();
}

QWidget *MainWindow::createFingerprintDialog(int threshold)
{
    // The program has no fingerprint dialog; it is to be created here, with the threshold and
    // this window as parent.
    qWarning() << "no fingerprint dialog available, threshold" << threshold;
    return nullptr;
}

static QString hubDeviceName()
{
    // The program has no device hub to name its current device.
    return QString();
}

static int hubHasDevice()
{
    // The program has no device hub, so no device is connected (1 connected, 0 not).
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Widget tree

ToolbarActionButton *MainWindow::createToolbarButton(const QString &name)
{
    auto *button = new ToolbarActionButton;
    button->setObjectName(name);
    button->setFixedSize(72, 68);
    button->setAutoRaise(false);
    return button;
}

void MainWindow::setupUi()
{
    resize(1380, 780);
    setMinimumSize(1200, 760);
    QIcon icon;
    icon.addFile(QStringLiteral(":/new/icon/resource/inkwarden_icon_64.png"), QSize(64, 64));
    icon.addFile(QStringLiteral(":/new/icon/resource/inkwarden_icon_256.png"), QSize(256, 256));
    setWindowIcon(icon);

    auto *central = new QWidget(this);
    setCentralWidget(central);
    auto *centralLayout = new QVBoxLayout(central);
    centralLayout->setContentsMargins(0, 0, 0, 0);
    centralLayout->setSpacing(0);

    topFrame = named(new QFrame, "topFrame");
    topFrame->setFrameShape(QFrame::NoFrame);
    setupToolbar(topFrame);
    centralLayout->addWidget(topFrame, 0);

    centralStack = named(new QStackedWidget, "centralStack");
    setupPlaceholderPage();
    centralStack->addWidget(placeholderPage);
    coreWidget = new PdfSignCoreWidget(config, centralStack);
    coreWidget->setObjectName(QStringLiteral("coreWidget"));
    centralStack->addWidget(coreWidget);
    centralStack->setCurrentIndex(0);
    centralLayout->addWidget(centralStack, 1);

    setupBottomFrame(central);

    openBtn->setIcon(QIcon(QStringLiteral(":/new/pic/resource/open.png")));
    saveBtn->setIcon(QIcon(QStringLiteral(":/new/pic/resource/save.png")));
    closeBtn->setIcon(QIcon(QStringLiteral(":/new/pic/resource/close_32.png")));
    markBtn->setIcon(QIcon(QStringLiteral(":/new/pic/resource/sign_mark.png")));
    clearBtn->setIcon(QIcon(QStringLiteral(":/new/pic/resource/clear.png")));
    settingsBtn->setIcon(QIcon(QStringLiteral(":/new/pic/resource/settings.png")));

    central->setStyleSheet(mainWindowStyleSheet());
    central->layout()->activate();
    // The toolbar's fixed-size groups need a little more than 1200 pixels; a narrower window
    // would pile them on top of each other.
    setMinimumWidth(qMax(minimumWidth(), topFrame->layout()->minimumSize().width()));
    splitPlaceholderCard();
    refreshBottomOverlay();
}

void MainWindow::setupToolbar(QFrame *frame)
{
    auto *layout = new QHBoxLayout(frame);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(8);

    auto fileButton = [this](const char *name) {
        ToolbarActionButton *button = createToolbarButton(QString::fromLatin1(name));
        button->setProperty("fileAction", true);
        button->setAutoRaise(true);
        return button;
    };
    openBtn = fileButton("openBtn");
    saveBtn = fileButton("saveBtn");
    closeBtn = fileButton("closeBtn");
    layout->addWidget(openBtn, 0, Qt::AlignVCenter);
    layout->addWidget(saveBtn, 0, Qt::AlignVCenter);
    layout->addWidget(closeBtn, 0, Qt::AlignVCenter);
    layout->addWidget(createSeparator(), 0, Qt::AlignVCenter);

    auto *widthFrame = named(new QFrame, "widthFrame");
    setupPenWidthFrame(widthFrame);
    layout->addWidget(widthFrame, 0, Qt::AlignVCenter);

    auto *colorFrame = named(new QFrame, "colorFrame");
    setupPenColorFrame(colorFrame);
    layout->addWidget(colorFrame, 0, Qt::AlignVCenter);
    layout->addWidget(createSeparator(), 0, Qt::AlignVCenter);

    auto *markWidget = named(new QWidget, "markWidget");
    auto *clearWidget = named(new QWidget, "clearWidget");
    setupMarkAndClear(markWidget, clearWidget);
    layout->addWidget(markWidget, 0, Qt::AlignVCenter);
    layout->addWidget(clearWidget, 0, Qt::AlignVCenter);
    layout->addWidget(createSeparator(), 0, Qt::AlignVCenter);

    auto *langFrame = named(new QFrame, "langFrame");
    setupLanguageFrame(langFrame);
    layout->addWidget(langFrame, 0, Qt::AlignVCenter);

    deviceBtn = fileButton("deviceBtn");
    layout->addWidget(deviceBtn, 0, Qt::AlignVCenter);
    layout->addSpacing(12);
    settingsBtn = fileButton("settingsBtn");
    layout->addWidget(settingsBtn, 0, Qt::AlignVCenter);
    layout->addStretch();
}

void MainWindow::setupPenWidthFrame(QFrame *frame)
{
    frame->setFrameShape(QFrame::NoFrame);
    frame->setFixedSize(148, 68);
    auto *layout = new QHBoxLayout(frame);
    layout->setContentsMargins(8, 0, 8, 0);
    layout->setSpacing(8);

    auto *previewColumn = new QVBoxLayout;
    previewColumn->setContentsMargins(0, 0, 0, 0);
    previewColumn->setSpacing(1);
    penWidthLabel = named(new QLabel, "penWidthLabel");
    penWidthLabel->setFixedWidth(32);
    penWidthLabel->setAlignment(Qt::AlignCenter);
    penWidthPreview = named(new QLabel, "penWidthPreview");
    penWidthPreview->setFixedSize(28, 28);
    penWidthPreview->setAlignment(Qt::AlignCenter);
    previewColumn->addWidget(penWidthLabel, 0, Qt::AlignCenter);
    previewColumn->addWidget(penWidthPreview, 0, Qt::AlignCenter);
    layout->addLayout(previewColumn);
    layout->setAlignment(previewColumn, Qt::AlignVCenter);

    auto *buttonColumn = new QVBoxLayout;
    buttonColumn->setContentsMargins(0, 0, 0, 0);
    buttonColumn->setSpacing(1);
    penWidthGroup = new QButtonGroup(this);
    penWidthGroup->setExclusive(true);
    static const char *const names[] = {"penWidthThinBtn", "penWidthMediumBtn", "penWidthBigBtn"};
    for (int i = 0; i < 3; ++i) {
        auto *button = named(new QToolButton, names[i]);
        button->setCheckable(true);
        button->setAutoRaise(true);
        button->setProperty("penWidthOption", true);
        button->setFixedSize(38, 18);
        button->setIcon(QIcon(QString::fromLatin1(penWidthIcons[i])));
        button->setIconSize(QSize(18, 14));
        buttonColumn->addWidget(button, 0, Qt::AlignCenter);
        penWidthGroup->addButton(button, i);
        penWidthButtons.append(button);
    }
    layout->addLayout(buttonColumn);
    layout->setAlignment(buttonColumn, Qt::AlignVCenter);
}

void MainWindow::setupPenColorFrame(QFrame *frame)
{
    frame->setFrameShape(QFrame::NoFrame);
    frame->setFixedSize(206, 68);
    auto *layout = new QHBoxLayout(frame);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->setSpacing(8);

    auto *swatchColumn = new QVBoxLayout;
    swatchColumn->setContentsMargins(0, 0, 0, 0);
    swatchColumn->setSpacing(0);
    penColorLabel = named(new QLabel, "penColorLabel");
    penColorLabel->setFixedWidth(32);
    penColorLabel->setAlignment(Qt::AlignCenter);
    penColorSwatch = named(new QLabel, "penColorSwatch");
    penColorSwatch->setFixedSize(24, 24);
    swatchColumn->addWidget(penColorLabel, 0, Qt::AlignCenter);
    swatchColumn->addWidget(penColorSwatch, 0, Qt::AlignCenter);
    layout->addLayout(swatchColumn);

    auto *grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(2);
    grid->setVerticalSpacing(1);
    penColorGroup = new QButtonGroup(this);
    penColorGroup->setExclusive(true);
    for (int i = 0; i < penColors.size(); ++i) {
        auto *button = new QToolButton;
        button->setObjectName(QStringLiteral("penColorBtn%1").arg(i));
        button->setCheckable(true);
        button->setFixedSize(22, 22);
        button->setProperty("penColorOption", true);
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        grid->addWidget(button, i / 6, i % 6);
        penColorGroup->addButton(button, i);
        penColorButtons.append(button);
    }
    layout->addLayout(grid);
}

void MainWindow::setupMarkAndClear(QWidget *markWidget, QWidget *clearWidget)
{
    markWidget->setFixedSize(128, 92);
    auto *markLayout = new QVBoxLayout(markWidget);
    markLayout->setContentsMargins(0, 0, 0, 0);
    markLayout->setSpacing(2);
    markBtn = createToolbarButton(QStringLiteral("markBtn"));
    markBtn->setCheckable(true);
    markBtn->setProperty("fileAction", true);
    markBtn->setAutoRaise(true);
    markBtn->setFixedSize(120, 72);
    markLayout->addWidget(markBtn, 0, Qt::AlignHCenter);

    auto *tagRow = new QHBoxLayout;
    tagRow->setContentsMargins(0, 0, 0, 0);
    tagRow->setSpacing(3);
    tagPositionLabel = named(new QLabel(QStringLiteral("0/0")), "tagPositionLabel");
    tagPositionLabel->setFixedWidth(32);
    prevTagBtn = named(new QToolButton, "prevTagBtn");
    prevTagBtn->setText(QStringLiteral("<"));
    prevTagBtn->setAutoRaise(true);
    prevTagBtn->setFixedSize(16, 16);
    nextTagBtn = named(new QToolButton, "nextTagBtn");
    nextTagBtn->setText(QStringLiteral(">"));
    nextTagBtn->setAutoRaise(true);
    nextTagBtn->setFixedSize(16, 16);
    clearTagsBtn = named(new QPushButton(QStringLiteral("C")), "clearTagsBtn");
    clearTagsBtn->setFixedSize(18, 16);
    for (QWidget *button : {static_cast<QWidget *>(prevTagBtn), static_cast<QWidget *>(nextTagBtn),
                            static_cast<QWidget *>(clearTagsBtn)})
        button->setProperty("tagNav", true);
    tagRow->addWidget(tagPositionLabel, 0, Qt::AlignVCenter);
    tagRow->addWidget(prevTagBtn, 0, Qt::AlignVCenter);
    tagRow->addWidget(nextTagBtn, 0, Qt::AlignVCenter);
    tagRow->addWidget(clearTagsBtn, 0, Qt::AlignVCenter);
    markLayout->addLayout(tagRow);

    clearWidget->setFixedSize(128, 92);
    auto *clearLayout = new QVBoxLayout(clearWidget);
    clearLayout->setContentsMargins(0, 0, 0, 0);
    clearLayout->setSpacing(2);
    clearBtn = createToolbarButton(QStringLiteral("clearBtn"));
    clearBtn->setProperty("fileAction", true);
    clearBtn->setAutoRaise(true);
    clearBtn->setFixedSize(120, 72);
    clearLayout->addWidget(clearBtn, 0, Qt::AlignHCenter);
    clearLayout->addSpacing(18);
}

void MainWindow::setupLanguageFrame(QFrame *frame)
{
    frame->setFrameShape(QFrame::NoFrame);
    frame->setFixedSize(182, 68);
    auto *grid = new QGridLayout(frame);
    grid->setContentsMargins(10, 6, 10, 6);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(4);
    grid->setColumnMinimumWidth(0, 62);
    grid->setColumnMinimumWidth(1, 76);
    grid->setRowMinimumHeight(0, 24);
    grid->setRowMinimumHeight(1, 24);

    languageLabel = named(new QLabel, "languageLabel");
    currentLanguageLabel = named(new QLabel, "currentLanguageLabel");
    for (QLabel *label : {languageLabel, currentLanguageLabel}) {
        label->setFixedWidth(62);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    QFont bold = currentLanguageLabel->font();
    bold.setWeight(QFont::Bold);
    currentLanguageLabel->setFont(bold);
    zhBtn = named(new QPushButton, "zhBtn");
    enBtn = named(new QPushButton, "enBtn");
    for (QPushButton *button : {zhBtn, enBtn}) {
        button->setFixedSize(76, 24);
        button->setProperty("langOption", true);
    }
    const Qt::Alignment cell = Qt::AlignLeft | Qt::AlignVCenter;
    grid->addWidget(languageLabel, 0, 0, cell);
    grid->addWidget(zhBtn, 0, 1, cell);
    grid->addWidget(currentLanguageLabel, 1, 0, cell);
    grid->addWidget(enBtn, 1, 1, cell);
}

void MainWindow::setupPlaceholderPage()
{
    placeholderPage = named(new QWidget, "placeholderPage");
    auto *pageLayout = new QVBoxLayout(placeholderPage);
    pageLayout->setContentsMargins(24, 24, 24, 24);

    placeholderCard = named(new QFrame, "placeholderCard");
    placeholderCard->setMinimumSize(700, 390);
    placeholderCard->setMaximumWidth(840);
    // The card reaches its width only when the window's layouts first run, after the window's
    // own resize, so the panels follow the card's resizes too.
    placeholderCard->installEventFilter(this);
    auto *cardLayout = new QVBoxLayout(placeholderCard);
    cardLayout->setContentsMargins(18, 14, 18, 18);
    cardLayout->setSpacing(0);

    auto *closeRow = new QHBoxLayout;
    closeRow->setContentsMargins(0, 0, 0, 0);
    closeRow->addStretch();
    placeholderCloseBtn = named(new QPushButton, "placeholderCloseBtn");
    placeholderCloseBtn->setFixedSize(24, 24);
    placeholderCloseBtn->setIcon(QIcon(QStringLiteral(":/new/pic/resource/close_16.png")));
    placeholderCloseBtn->setIconSize(QSize(16, 16));
    placeholderCloseBtn->setCursor(Qt::PointingHandCursor);
    closeRow->addWidget(placeholderCloseBtn, 0, Qt::AlignTop);
    cardLayout->addLayout(closeRow);

    auto *grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);

    placeholderLeftPanel = named(new QWidget, "placeholderLeftPanel");
    placeholderLeftPanel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    placeholderLeftPanel->setMinimumWidth(0);
    // Its border-right rule paints only with a styled background.
    placeholderLeftPanel->setAttribute(Qt::WA_StyledBackground);
    auto *leftLayout = new QVBoxLayout(placeholderLeftPanel);
    leftLayout->setContentsMargins(24, 18, 24, 24);
    placeholderImage = named(new QLabel, "placeholderImage");
    placeholderImage->setAlignment(Qt::AlignCenter);
    placeholderImage->setPixmap(QPixmap(QStringLiteral(":/new/pic/resource/pdf_file.png"))
                                    .scaled(340, 420, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    leftLayout->addWidget(placeholderImage, 1, Qt::AlignCenter);

    placeholderRightPanel = named(new QWidget, "placeholderRightPanel");
    placeholderRightPanel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    placeholderRightPanel->setMinimumWidth(0);
    auto *rightLayout = new QVBoxLayout(placeholderRightPanel);
    rightLayout->setContentsMargins(24, 18, 24, 24);
    rightLayout->setSpacing(18);
    rightLayout->addStretch();
    openPdfEmptyBtn = named(new QPushButton, "openPdfEmptyBtn");
    openPdfEmptyBtn->setMinimumSize(190, 56);
    openPdfEmptyBtn->setMaximumWidth(220);
    openPdfEmptyBtn->setCursor(Qt::PointingHandCursor);
    rightLayout->addWidget(openPdfEmptyBtn, 0, Qt::AlignHCenter);
    rightLayout->addStretch();

    grid->addWidget(placeholderLeftPanel, 0, 0);
    grid->addWidget(placeholderRightPanel, 0, 1);
    cardLayout->addLayout(grid, 1);

    pageLayout->addStretch();
    // Centred by stretches rather than by an alignment flag: aligned, the card would keep its
    // size hint, which the fixed panel widths pin at the minimum; this way it grows to 840.
    placeholderCard->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto *cardRow = new QHBoxLayout;
    cardRow->addStretch();
    cardRow->addWidget(placeholderCard, 1);
    cardRow->addStretch();
    pageLayout->addLayout(cardRow);
    pageLayout->addStretch();
}

void MainWindow::setupBottomFrame(QWidget *central)
{
    // Not in any layout: it floats over the lower edge of the document area.
    bottomFrame = named(new QFrame(central), "bottomFrame");
    bottomFrame->setProperty("documentOpen", false);
    bottomFrame->setFrameShape(QFrame::NoFrame);
    bottomFrame->setAttribute(Qt::WA_StyledBackground);
    bottomFrame->setAutoFillBackground(true);
    auto *layout = new QHBoxLayout(bottomFrame);
    layout->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto actionButton = [](const char *name, const char *kind) {
        auto *button = named(new QPushButton, name);
        button->setProperty("bottomAction", QString::fromLatin1(kind));
        button->setFixedSize(108, 64);
        button->setMinimumHeight(36);
        return button;
    };
    cancelSignBtn = actionButton("cancelSignBtn", "cancel");
    prevPageBtn = actionButton("prevPageBtn", "normal");
    nextPageBtn = actionButton("nextPageBtn", "normal");
    startSignBtn = actionButton("startSignBtn", "normal");

    bottomPageSpin = named(new QSpinBox, "bottomPageSpin");
    bottomPageSpin->setRange(0, 0);
    bottomPageSpin->setValue(0);
    bottomPageSpin->setButtonSymbols(QAbstractSpinBox::NoButtons);
    bottomPageSpin->setAlignment(Qt::AlignCenter);
    bottomPageSpin->setFixedSize(84, 64);
    bottomPageSpin->setMinimumHeight(36);

    bottomPageSeparatorLabel = named(new QLabel(QStringLiteral("/")), "bottomPageSeparatorLabel");
    bottomPageSeparatorLabel->setFixedSize(24, 64);
    bottomPageSeparatorLabel->setAlignment(Qt::AlignCenter);
    bottomTotalPageLabel = named(new QLabel(QStringLiteral("0")), "bottomTotalPageLabel");
    bottomTotalPageLabel->setProperty("documentOpen", false);
    bottomTotalPageLabel->setFixedSize(84, 64);
    bottomTotalPageLabel->setAlignment(Qt::AlignCenter);

    layout->addStretch();
    layout->addWidget(cancelSignBtn);
    layout->addWidget(prevPageBtn);
    layout->addWidget(bottomPageSpin);
    layout->addWidget(bottomPageSeparatorLabel);
    layout->addWidget(bottomTotalPageLabel);
    layout->addWidget(nextPageBtn);
    layout->addWidget(startSignBtn);
    layout->addStretch();
}

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

    // The program has neither a fingerprint controller nor a device hub; their
    // openFingerprintDialogFromPdf and deviceStatusChanged are to be connected here, to the
    // slots of the same names.

    connect(&LanguageManager::instance(), &LanguageManager::languageChanged, this, &MainWindow::retranslateUi);
}

// ---------------------------------------------------------------------------------------------
// Texts and looks

void MainWindow::retranslateUi()
{
    updateWindowTitle();
    const bool english = englishActive();

    openBtn->setText(translated("open_doc"));
    saveBtn->setText(translated("save_doc"));
    closeBtn->setText(translated("close_doc"));
    penWidthLabel->setText(translated("pen_width"));
    penColorLabel->setText(translated("pen_color"));
    markBtn->setText(english ? QStringLiteral("Mark Signature\nArea") : translated("mark_tag"));
    clearBtn->setText(english ? QStringLiteral("Clear\nSignatures") : translated("clear_sign"));
    languageLabel->setText(translated("language"));
    currentLanguageLabel->setText(english ? QStringLiteral("EN") : QString::fromUtf8("中"));
    zhBtn->setText(QString::fromUtf8("简体中文"));
    enBtn->setText(QStringLiteral("English"));
    settingsBtn->setText(translated("settings"));
    openPdfEmptyBtn->setText(translated("empty_open_pdf"));
    placeholderCloseBtn->setText(QString());
    prevPageBtn->setText(translated("prev_page"));
    nextPageBtn->setText(translated("next_page"));
    startSignBtn->setText(english ? QStringLiteral("Start\nSigning") : translated("start_sign"));
    startSignBtn->setStyleSheet(english ? QStringLiteral("font-size: 13pt;") : QString());
    cancelSignBtn->setText(translated("cancel"));

    for (QLabel *label : {penWidthLabel, penColorLabel, languageLabel, currentLanguageLabel})
        fitTextWidth(label);

    updateDeviceStatus(hubDeviceName(), hubHasDevice());
    updatePenWidthChecks();
    updatePenColorStyles();
    updateTagPositionLabel();
}

void MainWindow::updateWindowTitle()
{
    const QString title = translated("window_title");
    const QString path = coreWidget->hasDocument() ? coreWidget->pdfPath() : QString();
    setWindowTitle(path.isEmpty() ? title : QStringLiteral("%1: %2").arg(title, path));
}

void MainWindow::updateDeviceStatus(const QString &deviceName, int deviceStatus)
{
    Q_UNUSED(deviceName)
    const bool connected = deviceStatus == 1;
    deviceBtn->setIcon(QIcon(connected ? QStringLiteral(":/new/pic/resource/connected.png")
                                       : QStringLiteral(":/new/pic/resource/unconnected.png")));
    deviceBtn->setText(translated(connected ? "connected" : "not_connected"));
}

void MainWindow::updateTagPositionLabel()
{
    const int total = coreWidget->tagCount();
    const int shown = (total < 1 || currentTagIndex < 0) ? 0 : currentTagIndex + 1;
    tagPositionLabel->setText(QStringLiteral("%1/%2").arg(shown).arg(total));
}

void MainWindow::updatePenWidthChecks()
{
    for (int i = 0; i < penWidthButtons.size(); ++i)
        penWidthButtons.at(i)->setChecked(i == penWidthIndex);
}

void MainWindow::updatePenColorStyles()
{
    const bool valid = penColorIndex >= 0 && penColorIndex < penColors.size();
    penColorSwatch->setStyleSheet(
        penColorSwatchStyle(valid ? penColors.at(penColorIndex).name() : QStringLiteral("#111111")));
    for (int i = 0; i < penColorButtons.size(); ++i) {
        QToolButton *button = penColorButtons.at(i);
        button->setStyleSheet(penColorButtonStyle(penColors.at(i).name(), i == penColorIndex));
        button->setChecked(i == penColorIndex);
    }
}

void MainWindow::splitPlaceholderCard()
{
    if (!placeholderCard || !placeholderLeftPanel || !placeholderRightPanel)
        return;
    const int available = qMax(0, placeholderCard->width() - 36);
    placeholderLeftPanel->setFixedWidth(available / 2);
    placeholderRightPanel->setFixedWidth(available - available / 2);
}

void MainWindow::placeBottomOverlay()
{
    if (!bottomFrame || !centralStack)
        return;
    const QRect stack = centralStack->geometry();
    if (!stack.isValid())
        return;
    const int height = qMax(44, bottomFrame->sizeHint().height());
    bottomFrame->setGeometry(stack.left(), stack.bottom() - height, qMax(stack.width(), 0), height);
    bottomFrame->show();
    bottomFrame->raise();
}

void MainWindow::refreshBottomOverlay()
{
    if (!bottomFrame)
        return;
    placeBottomOverlay();
    bottomFrame->show();
    bottomFrame->raise();
    bottomFrame->update();
    bottomFrame->repaint();

    // Property-dependent rules ("documentOpen") take effect only after the state change has
    // been polished, so the bar is polished once more on the next turn of the event loop.
    QPointer<QFrame> frame = bottomFrame;
    QPointer<QLabel> total = bottomTotalPageLabel;
    QTimer::singleShot(0, this, [this, frame, total] {
        if (!frame)
            return;
        placeBottomOverlay();
        frame->style()->unpolish(frame);
        frame->style()->polish(frame);
        frame->show();
        frame->raise();
        frame->update();
        frame->repaint();
        if (total)
            repolish(total);
    });
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == placeholderCard && event->type() == QEvent::Resize)
        splitPlaceholderCard();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    splitPlaceholderCard();
    if (bottomFrame) {
        placeBottomOverlay();
        bottomFrame->show();
        bottomFrame->raise();
        bottomFrame->update();
        bottomFrame->repaint();
    }
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
    if (signingPage)
        return;
    const QString path = QFileDialog::getOpenFileName(this, translated("choose_pdf"), QString(), translated("pdf_filter"));
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
    const QString path = QFileDialog::getSaveFileName(this, translated("save_pdf_as"), QString(), translated("pdf_filter"));
    if (!path.isEmpty())
        coreWidget->savePdf(path);
}

void MainWindow::closeDocument()
{
    if (signingPage)
        signingPage->close();
    coreWidget->closeDocument();
}

void MainWindow::loadTagTemplate()
{
    if (signingPage)
        return;
    const QString path =
        QFileDialog::getOpenFileName(this, translated("choose_template_json"), QString(), translated("json_filter"));
    if (!path.isEmpty())
        coreWidget->loadTemplateJson(path);
}

void MainWindow::saveTagTemplate()
{
    if (signingPage)
        return;
    const QString path =
        QFileDialog::getSaveFileName(this, translated("save_template_json"), QString(), translated("json_filter"));
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
    QTimer::singleShot(0, this, [this] {
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
            showInfo(translated("signing_completed_save_prompt"));
        }
    });
}

void MainWindow::openFingerprintDialogFromPdf()
{
    if (!fingerprintDialog) {
        const int threshold = config->value(QStringLiteral("fp/threshold")).toInt();
        QWidget *dialog = createFingerprintDialog(threshold);
        if (!dialog)
            return;
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
    config->saveConfig();
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
    penWidthPreview->setPixmap(QPixmap(QString::fromLatin1(penWidthIcons[index]))
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
