#include "salesdetailssqltablemodel.h"

#include "appsettings.h"

#include <QSettings>

SalesDetailsSqlTableModel::SalesDetailsSqlTableModel(QObject* parent, const QSqlDatabase& db)
    : QSqlRelationalTableModel(parent, db)
    , decimals(AppSettings::Instance()->settings->value(QStringLiteral("decimal_places"), QStringLiteral("2")).toInt())
    , locale(*AppSettings::Instance()->locale)
{
}

QVariant SalesDetailsSqlTableModel::data(const QModelIndex& index, int role) const
{
    const QVariant value = QSqlRelationalTableModel::data(index, role);
    if (role != Qt::DisplayRole)
        return value;
    switch (index.column()) {
    case QUANTITY:
        return locale.toString(value.toLongLong());
    case PURCHASE_PRICE:
    case SALE_PRICE:
    case DISCOUNT:
    case SUB_TOTAL:
    case PURCHASE_SUB_TOTAL:
    case SUB_TAX:
        return locale.toString(value.toDouble(), 'f', decimals);
    case PRINT_UNIT_NAME:
    case RETURNED:
        return value.toInt() == 1 ? tr("YES") : tr("NO");
    default:
        return value;
    }
}
