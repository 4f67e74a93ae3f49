#pragma once

#include "PdfiumApi.h"

namespace platform {
class ScratchFile;
}

// pdfium's reading of a document from a file as it needs it, never the whole file in memory.
class PdfFileAccess
{
public:
    // The document in `file`, or null; `file` and this must outlive the document.
    FPDF_DOCUMENT load(const platform::ScratchFile &file);

private:
    FPDF_FILEACCESS m_access = {};
};
