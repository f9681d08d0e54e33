#pragma once

#include "appsettings.h"
#include "backofficefixture.h"
#include "messagesettings.h"

#include <QDate>
#include <QLocale>
#include <QSettings>
#include <QStringList>
#include <QtTest>

// Sales, expenses and stock for the report tests, dated relative to today.
namespace ReportSeed {

inline QString Day(int daysBack)
{
    return QDate::currentDate().addDays(-daysBack).toString(QStringLiteral("yyyy-MM-dd"));
}

// Sales: id, days back, customer, user, status. Lines: sale, product, category, quantity,
// sub-total, tax, discount, purchase sub-total, returned.
// Today 33.00 sold; yesterday 22.00 sold (one sale unfinished, status -1) and 22.00 returned;
// 7 days back 88.00; 8 days back 55.00; 30 days back 110.00; 31 days back 1000.00.
inline QString SeedSales(const BackofficeFixture& fixture)
{
    QStringList statements{QStringLiteral("DELETE FROM tblSalesInvoice"), QStringLiteral("DELETE FROM tblSalesTransactions")};
    const struct
    {
        int id;
        int daysBack;
        const char* customer;
        const char* user;
        int status;
    } sales[] = {{1, 0, "Alice", "ann", 2}, {2, 1, "Bob", "ben", 2}, {3, 1, "Alice", "ann", -1},
                 {4, 7, "Bob", "ann", 2},   {5, 8, "Alice", "ben", 2}, {6, 30, "Bob", "ben", 2},
                 {7, 31, "Alice", "ann", 2}};
    for (const auto& sale : sales)
        statements << QStringLiteral("INSERT INTO tblSalesTransactions (ID, USER_ID, CUSTOMER, TIME_STAMP, STATUS) "
                                     "VALUES (%1, '%2', '%3', '%4 15:30:00', %5)")
                          .arg(sale.id)
                          .arg(QLatin1String(sale.user), QLatin1String(sale.customer), Day(sale.daysBack))
                          .arg(sale.status);
    const char* lines[] = {
        "1, 'Tea', 'Drinks', 2, 10, 1, 0.5, 6, 0",   "1, 'Rice', 'Food', 1, 20, 2, 0, 12, 0",
        "2, 'Tea', 'Drinks', 3, 15, 1.5, 1, 9, 0",   "2, 'Rice', 'Food', 1, 20, 2, 0, 12, 1",
        "3, 'Coffee', 'Drinks', 1, 5, 0.5, 0, 3, 0", "4, 'Rice', 'Food', 4, 80, 8, 2, 48, 0",
        "5, 'Tea', 'Drinks', 10, 50, 5, 0, 30, 0",   "6, 'Rice', 'Food', 1, 100, 10, 0, 60, 0",
        "7, 'Tea', 'Drinks', 1, 1000, 0, 0, 1, 0",
    };
    for (const char* line : lines)
        statements << QStringLiteral("INSERT INTO tblSalesInvoice (TRANSACTION_ID, PRODUCT_NAME, CATEGORY, QUANTITY, "
                                     "SUB_TOTAL, SUB_TAX, DISCOUNT, PURCHASE_SUB_TOTAL, RETURNED, ITEM_INDEX, "
                                     "PURCHASE_PRICE, SALE_PRICE, SUB_ITEMS) VALUES (%1, 1, 0, 0, '1')")
                          .arg(QLatin1String(line));
    return fixture.execSales(statements);
}

// Expenses: yesterday 12.25 (Rent) and 7.75 (Travel), 7 days back 30 (Travel), 8 days back 500 (Rent).
// Stock (threshold 5 lists B1, B3, B4): B1 Tea 3 at Acme, expired ten days ago; B2 Tea 8 at NONE,
// expiring in 20 days; B3 Rice 0 at Acme, no expiry; B4 Rice -2 at NONE, in 400 days; B5 Rice 5 at
// Acme, in 100 days.
inline QString SeedInventory(const BackofficeFixture& fixture)
{
    auto ahead = [](int days) { return Day(-days); };
    return fixture.execInventory({
        QStringLiteral("DELETE FROM tblInventory"),
        QStringLiteral("DELETE FROM tblProducts"),
        QStringLiteral("DELETE FROM tblProductCategories"),
        QStringLiteral("DELETE FROM tblExpenses"),
        QStringLiteral("DELETE FROM tblExpenseCategories"),
        QStringLiteral("DELETE FROM tblVendors WHERE NAME <> 'NONE'"),
        QStringLiteral("INSERT INTO tblProductCategories (ID, NAME) VALUES (1, 'Drinks'), (2, 'Food')"),
        QStringLiteral("INSERT INTO tblProducts (ID, CATEGORY_ID, PRODUCT_CODE, NAME, TAX_RATE) VALUES "
                       "(1, 1, 'P1', 'Tea', 10), (2, 2, 'P2', 'Rice', 0)"),
        QStringLiteral("INSERT INTO tblVendors (ID, NAME) VALUES (50, 'Acme')"),
        QStringLiteral("INSERT INTO tblInventory (PRODUCT_ID, VENDOR_ID, BAR_CODE, BATCH_NUMBER, PURCHASE_PRICE, "
                       "SALE_PRICE, QUANTITY, EXPIRY_DATE) VALUES "
                       "(1, 50, 'B1', 'L1', 2.5, 4, 3, '%1'), "
                       "(1, (SELECT ID FROM tblVendors WHERE NAME = 'NONE'), 'B2', 'L2', 1.25, 2, 8, '%2'), "
                       "(2, 50, 'B3', 'L3', 40, 50, 0, NULL), "
                       "(2, (SELECT ID FROM tblVendors WHERE NAME = 'NONE'), 'B4', 'L4', 3, 5, -2, '%3'), "
                       "(2, 50, 'B5', 'L5', 2, 3.333, 5, '%4')")
            .arg(Day(10), ahead(20), ahead(400), ahead(100)),
        QStringLiteral("INSERT INTO tblExpenseCategories (ID, NAME) VALUES (1, 'Rent'), (2, 'Travel')"),
        QStringLiteral("INSERT INTO tblExpenses (CATEGORY_ID, DATED, AMOUNT, DESCRIPTION) VALUES "
                       "(1, '%1', 12.25, 'Key'), (2, '%1', 7.75, 'Bus'), (2, '%2', 30, 'Train'), "
                       "(1, '%3', 500, 'Rent')")
            .arg(Day(1), Day(7), Day(8)),
    });
}

} // namespace ReportSeed

// A report test program: both databases seeded once, and every test run with English
// texts, the default date format and decimals, no company details and no first-time notices.
class ReportTest : public BackofficeTest
{
    Q_OBJECT
protected slots:
    void initTestCase()
    {
        BackofficeTest::initTestCase();
        QCOMPARE(ReportSeed::SeedSales(fixture), QString());
        QCOMPARE(ReportSeed::SeedInventory(fixture), QString());
    }

    void init()
    {
        BackofficeTest::init();
        QSettings* store = AppSettings::Instance()->settings;
        store->setValue(QStringLiteral("err_msg_45"), false);
        store->setValue(QStringLiteral("err_msg_28"), false);
        MessageSettings::Instance()->Load();
        UseLanguage(QLocale::English);
        for (const char* key : {"DATE_FORMAT", "SUB_ITEMS_MODE", "decimal_places", "final_amount_precision",
                                "REPORT_COMPANY_LOGO", "logoSizeLarge", "REPORT_COMPANY_NAME", "REPORT_COMPANY_ADDRESS",
                                "CURRENCY_SYMBOL", "ReportPrintToPDF"})
            store->remove(QLatin1String(key));
        AppSettings::Instance()->LoadDateFormat();
    }
};
