#pragma once

#include "settingspage.h"
#include "ui_pospage.h"

// How the sale screen behaves: product buttons, default mode and document titles, scanner and
// product selection, out-of-stock sales, automatic purchase orders, the promotional message;
// also opens the quick-pay editor.
class PosPage : public SettingsPage
{
    Q_OBJECT
public:
    explicit PosPage(QWidget* parent);

    bool SaveSettings() override;
    void LoadSettings() override;

private slots:
    void on_pushMoreHelp_clicked();
    void on_pushQuickPay_clicked();
    void on_pushQuickPayHelp_clicked();

private:
    Ui::PosPage ui;
};
