#pragma once

#include "voranteldialog.h"

namespace Ui {
class ServerSettingsDialog;
}

// Where the program reaches its MySQL server: address, port, user and password.
// Callers read settingsChanged after exec().
class ServerSettingsDialog : public VorantelDialog
{
    Q_OBJECT
public:
    explicit ServerSettingsDialog(QWidget* parent);
    ~ServerSettingsDialog() override;

    bool settingsChanged = false;

public slots:
    void ShowMessage();

private slots:
    void on_pushButtonTest_clicked();
    void on_pushButtonSave_clicked();
    void on_pushCancel_clicked();
    void on_checkShowPassword_stateChanged(int arg1);

private:
    Ui::ServerSettingsDialog* ui;
    QString serverAddress;
    QString port;
    QString user;
    QString password;
    // The stored password is not put in the field for those who may not see it; an empty field
    // then keeps it.
    bool passwordHidden = true;
    QString EnteredPassword() const;
};
