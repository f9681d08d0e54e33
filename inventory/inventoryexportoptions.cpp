#include "inventoryexportoptions.h"

#include "appsettings.h"
#include "constants.h"

#include <QSettings>

InventoryExportOptions::InventoryExportOptions(QWidget* parent)
    : VorantelDialog(parent)
{
    ui.setupUi(this);
    const QString tax = AppSettings::Instance()->settings->value(SALES_TAX_NAME, QStringLiteral("Sales Tax")).toString();
    ui.label_top->setText(tr("Please specify whether you want to export purchase and sale prices with or without %1").arg(tax));
    ui.radioPurchaseWithTax->setText(tr("With %1").arg(tax));
    ui.radioPurchaseWithoutTax->setText(tr("Without %1").arg(tax));
    ui.radioSaleWithTax->setText(tr("With %1").arg(tax));
    ui.radioSaleWithoutTax->setText(tr("Without %1").arg(tax));
}

void InventoryExportOptions::on_pushOk_clicked()
{
    if (ui.radioPurchaseWithoutTax->isChecked())
        purchasePriceWithTax = false;
    if (ui.radioSaleWithoutTax->isChecked())
        salePriceWithTax = false;
    close();
}
