#pragma once

#include <QLocale>
#include <QSqlRelationalTableModel>

// The lines of one stored sale (tblSalesInvoice), quantities and money written for people.
class SalesDetailsSqlTableModel : public QSqlRelationalTableModel
{
    Q_OBJECT
public:
    enum Column {
        ID = 0, TRANSACTION_ID, ITEM_INDEX, PRODUCT_NAME, QUANTITY, PURCHASE_PRICE, SALE_PRICE, SUB_ITEMS, DISCOUNT,
        SUB_TOTAL, PURCHASE_SUB_TOTAL, SUB_TAX, BAR_CODE, ITEMS_PER_UNIT, UNIT_NAME, SUB_UNIT_NAME, PRINT_UNIT_NAME,
        CATEGORY, TAX_RATE, RETURNED
    };

    SalesDetailsSqlTableModel(QObject* parent, const QSqlDatabase& db);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    int decimals;
    QLocale locale;
};
