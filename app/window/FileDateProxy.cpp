#include "FileDateProxy.h"

#include <QDateTime>
#include <QFileSystemModel>
#include <QLocale>

namespace {

const int dateColumn = 3;

} // namespace

QVariant FileDateProxy::data(const QModelIndex &index, int role) const
{
    const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
    if (role != Qt::DisplayRole || index.column() != dateColumn || !files)
        return QIdentityProxyModel::data(index, role);
    return QLocale().toString(files->lastModified(mapToSource(index)), QLocale::ShortFormat);
}
