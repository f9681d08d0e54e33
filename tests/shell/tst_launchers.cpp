#include "appsettings.h"
#include "constants.h"
#include "databasemanager.h"
#include "errordialog.h"
#include "mainwindow.h"
#include "modalanswerer.h"
#include "testdatabase.h"
#include "testsupport.h"
#include "urlrecorder.h"

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QSettings>

// Which screens each role reaches through the main window's launchers.
class TestLaunchers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void roleAndLauncherMatrix_data();
    void roleAndLauncherMatrix();
    void homeQuickAccess_data();
    void homeQuickAccess();
    void stockDialogOpensVendors();
    void salesRecordsOpenASaleInThePointOfSale_data();
    void salesRecordsOpenASaleInThePointOfSale();
    void homeLinksOpenPages_data();
    void homeLinksOpenPages();

private:
    QString inventoryDb;
    QString salesDb;
};

namespace {
const QString REFUSED = QStringLiteral(
    "Module Permission|You are not allowed to access this function. Please contact ADMINISTRATOR user of Vorantel "
    "and request desired permissions.");
}

void TestLaunchers::initTestCase()
{
    REQUIRE_TEST_SERVER();
    const TestDatabase::Server s = TestDatabase::server();
    DatabaseManager::Instance()->SetConnectionParameters(s.user, s.password, s.port, s.host);
    inventoryDb = TestDatabase::uniqueName(QStringLiteral("launch_inv"));
    QString error;
    DatabaseManager::Instance()->CreateInventoryDatabase(inventoryDb, error);
    QCOMPARE(error, QString());
    DatabaseManager::Instance()->RemoveInventoryDatabase();
    // The Home page reads the sales database too.
    salesDb = TestDatabase::uniqueName(QStringLiteral("launch_sales"));
    DatabaseManager::Instance()->CreateSalesDatabase(salesDb, error, QStringLiteral("1"));
    QCOMPARE(error, QString());
    DatabaseManager::Instance()->RemoveSalesDatabase();

    QSettings* store = AppSettings::Instance()->settings;
    TestDatabase::writeServerSettings();
    store->setValue(ACTIVE_INVENTORY_DB, inventoryDb);
    store->setValue(ACTIVE_SALES_DB, salesDb);
    store->setValue(QStringLiteral("SHOW_WELCOME"), 0);
    store->setValue(QStringLiteral("FIRST_TIME_START"), 0);
    // No administrator exists: the start-up's notice is silenced and the window runs without login.
    store->setValue(QStringLiteral("err_msg_5"), false);
    // The sale screen's start notice and the products and inventory pages' tips too.
    store->setValue(QStringLiteral("err_msg_13"), false);
    store->setValue(QStringLiteral("err_msg_14"), false);
    store->setValue(QStringLiteral("err_msg_42"), false);
    // The purchase order editor's status notice.
    store->setValue(QStringLiteral("err_msg_15"), false);
}

void TestLaunchers::cleanupTestCase()
{
    DatabaseManager::Instance()->RemoveInventoryDatabase();
    DatabaseManager::Instance()->RemoveSalesDatabase();
    TestDatabase::dropDatabase(inventoryDb);
    TestDatabase::dropDatabase(salesDb);
}

void TestLaunchers::roleAndLauncherMatrix_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("clerk");         // SALES PERSON with module 0 only
    QTest::addColumn<QString>("administrator"); // ADMINISTRATOR with no module rows
    const struct
    {
        const char* action;
        const char* clerk;
        const char* administrator;
    } rows[] = {
        {"actionHome", "page", "page"},
        {"actionSettings", "refused", "SettingsDialog"},
        {"actionManage_Users", "refused", "ManageUsers"},
        {"actionManage_Roles", "refused", "ManageRoles"},
        {"actionManager_Customers", "refused", "ManageCustomers"},
        {"actionManage_Sales", "refused", "page:SalesManagement"},
        {"actionManage_Expenses", "refused", "page:ExpenseManagement"},
        {"action_Add_Expense", "refused", "AddEditExpenseDialog"},
        {"actionDatabases", "refused", "ManageDatabases"},
        {"action_Backup", "refused", "Backupdialog"},
        {"actionManage_Categories", "refused", "ManageCategories"},
        {"actionAdd_New_Product", "refused", "AddEditProductDialog"},
        {"actionAdd_New_Batch", "refused", "CAddNewItemsBatch"},
        {"actionDatabase_Server", "ServerSettingsDialog", "ServerSettingsDialog"},
        {"actionAbout_Vorantel_Pro", "AboutDialog", "AboutDialog"},
        {"actionUser_Manual", "url", "url"},
        {"actionTutorials", "url", "url"},
        {"action_Support", "url", "url"},
        {"actionLanuch_POS", "QPOSDialog", "QPOSDialog"},
        {"action_Quick_Pay_Settings", "refused", "QuickpayShorcuts"},
        {"actionManageProducts", "refused", "page:ProductManagement"},
        {"actionManage_Inventory", "refused", "page:InventoryManagement"},
        {"actionBarcode_Generator", "refused", "BarcodeSettings"},
        {"actionManage_Vendors", "refused", "ManageVendors"},
        {"actionAdd_New_Purchase_Order", "refused", "AddEditPurchaseOrder"},
        {"actionManage_Purchase", "refused", "page:PurchaseManagement"},
        {"actionImport_Inventory", "refused", "InventoryImporter"},
        {"actionExport_Inventory", "refused", "InventoryExportOptions"},
        {"actionReports_Management", "refused", "page:ReportsManagement"},
    };
    for (const auto& row : rows)
        QTest::newRow(row.action) << row.action << row.clerk << row.administrator;
}

void TestLaunchers::roleAndLauncherMatrix()
{
    QFETCH(QString, action);
    QFETCH(QString, clerk);
    QFETCH(QString, administrator);

    MainWindow window;
    QCOMPARE(AppSettings::Instance()->roleName, QStringLiteral("ADMINISTRATOR"));
    auto* trigger = window.findChild<QAction*>(action);
    QVERIFY(trigger);
    QVERIFY2(trigger->isEnabled(), "a launcher whose screen exists is enabled after login");

    for (const bool isClerk : {true, false}) {
        const QString expected = isClerk ? clerk : administrator;
        AppSettings::Instance()->roleName = isClerk ? QStringLiteral("SALES PERSON") : QStringLiteral("ADMINISTRATOR");
        AppSettings::Instance()->SetPermittedModules(isClerk ? QList<int>{0} : QList<int>{});
        window.on_actionHome_triggered();
        QWidget* page = window.centralWidget();

        ModalAnswerer answerer;
        UrlRecorder urls;
        trigger->trigger();
        QTRY_COMPARE(answerer.pendingAnswers(), 0);
        const QString who = isClerk ? QStringLiteral("clerk: ") : QStringLiteral("administrator: ");

        if (expected == QLatin1String("refused")) {
            QTRY_VERIFY2(answerer.messages() == QStringList{REFUSED}, qPrintable(who + answerer.messages().join(',')));
            QVERIFY2(window.centralWidget() == page, qPrintable(who + "page replaced"));
            QVERIFY(window.currentScreenOpener == &MainWindow::on_actionHome_triggered);
        } else if (expected == QLatin1String("page")) {
            QTRY_VERIFY2(window.centralWidget() != page, qPrintable(who + "page not rebuilt"));
            QVERIFY(answerer.seen.isEmpty());
            QVERIFY(window.currentScreenOpener == &MainWindow::on_actionHome_triggered);
        } else if (expected.startsWith(QLatin1String("page:"))) {
            QVERIFY2(answerer.seen.isEmpty(), qPrintable(who + answerer.seen.value(0).className));
            QVERIFY2(window.centralWidget()->inherits(qPrintable(expected.mid(5))), qPrintable(who + "no such page"));
            QVERIFY(window.currentScreenOpener != &MainWindow::on_actionHome_triggered);
        } else if (expected == QLatin1String("url")) {
            QTRY_COMPARE(urls.urls.size(), 1);
            QVERIFY(answerer.seen.isEmpty());
            QVERIFY(urls.urls.first().scheme().startsWith(QLatin1String("http")));
        } else {
            QTRY_VERIFY2(!answerer.seen.isEmpty(), qPrintable(who + "nothing opened"));
            // The product dialog may show a notice (no images folder) while it is being built.
            QStringList opened;
            for (const ModalAnswerer::Seen& seen : qAsConst(answerer.seen))
                opened << seen.className;
            QVERIFY2(opened.contains(expected), qPrintable(who + opened.join(',')));
            QVERIFY2(!answerer.messages().contains(REFUSED), qPrintable(who + "refused"));
        }
    }
}

void TestLaunchers::homeQuickAccess_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("opens"); // empty: the button stays disabled until its screen exists
    QTest::newRow("add products") << "pushAddProducts" << "AddEditProductDialog";
    QTest::newRow("add inventory") << "pushAddInventory" << "CAddNewItemsBatch";
    QTest::newRow("barcode generator") << "pushAddCategories" << "BarcodeSettings";
    QTest::newRow("vendors") << "pushVendors" << "ManageVendors";
    QTest::newRow("purchase order") << "pushPurchaseOrder" << "AddEditPurchaseOrder";
    QTest::newRow("customers") << "pushCustomers" << "ManageCustomers";
}

void TestLaunchers::homeQuickAccess()
{
    QFETCH(QString, button);
    QFETCH(QString, opens);

    MainWindow window;
    AppSettings::Instance()->roleName = QStringLiteral("ADMINISTRATOR");
    AppSettings::Instance()->SetPermittedModules({});
    window.on_actionHome_triggered();
    auto* push = window.centralWidget()->findChild<QPushButton*>(button);
    QVERIFY(push);
    QCOMPARE(push->isEnabled(), !opens.isEmpty());
    if (opens.isEmpty())
        return;
    ModalAnswerer answerer;
    push->click();
    QStringList opened;
    for (const ModalAnswerer::Seen& seen : qAsConst(answerer.seen))
        opened << seen.className;
    QVERIFY2(opened.contains(opens), qPrintable(opened.join(',')));
}

// Inventory is built below purchasing: the stock dialog reaches the vendors dialog only
// through what the main window hands it.
void TestLaunchers::stockDialogOpensVendors()
{
    MainWindow window;
    AppSettings::Instance()->roleName = QStringLiteral("ADMINISTRATOR");
    AppSettings::Instance()->SetPermittedModules({});
    window.on_actionHome_triggered();
    ModalAnswerer answerer;
    // The stock dialog is the active modal widget again between the vendors dialog closing and its own
    // handler rejecting it; a poll of a loaded machine falls into that gap. Seen once, it is counted once.
    answerer.setAnswerOncePerShowing(true);
    QString vendorsParent;
    answerer.handleClass("CAddNewItemsBatch", [&answerer, &vendorsParent](QWidget* stock) {
        answerer.handleClass("ManageVendors", [&vendorsParent](QWidget* vendors) {
            vendorsParent = QString::fromLatin1(vendors->parentWidget()->metaObject()->className());
            static_cast<QDialog*>(vendors)->reject();
        });
        auto* vendorsButton = stock->findChild<QPushButton*>(QStringLiteral("pushVendors"));
        if (vendorsButton && vendorsButton->isEnabled())
            vendorsButton->click();
        static_cast<QDialog*>(stock)->reject();
    });
    window.centralWidget()->findChild<QPushButton*>(QStringLiteral("pushAddInventory"))->click();
    QTRY_COMPARE(answerer.pendingAnswers(), 0);
    QCOMPARE(answerer.failures, QStringList());
    QStringList opened;
    for (const ModalAnswerer::Seen& seen : qAsConst(answerer.seen))
        opened << seen.className;
    QCOMPARE(opened, (QStringList{"CAddNewItemsBatch", "ManageVendors"}));
    QCOMPARE(vendorsParent, QStringLiteral("CAddNewItemsBatch"));
}

void TestLaunchers::salesRecordsOpenASaleInThePointOfSale_data()
{
    QTest::addColumn<QString>("saleId");
    QTest::addColumn<bool>("invoice");
    QTest::newRow("invoice") << "41" << true;
    QTest::newRow("receipt") << "40" << false;
}

void TestLaunchers::salesRecordsOpenASaleInThePointOfSale()
{
    QFETCH(QString, saleId);
    QFETCH(bool, invoice);
    QCOMPARE(TestDatabase::exec(salesDb, {QStringLiteral("DELETE FROM tblSalesTransactions"),
                                          QStringLiteral("INSERT INTO tblSalesTransactions (ID, USER_ID, TIME_STAMP, "
                                                         "INVOICE_MODE, STATUS) VALUES (40, 'u', NOW(), 0, 2), "
                                                         "(41, 'u', NOW(), 1, 0)")}),
             QString());
    // The page's explanation of the details tab, silenced as a user does after the first time.
    AppSettings::Instance()->settings->setValue(QStringLiteral("err_msg_12"), false);
    MainWindow window;
    AppSettings::Instance()->roleName = QStringLiteral("ADMINISTRATOR");
    window.show();
    window.on_actionManage_Sales_triggered();
    QWidget* page = window.centralWidget();
    QVERIFY(page && page->inherits("SalesManagement"));
    auto* sales = page->findChild<QTableView*>(QStringLiteral("tableViewSales"));
    const QModelIndexList found =
        sales->model()->match(sales->model()->index(0, 0), Qt::DisplayRole, saleId, 1, Qt::MatchFixedString);
    QVERIFY(!found.isEmpty());
    sales->setCurrentIndex(found.first());
    QTest::mouseClick(sales->viewport(), Qt::LeftButton, {}, sales->visualRect(found.first()).center());

    ModalAnswerer answerer;
    QString requestSeen;
    answerer.handleClass("QPOSDialog", [&](QWidget* dialog) {
        requestSeen = QStringLiteral("%1 %2 %3")
                          .arg(window.openSaleRequested)
                          .arg(window.openSaleId)
                          .arg(window.openSaleAsInvoice);
        static_cast<QDialog*>(dialog)->reject();
    });
    page->findChild<QPushButton*>(QStringLiteral("buttonEdit"))->click();
    QCOMPARE(requestSeen, QStringLiteral("1 %1 %2").arg(saleId).arg(invoice));
    QVERIFY(!window.openSaleRequested);
    QCOMPARE(window.centralWidget(), page); // the page is still there, its list searched again
}

void TestLaunchers::homeLinksOpenPages_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("page");
    QTest::newRow("total products") << "label_total_products" << "TOTAL_PRODUCTS" << "ProductManagement";
    QTest::newRow("total stock") << "label_inventory_items" << "TOTAL_INVENTORY_ITEMS" << "InventoryManagement";
    QTest::newRow("total purchase orders") << "label_total_purchase_orders" << "TOTAL_PURCHASE_ORDERS"
                                           << "PurchaseManagement";
}

void TestLaunchers::homeLinksOpenPages()
{
    QFETCH(QString, label);
    QFETCH(QString, link);
    QFETCH(QString, page);
    MainWindow window;
    AppSettings::Instance()->roleName = QStringLiteral("ADMINISTRATOR");
    window.on_actionHome_triggered();
    auto* caption = window.centralWidget()->findChild<QLabel*>(label);
    QVERIFY(caption);
    QVERIFY2(caption->text().contains(QStringLiteral("href=\"%1\"").arg(link)), qPrintable(caption->text()));
    emit caption->linkActivated(link);
    QTRY_VERIFY(window.centralWidget()->inherits(qPrintable(page)));
}

VORANTEL_TEST_MAIN(TestLaunchers)
#include "tst_launchers.moc"
