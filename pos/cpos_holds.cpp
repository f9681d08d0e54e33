// Held sales of the sale screen: Pay Later puts the sale on hold under a numbered, named button
// on the pending-payments tab; a button takes its sale up again.
#include "cpos.h"
#include "ui_cpos.h"

#include "cposbutton.h"
#include "databasefailure.h"
#include "databasemanager.h"
#include "errordialog.h"
#include "pos.h"
#include "reportparameterdialog.h"
#include "textfields.h"

#include <QDateTime>
#include <QGridLayout>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>

#include <algorithm>

namespace {

const int PAYMENT_NAME_LENGTH = 50;

} // namespace

// Stored databases may hold a sale twice already: its first row is the one kept.
const char* const CPOS::HOLD_FIND =
    "SELECT BUTTON_INDEX, PAYMENT_NAME FROM tblPendingPayments WHERE TRANSACTION_ID = :tid ORDER BY ID LIMIT 1";

int CPOS::PendingTabIndex() const
{
    return showPosButtons ? 2 : 1;
}

void CPOS::ShowPendingCount()
{
    if (pendingButtons.isEmpty())
        ui->tabWidget->setTabText(PendingTabIndex(), tr("Pending Payments"));
    else
        ui->tabWidget->setTabText(PendingTabIndex(), tr("Pending (%1)").arg(pendingButtons.size()));
}

void CPOS::LoadPendingPayments()
{
    // Called again by the mode switch: the buttons of the other mode go first.
    ClearPendingButtons();
    pendingButtons.clear();
    // The other mode numbers its holds apart; a hold in doubt is settled before the switch.
    unconfirmedHoldNumber = 0;
    QSqlQuery* query = DatabaseManager::Instance()->SalesQuery();
    if (query) {
        if (!query->exec(QStringLiteral("SELECT TRANSACTION_ID, BUTTON_INDEX, PAYMENT_NAME FROM tblPendingPayments as pp "
                                        ", tblSalesTransactions as st WHERE pp.TRANSACTION_ID = st.ID AND "
                                        "INVOICE_MODE = ")
                         + (invoiceMode ? QStringLiteral("1") : QStringLiteral("0")))) {
            qCWarning(lcPos) << "pending payments:" << query->lastError().text();
        } else {
            while (query->next())
                pendingButtons.append({query->value(1).toInt(), query->value(0).toString(), query->value(2).toString()});
        }
    }
    StylePendingButton();
    if (!pendingButtons.isEmpty())
        ShowPendingCount();
}

void CPOS::StylePendingButton()
{
    auto* grid = qobject_cast<QGridLayout*>(ui->scrollAreaPendingPaymentsContents->layout());
    for (int i = 0; i < pendingButtons.size(); ++i) {
        const PendingPayment& hold = pendingButtons.at(i);
        const QString caption = ButtonCaption(hold.name);
        auto* button = new CPosButton(caption, this, hold.saleId);
        if (caption != hold.name)
            button->setToolTip(PlainToolTip(hold.name));
        button->setStyleSheet(RowStyle(i) + ButtonStyleTail());
        grid->addWidget(button, 2 * (i / posRows), i % posColumns);
        connect(button, &QPushButton::clicked, this, &CPOS::PendingPaymentButtonClicked);
        grid->update();
        ui->scrollAreaPendingPayments->updateGeometry();
    }
    ui->tabWidget->updateGeometry();
}

void CPOS::ClearPendingButtons()
{
    QLayout* layout = ui->scrollAreaPendingPaymentsContents->layout();
    while (QLayoutItem* item = layout->takeAt(0)) {
        QWidget* widget = item->widget();
        // The button being clicked goes once control is back in the event loop.
        if (widget && widget == sender()) {
            widget->hide();
            widget->deleteLater();
        } else {
            delete widget;
        }
        delete item;
    }
    layout->update();
}

void CPOS::on_pushPayLater_clicked()
{
    if (transactionId.isEmpty()) {
        ShowStatus(tr("Nothing to add to pending payment. First create a sale."), true);
        return;
    }
    // Whether the sale has lines, and what it holds, is what is stored.
    if (!SaleLinesKnown())
        return;
    if (itemIndexes.isEmpty()) {
        ShowStatus(tr("No items exist in sale. Nothing to add to pending payment."), true);
        return;
    }
    bool paidIsNumber = false;
    const double paid = locale->toDouble(ui->lineEditPaid->text(), &paidIsNumber);
    // "inf" and "nan" read as numbers; the header could not store them.
    if (!qIsFinite(paid)) {
        ShowPaidNotValid();
        return;
    }
    if (paidIsNumber && !PaidFitsAmountFields(paid))
        return;
    ErrorDialog notice(
        QStringLiteral("err_msg_41"), tr("Pending Payment"),
        tr("<p><b>Pay Later</b> function adds the current sale to pending payment. It is very useful function when you "
           "want to hold the payment for one customer, but  want to process the next customer. It is also useful in "
           "restaurants and cafes where customer orders first and pays later. You can add each customer order to "
           "pending payment, and open later when the customer is ready to pay.</p>"),
        this, false, true);
    notice.exec();

    int next = 1;
    for (const PendingPayment& hold : qAsConst(pendingButtons))
        next = qMax(next, hold.buttonIndex + 1);
    next = qMax(next, unconfirmedHoldNumber + 1);

    ReportParameterDialog prompt(this, false);
    prompt.ui->label->setText(tr("Payment Reference"));
    prompt.setWindowTitle(tr("Pending Payment"));
    prompt.ui->lineEditValue->setMaxLength(PAYMENT_NAME_LENGTH);
    prompt.ui->lineEditValue->setText(QStringLiteral("Payment_") + QString::number(next));
    prompt.ui->lineEditValue->setInputMethodHints(Qt::ImhNoPredictiveText);
    prompt.setModal(true);
    prompt.exec();
    QString name = prompt.GetValue().left(PAYMENT_NAME_LENGTH);
    // PAYMENT_NAME is NOT NULL: a prompt closed or left empty holds the sale under an empty name.
    if (name.isNull())
        name = QLatin1String("");

    QString unstorable = HasFourByteCharacter(name) ? tr("Payment Reference") : UnstorableField(invoiceMode);
    if (!unstorable.isEmpty()) {
        ShowStatus(tr("%1 contains a character that can not be stored. Please remove it and save again.").arg(unstorable),
                   true);
        return;
    }

    const QDateTime now = QDateTime::currentDateTime();
    ui->dateTimeReceiptTimeStamp->setDateTime(now);
    ui->dateTimeInvoiceTimeStamp->setDateTime(now);
    HeaderValues values = ReceiptCustomer();
    values.timeStamp = now.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    values.invoiceMode = invoiceMode ? 1 : 0;
    values.status = invoiceMode ? ui->comboInvoiceStatus->currentIndex() : ui->comboReceiptStatus->currentIndex();
    values.notes = invoiceMode ? ui->textNotes->toPlainText() : ui->textReceiptNotes->toPlainText();
    values.sentDate = ui->dateSentDate->date().toString(QStringLiteral("yyyy-MM-dd"));
    values.dueDate = ui->dateDueDate->date().toString(QStringLiteral("yyyy-MM-dd"));
    values.shipToCustomer = ui->checkShipToCustomerAddress->isChecked() ? 1 : 0;
    values.shipVia = ui->lineShipVia->text();

    // The hold row and the header go together: a hold never points at a sale saved only in part.
    PendingPayment hold{next, transactionId, name};
    QString error;
    const HeaderWrite written = WriteHeader(values, &hold, &error);
    if (written != HeaderWrite::Stored) {
        qCWarning(lcPos) << "pay later:" << error;
        if (written == HeaderWrite::Unconfirmed) {
            ShowStatus(tr("The server did not confirm the hold: press Pay Later again once it is back."), true);
            unconfirmedHold = hold;
            unconfirmedHoldNumber = hold.buttonIndex;
            // Whatever comes next saves the sale first, and so looks the hold up: a sale that went on
            // unseen would leave a stored hold without its button.
            changedSinceSave = true;
        } else {
            ShowStatus(WithRefusal(tr("Error occurred while creating pending payment."), true), true);
        }
        saleState = 1;
        return;
    }
    GoOnAsHeld(hold, true);
}

void CPOS::GoOnAsHeld(const PendingPayment& hold, bool saveFirst)
{
    const bool shown = std::any_of(pendingButtons.cbegin(), pendingButtons.cend(),
                                   [&](const PendingPayment& button) { return button.saleId == hold.saleId; });
    if (!shown)
        pendingButtons.append(hold);
    ShowPendingCount();
    ClearPendingButtons();
    StylePendingButton();

    saleState = 2;
    holdingSale = true;
    on_pushNew_clicked(true, saveFirst);
    holdingSale = false;
}

bool CPOS::ReadStoredHold(QSqlQuery& find, PendingPayment* hold, bool* held, QString* error)
{
    find.bindValue(QStringLiteral(":tid"), transactionId.toLongLong());
    if (!find.exec()) {
        *error = find.lastError().text();
        return false;
    }
    *held = find.next();
    if (*held) {
        hold->buttonIndex = find.value(0).toInt();
        hold->name = find.value(1).toString();
    }
    find.finish();
    return true;
}

bool CPOS::HoldInDoubt(const QString& notRungUp)
{
    if (!unconfirmedHold)
        return false;
    // Asked through the manager, which reopens a connection the server dropped.
    QSqlDatabase* db = DatabaseManager::Instance()->SalesDatabase();
    PendingPayment stored = *unconfirmedHold;
    bool held = false;
    QString error;
    if (!db || !db->isOpen()) {
        // Not cut short by the grey phase of the "did not confirm" text before it.
        ShowLastingStatus(WithRefusal(tr("Not done: the database server cannot be reached to find the hold."), false),
                          true);
        return true;
    }
    QSqlQuery find(*db);
    find.setForwardOnly(true);
    if (!find.prepare(QLatin1String(HOLD_FIND)) || !ReadStoredHold(find, &stored, &held, &error)) {
        // Looked up again at the next action.
        qCWarning(lcPos) << "hold look-up:" << find.lastError().text();
        ShowLastingStatus(DatabaseFailure::ConnectionLost(find.driver(), find.lastError())
                              ? WithRefusal(tr("Not done: the database server cannot be reached to find the hold."),
                                            false)
                              : tr("Not done: the sale's hold could not be read: %1").arg(ServerWords(find.lastError())),
                          true);
        return true;
    }
    unconfirmedHold.reset();
    StatusPart told{tr("The hold was not stored: press Pay Later again, or pay the sale."), {},
                    tr("Not held: Pay Later again, or pay.")};
    if (held) {
        // The hold's own transaction stored the header with it; nothing typed since is saved with the held sale.
        RunReorderCheck();
        GoOnAsHeld(stored, false);
        told = {tr("The hold was stored: the sale is under Pending Payments."), {},
                tr("Held under Pending Payments.")};
    }
    QVector<StatusPart> parts{told};
    if (!notRungUp.isEmpty())
        parts << NotRungUp(notRungUp);
    ShowLastingStatus(NamedStatus(parts), !held);
    return true;
}

void CPOS::PendingPaymentButtonClicked()
{
    auto* button = qobject_cast<CPosButton*>(sender());
    if (!button)
        return;
    if (changedSinceSave && on_pushButtonPay_clicked() != 0)
        return;
    const QString saleId = button->GetCode();

    for (int i = 0; i < pendingButtons.size(); ++i) {
        if (pendingButtons.at(i).saleId == saleId) {
            pendingButtons.remove(i);
            break;
        }
    }
    ShowPendingCount();

    // Only the till whose DELETE took the row resumes the sale; another till got there first otherwise.
    bool taken = false;
    QSqlQuery* query = DatabaseManager::Instance()->SalesQuery();
    if (query) {
        query->prepare(QStringLiteral("DELETE FROM tblPendingPayments WHERE TRANSACTION_ID = :id"));
        query->bindValue(QStringLiteral(":id"), saleId.toLongLong());
        if (!query->exec())
            qCWarning(lcPos) << "resuming a pending payment:" << query->lastError().text();
        else
            taken = query->numRowsAffected() > 0;
    }
    ClearPendingButtons();
    StylePendingButton();
    if (!taken) {
        ShowStatus(tr("This pending payment has already been resumed elsewhere."), true);
        return;
    }

    holdingSale = true;
    if (invoiceMode)
        LoadInvoice(saleId);
    else
        LoadReceipt(saleId);
    holdingSale = false;
}
