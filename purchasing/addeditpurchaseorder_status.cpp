// The order's status and payment colours, the paid-amount rule and the view-only mode of a closed order.
#include "addeditpurchaseorder.h"

#include "purchasestatus.h"

#include <QLocale>

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
          static_cast<QWidget*>(ui.textEditShippingAddress), static_cast<QWidget*>(ui.textEditVendorAddress)})
        widget->setEnabled(false);
}
