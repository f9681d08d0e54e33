// Expense mode (the period's expenses one by one, per category or per day) and the stock
// modes (the caller's statement, narrowed to one vendor or one product category).
#include "reportviewer.h"

#include "appsettings.h"
#include "databasemanager.h"
#include "reportveiwermodel.h"
#include "sqlfilter.h"

#include <QSignalBlocker>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlRecord>
#include <QSqlTableModel>

namespace {

const QString EXPENSE_FROM = QStringLiteral(
    "  FROM tblExpenses as e, tblExpenseCategories as c WHERE date(DATED) BETWEEN date(:start) AND date(:end) "
    "AND e.CATEGORY_ID = c.ID");
const QString CATEGORY_TOTAL_FROM = QStringLiteral(
    " FROM tblInventory as i, tblProducts as p, tblProductCategories as c WHERE i.PRODUCT_ID = p.ID AND "
    "p.CATEGORY_ID = c.ID AND c.ID = :category");

} // namespace

void ReportViewer::SetExpenseMode()
{
    reportKind = 2;
    ui.groupGroupBy->hide();
    ui.group_summary->hide();
    ui.frameTotalExpenses->show();
    ui.radioIndividualExpenses->setChecked(true);
    ui.lineTotalExpensesSummary->setText(ExpenseTotalText());
    expenseMode = true;
}

void ReportViewer::ShowIndividualExpenses()
{
    const QString date = AppSettings::Instance()->SqlDateColumn(QStringLiteral("DATED"), QStringLiteral("DATE"));
    RunReportQuery(*DatabaseManager::Instance()->InventoryDatabase(),
                   QStringLiteral("SELECT c.NAME AS 'CATEGORY', AMOUNT, DESCRIPTION, ") + date + EXPENSE_FROM,
                   PeriodBindings());
}

// The grouped views order by the largest expense of each group: a plain AMOUNT there is
// one row's amount picked by the server, which ONLY_FULL_GROUP_BY refuses.
void ReportViewer::ShowExpensesByCategory()
{
    RunReportQuery(*DatabaseManager::Instance()->InventoryDatabase(),
                   QStringLiteral("SELECT c.NAME AS 'CATEGORY', SUM(AMOUNT) AS 'TOTAL EXPENSES' ") + EXPENSE_FROM
                       + QStringLiteral(" GROUP BY e.CATEGORY_ID, c.NAME  ORDER BY MAX(AMOUNT) DESC "),
                   PeriodBindings());
}

void ReportViewer::ShowExpensesByDate()
{
    const QString item = AppSettings::Instance()->SqlDateColumn(QStringLiteral("DATED"), QStringLiteral("DATE"));
    const QString expression = item.left(item.lastIndexOf(QLatin1String(" as '"))).trimmed();
    RunReportQuery(*DatabaseManager::Instance()->InventoryDatabase(),
                   QStringLiteral("SELECT ") + item + QStringLiteral(", SUM(AMOUNT) AS 'TOTAL EXPENSES' ") + EXPENSE_FROM
                       + QStringLiteral(" GROUP BY ") + expression + QStringLiteral("  ORDER BY MAX(AMOUNT) DESC "),
                   PeriodBindings());
}

void ReportViewer::on_radioIndividualExpenses_toggled(bool checked)
{
    if (checked)
        ShowIndividualExpenses();
}

void ReportViewer::on_radioCategory_toggled(bool checked)
{
    if (checked)
        ShowExpensesByCategory();
}

void ReportViewer::on_radioDate_2_toggled(bool checked)
{
    if (checked)
        ShowExpensesByDate();
}

void ReportViewer::SetStockMode(bool countAndValue)
{
    RunReportQuery(*DatabaseManager::Instance()->InventoryDatabase(), reportQuery, reportBindings);
    ui.groupGroupBy->hide();
    ui.group_summary->hide();
    ui.groupExpenses->hide();
    ui.groupVendorFilter->show();

    reportKind = countAndValue ? 1 : 0;
    categoryMode = countAndValue;
    filterModel = new QSqlTableModel(this, *DatabaseManager::Instance()->InventoryDatabase());
    filterModel->setTable(countAndValue ? QStringLiteral("tblProductCategories") : QStringLiteral("tblVendors"));
    filterModel->setSort(1, Qt::AscendingOrder);
    reads.Check(SqlFilter::Select(filterModel), tr("The filter list could not be read.") + QStringLiteral("\n\n%1"),
                filterModel);
    {
        // The table already shows the unfiltered statement: no entry is chosen yet.
        const QSignalBlocker blocker(ui.comboBoxVendors);
        ui.comboBoxVendors->setModel(filterModel);
        ui.comboBoxVendors->setModelColumn(1);
        ui.comboBoxVendors->setCurrentIndex(-1);
    }
    if (countAndValue) {
        ui.groupStockCountAndValue->show();
        ui.label_FilterResults->setText(tr("Filter by Category"));
        ShowStockTotals(QVariant());
    }
}

void ReportViewer::ShowStockTotals(const QVariant& categoryId)
{
    const QSqlDatabase db = *DatabaseManager::Instance()->InventoryDatabase();
    if (categoryId.isNull()) {
        ui.lineStockCount->setText(SumText(db, QStringLiteral("SELECT SUM(QUANTITY) FROM tblInventory"), {}, false));
        ui.lineTotalPurchaseValue->setText(
            SumText(db, QStringLiteral("SELECT SUM(PURCHASE_PRICE * QUANTITY) FROM tblInventory;"), {}, false));
        return;
    }
    const QVariantMap bindings{{QStringLiteral(":category"), categoryId}};
    ui.lineStockCount->setText(SumText(db, QStringLiteral("SELECT SUM(QUANTITY)") + CATEGORY_TOTAL_FROM, bindings, false));
    ui.lineTotalPurchaseValue->setText(
        SumText(db, QStringLiteral("SELECT SUM(PURCHASE_PRICE * QUANTITY)") + CATEGORY_TOTAL_FROM, bindings, false));
}

void ReportViewer::on_comboBoxVendors_currentIndexChanged(int index)
{
    const QSqlDatabase db = *DatabaseManager::Instance()->InventoryDatabase();
    if (index < 0 || !filterModel) {
        RunReportQuery(db, reportQuery, reportBindings);
        return;
    }
    const QVariant id = filterModel->record(index).value(0);
    QVariantMap bindings = reportBindings;
    bindings.insert(QStringLiteral(":reportFilterId"), id);
    if (categoryMode) {
        RunReportQuery(db, reportQuery + QStringLiteral(" AND p.CATEGORY_ID = :reportFilterId"), bindings);
        ShowStockTotals(id);
        return;
    }
    // NONE is the default vendor of every stock row nobody assigned: choosing it shows all rows.
    if (ui.comboBoxVendors->currentText() == QLatin1String("NONE"))
        RunReportQuery(db, reportQuery, reportBindings);
    else
        RunReportQuery(db, reportQuery + QStringLiteral(" AND i.VENDOR_ID = :reportFilterId"), bindings);
}
