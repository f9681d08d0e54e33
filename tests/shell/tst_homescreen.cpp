#include "appsettings.h"
#include "constants.h"
#include "databasetest.h"
#include "homescreen.h"
#include "mainwindow.h"
#include "modalanswerer.h"
#include "settingsdialog.h"
#include "testdatabase.h"
#include "testsupport.h"

#include <QDate>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>

// The Home dashboard's figures, boxes and links against seeded databases.
class TestHomeScreen : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void figures_data();
    void figures();
    void overviewBoxesFollowRole_data();
    void overviewBoxesFollowRole();
    void linksAndButtons_data();
    void linksAndButtons();
    void storedTextShownAsTyped_data();
    void storedTextShownAsTyped();
    void captionLinkOpensOnClick();

private:
    QString inventoryDb;
    QString salesDb;
};

namespace {

using Texts = QMap<QString, QString>; // object name -> text shown

QString Day(int daysBack)
{
    return QDate::currentDate().addDays(-daysBack).toString(QStringLiteral("yyyy-MM-dd"));
}

// Labels whose text differs from the expected one, with both texts.
QStringList Mismatches(QWidget* page, const Texts& expected)
{
    QStringList out;
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        auto* label = page->findChild<QLabel*>(it.key());
        const QString shown = label ? label->text() : QStringLiteral("<missing>");
        if (shown != it.value())
            out << QStringLiteral("%1 shows \"%2\", expected \"%3\"").arg(it.key(), shown, it.value());
    }
    return out;
}

// Figures of the seeded databases: sales with the final amount precision, the other amounts
// with the decimal places.
Texts SeededFigures(const QString& symbol, int sales = 2, int other = 2)
{
    auto money = [&](double amount, int decimals) {
        return symbol + QLatin1Char(' ') + QString::number(amount, 'f', decimals);
    };
    // Today's returned line is left out; yesterday holds a sale still being built (status -1);
    // the last seven days are yesterday to seven days back.
    return {{"labelProduct", "2"}, {"labelInventory", "3"}, {"labelVendors", "2"}, {"labelTotalCustomers", "4"},
            {"labelPOrders", "1"}, {"labelPurcasedInventory", money(17.5, other)},
            {"labelLastCurrentDay", money(105, sales)}, {"labelYesterdaySales", money(52.5, sales)},
            {"labelLast7Days", money(262.5, sales)}, {"label_current_day_expenses", money(0, other)},
            {"labelYesterdayExpenses", money(20, other)}, {"labelLast7DaysExpenses", money(50, other)}};
}

} // namespace

void TestHomeScreen::initTestCase()
{
    REQUIRE_TEST_SERVER();
    DatabaseTest::UseFixtureServer();
    inventoryDb = TestDatabase::uniqueName(QStringLiteral("home_inv"));
    salesDb = TestDatabase::uniqueName(QStringLiteral("home_sales"));
    QCOMPARE(DatabaseTest::Create(1, inventoryDb), QString());
    QCOMPARE(DatabaseTest::Create(2, salesDb), QString());

    QCOMPARE(TestDatabase::exec(inventoryDb,
                                {"INSERT INTO tblProductCategories (NAME) VALUES ('Food')",
                                 "INSERT INTO tblProducts (ID, CATEGORY_ID, PRODUCT_CODE, NAME) VALUES "
                                 "(1, 1, 'P1', 'Tea'), (2, 1, 'P2', 'Rice')",
                                 "INSERT INTO tblVendors (NAME) VALUES ('Wholesaler')",
                                 "INSERT INTO tblInventory (PRODUCT_ID, VENDOR_ID, BAR_CODE, BATCH_NUMBER, "
                                 "PURCHASE_PRICE, QUANTITY) VALUES (1, 1, 'B1', 'L1', 2.5, 3), "
                                 "(2, 1, 'B2', 'L2', 1.25, 8), (2, 1, 'B3', 'L3', 40, 0)",
                                 "INSERT INTO tblCustomers (NAME) VALUES ('A'), ('B'), ('C'), ('D')",
                                 "INSERT INTO tblPOrders (VENDOR_ID, STATUS, PAYMENT_STATUS) VALUES (1, 0, 0)",
                                 "INSERT INTO tblExpenses (CATEGORY_ID, DATED, AMOUNT) VALUES (1, '" + Day(1)
                                     + "', 12.25), (2, '" + Day(1) + "', 7.75), (1, '" + Day(7) + "', 30), (1, '"
                                     + Day(8) + "', 500)"}),
             QString());

    // Sale: id, days back, status. Line: sale id, sub-total, tax, returned.
    QStringList sales;
    for (const auto& sale : {QList<int>{1, 0, 2}, {2, 1, 2}, {3, 1, -1}, {4, 7, 2}, {5, 8, 2}})
        sales << QStringLiteral("INSERT INTO tblSalesTransactions (ID, USER_ID, TIME_STAMP, STATUS) "
                                "VALUES (%1, 'clerk', '%2 15:30:00', %3)")
                     .arg(sale[0]).arg(Day(sale[1])).arg(sale[2]);
    for (const char* line : {"1, 100, 5, 0", "1, -30, -1.5, 1", "2, 40, 2, 0", "3, 10, 0.5, 0", "4, 200, 10, 0",
                             "5, 1000, 0, 0"})
        sales << QStringLiteral("INSERT INTO tblSalesInvoice (TRANSACTION_ID, SUB_TOTAL, SUB_TAX, RETURNED, ITEM_INDEX, "
                                "PRODUCT_NAME, QUANTITY, PURCHASE_PRICE, SALE_PRICE, SUB_ITEMS, DISCOUNT, "
                                "PURCHASE_SUB_TOTAL) VALUES (%1, 0, 'Tea', 1, 1, 1, '0', 0, 1)").arg(QLatin1String(line));
    QCOMPARE(TestDatabase::exec(salesDb, sales), QString());
}

void TestHomeScreen::init()
{
    TestSupport::ClearSettings();
    TestDatabase::writeServerSettings();
    QSettings* store = AppSettings::Instance()->settings;
    store->setValue(ACTIVE_INVENTORY_DB, inventoryDb);
    store->setValue(ACTIVE_SALES_DB, salesDb);
    store->setValue(QStringLiteral("SHOW_WELCOME"), 0);
    store->setValue(QStringLiteral("FIRST_TIME_START"), 0);
    // No administrator exists: the main window runs without login, and says so only once.
    store->setValue(QStringLiteral("err_msg_5"), false);
    // The report viewer's tip about its column chooser.
    store->setValue(QStringLiteral("err_msg_45"), false);
    DatabaseTest::ResetManager();
    AppSettings::Instance()->roleName = QStringLiteral("ADMINISTRATOR");
    AppSettings::Instance()->SetPermittedModules({});
}

void TestHomeScreen::cleanupTestCase()
{
    DatabaseTest::ResetManager();
    TestDatabase::dropDatabase(inventoryDb);
    TestDatabase::dropDatabase(salesDb);
}

void TestHomeScreen::figures_data()
{
    QTest::addColumn<QVariantMap>("settings");
    QTest::addColumn<Texts>("expected");
    QTest::addColumn<QString>("storedTaxName");
    QTest::addColumn<int>("messages"); // the database layer's own, one per database it cannot open

    Texts unset = SeededFigures(QStringLiteral("$"));
    unset.insert(Texts{{"labelCompany", "NOT SET"}, {"labelCurrency", "$"}, {"labelTax", "NOT SET"},
                       {"labelTaxB", "NOT SET"}, {"labelTaxName", "Sales Tax"}, {"labelCurrentUser", "clerk1"}});
    QTest::newRow("settings never written") << QVariantMap() << unset << QString() << 0;

    Texts written = SeededFigures(QStringLiteral("EUR"), 3, 1);
    written.insert(Texts{{"labelCompany", "Corner Shop"}, {"labelCurrency", "EUR"}, {"labelTax", "S-1"},
                         {"labelTaxB", "T-9"}, {"labelTaxName", "VAT"}});
    QTest::newRow("settings written")
        << QVariantMap{{REPORT_COMPANY_NAME, "Corner Shop"}, {CURRENCY_SYMBOL, "EUR"}, {"store_id", "S-1"},
                       {"terminal_id", "T-9"}, {SALES_TAX_NAME, "VAT"}, {"final_amount_precision", "3"},
                       {"decimal_places", "1"}}
        << written << "VAT" << 0;

    Texts empty = SeededFigures(QStringLiteral("$"));
    empty.insert(Texts{{"labelCurrency", "$"}, {"labelTaxName", "TAX"}, {"labelCompany", "NOT SET"}});
    QTest::newRow("empty tax name and currency symbol")
        << QVariantMap{{SALES_TAX_NAME, ""}, {CURRENCY_SYMBOL, ""}, {REPORT_COMPANY_NAME, ""}} << empty << "TAX" << 0;

    // A figure that cannot be read must not look like a day without sales.
    Texts unreadable = SeededFigures(QString());
    for (QString& text : unreadable)
        text = QStringLiteral("NOT AVAILABLE");
    const QString missing = TestDatabase::uniqueName(QStringLiteral("home_missing"));
    QTest::newRow("databases missing") << QVariantMap{{ACTIVE_INVENTORY_DB, missing}, {ACTIVE_SALES_DB, missing}}
                                       << unreadable << QString() << 2;
}

void TestHomeScreen::figures()
{
    QFETCH(QVariantMap, settings);
    QFETCH(Texts, expected);
    QFETCH(QString, storedTaxName);
    QFETCH(int, messages);
    QSettings* store = AppSettings::Instance()->settings;
    for (auto it = settings.cbegin(); it != settings.cend(); ++it)
        store->setValue(it.key(), it.value());
    AppSettings::Instance()->loginName = QStringLiteral("clerk1");

    ModalAnswerer answerer;
    HomeScreen page(nullptr, nullptr);

    const QStringList mismatches = Mismatches(&page, expected);
    QVERIFY2(mismatches.isEmpty(), qPrintable(mismatches.join('\n')));
    QCOMPARE(store->value(SALES_TAX_NAME).toString(), storedTaxName);
    QCOMPARE(answerer.seen.size(), messages);
}

void TestHomeScreen::overviewBoxesFollowRole_data()
{
    QTest::addColumn<QString>("role");
    QTest::addColumn<QList<int>>("modules");
    QTest::addColumn<bool>("figuresShown");
    QTest::newRow("administrator without modules") << "ADMINISTRATOR" << QList<int>{} << true;
    QTest::newRow("sales person") << "SALES PERSON" << QList<int>{0, 8} << false;
    QTest::newRow("manager with the overview module") << "MANAGER" << QList<int>{0, 17} << true;
}

void TestHomeScreen::overviewBoxesFollowRole()
{
    QFETCH(QString, role);
    QFETCH(QList<int>, modules);
    QFETCH(bool, figuresShown);
    AppSettings::Instance()->roleName = role;
    AppSettings::Instance()->SetPermittedModules(modules);

    HomeScreen page(nullptr, nullptr);
    page.resize(1100, 640);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));

    for (const char* box : {"homeOverview", "groupQuickAccess"})
        QVERIFY2(page.findChild<QGroupBox*>(box)->isVisible(), box);
    for (const char* box : {"group_inventory_overview", "group_sales_overview"})
        QVERIFY2(page.findChild<QGroupBox*>(box)->isVisible() == figuresShown, box);
}

void TestHomeScreen::linksAndButtons_data()
{
    QTest::addColumn<QString>("object"); // a caption or a button
    QTest::addColumn<QString>("key");    // the caption's link key; empty for a button
    QTest::addColumn<QString>("opens");  // class of the modal widget, or "title|text" of a message
    QTest::addColumn<int>("settingsRow"); // page row of the settings dialog, -1 for other dialogs
    QTest::addColumn<bool>("refreshed");  // the page shows the symbol written while the dialog was open
    QTest::addColumn<bool>("adds");       // the customers or vendors dialog adds one before it is closed
    const QString settings = QStringLiteral("SettingsDialog");
    QTest::newRow("Current User") << "label_current_user" << "CURRENT_USER" << "ManageUsers" << -1 << true << false;
    QTest::newRow("Company Name") << "label_company_name" << "COMPANY_NAME" << settings << 1 << true << false;
    QTest::newRow("Currency Symbol") << "label_currency_symbol" << "CURRENCY_SYMBOL" << settings << 2 << true << false;
    QTest::newRow("Settings button") << "pushSettings" << "" << settings << 0 << true << false;
    QTest::newRow("Backup button") << "pushBackup" << "" << "Backupdialog" << -1 << false << false;
    QTest::newRow("Customers button") << "pushCustomers" << "" << "ManageCustomers" << -1 << true << false;
    QTest::newRow("Total Customers") << "label_total_customers" << "TOTAL_CUSTOMERS" << "ManageCustomers" << -1 << true << false;
    QTest::newRow("Customers button adds a customer") << "pushCustomers" << "" << "ManageCustomers" << -1 << true << true;
    QTest::newRow("Total Customers adds a customer")
        << "label_total_customers" << "TOTAL_CUSTOMERS" << "ManageCustomers" << -1 << true << true;
    // Vendors... does not rebuild the page: the page reads its figures again itself.
    QTest::newRow("Vendors button adds a vendor") << "pushVendors" << "" << "ManageVendors" << -1 << true << true;
    QTest::newRow("Total Vendors adds a vendor")
        << "label_total_vendors" << "TOTAL_VENDORS" << "ManageVendors" << -1 << true << true;
    // Each sales, expense and stock value caption opens its quick report; the page is not read again.
    const struct
    {
        const char* label;
        const char* key;
        const char* heading;
    } reports[] = {
        {"label_current_day_sales_label", "CURRENT_DAY_SALES", "FINANCIAL REPORT (CURRENT DAY)"},
        {"label_yesterday_sales_label", "YESTERDAY_SALES", "FINANCIAL REPORT (LAST DAY)"},
        {"label_last_7_days_sales_label", "LAST_7_DAY_SALES", "FINANCIAL REPORT (LAST 7 DAYS)"},
        {"label_current_day_expenses_label", "CURRENT_DAY_EXPENSES", "EXPENSE REPORT (CURRENT DAY)"},
        {"label_yesterday_expenses_label", "YESTERDAY_EXPENSES", "EXPENSE REPORT (LAST DAY)"},
        {"label_last_7_days_expenses_label", "LAST_7_DAY_EXPENSES", "EXPENSE REPORT (LAST 7 DAYS)"},
        {"label_purchased_inventory", "PURCHASED_INVENTORY", "Stock Count and Value Report"},
    };
    for (const auto& report : reports)
        QTest::newRow(report.key) << report.label << report.key << QStringLiteral("ReportViewer|") + report.heading
                                  << -1 << false << false;
    QTest::newRow("sales figure without reports permission")
        << "label_current_day_sales_label" << "CURRENT_DAY_SALES"
        << "Module Permission|You are not allowed to access system reports. Please contact ADMINISTRATOR user of "
           "Vorantel and request reports management permissions."
        << -1 << false << false;
}

void TestHomeScreen::linksAndButtons()
{
    QFETCH(QString, object);
    QFETCH(QString, key);
    QFETCH(QString, opens);
    QFETCH(int, settingsRow);
    QFETCH(bool, refreshed);
    QFETCH(bool, adds);
    const auto dropAdded = qScopeGuard([this] {
        TestDatabase::exec(inventoryDb, {QStringLiteral("DELETE FROM tblCustomers WHERE NAME = 'Added from Home'"),
                                         QStringLiteral("DELETE FROM tblVendors WHERE NAME = 'Added from Home'")});
    });

    MainWindow window;
    if (opens.startsWith(QLatin1String("Module Permission"))) {
        AppSettings::Instance()->roleName = QStringLiteral("SALES PERSON");
        AppSettings::Instance()->SetPermittedModules({0, 17});
        window.on_actionHome_triggered();
    }
    auto* page = qobject_cast<HomeScreen*>(window.centralWidget());
    QVERIFY(page);
    const int customersBefore = page->findChild<QLabel*>(QStringLiteral("labelTotalCustomers"))->text().toInt();
    const int vendorsBefore = page->findChild<QLabel*>(QStringLiteral("labelVendors"))->text().toInt();
    int rowShown = -1;
    QString heading;
    ModalAnswerer answerer;
    answerer.handle([&](QWidget* modal) {
        if (auto* settings = qobject_cast<SettingsDialog*>(modal))
            rowShown = settings->contentWidget()->currentRow();
        if (modal->inherits("ReportViewer"))
            heading = modal->findChild<QLabel*>(QStringLiteral("labelHeading"))->text();
        AppSettings::Instance()->settings->setValue(CURRENCY_SYMBOL, QStringLiteral("GBP"));
        if (adds && (modal->inherits("ManageCustomers") || modal->inherits("ManageVendors"))) {
            modal->findChild<QLineEdit*>(QStringLiteral("lineEdit"))->setText(QStringLiteral("Added from Home"));
            modal->findChild<QPushButton*>(QStringLiteral("pushButtonAdd"))->click();
        }
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            box->button(QMessageBox::Ok)->click();
        else
            qobject_cast<QDialog*>(modal)->reject();
        return true;
    });
    if (key.isEmpty()) {
        page->findChild<QPushButton*>(object)->click();
    } else {
        auto* caption = page->findChild<QLabel*>(object);
        QVERIFY2(caption->text().contains(QStringLiteral("href=\"%1\"").arg(key)), qPrintable(caption->text()));
        emit caption->linkActivated(key);
    }
    QTRY_COMPARE(answerer.pendingAnswers(), 0);

    QCOMPARE(answerer.seen.size(), 1);
    const ModalAnswerer::Seen& seen = answerer.seen.first();
    if (seen.className == QLatin1String("QMessageBox"))
        QCOMPARE(seen.title + '|' + seen.text, opens);
    else if (seen.className == QLatin1String("ReportViewer"))
        QCOMPARE(seen.className + '|' + heading, opens);
    else
        QCOMPARE(seen.className, opens);
    QCOMPARE(rowShown, settingsRow);
    auto* shown = qobject_cast<HomeScreen*>(window.centralWidget());
    QVERIFY(shown);
    QCOMPARE(shown->findChild<QLabel*>(QStringLiteral("labelCurrency"))->text(),
             refreshed ? QStringLiteral("GBP") : QStringLiteral("$"));
    QCOMPARE(customersBefore, 4);
    QCOMPARE(shown->findChild<QLabel*>(QStringLiteral("labelTotalCustomers"))->text(),
             QString::number(customersBefore + (adds && opens == QLatin1String("ManageCustomers") ? 1 : 0)));
    QCOMPARE(vendorsBefore, 2);
    QCOMPARE(shown->findChild<QLabel*>(QStringLiteral("labelVendors"))->text(),
             QString::number(vendorsBefore + (adds && opens == QLatin1String("ManageVendors") ? 1 : 0)));
}

// Names and codes are shown as they were typed: one that looks like markup is no heading, picture or link.
void TestHomeScreen::storedTextShownAsTyped_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("key"); // the setting shown; empty for the login name
    QTest::addColumn<QString>("typed");
    QTest::newRow("login name, heading") << "labelCurrentUser" << "" << "<h1>U</h1>";
    QTest::newRow("login name, picture") << "labelCurrentUser" << "" << "<img src=\":/resources/images/users.png\">";
    QTest::newRow("company name") << "labelCompany" << REPORT_COMPANY_NAME << "<h1>Co</h1>";
    QTest::newRow("store ID") << "labelTax" << "store_id" << "<b>S</b>-1";
    QTest::newRow("terminal ID") << "labelTaxB" << "terminal_id" << "<a href=\"x\">T9</a>";
    QTest::newRow("currency symbol") << "labelCurrency" << CURRENCY_SYMBOL << "<i>$</i>";
    QTest::newRow("tax name") << "labelTaxName" << SALES_TAX_NAME << "<s>VAT</s> &amp; duty";
}

void TestHomeScreen::storedTextShownAsTyped()
{
    QFETCH(QString, label);
    QFETCH(QString, key);
    QFETCH(QString, typed);
    if (key.isEmpty())
        AppSettings::Instance()->loginName = typed;
    else
        AppSettings::Instance()->settings->setValue(key, typed);
    const auto loggedOut = qScopeGuard([] { AppSettings::Instance()->loginName.clear(); });

    HomeScreen page(nullptr, nullptr);
    auto* shown = page.findChild<QLabel*>(label);
    QVERIFY(shown);
    QCOMPARE(TestSupport::AsShown(shown->text(), shown->textFormat()), typed);
}

// The captions beside those values stay links: a click on one opens its screen.
void TestHomeScreen::captionLinkOpensOnClick()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* caption = window.centralWidget()->findChild<QLabel*>(QStringLiteral("label_current_user"));
    QVERIFY(caption);
    ModalAnswerer answerer;
    answerer.handle([](QWidget* modal) {
        qobject_cast<QDialog*>(modal)->reject();
        return true;
    });
    const QRect text = caption->contentsRect();
    QTest::mouseClick(caption, Qt::LeftButton, Qt::NoModifier, QPoint(text.left() + 4, text.center().y()));
    QTRY_COMPARE(answerer.pendingAnswers(), 0);
    QCOMPARE(answerer.seen.size(), 1);
    QCOMPARE(answerer.seen.first().className, QStringLiteral("ManageUsers"));
}

VORANTEL_TEST_MAIN(TestHomeScreen)
#include "tst_homescreen.moc"
