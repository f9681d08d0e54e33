#pragma once

#include <QLocale>
#include <QSqlRelationalTableModel>

// The expenses list: the category name in place of its ID, the date in the display format and
// the amount with the configured decimals.
class MySqlTableModel : public QSqlRelationalTableModel
{
    Q_OBJECT
public:
    enum Column { ID = 0, CATEGORY, DATED, AMOUNT, DESCRIPTION };

    MySqlTableModel(QObject* parent, const QSqlDatabase& db);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    int decimalPlaces;
    QLocale locale;
};
