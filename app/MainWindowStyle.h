#pragma once

#include <QString>

// Style sheet of the main window's central widget. Several rules select on dynamic properties
// ("fileAction", "documentOpen", ...), so a widget whose property changes must be re-polished.
QString mainWindowStyleSheet();

// The looks of the pen palette: the swatch of the chosen colour and one colour button.
QString penColorSwatchStyle(const QString &colorName);
QString penColorButtonStyle(const QString &colorName, bool selected);
