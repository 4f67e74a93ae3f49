#pragma once

// Why a document could not be opened, in the terms the operator is told.
class OpenFailure
{
public:
    enum Reason {
        NotRead,
        NotFound,
        Permission,
        NotRegular, // a folder, a device, a pipe: nothing a document is read from
        Empty,
        Password,
        Damaged, // damaged, or not a PDF at all
        NoPages,
    };

    // The reason behind a system error number from opening the file for reading.
    static Reason ofError(int error);
    // The reason behind pdfium's error code from loading the document.
    static Reason ofPdfium(unsigned long error);
    // The language-table key of the reason's text.
    static const char *key(Reason reason);
};
