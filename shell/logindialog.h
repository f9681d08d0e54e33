#pragma once

#include "voranteldialog.h"

struct LoginResult;

namespace Ui {
class LoginDialog;
}

// Checks a user name and password against the users of the active inventory database and
// reports through the caller's LoginResult; also offers password recovery for administrators,
// the server connection settings and a help notice.
class LoginDialog : public VorantelDialog
{
    Q_OBJECT
public:
    explicit LoginDialog(QWidget* parent);
    ~LoginDialog() override;

    // The caller's record, set before exec(); every outcome is written through it.
    LoginResult* loginResult = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void on_buttonLogin_clicked();
    void on_buttonCancel_clicked();
    void on_pushButtonEditConnection_clicked();
    void on_pushHelp_clicked();
    void on_pushChangeDB_clicked();

private:
    // Not declared slots, so that connectSlotsByName does not look for objects of these names.
    void on_Password_Forgot_Clicked(const QString& link);
    void on_CtrlB();

    void ReadConnectionSettings();
    // The recovering administrator's security answers; true when all of them match.
    bool VerifySecurityAnswers(const QString& userId, const QString& userName);
    void FinishRecovery(const QString& userName);

    Ui::LoginDialog* ui;
    QString server;
    QString port;
    QString user;
    QString password;
    // Numbers the failure messages only: there is no lockout.
    int failedAttempts = 0;
};
