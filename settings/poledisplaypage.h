#pragma once

#include "settingspage.h"
#include "ui_poledisplaypage.h"

class PoleDisplay;

// The customer pole display: on or off, its serial port, command set, size and welcome text,
// with buttons that try the values on the device before they are saved.
class PoleDisplayPage : public SettingsPage
{
    Q_OBJECT
public:
    explicit PoleDisplayPage(QWidget* parent);

    bool SaveSettings() override;
    void LoadSettings() override;

    // The display of the last test press; null before the first and when no command set was chosen.
    PoleDisplay* TestDisplay() const { return testDisplay; }

private slots:
    void on_pushTest_clicked();
    void on_pushClearDisplay_clicked();
    void on_pushTestWelcome_clicked();

private:
    // A fresh display of the chosen command set on the page's port values; null when none opened.
    PoleDisplay* OpenTestDisplay();

    Ui::PoleDisplayPage ui;
    PoleDisplay* testDisplay = nullptr;
};
