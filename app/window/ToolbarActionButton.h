#pragma once

#include <QToolButton>

// A toolbar button that draws its icon above a centred, word-wrapped text, so two-line labels
// ("Mark Signature\nArea") fit the fixed button size; the panel comes from the style sheet.
class ToolbarActionButton : public QToolButton
{
    Q_OBJECT

public:
    explicit ToolbarActionButton(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
