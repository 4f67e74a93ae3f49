#pragma once

#include <QRect>
#include <QString>

class QPainter;

// The look of a tag that holds no captured image yet: a hatched red box with the badges of the
// parts its type asks for and its title. Every length of the look is a multiple of one scale:
// 1 for the editor's view of a page, 2 for the 300-dpi page image.
class TagPainter
{
public:
    static constexpr int EditorScale = 1;
    static constexpr int PageImageScale = 2;

    static void drawTag(QPainter &painter, const QRect &rect, int type, const QString &title, int scale = EditorScale);

private:
    static void drawHatch(QPainter &painter, const QRect &r, int scale);
    static int drawBadges(QPainter &painter, const QRect &r, int type, int scale);
    static void drawTitle(QPainter &painter, const QRect &r, int badgeHeight, const QString &title, int scale);
};
