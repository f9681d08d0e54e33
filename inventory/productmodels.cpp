#include "productmodels.h"

#include "appsettings.h"

#include <QSettings>

namespace {
QLocale DisplayLocale()
{
    return AppSettings::Instance()->locale ? *AppSettings::Instance()->locale : QLocale();
}
} // namespace

ProductModel::ProductModel(QObject* parent, QSqlDatabase db)
    : QSqlRelationalTableModel(parent, db)
    , taxDecimalPlaces(AppSettings::Instance()->settings->value(QStringLiteral("tax_decimal_places"), 3).toInt())
    , locale(DisplayLocale())
{
}

QVariant ProductModel::data(const QModelIndex& index, int role) const
{
    const QVariant value = QSqlRelationalTableModel::data(index, role);
    if (role != Qt::DisplayRole)
        return value;
    switch (index.column()) {
    case ITEMS_PER_UNIT:
        return locale.toString(value.toInt());
    case TAX_RATE:
        return locale.toString(value.toFloat(), 'f', taxDecimalPlaces);
    case PRINT_UNIT_NAME:
    case SERVICE_ITEM:
        return value.toInt() != 0 ? tr("YES") : tr("NO");
    default:
        return value;
    }
}

StockModel::StockModel(QObject* parent, QSqlDatabase db)
    : QSqlRelationalTableModel(parent, db)
    , decimalPlaces(AppSettings::Instance()->settings->value(QStringLiteral("decimal_places"), QStringLiteral("2")).toInt())
    , locale(DisplayLocale())
{
}

QVariant StockModel::data(const QModelIndex& index, int role) const
{
    const QVariant value = QSqlRelationalTableModel::data(index, role);
    if (role != Qt::DisplayRole)
        return value;
    switch (index.column()) {
    case PURCHASE_PRICE:
    case SALE_PRICE: // a single-precision sale price would show 1234567.89 as 1234567.88
        return locale.toString(value.toDouble(), 'f', decimalPlaces);
    case QUANTITY:
    case SUB_ITEMS:
    case REORDER_QUANTITY:
        return locale.toString(value.toInt());
    case SHOW_ON_POS:
        return value.toInt() == 1 ? tr("YES") : tr("NO");
    default:
        return value;
    }
}
