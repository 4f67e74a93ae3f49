#pragma once

#include <QByteArray>
#include <QImage>

// A raw 8-bit grey reader frame (rows top to bottom) as the picture the signer sees: ridges
// (grey below 128) opaque red, everything else transparent. Null when the frame holds fewer
// than width x height bytes.
QImage fingerprintImage(const QByteArray &frame, int width, int height);
