#include "TagUnits.h"

#include <QtGlobal>

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
    return int(points * pixelsPerInchUnit * unitsPerPoint);
}
