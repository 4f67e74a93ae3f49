#pragma once

#include <QPoint>

class QMenu;
class QWidget;

// The right-click menu of a tag: retype it or delete it.
class TagMenu
{
public:
    // Chosen type 1, 2 or 3; Delete; or None when the menu was dismissed.
    enum Choice { None = 0, SignOnly = 1, FingerprintOnly = 2, SignAndFingerprint = 3, Delete = 4 };

    // The menu with its entries in the current language; actions carry their Choice as data.
    static QMenu *create(QWidget *parent);
    // Runs the menu modally at the global position and deletes it afterwards.
    static Choice exec(QWidget *parent, const QPoint &globalPos);
};
