#pragma once

// The conversions of tag coordinates (page-image pixels at 300 dpi) into the other spaces.
// Each keeps its own rounding: qRound everywhere but the insertion into PDF points, which truncates.
class TagUnits
{
public:
    static constexpr double pixelsPerInchUnit = 3.125; // 300 dpi over 96 dpi
    static constexpr double unitsPerPoint = 1.3333333333333333; // 96 over 72

    static int toDisplay(int value, double pageScale);
    static int fromDisplay(int displayPixel, double pageScale);
    static int toTemplate(int value);
    static int fromTemplate(int fileValue);
    static double toSigningDisplay(int value);
    static int toPoints(int value);
    // 0 for a page too small or too large for an image.
    static int pageImagePixels(double points);
};
