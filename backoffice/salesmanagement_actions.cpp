// The sales records page's buttons: deleting stored sales, reopening one in the sale screen,
// printing and exporting the lists.
#include "salesmanagement.h"

#include "appsettings.h"
#include "databasefailure.h"
#include "databasemanager.h"
#include "reportprinter.h"
#include "saleopener.h"
#include "salesdetailssqltablemodel.h"
#include "salessqltablemodel.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

void SalesManagement::on_buttonDelete_clicked()
{
    const QModelIndexList rows = ui.tableViewSales->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        QMessageBox::information(this, tr("Delete Sale"), tr("Please select row from sales table, and then press delete."),
                                 QMessageBox::Ok);
        return;
    }
    if (QMessageBox::question(this, tr("Delete Sale"),
                              tr("Do you really want to delete [%1] selected sales and associated details?").arg(rows.size()),
                              QMessageBox::Yes | QMessageBox::No)
        != QMessageBox::Yes)
        return;

    // Read every ID before the first deletion, while the rows still show what was asked about.
    QStringList saleIds;
    for (const QModelIndex& row : rows)
        saleIds << salesModel()->record(ToSales(row).row()).value(SalesSqlTableModel::ID).toString();
    for (const QString& saleId : qAsConst(saleIds)) {
        if (!DeleteSale(saleId))
            break; // the sales after a failure stay as they are
    }

    Select(salesModel());
    Select(detailsModel(), QStringLiteral("ID = -1"));
    ui.tableViewSales->resizeColumnsToContents();
    ui.tableViewDetails->resizeColumnsToContents();
    selectedSaleId.clear();
}

bool SalesManagement::DeleteSale(const QString& saleId)
{
    DatabaseManager* manager = DatabaseManager::Instance();
    QSqlDatabase* db = manager->SalesDatabase();
    QSqlQuery* query = manager->SalesQuery();
    const auto fail = [this, manager, db, &saleId](const QSqlError& error, bool rollBack) {
        if (rollBack)
            manager->RollbackTransaction(db);
        QMessageBox::warning(this, tr("Delete Sale"),
                             tr("Sale %1 could not be deleted; it and the sales after it are kept.").arg(saleId)
                                 + QStringLiteral("\n\n") + DatabaseFailure::WriteReason(db->driver(), error));
        return false;
    };

    // A sale goes whole or not at all: lines without their sale would still count in the reports.
    if (!manager->BeginTransaction(db))
        return fail(db->lastError(), false);
    for (const char* sql : {"DELETE from tblSalesInvoice WHERE TRANSACTION_ID = :id",
                            "DELETE FROM tblPendingPayments WHERE TRANSACTION_ID = :id",
                            "DELETE from tblSalesTransactions WHERE ID = :id"}) {
        query->prepare(QLatin1String(sql));
        query->bindValue(QStringLiteral(":id"), saleId.toLongLong());
        if (!query->exec())
            return fail(query->lastError(), true);
    }
    if (!manager->CommitTransaction(db))
        return fail(db->lastError(), true);
    return true;
}

void SalesManagement::on_buttonEdit_clicked()
{
    if (selectedSaleId.isEmpty()) {
        QMessageBox::information(this, tr("Open Sale"), tr("Now row is selected. Please select a row first."),
                                 QMessageBox::Ok);
        return;
    }
    // The main window owns the open-sale request and the sale screen.
    auto* opener = dynamic_cast<SaleOpener*>(AppSettings::Instance()->mainWindow);
    if (!opener)
        return;

    const QString salesId = ui.editSalesID->text();
    const QString customerName = ui.lineEditCustomerName->text();
    const int saleType = ui.comboFilter->currentIndex();
    const QDate transactionDate = ui.dateEdit->date();
    const QDate dueDate = ui.dateEditDueDate->date();
    const int paymentStatus = ui.comboInvoiceStatus->currentIndex();
    const bool dueDateChecked = ui.checkDueDate->isChecked();
    const bool transactionDateChecked = ui.checkBoxEnableDate->isChecked();

    opener->RequestOpenSale(selectedSaleId, selectedSaleIsInvoice);
    opener->LaunchPointOfSale();

    // The sale type goes back before the payment status, whose reset for receipts it would undo.
    ui.checkDueDate->setChecked(dueDateChecked);
    ui.checkBoxEnableDate->setChecked(transactionDateChecked);
    ui.editSalesID->setText(salesId);
    ui.lineEditCustomerName->setText(customerName);
    ui.comboFilter->setCurrentIndex(saleType);
    ui.dateEdit->setDate(transactionDate);
    ui.dateEditDueDate->setDate(dueDate);
    ui.comboInvoiceStatus->setCurrentIndex(paymentStatus);
    on_buttonSearch_clicked();
}

void SalesManagement::on_pushExport_clicked()
{
    AppSettings::Instance()->ExportTableToCsv(QStringLiteral("Sales"), ui.tableViewSales, this);
    AppSettings::Instance()->ExportTableToCsv(QStringLiteral("Sales_Details"), ui.tableViewDetails, this);
}

void SalesManagement::on_pushPrint_clicked()
{
    ReportPrinter printer(this);
    printer.PrintTableView(tr("SALES REPORT"), ui.tabWidget->currentIndex() == 0 ? ui.tableViewSales : ui.tableViewDetails,
                           true, false);
}

void SalesManagement::on_pushSaveAsPDF_clicked()
{
    ReportPrinter printer(this);
    printer.PrintTableView(tr("SALES REPORT"), ui.tabWidget->currentIndex() == 0 ? ui.tableViewSales : ui.tableViewDetails,
                           true, true);
}
