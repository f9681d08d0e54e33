#include "reportgenerator.h"

#include "appsettings.h"
#include "databasefailure.h"
#include "databasemanager.h"
#include "progress.h"
#include "reportparameterdialog.h"
#include "reportviewer.h"

#include <QLocale>
#include <QMainWindow>
#include <QMessageBox>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>

namespace {

const QString SALES_SQL = QStringLiteral(
    "SELECT SUM(SUB_TOTAL+SUB_TAX) AS 'TOTAL SALES', SUM(DISCOUNT) AS 'TOTAL DISCOUNT',  SUM(PURCHASE_SUB_TOTAL) AS "
    "'TOTAL PURCHASE COST', SUM(SUB_TAX) AS 'TOTAL SALES TAX' , SUM(QUANTITY) AS 'ITEMS SOLD' FROM tblSalesInvoice as "
    "si, tblSalesTransactions as st WHERE RETURNED = 0 AND date(st.TIME_STAMP) BETWEEN date(:start) AND date(:end) AND "
    "si.TRANSACTION_ID = st.ID");
const QString RETURNS_SQL = QStringLiteral(
    "SELECT SUM(SUB_TOTAL+SUB_TAX) AS 'TOTAL RETURNS',  SUM(QUANTITY) AS 'ITEMS RETURNED' FROM tblSalesInvoice as si, "
    "tblSalesTransactions as st WHERE RETURNED = 1 AND date(st.TIME_STAMP) BETWEEN date(:start) AND date(:end) AND "
    "si.TRANSACTION_ID = st.ID");
const QString STOCK_SQL = QStringLiteral(
    "SELECT i.BAR_CODE as 'STOCK CODE', p.NAME as PRODUCT, i.QUANTITY as QUANTITY, i.PURCHASE_PRICE as 'PURCHASE "
    "COST', ROUND (i.SALE_PRICE * (1+ p.TAX_RATE/100) , %1) as 'SALE VALUE', i.QUANTITY * i.PURCHASE_PRICE AS 'STOCK "
    "VALUE'   FROM tblInventory as i, tblProducts as p , tblProductCategories as c  WHERE i.PRODUCT_ID = p.ID AND "
    "p.CATEGORY_ID = c.ID");

// The last N days are N whole days before today, as the dashboard counts them.
QDate DaysBack(int days)
{
    return QDate::currentDate().addDays(-days);
}

} // namespace

ReportGenerator::ReportGenerator(QWidget* parent)
    : QWidget(parent)
{
    QSettings* store = AppSettings::Instance()->settings;
    decimalPlaces = store->value(QStringLiteral("decimal_places"), QStringLiteral("2")).toString().toInt();
    finalAmountPrecision = store->value(QStringLiteral("final_amount_precision"), QStringLiteral("2")).toString().toInt();
}

QPair<QDate, QDate> ReportGenerator::AskPeriod()
{
    ReportParameterDialog prompt(AppSettings::Instance()->mainWindow, true);
    prompt.setModal(true);
    prompt.exec();
    return {prompt.ui->dateEditStart->date(), prompt.ui->dateEditEnd->date()};
}

void ReportGenerator::FinancialReportCurrentDay()
{
    FinancialReport(DaysBack(0), DaysBack(0), QStringLiteral("FINANCIAL REPORT (CURRENT DAY)"), false);
}

void ReportGenerator::FinancialReportLastDay()
{
    FinancialReport(DaysBack(1), DaysBack(1), QStringLiteral("FINANCIAL REPORT (LAST DAY)"), false);
}

void ReportGenerator::FinancialReportLast7Days()
{
    FinancialReport(DaysBack(7), DaysBack(1), QStringLiteral("FINANCIAL REPORT (LAST 7 DAYS)"), false);
}

void ReportGenerator::FinancialReportLast30Days()
{
    FinancialReport(DaysBack(30), DaysBack(1), QStringLiteral("FINANCIAL REPORT (LAST 30 DAYS)"), false);
}

void ReportGenerator::FinancialReportDateRange()
{
    const QPair<QDate, QDate> period = AskPeriod();
    FinancialReport(period.first, period.second, QStringLiteral("FINANCIAL REPORT"), true);
}

void ReportGenerator::FinancialReport(const QDate& start, const QDate& end, const QString& heading, bool chosenPeriod)
{
    Progress busy(this, tr("Please wait..."));
    ReportViewer::ShowBusy(busy);

    const QLocale& locale = *AppSettings::Instance()->locale;
    const QVariantMap period = ReportPeriod(start, end);
    QSqlQuery* query = DatabaseManager::Instance()->SalesQuery();
    auto run = [&](const QString& sql) {
        if (ExecReportStatement(*query, sql, period)) {
            // Sums over no lines come back as one row of NULLs, shown as zeros.
            query->next();
            return true;
        }
        busy.hide();
        // Zeros here would pass for a period without sales.
        QMessageBox::warning(AppSettings::Instance()->mainWindow, tr("Financial Report"),
                             tr("The sales figures could not be read.") + QStringLiteral("\n\n")
                                 + DatabaseFailure::ReadReason(*query));
        return false;
    };

    if (!run(SALES_SQL))
        return;
    const QString totalSales = locale.toString(query->value(0).toDouble(), 'f', finalAmountPrecision);
    const QString totalDiscount = locale.toString(query->value(1).toDouble(), 'f', decimalPlaces);
    const QString purchaseCost = locale.toString(query->value(2).toDouble(), 'f', decimalPlaces);
    const QString salesTax = locale.toString(query->value(3).toDouble(), 'f', decimalPlaces);
    const QString itemsSold = locale.toString(query->value(4).toInt());

    if (!run(RETURNS_SQL))
        return;
    const QString itemsReturned = locale.toString(query->value(1).toInt());
    const QString totalReturns = locale.toString(query->value(0).toDouble(), 'f', decimalPlaces);

    ReportViewer viewer(AppSettings::Instance()->mainWindow);
    viewer.SetSalesSummary(totalSales, purchaseCost, totalDiscount, salesTax, itemsSold, totalReturns, itemsReturned);
    viewer.SetDates(start, end);
    if (chosenPeriod)
        viewer.ShowDateLabels();
    viewer.reportTitle = heading;
    viewer.SetHeading(heading);
    viewer.reportQuery = RETURNS_SQL;
    viewer.showSalesSummary = true;
    viewer.SetSalesMode();
    viewer.ExecInPlaceOf(busy);
}

void ReportGenerator::ExpenseReportCurrentDay()
{
    ExpenseReport(DaysBack(0), DaysBack(0), QStringLiteral("EXPENSE REPORT (CURRENT DAY)"), false);
}

void ReportGenerator::ExpenseReportLastDay()
{
    ExpenseReport(DaysBack(1), DaysBack(1), QStringLiteral("EXPENSE REPORT (LAST DAY)"), false);
}

void ReportGenerator::ExpenseReportLast7Days()
{
    ExpenseReport(DaysBack(7), DaysBack(1), QStringLiteral("EXPENSE REPORT (LAST 7 DAYS)"), false);
}

void ReportGenerator::ExpenseReportLast30Days()
{
    ExpenseReport(DaysBack(30), DaysBack(1), QStringLiteral("EXPENSE REPORT (LAST 30 DAYS)"), false);
}

void ReportGenerator::ExpenseReportDateRange()
{
    const QPair<QDate, QDate> period = AskPeriod();
    ExpenseReport(period.first, period.second, QStringLiteral("EXPENSE REPORT"), true);
}

void ReportGenerator::ExpenseReport(const QDate& start, const QDate& end, const QString& heading, bool chosenPeriod)
{
    Progress busy(this, tr("Please wait..."));
    ReportViewer::ShowBusy(busy);
    ReportViewer viewer(AppSettings::Instance()->mainWindow);
    viewer.SetDates(start, end);
    if (chosenPeriod)
        viewer.ShowDateLabels();
    viewer.reportTitle = heading;
    viewer.SetHeading(heading);
    viewer.reportQuery.clear();
    viewer.showSalesSummary = false;
    viewer.SetExpenseMode();
    viewer.ExecInPlaceOf(busy);
}

void ReportGenerator::StockCountAndValueReport()
{
    Progress busy(this, tr("Please wait..."));
    ReportViewer::ShowBusy(busy);
    ReportViewer viewer(AppSettings::Instance()->mainWindow);
    viewer.reportTitle = tr("Stock Count and Value Report");
    viewer.SetHeading(viewer.reportTitle);
    viewer.reportQuery = STOCK_SQL.arg(decimalPlaces);
    viewer.showSalesSummary = false;
    viewer.SetStockMode(true);
    viewer.ExecInPlaceOf(busy);
}
