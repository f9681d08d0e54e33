#include "manageusers.h"
#include "databaseerror.h"
#include "ui_manageusers.h"

#include "appsettings.h"
#include "databasemanager.h"
#include "errordialog.h"
#include "listmending.h"
#include "manageroles.h"
#include "securityquestions.h"
#include "sqlfilter.h"
#include "storedhash.h"
#include "textfields.h"

#include <QDebug>
#include <QHeaderView>
#include <QMainWindow>
#include <QMessageBox>
#include <QScroller>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlRelationalTableModel>
#include <QSqlTableModel>

namespace {
const QString ADMINISTRATOR = QStringLiteral("ADMINISTRATOR");
const int COLUMN_ID = 0;
const int COLUMN_FIRST_NAME = 1;
const int COLUMN_LAST_NAME = 2;
const int COLUMN_LOGIN_NAME = 3;
const int COLUMN_PASSWORD = 4;
const int COLUMN_ROLE = 5;
const int ROLES_COLUMN_NAME = 1;
// FIRST_NAME, LAST_NAME and LOGIN_NAME are VARCHAR(50).
const int NAME_LENGTH = 50;
} // namespace

ManageUsers::ManageUsers(QWidget* parent)
    : VorantelDialog(parent)
    , ui(new Ui::ManageUsers)
    , reads(this, tr("Users"))
{
    ui->setupUi(this);
    for (QLineEdit* edit : {ui->editFirstName, ui->editLastName, ui->editLoginName})
        edit->setMaxLength(NAME_LENGTH);
    QScroller::grabGesture(ui->scrollArea->viewport(), QScroller::LeftMouseButtonGesture);
    QScroller::grabGesture(ui->tableView->viewport(), QScroller::LeftMouseButtonGesture);

    const QSqlDatabase db = *DatabaseManager::Instance()->InventoryDatabase();
    usersModel = new QSqlRelationalTableModel(this, db);
    usersModel->setTable(QStringLiteral("tblUsers"));
    usersModel->setRelation(COLUMN_ROLE, QSqlRelation(QStringLiteral("tblRoles"), QStringLiteral("ID"),
                                                      QStringLiteral("NAME")));
    SelectUsers();
    ui->tableView->setModel(usersModel);
    ListMending::KeepColumns(ui->tableView);

    ui->tableView->setSelectionMode(QAbstractItemView::SingleSelection);
    ui->tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListMending::SetUpColumns(ui->tableView, [this] {
        ui->tableView->hideColumn(COLUMN_ID);
        ui->tableView->hideColumn(COLUMN_PASSWORD);
        usersModel->setHeaderData(COLUMN_FIRST_NAME, Qt::Horizontal, tr("First Name"), Qt::EditRole);
        usersModel->setHeaderData(COLUMN_LAST_NAME, Qt::Horizontal, tr("Last Name"), Qt::EditRole);
        usersModel->setHeaderData(COLUMN_LOGIN_NAME, Qt::Horizontal, tr("Login Name"), Qt::EditRole);
        usersModel->setHeaderData(COLUMN_ROLE, Qt::Horizontal, tr("Role"), Qt::EditRole);
    });
    ui->tableView->resizeColumnsToContents();
    ui->tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ui->editFirstName->setFocus();
    ui->tableView->horizontalHeader()->setStretchLastSection(true);
    ui->tableView->horizontalHeader()->setSortIndicator(COLUMN_ID, Qt::AscendingOrder); // oldest first
    ui->tableView->horizontalHeader()->setSortIndicatorShown(true);
    ui->tableView->setSortingEnabled(true);
    ListMending::WatchHeaderReads(ui->tableView, usersModel, [this] { return SelectUsers(); });

    connect(ui->pushButtonUpdate, &QPushButton::clicked, this, &ManageUsers::OnPushButtonUpdateClicked);
    connect(ui->pushButtonDelete, &QPushButton::clicked, this, &ManageUsers::OnPushButtonDeleteClicked);
    connect(ui->tableView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &ManageUsers::OnUserSelected);

    rolesModel = new QSqlTableModel(this, db);
    rolesModel->setTable(QStringLiteral("tblRoles"));
    ui->comboRole->setModel(rolesModel);
    ui->comboRole->setModelColumn(ROLES_COLUMN_NAME);
    SelectRoles();
    // Selecting fills the combo and picks its first row: no role is chosen at start.
    ui->comboRole->setCurrentIndex(-1);
    ui->tableView->resizeColumnsToContents();
}

ManageUsers::~ManageUsers()
{
    delete ui;
}

QWidget* ManageUsers::DialogParent()
{
    QWidget* mainWindow = AppSettings::Instance()->mainWindow;
    return mainWindow ? mainWindow : this;
}

void ManageUsers::ClearFields()
{
    selectedUserId.clear();
    ui->editFirstName->clear();
    ui->editLastName->clear();
    ui->editLoginName->clear();
    ui->editPassword->clear();
    ui->editRepeastPassword->clear();
    ui->comboRole->setCurrentIndex(-1);
}

int ManageUsers::RoleId() const
{
    return rolesModel->record(ui->comboRole->currentIndex()).value(QStringLiteral("ID")).toInt();
}

void ManageUsers::OnUserSelected()
{
    const QModelIndex current = ui->tableView->currentIndex();
    if (!current.isValid())
        return;
    const QSqlRecord record = usersModel->record(current.row());
    selectedUserId = record.value(COLUMN_ID).toString();
    ui->editFirstName->setText(record.value(COLUMN_FIRST_NAME).toString());
    ui->editLastName->setText(record.value(COLUMN_LAST_NAME).toString());
    ui->editLoginName->setText(record.value(COLUMN_LOGIN_NAME).toString());
    // Whatever was typed before (a failed Add) must not become this user's password.
    ui->editPassword->clear();
    ui->editRepeastPassword->clear();
    if (!rolesRead)
        SelectRoles();
    ui->comboRole->setCurrentText(record.value(COLUMN_ROLE).toString());
    ui->pushButtonUpdate->setEnabled(true);
    ui->pushButtonDelete->setEnabled(true);
}

bool ManageUsers::IsEmptyText(bool update)
{
    QLineEdit* required[] = {ui->editFirstName, ui->editLastName, ui->editLoginName};
    for (QLineEdit* edit : required) {
        if (edit->text().isEmpty()) {
            edit->setFocus();
            return true;
        }
    }
    if (!update && ui->editPassword->text().isEmpty()) {
        ui->editPassword->setFocus();
        return true;
    }
    if (ui->comboRole->currentText().isEmpty()) {
        ui->comboRole->setFocus();
        return true;
    }
    return false;
}

bool ManageUsers::NamesStorable(const QString& title)
{
    return TextFitsColumns(this, title,
                           {{ui->editFirstName, tr("First Name")},
                            {ui->editLastName, tr("Last Name")},
                            {ui->editLoginName, tr("Login Name")}});
}

bool ManageUsers::PasswordsDiffer()
{
    if (ui->editPassword->text() == ui->editRepeastPassword->text())
        return false;
    QMessageBox::warning(this, tr("Error"),
                         tr("Password does not match with the 'Repeat Password'. Please double check the value."));
    return true;
}

bool ManageUsers::PasswordAccepted(const QString& password)
{
    if (!HasControlCharacter(password))
        return true;
    ui->editPassword->setFocus();
    QMessageBox::warning(this, tr("Password"),
                         tr("This password can not be stored: it contains a control character, such as a tab, that "
                            "can not be typed at the login. Please choose another password."));
    return false;
}

void ManageUsers::ShowPasswordNote()
{
    if (ui->comboRole->currentText() != ADMINISTRATOR)
        return;
    QMessageBox::information(this, tr("Password"),
                             tr("Please make a note of your password. In the next \n LOGIN session you would need to "
                                "enter this password. Please also set password recovery questions and \nanswers for "
                                "this user."));
}

void ManageUsers::on_pushButtonAdd_clicked()
{
    if (IsEmptyText(false)) {
        QMessageBox::warning(this, tr("Error"), tr("No data provided. Please enter valid data."));
        return;
    }
    if (!NamesStorable(tr("Error")))
        return;

    // The collation ignores letter case, as the unique index on LOGIN_NAME does.
    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    query->prepare(QStringLiteral("SELECT ID FROM tblUsers WHERE LOGIN_NAME = :login"));
    query->bindValue(QStringLiteral(":login"), ui->editLoginName->text());
    if (!query->exec()) {
        ShowDatabaseError(this, tr("Error"), tr("The existing users can not be read."), *query);
        return;
    }
    if (query->next()) {
        QMessageBox::warning(this, tr("User Name"),
                             tr("This user already exists in the system. Please choose some other user name."));
        return;
    }
    if (PasswordsDiffer())
        return;
    if (!PasswordAccepted(ui->editPassword->text()))
        return;
    const QString hash = StoredPassword(ui->editPassword->text());
    ShowPasswordNote();

    query = DatabaseManager::Instance()->InventoryQuery();
    query->prepare(QStringLiteral("INSERT INTO tblUsers (FIRST_NAME, LAST_NAME, LOGIN_NAME, PASSWORD, ROLE_ID) "
                                  "VALUES (:first, :last, :login, :password, :role)"));
    query->bindValue(QStringLiteral(":first"), ui->editFirstName->text());
    query->bindValue(QStringLiteral(":last"), ui->editLastName->text());
    query->bindValue(QStringLiteral(":login"), ui->editLoginName->text());
    query->bindValue(QStringLiteral(":password"), hash);
    query->bindValue(QStringLiteral(":role"), RoleId());
    if (!query->exec()) {
        ShowDatabaseError(this, tr("Error"), tr("This user can not be added to system"), *query);
        if (!ListMending::KeptWhileAway(usersModel))
            SelectUsers();
        return;
    }

    ErrorDialog notice(
        QStringLiteral("err_msg_29"), tr("User Role"),
        tr("<p>You can change the assigned permissions of this role by clicking on <b>'Roles & Permissions "
           "Management'</b> button.</p> <p>This user will have access to only permitted modules assigned to this user "
           "role. Users with the <b>'ADMINISTRATOR'</b> role, or any other user with Role Management permission can "
           "change permissions. </p><p>Please also set the password recovery questions and answers for the "
           "ADMINISTRATOR user. In case you forget the password of ADMINISTRATOR user, you would be able to reset. For "
           "all other users ADMINISTRATOR user can reset their passwords.</p>"),
        AppSettings::Instance()->mainWindow);
    notice.exec();

    if (!ListMending::KeptWhileAway(usersModel))
        SelectUsers();
    ClearFields();
    ui->tableView->resizeColumnsToContents();
}

void ManageUsers::OnPushButtonUpdateClicked()
{
    const QModelIndex current = ui->tableView->currentIndex();
    if (!current.isValid()) {
        ErrorDialog notice(QStringLiteral("err_msg_33"), tr("Update User"),
                           tr("<p>Please select a user from the table first and then update the data.</p><p>If you "
                              "do not want to change the password of selected user, then leave it empty. In case you "
                              "want to change the password of existing user, then please enter new password as "
                              "well.</p>."),
                           this);
        notice.exec();
        return;
    }
    if (IsEmptyText(true)) {
        QMessageBox::warning(this, tr("Error"),
                             tr("No data provided. Please enter valid data. If you do not want to change the password, "
                                "please leave it empty."));
        return;
    }
    if (!NamesStorable(tr("Update User")))
        return;
    if (PasswordsDiffer())
        return;

    const QSqlRecord record = usersModel->record(current.row());
    const QString login = ui->editLoginName->text();
    if (record.value(COLUMN_LOGIN_NAME).toString() != login) {
        // The user's own row does not count, so a change of letter case only is allowed.
        QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
        query->prepare(QStringLiteral("SELECT ID FROM tblUsers WHERE LOGIN_NAME = :login AND ID <> :id"));
        query->bindValue(QStringLiteral(":login"), login);
        query->bindValue(QStringLiteral(":id"), record.value(COLUMN_ID).toInt());
        if (!query->exec()) {
            ShowDatabaseError(this, tr("Error"), tr("The existing users can not be read."), *query);
            return;
        }
        if (query->next()) {
            QMessageBox::warning(this, tr("User Name"),
                                 tr("This user already exists in the system. Please choose some other."));
            return;
        }
    }
    const QString password = ui->editPassword->text();
    if (!password.isEmpty() && !PasswordAccepted(password))
        return;
    const QString hash = password.isEmpty() ? QString() : StoredPassword(password);
    if (ui->comboRole->currentText() != ADMINISTRATOR && IsLastAdministrator(record.value(COLUMN_ID).toInt(),
                                                                              tr("Update User")))
        return;
    ShowPasswordNote();

    // A bound statement rather than the model: the model would take only the roles it knew
    // when it was first filled, and an empty password field keeps the stored hash.
    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    query->prepare(password.isEmpty()
                       ? QStringLiteral("UPDATE tblUsers SET FIRST_NAME = :first, LAST_NAME = :last, LOGIN_NAME = "
                                        ":login, ROLE_ID = :role WHERE ID = :id")
                       : QStringLiteral("UPDATE tblUsers SET FIRST_NAME = :first, LAST_NAME = :last, LOGIN_NAME = "
                                        ":login, PASSWORD = :password, ROLE_ID = :role WHERE ID = :id"));
    query->bindValue(QStringLiteral(":first"), ui->editFirstName->text());
    query->bindValue(QStringLiteral(":last"), ui->editLastName->text());
    query->bindValue(QStringLiteral(":login"), login);
    if (!password.isEmpty())
        query->bindValue(QStringLiteral(":password"), hash);
    query->bindValue(QStringLiteral(":role"), RoleId());
    query->bindValue(QStringLiteral(":id"), record.value(COLUMN_ID).toInt());
    if (!query->exec()) {
        ShowDatabaseError(this, tr("Update User"), tr("This user can not be updated."), *query);
        if (!ListMending::KeptWhileAway(usersModel))
            SelectUsers();
        ui->tableView->resizeColumnsToContents();
        return;
    }
    if (!ListMending::KeptWhileAway(usersModel))
        SelectUsers();
    ClearFields();
    ui->tableView->resizeColumnsToContents();
}

void ManageUsers::OnPushButtonDeleteClicked()
{
    const auto answer = QMessageBox::question(this, tr("Delete User"),
                                              tr("Are you sure you want to remove this user from system?"),
                                              QMessageBox::Yes | QMessageBox::No);
    const QModelIndex current = ui->tableView->currentIndex();
    if (!current.isValid() || answer != QMessageBox::Yes) {
        ui->tableView->resizeColumnsToContents();
        return;
    }

    // The answers reference the user, so they go first, whatever role is shown; one
    // transaction keeps them when the user cannot be removed.
    const int userId = usersModel->record(current.row()).value(COLUMN_ID).toInt();
    if (IsLastAdministrator(userId, tr("Delete User")))
        return;
    QSqlDatabase* db = DatabaseManager::Instance()->InventoryDatabase();
    if (!BeginTransaction(db, this, tr("Delete User"), tr("This user can not be deleted from the system.")))
        return;
    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    query->prepare(QStringLiteral("DELETE FROM tblQuestions WHERE USER_ID = :id"));
    query->bindValue(QStringLiteral(":id"), userId);
    bool ok = query->exec();
    if (ok) {
        query->prepare(QStringLiteral("DELETE FROM tblUsers WHERE ID = :id"));
        query->bindValue(QStringLiteral(":id"), userId);
        ok = query->exec();
    }
    ok = EndTransaction(db, ok, *query, this, tr("Delete User"), tr("This user can not be deleted from the system."));

    if (!ListMending::KeptWhileAway(usersModel))
        SelectUsers();
    ClearFields();
    if (ok)
        QMessageBox::information(this, tr("Delete User"), tr("User deleted from the system."));
    ui->tableView->resizeColumnsToContents();
}

bool ManageUsers::IsLastAdministrator(int userId, const QString& title)
{
    // With no ADMINISTRATOR left login is off for everyone and every user has every right.
    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    query->prepare(QStringLiteral("SELECT SUM(u.ID = :id), SUM(u.ID <> :other) FROM tblUsers AS u, tblRoles AS r "
                                  "WHERE u.ROLE_ID = r.ID AND r.NAME = 'ADMINISTRATOR'"));
    query->bindValue(QStringLiteral(":id"), userId);
    query->bindValue(QStringLiteral(":other"), userId);
    if (!query->exec() || !query->next()) {
        ShowDatabaseError(this, title, tr("The existing users can not be read."), *query);
        return true;
    }
    if (query->value(0).toInt() == 0 || query->value(1).toInt() > 0)
        return false;
    QMessageBox::warning(this, title,
                         tr("This is the last ADMINISTRATOR user. It can not be deleted or given another role: "
                            "without an ADMINISTRATOR user login would be off and every user would have every "
                            "right. Please add another ADMINISTRATOR user first."));
    return true;
}

bool ManageUsers::SelectUsers()
{
    // An empty list after a failure would read as if every user had been deleted.
    return reads.Check(SqlFilter::Select(usersModel), tr("The users can not be read.") + QStringLiteral("\n\n%1"),
                       usersModel);
}

void ManageUsers::SelectRoles()
{
    rolesRead = reads.Check(SqlFilter::Select(rolesModel), tr("The roles can not be read.") + QStringLiteral("\n\n%1"),
                            rolesModel);
}

void ManageUsers::on_pushRolesManagement_clicked()
{
    ManageRoles roles(DialogParent());
    roles.setModal(true);
    roles.exec();
    // The roles dialog has told that the server cannot be reached: the same click tells it no more.
    if (roles.ReadFailureTold())
        reads.ToldElsewhere();
    // Role names may have changed; while the server is away both lists keep what they show until it is back.
    if (!ListMending::KeptWhileAway(rolesModel))
        SelectRoles();
    if (!ListMending::KeptWhileAway(usersModel))
        SelectUsers();
    ClearFields();
    ui->tableView->resizeColumnsToContents();
}

void ManageUsers::on_pushPasswordRecovery_clicked()
{
    if (ui->comboRole->currentText() != ADMINISTRATOR || selectedUserId.isEmpty()) {
        QMessageBox::information(this, tr("Recovery Questions"),
                                 tr("Please select the user first from the above table. The  user must be of "
                                    "ADMINISTRATOR type. You can set recovery questions only for ADMINISTRATOR type "
                                    "user, While ADMINISTRATOR type user can set password for all other users."));
        return;
    }
    SecurityQuestions questions(DialogParent());
    questions.SetUser(selectedUserId, ui->editLoginName->text());
    questions.setModal(true);
    questions.exec();
}

void ManageUsers::on_pushButtonClose_clicked()
{
    close();
}
