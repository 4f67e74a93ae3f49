#pragma once

#include "OpenFailure.h"
#include "PdfFileAccess.h"
#include "PdfSignData.h"
#include "PdfSignResult.h"
#include "PdfWriter.h"
#include "PdfiumApi.h"
#include "SaveFailure.h"

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QSharedPointer>
#include <QString>

#include <memory>
#include <vector>

class PageImagePool;
class QPainter;

namespace platform {
class ScratchFile;
}

// The program's one holder of the open PDF document: renders pages with the tags drawn over them
// and saves the document with the captured images written into its pages. Main thread only.
class PdfHandler : public QObject
{
    Q_OBJECT

public:
    enum PdfErrorCode { NoError = 0, NetworkError = 1, FileWriteError = 2, PdfLoadError = 3, UnknownError = 4 };
    Q_ENUM(PdfErrorCode)

    static QSharedPointer<PdfHandler> instance();
    ~PdfHandler() override;

    // Takes a private copy of the file as it is now, which the session then works on: a file
    // changed, replaced or removed on disk later changes nothing here (without room for the
    // copy in the cache folder or the temporary folder, the file itself is read through the
    // descriptor taken now, and a change of it is noticed). A failed load closes the open
    // document but keeps its copy for reopenDocument(), with `why` saying why; a pipe or a
    // device is refused at once, never waited on.
    bool loadDocument(const QString &path, OpenFailure::Reason *why = nullptr);
    // Opens the copy taken by the last successful load again; refused when the file itself serves
    // as that copy and has changed since.
    bool reopenDocument(OpenFailure::Reason *why = nullptr);
    // The file itself serves as the session's copy and no longer holds what was opened.
    bool sourceChanged() const;
    // The path of that load; empty when none is kept.
    QString openedFrom() const { return m_sourcePath; }
    // Closes the document but keeps its copy for reopenDocument().
    void closePages();
    void closeDocument();
    int pageCount() const { return m_pageCount; }
    int signMode() const { return m_signMode; }

    // The page at 300 dpi in 32-bit RGB with the tags drawn over it; a null image on failure.
    QImage renderPage(int index);
    // The size of that page's image from renderPage, without rendering it; empty on failure.
    QSize pageImageSize(int index);
    void setSignData(const PdfSignData &data, bool tagHidden);
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }

    // Writes the document with the done tags' images into intermediateFilePath() and emits
    // pdfConfirm. True only when the whole file was written, with those bytes in `saved`; on
    // failure `why` says why and which file or folder failed (none: the document itself could
    // not be written), no file is left at that path and nothing is emitted. pdfium's editing
    // and writing run in a program of their own, so a damaged document that stops pdfium fails
    // the save and leaves this process and the open document as they were. The caller's events
    // go on meanwhile (saveProgress tells of each page); a save asked for then fails.
    bool save(QByteArray *saved = nullptr, SaveFailure *why = nullptr);
    // The same, and then the very file written there put over `target`, before pdfConfirm.
    bool saveTo(const QString &target, SaveFailure *why = nullptr);
    static QString intermediateFilePath();

    // Both images drawn unscaled over each other from the top left, as Base64 PNG; empty on failure.
    static QString mergeImages(const QString &signBase64, const QString &fpBase64);

signals:
    void openPdfWindow(PdfSignData data, bool isOnlyRead);
    void closePdfWindow();
    void pdfGotoPage(int page);
    void pdfCancel();
    void pdfConfirm(PdfSignResult pdfSignResult);
    void pdfWriteImageSingal();
    void pdfError(PdfHandler::PdfErrorCode errorCode, QString errorMessage);
    void saveProgress(int done, int total);

private:
    PdfHandler();

    static void drawBase64Image(QPainter &painter, const QString &base64, int x, int y, int w, int h);
    // False, with the reason, when pdfium cannot read the document or it has no pages.
    bool open(const platform::ScratchFile &source, OpenFailure::Reason *why);
    bool writeSaved(const QString &target, QByteArray *saved, SaveFailure *why);
    // The writer's complete output takes the intermediate name, then is put over the target.
    bool publishSaved(platform::ScratchFile &output, const QString &target, SaveFailure *failure);
    // The images due on each page, decoded into `decoded`, which must outlive the plan.
    std::vector<PdfWriter::Page> placeTagImages(QHash<QString, QImage> *decoded) const;
    static PdfSignResult buildResult(const platform::ScratchFile &saved, const PdfSignData &data);

    FPDF_DOCUMENT m_document = nullptr;
    std::unique_ptr<platform::ScratchFile> m_source; // the copy pdfium reads the document from
    QString m_sourcePath;
    PdfFileAccess m_access;
    bool m_saving = false;
    int m_pageCount = 0;
    PdfSignData m_signData;
    bool m_tagHidden = false;
    bool m_readOnly = false;
    int m_signMode = 0;
    std::shared_ptr<PageImagePool> m_pageImages;
};
