#pragma once

#include "settingspage.h"
#include "ui_mysqlpage.h"

// Opens the server connection settings and the database manager; they store their changes
// themselves, at once, whatever the settings dialog does afterwards.
class MySqlPage : public SettingsPage
{
    Q_OBJECT
public:
    explicit MySqlPage(QWidget* parent);

    bool SaveSettings() override;
    void LoadSettings() override;

private slots:
    void on_pushConfigure_clicked();
    void on_pushDatabases_clicked();

private:
    Ui::MySqlPage ui;
};
