#include "MainWindow.h"

#include "MainWindowStyle.h"
#include "PdfSignCoreWidget.h"
#include "ToolbarActionButton.h"

#include <QButtonGroup>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

// What the main window looks like: its widget tree, texts, pen palette looks and the page bar
// that floats over the document area. The behaviour behind the controls is in MainWindow.cpp.

namespace {

bool englishActive()
{
    return LanguageManager::instance().currentLanguage() == LanguageManager::Language::English;
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
        button->setIcon(QIcon(penWidthIcon(i)));
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

