#pragma once

#include <QIdentityProxyModel>

// Qt's own file dialog formats its dates with the system locale, which Qt reads once from the
// environment at start; this shows them in the locale of the program's language instead.
class FileDateProxy : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex &index, int role) const override;
};
