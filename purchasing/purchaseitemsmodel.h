#pragma once

#include <QSqlQueryModel>

class QLocale;

// The lines of a purchase order (tblPODetails joined with tblProducts), quantities and amounts written
// with the application locale.
class PurchaseItemsModel : public QSqlQueryModel
{
    Q_OBJECT
public:
    // Columns of the items query; their order is fixed, the item dialog reads lines by position.
    enum Column {
        LINE_ID = 0, PORDER_ID, PRODUCT_CODE, NAME, QUANTITY, RECEIVED_QUANTITY, UNIT_PRICE, LINE_TOTAL, SALE_PRICE,
        BATCH_NUMBER, EXPIRY_DATE, STORAGE_LOCATION, UNIT_NAME, PRINT_UNIT_NAME, STOCK_ID, DISCOUNT, REORDER_LEVEL,
        REORDER_QUANTITY, STOCK_CODE
    };

    explicit PurchaseItemsModel(QObject* parent);
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // The items query of an order ("-1" for an order not saved yet).
    static QString ItemsQuery(const QString& orderId);

private:
    int decimalPlaces;
    const QLocale* locale;
};
