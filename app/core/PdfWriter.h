#pragma once

#include "SaveFailure.h"

#include <QString>

#include <functional>
#include <vector>

// Writes a document with captured images inserted into its pages. pdfium stops the whole
// process on a failed internal check, which some damaged documents trigger while they are
// edited or written, and such a stop cannot be caught: the editing and writing therefore run
// in a program of their own (inkwarden-pdfwriter, beside this one), which tells what happened
// through a report that is logged here.
class PdfWriter
{
public:
    // One image fitted and centred into a box of whole points measured from the top left of the
    // displayed page; the pixels are 32-bit BGRA and must stay valid while `run` runs. Images
    // over the same pixels are one picture, sent to the writer once.
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

    // A writer that reports nothing for this long (it reports every page) is taken for hung in
    // pdfium and stopped; a long save that goes on reporting is never cut short.
    static constexpr int SilenceMs = 120000;

    // Writes the document read from `document` (a descriptor) whole to the empty file open at
    // `output`: with `insert`, with the images of `pages` in place. Every page of `pages` must
    // load and give the images a place. `path` names the output in the log. `progress` hears of
    // each page done (done, of all); the caller's events go on meanwhile.
    static Result run(int document, bool insert, const std::vector<Page> &pages, int output, const QString &path,
                      const std::function<void(int, int)> &progress = {});
};
