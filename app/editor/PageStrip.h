#pragma once

#include <QCache>
#include <QImage>
#include <QScrollArea>
#include <QSharedPointer>
#include <QSize>
#include <QVector>

#include <functional>

class PdfHandler;
class QLabel;
class QPainter;
class QVBoxLayout;

// Every page of the open PDF as a label, one under the other at one width, in a scroll area:
// the pages near the view are rendered at 300 dpi, the others show a placeholder, and the last
// few page images are kept.
class PageStrip : public QScrollArea
{
    Q_OBJECT

public:
    // Draws over a page as it is shown (its index, painter on the page scaled to its label).
    using Overlay = std::function<void(QPainter &painter, int index)>;

    // The page labels report their events to labelFilter.
    PageStrip(QObject *labelFilter, Overlay overlay, QWidget *parent = nullptr);
    ~PageStrip() override;

    void clear();
    void rebuild(int pageCount, int currentIndex);
    void layoutPages();
    void renderPageLabel(int index);
    void renderVisiblePages(bool force, int currentIndex);
    // The top of a page in the strip, the layout brought up to date first.
    int pageTop(int index);
    // The page a third of the way down the view, else the nearest one; -1 without pages.
    int pageInView() const;
    // While a tag is dragged its page is redrawn on every move: the page is scaled once per drag.
    void setDraggedPage(int index);
    void clearCache() { pageCache.clear(); }
    void forgetPage(int index) { pageCache.remove(index); }

    int count() const { return pages.size(); }
    // The index of one of the page labels, else -1.
    int pageOf(const QLabel *label) const;
    QLabel *label(int index) const { return pages.at(index).label; }
    double pageScale(int index) const { return pages.at(index).pageScale; }

private:
    friend class TestPdfSignCoreWidget;

    struct PageEntry
    {
        QLabel *label = nullptr;
        QSize imageSize;
        QSize renderedSize;
        double pageScale = 1.0;
    };

    QImage pageImage(int index);
    void drawLabelPixmap(int index, const QImage &page);
    void releasePageLabel(int index);

    QObject *labelFilter;
    Overlay overlay;
    QSharedPointer<PdfHandler> handler;
    QWidget *container = nullptr;
    QVBoxLayout *containerLayout = nullptr;
    QSize basePageSize;
    QVector<PageEntry> pages;
    QCache<int, QImage> pageCache;
    int draggedPage = -1;
    QImage dragBackdrop; // the dragged page scaled to its label, without tag frames
};
