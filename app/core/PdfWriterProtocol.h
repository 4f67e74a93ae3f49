#pragma once

#include <cstdint>

// What the program and its PDF writer tell each other: the job (on the writer's standard input)
// and the report (events on a pipe, one of which comes at least per page, so silence means a hang).
namespace PdfWriterProtocol {

// The writer's descriptors besides its standard input, in the order they are given to it.
enum Descriptor : int { DocumentFd = 3, OutputFd, ReportFd };

// The job: a JobHeader, then per page a PageHeader followed by its images, each an ImageHeader;
// a picture's first image is followed by its width * height 32-bit BGRA pixels, row after row,
// and later images of the same picture name it by its number alone.
struct JobHeader
{
    int32_t insert;
    int32_t pages;
};
struct PageHeader
{
    int32_t index;
    int32_t images;
};
struct ImageHeader
{
    int32_t x, y, w, h; // the box, in whole points from the top left of the displayed page
    int32_t picture;    // numbered from 0 in the order the pictures first come
    int32_t width, height;
};

enum Kind : int32_t {
    PageNotLoaded,
    NoPlace,
    ObjectFailed,
    BitmapFailed,
    SetBitmapFailed,
    MatrixFailed,
    ImagePlaced,
    ContentGenerated,
    ContentFailed,
    LoadFailed,
    SaveFailed,
    InfoLost,
    WriteFailed,
    Written,
    PageDone,  // value: pages done, figures[0]: pages in all
    Writing,   // figures[0]: bytes written so far
    JobFailed, // value: the system's error number
    NoMemory,
    OutputTooLarge, // figures[0]: the bound the output would pass
    DocumentTooLarge,
};

struct Event
{
    int32_t kind;
    int32_t value;
    double figures[4];
};

} // namespace PdfWriterProtocol
