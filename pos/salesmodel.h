#pragma once

#include <QSqlQueryModel>

class QLocale;

// Columns of tblSalesInvoice as the cart shows them.
enum CartColumn {
    COL_ID,
    COL_TRANSACTION_ID,
    COL_ITEM_INDEX,
    COL_PRODUCT_NAME,
    COL_QUANTITY,
    COL_PURCHASE_PRICE,
    COL_SALE_PRICE,
    COL_SUB_ITEMS,
    COL_DISCOUNT,
    COL_LINE_TOTAL,
    COL_PURCHASE_SUB_TOTAL,
    COL_LINE_TAX,
    COL_BAR_CODE,
    COL_RETURNED = 19,
};

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
