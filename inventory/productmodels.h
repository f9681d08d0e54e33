#pragma once

#include <QLocale>
#include <QSqlRelationalTableModel>

// The products list: tblProducts with its category's name in column 1.
class ProductModel : public QSqlRelationalTableModel
{
    Q_OBJECT
public:
    enum Column {
        ID, CATEGORY_ID, PRODUCT_CODE, NAME, ITEMS_PER_UNIT, DESCRIPTION, IMAGE_FILE, TAX_RATE, UNIT_NAME,
        SUB_UNIT_NAME, PRINT_UNIT_NAME, SERVICE_ITEM
    };

    ProductModel(QObject* parent, QSqlDatabase db);
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    int taxDecimalPlaces;
    QLocale locale;
};

// The stock rows of one product: tblInventory with its vendor's name in column 2.
class StockModel : public QSqlRelationalTableModel
{
    Q_OBJECT
public:
    enum Column {
        ID, PRODUCT_ID, VENDOR_ID, BAR_CODE, BATCH_NUMBER, EXPIRY_DATE, STORAGE_LOCATION, PURCHASE_PRICE, SALE_PRICE,
        QUANTITY, SUB_ITEMS, SHOW_ON_POS, DISCOUNT, REORDER_LEVEL, REORDER_QUANTITY
    };

    StockModel(QObject* parent, QSqlDatabase db);
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    int decimalPlaces;
    QLocale locale;
};
