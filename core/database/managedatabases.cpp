#include "managedatabases.h"
#include "ui_managedatabases.h"

#include "appsettings.h"
#include "constants.h"
#include "createsalesdatabasedialog.h"
#include "databasemanager.h"
#include "errordialog.h"
#include "reportparameterdialog.h"
#include "serversettingsdialog.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QScroller>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTimer>
#include <QVariant>

namespace {
QString ShownName(const QString& name, const QString& none)
{
    return name.isEmpty() ? none : name;
}

QString ActiveName(const QString& key)
{
    return AppSettings::Instance()->settings->value(key, QString()).toString();
}
} // namespace

ManageDatabases::ManageDatabases(QWidget* parent, bool changeMode)
    : VorantelDialog(parent)
    , ui(new Ui::ManageDatabases)
{
    ui->setupUi(this);
    QScroller::grabGesture(ui->scrollArea->viewport(), QScroller::LeftMouseButtonGesture);
    databaseChanged = false;

    const QString sales = ActiveName(ACTIVE_SALES_DB);
    const QString inventory = ActiveName(ACTIVE_INVENTORY_DB);
    ui->lineEdit->setText(ShownName(sales, QStringLiteral("No Active Sales Database")));
    ui->lineEditInventoryDB->setText(ShownName(inventory, QStringLiteral("No Active Inventory Database")));

    FillDatabaseLists();

    // Choosing in a list does their work.
    ui->pushSelectDatabase->hide();
    ui->pushSelectSalesDB->hide();

    if (changeMode) {
        ui->groupBox->hide();
        ui->pushButtonNewInventoryDB->hide();
        setWindowTitle(tr("Change Database"));
        resize(640, 300);
    } else {
        QTimer::singleShot(1000, this, &ManageDatabases::ShowMessage);
    }
}

ManageDatabases::~ManageDatabases()
{
    delete ui;
}

void ManageDatabases::FillDatabaseLists()
{
    listsLoaded = false;
    ui->comboInventoryDatabases->clear();
    ui->comboSalesDatabases->clear();
    // An unreachable server leaves both lists empty; the active names stay shown.
    QSqlQuery query(*DatabaseManager::Instance()->ServerConnection());
    if (query.exec(QStringLiteral("SHOW DATABASES"))) {
        while (query.next()) {
            const QString name = query.value(0).toString();
            ui->comboInventoryDatabases->addItem(name);
            ui->comboSalesDatabases->addItem(name);
        }
    }
    ui->comboInventoryDatabases->setCurrentIndex(-1);
    ui->comboSalesDatabases->setCurrentIndex(-1);
    listsLoaded = true;
}

void ManageDatabases::ShowMessage()
{
    ErrorDialog notice(
        QStringLiteral("err_msg_18"), tr("Databases"),
        tr("<p>You can create new or select existing inventory or sales databases from this dialog. Android devices "
           "and Windows PCs running Vorantel can connect to same MySql server. It is best to enter data from PC version "
           "and access from Android Tablets or other PCs. Download free Vorantel Network App from Google Play "
           "store.</p><p>MySql server is available freely and is the most popular database server. It can be hosted on "
           "the same PC, dedicated PC on the network, or even in the cloud such as Amazon or Google clouds.<p>"),
        AppSettings::Instance()->mainWindow);
    notice.exec();
}

void ManageDatabases::on_pushButtonClose_clicked()
{
    close();
}

void ManageDatabases::on_comboInventoryDatabases_currentIndexChanged(int index)
{
    if (listsLoaded && index != -1 && !ui->comboInventoryDatabases->currentText().isEmpty())
        on_pushSelectDatabase_clicked();
}

void ManageDatabases::on_comboSalesDatabases_currentIndexChanged(int index)
{
    if (listsLoaded && index != -1 && !ui->comboSalesDatabases->currentText().isEmpty())
        on_pushSelectSalesDB_clicked();
}

void ManageDatabases::on_pushSelectDatabase_clicked()
{
    const QString name = ui->comboInventoryDatabases->currentText();
    DatabaseManager* manager = DatabaseManager::Instance();
    if (!manager->CheckAndUpgradeDatabase(name, INVENTORY_DB_VERSION, 1)) {
        QMessageBox::information(this, tr("Inventory Database"),
                                 tr("Seems like this is not a valid inventory database for this version. Select "
                                    "database from the list, and make sure the MySql server is running."));
        return;
    }
    ui->lineEditInventoryDB->setText(ShownName(name, QStringLiteral("No Active Inventory Database")));
    // The active one chosen again: its open connection stays.
    if (ActiveName(ACTIVE_INVENTORY_DB) == name)
        return;
    databaseChanged = true;
    AppSettings::Instance()->settings->setValue(ACTIVE_INVENTORY_DB, name);
    manager->CloseInventoryDatabase();
    manager->InventoryDatabase();
}

void ManageDatabases::on_pushSelectSalesDB_clicked()
{
    const QString name = ui->comboSalesDatabases->currentText();
    DatabaseManager* manager = DatabaseManager::Instance();
    if (!manager->CheckAndUpgradeDatabase(name, SALES_DB_VERSION, 2)) {
        QMessageBox::information(this, tr("Sales Database"),
                                 tr("Seems like this is not a valid sales database for this version. Select database "
                                    "from the list, and make sure the MySql server is running."));
        return;
    }
    ui->lineEdit->setText(ShownName(name, QStringLiteral("No Active Sales Database")));
    AppSettings::Instance()->settings->setValue(ACTIVE_SALES_DB, name);
    manager->CloseSalesDatabase();
    manager->SalesDatabase();
}

bool ManageDatabases::ServerReachable()
{
    DatabaseManager* manager = DatabaseManager::Instance();
    manager->ServerConnection();
    if (manager->serverOpen && manager->serverDb)
        return true;
    QMessageBox::information(this, tr("Database Error"), tr("Can not connect to MySql Server."));
    return false;
}

void ManageDatabases::on_pushButtonOpenNewRegister_clicked()
{
    CreateSalesDatabaseDialog dialog(AppSettings::Instance()->mainWindow);
    dialog.setModal(true);
    dialog.exec();
    if (!dialog.okPressed || !ServerReachable())
        return;

    DatabaseManager* manager = DatabaseManager::Instance();
    QString error;
    manager->CreateSalesDatabase(dialog.GetDatabaseName(), error, dialog.GetInvoiceSerial());
    if (!error.isEmpty()) {
        QMessageBox::warning(this, tr("Database"), error);
        return;
    }
    manager->RemoveSalesDatabase();
    QMessageBox::information(this, tr("Database"), tr("New Sales Database opened successfully"));
    ui->lineEdit->setText(ShownName(ActiveName(ACTIVE_SALES_DB), QStringLiteral("No Active Sales Database")));
    manager->SalesDatabase();
}

void ManageDatabases::on_pushButtonNewInventoryDB_clicked()
{
    QString name;
    {
        ReportParameterDialog prompt(this, false);
        prompt.setWindowTitle(QStringLiteral("Database Name"));
        prompt.ui->label->setText(QStringLiteral("Inventory Database Name"));
        prompt.setModal(true);
        prompt.exec();
        name = prompt.GetValue();
    }
    if (name.isEmpty() || !ServerReachable())
        return;

    DatabaseManager* manager = DatabaseManager::Instance();
    QString error;
    manager->CreateInventoryDatabase(name, error);
    if (!error.isEmpty()) {
        QMessageBox::warning(this, tr("Database"), error);
        return;
    }
    manager->RemoveInventoryDatabase();
    QMessageBox::information(this, tr("Database"), tr("New Inventory Database opened successfully"));
    ui->lineEditInventoryDB->setText(
        ShownName(ActiveName(ACTIVE_INVENTORY_DB), QStringLiteral("No Active Inventory Database")));
    manager->InventoryDatabase();
}

void ManageDatabases::on_pushMySqlServer_clicked()
{
    ServerSettingsDialog dialog(AppSettings::Instance()->mainWindow);
    dialog.setModal(true);
    dialog.exec();
    // The new parameters are in the manager already, so the listing reaches the new server.
    if (dialog.settingsChanged)
        FillDatabaseLists();
}
