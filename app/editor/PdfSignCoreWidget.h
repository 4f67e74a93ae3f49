#pragma once

#include "OpenFailure.h"
#include "PdfSignData.h"

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QSharedPointer>
#include <QWidget>

class ConfigManager;
class PageStrip;
class PdfHandler;
class QLabel;
class QPainter;

// The document area: the pages of the open PDF in a page strip, with the tags drawn over the
// pages and edited with the mouse; plus the document commands (open, save, templates, signing)
// that the main window calls.
class PdfSignCoreWidget : public QWidget
{
    Q_OBJECT

public:
    explicit PdfSignCoreWidget(QSharedPointer<ConfigManager> config, QWidget *parent = nullptr);
    ~PdfSignCoreWidget() override;

    bool addTagAtCenter();
    void gotoPage(int page);
    void nextPage();
    void previousPage();
    void goToTag(int index);
    void setEditEnabled(bool on);
    bool isEditEnabled() const { return editEnabled; }
    void setPenColor(const QColor &colour);
    void setPenWidth(int minimum, int maximum);

    int currentPage() const { return m_currentPage; }
    int pageCount() const { return m_pageCount; }
    int tagCount() const { return signData.tags.size(); }
    bool hasDocument() const { return m_hasDocument; }

    bool openPdf(const QString &path);
    void applySignData(const PdfSignData &data);
    void reloadDocument();
    void closeDocument();
    void clearTags();
    void resetTagStatus();
    bool savePdf(const QString &targetPath);
    void startSigning();
    bool loadTemplateJson(const QString &path);
    bool saveTemplateJson(const QString &path);
    QString pdfPath() const { return m_pdfPath; }
    bool hasPendingTags() const { return firstPendingTag() >= 0; }
    // The tags hold captured images that came from signing and were not saved since.
    bool hasUnsavedImages() const;
    int firstPendingTag() const { return signData.firstPendingTag(); }

signals:
    void pageInfoChanged(int current, int total);
    void tagCountChanged(int total);
    void documentStateChanged(bool hasDocument);
    void infoMessage(const QString &message);
    void errorMessage(const QString &message);
    void signingRequested(const QString &pdfPath, const PdfSignData &signData);

public slots:
    void onScrollBarValueChanged(int value);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    friend class TestPdfSignCoreWidget;

    // Pages on screen
    void resetView();
    void rebuildPages();
    void drawTags(QPainter &painter, int pageIndex) const;
    void updateCurrentPage();
    void scrollToPage(int index);
    QRect tagDisplayRect(int index) const;
    int tagIndexAt(int pageIndex, const QPoint &point) const;
    int hitTestTagEdge(int index, const QPoint &point) const;

    // Tags
    bool addTag(int pageIndex, const QRect &rect, int type);
    void handOver();
    void refreshTags(bool keepCache);
    void onLanguageChanged();

    // Mouse editing
    bool handleLabelEvent(QLabel *label, int pageIndex, QEvent *event);
    void dragTo(const QPoint &position);
    void finishDrag();
    void endDrag();
    void clearDrag();
    bool showTagMenu(int pageIndex, const QPoint &position, const QPoint &globalPosition);

    // Documents
    bool reopen(int keepIndex, OpenFailure::Reason *why = nullptr);
    void enterNoDocument();
    // "open_failed" with the file and why it could not be opened.
    void reportOpenFailure(const QString &path, OpenFailure::Reason why);

    QSharedPointer<ConfigManager> config;
    QSharedPointer<PdfHandler> handler;
    PageStrip *strip = nullptr;
    QString m_pdfPath;
    PdfSignData signData;
    bool m_hasDocument = false;
    bool editEnabled = false;
    bool imagesUnsaved = false;
    bool dragging = false;
    bool suppressPageUpdate = false;
    int m_currentPage = 1;
    int m_pageCount = 0;
    QPoint pressPosition;
    QLabel *dragLabel = nullptr;
    int dragPage = -1;
    QRect dragStartRect;
    int dragTag = -1;
    int dragEdges = 0;
    // Only the page build asked for by the latest open runs.
    quint64 openGeneration = 0;
};
