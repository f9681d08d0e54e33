// Searching stored receipts and invoices from the sale screen, and opening a stored sale that the
// sales records page asked for.
#include "cpos.h"
#include "ui_cpos.h"

#include "databasefailure.h"
#include "databasemanager.h"
#include "pos.h"
#include "progress.h"
#include "salesmanagement.h"
#include "voranteldialog.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>

namespace {

const int RECEIPTS = 1;
const int INVOICES = 2;

} // namespace

int CPOS::SaveCurrentSale()
{
    return invoiceMode ? SaveInvoice() : on_pushButtonPay_clicked();
}

QString CPOS::PickStoredSale(int saleTypeFilter)
{
    Progress busy(this, tr("Please wait..."));
    busy.show();
    ProcessEventPasses(5);
    auto* dialog = new VorantelDialog(this);
    auto* layout = new QGridLayout(dialog);
    dialog->resize(900, 600);
    dialog->setModal(true);
    auto* page = new SalesManagement(dialog, true, true, saleTypeFilter);
    layout->addWidget(page);
    const bool withPad = numberPadOpen;
    if (withPad)
        ShowNumberPad(dialog);
    ProcessEventPasses(5);
    busy.hide();
    dialog->exec();
    if (withPad)
        ShowNumberPad(nullptr);
    const QString id = page->GetSelectedSaleId();
    delete dialog;
    return id;
}

QString CPOS::ServerWords(const QSqlError& error)
{
    const QString words = error.databaseText().trimmed();
    return words.isEmpty() ? error.text() : words;
}

bool CPOS::StoredSaleExists(const QString& saleId)
{
    QSqlQuery* query = DatabaseManager::Instance()->SalesQuery();
    query->prepare(QStringLiteral("SELECT ID FROM tblSalesTransactions WHERE ID = :id"));
    query->bindValue(QStringLiteral(":id"), saleId);
    if (!query->exec()) {
        const QSqlError error = query->lastError();
        qCWarning(lcPos) << "stored sale" << saleId << error.text();
        // The driver's words ("Server has gone away QMYSQL: ...") are no reason a cashier can act on.
        if (DatabaseFailure::ConnectionLost(query->driver(), error))
            ShowStatus(WithRefusal(tr("Sale %1 could not be read: the database server cannot be reached.").arg(saleId),
                                   false),
                       true);
        else
            ShowStatus(tr("Stored sale %1 could not be read: %2").arg(saleId, ServerWords(error)), true);
        return false;
    }
    if (!query->next()) {
        ShowStatus(tr("There is no stored sale with the number %1.").arg(saleId), true);
        return false;
    }
    return true;
}

void CPOS::on_pushInvoiceSearch_clicked()
{
    const QString id = PickStoredSale(INVOICES);
    if (id.isEmpty())
        return;
    // Unsaved changes of the sale on screen are written first; a failed save keeps it on screen.
    if (SaveCurrentSale() != 0 || !StoredSaleExists(id))
        return;
    LoadInvoice(id);
}

void CPOS::on_pushSearchReceipt_clicked()
{
    const QString id = PickStoredSale(RECEIPTS);
    if (id.isEmpty())
        return;
    // Through the current mode's save: the invoice save would write a receipt's customer fields
    // and notes from the invoice page.
    if (SaveCurrentSale() != 0 || !StoredSaleExists(id))
        return;
    LoadReceipt(id);
}

void CPOS::OpenSale(const QString& saleId, bool invoice)
{
    if (!StoredSaleExists(saleId))
        return;
    if (ui->pushInvoiceMode->isChecked() != invoice) {
        ui->pushInvoiceMode->setChecked(invoice);
        // The switch stops, and puts the button back, when the sale on screen could not be saved.
        if (ui->pushInvoiceMode->isChecked() != invoice)
            return;
    }
    invoiceMode = invoice;
    if (invoice)
        LoadInvoice(saleId);
    else
        LoadReceipt(saleId);
    ui->tabWidget->setCurrentIndex(showPosButtons ? 1 : 0);
    QTimer::singleShot(100, this, &CPOS::ResizeTableViewColumns);
}
