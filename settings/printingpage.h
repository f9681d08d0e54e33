#pragma once

#include "settingspage.h"
#include "ui_printingpage.h"

// The receipt size and the printers of receipts, reports and the second receipt copy; each
// printer may instead be "Print to PDF".
class PrintingPage : public SettingsPage
{
    Q_OBJECT
public:
    explicit PrintingPage(QWidget* parent);

    bool SaveSettings() override;
    void LoadSettings() override;

private:
    Ui::PrintingPage ui;
};
