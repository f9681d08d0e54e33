// The slots that open screens and dialogs, behind the module permission check.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "aboutdialog.h"
#include "addeditexpensedialog.h"
#include "addeditproductdialog.h"
#include "addeditpurchaseorder.h"
#include "caddnewitemsbatch.h"
#include "appsettings.h"
#include "backupdialog.h"
#include "barcodesettings.h"
#include "cpos.h"
#include "expensemanagement.h"
#include "homescreen.h"
#include "inventoryexport.h"
#include "inventoryimporter.h"
#include "inventorymanagement.h"
#include "makeraddresses.h"
#include "managecategories.h"
#include "managecustomers.h"
#include "managedatabases.h"
#include "managevendors.h"
#include "manageroles.h"
#include "manageusers.h"
#include "modules.h"
#include "productmanagement.h"
#include "progress.h"
#include "purchasemanagement.h"
#include "qposdialog.h"
#include "quickpayshorcuts.h"
#include "reportsmanagement.h"
#include "salesmanagement.h"
#include "serversettingsdialog.h"
#include "settingsdialog.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QListWidget>
#include <QSettings>
#include <QUrl>

namespace {
const QString THEME_KEY = QStringLiteral("theme");
} // namespace

void MainWindow::openScreen(int module, ScreenOpener opener, const std::function<QWidget*()>& build)
{
    if (!hasModulePermission(module))
        return;
    Progress progress(this, tr("Please wait..."));
    progress.show();
    ProcessEventPasses(2);
    setCentralWidget(build());
    currentScreenOpener = opener;
    progress.hide();
}

void MainWindow::runDialog(int module, const std::function<std::unique_ptr<QDialog>()>& build, bool refreshScreen)
{
    if (!hasModulePermission(module))
        return;
    Progress progress(this, tr("Please wait..."));
    progress.show();
    ProcessEventPasses(2);
    {
        std::unique_ptr<QDialog> dialog = build();
        dialog->setModal(true);
        progress.hide();
        dialog->exec();
    }
    // What the dialog changed shows on the screen it was opened over.
    if (refreshScreen && currentScreenOpener)
        (this->*currentScreenOpener)();
}

void MainWindow::on_actionHome_triggered()
{
    Progress progress(this, tr("Please wait..."));
    progress.show();
    ProcessEventPasses(2);
    auto* page = new HomeScreen(this, this);
    ProcessEventPasses(1);
    setCentralWidget(page);
    ProcessEventPasses(1);
    progress.hide();
    currentScreenOpener = &MainWindow::on_actionHome_triggered;
}

void MainWindow::on_actionManage_Sales_triggered()
{
    openScreen(MODULE_SALES_MANAGEMENT, &MainWindow::on_actionManage_Sales_triggered, [this] { return new SalesManagement(this, false, false, 0); });
}

void MainWindow::on_pushSalesManagement_clicked()
{
    on_actionManage_Sales_triggered();
}

void MainWindow::on_pushExpenseManagement_clicked()
{
    openScreen(MODULE_EXPENSE_MANAGEMENT, &MainWindow::on_pushExpenseManagement_clicked, [this] { return new ExpenseManagement(this); });
}

void MainWindow::on_actionManage_Expenses_triggered()
{
    on_pushExpenseManagement_clicked();
}

void MainWindow::on_action_Add_Expense_triggered()
{
    runDialog(MODULE_EXPENSE_MANAGEMENT, [this] { return std::unique_ptr<QDialog>(new AddEditExpenseDialog(this)); });
}

void MainWindow::RequestOpenSale(const QString& saleId, bool asInvoice)
{
    openSaleRequested = true;
    openSaleId = saleId;
    openSaleAsInvoice = asInvoice;
}

void MainWindow::LaunchPointOfSale()
{
    on_pushPointOfSale_clicked();
}

void MainWindow::on_actionSettings_triggered()
{
    Progress progress(this, tr("Please wait..."));
    progress.show();
    ProcessEventPasses(3);
    if (!hasModulePermission(MODULE_SETTINGS))
        return;
    ProcessEventPasses(3);
    SettingsDialog dialog(this);
    ProcessEventPasses(1);
    dialog.setModal(true);
    ProcessEventPasses(2);
    dialog.contentWidget()->setCurrentRow(settingsStartPage);
    progress.hide();
    dialog.exec();

    // The general page may have chosen another theme.
    applyTheme(AppSettings::Instance()->settings->value(THEME_KEY).toString());
    if (currentScreenOpener)
        (this->*currentScreenOpener)();
}

void MainWindow::on_actionManage_Users_triggered()
{
    runDialog(MODULE_USERS_MANAGEMENT, [this] { return std::unique_ptr<QDialog>(new ManageUsers(this)); });
}

void MainWindow::on_actionManage_Roles_triggered()
{
    if (!hasModulePermission(MODULE_ROLES_MANAGEMENT))
        return;
    ManageRoles dialog(this);
    dialog.setModal(true);
    dialog.exec();
    if (currentScreenOpener)
        (this->*currentScreenOpener)();
}

void MainWindow::on_actionManager_Customers_triggered()
{
    runDialog(MODULE_CUSTOMERS_MANAGEMENT, [this] { return std::unique_ptr<QDialog>(new ManageCustomers(this, false)); });
}

void MainWindow::on_actionManage_Categories_triggered()
{
    runDialog(MODULE_CATEGORIES_MANAGEMENT, [this] { return std::unique_ptr<QDialog>(new ManageCategories(this, 0)); });
}

void MainWindow::on_actionAdd_New_Product_triggered()
{
    runDialog(MODULE_PRODUCT_MANAGEMENT, [this] { return std::unique_ptr<QDialog>(new AddEditProductDialog(this)); });
}

void MainWindow::on_actionAdd_New_Batch_triggered()
{
    runDialog(MODULE_INVENTORY_MANAGEMENT, [this] { return std::unique_ptr<QDialog>(new CAddNewItemsBatch(this)); });
}

void MainWindow::on_action_Backup_triggered()
{
    if (!hasModulePermission(MODULE_BACKUP))
        return;
    Backupdialog dialog(this);
    dialog.setModal(true);
    dialog.exec();
}

void MainWindow::on_actionDatabases_triggered()
{
    if (!hasModulePermission(MODULE_DATABASE_MANAGEMENT))
        return;
    ManageDatabases dialog(this, false);
    dialog.setModal(true);
    dialog.exec();
    // Another active database: log in again on it.
    if (dialog.databaseChanged)
        on_actionLogout_triggered();
    else if (currentScreenOpener)
        (this->*currentScreenOpener)();
}

void MainWindow::on_actionDatabase_Server_triggered()
{
    ServerSettingsDialog dialog(this);
    dialog.setModal(true);
    dialog.exec();
}

void MainWindow::on_pushProductManagement_clicked()
{
    openScreen(MODULE_PRODUCT_MANAGEMENT, &MainWindow::on_pushProductManagement_clicked, [this] { return new ProductManagement(this, false); });
}

void MainWindow::on_actionManageProducts_triggered()
{
    on_pushProductManagement_clicked();
}

void MainWindow::on_pushInventoryManagement_clicked()
{
    openScreen(MODULE_INVENTORY_MANAGEMENT, &MainWindow::on_pushInventoryManagement_clicked, [this] { return new InventoryManagement(this, false); });
}

void MainWindow::on_actionManage_Inventory_triggered()
{
    on_pushInventoryManagement_clicked();
}

void MainWindow::on_pushPurchaseManagement_clicked()
{
    openScreen(MODULE_PURCHASE_MANAGEMENT, &MainWindow::on_pushPurchaseManagement_clicked, [this] { return new PurchaseManagement(this); });
}

void MainWindow::on_actionManage_Purchase_triggered()
{
    on_pushPurchaseManagement_clicked();
}

void MainWindow::on_actionAdd_New_Purchase_Order_triggered()
{
    runDialog(MODULE_PURCHASE_MANAGEMENT, [this] { return std::unique_ptr<QDialog>(new AddEditPurchaseOrder(this, nullptr)); });
}

void MainWindow::on_actionManage_Vendors_triggered()
{
    runDialog(MODULE_VENDORS_MANAGEMENT, [this] { return std::unique_ptr<QDialog>(new ManageVendors(this)); }, false);
}

void MainWindow::on_pushReportManagement_clicked()
{
    openScreen(MODULE_REPORTS_MANAGEMENT, &MainWindow::on_pushReportManagement_clicked, [this] { return new ReportsManagement(this); });
}

void MainWindow::on_actionReports_Management_triggered()
{
    on_pushReportManagement_clicked();
}

void MainWindow::on_actionBarcode_Generator_triggered()
{
    runDialog(MODULE_BARCODE_GENERATOR, [this] { return std::unique_ptr<QDialog>(new BarcodeSettings(this, nullptr)); }, false);
}

void MainWindow::on_actionAbout_Vorantel_Pro_triggered()
{
    AboutDialog dialog(this);
    dialog.setModal(true);
    dialog.exec();
}

void MainWindow::on_actionUser_Manual_triggered()
{
    QDesktopServices::openUrl(QUrl(MakerAddresses::USER_MANUAL));
}

void MainWindow::on_actionTutorials_triggered()
{
    QDesktopServices::openUrl(QUrl(MakerAddresses::TUTORIALS));
}

void MainWindow::on_action_Support_triggered()
{
    QDesktopServices::openUrl(QUrl(MakerAddresses::SUPPORT_PAGE));
}

void MainWindow::on_pushPointOfSale_clicked()
{
    if (!hasModulePermission(MODULE_POINT_OF_SALE))
        return;
    int result = QDialog::Rejected;
    {
        Progress progress(this, tr("Please wait..."));
        progress.show();
        ProcessEventPasses(4);
        delete posDialog;
        posDialog = new QPOSDialog(this, true);
        posDialog->setModal(true);
        auto* screen = new CPOS(posDialog);
        if (openSaleRequested)
            screen->OpenSale(openSaleId, openSaleAsInvoice);
        auto* layout = new QGridLayout(posDialog);
        layout->addWidget(screen);
        ProcessEventPasses(5);
        progress.hide();
        result = posDialog->exec();
        openSaleRequested = false;
    }
    // Only now, with the request cleared, may a restart build the next screen: it must not
    // load the stored sale of this one again.
    if (result == QPOSDialog::Restart)
        onRestartPOS();
}

void MainWindow::on_actionLanuch_POS_triggered()
{
    on_pushPointOfSale_clicked();
}

void MainWindow::on_action_Quick_Pay_Settings_triggered()
{
    if (!hasModulePermission(MODULE_SETTINGS))
        return;
    QuickpayShorcuts dialog(this);
    dialog.exec();
}

void MainWindow::onRestartPOS()
{
    on_pushPointOfSale_clicked();
}

void MainWindow::onPOSClosed()
{
}

void MainWindow::on_actionImport_Inventory_triggered()
{
    runDialog(MODULE_INVENTORY_MANAGEMENT, [this] { return std::unique_ptr<QDialog>(new InventoryImporter(this)); });
}

void MainWindow::on_actionExport_Inventory_triggered()
{
    if (!hasModulePermission(MODULE_INVENTORY_MANAGEMENT))
        return;
    ExportInventoryData(this, tr("Inventory"));
}
