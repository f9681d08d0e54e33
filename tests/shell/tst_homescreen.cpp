#include "appsettings.h"
#include "constants.h"
#include "databasetest.h"
#include "homescreen.h"
#include "modalanswerer.h"
#include "testdatabase.h"
#include "testsupport.h"

#include <QDate>
#include <QLabel>
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

// Figures of the seeded databases, amounts with two decimals.
Texts SeededFigures(const QString& symbol)
{
    auto money = [&](double amount) { return symbol + QLatin1Char(' ') + QString::number(amount, 'f', 2); };
    // Today's returned line is left out; yesterday holds a sale still being built (status -1);
    // the last seven days are yesterday to seven days back.
    return {{"labelProduct", "2"}, {"labelInventory", "3"}, {"labelVendors", "2"}, {"labelTotalCustomers", "4"},
            {"labelPOrders", "1"}, {"labelPurcasedInventory", money(17.5)},
            {"labelLastCurrentDay", money(105)}, {"labelYesterdaySales", money(52.5)},
            {"labelLast7Days", money(262.5)}, {"label_current_day_expenses", money(0)},
            {"labelYesterdayExpenses", money(20)}, {"labelLast7DaysExpenses", money(50)}};
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

VORANTEL_TEST_MAIN(TestHomeScreen)
#include "tst_homescreen.moc"
