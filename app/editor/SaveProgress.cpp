#include "SaveProgress.h"

#include <QCloseEvent>

SaveProgress::SaveProgress(const QString &text, QWidget *parent)
    : QProgressDialog(text, QString(), 0, 0, parent)
{
    setWindowModality(Qt::ApplicationModal);
    setMinimumDuration(500);
    setAutoReset(false);
}

void SaveProgress::closeEvent(QCloseEvent *event)
{
    // QProgressDialog would cancel and hide.
    event->ignore();
}
