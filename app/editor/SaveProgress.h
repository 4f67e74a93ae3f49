#pragma once

#include <QProgressDialog>

// The progress of a save, which cannot be cancelled. Application-modal, so no click or key
// reaches another window while it shows; neither Escape nor the window manager's close takes it
// down before the save is over.
class SaveProgress : public QProgressDialog
{
    Q_OBJECT

public:
    SaveProgress(const QString &text, QWidget *parent);

public slots:
    // Escape would end the dialog.
    void reject() override {}

protected:
    void closeEvent(QCloseEvent *event) override;
};
