#include "inventorymodel.h"

#include "appsettings.h"

#include <QSettings>

InventoryModel::InventoryModel(QObject* parent)
    : QSqlQueryModel(parent)
    , decimalPlaces(AppSettings::Instance()->settings->value(QStringLiteral("decimal_places"), QStringLiteral("2")).toInt())
    , locale(AppSettings::Instance()->locale ? *AppSettings::Instance()->locale : QLocale())
{
}

QVariant InventoryModel::data(const QModelIndex& index, int role) const
{
    const QVariant value = QSqlQueryModel::data(index, role);
    if (role != Qt::DisplayRole)
        return value;
    switch (index.column()) {
    case QUANTITY:
    case SUB_ITEMS:
    case REORDER_LEVEL:
    case REORDER_QUANTITY:
        return locale.toString(value.toInt());
    case PURCHASE_PRICE:
    case SALE_PRICE:
    case DISCOUNT:
        return locale.toString(value.toDouble(), 'f', decimalPlaces);
    default:
        return value;
    }
}
