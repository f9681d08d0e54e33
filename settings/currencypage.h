#pragma once

#include "settingspage.h"
#include "ui_currencypage.h"

class QLocale;

// Currency symbol, decimal places of amounts and final amounts, and the language whose
// number formatting the whole program uses; that language applies at once, before Save.
class CurrencyPage : public SettingsPage
{
    Q_OBJECT
public:
    explicit CurrencyPage(QWidget* parent);

    bool SaveSettings() override;
    void LoadSettings() override;

private slots:
    void on_comboLocalLanugage_currentIndexChanged(int index);

private:
    void ShowSample(const QLocale& locale);

    Ui::CurrencyPage ui;
    // Filling the list moves its index; until it is full, such moves are not the user's choice.
    bool languagesListed = false;
};
