// Sales mode: the period's sale lines summed per category, product, customer, user or day,
// sold or returned.
#include "reportviewer.h"

#include "appsettings.h"
#include "databasemanager.h"
#include "reportveiwermodel.h"

#include <QSqlDatabase>

namespace {

const QString SOLD_MEASURES = QStringLiteral(
    "SUM(SUB_TOTAL+SUB_TAX) AS 'SALES', SUM(si.QUANTITY) AS 'ITEMS SOLD', SUM(DISCOUNT) AS 'DISCOUNT', "
    "SUM(PURCHASE_SUB_TOTAL) AS 'PURCHASE COST'");
const QString RETURNED_MEASURES = QStringLiteral("SUM(SUB_TOTAL+SUB_TAX) AS 'RETURNS', SUM(si.QUANTITY) AS 'ITEMS RETURNED'");
const QString SOLD_SUB_ITEMS_MEASURES = QStringLiteral(
    "SUM(SUB_TOTAL+SUB_TAX) AS 'SALES', SUM(si.QUANTITY) AS 'ITEMS SOLD', SUM(si.SUB_ITEMS) AS 'SUB ITEMS SOLD', "
    "SUM(DISCOUNT) AS 'DISCOUNT', SUM(PURCHASE_SUB_TOTAL) AS 'PURCHASE COST'");
const QString RETURNED_SUB_ITEMS_MEASURES = QStringLiteral(
    "SUM(SUB_TOTAL+SUB_TAX) AS 'RETURNS', SUM(si.QUANTITY) AS 'ITEMS RETURNED', SUM(si.SUB_ITEMS) AS 'SUB ITEMS %1'");

} // namespace

void ReportViewer::SetSalesMode()
{
    reportKind = 3;
    ui.lineEditExpenses->setText(ExpenseTotalText());
    ui.groupGroupBy->show();
    ui.group_summary->show();
    ui.checkViewReturns->show();
    ShowSalesByCategory();
    ui.groupExpenses->hide();
}

void ReportViewer::ShowSalesGrouping(int kind, const QString& key, const QString& group)
{
    reportKind = kind;
    const bool returned = ui.checkViewReturns->isChecked();
    QString measures;
    if (subItemsMode && returned)
        // The category view has always been headed so; exports and habits rely on the caption.
        measures = RETURNED_SUB_ITEMS_MEASURES.arg(kind == 5 ? QStringLiteral("REUTRNED") : QStringLiteral("RETURNED"));
    else if (subItemsMode)
        measures = SOLD_SUB_ITEMS_MEASURES;
    else if (returned)
        measures = RETURNED_MEASURES;
    else
        measures = SOLD_MEASURES;
    // The grouping expression is also the selected key, so that servers running with
    // ONLY_FULL_GROUP_BY accept the statement as well.
    const QString sql = QStringLiteral("SELECT ") + key + measures
                        + QStringLiteral(" FROM tblSalesInvoice as si LEFT JOIN tblSalesTransactions as st ON st.ID "
                                         "=si.TRANSACTION_ID  WHERE RETURNED = ")
                        + (returned ? QLatin1Char('1') : QLatin1Char('0'))
                        + QStringLiteral(" AND date(st.TIME_STAMP) BETWEEN date(:start) AND date(:end) GROUP BY ") + group
                        + QStringLiteral("  ORDER BY 'SALES' DESC ");
    RunReportQuery(*DatabaseManager::Instance()->SalesDatabase(), sql, PeriodBindings());
}

void ReportViewer::ShowSalesByProduct()
{
    ShowSalesGrouping(3, QStringLiteral("si.PRODUCT_NAME as PRODUCT, "), QStringLiteral("si.PRODUCT_NAME"));
}

void ReportViewer::ShowSalesByCustomer()
{
    ShowSalesGrouping(4, QStringLiteral("CUSTOMER as CUSTOMER, "), QStringLiteral("CUSTOMER"));
}

void ReportViewer::ShowSalesByCategory()
{
    ShowSalesGrouping(5, QStringLiteral("si.CATEGORY as CATEGORY, "), QStringLiteral("si.CATEGORY"));
}

void ReportViewer::ShowSalesByUser()
{
    ShowSalesGrouping(6, QStringLiteral("USER_ID as USER, "), QStringLiteral("USER_ID"));
}

void ReportViewer::ShowSalesByDate()
{
    const QString item = AppSettings::Instance()->SqlDateColumn(QStringLiteral("TIME_STAMP"), QStringLiteral("DATE"));
    // The formatted day names the group: one per calendar day in every date format.
    const QString expression = item.left(item.lastIndexOf(QLatin1String(" as '"))).trimmed();
    ShowSalesGrouping(7, item + QStringLiteral(" , "), expression);
}

void ReportViewer::on_radioSalesCategory_toggled(bool checked)
{
    if (checked)
        ShowSalesByCategory();
}

void ReportViewer::on_radioProduct_toggled(bool checked)
{
    if (checked)
        ShowSalesByProduct();
}

void ReportViewer::on_radioCustomer_toggled(bool checked)
{
    if (checked)
        ShowSalesByCustomer();
}

void ReportViewer::on_radioDate_toggled(bool checked)
{
    if (checked)
        ShowSalesByDate();
}

void ReportViewer::on_radioUser_toggled(bool checked)
{
    if (checked)
        ShowSalesByUser();
}

void ReportViewer::on_checkViewReturns_toggled(bool checked)
{
    Q_UNUSED(checked) // the groupings read the box themselves
    if (ui.radioSalesCategory->isChecked())
        ShowSalesByCategory();
    else if (ui.radioCustomer->isChecked())
        ShowSalesByCustomer();
    else if (ui.radioDate->isChecked())
        ShowSalesByDate();
    else if (ui.radioProduct->isChecked())
        ShowSalesByProduct();
    else if (ui.radioUser->isChecked())
        ShowSalesByUser();
}
