#pragma once

#include <QSortFilterProxyModel>

// Proxy between every list view and its SQL model; the row header counts the visible rows.
class SortingProxyModel : public QSortFilterProxyModel
{
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
};
