#pragma once

#include <QSqlQueryModel>
#include <QVector>

// The list under a product search box. A completer reads the rows of a narrowed search out of order, and
// the MySQL client reaches a row that is not the next one by walking its stored rows from the first:
// filtering a subset would cost rows × subset. This model answers from the rows it has read once, in order,
// and loads every row of its query: the completer searches only the rows a model has fetched.
class ProductSearchModel : public QSqlQueryModel
{
    Q_OBJECT

public:
    explicit ProductSearchModel(QObject* parent = nullptr);

    QVariant data(const QModelIndex& item, int role = Qt::DisplayRole) const override;

protected:
    void queryChange() override;

private:
    // Every column of the rows read so far, row after row.
    mutable QVector<QVariant> values;
    mutable int columns = 0;
};
