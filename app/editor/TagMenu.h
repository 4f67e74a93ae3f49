#pragma once

#include "PdfSignTag.h"

#include <QPoint>

class QMenu;
class QWidget;

// The right-click menu of a tag: retype it or delete it.
class TagMenu
{
public:
    // The chosen tag type; Delete; or None when the menu was dismissed.
    enum Choice {
        None = 0,
        SignOnly = PdfSignTag::SignOnly,
        FingerprintOnly = PdfSignTag::FpOnly,
        SignAndFingerprint = PdfSignTag::SignAndFp,
        Delete = 4
    };

    // The menu with its entries in the current language; actions carry their Choice as data.
    static QMenu *create(QWidget *parent);
    // Runs the menu modally at the global position and deletes it afterwards.
    static Choice exec(QWidget *parent, const QPoint &globalPos);
};
