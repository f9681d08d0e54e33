#pragma once

#include "settingspage.h"
#include "ui_productimagespage.h"

// The folder that holds the product image files; each workstation points at its own copy.
class ProductImagesPage : public SettingsPage
{
    Q_OBJECT
public:
    explicit ProductImagesPage(QWidget* parent);

    bool SaveSettings() override;
    void LoadSettings() override;

private slots:
    void on_pushSelectImagesFolder_clicked();

private:
    Ui::ProductImagesPage ui;
};
