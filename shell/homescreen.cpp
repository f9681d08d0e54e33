#include "homescreen.h"
#include "ui_homescreen.h"

#include "appsettings.h"
#include "constants.h"
#include "databasemanager.h"
#include "mainwindow.h"
#include "modules.h"
#include "databaselog.h"
#include "reportgenerator.h"

#include <QDate>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScroller>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>

namespace {

const QString NOT_SET = QStringLiteral("NOT SET");

const char* const FACE_BEGIN = "QPushButton {  border-width: 4px; border-image: url(";
const char* const FACE_END = ") 4 4 4 4 stretch stretch; }";

// Keys of the sales and expense captions, each opening a quick report.
const QMap<QString, void (ReportGenerator::*)()> SALES_REPORT_LINKS = {
    {QStringLiteral("CURRENT_DAY_SALES"), &ReportGenerator::FinancialReportCurrentDay},
    {QStringLiteral("YESTERDAY_SALES"), &ReportGenerator::FinancialReportLastDay},
    {QStringLiteral("LAST_7_DAY_SALES"), &ReportGenerator::FinancialReportLast7Days},
    {QStringLiteral("CURRENT_DAY_EXPENSES"), &ReportGenerator::ExpenseReportCurrentDay},
    {QStringLiteral("YESTERDAY_EXPENSES"), &ReportGenerator::ExpenseReportLastDay},
    {QStringLiteral("LAST_7_DAY_EXPENSES"), &ReportGenerator::ExpenseReportLast7Days},
};

const QString SALES_TOTAL_SQL = QStringLiteral(
    "SELECT SUM(SUB_TOTAL+SUB_TAX) AS 'TOTAL SALES' FROM tblSalesInvoice as si, tblSalesTransactions as st  "
    "WHERE RETURNED = 0 AND date(st.TIME_STAMP) BETWEEN date(:from) AND date(:to) AND si.TRANSACTION_ID = st.ID");
const QString EXPENSE_TOTAL_SQL =
    QStringLiteral("SELECT SUM(AMOUNT)   FROM tblExpenses WHERE date(DATED) BETWEEN date(:from) AND date(:to)");

// The text of a setting, or "NOT SET" while it is empty.
QString SettingOrNotSet(const QString& key)
{
    const QString value = AppSettings::Instance()->settings->value(key, QString()).toString();
    return value.isEmpty() ? NOT_SET : value;
}

} // namespace

HomeScreen::HomeScreen(MainWindow* mainWindow, QWidget* parent)
    : QScrollArea(parent)
    , ui(new Ui::HomeScreen)
    , mainWindow(mainWindow)
{
    ui->setupUi(this);

    QLayout* quickLayout = ui->groupQuickAccess->layout();
    for (QObject* child : ui->groupQuickAccess->children()) {
        if (auto* widget = qobject_cast<QWidget*>(child))
            quickLayout->setAlignment(widget, Qt::AlignHCenter);
    }

    const QList<QPair<QPushButton*, const char*>> faces = {
        {ui->pushAddCategories, ":/resources/images/barcode_generator.png"},
        {ui->pushAddProducts, ":/resources//images/add_product.png"},
        {ui->pushAddInventory, ":/resources/images/AddEditInventory.png"},
        {ui->pushPurchaseOrder, ":/resources/images/purchase_order.png"},
        {ui->pushDatabases, ":/resources/images/database-icon.png"},
        {ui->pushUsers, ":/resources/images/users.png"},
        {ui->pushVendors, ":/resources/images/vendor.png"},
        {ui->pushBackup, ":/resources/images/backup.png"},
        {ui->pushSettings, ":/resources/images/Settings.png"},
        {ui->pushCustomers, ":/resources/images/customers.png"},
    };
    for (const auto& face : faces)
        face.first->setStyleSheet(QLatin1String(FACE_BEGIN) + QLatin1String(face.second) + QLatin1String(FACE_END));

    RefreshOverview();

    QScroller::grabGesture(viewport(), QScroller::LeftMouseButtonGesture);

    for (QLabel* label : {ui->label_current_day_sales_label, ui->label_yesterday_sales_label,
                          ui->label_last_7_days_sales_label, ui->label_current_day_expenses_label,
                          ui->label_yesterday_expenses_label, ui->label_last_7_days_expenses_label})
        connect(label, &QLabel::linkActivated, this, &HomeScreen::on_HyperLink_clicked);
    for (QLabel* label : {ui->label_current_user, ui->label_company_name, ui->label_store_id,
                          ui->label_currency_symbol, ui->label_sales_tax_name, ui->label_terminal_id})
        connect(label, &QLabel::linkActivated, this, &HomeScreen::on_Overview_HyperLink_clicked);
    for (QLabel* label : {ui->label_total_vendors, ui->label_total_products, ui->label_inventory_items,
                          ui->label_purchased_inventory, ui->label_total_customers,
                          ui->label_total_purchase_orders})
        connect(label, &QLabel::linkActivated, this, &HomeScreen::on_Inventory_Overview_HyperLink_clicked);

    // The captions' widths are known only after the first layout pass.
    QTimer::singleShot(100, this, &HomeScreen::UpdateLayout);
}

HomeScreen::~HomeScreen()
{
    delete ui;
}

void HomeScreen::RefreshOverview()
{
    AppSettings* appSettings = AppSettings::Instance();
    QSettings* store = appSettings->settings;

    finalAmountPrecision = store->value(QStringLiteral("final_amount_precision"), QStringLiteral("2")).toString();
    ui->labelCompany->setText(SettingOrNotSet(REPORT_COMPANY_NAME));
    decimalPlaces = store->value(QStringLiteral("decimal_places"), QStringLiteral("2")).toString();
    // The symbol shown here is the one of every amount below.
    currencySymbol = store->value(CURRENCY_SYMBOL, QStringLiteral("$")).toString();
    if (currencySymbol.isEmpty())
        currencySymbol = QStringLiteral("$");
    ui->labelCurrency->setText(currencySymbol);
    ui->labelTax->setText(SettingOrNotSet(QStringLiteral("store_id")));
    ui->labelTaxB->setText(SettingOrNotSet(QStringLiteral("terminal_id")));

    QString taxName = store->value(SALES_TAX_NAME, QStringLiteral("Sales Tax")).toString();
    if (taxName.isEmpty()) {
        taxName = QStringLiteral("TAX");
        store->setValue(SALES_TAX_NAME, taxName);
    }
    ui->labelTaxName->setText(taxName);

    ui->labelProduct->setText(CountText(QStringLiteral("SELECT COUNT(*) FROM tblProducts")));
    ui->labelInventory->setText(CountText(QStringLiteral("SELECT COUNT(*) FROM tblInventory")));
    ui->labelVendors->setText(CountText(QStringLiteral("SELECT COUNT(*) FROM tblVendors")));
    ui->labelTotalCustomers->setText(CountText(QStringLiteral("SELECT COUNT(*) FROM tblCustomers")));

    ui->labelCurrentUser->setText(appSettings->CurrentUser());

    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    if (query->exec(QStringLiteral("SELECT SUM(PURCHASE_PRICE * QUANTITY) FROM tblInventory;"))) {
        query->next();
        ui->labelPurcasedInventory->setText(MoneyText(query->value(0).toDouble(), decimalPlaces));
    } else {
        LogDatabaseError(query->lastError());
        ui->labelPurcasedInventory->setText(tr("NOT AVAILABLE"));
    }

    // Seven whole days before today; today has its own figure.
    const QDate today = QDate::currentDate();
    const QDate yesterday = today.addDays(-1);
    const QDate weekStart = today.addDays(-7);

    ui->labelYesterdaySales->setText(TotalText(true, SALES_TOTAL_SQL, yesterday, yesterday, finalAmountPrecision));
    ui->labelLast7Days->setText(TotalText(true, SALES_TOTAL_SQL, weekStart, yesterday, finalAmountPrecision));
    ui->labelLastCurrentDay->setText(TotalText(true, SALES_TOTAL_SQL, today, today, finalAmountPrecision));

    ui->label_current_day_expenses->setText(TotalText(false, EXPENSE_TOTAL_SQL, today, today, decimalPlaces));
    ui->labelYesterdayExpenses->setText(TotalText(false, EXPENSE_TOTAL_SQL, yesterday, yesterday, decimalPlaces));
    ui->labelLast7DaysExpenses->setText(TotalText(false, EXPENSE_TOTAL_SQL, weekStart, yesterday, decimalPlaces));

    ui->labelPOrders->setText(CountText(QStringLiteral("SELECT COUNT(*) FROM tblPOrders;")));

    // Only hidden here: a page for another user is a new page.
    if (!appSettings->HasPermission(MODULE_SALES_AND_INVENTORY_OVERVIEW)) {
        ui->group_inventory_overview->hide();
        ui->group_sales_overview->hide();
    }
}

QString HomeScreen::MoneyText(double amount, const QString& precision) const
{
    return currencySymbol + QLatin1Char(' ')
           + AppSettings::Instance()->locale->toString(amount, 'f', precision.toInt());
}

QString HomeScreen::CountText(const QString& sql) const
{
    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    if (!query->exec(sql)) {
        LogDatabaseError(query->lastError());
        return tr("NOT AVAILABLE");
    }
    query->next();
    return AppSettings::Instance()->locale->toString(query->value(0).toInt());
}

QString HomeScreen::TotalText(bool salesDatabase, const QString& sql, const QDate& from, const QDate& to,
                              const QString& precision) const
{
    DatabaseManager* manager = DatabaseManager::Instance();
    QSqlQuery* query = salesDatabase ? manager->SalesQuery() : manager->InventoryQuery();
    query->prepare(sql);
    query->bindValue(QStringLiteral(":from"), from.toString(QStringLiteral("yyyy-MM-dd")));
    query->bindValue(QStringLiteral(":to"), to.toString(QStringLiteral("yyyy-MM-dd")));
    // A failure must not read as a day without sales.
    if (!query->exec()) {
        LogDatabaseError(query->lastError());
        return tr("NOT AVAILABLE");
    }
    // A period without rows sums to NULL, which reads as 0.
    query->next();
    return MoneyText(query->value(0).toDouble(), precision);
}

void HomeScreen::UpdateLayout()
{
    const QList<QList<QLabel*>> groups = {
        {ui->label_current_user, ui->label_currency_symbol, ui->label_total_vendors, ui->label_purchased_inventory,
         ui->label_current_day_sales_label, ui->label_current_day_expenses_label},
        {ui->labelCurrentUser, ui->labelCurrency, ui->labelVendors, ui->labelPurcasedInventory,
         ui->labelLastCurrentDay, ui->label_current_day_expenses},
        {ui->label_company_name, ui->label_sales_tax_name, ui->label_total_products, ui->label_total_customers,
         ui->label_yesterday_sales_label, ui->label_yesterday_expenses_label},
        {ui->labelCompany, ui->labelTaxName, ui->labelProduct, ui->labelTotalCustomers, ui->labelYesterdaySales,
         ui->labelYesterdayExpenses},
        {ui->label_store_id, ui->label_terminal_id, ui->label_inventory_items, ui->label_total_purchase_orders,
         ui->label_last_7_days_sales_label, ui->label_last_7_days_expenses_label},
        {ui->labelTax, ui->labelTaxB, ui->labelInventory, ui->labelPOrders, ui->labelLast7Days,
         ui->labelLast7DaysExpenses},
    };
    for (const QList<QLabel*>& group : groups) {
        int widest = 0;
        for (QLabel* label : group)
            widest = qMax(widest, label->width());
        for (QLabel* label : group)
            label->setMinimumWidth(widest);
    }
}

bool HomeScreen::ReportsPermitted()
{
    if (AppSettings::Instance()->HasPermission(MODULE_REPORTS_MANAGEMENT))
        return true;
    QMessageBox::information(this, QStringLiteral("Module Permission"),
                             QStringLiteral("You are not allowed to access system reports. Please contact "
                                            "ADMINISTRATOR user of Vorantel and request reports management "
                                            "permissions."),
                             QMessageBox::Ok);
    return false;
}

void HomeScreen::ForwardAndRefresh(void (MainWindow::*launcher)())
{
    QPointer<HomeScreen> self(this);
    (mainWindow->*launcher)();
    // A launcher that rebuilt the Home page has replaced this one, whose figures nobody sees any more.
    if (self && mainWindow->centralWidget() == this)
        RefreshOverview();
}

void HomeScreen::OpenSettingsAt(int row)
{
    mainWindow->settingsStartPage = row;
    ForwardAndRefresh(&MainWindow::on_actionSettings_triggered);
}

void HomeScreen::on_Overview_HyperLink_clicked(QString link)
{
    if (link == QLatin1String("CURRENT_USER"))
        ForwardAndRefresh(&MainWindow::on_actionManage_Users_triggered);
    else if (link == QLatin1String("CURRENCY_SYMBOL"))
        OpenSettingsAt(2);
    else if (link == QLatin1String("COMPANY_NAME") || link == QLatin1String("STORE_ID")
             || link == QLatin1String("TERMINAL_ID"))
        OpenSettingsAt(1);
    else if (link == QLatin1String("SALES_TAX_NAME"))
        OpenSettingsAt(3);
}

void HomeScreen::on_Inventory_Overview_HyperLink_clicked(QString link)
{
    if (link == QLatin1String("TOTAL_CUSTOMERS")) {
        ForwardAndRefresh(&MainWindow::on_actionManager_Customers_triggered);
        return;
    }
    // These screens replace this page: opened once the link's own signal has returned.
    if (link == QLatin1String("TOTAL_PRODUCTS")) {
        QTimer::singleShot(0, mainWindow, &MainWindow::on_actionManageProducts_triggered);
        return;
    }
    if (link == QLatin1String("TOTAL_INVENTORY_ITEMS")) {
        QTimer::singleShot(0, mainWindow, &MainWindow::on_actionManage_Inventory_triggered);
        return;
    }
    if (link == QLatin1String("TOTAL_PURCHASE_ORDERS")) {
        QTimer::singleShot(0, mainWindow, &MainWindow::on_actionManage_Purchase_triggered);
        return;
    }
    if (link == QLatin1String("TOTAL_VENDORS")) {
        ForwardAndRefresh(&MainWindow::on_actionManage_Vendors_triggered);
        return;
    }
    if (link != QLatin1String("PURCHASED_INVENTORY") || !ReportsPermitted())
        return;
    ReportGenerator generator(this);
    generator.StockCountAndValueReport();
}

void HomeScreen::on_HyperLink_clicked(QString link)
{
    if (!SALES_REPORT_LINKS.contains(link) || !ReportsPermitted())
        return;
    ReportGenerator generator(this);
    (generator.*SALES_REPORT_LINKS.value(link))();
}

void HomeScreen::on_pushAddCategories_clicked()
{
    ForwardAndRefresh(&MainWindow::on_actionBarcode_Generator_triggered);
}

void HomeScreen::on_pushAddProducts_clicked()
{
    ForwardAndRefresh(&MainWindow::on_actionAdd_New_Product_triggered);
}

void HomeScreen::on_pushAddInventory_clicked()
{
    ForwardAndRefresh(&MainWindow::on_actionAdd_New_Batch_triggered);
}

void HomeScreen::on_pushPurchaseOrder_clicked()
{
    // The launcher rebuilds the current screen itself.
    ForwardAndRefresh(&MainWindow::on_actionAdd_New_Purchase_Order_triggered);
}

void HomeScreen::on_pushVendors_clicked()
{
    ForwardAndRefresh(&MainWindow::on_actionManage_Vendors_triggered);
}

void HomeScreen::on_pushDatabases_clicked()
{
    mainWindow->on_actionDatabases_triggered();
}

void HomeScreen::on_pushUsers_clicked()
{
    ForwardAndRefresh(&MainWindow::on_actionManage_Users_triggered);
}

void HomeScreen::on_pushBackup_clicked()
{
    mainWindow->on_action_Backup_triggered();
}

void HomeScreen::on_pushCustomers_clicked()
{
    ForwardAndRefresh(&MainWindow::on_actionManager_Customers_triggered);
}

void HomeScreen::on_pushSettings_clicked()
{
    ForwardAndRefresh(&MainWindow::on_actionSettings_triggered);
}
