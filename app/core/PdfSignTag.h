#pragma once

#include <QString>

// One marked area of a page and what has been captured for it. x, y, w and h are pixels of the
// page rendered at 300 dpi (origin top left), so they mean the same area at any zoom.
struct PdfSignTag
{
    enum TagType { SignOnly = 1, FpOnly = 2, SignAndFp = 3 };

    int page = 1;
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    int type = SignOnly;
    QString title;
    bool isSignDone = false;
    bool isFpDone = true;
    QString signImage; // Base64 of PNG bytes, empty until captured
    QString fpImage;

    // Clears both images and opens only the parts the type asks for.
    void setType(int newType);
    void reset() { setType(type); }
    bool isPending() const;
};
