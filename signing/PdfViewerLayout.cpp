#include "PdfViewer.h"

#include "DeviceController.h"
#include "FittedText.h"
#include "LanguageManager.h"
#include "PdfHandler.h"
#include "PenDisplay.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedLayout>
#include <QVBoxLayout>
#include <QtDebug>

#include <algorithm>

// What the signing window shows and how it is operated: placement, widgets, the pages with
// their small picture cache, page and tag navigation, texts, mouse and pen input.

namespace {

QPushButton *styledButton(QWidget *parent, const char *styleType, int width, int height)
{
    auto *button = new QPushButton(parent);
    button->setProperty("styleType", QString::fromLatin1(styleType));
    button->setFixedSize(width, height);
    return button;
}

QString placeholderText(int page)
{
    return QStringLiteral("Page %1").arg(page + 1);
}

} // namespace

int PdfViewer::pitch() const
{
    return m_pageHeight + m_pageSpacing;
}

int PdfViewer::scrollValue() const
{
    return m_scrollArea->verticalScrollBar()->value();
}

void PdfViewer::setScrollValue(int value)
{
    m_scrollArea->verticalScrollBar()->setValue(value);
}

void PdfViewer::scrollSideways(int by)
{
    QScrollBar *sideways = m_scrollArea->horizontalScrollBar();
    sideways->setValue(sideways->value() + by);
}

int PdfViewer::coveredRight() const
{
    return m_prevTagBtn->isHidden() ? 0 : m_prevTagBtn->width();
}

void PdfViewer::setupUi()
{
    QFile style(QStringLiteral(":/new/qss/resource/pdfwindow_style.qss"));
    if (style.open(QIODevice::ReadOnly))
        setStyleSheet(QString::fromUtf8(style.readAll()));
    else
        qDebug() << "Failed to load QSS file: " << style.errorString();

    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setObjectName(QStringLiteral("m_scrollArea"));
    m_scrollArea->setWidgetResizable(false);
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollArea->setAlignment(Qt::AlignCenter);
    m_pdfContainerWidget = new QWidget;
    m_pdfContainerWidget->setObjectName(QStringLiteral("m_pdfContainerWidget"));
    auto *pages = new QVBoxLayout(m_pdfContainerWidget);
    pages->setAlignment(Qt::AlignCenter);
    pages->setSpacing(m_pageSpacing);
    pages->setContentsMargins(0, m_pageSpacing, 0, m_pageSpacing);
    m_scrollArea->setWidget(m_pdfContainerWidget);

    m_cancelBtn = styledButton(this, "2", 140, 90);
    m_prevPageBtn = styledButton(this, "1", 140, 90);
    m_nextPageBtn = styledButton(this, "1", 140, 90);
    m_okBtn = styledButton(this, "1", 140, 90);
    m_signBtn = styledButton(this, "1", 140, 90);
    m_fpBtn = styledButton(this, "1", 160, 90);
    m_prevTagBtn = styledButton(this, "3", 130, 40);
    m_nextTagBtn = styledButton(this, "3", 130, 40);
    m_pageNumberLabel = new QLabel(this);
    m_pageNumberLabel->setObjectName(QStringLiteral("pageNumberLabel"));
    m_pageNumberLabel->setFixedSize(140, 90);
    m_pageNumberLabel->setAlignment(Qt::AlignCenter);
    m_tagNumberLabel = new QLabel(this);
    m_tagNumberLabel->setObjectName(QStringLiteral("tagNumberLabel"));
    m_tagNumberLabel->setFixedSize(130, 40);
    m_tagNumberLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_signBtn->setEnabled(false);
    m_fpBtn->setEnabled(false);
    m_okBtn->setEnabled(false);

    auto *tagNavigator = new QVBoxLayout;
    tagNavigator->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    tagNavigator->setSpacing(0);
    tagNavigator->setContentsMargins(0, 0, 0, 0);
    tagNavigator->addStretch();
    tagNavigator->addWidget(m_prevTagBtn);
    tagNavigator->addWidget(m_tagNumberLabel);
    tagNavigator->addWidget(m_nextTagBtn);
    tagNavigator->addStretch();
    for (QWidget *widget : {static_cast<QWidget *>(m_prevTagBtn), static_cast<QWidget *>(m_tagNumberLabel),
                            static_cast<QWidget *>(m_nextTagBtn)})
        widget->setVisible(!m_options[TagBtnHidden]);

    auto *overlay = new QWidget(this);
    overlay->setObjectName(QStringLiteral("overlayWidget"));
    overlay->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    overlay->setStyleSheet(QStringLiteral("background transparent;"));
    auto *overlayRow = new QHBoxLayout;
    overlayRow->addWidget(overlay);
    overlayRow->addLayout(tagNavigator);

    auto *buttonWidget = new QWidget(this);
    buttonWidget->setObjectName(QStringLiteral("buttonWidget"));
    auto *buttonBar = new QHBoxLayout(buttonWidget);
    buttonBar->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    buttonBar->setSpacing(0);
    buttonBar->setContentsMargins(0, 0, 0, 0);
    buttonBar->addStretch();
    for (QWidget *widget : std::initializer_list<QWidget *>{m_cancelBtn, m_prevPageBtn, m_pageNumberLabel,
                                                             m_nextPageBtn, m_signBtn, m_fpBtn, m_okBtn})
        buttonBar->addWidget(widget);
    buttonBar->addStretch();

    m_floatingWidget = new QWidget(this);
    m_floatingWidget->setObjectName(QStringLiteral("floatingWidget"));
    auto *floating = new QVBoxLayout(m_floatingWidget);
    floating->setSpacing(0);
    floating->setContentsMargins(0, 0, 0, 0);
    floating->addLayout(overlayRow);
    floating->addWidget(buttonWidget);

    auto *stack = new QStackedLayout(this);
    stack->setStackingMode(QStackedLayout::StackAll);
    stack->addWidget(m_floatingWidget);
    stack->addWidget(m_scrollArea);
    stack->setCurrentWidget(m_floatingWidget);

    connect(m_cancelBtn, &QPushButton::clicked, this, &PdfViewer::onCancelBtnClicked);
    connect(m_prevPageBtn, &QPushButton::clicked, this, &PdfViewer::goToPreviousPage);
    connect(m_nextPageBtn, &QPushButton::clicked, this, &PdfViewer::goToNextPage);
    connect(m_okBtn, &QPushButton::clicked, this, &PdfViewer::onOkBtnClicked);
    connect(m_signBtn, &QPushButton::clicked, this, &PdfViewer::onSignBtnClicked);
    connect(m_fpBtn, &QPushButton::clicked, this, &PdfViewer::onFPBtnClicked);
    connect(m_prevTagBtn, &QPushButton::clicked, this, &PdfViewer::goToPreviousTag);
    connect(m_nextTagBtn, &QPushButton::clicked, this, &PdfViewer::goToNextTag);
    connect(m_scrollArea->verticalScrollBar(), &QScrollBar::valueChanged, this, &PdfViewer::onScrollBarValueChanged);
    connect(m_pdfHandler.data(), &PdfHandler::pdfGotoPage, this, &PdfViewer::gotoPage);
}

void PdfViewer::retranslateUi()
{
    const LanguageManager &language = LanguageManager::instance();
    const std::pair<QPushButton *, const char *> texts[] = {
        {m_cancelBtn, "cancel"}, {m_prevPageBtn, "prev_page"}, {m_nextPageBtn, "next_page"},
        {m_okBtn, "ok"},         {m_signBtn, "sign"},          {m_fpBtn, "fingerprint"},
        {m_prevTagBtn, "prev_tag"}, {m_nextTagBtn, "next_tag"},
    };
    // The English word does not fit the button at the bar's size.
    const QString fingerprintSheet = language.currentLanguage() == LanguageManager::Language::English
                                         ? QStringLiteral("font-size: 14pt;")
                                         : QString();
    for (const auto &text : texts) {
        if (text.first)
            setFittedText(text.first, language.translate(QString::fromLatin1(text.second)),
                          text.first == m_fpBtn ? fingerprintSheet : QString());
    }
}

void PdfViewer::placeOnScreen()
{
    setGeometry(targetScreen(m_deviceController->isScreenDevice())->geometry());
    layout()->activate();
}

void PdfViewer::computePenScale()
{
    // Fixed at construction: a device that becomes a pen display later is not followed.
    if (!m_deviceController->isScreenDevice())
        return;
    const int tabletWidth = m_deviceController->tabletWidth();
    const int tabletHeight = m_deviceController->tabletHeight();
    if (tabletWidth <= 0 || tabletHeight <= 0)
        return;
    // The same screen the window is placed on, so taps land where the buttons are.
    const QRect screen = targetScreen(true)->geometry();
    m_penScreenOrigin = screen.topLeft();
    m_scaleX = float(screen.width()) / float(unsigned(tabletWidth));
    m_scaleY = float(screen.height()) / float(unsigned(tabletHeight));
}

void PdfViewer::buildPageLabels()
{
    qDeleteAll(m_pageLabels);
    m_pageLabels.clear();
    m_pageCache.clear();
    if (m_pageCount == 0 || !m_pdfHandler) {
        qWarning() << "No pages to render or PDF handler is not initialized.";
        return;
    }
    const QImage first = m_pdfHandler->renderPage(0);
    if (first.isNull()) {
        qWarning() << "Failed to load first page image.";
        return;
    }
    m_firstPageSize = first.size();
    m_pageHeight = int(first.height() * m_zoom);
    // In integers: the ratio in floating point loses the last pixel of exact fractions.
    const int pageWidth = int(qint64(m_pageHeight) * first.width() / first.height());
    for (int i = 0; i < m_pageCount; ++i) {
        auto *label = new QLabel(m_pdfContainerWidget);
        label->setFixedSize(pageWidth, m_pageHeight);
        label->setAlignment(Qt::AlignCenter);
        label->setText(placeholderText(i));
        label->setProperty("pageIndex", i);
        m_pdfContainerWidget->layout()->addWidget(label);
        m_pageLabels.append(label);
    }
    // A page wider than the view scrolls sideways, with room on its right to come out from
    // under the tag buttons; the last page's foot comes out from under the button bar.
    QMargins margins = m_pdfContainerWidget->layout()->contentsMargins();
    margins.setRight(pageWidth > m_scrollArea->maximumViewportSize().width() - coveredRight() ? coveredRight() : 0);
    margins.setBottom(std::max(m_pageSpacing, m_cancelBtn->height()));
    m_pdfContainerWidget->layout()->setContentsMargins(margins);
    m_pdfContainerWidget->setFixedSize(pageWidth + margins.left() + margins.right(),
                                       margins.top() + margins.bottom() + m_pageHeight * m_pageCount
                                           + m_pageSpacing * (m_pageCount - 1));
    renderVisiblePages(false);
}

void PdfViewer::renderVisiblePages(bool force)
{
    if (m_pageLabels.isEmpty() || m_pageCount == 0)
        return;
    const int top = scrollValue();
    const int height = m_scrollArea->viewport()->height();
    m_firstVisiblePage = std::clamp(top / pitch(), 0, m_pageCount - 1);
    m_lastVisiblePage = std::clamp((top + height) / pitch(), 0, m_pageCount - 1);
    const int from = std::max(0, m_firstVisiblePage - 1);
    const int to = std::min(m_pageCount - 1, m_lastVisiblePage + 1);

    for (int i = from; i <= to; ++i) {
        if (m_pageCache.contains(i) && !force)
            continue;
        QImage image = m_pdfHandler->renderPage(i);
        if (image.isNull()) {
            qWarning() << "Failed to load image for page" << i;
            continue;
        }
        QLabel *label = m_pageLabels.at(i);
        label->setPixmap(QPixmap::fromImage(image).scaled(label->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
        m_pageCache.insert(i, new QImage(std::move(image)), 1);
    }
    for (int i : m_pageCache.keys()) {
        if (i >= from && i <= to)
            continue;
        m_pageCache.remove(i);
        m_pageLabels.at(i)->clear();
        m_pageLabels.at(i)->setText(placeholderText(i));
    }
}

void PdfViewer::onScrollBarValueChanged(int value)
{
    if (m_pageLabels.isEmpty())
        return;
    renderVisiblePages(false);
    const int index = std::clamp(value / pitch(), 0, m_pageCount - 1);
    if (index != m_currentPage) {
        m_currentPage = index;
        updatePageLabel();
    }
}

void PdfViewer::updatePageLabel()
{
    setFittedText(m_pageNumberLabel, QStringLiteral("%1/%2").arg(m_currentPage + 1).arg(m_pageCount));
    m_prevPageBtn->setEnabled(m_currentPage >= 1);
    m_nextPageBtn->setEnabled(m_currentPage < m_pageCount - 1);
    update();
}

void PdfViewer::updateTagLabel()
{
    if (m_tagCount < 1) {
        setFittedText(m_tagNumberLabel, QStringLiteral("0/0"));
        m_prevTagBtn->setEnabled(false);
        m_nextTagBtn->setEnabled(false);
    } else {
        const int k = std::clamp(m_displayTagIndex, 1, m_tagCount);
        setFittedText(m_tagNumberLabel, QStringLiteral("%1/%2").arg(k).arg(m_tagCount));
        m_prevTagBtn->setEnabled(k > 1);
        m_nextTagBtn->setEnabled(k < m_tagCount);
    }
    update();
}

void PdfViewer::raiseControls()
{
    m_floatingWidget->raise();
    m_floatingWidget->update();
}

void PdfViewer::goToNextPage()
{
    if (m_currentPage < m_pageCount - 1) {
        ++m_currentPage;
        setScrollValue(pitch() * m_currentPage);
        updatePageLabel();
    }
    raiseControls();
}

void PdfViewer::goToPreviousPage()
{
    if (m_currentPage > 0) {
        --m_currentPage;
        setScrollValue(pitch() * m_currentPage);
        updatePageLabel();
    }
    raiseControls();
}

void PdfViewer::gotoPage(int pageNumber)
{
    if (pageNumber < 1 || pageNumber > m_pageCount) {
        qWarning() << "Invalid page number:" << pageNumber;
        return;
    }
    m_currentPage = pageNumber - 1;
    setScrollValue(pitch() * m_currentPage);
    updatePageLabel();
}

void PdfViewer::goToNextTag()
{
    if (m_displayTagIndex < m_tagCount)
        goToTag(m_displayTagIndex);
    raiseControls();
}

void PdfViewer::goToPreviousTag()
{
    if (m_displayTagIndex > 1)
        goToTag(m_displayTagIndex - 2);
    raiseControls();
}

void PdfViewer::goToTag(int index)
{
    if (index < 0 || index >= m_tagCount || !m_scrollArea)
        return;
    const PdfSignTag &tag = m_signData.tags.at(index);
    const QRectF box = tagInPageBox(tag);
    const int viewportHeight = m_scrollArea->viewport()->height();
    setScrollValue(pitch() * (tag.page - 1) + qRound(box.y()) + qRound(box.height() * 0.5) - viewportHeight / 2);
    // Sideways the whole box, centred in what the tag buttons leave; a box wider than that
    // shows its left part.
    const int left = qRound(box.x());
    const int visible = m_scrollArea->viewport()->width() - coveredRight();
    m_scrollArea->horizontalScrollBar()->setValue(std::min(left, left + qRound(box.width() * 0.5) - visible / 2));
    m_displayTagIndex = index + 1;
    updateTagLabel();
}

QRectF PdfViewer::tagInPageBox(const PdfSignTag &tag) const
{
    double scale = m_zoom;
    QPointF offset;
    const QSize image = m_pdfHandler->pageImageSize(tag.page - 1);
    if (!image.isEmpty() && image != m_firstPageSize && !m_pageLabels.isEmpty()) {
        // As renderVisiblePages scales the picture and the label centres it.
        const QSize box = m_pageLabels.first()->size();
        const QSize shown = image.scaled(box, Qt::KeepAspectRatio);
        scale = double(shown.width()) / image.width();
        offset = QPointF((box.width() - shown.width()) / 2, (box.height() - shown.height()) / 2);
    }
    return QRectF(offset.x() + tag.x * scale, offset.y() + tag.y * scale, tag.w * scale, tag.h * scale);
}

void PdfViewer::pdfWriteImage()
{
    renderVisiblePages(true);
}

void PdfViewer::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && !m_options[ScrollDisable]) {
        m_mouseDragging = true;
        m_lastMousePos = event->pos();
        setCursor(Qt::ClosedHandCursor);
    }
    // The controls float over the pages, so the label under a press is found by position.
    const QWidget *under = m_pdfContainerWidget->childAt(m_pdfContainerWidget->mapFrom(this, event->pos()));
    if (under && under->property("pageIndex").isValid())
        qDebug() << "Clicked page index:" << under->property("pageIndex").toInt();
}

void PdfViewer::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_mouseDragging || m_options[ScrollDisable])
        return;
    setScrollValue(scrollValue() + m_lastMousePos.y() - event->pos().y());
    scrollSideways(m_lastMousePos.x() - event->pos().x());
    m_lastMousePos = event->pos();
}

void PdfViewer::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && !m_options[ScrollDisable]) {
        m_mouseDragging = false;
        setCursor(Qt::ArrowCursor);
    }
}

QList<QPushButton *> PdfViewer::tappableButtons() const
{
    // The question before dropping the captures is modal: the pen answers it and nothing else.
    if (m_dropQuestion)
        return m_dropQuestion->findChildren<QPushButton *>();
    QList<QPushButton *> buttons = {m_cancelBtn, m_prevPageBtn, m_nextPageBtn, m_okBtn};
    // Hidden tag buttons are not there for the signer to tap.
    for (QPushButton *button : {m_signBtn, m_fpBtn, m_prevTagBtn, m_nextTagBtn}) {
        if (button && !button->isHidden())
            buttons.append(button);
    }
    return buttons;
}

void PdfViewer::handlePenPacket(TABLET_PACKET packet)
{
    if (!m_deviceController->isScreenDevice())
        return;
    const QPointF pen(float(quint32(packet.x)) * m_scaleX, float(quint32(packet.y)) * m_scaleY);
    if (!m_isBusy && !m_options[ScrollDisable]) {
        if (packet.status == 1) {
            m_penDragging = true;
            m_lastPenPos = pen;
        } else if (packet.status == 2 && m_penDragging) {
            setScrollValue(scrollValue() - qRound(pen.y() - m_lastPenPos.y()));
            scrollSideways(-qRound(pen.x() - m_lastPenPos.x()));
            m_lastPenPos = pen;
        } else if (packet.status == 3) {
            m_penDragging = false;
        }
    }
    const QPoint point = pen.toPoint();
    const QPoint global = point + m_penScreenOrigin;
    for (QPushButton *button : tappableButtons()) {
        const QRect rect(button->mapToGlobal(QPoint(0, 0)) - m_penScreenOrigin, button->size());
        // A window lying over this one (the writing board, the fingerprint dialog) takes the
        // tap: for the buttons below it the pen is elsewhere.
        clickAt(button, penReaches(button, global) ? rect : QRect(), point, packet.status);
    }
}
