#include "TestPdf.h"

#include "ImageBase64.h"

#include <QFile>
#include <QPainter>
#include <QPdfWriter>

namespace {

struct Sink
{
    FPDF_FILEWRITE fileWrite;
    QFile *file;
};

int writeToSink(FPDF_FILEWRITE *fileWrite, const void *data, unsigned long size)
{
    QFile *file = reinterpret_cast<Sink *>(fileWrite)->file;
    return file->write(static_cast<const char *>(data), qint64(size)) == qint64(size) ? 1 : 0;
}

} // namespace

bool TestPdf::writeBlank(const QString &path, const QVector<TestPage> &pages)
{
    FPDF_DOCUMENT document = FPDF_CreateNewDocument();
    for (int i = 0; i < pages.size(); ++i) {
        const TestPage &desc = pages.at(i);
        FPDF_PAGE page = FPDFPage_New(document, i, desc.width, desc.height);
        if (desc.origin != QPointF(0, 0))
            FPDFPage_SetMediaBox(page, float(desc.origin.x()), float(desc.origin.y()),
                                 float(desc.origin.x() + desc.width), float(desc.origin.y() + desc.height));
        FPDFPage_SetRotation(page, desc.rotate);
        FPDF_ClosePage(page);
    }
    QFile file(path);
    bool ok = file.open(QIODevice::WriteOnly);
    Sink sink{{1, &writeToSink}, &file};
    ok = ok && FPDF_SaveAsCopy(document, &sink.fileWrite, FPDF_NO_INCREMENTAL);
    FPDF_CloseDocument(document);
    return ok;
}

bool TestPdf::writeWithContent(const QString &path, int pageCount)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(72);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&writer);
    for (int i = 0; i < pageCount; ++i) {
        if (i > 0)
            writer.newPage();
        painter.fillRect(QRect(60, 60, 200, 80), Qt::blue);
        painter.drawText(QRect(60, 200, 400, 40), Qt::AlignLeft, QStringLiteral("Page %1 of the agreement").arg(i + 1));
        painter.drawLine(60, 700, 500, 700);
    }
    return painter.end();
}

QVector<FS_MATRIX> TestPdf::imageMatrices(const QString &path, int pageIndex)
{
    QVector<FS_MATRIX> matrices;
    FPDF_DOCUMENT document = FPDF_LoadDocument(path.toUtf8().constData(), nullptr);
    if (!document)
        return matrices;
    if (FPDF_PAGE page = FPDF_LoadPage(document, pageIndex)) {
        for (int i = 0; i < FPDFPage_CountObjects(page); ++i) {
            FPDF_PAGEOBJECT object = FPDFPage_GetObject(page, i);
            FS_MATRIX matrix{};
            if (FPDFPageObj_GetType(object) == FPDF_PAGEOBJ_IMAGE && FPDFPageObj_GetMatrix(object, &matrix))
                matrices << matrix;
        }
        FPDF_ClosePage(page);
    }
    FPDF_CloseDocument(document);
    return matrices;
}

QString TestPdf::pngBase64(const QImage &image)
{
    return ImageBase64::encodePng(image);
}

QString TestPdf::solidPng(QSize size, const QColor &color)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    return pngBase64(image);
}

QString TestPdf::halvesPng(QSize size)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QPainter(&image).fillRect(QRect(size.width() / 2, 0, size.width() - size.width() / 2, size.height()), Qt::blue);
    return pngBase64(image);
}
