#include "reportsmanagement.h"

#include "appsettings.h"
#include "backofficelog.h"
#include "errordialog.h"
#include "progress.h"
#include "reportgenerator.h"
#include "reportparameterdialog.h"
#include "reportviewer.h"

#include <QDate>
#include <QMainWindow>
#include <QMessageBox>
#include <QScroller>

namespace {

const QString EXPIRY_STATEMENT = QStringLiteral(
    "SELECT i.BAR_CODE as 'STOCK CODE', p.NAME as PRODUCT, i.QUANTITY as QUANTITY, i.EXPIRY_DATE as EXPIRY , v.NAME "
    "as VENDOR,  i.BATCH_NUMBER as BATCH,  i.STORAGE_LOCATION as LOCATION  FROM tblInventory as i, tblProducts as p , "
    "tblVendors as v  WHERE i.PRODUCT_ID = p.ID AND i.VENDOR_ID = v.ID AND i.EXPIRY_DATE < :limit");

// The low-stock and out-of-stock lists: stock rows with their product and vendor that meet the condition.
QString StockLevelStatement(const QString& condition)
{
    return QStringLiteral("SELECT i.BAR_CODE as 'STOCK CODE', p.NAME as PRODUCT, i.QUANTITY as QUANTITY, v.NAME as "
                          "VENDOR,  i.BATCH_NUMBER as BATCH, ")
           + AppSettings::Instance()->SqlDateColumn(QStringLiteral("i.EXPIRY_DATE"), ReportsManagement::tr("EXPIRY"))
           + QStringLiteral(", i.STORAGE_LOCATION as LOCATION    FROM tblInventory as i, tblProducts as p , tblVendors "
                            "as v  WHERE i.PRODUCT_ID = p.ID AND i.VENDOR_ID = v.ID AND ")
           + condition;
}

QVariantMap ExpiryLimit(const QDate& limit)
{
    return {{QStringLiteral(":limit"), limit.toString(QStringLiteral("yyyy-MM-dd"))}};
}

QWidget* MainWindow()
{
    return AppSettings::Instance()->mainWindow;
}

} // namespace

ReportsManagement::ReportsManagement(QWidget* parent)
    : QScrollArea(parent)
{
    ui.setupUi(this);
    QScroller::grabGesture(viewport(), QScroller::LeftMouseButtonGesture);
    ui.radioLastSevenDays->setChecked(true);
    ui.radioSixMonths->setChecked(true);
}

void ReportsManagement::on_buttonSaleView_clicked()
{
    ErrorDialog notice(QStringLiteral("err_msg_28"), tr("Sales Report"),
                       tr("Total sales shown in this report are rounded off numbers according to significant numbers "
                          "set after decimal point on the Settings dialog. For example if numbers after decimal point "
                          "are set to 0, then numbers will be rounded off as following\n 1.65 will be equal to 2 and "
                          "1.20 will be equal to 1."),
                       MainWindow(), false, false);
    notice.exec();

    ReportGenerator generator(this);
    if (ui.radioFinancialReportForCurrentDay->isChecked())
        generator.FinancialReportCurrentDay();
    else if (ui.radioFinancialReportForLastDay->isChecked())
        generator.FinancialReportLastDay();
    else if (ui.radioLastSevenDays->isChecked())
        generator.FinancialReportLast7Days();
    else if (ui.radioLastThirtyDays->isChecked())
        generator.FinancialReportLast30Days();
    else if (ui.radioDateRange->isChecked())
        generator.FinancialReportDateRange();
}

void ReportsManagement::on_pushViewExpenseReport_clicked()
{
    ReportGenerator generator(this);
    if (ui.radioExpenseCurrentDay->isChecked())
        generator.ExpenseReportCurrentDay();
    else if (ui.radioExpenseLastDay->isChecked())
        generator.ExpenseReportLastDay();
    else if (ui.radioExpenseLast7Days->isChecked())
        generator.ExpenseReportLast7Days();
    else if (ui.radioExpenseLast30Days->isChecked())
        generator.ExpenseReportLast30Days();
    else if (ui.radioExpenseSpecificDate->isChecked())
        generator.ExpenseReportDateRange();
}

bool ReportsManagement::AskWholeNumber(const QString& caption, int* number)
{
    ReportParameterDialog prompt(MainWindow(), false);
    prompt.ui->label->setText(caption);
    prompt.ui->lineEditValue->setInputMethodHints(Qt::ImhDigitsOnly);
    prompt.setModal(true);
    prompt.exec();
    const QString value = prompt.GetValue().trimmed();
    // Closed without a value: the user changed their mind.
    if (value.isEmpty())
        return false;
    bool ok = false;
    *number = value.toInt(&ok, 10);
    if (!ok) {
        QMessageBox::warning(MainWindow(), tr("Inventory Report"),
                             tr("Please enter a whole number, such as 5. \"%1\" is not one.").arg(value));
        return false;
    }
    return true;
}

void ReportsManagement::RunStockList(const QString& heading, const QString& statement, const QVariantMap& bindings)
{
    ReportViewer viewer(MainWindow());
    Progress busy(this, tr("Please wait..."));
    ReportViewer::ShowBusy(busy);
    viewer.reportTitle = heading;
    viewer.SetHeading(heading);
    viewer.reportQuery = statement;
    viewer.reportBindings = bindings;
    viewer.showSalesSummary = false;
    viewer.SetStockMode(false);
    viewer.ExecInPlaceOf(busy);
}

void ReportsManagement::on_buttonInventoryView_clicked()
{
    if (ui.radioLowStock->isChecked()) {
        int threshold = 0;
        if (!AskWholeNumber(tr("Enter low stock value"), &threshold))
            return;
        RunStockList(QStringLiteral("STOCK LEVEL LESS THAN (%1)").arg(threshold),
                     StockLevelStatement(QStringLiteral("i.QUANTITY < :threshold")),
                     {{QStringLiteral(":threshold"), threshold}});
    } else if (ui.radioStockExpiringInNextSixMonths->isChecked()) {
        qCDebug(lcBackoffice) << "Expiry Statement: " << EXPIRY_STATEMENT;
        RunStockList(QStringLiteral("EXPIRING ITEMS IN SIX MONTHS"), EXPIRY_STATEMENT,
                     ExpiryLimit(QDate::currentDate().addMonths(6)));
    } else if (ui.radioSixMonths->isChecked()) {
        int days = 0;
        if (!AskWholeNumber(tr("Expiration Value in Days"), &days))
            return;
        qCDebug(lcBackoffice) << "Expiry Statement: " << EXPIRY_STATEMENT;
        RunStockList(QStringLiteral("EXPIRING ITEMS IN (%1) DAYS").arg(days), EXPIRY_STATEMENT,
                     ExpiryLimit(QDate::currentDate().addDays(days)));
    } else if (ui.radioOutofStock->isChecked()) {
        const QString statement = StockLevelStatement(QStringLiteral("i.QUANTITY <= 0"));
        qCDebug(lcBackoffice) << "OutofStock Statement: " << statement;
        RunStockList(QStringLiteral("OUT OF STOCK ITEMS"), statement, {});
    } else if (ui.radioStockCountAndValue->isChecked()) {
        ReportGenerator generator(this);
        generator.StockCountAndValueReport();
    }
}
