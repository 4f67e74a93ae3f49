#include "PageStrip.h"

#include "PdfHandler.h"
#include "TagGeometry.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QVariant>

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

PageStrip::PageStrip(QObject *labelFilter, Overlay overlay, QWidget *parent)
    : QScrollArea(parent)
    , labelFilter(labelFilter)
    , overlay(std::move(overlay))
    , handler(PdfHandler::instance())
{
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    container = new QWidget(this);
    // One sheet for every page label: a sheet of its own would be parsed once per page.
    container->setStyleSheet(QStringLiteral("QLabel#pdfPageLabel { background-color: white; border: 1px solid #dcdcdc; }"));
    containerLayout = new QVBoxLayout(container);
    containerLayout->setContentsMargins(0, 12, 0, 120);
    containerLayout->setSpacing(20);
    containerLayout->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    setWidget(container);

    pageCache.setMaxCost(PageCacheSize);
}

PageStrip::~PageStrip() = default;

void PageStrip::clear()
{
    basePageSize = QSize();
    pageCache.clear();
    pages.clear();
    while (QLayoutItem *item = containerLayout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
}

void PageStrip::rebuild(int pageCount, int currentIndex)
{
    clear();
    if (pageCount <= 0 || !handler)
        return;
    const QImage first = pageImage(0);
    if (first.isNull())
        return;
    basePageSize = first.size();
    pages.reserve(pageCount);
    // Each label shown into an active layout would lay out every label before it again.
    containerLayout->setEnabled(false);
    for (int i = 0; i < pageCount; ++i) {
        auto *label = new QLabel(container);
        label->setObjectName(QStringLiteral("pdfPageLabel"));
        label->setProperty(PageIndexProperty, i);
        label->setAlignment(Qt::AlignCenter);
        label->setText(placeholder(i));
        label->installEventFilter(labelFilter);
        label->setMouseTracking(true); // hover cursors over the tags
        containerLayout->addWidget(label, 0, Qt::AlignHCenter);
        label->show(); // the layout would show it only on a later turn, and skips it until then
        pages.append(PageEntry{label, basePageSize, QSize(), 1.0});
    }
    containerLayout->setEnabled(true);
    layoutPages();
    renderVisiblePages(true, currentIndex);
}

void PageStrip::layoutPages()
{
    if (pages.isEmpty())
        return;
    // Room for the scroll bar is kept whether it shows or not: its coming and going must not
    // change the page width (which could make it come and go again).
    const int viewportWidth = maximumViewportSize().width() - verticalScrollBar()->sizeHint().width();
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
    QCoreApplication::sendEvent(this, &request);
    containerLayout->invalidate();
    containerLayout->activate();
}

QImage PageStrip::pageImage(int index)
{
    if (const QImage *cached = pageCache.object(index))
        return *cached;
    const QImage image = handler->renderPage(index);
    if (!image.isNull())
        pageCache.insert(index, new QImage(image), 1);
    return image;
}

void PageStrip::renderPageLabel(int index)
{
    if (index < 0 || index >= pages.size())
        return;
    QLabel *label = pages[index].label;
    const bool dragged = index == draggedPage;
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

void PageStrip::drawLabelPixmap(int index, const QImage &page)
{
    QLabel *label = pages[index].label;
    QPixmap pixmap = QPixmap::fromImage(page);
    {
        QPainter painter(&pixmap);
        overlay(painter, index);
    }
    label->setPixmap(pixmap);
    pages[index].renderedSize = label->size();
}

void PageStrip::releasePageLabel(int index)
{
    QLabel *label = pages[index].label;
    label->clear();
    label->setText(placeholder(index));
    pages[index].renderedSize = QSize();
}

void PageStrip::renderVisiblePages(bool force, int currentIndex)
{
    if (pages.isEmpty())
        return;
    const int top = verticalScrollBar()->value();
    const int bottom = top + viewport()->height();
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
        first = last = std::clamp(currentIndex, 0, pages.size() - 1);
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
        if (force || draggedPage == i || stale)
            renderPageLabel(i);
    }
}

int PageStrip::pageInView() const
{
    if (pages.isEmpty())
        return -1;
    const int probe = verticalScrollBar()->value() + viewport()->height() / 3;
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
    return index;
}

int PageStrip::pageTop(int index)
{
    containerLayout->activate();
    return pages[index].label->geometry().top();
}

int PageStrip::pageOf(const QLabel *label) const
{
    bool ok = false;
    const int index = label->property(PageIndexProperty).toInt(&ok);
    return ok && index >= 0 && index < pages.size() && pages[index].label == label ? index : -1;
}

void PageStrip::setDraggedPage(int index)
{
    draggedPage = index;
    dragBackdrop = QImage();
}
