#pragma once

#include <QString>

class QWidget;

// Sets a fixed-size push button's or label's text at the size its style gives it, or, where that
// is too wide for the control, at the largest smaller size at which it fits. `sheet` is the
// control's own style sheet before fitting.
void setFittedText(QWidget *control, const QString &text, const QString &sheet = QString());
