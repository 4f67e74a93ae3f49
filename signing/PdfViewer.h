#pragma once

#include "PdfSignData.h"
#include "TabrixPen.h"

#include <QCache>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QPointer>
#include <QSharedPointer>
#include <QWidget>

#include <functional>

class DeviceController;
class PdfHandler;
class QLabel;
class QMessageBox;
class QPushButton;
class QScrollArea;
class TagMonitorThread;

// The full-screen signing window. It walks the signer through the pending tags of the shared
// document, stores each captured image on its tag and hands the completed tags back on OK.
// PdfViewer.cpp holds the walk and its results, PdfViewerLayout.cpp the widgets, the pages
// and the pen input.
class PdfViewer : public QWidget
{
    Q_OBJECT

public:
    // options: tagHidden, scrollDisable, tagBtnHidden, autoJump.
    PdfViewer(const QString &pdfPath, const PdfSignData &signData, const bool *options,
              const QSharedPointer<PdfHandler> &pdfHandler, QWidget *parent = nullptr);
    ~PdfViewer() override;

    void showAndActivate();
    // Whether a capture was stored on a tag since the window opened, and the tags as its OK
    // hands them back.
    bool hasCaptures() const { return m_captured; }
    PdfSignData results() const { return m_resultData; }

signals:
    void signingAccepted(PdfSignData signData);

public slots:
    void onSignBtnClicked();
    void onFPBtnClicked();
    void onOkBtnClicked();
    void onCancelBtnClicked();
    void handlePdfSignCompleted(const QString &base64String);
    void handlePdfFpCompleted();
    void onTagCompleted(int tagIndex);
    void onAllTagsCompleted();

    void onScrollBarValueChanged(int value);
    void goToPreviousPage();
    void goToNextPage();
    void gotoPage(int pageNumber);
    void goToPreviousTag();
    void goToNextTag();
    void pdfWriteImage();
    void handlePenPacket(TABLET_PACKET packet);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

    // The fingerprint capture controller (tests stand in for it): ask for the fingerprint
    // dialog, stop any capture, and the last captured fingerprint as Base64 PNG (empty when
    // there is none).
    virtual void requestFingerprintDialog();
    virtual void stopFingerprintCapture();
    virtual QString capturedFingerprint();
    // Whether the hub has a signing device to write on (tests stand in for it as well).
    virtual bool signingDeviceConnected();

    int pitch() const;
    void renderVisiblePages(bool force);
    void goToTag(int index);

    bool m_options[4] = {};
    int m_pageCount = 0;
    int m_tagCount = 0;
    PdfSignData m_resultData;
    PdfSignData m_signData;
    bool m_isBusy = false;
    int m_displayTagIndex = 0;
    int m_currentTagIndex = 0;
    TagMonitorThread *m_tagMonitor = nullptr;

    QPushButton *m_cancelBtn = nullptr;
    QPushButton *m_prevPageBtn = nullptr;
    QPushButton *m_nextPageBtn = nullptr;
    QPushButton *m_okBtn = nullptr;
    QPushButton *m_signBtn = nullptr;
    QPushButton *m_fpBtn = nullptr;
    QLabel *m_pageNumberLabel = nullptr;
    QPushButton *m_prevTagBtn = nullptr;
    QPushButton *m_nextTagBtn = nullptr;
    QLabel *m_tagNumberLabel = nullptr;
    QWidget *m_floatingWidget = nullptr;
    QScrollArea *m_scrollArea = nullptr;
    QWidget *m_pdfContainerWidget = nullptr;
    QList<QLabel *> m_pageLabels;
    QCache<int, QImage> m_pageCache;
    int m_pageHeight = 0;
    QSize m_firstPageSize;
    const int m_pageSpacing = 30;
    const double m_zoom = 0.5;
    int m_currentPage = 0;
    int m_firstVisiblePage = 0;
    int m_lastVisiblePage = 0;
    float m_scaleX = 0;
    float m_scaleY = 0;

private:
    enum Option { TagHidden, ScrollDisable, TagBtnHidden, AutoJump };

    void loadTags();
    int firstPendingTag() const;
    void processNextTag();
    void setTagResult(int index, const QString &image, bool isSign);
    void startTagMonitor();
    bool hasCurrentTag() const;
    bool currentTagAsks(bool isSign) const;
    void finishCaptureButtons();
    void afterResult(int next);
    // The capture goes to the walk's current tag, wherever the signer looked since: it is
    // brought into view first.
    void showCurrentTag();
    void cancelSigning();
    // Runs drop at once without captures; with some, only after the signer chose to discard them.
    void askBeforeDropping(const std::function<void()> &drop);

    void setupUi();
    void retranslateUi();
    void placeOnScreen();
    void buildPageLabels();
    void updatePageLabel();
    void updateTagLabel();
    void computePenScale();
    void raiseControls();
    void setScrollValue(int value);
    int scrollValue() const;
    void scrollSideways(int by);
    // Width the tag buttons cover at the right edge of the view.
    int coveredRight() const;
    // The tag's box inside its page's box, in unrounded pixels: a page of another size than the
    // first is shown shrunk into the first page's box, centred.
    QRectF tagInPageBox(const PdfSignTag &tag) const;
    QList<QPushButton *> tappableButtons() const;

    QSharedPointer<PdfHandler> m_pdfHandler;
    QSharedPointer<DeviceController> m_deviceController;

    bool m_captured = false;
    QPointer<QMessageBox> m_dropQuestion;
    bool m_penDragging = false;
    QPointF m_lastPenPos;
    // Top left corner of the pen display's screen, fixed with the pen scale.
    QPoint m_penScreenOrigin;
    bool m_mouseDragging = false;
    QPoint m_lastMousePos;
};
