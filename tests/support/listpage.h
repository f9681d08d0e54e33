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
        Fill(&source, headers, rows);
        proxy.setSourceModel(&source);
        view.setModel(&proxy);
    }

    static void Fill(QStandardItemModel* model, const QStringList& headers, const QList<QStringList>& rows)
    {
        model->setColumnCount(headers.size());
        model->setHorizontalHeaderLabels(headers);
        for (const QStringList& row : rows) {
            QList<QStandardItem*> items;
            for (const QString& cell : row)
                items << new QStandardItem(cell);
            model->appendRow(items);
        }
    }
};
