#pragma once

#include "PdfiumApi.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QSize>
#include <QString>
#include <QVector>

// Builds PDF files for the tests and reads back what pdfium sees in them.
// pdfium must be initialised (a PdfHandler alive) while these run.
struct TestPage
{
    double width = 595;
    double height = 842;
    int rotate = 0;         // quarter turns clockwise
    QPointF origin{0, 0};   // lower left corner of the media box
};

class TestPdf
{
public:
    static bool writeBlank(const QString &path, const QVector<TestPage> &pages);
    // A4 pages with text and shapes, drawn by Qt's own PDF writer.
    static bool writeWithContent(const QString &path, int pageCount);
    static QVector<FS_MATRIX> imageMatrices(const QString &path, int pageIndex);
    static QString pngBase64(const QImage &image);
    static QString solidPng(QSize size, const QColor &color);
    // Left half red, right half blue: shows where an image landed and which way up.
    static QString halvesPng(QSize size);
};
