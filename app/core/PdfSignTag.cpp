#include "PdfSignTag.h"

void PdfSignTag::setType(int newType)
{
    type = newType;
    signImage.clear();
    fpImage.clear();
    isSignDone = type == FpOnly;
    isFpDone = type == SignOnly;
}

bool PdfSignTag::isPending() const
{
    switch (type) {
    case SignOnly:
        return !isSignDone;
    case FpOnly:
        return !isFpDone;
    case SignAndFp:
        return !isSignDone || !isFpDone;
    default:
        return false; // an unknown type asks for nothing
    }
}
