#include "manageroles.h"
#include "databaseerror.h"
#include "ui_manageroles.h"

#include "appsettings.h"
#include "databasemanager.h"
#include "listmending.h"
#include "modules.h"
#include "selector.h"
#include "sqlfilter.h"
#include "textfields.h"

#include <QHeaderView>
#include <QMainWindow>
#include <QMessageBox>
#include <QScroller>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlTableModel>

namespace {
const QString ADMINISTRATOR = QStringLiteral("ADMINISTRATOR");
const int COLUMN_ID = 0;
const int COLUMN_NAME = 1;
} // namespace

ManageRoles::ManageRoles(QWidget* parent)
    : VorantelDialog(parent)
    , ui(new Ui::ManageRoles)
    , reads(this, tr("Roles"))
{
    ui->setupUi(this);
    QScroller::grabGesture(ui->scrollArea->viewport(), QScroller::LeftMouseButtonGesture);
    QScroller::grabGesture(ui->tableView->viewport(), QScroller::LeftMouseButtonGesture);

    model = new QSqlTableModel(this, *DatabaseManager::Instance()->InventoryDatabase());
    model->setTable(QStringLiteral("tblRoles"));
    ui->tableView->setModel(model);
    ListMending::KeepColumns(ui->tableView);
    SelectRoles();

    ui->tableView->setSelectionMode(QAbstractItemView::SingleSelection);
    ui->tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListMending::SetUpColumns(ui->tableView, [this] {
        model->setHeaderData(COLUMN_NAME, Qt::Horizontal, tr("Roles"));
        ui->tableView->hideColumn(COLUMN_ID);
    });
    ui->tableView->resizeColumnsToContents();
    ui->tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ui->tableView->horizontalHeader()->setStretchLastSection(true);
    ui->lineEdit->setMaxLength(100); // tblRoles.NAME is VARCHAR(100)
    ui->lineEdit->setFocus();

    connect(ui->tableView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &ManageRoles::OnCategorySelected);
    connect(ui->pushButtonDelete, &QPushButton::clicked, this, &ManageRoles::OnPushButtonDeleteClicked);
    connect(ui->pushButtonUpdate, &QPushButton::clicked, this, &ManageRoles::OnPushButtonUpdateClicked);
}

ManageRoles::~ManageRoles()
{
    delete ui;
}

void ManageRoles::OnCategorySelected()
{
    const QModelIndex current = ui->tableView->currentIndex();
    if (!current.isValid())
        return;
    const QSqlRecord record = model->record(current.row());
    ui->lineEdit->setText(record.value(COLUMN_NAME).toString());
    ui->pushButtonDelete->setEnabled(true);
    ui->pushButtonUpdate->setEnabled(true);
    selectedRoleId = record.value(COLUMN_ID).toString();
}

bool ManageRoles::IsEmptyText()
{
    if (ui->lineEdit->text().remove(QLatin1Char(' ')).isEmpty())
        return true;
    // Counted with the empty ones: nothing is written.
    return !TextFitsColumns(this, tr("Error"), {{ui->lineEdit, tr("Role")}});
}

bool ManageRoles::IsSameText()
{
    // The comparison ignores letter case, as the unique index on NAME does, and includes
    // the role being edited.
    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    query->prepare(QStringLiteral("SELECT Count(*) from tblRoles WHERE lower(name) = lower(:name)"));
    query->bindValue(QStringLiteral(":name"), ui->lineEdit->text());
    if (!query->exec() || !query->next()) {
        ShowDatabaseError(this, tr("Error"), tr("The existing roles can not be read."), *query);
        return true;
    }
    if (query->value(0).toInt() == 0)
        return false;
    QMessageBox::warning(this, tr("Error"), tr("Role already exists in the system"));
    return true;
}

void ManageRoles::on_pushButtonAdd_clicked()
{
    if (IsEmptyText() || IsSameText())
        return;
    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    query->prepare(QStringLiteral("INSERT INTO tblRoles (NAME) VALUES (:name)"));
    query->bindValue(QStringLiteral(":name"), ui->lineEdit->text());
    if (!query->exec())
        ShowDatabaseError(this, tr("Error"), tr("This role can not be added."), *query);
    Refresh();
}

void ManageRoles::OnPushButtonUpdateClicked()
{
    if (IsEmptyText() || IsSameText())
        return;
    const QModelIndex current = ui->tableView->currentIndex();
    if (current.isValid()) {
        const QSqlRecord record = model->record(current.row());
        if (record.value(COLUMN_NAME).toString() == ADMINISTRATOR) {
            QMessageBox::information(this, tr("Update Role"), tr("This is system role and can not be edited."));
            return;
        }
        QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
        query->prepare(QStringLiteral("UPDATE tblRoles SET NAME = :name WHERE ID = :id"));
        query->bindValue(QStringLiteral(":name"), ui->lineEdit->text());
        query->bindValue(QStringLiteral(":id"), record.value(COLUMN_ID).toInt());
        if (!query->exec())
            ShowDatabaseError(this, tr("Update Role"), tr("This role can not be changed."), *query);
    }
    Refresh();
}

void ManageRoles::OnPushButtonDeleteClicked()
{
    const QModelIndex current = ui->tableView->currentIndex();
    if (!current.isValid())
        return;
    const QSqlRecord record = model->record(current.row());
    if (record.value(COLUMN_NAME).toString() == ADMINISTRATOR) {
        QMessageBox::information(this, tr("Delete Role"), tr("This is system role and can not be deleted."));
        return;
    }
    const int roleId = record.value(COLUMN_ID).toInt();

    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    query->prepare(QStringLiteral("SELECT Count(*) FROM tblUsers WHERE ROLE_ID = :id"));
    query->bindValue(QStringLiteral(":id"), roleId);
    if (!query->exec() || !query->next()) {
        ShowDatabaseError(this, tr("Delete Role"), tr("This role can not be deleted."), *query);
        return;
    }
    if (query->value(0).toInt() != 0) {
        QMessageBox::warning(this, tr("Error"),
                             tr("Role can not be deleted because users exist for this role in the system"));
        return;
    }

    // One transaction, so that a role that stays (a user was given it meanwhile) keeps its permissions.
    QSqlDatabase* db = DatabaseManager::Instance()->InventoryDatabase();
    if (!BeginTransaction(db, this, tr("Delete Role"), tr("This role can not be deleted.")))
        return;
    query = DatabaseManager::Instance()->InventoryQuery();
    query->prepare(QStringLiteral("DELETE FROM tblPermissions WHERE ROLE_ID = :id"));
    query->bindValue(QStringLiteral(":id"), roleId);
    bool ok = query->exec();
    if (ok) {
        query->prepare(QStringLiteral("DELETE FROM tblRoles WHERE ID = :id"));
        query->bindValue(QStringLiteral(":id"), roleId);
        ok = query->exec();
    }
    EndTransaction(db, ok, *query, this, tr("Delete Role"), tr("This role can not be deleted."));
    Refresh();
}

void ManageRoles::Refresh()
{
    ui->lineEdit->clear();
    selectedRoleId.clear();
    if (!ListMending::KeptWhileAway(model))
        SelectRoles();
    ui->tableView->resizeColumnsToContents();
}

void ManageRoles::SelectRoles()
{
    // An empty list after a failure would read as if the roles had been deleted.
    reads.Check(SqlFilter::Select(model), tr("The roles can not be read.") + QStringLiteral("\n\n%1"), model);
}

void ManageRoles::on_pushSetPermissions_clicked()
{
    if (selectedRoleId.isEmpty()) {
        QMessageBox::information(this, tr("Set Permissions"), tr("No role selected. Please select a role first."));
        return;
    }
    const QModelIndex current = ui->tableView->currentIndex();
    if (current.isValid() && model->record(current.row()).value(COLUMN_NAME).toString() == ADMINISTRATOR) {
        QMessageBox::information(this, tr("Set Permissions"), tr("This is system role and has access to all modules."));
        return;
    }

    const QVector<ModuleEntry> modules = PermissionModules();
    ColumnVisibility items;
    for (const ModuleEntry& module : modules)
        items.append(qMakePair(module.name, false));

    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    query->prepare(QStringLiteral("SELECT MODULE_ID FROM tblPermissions WHERE ROLE_ID = :id"));
    query->bindValue(QStringLiteral(":id"), selectedRoleId.toInt());
    if (!query->exec()) {
        // Saving a set built from nothing would wipe the role's permissions.
        ShowDatabaseError(this, tr("Set Permissions"), tr("The permissions of this role can not be read."), *query);
        return;
    }
    while (query->next()) {
        const int number = query->value(0).toInt();
        for (int i = 0; i < modules.size(); ++i) {
            if (modules.at(i).number == number)
                items[i].second = true;
        }
    }

    QWidget* mainWindow = AppSettings::Instance()->mainWindow;
    Selector selector(mainWindow ? mainWindow : static_cast<QWidget*>(this));
    selector.SetItems(items, tr("Please check all the modules which are allowed for this role"),
                      tr("Module Permissions"));
    selector.setModal(true);
    selector.exec();
    if (selector.cancelled)
        return;

    // All or nothing: a failure halfway must not leave the role with part of its modules.
    QSqlDatabase* db = DatabaseManager::Instance()->InventoryDatabase();
    if (!BeginTransaction(db, this, tr("Set Permissions"), tr("The permissions of this role can not be saved.")))
        return;
    query = DatabaseManager::Instance()->InventoryQuery();
    query->prepare(QStringLiteral("DELETE FROM tblPermissions WHERE ROLE_ID = :role"));
    query->bindValue(QStringLiteral(":role"), selectedRoleId.toInt());
    bool ok = query->exec();
    for (int i = 0; ok && i < modules.size(); ++i) {
        if (!items.at(i).second)
            continue;
        query->prepare(QStringLiteral("INSERT INTO tblPermissions (ROLE_ID, MODULE_ID) VALUES(:role, :module)"));
        query->bindValue(QStringLiteral(":role"), selectedRoleId.toInt());
        query->bindValue(QStringLiteral(":module"), modules.at(i).number);
        ok = query->exec();
    }
    EndTransaction(db, ok, *query, this, tr("Set Permissions"), tr("The permissions of this role can not be saved."));
}

void ManageRoles::on_pushButtonClose_clicked()
{
    close();
}
