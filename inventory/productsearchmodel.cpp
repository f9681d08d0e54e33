#include "productsearchmodel.h"

#include "sqlfilter.h"

#include <QSqlQuery>
#include <QSqlRecord>

ProductSearchModel::ProductSearchModel(QObject* parent)
    : QSqlQueryModel(parent)
{
    connect(this, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        values.clear();
        columns = 0;
    });
}

void ProductSearchModel::queryChange()
{
    SqlFilter::FetchAll(this);
}

QVariant ProductSearchModel::data(const QModelIndex& item, int role) const
{
    const QModelIndex field = indexInQuery(item);
    if ((role != Qt::DisplayRole && role != Qt::EditRole) || !field.isValid() || field.row() >= rowCount())
        return QSqlQueryModel::data(item, role);
    if (columns == 0)
        columns = record().count();
    if (values.size() <= field.row() * columns) {
        // Reads on from the last row read, each row the next one of the result: no walk from the first.
        QSqlQuery result = query();
        for (int row = values.size() / columns; row <= field.row(); ++row) {
            if (!result.seek(row))
                return QSqlQueryModel::data(item, role);
            for (int column = 0; column < columns; ++column)
                values << result.value(column);
        }
    }
    return values.at(field.row() * columns + field.column());
}
