// Initialisation, login and logout of the main window.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "appsettings.h"
#include "constants.h"
#include "databasemanager.h"
#include "errordialog.h"
#include "logindialog.h"
#include "loginresult.h"
#include "progress.h"
#include "serversettingsdialog.h"
#include "settingsdialog.h"
#include "welcomedialog.h"
#include "databaselog.h"

#include <QLabel>
#include <QMessageBox>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>

namespace {

const QString THEME_KEY = QStringLiteral("theme");
const QString SHOW_WELCOME = QStringLiteral("SHOW_WELCOME");
const QString FIRST_TIME_START = QStringLiteral("FIRST_TIME_START");
const QString NO_LOGGED_IN_USER = QStringLiteral("NO LOGGED IN USER");
const QString ADMINISTRATOR = QStringLiteral("ADMINISTRATOR");
const QString DB_CHANGED = QStringLiteral("DB_CHANGED");

} // namespace

void MainWindow::initialize()
{
    AppSettings::Instance()->sessionOpen = false;
    setCentralWidget(createPlaceholderWidget());
    disableNavigatorButtons();
    for (QMenu* menu : {ui->menuInventory, ui->menuProducts, ui->menuTools, ui->menu_View, ui->menu_Expenses,
                        ui->menuPurchase})
        menu->setEnabled(false);
    ui->actionLogin->setEnabled(true);
    for (QAction* action : {ui->actionLogout, ui->actionLanuch_POS, ui->actionHome, ui->actionManage_Users,
                            ui->actionManage_Roles})
        action->setEnabled(false);
    for (QToolBar* toolBar : {ui->toolBarInventory, ui->toolBarProducts, ui->toolBarExpenses, ui->toolBarTools,
                              ui->toolBarPurchase})
        toolBar->setEnabled(false);
    ui->menuReports->setEnabled(false);
    ui->menuSales->setEnabled(false);
    showMaximized();

    AppSettings* appSettings = AppSettings::Instance();
    QSettings* store = appSettings->settings;
    applyTheme(store->value(THEME_KEY, QStringLiteral("light")).toString());

    if (store->value(SHOW_WELCOME, 1).toInt() != 0) {
        WelcomeDialog welcome(this);
        welcome.exec();
    }

    if (store->value(FIRST_TIME_START, 1).toInt() != 0) {
        Progress busy(this, tr("Initializing settings..."));
        busy.show();
        ProcessEventPasses(1);
        // Written before the dialog runs, so that a crash in it does not bring it back at every start.
        store->setValue(FIRST_TIME_START, 0);
        ProcessEventPasses(1);
        // Every module is open until the first login, in this dialog's pages too (its database manager).
        appSettings->loginName = NO_LOGGED_IN_USER;
        appSettings->roleName = ADMINISTRATOR;
        SettingsDialog settingsDialog(this);
        ProcessEventPasses(1);
        settingsDialog.setModal(true);
        busy.hide();
        settingsDialog.exec();
        ProcessEventPasses(1);
        // The general page may have chosen another theme.
        applyTheme(store->value(THEME_KEY, QStringLiteral("light")).toString());
    }

    appSettings->mainWindow = this;
    on_actionLogin_triggered();
}

QWidget* MainWindow::createPlaceholderWidget()
{
    auto* placeholder = new QLabel(this);
    placeholder->setStyleSheet(QStringLiteral("QLabel { background-color: #323232 }"));
    return placeholder;
}

void MainWindow::on_actionLogin_triggered()
{
    QSettings* store = AppSettings::Instance()->settings;
    const QString server = store->value(DB_SERVER, QString()).toString();
    const QString port = store->value(DB_PORT, QString()).toString();
    const QString user = store->value(DB_USER, QString()).toString();
    const QString password = store->value(DB_PASSWORD, QString()).toString();

    DatabaseManager* manager = DatabaseManager::Instance();
    if (!server.isEmpty() && !port.isEmpty() && !user.isEmpty()) {
        manager->SetConnectionParameters(user, password, PortOwner::PortFromText(port), server);
    } else {
        // Saving there hands the new parameters to the connection manager itself.
        ServerSettingsDialog serverSettings(this);
        serverSettings.setModal(true);
        serverSettings.exec();
    }

    // A failed attempt stays failed until closed: each login tries the server again.
    if (!manager->inventoryOpen)
        manager->CloseInventoryDatabase();
    QSqlQuery* query = manager->InventoryQuery();
    if (!manager->inventoryOpen) {
        QMessageBox::information(this, tr("Login/Logout"),
                                 tr("No Inventory Database Active. Please Create a new database, or select already "
                                    "existing database from \"Databases\" option"),
                                 QMessageBox::Ok);
        // Fail closed: a configured database that can not be reached (server down, version check
        // failed) must not open every module to whoever sits at the till. Only a workstation
        // that has no database yet works without login, to create or select one.
        if (store->value(ACTIVE_INVENTORY_DB, QString()).toString().isEmpty()) {
            workWithoutLogin();
            return;
        }
        // The connection settings to mend before Login is tried again.
        ServerSettingsDialog serverSettings(this);
        serverSettings.setModal(true);
        serverSettings.exec();
        return;
    }

    if (!query->exec(QStringLiteral("SELECT COUNT(*) FROM tblUsers as u, tblRoles as r "
                                    "WHERE r.NAME = 'ADMINISTRATOR' AND u.ROLE_ID = r.ID"))
        || !query->next()) {
        // Unknown is not none: stay logged out rather than open every module.
        LogDatabaseError(query->lastError());
        QMessageBox::warning(this, tr("Login/Logout"),
                             tr("The users of the inventory database can not be read, so nobody can log in now. "
                                "Please check the connection to the server and try Login again.")
                                 + QStringLiteral("\n\n") + query->lastError().text(),
                             QMessageBox::Ok);
        return;
    }
    if (query->value(0).toInt() == 0) {
        ErrorDialog notice(QStringLiteral("err_msg_5"), tr("Login/Logout"),
                           tr("<p>Login is disabled at the moment as no <b>'ADMINISTRATOR'</b> user exists. Please "
                              "add <b>'ADMINISTRATOR'</b> user from the <b>Users</b> dialog to enable this function."),
                           this);
        notice.exec();
        workWithoutLogin();
        return;
    }

    LoginResult result;
    LoginDialog dialog(this);
    dialog.loginResult = &result;
    dialog.setModal(true);
    dialog.exec();

    if (result.cancelled)
        return;
    if (result.roleName == DB_CHANGED) {
        on_actionLogout_triggered();
        return;
    }

    AppSettings* appSettings = AppSettings::Instance();
    appSettings->roleName = result.roleName;
    appSettings->loginName = result.loginName;

    QSqlQuery* permissions = manager->InventoryQuery();
    permissions->prepare(QStringLiteral("SELECT MODULE_ID FROM tblPermissions WHERE ROLE_ID = :role"));
    permissions->bindValue(QStringLiteral(":role"), result.roleId);
    // A failure leaves the list empty: every module is refused then, unless the role is ADMINISTRATOR.
    QList<int> modules;
    if (permissions->exec()) {
        while (permissions->next())
            modules << permissions->value(0).toInt();
    } else {
        LogDatabaseError(permissions->lastError());
    }
    appSettings->SetPermittedModules(modules);

    enableAfterLogin();
    toggleLoginLogoutActions();
}

void MainWindow::workWithoutLogin()
{
    AppSettings* appSettings = AppSettings::Instance();
    appSettings->loginName = NO_LOGGED_IN_USER;
    appSettings->roleName = ADMINISTRATOR;
    enableAfterLogin();
    toggleLoginLogoutActions();
}

void MainWindow::on_actionLogout_triggered()
{
    // The server connection stays: it holds no database.
    DatabaseManager::Instance()->CloseInventoryDatabase();
    DatabaseManager::Instance()->CloseSalesDatabase();
    initialize();
}

void MainWindow::enableAfterLogin()
{
    AppSettings::Instance()->sessionOpen = true;
    ui->dockNavigator->setEnabled(true);
    enableNavigatorButtons();
    for (QMenu* menu : {ui->menuInventory, ui->menuProducts, ui->menuTools, ui->menu_View, ui->menu_Expenses,
                        ui->menuPurchase})
        menu->setEnabled(true);
    for (QToolBar* toolBar : {ui->toolBarInventory, ui->toolBarProducts, ui->toolBarExpenses, ui->toolBarTools,
                              ui->toolBarPurchase})
        toolBar->setEnabled(true);
    for (QAction* action : {ui->actionLanuch_POS, ui->actionHome, ui->actionManage_Users, ui->actionManage_Roles})
        action->setEnabled(true);
    ui->menuReports->setEnabled(true);
    ui->menuSales->setEnabled(true);
    on_actionHome_triggered();
}

void MainWindow::toggleLoginLogoutActions()
{
    const bool loggingIn = ui->actionLogin->isEnabled();
    ui->actionLogin->setEnabled(!loggingIn);
    ui->actionLanuch_POS->setEnabled(loggingIn);
    ui->actionLogout->setEnabled(loggingIn);
}

void MainWindow::disableNavigatorButtons()
{
    for (QPushButton* button : {ui->pushPointOfSale, ui->pushProductManagement, ui->pushInventoryManagement,
                                ui->pushPurchaseManagement, ui->pushSalesManagement, ui->pushExpenseManagement,
                                ui->pushReportManagement})
        button->setEnabled(false);
}

void MainWindow::enableNavigatorButtons()
{
    for (QPushButton* button : {ui->pushPointOfSale, ui->pushProductManagement, ui->pushInventoryManagement,
                                ui->pushPurchaseManagement, ui->pushSalesManagement, ui->pushExpenseManagement,
                                ui->pushReportManagement})
        button->setEnabled(true);
}

