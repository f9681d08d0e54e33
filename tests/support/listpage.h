#pragma once

#include "sortingproxymodel.h"

#include <QStandardItemModel>
#include <QTableView>

// A list page in miniature, as the program's pages build them: source model, sorting proxy, view.
struct ListPage
{
    QStandardItemModel source;
    SortingProxyModel proxy;
    QTableView view;

    ListPage(const QStringList& headers, const QList<QStringList>& rows)
    {
        source.setColumnCount(headers.size());
        source.setHorizontalHeaderLabels(headers);
        for (const QStringList& row : rows) {
            QList<QStandardItem*> items;
            for (const QString& cell : row)
                items << new QStandardItem(cell);
            source.appendRow(items);
        }
        proxy.setSourceModel(&source);
        view.setModel(&proxy);
    }
};
