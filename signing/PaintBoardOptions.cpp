#include "PaintBoardOptions.h"

const QStringList &PaintBoardOptions::sizePresets()
{
    // About 16:9 for the first three, 2:1 for the last three.
    static const QStringList presets = {
        QStringLiteral("560x315"), QStringLiteral("700x394"), QStringLiteral("880x495"),
        QStringLiteral("560x280"), QStringLiteral("700x350"), QStringLiteral("880x440"),
    };
    return presets;
}
