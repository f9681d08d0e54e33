#pragma once

#include <QLocale>
#include <QSqlQueryModel>

// The inventory page's list: integers and amounts written with the display locale.
class InventoryModel : public QSqlQueryModel
{
    Q_OBJECT
public:
    // Columns of the page's list statement, in its order.
    enum Column {
        ID, PRODUCT_ID, VENDOR_ID, BAR_CODE, BATCH_NUMBER, CATEGORY, P_NAME, V_NAME, EXPIRY_DATE, STORAGE_LOCATION,
        QUANTITY, SUB_ITEMS, PURCHASE_PRICE, SALE_PRICE, PRODUCT_CODE, SHOW_ON_POS, DISCOUNT, REORDER_LEVEL,
        REORDER_QUANTITY, IMAGE_FILE, COLUMN_COUNT
    };

    explicit InventoryModel(QObject* parent);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    int decimalPlaces;
    QLocale locale;
};
