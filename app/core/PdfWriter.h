#pragma once

#include "PdfiumApi.h"
#include "SaveFailure.h"

#include <QString>

#include <vector>

// Writes a document with captured images inserted into its pages. pdfium stops the whole
// process on a failed internal check, which some damaged documents trigger while they are
// edited or written, and such a stop cannot be caught: the editing and writing therefore run
// in a copy of the process, which tells what happened through a report that is logged here.
class PdfWriter
{
public:
    // One image fitted and centred into a box of whole points measured from the top left of the
    // displayed page; the pixels are 32-bit BGRA and must stay valid while `run` runs.
    struct Image
    {
        int x, y, w, h;
        const unsigned char *pixels;
        int width, height, stride;
    };
    struct Page
    {
        int index = 0;
        std::vector<Image> images;
    };
    struct Result
    {
        bool ok = false;
        qint64 size = 0;
        SaveFailure failure;
    };

    // A writer taking longer is taken for hung in pdfium and stopped.
    static constexpr int TimeoutMs = 120000;

    // Writes `document` whole to the file open at `fd`: with `insert`, a fresh copy of it with
    // the images of `pages` in place, so the open document itself is never edited. Every page
    // of `pages` must give the images a place. `path` names the output in the log. The copy
    // keeps no descriptor but `fd`: `document` must be loaded from memory.
    static Result run(FPDF_DOCUMENT document, bool insert, const std::vector<Page> &pages, int fd,
                      const QString &path);
};
