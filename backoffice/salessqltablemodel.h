#pragma once

#include <QDate>
#include <QLocale>
#include <QSqlRelationalTableModel>

// The stored sales (tblSalesTransactions) with dates, money, sale type and payment status
// written for people. Columns are addressed by their place in the table.
class SalesSqlTableModel : public QSqlRelationalTableModel
{
    Q_OBJECT
public:
    enum Column {
        ID = 0, USER_ID, CUSTOMER, TIME_STAMP, GRAND_TOTAL, PAID, AMOUNT_DUE, TOTAL_TAX, INVOICE_MODE, STATUS,
        SENT_DATE, DUE_DATE, CUSTOMER_ID, SHIP_TO_CUSTOMER_ADDR, SHIP_NAME, SHIP_ADDRESS, SHIP_CONTACT, SHIP_VIA,
        NOTES, TOTAL_DISCOUNT, PAYMENT_TYPE, REFERENCE_NUMBER, STORE_ID, TERMINAL_ID
    };

    SalesSqlTableModel(QObject* parent, const QSqlDatabase& db);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    // The local date costs a look at the time zone, and a list asks for it at every row it paints: it is looked
    // up again only once the clock leaves the day it was read on.
    QDate Today() const;

    int decimals;
    QLocale locale;
    mutable QDate today;
    mutable qint64 todayStarts = 0;
    mutable qint64 todayEnds = 0;
};
