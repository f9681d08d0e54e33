#pragma once

#include "settingspage.h"
#include "ui_receiptprinterpage.h"

// The page geometry of the small receipt printer: logo and its size, paper width, margins and
// print direction.
class ReceiptPrinterPage : public SettingsPage
{
    Q_OBJECT
public:
    explicit ReceiptPrinterPage(QWidget* parent);

    bool SaveSettings() override;
    void LoadSettings() override;

private:
    Ui::ReceiptPrinterPage ui;
};
