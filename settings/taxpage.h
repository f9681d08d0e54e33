#pragma once

#include "settingspage.h"
#include "ui_taxpage.h"

// Whether sales tax is used, its name, the three rates with their decimal places and the
// rounding of tax amounts. Switching tax off sets every product's rate to 0 at once.
class TaxPage : public SettingsPage
{
    Q_OBJECT
public:
    explicit TaxPage(QWidget* parent);

    bool SaveSettings() override;
    void LoadSettings() override;

private slots:
    void on_checkEnableTax_toggled(bool checked);
    void on_pushSalesTaxRoundOff_clicked();

private:
    void SetRateControlsEnabled(bool enabled);
    bool ValidateRates();
    // Sets TAX_RATE of every product to 0; false (after telling the user) when that failed.
    bool ClearProductTaxRates();

    Ui::TaxPage ui;
};
