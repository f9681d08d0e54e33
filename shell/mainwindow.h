#pragma once

#include <functional>
#include <memory>

#include "databasestatuslistener.h"
#include "saleopener.h"

#include <QMainWindow>
#include <QPointer>

class QPOSDialog;

namespace Ui {
class MainWindow;
}

// The one top-level window: menus, tool bars, the navigator dock and one screen at a time
// in the central area.
class MainWindow : public QMainWindow, public DatabaseStatusListener, public SaleOpener
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // The launcher that built the page now in the central area; run again to rebuild
    // that page after a dialog closed.
    void (MainWindow::*currentScreenOpener)() = nullptr;

    void updateInventoryDbStatus(bool open) override;
    void updateSalesDbStatus(bool open) override;

    // The sales records page's way back into the sale screen.
    void RequestOpenSale(const QString& saleId, bool asInvoice) override;
    void LaunchPointOfSale() override;

public slots:
    void on_action_Dark_Theme_triggered();
    void on_action_Light_Theme_triggered();
    void on_action_No_Theme_triggered();
    void on_action_Hide_Navigator_triggered();
    void on_action_Show_Navigator_triggered();
    void on_dockNavigator_visibilityChanged(bool visible);
    void on_actionExit_triggered();

    // Login and logout (mainwindow_login.cpp).
    void on_actionLogin_triggered();
    void on_actionLogout_triggered();

    // Launchers (mainwindow_launchers.cpp).
    void on_actionHome_triggered();
    void on_actionSettings_triggered();
    void on_actionManage_Users_triggered();
    void on_actionManage_Roles_triggered();
    void on_actionManager_Customers_triggered();
    void on_actionManage_Sales_triggered();
    void on_pushSalesManagement_clicked();
    void on_pushExpenseManagement_clicked();
    void on_actionManage_Expenses_triggered();
    void on_action_Add_Expense_triggered();
    void on_actionManage_Categories_triggered();
    void on_actionAdd_New_Product_triggered();
    void on_actionAdd_New_Batch_triggered();
    void on_action_Backup_triggered();
    void on_actionDatabases_triggered();
    void on_actionDatabase_Server_triggered();
    void on_actionBarcode_Generator_triggered();
    void on_actionImport_Inventory_triggered();
    void on_actionExport_Inventory_triggered();
    void on_pushProductManagement_clicked();
    void on_actionManageProducts_triggered();
    void on_pushInventoryManagement_clicked();
    void on_actionManage_Inventory_triggered();
    void on_pushPurchaseManagement_clicked();
    void on_actionManage_Purchase_triggered();
    void on_actionAdd_New_Purchase_Order_triggered();
    void on_actionManage_Vendors_triggered();
    void on_pushReportManagement_clicked();
    void on_actionReports_Management_triggered();
    void on_actionAbout_Vorantel_Pro_triggered();
    void on_actionUser_Manual_triggered();
    void on_actionTutorials_triggered();
    void on_action_Support_triggered();
    void on_pushPointOfSale_clicked();
    void on_actionLanuch_POS_triggered();
    void on_action_Quick_Pay_Settings_triggered();
    void onRestartPOS();
    void onPOSClosed();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    enum class Theme { Dark, Light, None };

    // Logged-out state, welcome and first-start steps, then the login routine.
    void initialize();
    QWidget* createPlaceholderWidget();
    void enableAfterLogin();
    using ScreenOpener = void (MainWindow::*)();
    // Behind the module check and the busy box: a page becomes the central widget, or a modal
    // dialog runs (and the page below is rebuilt afterwards, so it shows what the dialog changed).
    void openScreen(int module, ScreenOpener opener, const std::function<QWidget*()>& build);
    void runDialog(int module, const std::function<std::unique_ptr<QDialog>()>& build, bool refreshScreen = true);
    void toggleLoginLogoutActions();
    void disableNavigatorButtons();
    void enableNavigatorButtons();
    // Login outcome without a login: full rights for nobody in particular.
    void workWithoutLogin();
    // "dark" and "light" pick their sheets; any other name means no theme.
    void applyTheme(const QString& name);
    void setTheme(Theme theme);
    // Shows the refusal itself when the current role may not use the module.
    bool hasModulePermission(int module);
    // Lets the busy box paint while no click reaches the window.
    static void ProcessEventPasses(int passes);

    Ui::MainWindow* ui;
    bool uiReady = false;

public:
    // Row of the settings dialog's page list to open at; the home dashboard's links set it.
    int settingsStartPage = 0;
    // Host of the running point-of-sale screen. The screen ends and deletes it; the guard clears itself then.
    QPointer<QPOSDialog> posDialog;
    // A stored sale to load into the next point-of-sale screen (set by the sales records page).
    bool openSaleRequested = false;
    QString openSaleId = QStringLiteral("-1");
    bool openSaleAsInvoice = false;
};
