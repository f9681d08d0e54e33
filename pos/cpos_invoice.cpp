// Invoice mode of the sale screen: the mode switch, the change marks of the detail fields and
// the invoice save.
#include "cpos.h"
#include "ui_cpos.h"

#include "appsettings.h"
#include "pos.h"

#include <QDateTime>
#include <QSettings>

void CPOS::on_pushInvoiceMode_clicked()
{
}

void CPOS::on_pushInvoiceMode_toggled(bool checked)
{
    SwitchMode(checked);
}

void CPOS::SwitchMode(bool toInvoice)
{
    // The sale on screen is saved in its own mode first, whenever it changed since its last save (a
    // paid sale with a deleted line too); when that fails the switch does not happen, so nothing
    // unsaved is cleared away.
    const int saved = toInvoice ? (changedSinceSave ? on_pushButtonPay_clicked() : 0) : SaveInvoice();
    if (saved != 0) {
        const bool blocked = ui->pushInvoiceMode->blockSignals(true);
        ui->pushInvoiceMode->setChecked(!toInvoice);
        ui->pushInvoiceMode->blockSignals(blocked);
        return;
    }

    invoiceMode = toInvoice;
    LoadPendingPayments();
    if (!toInvoice)
        saleState = 0;
    on_pushNew_clicked(false, false);

    if (toInvoice) {
        ShowStatus(tr("Invoice Mode is selected."), false);
    } else {
        ShowStatus(tr("Receipt Mode is selected, and invoice mode disabled."), false);
        ui->labelPay->setText(tr("SAVE"));
    }
    ui->pushInvoiceSearch->setEnabled(toInvoice);

    const int first = showPosButtons ? 1 : 0;
    ui->tabWidget->removeTab(first);
    ui->tabWidget->removeTab(first);
    if (toInvoice)
        ui->tabWidget->addTab(invoiceDetailsPage, tr("Invoice Details"));
    else
        ui->tabWidget->addTab(receiptDetailsPage, tr("Receipt Details"));
    ui->tabWidget->addTab(pendingPaymentsPage, tr("Pending Payments"));
    ShowPendingCount();
    // Only once the pages are back: removing the current page would move the current index again.
    ui->tabWidget->setCurrentIndex(toInvoice ? 1 : 0);

    ui->pushInvoiceMode->setText(toInvoice ? tr("INVOICE\nMODE") : tr("RECEIPT\nMODE"));
    AppSettings::Instance()->settings->setValue(QStringLiteral("POS_MODE"), toInvoice ? 0 : 1);
    changedSinceSave = false;
}

void CPOS::MarkChanged()
{
    if (!transactionId.isEmpty() && trackChanges)
        StampChange();
}

// The sale changed now: the timestamp the next save writes moves with it.
void CPOS::StampChange()
{
    const QDateTime now = QDateTime::currentDateTime();
    ui->dateTimeInvoiceTimeStamp->setDateTime(now);
    ui->dateTimeReceiptTimeStamp->setDateTime(now);
    changedSinceSave = true;
}

void CPOS::on_comboPaymentType_currentIndexChanged(int /*index*/)
{
    MarkChanged();
}

void CPOS::on_lineRefNumber_textChanged(const QString& /*arg1*/)
{
    MarkChanged();
}

void CPOS::on_dateSentDate_dateChanged(const QDate& /*date*/)
{
    MarkChanged();
}

void CPOS::on_dateDueDate_dateChanged(const QDate& /*date*/)
{
    MarkChanged();
}

void CPOS::on_lineShipName_textChanged(const QString& /*arg1*/)
{
    MarkChanged();
}

void CPOS::on_lineCustomerEmailInvoice_textChanged(const QString& /*arg1*/)
{
    MarkChanged();
}

void CPOS::on_lineShipContact_textChanged(const QString& /*arg1*/)
{
    MarkChanged();
}

void CPOS::on_lineShipVia_textChanged(const QString& /*arg1*/)
{
    MarkChanged();
}

void CPOS::on_checkShipToCustomerAddress_toggled(bool /*checked*/)
{
    MarkChanged();
}

void CPOS::on_textShipAddress_textChanged()
{
    MarkChanged();
}

void CPOS::on_textNotes_textChanged()
{
    MarkChanged();
}

void CPOS::on_textReceiptNotes_textChanged()
{
    MarkChanged();
}

bool CPOS::InvoiceFieldsFit()
{
    struct Field
    {
        QString name;
        QString text;
        int length;
        QWidget* widget;
    };
    const Field fields[] = {
        {tr("Ship name"), ui->lineShipName->text(), SHIP_NAME_LENGTH, ui->lineShipName},
        {tr("Ship contact"), ui->lineShipContact->text(), SHIP_CONTACT_LENGTH, ui->lineShipContact},
        {tr("Ship via"), ui->lineShipVia->text(), SHIP_VIA_LENGTH, ui->lineShipVia},
        {tr("Ship address"), ui->textShipAddress->toPlainText(), SHIP_ADDRESS_LENGTH, ui->textShipAddress},
        {tr("Notes"), ui->textNotes->toPlainText(), NOTES_LENGTH, ui->textNotes},
        {tr("Reference number"), ui->lineRefNumber->text(), REFERENCE_NUMBER_LENGTH, ui->lineRefNumber},
    };
    for (const Field& field : fields) {
        QString refusal;
        if (HasFourByteCharacter(field.text))
            refusal = tr("%1 holds characters that can not be stored (such as emoji). Please remove them and save "
                         "again.")
                          .arg(field.name);
        else if (field.text.size() > field.length)
            refusal = tr("%1 is too long: at most %2 characters can be stored, it has %3.")
                          .arg(field.name, QString::number(field.length), QString::number(field.text.size()));
        if (!refusal.isEmpty()) {
            ShowStatus(refusal, true);
            field.widget->setFocus();
            return false;
        }
    }
    return true;
}

void CPOS::on_pushSaveInvoice_clicked()
{
    SaveInvoice();
}

int CPOS::SaveInvoice()
{
    if (!changedSinceSave) {
        ShowStatus(tr("Nothing changed and already saved."), true);
        return 0;
    }
    if (!SaleLinesKnown())
        return 4;
    // A customer chosen before the first item marks the sale changed while it has no row yet.
    if (transactionId.isEmpty())
        return 0;
    // QLocale reads "inf" and "nan" as numbers; the header can not store them.
    if (!qIsFinite(locale->toDouble(ui->lineEditPaid->text()))) {
        ShowPaidNotValid();
        return 1;
    }
    if (!InvoiceFieldsFit())
        return 1;

    QString error;
    const HeaderValues values = InvoiceHeader();
    const HeaderWrite written = WriteHeader(values, nullptr, &error);
    if (written != HeaderWrite::Stored) {
        qCWarning(lcPos) << "invoice save:" << error;
        TellHeaderNotStored(written, values, ui->dateTimeInvoiceTimeStamp,
                            tr("Error occurred while logging payment information"));
        saleState = 1;
        return 4;
    }
    ShowStatus(tr("Invoice saved."), false);
    RunReorderCheck();
    PoleShowPaidAndDue();
    changedSinceSave = false;
    return 0;
}
