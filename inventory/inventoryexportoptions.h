#pragma once

#include "ui_inventoryexportoptions.h"
#include "voranteldialog.h"

// Asks whether the inventory export writes purchase costs and sale prices with or without tax.
class InventoryExportOptions : public VorantelDialog
{
    Q_OBJECT
public:
    explicit InventoryExportOptions(QWidget* parent);

    bool purchasePriceWithTax = true;
    bool salePriceWithTax = true;

public slots:
    void on_pushOk_clicked();

private:
    Ui::InventoryExportOptions ui;
};
