#include "TagUnits.h"

#include <QtGlobal>

#include <limits>

int TagUnits::toDisplay(int value, double pageScale)
{
    return qRound(value * pageScale);
}

int TagUnits::fromDisplay(int displayPixel, double pageScale)
{
    return qRound(displayPixel / pageScale);
}

int TagUnits::toTemplate(int value)
{
    return qRound(value / pixelsPerInchUnit);
}

int TagUnits::fromTemplate(int fileValue)
{
    return qRound(fileValue * pixelsPerInchUnit);
}

double TagUnits::toSigningDisplay(int value)
{
    return value * 0.5;
}

int TagUnits::toPoints(int value)
{
    return int(value / pixelsPerInchUnit / unitsPerPoint);
}

int TagUnits::pageImagePixels(double points)
{
    const double pixels = points * pixelsPerInchUnit * unitsPerPoint;
    // Outside an int's range (or NaN) the conversion is undefined: such a page has no image.
    if (!(pixels > 0 && pixels < double(std::numeric_limits<int>::max())))
        return 0;
    return int(pixels);
}
