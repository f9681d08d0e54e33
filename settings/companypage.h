#pragma once

#include "settingspage.h"
#include "ui_companypage.h"

// The company identity printed on documents, the logo, the store and terminal ids and the
// default shipping details of purchase orders.
class CompanyPage : public SettingsPage
{
    Q_OBJECT
public:
    explicit CompanyPage(QWidget* parent);

    bool SaveSettings() override;
    void LoadSettings() override;

private slots:
    void on_selectImage_clicked();
    void on_horizontalSlider_valueChanged(int value);

private:
    void ShowLogo(int size);

    Ui::CompanyPage ui;
};
