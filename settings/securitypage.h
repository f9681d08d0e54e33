#pragma once

#include "settingspage.h"
#include "ui_securitypage.h"

// Opens the editor of user roles and permissions, which stores its changes itself.
class SecurityPage : public SettingsPage
{
    Q_OBJECT
public:
    explicit SecurityPage(QWidget* parent);

    bool SaveSettings() override;
    void LoadSettings() override;

private slots:
    void on_pushUserRoles_clicked();

private:
    Ui::SecurityPage ui;
};
