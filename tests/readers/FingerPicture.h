#pragma once

#include "SimFolder.h"

#include <QImage>

// Gives the simulated reader a picture to serve: white, its top darkRows rows black.
inline bool serveFingerPicture(SimFolder &sim, int width, int height, int darkRows)
{
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(Qt::white);
    for (int y = 0; y < darkRows; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, qRgb(0, 0, 0));
    return picture.save(sim.filePath("finger.png")) && sim.writeIni("[reader]\nimage = finger.png\n");
}
