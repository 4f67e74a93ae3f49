#pragma once

#include <QRgb>
#include <QSharedPointer>
#include <QString>
#include <QStringList>

// What the writing board looks like and how it draws. One record, shared by the signing page
// (its only writer), the open board and its canvas, which read it when they draw.
class PaintBoardOptions
{
public:
    QString title;
    bool titleHidden = false;   // no title row; the drag band is then 30 pixels high, not 70
    int windowStyle = 0;        // 0 default, 1 and 2 button colours, 3 transparent panel and canvas
    bool operHidden = false;    // no button bar
    int sizeIndex = 0;          // into sizePresets()
    bool autoCrop = false;      // crop the signature to its ink before export
    int width = 480;
    int height = 270;
    float penMinWidth = 1.0f;   // width at pressure 0
    float penMaxWidth = 4.0f;   // width at full pressure
    QRgb penColor = 0xff000000;    // drawn opaque whatever its alpha
    QRgb borderColor = 0xff000000; // drawn opaque
    QRgb bkColor = 0xffffffff;     // alpha kept

    // "<width>x<height>", in the order of sizeIndex.
    static const QStringList &sizePresets();
};

using PaintBoardOptionsPtr = QSharedPointer<PaintBoardOptions>;
