#pragma once

#include <QRect>
#include <QString>

class QPainter;

// The editor's look of a tag that holds no captured image yet: a hatched red box with the
// badges of the parts its type asks for and its title.
class TagPainter
{
public:
    static void drawTag(QPainter &painter, const QRect &rect, int type, const QString &title);

private:
    static void drawHatch(QPainter &painter, const QRect &r);
    static int drawBadges(QPainter &painter, const QRect &r, int type);
    static void drawTitle(QPainter &painter, const QRect &r, int badgeHeight, const QString &title);
};
