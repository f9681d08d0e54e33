// Sale record, line index, cart and the new-sale action of the sale screen.
#include "cpos.h"
#include "ui_cpos.h"

#include "appsettings.h"
#include "databasefailure.h"
#include "databasemanager.h"
#include "pos.h"
#include "salelinestore.h"
#include "salesmodel.h"

#include <QDateTime>
#include <QLayout>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

int CPOS::NextFreeIndex() const
{
    if (itemIndexes.isEmpty())
        return 1;
    return *std::max_element(itemIndexes.cbegin(), itemIndexes.cend()) + 1;
}

void CPOS::ReleaseIndex(int index)
{
    itemIndexes.removeAll(index);
}

void CPOS::CreateTransaction()
{
    const QDateTime now = QDateTime::currentDateTime();
    QString id;
    if (!lineStore->Open()
        || !lineStore->CreateHeader(AppSettings::Instance()->CurrentUser(),
                                    now.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")), invoiceMode, &id)) {
        // Item entry sees the empty ID and tries again with the next item.
        qCWarning(lcPos) << "new sale header:" << lineStore->LastError();
        id.clear();
    }
    transactionId = id;
    if (!id.isEmpty())
        ownHeaders << id;
    ui->dateTimeReceiptTimeStamp->setDateTime(now);
    ui->dateTimeInvoiceTimeStamp->setDateTime(now);
    ui->lineReceiptNumber->setText(transactionId);
    ui->lineInvoiceNumber->setText(transactionId);
    changedSinceSave = false;
}

bool CPOS::RefreshSalesTable()
{
    if (ReadCart())
        return true;
    // The lines shown may be those of another sale (a new or another loaded one): none rather than those.
    cartModel->RemoveAllLines();
    return false;
}

QString CPOS::CartStatement() const
{
    bool ok = false;
    const qlonglong id = transactionId.toLongLong(&ok);
    // The ID is a number of our own, written by QString::number: nothing of the user's reaches the text.
    return QStringLiteral("SELECT * FROM tblSalesInvoice WHERE TRANSACTION_ID = %1").arg(ok ? id : -1);
}

bool CPOS::ReadCart(QString* failure)
{
    DatabaseManager* manager = DatabaseManager::Instance();
    // The scan road has just checked the connection; no second ping for the cart.
    QSqlDatabase* sales = manager->salesDb && manager->salesOpen ? manager->salesDb : manager->SalesDatabase();
    if (!sales) {
        if (failure)
            failure->clear();
        return false;
    }
    // Read before the cart takes it: a failed read would leave the cart without rows and columns.
    QSqlQuery lines(*sales);
    if (!lines.exec(CartStatement())) {
        // Read once the server is back, with this sale's statement: one held from an earlier read could be
        // another sale's.
        manager->ReadWhenBack(sales->connectionName(), cartModel, [this] { return ReadCart(); });
        qCWarning(lcPos) << "cart:" << lines.lastError().text();
        // The reason is made (and logged) on every failure, asked for or not.
        const bool serverLost = DatabaseFailure::ConnectionLost(lines.driver(), lines.lastError());
        const QString reason = serverLost ? QString() : DatabaseFailure::ReadReason(lines);
        if (failure)
            *failure = reason;
        return false;
    }
    cartModel->setQuery(lines);
    cartModel->FetchAll();
    ui->tableViewItems->setModel(cartModel);
    return true;
}

void CPOS::CartWasRead()
{
    // Only this sale's lines give its totals: the connection manager's pass may read a statement held before.
    if (!linesUnread || cartModel->query().lastQuery() != CartStatement())
        return;
    cartModel->FetchAll();
    ResyncFromCart();
}

bool CPOS::SaleLinesKnown()
{
    if (HoldInDoubt())
        return false;
    if (!linesUnread)
        return true;
    // Asked through the manager, which reopens a connection the server dropped.
    DatabaseManager::Instance()->SalesDatabase();
    const bool afterWrite = unconfirmedWrite.has_value();
    QString failure;
    if (ReadCart(&failure) && !linesUnread)
        // The cashier first sees what the server kept of the write, and repeats the action.
        return !afterWrite;
    // Short enough for the status line at a till's width.
    ShowStatus(failure.isEmpty()
                   ? WithRefusal(tr("Not done: the database server cannot be reached to read the sale's lines."), false)
                   : tr("Not done: the sale's lines could not be read: %1").arg(failure),
               true);
    return false;
}

void CPOS::TellCartUnread(const QString& doneText, const QString& failure, bool shownAsStored)
{
    // Short enough for the status line at a till's width. The write itself was stored: a refused reopening's reason
    // does not say that nothing was saved.
    if (!failure.isEmpty())
        ShowStatus(tr("%1 The lines could not be read again: %2").arg(doneText, failure), true);
    else if (shownAsStored)
        ShowStatus(WithRefusal(tr("%1 The database server cannot be reached.").arg(doneText), false), true);
    else
        ShowStatus(WithRefusal(tr("%1 The lines will be shown when the database server is back.").arg(doneText), false),
                   true);
}

void CPOS::on_pushNew_clicked()
{
    on_pushNew_clicked(true, true);
}

void CPOS::on_pushNew_clicked(bool createTransaction, bool saveFirst)
{
    ClearStatus();

    if (saveFirst && changedSinceSave && on_pushButtonPay_clicked() != 0)
        return;
    // Only now: the save above runs the sale's reorder check, which needs what the sale noted.
    autoOrderByVendor.clear();
    reorderStockCodes.clear();
    reorderChecked = false;

    transactionId.clear();
    salePaid = false;
    ui->textReceiptNotes->clear();
    ui->comboReceiptStatus->setCurrentIndex(0);
    ui->comboInvoiceStatus->setCurrentIndex(0);
    ui->dateDueDate->setDate(QDate::currentDate());
    ui->dateSentDate->setDate(QDate::currentDate());
    ui->dateTimeInvoiceTimeStamp->clear();
    ui->checkShipToCustomerAddress->setChecked(true);
    for (QLineEdit* field : {ui->lineShipContact, ui->lineShipName, ui->lineShipVia})
        field->clear();
    ui->textNotes->clear();
    ui->textShipAddress->clear();
    for (QLineEdit* field : {ui->lineInvoiceNumber, ui->lineCustomerEmailInvoice, ui->lineReceiptNumber})
        field->clear();
    ui->dateTimeReceiptTimeStamp->clear();
    for (QLineEdit* field : {ui->lineCustomerContact, ui->lineCustomerName, ui->lineCustomerEmail})
        field->clear();
    ui->textCustomerAddress->clear();

    itemIndexes.clear();
    selectedCustomer = SelectedCustomer();
    ui->pushCustomers->setChecked(false);

    if (createTransaction) {
        CreateTransaction();
        // A sale that could not be begun as the connection was refused: told now, not at the next scan.
        if (transactionId.isEmpty() && DatabaseManager::Instance()->HeldPort())
            ShowStatus(WithRefusal(QString(), true), true);
    }

    grandTotal = 0.0;
    totalTax = 0.0;
    totalDiscount = 0.0;
    linesUnread = false;
    unconfirmedWrite.reset();
    totalsFromHeader = false;
    RefreshSalesTable();

    ui->lineEditBarCode->clear();
    ui->lineEditAbsDiscount->setText(QStringLiteral("0"));
    ui->lineEditDiscount->setText(QStringLiteral("0"));
    ui->lineEditItems->setText(QStringLiteral("1"));
    ui->lineEditSubItems->setText(QStringLiteral("0"));

    saleState = 0;
    ResetAmounts();
    ui->pushPrint->setEnabled(true);
    ui->pushPrintPreview->setEnabled(true);
    ui->comboPaymentType->setCurrentIndex(0);
    ui->lineRefNumber->clear();

    if (scannerInputEnabled) {
        ui->lineBarcodeScannerInput->setFocus();
        ui->lineBarcodeScannerInput->selectAll();
    } else {
        ui->lineSelectedProduct->clear();
        ui->lineSelectedSalePrice->clear();
        ui->comboBoxProducts->setFocus();
    }
    PoleShowWelcome();
    changedSinceSave = false;
}

void CPOS::on_pushCustomers_clicked()
{
}
