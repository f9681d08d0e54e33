// The order's status reactions (notices, the expense on SENT, the close), its status and payment colours,
// the paid-amount rule and the view-only mode of a closed order.
#include "addeditpurchaseorder.h"

#include "addeditexpensedialog.h"
#include "appsettings.h"
#include "errordialog.h"
#include "purchasestatus.h"

#include <QLocale>
#include <QMainWindow>
#include <QMessageBox>

bool AddEditPurchaseOrder::StampAndSave()
{
    Stamp();
    return Save();
}

void AddEditPurchaseOrder::RestoreStatus(const QString& word)
{
    // Re-enters the text slot with the remembered word, which matches no reaction.
    ui.comboStatus->setCurrentText(word);
}

void AddEditPurchaseOrder::on_comboStatus_currentTextChanged(const QString& arg1)
{
    using PurchaseStatus::StatusWord;
    const QString before = loadedStatusText;
    QWidget* mainWindow = AppSettings::Instance()->mainWindow;
    bool saved = true;
    if (arg1 == StatusWord(PurchaseStatus::Draft) && before != arg1 && !before.isEmpty()) {
        saved = StampAndSave();
    } else if (arg1 == StatusWord(PurchaseStatus::Sent) && before != arg1) {
        ErrorDialog notice(
            QStringLiteral("err_msg_26"), tr("Purchase Order Expense"),
            tr("<p>This purchase order total will be added to expenses. In the next step expense dialog will be shown "
               "with relevant values. Please review the expense and add to expenses.</p> <p>This is necessary to track "
               "expenses related to purchase orders. In expense and financial reports, these expenses will be shown. If "
               "the relevant expense category does not exist, please create a new one. </p>"),
            mainWindow, false, true);
        notice.exec();
        // A new order is saved first, so that the expense names its number.
        if (purchaseOrderId.isEmpty())
            saved = StampAndSave();
        if (saved) {
            AddEditExpenseDialog expense(this);
            expense.PrefillExpense(tr("Purchase Order Number: ") + purchaseOrderId, ui.lineTotal->text(),
                                   tr("PURCHASE ORDERS"), ui.dateSent->date());
            expense.setModal(true);
            expense.exec();
            saved = StampAndSave();
        }
    } else if ((arg1 == StatusWord(PurchaseStatus::PartiallyReceived) || arg1 == StatusWord(PurchaseStatus::Received))
               && before != arg1) {
        const QString text = arg1 == StatusWord(PurchaseStatus::PartiallyReceived)
            ? tr("<p> This state represents when ordered items have been delivered partially. Please select purchase "
                 "order item from following table, and then click on Receive Stock. A new dialog will be opened. "
                 "Complete all stock details and update the stock.</p> <p>Receive Stock will provide you options of "
                 "adding to existing stock or create a new stock.</p>")
            : tr("<p> This state represents when all the items have been delivered. Please select purchase order item "
                 "from following table, and then click on Receive Stock. A new dialog will be opened. Complete all "
                 "stock details and update the stock.</p> <p>Receive Stock will provide you options of adding to "
                 "existing stock or create a new stock.</p>");
        ErrorDialog notice(QStringLiteral("err_msg_39"), tr("Receive Stock"), text, mainWindow, false, true);
        notice.exec();
        saved = StampAndSave();
    } else if (arg1 == StatusWord(PurchaseStatus::Closed) && before != arg1) {
        const auto answer = QMessageBox::question(
            this, tr("PO Status"),
            tr("Closed purchase order can not be changed again, but you will be able to view. Do you really want to "
               "close this purchase order? "),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton);
        if (answer != QMessageBox::Yes) {
            RestoreStatus(before);
            return;
        }
        saved = StampAndSave();
        // Only an order the database holds as closed is locked.
        if (saved)
            SetViewOnlyMode();
    }
    if (!saved) {
        // The database keeps the old status, and so does the form; the save's error line stays.
        const QString error = ui.labelStatus->text();
        const QString style = ui.labelStatus->styleSheet();
        RestoreStatus(before);
        ui.labelStatus->setText(error);
        ui.labelStatus->setStyleSheet(style);
        return;
    }
    loadedStatusText = arg1;
}

void AddEditPurchaseOrder::on_comboStatus_currentIndexChanged(int index)
{
    const QString sheet = PurchaseStatus::StatusStyleSheet(index);
    if (!sheet.isEmpty())
        ui.comboStatus->setStyleSheet(sheet);
    Stamp();
    modified = true;
}

void AddEditPurchaseOrder::on_comboPaymentStatus_currentIndexChanged(int index)
{
    const QString sheet = PurchaseStatus::PaymentStyleSheet(index);
    if (!sheet.isEmpty())
        ui.comboPaymentStatus->setStyleSheet(sheet);
    Stamp();
    modified = true;
}

void AddEditPurchaseOrder::on_line_paid_amount_textChanged(const QString&)
{
    // Both amounts compared as the final totals are shown.
    const QString total = locale->toString(Amount(ui.lineTotal), 'f', finalAmountPrecision);
    const QString paid = locale->toString(Amount(ui.line_paid_amount), 'f', finalAmountPrecision);
    modified = true;
    const double t = locale->toDouble(total);
    const double p = locale->toDouble(paid);
    if (paid == total)
        ui.comboPaymentStatus->setCurrentIndex(2);
    else if (t > p && p != 0)
        ui.comboPaymentStatus->setCurrentIndex(1);
    else if (p == 0)
        ui.comboPaymentStatus->setCurrentIndex(0);
    else if (p > t)
        ui.comboPaymentStatus->setCurrentIndex(2);
}

void AddEditPurchaseOrder::SetViewOnlyMode()
{
    ui.comboStatus->setEnabled(false);
    ui.comboBoxTaxStatus->setEnabled(false);
    for (QWidget* widget : {ui.pushSave, ui.pushAddItem, ui.pushDeleteItem, ui.pushReceiveStock})
        widget->hide();
    ui.pushEditItem->setText(tr("View..."));
    setWindowTitle(tr("View Purchase Order"));
    for (QWidget* widget :
         {static_cast<QWidget*>(ui.dateDeliver), static_cast<QWidget*>(ui.dateSent), static_cast<QWidget*>(ui.comboVendors),
          static_cast<QWidget*>(ui.textEditNotes), static_cast<QWidget*>(ui.checkBoxShipToCompanyAddress),
          static_cast<QWidget*>(ui.lineContact), static_cast<QWidget*>(ui.lineEditShippingContact),
          static_cast<QWidget*>(ui.lineEditShippingName), static_cast<QWidget*>(ui.lineEditShipVia),
          static_cast<QWidget*>(ui.lineEditVendorContact), static_cast<QWidget*>(ui.lineEditVendorName),
          static_cast<QWidget*>(ui.textEditShippingAddress), static_cast<QWidget*>(ui.textEditVendorAddress),
          // A closed order is never written again, so nothing that only a save would keep stays open.
          static_cast<QWidget*>(ui.line_paid_amount), static_cast<QWidget*>(ui.comboPaymentStatus),
          static_cast<QWidget*>(ui.pushUpdateTimestamp)})
        widget->setEnabled(false);
}
