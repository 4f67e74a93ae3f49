#include "PdfSignCoreWidget.h"

#include "ConfigManager.h"
#include "DeviceHubLink.h"
#include "LanguageManager.h"
#include "PdfHandler.h"
#include "SafeCopy.h"
#include "TagGeometry.h"
#include "TagMenu.h"
#include "TagPainter.h"
#include "TagTemplate.h"
#include "TagUnits.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QResizeEvent>
#include <QSaveFile>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int PageCacheSize = 6;
constexpr int VisibilityBand = 20;
constexpr char PageIndexProperty[] = "pageIndex";

QString placeholder(int index)
{
    return QStringLiteral("Page %1").arg(index + 1);
}

bool showsPixmap(const QLabel *label)
{
    return !label->pixmap(Qt::ReturnByValue).isNull();
}

} // namespace

PdfSignCoreWidget::PdfSignCoreWidget(QSharedPointer<ConfigManager> configManager, QWidget *parent)
    : QWidget(parent)
    , config(std::move(configManager))
    , handler(PdfHandler::instance())
{
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);

    scrollArea = new QScrollArea(this);
    scrollArea->setWidgetResizable(true);
    scrollArea->setFrameShape(QFrame::NoFrame);
    scrollArea->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    outer->addWidget(scrollArea);

    container = new QWidget(scrollArea);
    // One sheet for every page label: a sheet of its own would be parsed once per page.
    container->setStyleSheet(QStringLiteral("QLabel#pdfPageLabel { background-color: white; border: 1px solid #dcdcdc; }"));
    containerLayout = new QVBoxLayout(container);
    containerLayout->setContentsMargins(0, 12, 0, 120);
    containerLayout->setSpacing(20);
    containerLayout->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    scrollArea->setWidget(container);
    scrollArea->viewport()->installEventFilter(this);
    container->installEventFilter(this);

    pageCache.setMaxCost(PageCacheSize);

    connect(scrollArea->verticalScrollBar(), &QScrollBar::valueChanged, this, &PdfSignCoreWidget::onScrollBarValueChanged);
    connect(&LanguageManager::instance(), &LanguageManager::languageChanged, this, &PdfSignCoreWidget::onLanguageChanged);
}

PdfSignCoreWidget::~PdfSignCoreWidget() = default;

// ---------------------------------------------------------------------------------------------
// Pages on screen

void PdfSignCoreWidget::resetView()
{
    clearDrag();
    basePageSize = QSize();
    pageCache.clear();
    pages.clear();
    while (QLayoutItem *item = containerLayout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
}

void PdfSignCoreWidget::rebuildPages()
{
    resetView();
    if (m_pageCount <= 0 || !handler)
        return;
    const QImage first = pageImage(0);
    if (first.isNull())
        return;
    basePageSize = first.size();
    pages.reserve(m_pageCount);
    for (int i = 0; i < m_pageCount; ++i) {
        auto *label = new QLabel(container);
        label->setObjectName(QStringLiteral("pdfPageLabel"));
        label->setProperty(PageIndexProperty, i);
        label->setAlignment(Qt::AlignCenter);
        label->setText(placeholder(i));
        label->installEventFilter(this);
        label->setMouseTracking(true); // hover cursors over the tags
        containerLayout->addWidget(label, 0, Qt::AlignHCenter);
        label->show(); // the layout would show it only on a later turn, and skips it until then
        pages.append(PageEntry{label, basePageSize, QSize(), 1.0});
    }
    layoutPages();
    renderVisiblePages(true);
}

void PdfSignCoreWidget::layoutPages()
{
    if (pages.isEmpty())
        return;
    // Room for the scroll bar is kept whether it shows or not: its coming and going must not
    // change the page width (which could make it come and go again).
    const int viewportWidth = scrollArea->maximumViewportSize().width() - scrollArea->verticalScrollBar()->sizeHint().width();
    const int width = TagGeometry::displayWidth(viewportWidth, basePageSize);
    for (PageEntry &entry : pages) {
        if (!entry.imageSize.isValid() || entry.imageSize.width() <= 0)
            continue;
        const int height = std::max(1, qRound(double(entry.imageSize.height()) * width / entry.imageSize.width()));
        entry.pageScale = double(width) / entry.imageSize.width();
        const QSize size(width, height);
        if (entry.label->size() != size)
            entry.renderedSize = QSize();
        entry.label->setFixedSize(size);
    }
    // The scroll area sizes its widget only on a posted layout request; have it done now, so
    // the label geometries (visibility, current page, scroll targets) are current.
    containerLayout->activate();
    QEvent request(QEvent::LayoutRequest);
    QCoreApplication::sendEvent(scrollArea, &request);
    containerLayout->invalidate();
    containerLayout->activate();
}

QImage PdfSignCoreWidget::pageImage(int index)
{
    if (const QImage *cached = pageCache.object(index))
        return *cached;
    const QImage image = handler->renderPage(index);
    if (!image.isNull())
        pageCache.insert(index, new QImage(image), 1);
    return image;
}

void PdfSignCoreWidget::renderPageLabel(int index)
{
    if (index < 0 || index >= pages.size())
        return;
    QLabel *label = pages[index].label;
    // While a tag is dragged its page is redrawn on every move: scale the page once per drag.
    const bool dragged = dragging && index == dragPage;
    if (dragged && !dragBackdrop.isNull() && dragBackdrop.size() == label->size()) {
        drawLabelPixmap(index, dragBackdrop);
        return;
    }
    const QImage image = pageImage(index);
    if (image.isNull()) {
        label->clear();
        label->setText(placeholder(index));
        return;
    }
    if (image.size().isValid() && image.size() != pages[index].imageSize) {
        pages[index].imageSize = image.size();
        layoutPages();
    }
    const QSize size = label->size();
    if (size.isEmpty())
        return;

    const QImage scaled = image.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (dragged)
        dragBackdrop = scaled;
    drawLabelPixmap(index, scaled);
}

void PdfSignCoreWidget::drawLabelPixmap(int index, const QImage &page)
{
    QLabel *label = pages[index].label;
    QPixmap pixmap = QPixmap::fromImage(page);
    {
        QPainter painter(&pixmap);
        for (int i = 0; i < signData.tags.size(); ++i) {
            const PdfSignTag &tag = signData.tags.at(i);
            // Captured images are already in the page image; only open tags get a frame.
            if (tag.page == index + 1 && tag.signImage.isEmpty() && tag.fpImage.isEmpty())
                TagPainter::drawTag(painter, tagDisplayRect(i), tag.type, tag.title);
        }
    }
    label->setPixmap(pixmap);
    pages[index].renderedSize = label->size();
}

void PdfSignCoreWidget::releasePageLabel(int index)
{
    QLabel *label = pages[index].label;
    label->clear();
    label->setText(placeholder(index));
    pages[index].renderedSize = QSize();
}

void PdfSignCoreWidget::renderVisiblePages(bool force)
{
    if (pages.isEmpty())
        return;
    const int top = scrollArea->verticalScrollBar()->value();
    const int bottom = top + scrollArea->viewport()->height();
    int first = -1;
    int last = -1;
    for (int i = 0; i < pages.size(); ++i) {
        const QRect g = pages[i].label->geometry().adjusted(0, -VisibilityBand, 0, VisibilityBand);
        if (g.bottom() >= top && g.top() <= bottom) {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    if (first < 0)
        first = last = std::clamp(m_currentPage - 1, 0, pages.size() - 1);
    const int from = std::max(0, first - 1);
    const int to = std::min(pages.size() - 1, last + 1);

    for (int i = 0; i < pages.size(); ++i) {
        const PageEntry &entry = pages[i];
        if (i < from || i > to) {
            if (showsPixmap(entry.label))
                releasePageLabel(i);
            continue;
        }
        const bool stale = entry.renderedSize != entry.label->size() || !entry.label->text().isEmpty()
            || !showsPixmap(entry.label);
        if (force || (dragging && dragPage == i) || stale)
            renderPageLabel(i);
    }
}

void PdfSignCoreWidget::updateCurrentPage()
{
    if (pages.isEmpty())
        return;
    const int probe = scrollArea->verticalScrollBar()->value() + scrollArea->viewport()->height() / 3;
    int index = -1;
    for (int i = 0; i < pages.size(); ++i) {
        const QRect g = pages[i].label->geometry();
        if (g.top() <= probe && probe <= g.bottom()) {
            index = i;
            break;
        }
    }
    if (index < 0) {
        int best = -1;
        for (int i = 0; i < pages.size(); ++i) {
            const QRect g = pages[i].label->geometry();
            const int distance = std::min(std::abs(probe - g.top()), std::abs(probe - g.bottom()));
            if (best < 0 || distance < best) {
                best = distance;
                index = i;
            }
        }
    }
    if (index + 1 != m_currentPage) {
        m_currentPage = index + 1;
        emit pageInfoChanged(m_currentPage, m_pageCount);
    }
}

void PdfSignCoreWidget::scrollToPage(int index)
{
    if (index < 0 || index >= pages.size())
        return;
    containerLayout->activate();
    suppressPageUpdate = true;
    scrollArea->verticalScrollBar()->setValue(std::max(0, pages[index].label->geometry().top()));
    suppressPageUpdate = false;
    m_currentPage = index + 1;
    emit pageInfoChanged(index + 1, m_pageCount);
    renderVisiblePages(false);
}

void PdfSignCoreWidget::onScrollBarValueChanged(int)
{
    if (!m_hasDocument)
        return;
    renderVisiblePages(false);
    if (!suppressPageUpdate)
        updateCurrentPage();
}

void PdfSignCoreWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (!m_hasDocument || pages.isEmpty())
        return;
    QScrollBar *bar = scrollArea->verticalScrollBar();
    const int anchor = std::max(0, std::min(pages.size(), m_currentPage) - 1);
    const int offset = bar->value() - pages[anchor].label->geometry().top();
    layoutPages();
    renderVisiblePages(true);
    suppressPageUpdate = true;
    bar->setValue(std::max(0, pages[anchor].label->geometry().top() + offset));
    suppressPageUpdate = false;
    updateCurrentPage();
}

QRect PdfSignCoreWidget::tagDisplayRect(int index) const
{
    if (index < 0 || index >= signData.tags.size())
        return QRect();
    const PdfSignTag &tag = signData.tags.at(index);
    if (tag.page < 1 || tag.page > pages.size())
        return QRect();
    const double s = pages[tag.page - 1].pageScale;
    return QRect(TagUnits::toDisplay(tag.x, s), TagUnits::toDisplay(tag.y, s), TagUnits::toDisplay(tag.w, s),
                 TagUnits::toDisplay(tag.h, s));
}

int PdfSignCoreWidget::tagIndexAt(int pageIndex, const QPoint &point) const
{
    for (int i = signData.tags.size() - 1; i >= 0; --i) {
        if (signData.tags.at(i).page == pageIndex + 1 && tagDisplayRect(i).contains(point))
            return i;
    }
    return -1;
}

int PdfSignCoreWidget::hitTestTagEdge(int index, const QPoint &point) const
{
    return TagGeometry::hitTestEdges(tagDisplayRect(index), point);
}

void PdfSignCoreWidget::gotoPage(int page)
{
    if (!m_hasDocument)
        return;
    if (page < 1 || page > m_pageCount) {
        emit errorMessage(translated("page_invalid"));
        return;
    }
    scrollToPage(page - 1);
}

void PdfSignCoreWidget::nextPage()
{
    gotoPage(m_currentPage + 1);
}

void PdfSignCoreWidget::previousPage()
{
    gotoPage(m_currentPage - 1);
}

void PdfSignCoreWidget::goToTag(int index)
{
    if (index < 0 || index >= signData.tags.size())
        return;
    scrollToPage(std::max(0, std::min(m_pageCount, signData.tags.at(index).page) - 1));
}

void PdfSignCoreWidget::setEditEnabled(bool on)
{
    editEnabled = on;
    endDrag();
    if (!on) {
        for (const PageEntry &entry : qAsConst(pages))
            entry.label->unsetCursor();
    }
}

void PdfSignCoreWidget::setPenColor(const QColor &colour)
{
    DeviceHubLink::setPenColor(colour.red(), colour.green(), colour.blue());
}

void PdfSignCoreWidget::setPenWidth(int minimum, int maximum)
{
    DeviceHubLink::setPenSize(minimum, maximum);
}

// ---------------------------------------------------------------------------------------------
// Tags

bool PdfSignCoreWidget::addTagAtCenter()
{
    if (!m_hasDocument)
        return false;
    if (pages.isEmpty())
        rebuildPages();
    if (pages.isEmpty())
        return false;

    QWidget *viewport = scrollArea->viewport();
    const QPoint centre = container->mapFrom(viewport, QPoint(viewport->width() / 2, viewport->height() / 2));
    QVector<QRect> geometries;
    geometries.reserve(pages.size());
    for (const PageEntry &entry : pages)
        geometries.append(entry.label->geometry());
    const int target = TagGeometry::nearestRect(geometries, centre, std::clamp(m_currentPage - 1, 0, pages.size() - 1));

    QLabel *label = pages[target].label;
    if (label->width() <= 0 || label->height() <= 0)
        return false;
    const QRect rect = TagGeometry::centredTag(label->size(), label->mapFrom(container, centre),
                                               config->value(QStringLiteral("sign/tagWidth")).toInt(),
                                               config->value(QStringLiteral("sign/tagHeight")).toInt());
    int type = config->value(QStringLiteral("sign/defaultType")).toInt();
    if (type != PdfSignTag::SignOnly && type != PdfSignTag::FpOnly && type != PdfSignTag::SignAndFp)
        type = PdfSignTag::SignOnly;
    return addTag(target, rect, type);
}

bool PdfSignCoreWidget::addTag(int pageIndex, const QRect &rect, int type)
{
    if (pageIndex < 0 || pageIndex >= pages.size() || pages[pageIndex].pageScale <= 0)
        return false;
    const double s = pages[pageIndex].pageScale;
    PdfSignTag tag;
    tag.page = pageIndex + 1;
    tag.x = TagUnits::fromDisplay(rect.x(), s);
    tag.y = TagUnits::fromDisplay(rect.y(), s);
    tag.w = TagUnits::fromDisplay(rect.width(), s);
    tag.h = TagUnits::fromDisplay(rect.height(), s);
    tag.setType(type);
    signData.tags.append(tag);
    signData.sortTags();
    refreshTags(false);
    emit tagCountChanged(signData.tags.size());
    return true;
}

void PdfSignCoreWidget::handOver()
{
    signData.retitleTags();
    handler->setSignData(signData, true);
}

void PdfSignCoreWidget::refreshTags(bool keepCache)
{
    handOver();
    if (!m_hasDocument)
        return;
    if (!keepCache)
        pageCache.clear();
    if (pages.isEmpty()) {
        rebuildPages();
        return;
    }
    layoutPages();
    renderVisiblePages(true);
    updateCurrentPage();
}

void PdfSignCoreWidget::onLanguageChanged()
{
    refreshTags(true);
}

// ---------------------------------------------------------------------------------------------
// Mouse editing

bool PdfSignCoreWidget::eventFilter(QObject *watched, QEvent *event)
{
    auto *label = qobject_cast<QLabel *>(watched);
    if (m_hasDocument && label && editEnabled) {
        bool ok = false;
        const int pageIndex = label->property(PageIndexProperty).toInt(&ok);
        if (ok && pageIndex >= 0 && pageIndex < pages.size() && pages[pageIndex].label == label)
            return handleLabelEvent(label, pageIndex, event);
    }
    return QWidget::eventFilter(watched, event);
}

bool PdfSignCoreWidget::handleLabelEvent(QLabel *label, int pageIndex, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton) {
            const int index = tagIndexAt(pageIndex, mouse->pos());
            const int edges = index < 0 ? -1 : hitTestTagEdge(index, mouse->pos());
            if (edges >= 0) {
                dragLabel = label;
                dragPage = pageIndex;
                dragTag = index;
                dragEdges = edges;
                dragging = true;
                dragStartRect = tagDisplayRect(index);
                pressPosition = mouse->pos();
                label->setCursor(TagGeometry::cursorForEdges(edges));
            }
            return true;
        }
        if (mouse->button() == Qt::RightButton) {
            // The menu runs its own event loop: a drag must not stay half done behind it.
            if (dragging)
                finishDrag();
            return showTagMenu(pageIndex, mouse->pos(), mouse->globalPos());
        }
        return QWidget::eventFilter(label, event);
    }
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (dragging && label == dragLabel && dragTag >= 0) {
            dragTo(mouse->pos());
            return true;
        }
        const int index = tagIndexAt(pageIndex, mouse->pos());
        label->setCursor(index < 0 ? Qt::ArrowCursor : TagGeometry::cursorForEdges(hitTestTagEdge(index, mouse->pos())));
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && dragging && label == dragLabel) {
            finishDrag();
            const int index = tagIndexAt(pageIndex, mouse->pos());
            label->setCursor(index < 0 ? Qt::ArrowCursor : TagGeometry::cursorForEdges(hitTestTagEdge(index, mouse->pos())));
            return true;
        }
        return QWidget::eventFilter(label, event);
    }
    case QEvent::Leave:
        label->setCursor(Qt::ArrowCursor);
        return true;
    default:
        return QWidget::eventFilter(label, event);
    }
}

void PdfSignCoreWidget::dragTo(const QPoint &position)
{
    const QSize bounds = dragLabel->size();
    QRect r = dragEdges == 0 ? TagGeometry::moved(dragStartRect, position - pressPosition, bounds)
                             : TagGeometry::resized(dragStartRect, dragEdges, position, bounds);
    r = r.normalized();
    if (dragTag >= signData.tags.size())
        return;
    PdfSignTag &tag = signData.tags[dragTag];
    if (tag.page < 1 || tag.page > pages.size() || pages[tag.page - 1].pageScale <= 0)
        return;
    const double s = pages[tag.page - 1].pageScale;
    tag.x = TagUnits::fromDisplay(r.x(), s);
    tag.y = TagUnits::fromDisplay(r.y(), s);
    tag.w = TagUnits::fromDisplay(r.width(), s);
    tag.h = TagUnits::fromDisplay(r.height(), s);
    renderPageLabel(dragPage);
}

void PdfSignCoreWidget::finishDrag()
{
    const int page = dragPage; // endDrag redraws it
    const bool holdsImage = dragTag >= 0 && dragTag < signData.tags.size()
        && (!signData.tags.at(dragTag).signImage.isEmpty() || !signData.tags.at(dragTag).fpImage.isEmpty());
    handOver();
    // A captured image is part of the cached page image: that page must be drawn afresh.
    if (holdsImage)
        pageCache.remove(page);
    endDrag();
}

void PdfSignCoreWidget::endDrag()
{
    const int oldPage = dragPage;
    clearDrag();
    if (m_hasDocument && oldPage >= 0 && oldPage < pages.size())
        renderPageLabel(oldPage);
}

void PdfSignCoreWidget::clearDrag()
{
    dragging = false;
    dragLabel = nullptr;
    dragPage = -1;
    dragStartRect = QRect();
    dragTag = -1;
    dragEdges = 0;
    pressPosition = QPoint();
    dragBackdrop = QImage();
}

bool PdfSignCoreWidget::showTagMenu(int pageIndex, const QPoint &position, const QPoint &globalPosition)
{
    const int index = tagIndexAt(pageIndex, position);
    if (index < 0)
        return true;
    const PdfSignTag before = signData.tags.at(index);
    const QPointer<PdfSignCoreWidget> alive(this);
    const TagMenu::Choice choice = TagMenu::exec(this, globalPosition);
    if (!alive || choice == TagMenu::None)
        return true;

    // The list may have changed while the menu was open; act only on the same tag.
    auto sameTag = [&before](const PdfSignTag &t) {
        return t.page == before.page && t.x == before.x && t.y == before.y && t.w == before.w && t.h == before.h
            && t.type == before.type && t.signImage == before.signImage && t.fpImage == before.fpImage;
    };
    int current = index;
    if (current >= signData.tags.size() || !sameTag(signData.tags.at(current))) {
        current = -1;
        for (int i = signData.tags.size() - 1; i >= 0 && current < 0; --i) {
            if (sameTag(signData.tags.at(i)))
                current = i;
        }
    }
    if (current < 0)
        return true;

    if (choice == TagMenu::Delete) {
        signData.tags.removeAt(current);
        refreshTags(false);
        emit tagCountChanged(signData.tags.size());
        return true;
    }
    if (int(choice) != signData.tags.at(current).type) {
        signData.tags[current].setType(int(choice));
        refreshTags(false);
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Documents

bool PdfSignCoreWidget::openPdf(const QString &path)
{
    if (path.isEmpty())
        return false;
    DeviceHubLink::endSignature();
    handler->closeDocument();
    handler->setReadOnly(false);
    if (!handler->loadDocument(path)) {
        // The holder has dropped the previous document: show it again, or show nothing.
        if (!m_hasDocument || m_pdfPath.isEmpty() || !reopen(m_currentPage - 1))
            enterNoDocument();
        emit errorMessage(translated("open_failed"));
        return false;
    }

    m_pdfPath = path;
    m_hasDocument = true;
    m_currentPage = 1;
    m_pageCount = handler->pageCount();
    signData.tags.clear();
    editEnabled = false;
    // The old document's pages and images must not show under the new one's name.
    resetView();
    handOver();
    emit documentStateChanged(true);
    emit pageInfoChanged(1, m_pageCount);
    emit tagCountChanged(0);

    const quint64 generation = ++openGeneration;
    QTimer::singleShot(0, this, [this, generation] {
        if (generation != openGeneration || !m_hasDocument)
            return;
        rebuildPages();
        scrollToPage(0);
        emit pageInfoChanged(m_currentPage, m_pageCount);
    });
    return true;
}

bool PdfSignCoreWidget::reopen(int keepIndex)
{
    handler->closeDocument();
    handler->setReadOnly(false);
    if (!handler->loadDocument(m_pdfPath))
        return false;
    m_pageCount = handler->pageCount();
    handOver();
    rebuildPages();
    if (m_pageCount > 0)
        scrollToPage(std::min(keepIndex, m_pageCount - 1));
    else
        emit pageInfoChanged(m_currentPage, m_pageCount);
    return true;
}

void PdfSignCoreWidget::applySignData(const PdfSignData &data)
{
    endDrag();
    signData = data;
    signData.sortTags();
    emit tagCountChanged(signData.tags.size());
    reloadDocument();
}

void PdfSignCoreWidget::reloadDocument()
{
    if (!m_hasDocument || m_pdfPath.isEmpty())
        return;
    const int keep = std::clamp(m_currentPage - 1, 0, std::max(0, m_pageCount - 1));
    if (!reopen(keep)) {
        enterNoDocument();
        emit errorMessage(translated("open_failed"));
    }
}

void PdfSignCoreWidget::closeDocument()
{
    DeviceHubLink::endSignature();
    handler->closeDocument();
    enterNoDocument();
}

void PdfSignCoreWidget::enterNoDocument()
{
    ++openGeneration;
    signData.tags.clear();
    m_pdfPath.clear();
    resetView();
    m_hasDocument = false;
    m_pageCount = 0;
    m_currentPage = 1;
    emit pageInfoChanged(1, 0);
    emit tagCountChanged(0);
    emit documentStateChanged(false);
}

void PdfSignCoreWidget::clearTags()
{
    if (signData.tags.isEmpty())
        return;
    DeviceHubLink::endSignature();
    endDrag(); // the dragged index would point into the new list
    signData.tags.clear();
    refreshTags(false);
    emit tagCountChanged(0);
}

void PdfSignCoreWidget::resetTagStatus()
{
    signData.resetTags();
    refreshTags(false);
}

bool PdfSignCoreWidget::savePdf(const QString &targetPath)
{
    if (!m_hasDocument || targetPath.isEmpty())
        return false;
    handler->setReadOnly(false);
    handOver();
    // Only this save's complete output may reach the target, never a file left by an earlier one.
    if (!handler->save() || !SafeCopy::copyOver(PdfHandler::intermediateFilePath(), targetPath)) {
        emit errorMessage(translated("save_failed"));
        return false;
    }
    emit infoMessage(translated("save_success"));
    return true;
}

void PdfSignCoreWidget::startSigning()
{
    if (!m_hasDocument) {
        emit errorMessage(translated("warn_no_pdf"));
        return;
    }
    if (signData.tags.isEmpty()) {
        emit errorMessage(translated("warn_no_tag"));
        return;
    }
    if (!signData.hasPendingTag()) {
        emit infoMessage(translated("all_done"));
        return;
    }
    // The signing window walks the tags in list order, and moves do not sort.
    signData.sortTags();
    refreshTags(true);
    emit signingRequested(m_pdfPath, signData);
}

bool PdfSignCoreWidget::saveTemplateJson(const QString &path)
{
    if (!m_hasDocument) {
        emit errorMessage(translated("warn_no_pdf"));
        return false;
    }
    QSaveFile file(path);
    const QByteArray json = TagTemplate::write(signData.tags);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(json) != json.size() || !file.commit()) {
        emit errorMessage(translated("template_failed"));
        return false;
    }
    emit infoMessage(translated("template_saved"));
    return true;
}

bool PdfSignCoreWidget::loadTemplateJson(const QString &path)
{
    if (!m_hasDocument) {
        emit errorMessage(translated("warn_no_pdf"));
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        emit errorMessage(translated("template_failed"));
        return false;
    }
    QList<PdfSignTag> tags;
    if (!TagTemplate::read(file.readAll(), m_pageCount, &tags)) {
        emit errorMessage(translated("json_invalid"));
        return false;
    }
    endDrag();
    signData.tags = tags;
    signData.sortTags();
    refreshTags(false);
    emit tagCountChanged(signData.tags.size());
    emit infoMessage(translated("template_loaded"));
    return true;
}
