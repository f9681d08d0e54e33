// Loading a stored sale back onto the sale screen, as a receipt or as an invoice.
#include "cpos.h"
#include "ui_cpos.h"

#include "databasemanager.h"
#include "pos.h"
#include "salesmodel.h"

#include <QDate>
#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

// The stored sale's header; an empty record when the sale is not there or the server does not answer.
QSqlRecord ReadHeader(const QString& saleId)
{
    QSqlQuery* query = DatabaseManager::Instance()->SalesQuery();
    if (!query)
        return QSqlRecord();
    query->prepare(QStringLiteral("SELECT * FROM tblSalesTransactions WHERE ID = :id"));
    query->bindValue(QStringLiteral(":id"), saleId.toLongLong());
    if (!query->exec()) {
        qCWarning(lcPos) << "loading a sale:" << query->lastError().text();
        return QSqlRecord();
    }
    if (!query->next())
        return QSqlRecord();
    return query->record();
}

void SetDateIfValid(QDateEdit* edit, const QVariant& value)
{
    const QDate date = QDate::fromString(value.toString().left(10), QStringLiteral("yyyy-MM-dd"));
    if (date.isValid())
        edit->setDate(date);
}

} // namespace

// Fills selectedCustomer from the customers table; false when the sale has no customer there.
bool CPOS::LoadSaleCustomer(const QVariant& customerId)
{
    selectedCustomer = SelectedCustomer();
    bool ok = false;
    const qlonglong id = customerId.toString().toLongLong(&ok);
    bool found = false;
    QSqlQuery* query = ok ? DatabaseManager::Instance()->InventoryQuery() : nullptr;
    if (query) {
        query->prepare(QStringLiteral("SELECT * FROM tblCustomers WHERE ID = :id"));
        query->bindValue(QStringLiteral(":id"), id);
        if (!query->exec())
            qCWarning(lcPos) << "sale's customer:" << query->lastError().text();
        else if (query->next()) {
            found = true;
            selectedCustomer.id = customerId.toString();
            selectedCustomer.name = query->value(QStringLiteral("NAME")).toString();
            selectedCustomer.email = query->value(QStringLiteral("EMAIL")).toString();
            selectedCustomer.address = query->value(QStringLiteral("ADDRESS")).toString();
            selectedCustomer.contact = query->value(QStringLiteral("CONTACT_NUMBER")).toString();
        }
    }
    // The load sets the button itself: the customer toggle would clear the fields just filled.
    suppressCustomerToggle = true;
    ui->pushCustomers->setChecked(found);
    suppressCustomerToggle = false;
    return found;
}

void CPOS::FillAmounts(const QSqlRecord& row)
{
    ui->lineEditTotal->setText(locale->toString(row.value(QStringLiteral("GRAND_TOTAL")).toDouble(), 'f', finalAmountPrecision));
    ui->lineEditPaid->setText(locale->toString(row.value(QStringLiteral("PAID")).toDouble(), 'f', finalAmountPrecision));
    ui->lineEditChange->setText(
        locale->toString(row.value(QStringLiteral("AMOUNT_DUE")).toDouble(), 'f', finalAmountPrecision));
    ui->lineEditTax->setText(locale->toString(row.value(QStringLiteral("TOTAL_TAX")).toDouble(), 'f', decimalPlaces));
    // The totals as the fields show them, so that later lines add to what the screen shows.
    grandTotal = locale->toDouble(ui->lineEditTotal->text());
    totalTax = locale->toDouble(ui->lineEditTax->text());
    totalDiscount = row.value(QStringLiteral("TOTAL_DISCOUNT")).toDouble();
}

void CPOS::FillPaymentType(const QSqlRecord& row)
{
    const QString type = row.value(QStringLiteral("PAYMENT_TYPE")).toString();
    ui->comboPaymentType->setCurrentText(type.isEmpty() ? QStringLiteral("OTHER") : type);
}

// The loaded sale's line numbers only: new lines are numbered after its highest. Its lines unread, the
// status line says so after openedText, and the stored lines give the numbers and totals once read.
void CPOS::LoadLinesOfSale(const QString& openedText)
{
    itemIndexes.clear();
    linesUnread = false;
    unconfirmedWrite.reset();
    totalsFromHeader = true;
    QString failure;
    if (!ReadCart(&failure)) {
        cartModel->RemoveAllLines();
        linesUnread = true;
        QString opened = openedText;
        if (opened.endsWith(QLatin1Char('.')))
            opened.chop(1);
        ShowStatus(failure.isEmpty()
                       ? WithRefusal(tr("%1. Its lines are read once the server is back.").arg(opened), false)
                       : tr("%1. Its lines could not be read: %2").arg(opened, failure),
                   true);
        return;
    }
    ui->tableViewItems->resizeColumnsToContents();
    for (int row = 0; row < cartModel->rowCount(); ++row)
        itemIndexes << cartModel->record(row).value(QStringLiteral("ITEM_INDEX")).toInt();
    ShowStatus(openedText, false);
}

void CPOS::LoadInvoice(const QString& saleId)
{
    const QSqlRecord row = ReadHeader(saleId);
    if (row.isEmpty() || row.value(QStringLiteral("INVOICE_MODE")).toInt() != 1) {
        ShowStatus(tr("This is not a valid invoice."), true);
        return;
    }
    trackChanges = false;
    transactionId = saleId;
    salePaid = false;
    ui->lineInvoiceNumber->setText(saleId);
    FillAmounts(row);
    ui->comboInvoiceStatus->setCurrentIndex(row.value(QStringLiteral("STATUS")).toInt());
    ui->dateTimeInvoiceTimeStamp->setDateTime(QDateTime::fromString(
        row.value(QStringLiteral("TIME_STAMP")).toDateTime().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")),
        QStringLiteral("yyyy-MM-ddThh:mm:ss")));
    SetDateIfValid(ui->dateSentDate, row.value(QStringLiteral("SENT_DATE")));
    SetDateIfValid(ui->dateDueDate, row.value(QStringLiteral("DUE_DATE")));
    ui->checkShipToCustomerAddress->setChecked(row.value(QStringLiteral("SHIP_TO_CUSTOMER_ADDR")).toInt() != 0);
    ui->lineShipName->setText(row.value(QStringLiteral("SHIP_NAME")).toString());
    ui->lineShipContact->setText(row.value(QStringLiteral("SHIP_CONTACT")).toString());
    ui->textShipAddress->setPlainText(row.value(QStringLiteral("SHIP_ADDRESS")).toString());
    ui->textNotes->setPlainText(row.value(QStringLiteral("NOTES")).toString());
    ui->lineShipVia->setText(row.value(QStringLiteral("SHIP_VIA")).toString());
    FillPaymentType(row);
    ui->lineRefNumber->setText(row.value(QStringLiteral("REFERENCE_NUMBER")).toString());

    const bool withCustomer = LoadSaleCustomer(row.value(QStringLiteral("CUSTOMER_ID")));
    if (withCustomer)
        ui->lineCustomerEmailInvoice->setText(selectedCustomer.email);
    UpdateCustomerSelection(true, withCustomer);
    LoadLinesOfSale(holdingSale ? tr("Pending invoice opened") : tr("Invoice opened"));
    reorderStockCodes.clear();
    autoOrderByVendor.clear();
    trackChanges = true;
    changedSinceSave = false;
}

void CPOS::LoadReceipt(const QString& saleId)
{
    const QSqlRecord row = ReadHeader(saleId);
    // A missing row would load as an empty receipt whose later saves write nothing.
    if (row.isEmpty()) {
        ShowStatus(tr("There is no stored sale with the number %1.").arg(saleId), true);
        return;
    }
    if (row.value(QStringLiteral("INVOICE_MODE")).toInt() != 0) {
        ShowStatus(tr("This is not a valid receipt, but an invoice."), true);
        return;
    }
    trackChanges = false;
    transactionId = saleId;
    salePaid = false;
    ui->lineReceiptNumber->setText(saleId);
    FillAmounts(row);
    ui->comboReceiptStatus->setCurrentIndex(row.value(QStringLiteral("STATUS")).toInt());
    ui->dateTimeReceiptTimeStamp->setDateTime(QDateTime::fromString(
        row.value(QStringLiteral("TIME_STAMP")).toDateTime().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")),
        QStringLiteral("yyyy-MM-ddThh:mm:ss")));
    // The name field is what pay writes as SHIP_NAME; CUSTOMER holds "NOT SELECTED" without a customer.
    ui->lineCustomerName->setText(row.value(QStringLiteral("SHIP_NAME")).toString());
    ui->lineShipName->setText(row.value(QStringLiteral("SHIP_NAME")).toString());
    ui->lineCustomerContact->setText(row.value(QStringLiteral("SHIP_CONTACT")).toString());
    ui->textCustomerAddress->setPlainText(row.value(QStringLiteral("SHIP_ADDRESS")).toString());

    const bool withCustomer = LoadSaleCustomer(row.value(QStringLiteral("CUSTOMER_ID")));
    if (withCustomer)
        ui->lineCustomerEmail->setText(selectedCustomer.email);
    UpdateCustomerSelection(false, withCustomer);
    FillPaymentType(row);
    ui->lineRefNumber->setText(row.value(QStringLiteral("REFERENCE_NUMBER")).toString());
    ui->textReceiptNotes->setPlainText(row.value(QStringLiteral("NOTES")).toString());

    LoadLinesOfSale(holdingSale ? tr("Pending payment opened") : tr("Sales receipt has been opened."));
    saleState = 1;
    reorderStockCodes.clear();
    autoOrderByVendor.clear();
    trackChanges = true;
    changedSinceSave = false;
}
