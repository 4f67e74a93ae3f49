#pragma once

#include "PdfiumApi.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QSize>
#include <QString>
#include <QVector>

#include <csignal>
#include <sys/resource.h>

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

// Caps the size of any file this process (and a copy it forks) writes, to cut a save short.
// With `kills`, going past the cap ends the writer by a signal instead of failing its write.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes, bool kills = false)
    {
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit limit = saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
        savedAction = std::signal(SIGXFSZ, kills ? SIG_DFL : SIG_IGN);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, savedAction);
    }

private:
    rlimit saved{};
    void (*savedAction)(int) = nullptr;
};
