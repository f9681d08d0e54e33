#pragma once

#include "readfailurenotice.h"
#include "voranteldialog.h"

class QSqlError;
class QSqlTableModel;

namespace Ui {
class ManageRoles;
}

// Roles: add, rename and delete them, and choose the modules each may use.
// The role "ADMINISTRATOR" is the system's own: it can be neither edited, deleted
// nor given a permission set, since it is allowed everything.
class ManageRoles : public VorantelDialog
{
    Q_OBJECT
public:
    explicit ManageRoles(QWidget* parent);
    ~ManageRoles() override;
    // Its last read failed and the user was told so.
    bool ReadFailureTold() const { return reads.Told(); }

public slots:
    void on_pushButtonAdd_clicked();
    void OnPushButtonUpdateClicked();
    void OnPushButtonDeleteClicked();
    void OnCategorySelected();
    void on_pushSetPermissions_clicked();
    void on_pushButtonClose_clicked();
    bool IsEmptyText();
    bool IsSameText();

private:
    void Refresh();
    void SelectRoles();

    Ui::ManageRoles* ui;
    QSqlTableModel* model;
    QString selectedRoleId;
    ReadFailureNotice reads;
};
