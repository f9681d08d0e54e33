// Payment, the sale status rule and quick pay of the sale screen.
#include "cpos.h"
#include "ui_cpos.h"

#include "appsettings.h"
#include "databasefailure.h"
#include "databasemanager.h"
#include "poledisplay.h"
#include "pos.h"
#include "textfields.h"

#include <QDateTime>
#include <QLocale>
#include <QMessageBox>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextEdit>

namespace {

const char* const HEADER_UPDATE =
    "UPDATE tblSalesTransactions SET USER_ID = :u, CUSTOMER = :c, TIME_STAMP = :ts, GRAND_TOTAL = :gt, PAID = :p, "
    "AMOUNT_DUE = :r, TOTAL_TAX = :t, INVOICE_MODE = :i, STATUS = :s, SENT_DATE = :sd, DUE_DATE = :dd, CUSTOMER_ID = "
    ":ci, SHIP_TO_CUSTOMER_ADDR = :stca, SHIP_NAME = :sn, SHIP_ADDRESS = :sa, SHIP_CONTACT = :sc, SHIP_VIA = :sv, "
    "NOTES = :n, TOTAL_DISCOUNT = :td, PAYMENT_TYPE = :pt, REFERENCE_NUMBER = :rn, STORE_ID = :sid, TERMINAL_ID = "
    ":tid WHERE ID = :id";
const char* const HOLD_INSERT =
    "INSERT INTO tblPendingPayments (TRANSACTION_ID, BUTTON_INDEX, PAYMENT_NAME) VALUES (:tid, :bi, :pn)";
const char* const STAMP_FORMAT = "yyyy-MM-dd hh:mm:ss";

// The status rule: the combo index for the total text against the paid amount as written back.
int StatusFor(const QLocale& locale, const QString& totalText, double paid, int precision, int current)
{
    const QString paidText = locale.toString(paid, 'f', precision);
    const double total = locale.toDouble(totalText);
    const double paidBack = locale.toDouble(paidText);
    if (totalText == paidText)
        return 2;
    if (total > paidBack && paidBack != 0.0)
        return 1;
    if (paidBack == 0.0)
        return 0;
    if (paidBack > total)
        return 2;
    return current;
}

// The paid text as an amount: 0 when it is no number, and when it is "inf" or "nan", which
// QLocale reads as numbers.
double PaidOrZero(const QLocale& locale, const QString& text)
{
    bool ok = false;
    const double paid = locale.toDouble(text, &ok);
    return ok && qIsFinite(paid) ? paid : 0.0;
}

} // namespace

void CPOS::LimitSaleFields()
{
    ui->lineCustomerName->setMaxLength(SHIP_NAME_LENGTH);
    ui->lineCustomerContact->setMaxLength(SHIP_CONTACT_LENGTH);
    ui->lineRefNumber->setMaxLength(REFERENCE_NUMBER_LENGTH);
    ui->lineShipVia->setMaxLength(SHIP_VIA_LENGTH);
    LimitTextEdit(ui->textCustomerAddress, SHIP_ADDRESS_LENGTH);
    LimitTextEdit(ui->textReceiptNotes, NOTES_LENGTH);
    LimitTextEdit(ui->textNotes, NOTES_LENGTH);
}

QString CPOS::UnstorableField(bool invoice) const
{
    const QPair<QString, QString> fields[] = {
        {tr("Customer Name"), ui->lineCustomerName->text()},
        {tr("Customer Address"), ui->textCustomerAddress->toPlainText()},
        {tr("Customer Contact"), ui->lineCustomerContact->text()},
        {tr("Notes"), invoice ? ui->textNotes->toPlainText() : ui->textReceiptNotes->toPlainText()},
        {tr("Reference Number"), ui->lineRefNumber->text()},
        {tr("Ship Via"), invoice ? ui->lineShipVia->text() : QString()},
        {tr("Customer"), selectedCustomer.name},
    };
    for (const auto& field : fields)
        if (HasFourByteCharacter(field.second))
            return field.first;
    return QString();
}

CPOS::HeaderValues CPOS::ReceiptCustomer() const
{
    HeaderValues values;
    values.customer = selectedCustomer.name.isEmpty() ? QStringLiteral("NOT SELECTED") : selectedCustomer.name;
    // A sale without a customer has no customer ID: 0, as strict mode refuses an empty text.
    values.customerId = selectedCustomer.id.toLongLong();
    values.shipName = ui->lineCustomerName->text();
    values.shipAddress = ui->textCustomerAddress->toPlainText();
    values.shipContact = ui->lineCustomerContact->text();
    return values;
}

CPOS::HeaderValues CPOS::ReceiptHeader()
{
    HeaderValues values = ReceiptCustomer();
    values.timeStamp = ui->dateTimeReceiptTimeStamp->dateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    values.invoiceMode = 0;
    UpdatePaymentStateReceipt();
    values.status = ui->comboReceiptStatus->currentIndex();
    values.sentDate = ui->dateTimeReceiptTimeStamp->date().toString(QStringLiteral("yyyy-MM-dd"));
    values.dueDate = values.sentDate;
    values.shipToCustomer = 1;
    values.shipVia = QStringLiteral(" ");
    values.notes = ui->textReceiptNotes->toPlainText();
    return values;
}

CPOS::HeaderValues CPOS::InvoiceHeader()
{
    HeaderValues values;
    values.customer = selectedCustomer.name.isEmpty() ? QStringLiteral("NO CUSTOMER SELECTED") : selectedCustomer.name;
    values.customerId = selectedCustomer.id.toLongLong();
    // The timestamp as shown, before the status rule moves it on.
    values.timeStamp = ui->dateTimeInvoiceTimeStamp->dateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    values.invoiceMode = invoiceMode ? 1 : 0;
    UpdatePaymentStateInvoice();
    values.status = ui->comboInvoiceStatus->currentIndex();
    values.sentDate = ui->dateSentDate->date().toString(QStringLiteral("yyyy-MM-dd"));
    values.dueDate = ui->dateDueDate->date().toString(QStringLiteral("yyyy-MM-dd"));
    values.shipToCustomer = ui->checkShipToCustomerAddress->isChecked() ? 1 : 0;
    values.shipName = ui->lineShipName->text();
    values.shipAddress = ui->textShipAddress->toPlainText();
    values.shipContact = ui->lineShipContact->text();
    values.shipVia = ui->lineShipVia->text();
    values.notes = ui->textNotes->toPlainText();
    return values;
}

CPOS::HeaderWrite CPOS::WriteHeader(const HeaderValues& values, PendingPayment* hold, QString* error)
{
    DatabaseManager* manager = DatabaseManager::Instance();
    const double totalDiscountRounded =
        QString::number(totalDiscount, 'f', decimalPlaces).toDouble();
    const auto forget = [this] {
        headerUpdate.reset();
        holdInsert.reset();
        holdFind.reset();
    };
    // A statement of a connection the manager has since reopened fails once: the whole transaction,
    // which then wrote nothing, is tried once more on fresh statements.
    for (int attempt = 0; attempt < 2; ++attempt) {
        QSqlDatabase* db = manager->SalesDatabase();
        if (!db || !db->isOpen()) {
            *error = db ? db->lastError().text() : QStringLiteral("No sales database");
            return HeaderWrite::Refused;
        }
        if (db != headerDb || !headerUpdate) {
            headerDb = db;
            headerUpdate.reset(new QSqlQuery(*db));
            holdInsert.reset(new QSqlQuery(*db));
            holdFind.reset(new QSqlQuery(*db));
            holdFind->setForwardOnly(true);
            bool prepared = true;
            for (const auto& statement : {qMakePair(headerUpdate.get(), HEADER_UPDATE),
                                          qMakePair(holdInsert.get(), HOLD_INSERT), qMakePair(holdFind.get(), HOLD_FIND)}) {
                if (prepared && !statement.first->prepare(QLatin1String(statement.second))) {
                    *error = statement.first->lastError().text();
                    prepared = false;
                }
            }
            if (!prepared) {
                forget();
                continue;
            }
        }
        if (!manager->BeginTransaction(db)) {
            *error = db->lastError().text();
            forget();
            continue;
        }
        if (hold) {
            // Held by a Pay Later whose answer was lost: that row stays the sale's one, as it was named.
            bool held = false;
            bool done = ReadStoredHold(*holdFind, hold, &held, error);
            if (done && !held) {
                holdInsert->bindValue(QStringLiteral(":tid"), transactionId.toLongLong());
                holdInsert->bindValue(QStringLiteral(":bi"), hold->buttonIndex);
                holdInsert->bindValue(QStringLiteral(":pn"), hold->name);
                done = holdInsert->exec();
                if (!done)
                    *error = holdInsert->lastError().text();
            }
            if (!done) {
                qCWarning(lcPos) << "pending payment:" << *error;
                manager->RollbackTransaction(db);
                forget();
                continue;
            }
        }
        QSqlQuery& q = *headerUpdate;
        q.bindValue(QStringLiteral(":u"), AppSettings::Instance()->CurrentUser());
        q.bindValue(QStringLiteral(":c"), values.customer.left(CUSTOMER_LENGTH));
        q.bindValue(QStringLiteral(":ts"), values.timeStamp);
        q.bindValue(QStringLiteral(":gt"), locale->toDouble(ui->lineEditTotal->text()));
        q.bindValue(QStringLiteral(":p"), locale->toDouble(ui->lineEditPaid->text()));
        q.bindValue(QStringLiteral(":r"), locale->toDouble(ui->lineEditChange->text()));
        q.bindValue(QStringLiteral(":t"), locale->toDouble(ui->lineEditTax->text()));
        q.bindValue(QStringLiteral(":i"), values.invoiceMode);
        q.bindValue(QStringLiteral(":s"), values.status);
        q.bindValue(QStringLiteral(":sd"), values.sentDate);
        q.bindValue(QStringLiteral(":dd"), values.dueDate);
        q.bindValue(QStringLiteral(":ci"), values.customerId);
        q.bindValue(QStringLiteral(":stca"), values.shipToCustomer);
        q.bindValue(QStringLiteral(":sn"), values.shipName.left(SHIP_NAME_LENGTH));
        q.bindValue(QStringLiteral(":sa"), values.shipAddress.left(SHIP_ADDRESS_LENGTH));
        q.bindValue(QStringLiteral(":sc"), values.shipContact.left(SHIP_CONTACT_LENGTH));
        q.bindValue(QStringLiteral(":sv"), values.shipVia.left(SHIP_VIA_LENGTH));
        q.bindValue(QStringLiteral(":n"), values.notes.left(NOTES_LENGTH));
        q.bindValue(QStringLiteral(":td"), totalDiscountRounded);
        q.bindValue(QStringLiteral(":pt"), ui->comboPaymentType->currentText());
        q.bindValue(QStringLiteral(":rn"), ui->lineRefNumber->text().left(REFERENCE_NUMBER_LENGTH));
        q.bindValue(QStringLiteral(":sid"), storeId);
        q.bindValue(QStringLiteral(":tid"), terminalId);
        q.bindValue(QStringLiteral(":id"), transactionId.toLongLong());
        if (!q.exec()) {
            *error = q.lastError().text();
            qCWarning(lcPos) << "payment:" << q.lastError().driverText() + QStringLiteral("    ")
                                                  + q.lastError().databaseText();
            manager->RollbackTransaction(db);
            forget();
            continue;
        }
        if (!manager->CommitTransaction(db)) {
            // A COMMIT the server refused stored nothing; one whose answer was lost may have stored it all.
            *error = db->lastError().text();
            const bool lost = DatabaseFailure::ConnectionLost(db->driver(), db->lastError());
            manager->RollbackTransaction(db);
            forget();
            return lost ? HeaderWrite::Unconfirmed : HeaderWrite::Refused;
        }
        return HeaderWrite::Stored;
    }
    return HeaderWrite::Refused;
}

void CPOS::TellHeaderNotStored(HeaderWrite result, const HeaderValues& sent, QDateTimeEdit* stampField,
                               const QString& refusedText)
{
    if (result != HeaderWrite::Unconfirmed) {
        ShowStatus(WithRefusal(refusedText, true), true);
        return;
    }
    // The status rule has moved the stamp on since: saving again must send the one this write sent.
    stampField->setDateTime(QDateTime::fromString(sent.timeStamp, QLatin1String(STAMP_FORMAT)));
    ShowStatus(tr("The server did not confirm the save: saving again stores the same values."), true);
}

int CPOS::on_pushButtonPay_clicked()
{
    if (!changedSinceSave) {
        ShowStatus(tr("Nothing changed since last save."), true);
        return 0;
    }
    if (!SaleLinesKnown())
        return 4;
    if (ui->lineEditPaid->text().isEmpty())
        ui->lineEditPaid->setText(QStringLiteral("0"));
    bool ok = false;
    const double paid = locale->toDouble(ui->lineEditPaid->text(), &ok);
    if (!ok || !qIsFinite(paid)) {
        ShowPaidNotValid();
        return 1;
    }
    if (!PaidFitsAmountFields(paid))
        return 1;
    if (transactionId.isEmpty())
        return 0;
    if (invoiceMode)
        return SaveInvoice();

    ClearStatus();
    const QString paidText = locale->toString(paid, 'f', finalAmountPrecision);
    const QString totalText = ui->lineEditTotal->text();
    if (totalText != paidText && locale->toDouble(totalText) > locale->toDouble(paidText) && !holdingSale) {
        if (QMessageBox::question(this, tr("Payment"),
                                  tr("Paid amount is less than due amount. Do you still want to save in this state?"),
                                  QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton)
            != QMessageBox::Yes) {
            ShowStatus(tr("Paid amount is less than due amount"), true);
            return 3;
        }
    }
    const QString unstorable = UnstorableField(false);
    if (!unstorable.isEmpty()) {
        ShowStatus(tr("%1 contains a character that can not be stored. Please remove it and save again.").arg(unstorable),
                   true);
        return 4;
    }
    ui->lineEditChange->setText(
        locale->toString(locale->toDouble(totalText) - paid, 'f', finalAmountPrecision));

    QString error;
    const HeaderValues values = ReceiptHeader();
    const HeaderWrite written = WriteHeader(values, nullptr, &error);
    if (written != HeaderWrite::Stored) {
        qCWarning(lcPos) << "payment not saved:" << error;
        TellHeaderNotStored(written, values, ui->dateTimeReceiptTimeStamp,
                            tr("Error occurred while logging payment information"));
        saleState = 1;
        return 4;
    }
    saleState = 2;
    salePaid = true;
    ShowStatus(holdingSale ? tr("Added to Pending Payments") : tr("Paid successfully and saved."), false);

    RunReorderCheck();
    PoleShowPaidAndDue();
    changedSinceSave = false;
    return 0;
}

void CPOS::ShowPaidNotValid()
{
    ShowStatus(tr("Paid amount is not valid. Example 50%175").replace(QLatin1String("%1"), QString(locale->decimalPoint())),
               true);
    ui->lineEditPaid->setFocus();
}

bool CPOS::FitsAmountField(double amount, const QLineEdit* field) const
{
    return qIsFinite(amount) && locale->toString(amount, 'f', finalAmountPrecision).size() <= field->maxLength();
}

bool CPOS::PaidFitsAmountFields(double paid)
{
    if (FitsAmountField(paid, ui->lineEditPaid)
        && FitsAmountField(locale->toDouble(ui->lineEditTotal->text()) - paid, ui->lineEditChange))
        return true;
    ShowStatus(tr("Paid amount is too large: the paid and due amounts must fit in %1 characters.")
                   .arg(ui->lineEditChange->maxLength()),
               true);
    ui->lineEditPaid->setFocus();
    return false;
}

void CPOS::PoleShowPaidAndDue()
{
    if (!poleDisplayEnabled || !poleDisplay)
        return;
    poleDisplay->showPaid(ui->lineEditPaid->text());
    poleDisplay->showDue(ui->lineEditChange->text());
}

void CPOS::on_pushButtonPAID_clicked()
{
    if (!SaleLinesKnown())
        return;
    if (ui->lineEditPaid->text() != QLatin1String("0")) {
        const QString text =
            tr("Pay function will replace the current value of paid amount with the due amount, and will complete and "
               "save the current sale. If you want to save  the current state with current value, press Save button "
               "instead.")
            + QStringLiteral("\n\n")
            + tr("Do you want to proceed with the Pay function? Press Yes to proceed, and No to cancel.");
        if (QMessageBox::warning(this, tr("Pay"), text, QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton)
            != QMessageBox::Yes)
            return;
    }
    ui->lineEditPaid->setText(ui->lineEditTotal->text());
    if (invoiceMode)
        UpdatePaymentStateInvoice();
    else
        UpdatePaymentStateReceipt();
    on_pushButtonPay_clicked();
}

void CPOS::ResetAmounts()
{
    ui->lineEditTotal->setText(QStringLiteral("0"));
    ui->lineEditPaid->setText(QStringLiteral("0"));
    ui->lineEditPaid->selectAll();
    ui->lineEditChange->setText(QStringLiteral("0"));
    ui->lineEditTax->setText(QStringLiteral("0"));
    PoleShowPrice(QStringLiteral("0.00"));
    PoleShowTotal(QStringLiteral("0.00"));
}

void CPOS::on_lineEditPaid_textChanged(const QString& text)
{
    const double paid = PaidOrZero(*locale, text);
    QString due = locale->toString(grandTotal - paid, 'f', finalAmountPrecision);
    // A due amount the field would cut is no amount: such a paid text counts as 0, as one that does
    // not parse, and pay refuses it.
    if (due.size() > ui->lineEditChange->maxLength())
        due = locale->toString(grandTotal, 'f', finalAmountPrecision);
    ui->lineEditChange->setText(due);
    if (invoiceMode)
        UpdatePaymentStateInvoice();
    else
        UpdatePaymentStateReceipt();
}

void CPOS::UpdatePaymentStateReceipt()
{
    const double paid = PaidOrZero(*locale, ui->lineEditPaid->text());
    ui->comboReceiptStatus->setCurrentIndex(StatusFor(*locale, ui->lineEditTotal->text(), paid, finalAmountPrecision,
                                                      ui->comboReceiptStatus->currentIndex()));
    ui->dateTimeReceiptTimeStamp->setDateTime(QDateTime::currentDateTime());
    changedSinceSave = true;
}

void CPOS::UpdatePaymentStateInvoice()
{
    const double paid = PaidOrZero(*locale, ui->lineEditPaid->text());
    ui->comboInvoiceStatus->setCurrentIndex(StatusFor(*locale, ui->lineEditTotal->text(), paid, finalAmountPrecision,
                                                      ui->comboInvoiceStatus->currentIndex()));
    ui->dateTimeInvoiceTimeStamp->setDateTime(QDateTime::currentDateTime());
    changedSinceSave = true;
}

namespace {

const char* const STATUS_STYLES[] = {
    "QComboBox { background-color: red; color:white }",
    "QComboBox { background-color: rgb(97,173,226); color:white }",
    "QComboBox { background-color: green; color:white }",
};

} // namespace

void CPOS::on_comboReceiptStatus_currentIndexChanged(int index)
{
    if (index >= 0 && index <= 2)
        ui->comboReceiptStatus->setStyleSheet(QLatin1String(STATUS_STYLES[index]));
    MarkChanged();
}

void CPOS::on_comboInvoiceStatus_currentIndexChanged(int index)
{
    if (index >= 0 && index <= 2)
        ui->comboInvoiceStatus->setStyleSheet(QLatin1String(STATUS_STYLES[index]));
    MarkChanged();
}

void CPOS::QuickPay(int index)
{
    if (!SaleLinesKnown())
        return;
    ui->lineEditPaid->setText(quickPayAmounts.value(index));
    if (invoiceMode)
        UpdatePaymentStateInvoice();
    else
        UpdatePaymentStateReceipt();
    on_pushButtonPay_clicked();
}

void CPOS::on_CtrlOne()
{
    QuickPay(1);
}

void CPOS::on_CtrlTwo()
{
    QuickPay(2);
}

void CPOS::on_CtrlThree()
{
    QuickPay(3);
}

void CPOS::on_CtrlFour()
{
    QuickPay(4);
}

void CPOS::on_CtrlFive()
{
    QuickPay(5);
}

void CPOS::on_CtrlSix()
{
    QuickPay(6);
}

void CPOS::on_CtrlSeven()
{
    QuickPay(7);
}

void CPOS::on_CtrlEight()
{
    QuickPay(8);
}

void CPOS::on_CtrlNine()
{
    QuickPay(9);
}
