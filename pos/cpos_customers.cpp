// Customer selection and the timestamp correction of the sale screen.
#include "cpos.h"
#include "ui_cpos.h"

#include "appsettings.h"
#include "databasemanager.h"
#include "errordialog.h"
#include "managecustomers.h"
#include "pos.h"

#include <QDateTime>
#include <QMessageBox>
#include <QSqlError>
#include <QSqlQuery>

namespace {

const int MODULE_SALES = 3;

const QString SELECTED_STYLE =
    QStringLiteral(" QLabel { background-color: green; color : white; font-weight : normal;}");
const QString NOT_SELECTED_STYLE =
    QStringLiteral(" QLabel { background-color: red; color : white; font-weight : normal;}");

} // namespace

void CPOS::UpdateCustomerSelection(bool invoice_mode, bool selected)
{
    QLabel* label = invoice_mode ? ui->label_invoice_customer_notification : ui->label_receipt_customer_notification;
    label->setText(selected ? tr("CUSTOMER SELECTED") : tr("NO CUSTOMER SELECTED"));
    label->setStyleSheet(selected ? SELECTED_STYLE : NOT_SELECTED_STYLE);
}

void CPOS::SetCustomerFields(bool invoice, const SelectedCustomer& customer)
{
    if (invoice) {
        ui->lineShipName->setText(customer.name);
        ui->lineCustomerEmailInvoice->setText(customer.email);
        ui->lineShipContact->setText(customer.contact);
        ui->textShipAddress->setPlainText(customer.address);
    } else {
        ui->lineCustomerName->setText(customer.name);
        ui->lineCustomerEmail->setText(customer.email);
        ui->lineCustomerContact->setText(customer.contact);
        ui->textCustomerAddress->setPlainText(customer.address);
    }
    UpdateCustomerSelection(invoice, !customer.id.isEmpty());
}

// Unlike the detail fields, the customer marks the sale changed even before it has a row.
void CPOS::MarkCustomerChange()
{
    if (!trackChanges)
        return;
    StampChange();
}

void CPOS::on_pushCustomers_toggled(bool checked)
{
    if (suppressCustomerToggle)
        return;

    if (!checked) {
        selectedCustomer = SelectedCustomer();
        SetCustomerFields(invoiceMode, selectedCustomer);
        ShowStatus(tr("Customer deselected."), false);
        MarkCustomerChange();
        return;
    }

    SelectedCustomer picked;
    {
        ManageCustomers picker(this, true);
        picker.setModal(true);
        if (numberPadOpen)
            ShowNumberPad(&picker);
        picker.exec();
        if (numberPadOpen)
            ShowNumberPad(nullptr);
        picker.getSelectedCustomer(picked.id, picked.name, picked.address, picked.email, picked.contact);
    }
    selectedCustomer = picked;
    ShowStatus(tr("Selected customer : ") + selectedCustomer.name, false);

    if (!selectedCustomer.id.isEmpty()) {
        ErrorDialog notice(
            QStringLiteral("err_msg_11"), tr("Customer Selection"),
            tr("<p><b>Customer Selection: </b>Customer has been selected. Customer data will be printed on the large "
               "size sales invoice or receipt and stored in database.  In case of small tickets or receipts, customer "
               "name will be printed. </p><p><b>How to deselect?</b> This is a toggle button, once pressed remains in "
               "that state (selected state). Please press this button again to deselect existing customer and the "
               "button will return to it's normal state.</p>"),
            this, false, true);
        notice.exec();
        ui->tabWidget->setCurrentIndex(showPosButtons ? 1 : 0);
        SetCustomerFields(invoiceMode, selectedCustomer);
        if (invoiceMode)
            ui->checkShipToCustomerAddress->setChecked(true);
        MarkCustomerChange();
        return;
    }

    selectedCustomer = SelectedCustomer();
    ShowStatus(tr("Customer deselected."), false);
    ui->pushCustomers->setChecked(false);
    SetCustomerFields(invoiceMode, selectedCustomer);
    MarkCustomerChange();
}

namespace {

bool MayCorrectTimestamps(QWidget* parent)
{
    if (AppSettings::Instance()->HasPermission(MODULE_SALES))
        return true;
    QMessageBox::information(parent, QStringLiteral("Permission"),
                             QStringLiteral("You are not allowed to access this function. Please contact ADMINISTRATOR "
                                            "user of Vorantel and request Sales Management permissions."),
                             QMessageBox::Ok);
    return false;
}

// Writes the timestamp the operator corrected into the sale on screen, after the permission check.
void CorrectTimestamp(CPOS* screen, const QString& saleId, const QDateTime& stamp, const QString& done)
{
    if (!MayCorrectTimestamps(screen))
        return;
    QSqlQuery* query = saleId.isEmpty() ? nullptr : DatabaseManager::Instance()->SalesQuery();
    if (query) {
        query->prepare(QStringLiteral("UPDATE tblSalesTransactions SET TIME_STAMP = :ts WHERE ID = :id"));
        query->bindValue(QStringLiteral(":ts"), stamp.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
        query->bindValue(QStringLiteral(":id"), saleId);
        if (query->exec()) {
            QMessageBox::information(screen, CPOS::tr("Timestamp"), done);
            return;
        }
        qCWarning(lcPos) << "timestamp:" << query->lastError().text();
    }
    QMessageBox::information(screen, CPOS::tr("Timestamp"), CPOS::tr("Error occurred. Failed to update timestamp"));
}

} // namespace

void CPOS::on_pushUpdateInvoiceTimestamp_clicked()
{
    CorrectTimestamp(this, transactionId, ui->dateTimeInvoiceTimeStamp->dateTime(),
                     tr("Invoice timestamp updated successfully"));
}

void CPOS::on_pushUpdateReceiptTimestamp_clicked()
{
    CorrectTimestamp(this, transactionId, ui->dateTimeReceiptTimeStamp->dateTime(),
                     tr("Receipt timestamp updated successfully"));
}
