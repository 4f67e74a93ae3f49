#pragma once

#include <QString>

class QWidget;

// Style sheet of the main window's central widget. Several rules select on dynamic properties
// ("fileAction", "documentOpen", ...), so a widget whose property changes must be re-polished.
QString mainWindowStyleSheet();

// The looks of the pen palette: the swatch of the chosen colour and one colour button.
QString penColorSwatchStyle(const QString &colorName);
QString penColorButtonStyle(const QString &colorName, bool selected);

// Resource of the pen-width choice 0 (thin) to 2 (big), used for its button and the preview.
QString penWidthIcon(int index);

// Makes style rules that test a dynamic property see the property's new value.
void repolish(QWidget *widget);
