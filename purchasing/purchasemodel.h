#pragma once

#include <QSqlQueryModel>

class QLocale;

// The purchase orders list: status and payment words with their colour swatches, money in the
// application locale, the overdue mark on the delivery date.
class PurchaseModel : public QSqlQueryModel
{
    Q_OBJECT
public:
    enum Column {
        ID = 0, VENDOR = 1, STATUS = 2, SENT_DATE = 3, DELIVERY_DATE = 4, LAST_MODIFIED = 5, SUB_TOTAL = 6,
        SALES_TAX = 7, TOTAL = 8, NOTES = 9, PAYMENT_STATUS = 16, PAID_AMOUNT = 17
    };

    explicit PurchaseModel(QObject* parent);
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    int decimalPlaces;
    const QLocale* locale;
};
