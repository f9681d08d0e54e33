#include "mysqltablemodel.h"

#include "appsettings.h"

#include <QDate>
#include <QSettings>

MySqlTableModel::MySqlTableModel(QObject* parent, const QSqlDatabase& db)
    : QSqlRelationalTableModel(parent, db)
    , decimalPlaces(AppSettings::Instance()->settings->value(QStringLiteral("decimal_places"), 2).toInt())
    , locale(*AppSettings::Instance()->locale)
{
}

QVariant MySqlTableModel::data(const QModelIndex& index, int role) const
{
    const QVariant value = QSqlRelationalTableModel::data(index, role);
    if (role != Qt::DisplayRole)
        return value;
    if (index.column() == DATED)
        return value.toDate().toString(AppSettings::Instance()->DateFormat());
    if (index.column() == AMOUNT)
        return locale.toString(value.toDouble(), 'f', decimalPlaces);
    return value;
}
