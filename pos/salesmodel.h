#pragma once

#include <QSqlQueryModel>

class QLocale;

// The cart of the sale screen: the lines of the sale on screen, with the money columns in the
// display locale.
class SalesModel : public QSqlQueryModel
{
    Q_OBJECT
public:
    explicit SalesModel(QObject* parent);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Every row, not only the first batch: line numbers and printing rely on the whole sale.
    void FetchAll();

private:
    QLocale* locale = nullptr;
    int decimalPlaces = 2;
};
