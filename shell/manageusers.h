#pragma once

#include "readfailurenotice.h"
#include "voranteldialog.h"

class QSqlError;
class QSqlRelationalTableModel;
class QSqlTableModel;

namespace Ui {
class ManageUsers;
}

// The users of the active inventory database: add, change and delete them, and reach
// the roles dialog and an administrator's security questions. Passwords are stored
// only in their StoredPassword form. Whoever can open it may change any user.
class ManageUsers : public VorantelDialog
{
    Q_OBJECT
public:
    explicit ManageUsers(QWidget* parent);
    ~ManageUsers() override;

public slots:
    void on_pushButtonAdd_clicked();
    void OnPushButtonUpdateClicked();
    void OnPushButtonDeleteClicked();
    void OnUserSelected();
    bool IsEmptyText(bool update = false);
    void on_pushRolesManagement_clicked();
    void on_pushPasswordRecovery_clicked();
    void on_pushButtonClose_clicked();

private:
    QWidget* DialogParent();
    void ClearFields();
    bool NamesStorable(const QString& title);
    bool PasswordsDiffer();
    bool PasswordAccepted(const QString& password);
    void ShowPasswordNote();
    int RoleId() const;
    // True (and said so) when userId is the only ADMINISTRATOR, or the users can not be read.
    bool IsLastAdministrator(int userId, const QString& title);
    bool SelectUsers();
    void SelectRoles();

    Ui::ManageUsers* ui;
    QSqlRelationalTableModel* usersModel;
    QString selectedUserId;
    QSqlTableModel* rolesModel;
    // A failed read leaves no roles to show a user's in.
    bool rolesRead = false;
    ReadFailureNotice reads;
};
