#include "purchaseitemsmodel.h"

#include "appsettings.h"

#include <QLocale>
#include <QSettings>

PurchaseItemsModel::PurchaseItemsModel(QObject* parent)
    : QSqlQueryModel(parent)
    , decimalPlaces(AppSettings::Instance()->settings->value(QStringLiteral("decimal_places"), QStringLiteral("2")).toInt())
    , locale(AppSettings::Instance()->locale)
{
}

QVariant PurchaseItemsModel::data(const QModelIndex& index, int role) const
{
    const QVariant value = QSqlQueryModel::data(index, role);
    if (role != Qt::DisplayRole)
        return value;
    switch (index.column()) {
    case QUANTITY:
    case RECEIVED_QUANTITY:
        return locale->toString(value.toInt());
    case UNIT_PRICE:
    case LINE_TOTAL:
    case SALE_PRICE:
        return locale->toString(value.toDouble(), 'f', decimalPlaces);
    default:
        return value;
    }
}

QString PurchaseItemsModel::ItemsQuery(const QString& orderId)
{
    // The order id is the editor's own number, never typed text.
    const QString id = QString::number(orderId.toInt());
    return QStringLiteral("SELECT po.ID, PORDER_ID, p.PRODUCT_CODE, p.NAME, QUANTITY, RECEIVED_QUANTITY, UNIT_PRICE, "
                          "LINE_TOTAL, SALE_PRICE, BATCH_NUMBER, ")
        + AppSettings::Instance()->SqlDateColumn(QStringLiteral("EXPIRY_DATE"), tr("EXPIRY DATE"))
        + QStringLiteral(" ,  STORAGE_LOCATION, p.UNIT_NAME, p.PRINT_UNIT_NAME, STOCK_ID, po.DISCOUNT, po.REORDER_LEVEL, "
                         "po.REORDER_QUANTITY, po.STOCK_CODE FROM tblPODetails as po, tblProducts as p WHERE PRODUCT_ID = "
                         "p.ID AND PORDER_ID = ")
        + (orderId.isEmpty() ? QStringLiteral("-1 ") : id);
}
