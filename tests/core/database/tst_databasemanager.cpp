#include "appsettings.h"
#include "constants.h"
#include "databasemanager.h"
#include "databasestatuslistener.h"
#include "modalanswerer.h"
#include "testdatabase.h"
#include "testsupport.h"

#include <QSettings>

// The three connections: lazy opening behind the version check, the messages and status
// reports it gives, retry rules, shared queries, close and remove.
class TestDatabaseManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void missingActiveDatabase_data();
    void missingActiveDatabase();
    void refusedDatabase_data();
    void refusedDatabase();
    void openingReportsStatus();
    void failedDatabaseIsNotRetriedUntilClosed();
    void lostConnectionIsReopened();
    void removeUnregistersTheName();
    void sharedQueries();
    void serverConnectionNeedsAllCredentials_data();
    void serverConnectionNeedsAllCredentials();
    void failedServerConnectionIsRetried();

private:
    struct Listener : DatabaseStatusListener
    {
        QStringList calls;
        void updateInventoryDbStatus(bool open) override { calls << QStringLiteral("inventory %1").arg(open); }
        void updateSalesDbStatus(bool open) override { calls << QStringLiteral("sales %1").arg(open); }
    };

    void useFixtureServer();
    QSqlDatabase* open(int kind);
    static QString errorBox(const QString& name);

    QString inventoryDb;
    QString salesDb;
    QStringList dropLater;
    Listener listener;
    ModalAnswerer* answerer = nullptr;
};

QString TestDatabaseManager::errorBox(const QString& name)
{
    return QStringLiteral("Error|Can not connect to '%1' Please make sure MySql server is running. Select a valid "
                          "database for this version, or create a new.")
        .arg(name);
}

void TestDatabaseManager::initTestCase()
{
    REQUIRE_TEST_SERVER();
    TestSupport::ClearSettings();
    answerer = new ModalAnswerer(this);
    DatabaseManager::Instance()->mainWindow = &listener;
    useFixtureServer();

    inventoryDb = TestDatabase::uniqueName(QStringLiteral("inv"));
    salesDb = TestDatabase::uniqueName(QStringLiteral("sales"));
    QString error;
    DatabaseManager::Instance()->CreateInventoryDatabase(inventoryDb, error);
    QCOMPARE(error, QString());
    DatabaseManager::Instance()->CreateSalesDatabase(salesDb, error, QStringLiteral("1"));
    QCOMPARE(error, QString());
}

void TestDatabaseManager::init()
{
    TestSupport::ClearSettings();
    useFixtureServer();
    listener.calls.clear();
    answerer->clear();
}

void TestDatabaseManager::cleanup()
{
    QVERIFY2(answerer->failures.isEmpty(), qPrintable(answerer->failures.join(QLatin1Char('\n'))));
    DatabaseManager* manager = DatabaseManager::Instance();
    manager->RemoveInventoryDatabase();
    manager->RemoveSalesDatabase();
    manager->CloseServerConnection();
    for (const QString& name : qAsConst(dropLater))
        TestDatabase::dropDatabase(name);
    dropLater.clear();
}

void TestDatabaseManager::cleanupTestCase()
{
    TestDatabase::dropDatabase(inventoryDb);
    TestDatabase::dropDatabase(salesDb);
    DatabaseManager::Instance()->mainWindow = nullptr;
}

void TestDatabaseManager::useFixtureServer()
{
    const TestDatabase::Server s = TestDatabase::server();
    DatabaseManager::Instance()->SetConnectionParameters(s.user, s.password, s.port, s.host);
}

QSqlDatabase* TestDatabaseManager::open(int kind)
{
    return kind == 1 ? DatabaseManager::Instance()->InventoryDatabase() : DatabaseManager::Instance()->SalesDatabase();
}

void TestDatabaseManager::missingActiveDatabase_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("shownName");
    QTest::addColumn<QString>("status");
    QTest::newRow("inventory") << 1 << ACTIVE_INVENTORY_DB << "No Active Inventory Database" << "inventory";
    QTest::newRow("sales") << 2 << ACTIVE_SALES_DB << "No Active Sales Database" << "sales";
}

void TestDatabaseManager::missingActiveDatabase()
{
    QFETCH(int, kind);
    QFETCH(QString, key);
    QFETCH(QString, shownName);
    QFETCH(QString, status);
    DatabaseManager* manager = DatabaseManager::Instance();
    AppSettings::Instance()->settings->setValue(key, QString());

    answerer->pressButton(QMessageBox::Ok);
    QSqlDatabase* first = open(kind);
    QVERIFY(first);
    QVERIFY(!first->isOpen());
    QCOMPARE(answerer->messages(), QStringList{errorBox(shownName)});
    QCOMPARE(listener.calls, QStringList{status + QStringLiteral(" 0")});
    QVERIFY(!manager->inventoryOpen && !manager->salesOpen);

    // The failed handle is handed back as it is: no second box, no new status.
    QCOMPARE(open(kind), first);
    QCOMPARE(answerer->messages().size(), 1);
    QCOMPARE(listener.calls.size(), 1);

    // A close discards it: the next access runs the check again.
    if (kind == 1)
        manager->CloseInventoryDatabase();
    else
        manager->CloseSalesDatabase();
    QVERIFY(QSqlDatabase::contains(kind == 1 ? QStringLiteral("INVENTORY_DB") : QStringLiteral("SALES_DB")));
    answerer->pressButton(QMessageBox::Ok);
    QVERIFY(!open(kind)->isOpen());
    QCOMPARE(answerer->messages(), (QStringList{errorBox(shownName), errorBox(shownName)}));
    QCOMPARE(listener.calls, (QStringList{status + QStringLiteral(" 0"), status + QStringLiteral(" 0")}));
}

void TestDatabaseManager::refusedDatabase_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("name"); // "@inventory", "@sales": the test's own databases
    QTest::newRow("inventory that does not exist") << 1 << "no_such_database_xyz";
    QTest::newRow("sales database as inventory") << 1 << "@sales";
    QTest::newRow("inventory database as sales") << 2 << "@inventory";
    QTest::newRow("database without version table") << 2 << "mysql";
    QTest::newRow("newer inventory version") << 1 << "@newer inventory";
}

void TestDatabaseManager::refusedDatabase()
{
    QFETCH(int, kind);
    QFETCH(QString, name);
    const bool newer = name == QLatin1String("@newer inventory");
    if (name == QLatin1String("@inventory")) {
        name = inventoryDb;
    } else if (name == QLatin1String("@sales")) {
        name = salesDb;
    } else if (newer) {
        name = TestDatabase::uniqueName(QStringLiteral("old"));
        dropLater << name;
        QString error;
        DatabaseManager::Instance()->CreateInventoryDatabase(name, error);
        QCOMPARE(error, QString());
        QCOMPARE(TestDatabase::exec(name, {QStringLiteral("UPDATE tblVorantel SET DB_VERSION = 'INVENTORY_19.0.0'")}),
                 QString());
    }
    AppSettings::Instance()->settings->setValue(kind == 1 ? ACTIVE_INVENTORY_DB : ACTIVE_SALES_DB, name);

    // A version without an upgrade path is announced as an upgrade first, then refused.
    QStringList expected{errorBox(name)};
    if (newer) {
        answerer->pressButton(QMessageBox::Ok);
        expected.prepend(QStringLiteral("Database Upgrade|Selected inventory database will be upgraded to latest "
                                        "version, and this may take several minutes depending upon the size of your "
                                        "database."));
    }
    answerer->pressButton(QMessageBox::Ok);
    QVERIFY(!open(kind)->isOpen());
    QCOMPARE(answerer->messages(), expected);
    QCOMPARE(listener.calls, QStringList{(kind == 1 ? QStringLiteral("inventory") : QStringLiteral("sales")) + " 0"});
}

void TestDatabaseManager::openingReportsStatus()
{
    DatabaseManager* manager = DatabaseManager::Instance();
    AppSettings::Instance()->settings->setValue(ACTIVE_INVENTORY_DB, inventoryDb);
    AppSettings::Instance()->settings->setValue(ACTIVE_SALES_DB, salesDb);

    QSqlDatabase* inventory = manager->InventoryDatabase();
    QVERIFY(inventory->isOpen());
    QCOMPARE(inventory->connectionName(), QStringLiteral("INVENTORY_DB"));
    QCOMPARE(inventory->databaseName(), inventoryDb);
    QSqlDatabase* sales = manager->SalesDatabase();
    QVERIFY(sales->isOpen());
    QCOMPARE(sales->connectionName(), QStringLiteral("SALES_DB"));
    QVERIFY(manager->inventoryOpen && manager->salesOpen);
    QCOMPARE(listener.calls, (QStringList{"inventory 1", "sales 1"}));

    // Open connections are handed back without a new check or report.
    QCOMPARE(manager->InventoryDatabase(), inventory);
    QCOMPARE(listener.calls.size(), 2);
    QVERIFY(answerer->seen.isEmpty());

    manager->CloseInventoryDatabase();
    QVERIFY(!manager->inventoryOpen);
    QVERIFY(!manager->inventoryDb && !manager->inventoryQuery);
    QVERIFY(manager->salesOpen);
}

void TestDatabaseManager::failedDatabaseIsNotRetriedUntilClosed()
{
    DatabaseManager* manager = DatabaseManager::Instance();
    const QString later = TestDatabase::uniqueName(QStringLiteral("later"));
    dropLater << later;
    AppSettings::Instance()->settings->setValue(ACTIVE_INVENTORY_DB, later);
    answerer->pressButton(QMessageBox::Ok);
    QSqlDatabase* failed = manager->InventoryDatabase();
    QVERIFY(!failed->isOpen());

    // The database appears, but the failed handle is not tried again...
    QString error;
    manager->CreateInventoryDatabase(later, error);
    QCOMPARE(error, QString());
    QCOMPARE(manager->InventoryDatabase(), failed);
    QVERIFY(!failed->isOpen());
    QVERIFY(!manager->inventoryOpen);
    QCOMPARE(listener.calls, QStringList{"inventory 0"});

    // ...until a close discards it.
    manager->CloseInventoryDatabase();
    QVERIFY(manager->InventoryDatabase()->isOpen());
    QVERIFY(manager->inventoryOpen);
    QCOMPARE(listener.calls, (QStringList{"inventory 0", "inventory 1"}));
    QCOMPARE(answerer->messages().size(), 1);
}

void TestDatabaseManager::lostConnectionIsReopened()
{
    DatabaseManager* manager = DatabaseManager::Instance();
    AppSettings::Instance()->settings->setValue(ACTIVE_SALES_DB, salesDb);
    QSqlDatabase* first = manager->SalesDatabase();
    QVERIFY(first->isOpen());
    // What the driver reports after losing the server: the handle is no longer open.
    first->close();
    QSqlDatabase* second = manager->SalesDatabase();
    QVERIFY(second->isOpen());
    QVERIFY(manager->salesOpen);
    QCOMPARE(listener.calls, (QStringList{"sales 1", "sales 1"}));
}

void TestDatabaseManager::removeUnregistersTheName()
{
    DatabaseManager* manager = DatabaseManager::Instance();
    AppSettings::Instance()->settings->setValue(ACTIVE_INVENTORY_DB, inventoryDb);
    AppSettings::Instance()->settings->setValue(ACTIVE_SALES_DB, salesDb);
    QVERIFY(manager->InventoryDatabase()->isOpen());
    QVERIFY(manager->SalesDatabase()->isOpen());

    manager->CloseInventoryDatabase();
    QVERIFY(QSqlDatabase::contains(QStringLiteral("INVENTORY_DB")));
    manager->RemoveSalesDatabase();
    QVERIFY(!QSqlDatabase::contains(QStringLiteral("SALES_DB")));
    QVERIFY(!manager->salesDb && !manager->salesOpen);

    // Both come back on the next access.
    QVERIFY(manager->InventoryDatabase()->isOpen());
    QVERIFY(manager->SalesDatabase()->isOpen());
    QVERIFY(QSqlDatabase::contains(QStringLiteral("SALES_DB")));
}

void TestDatabaseManager::sharedQueries()
{
    DatabaseManager* manager = DatabaseManager::Instance();
    AppSettings::Instance()->settings->setValue(ACTIVE_INVENTORY_DB, inventoryDb);
    AppSettings::Instance()->settings->setValue(ACTIVE_SALES_DB, salesDb);

    // The first request opens the database behind the check.
    QSqlQuery* inventory = manager->InventoryQuery();
    QVERIFY(manager->inventoryOpen);
    QVERIFY(inventory->isForwardOnly());
    QVERIFY_SQL(*inventory, exec(QStringLiteral("SELECT NAME FROM tblRoles ORDER BY ID")));
    QVERIFY(inventory->next());
    QCOMPARE(inventory->value(0).toString(), QStringLiteral("ADMINISTRATOR"));

    // The next request returns the same object, cleared: the unread rows are gone.
    QCOMPARE(manager->InventoryQuery(), inventory);
    QVERIFY(!inventory->isActive());
    QVERIFY(!inventory->next());

    QSqlQuery* sales = manager->SalesQuery();
    QVERIFY(sales != inventory);
    QVERIFY_SQL(*sales, exec(QStringLiteral("SELECT DB_VERSION FROM tblVorantel")));
    QVERIFY(sales->next());
    QCOMPARE(sales->value(0).toString(), SALES_DB_VERSION);

    manager->CloseSalesDatabase();
    QVERIFY(!manager->salesQuery);
    QCOMPARE(listener.calls, (QStringList{"inventory 1", "sales 1"}));
}

void TestDatabaseManager::serverConnectionNeedsAllCredentials_data()
{
    QTest::addColumn<QString>("missing");
    QTest::newRow("user") << "user";
    QTest::newRow("password") << "password";
    QTest::newRow("host") << "host";
    QTest::newRow("port") << "port";
}

void TestDatabaseManager::serverConnectionNeedsAllCredentials()
{
    QFETCH(QString, missing);
    const TestDatabase::Server s = TestDatabase::server();
    DatabaseManager* manager = DatabaseManager::Instance();
    manager->SetConnectionParameters(missing == QLatin1String("user") ? QString() : s.user,
                                     missing == QLatin1String("password") ? QString() : s.password,
                                     missing == QLatin1String("port") ? 0 : s.port,
                                     missing == QLatin1String("host") ? QString() : s.host);
    QSqlDatabase* server = manager->ServerConnection();
    QVERIFY(server);
    QVERIFY(!server->isOpen());
    QVERIFY(!manager->serverOpen);
    QCOMPARE(server->databaseName(), QStringLiteral("NO LOGIN CREDENTIALS SET"));
    QVERIFY(listener.calls.isEmpty());
    QVERIFY(answerer->seen.isEmpty());
}

void TestDatabaseManager::failedServerConnectionIsRetried()
{
    const TestDatabase::Server s = TestDatabase::server();
    DatabaseManager* manager = DatabaseManager::Instance();
    manager->SetConnectionParameters(s.user, QStringLiteral("not the password"), s.port, s.host);
    QVERIFY(!manager->ServerConnection()->isOpen());
    QVERIFY(!manager->ServerConnection()->isOpen());

    // Every call rebuilds the handle, so corrected parameters take effect at once.
    useFixtureServer();
    QSqlDatabase* server = manager->ServerConnection();
    QVERIFY(server->isOpen());
    QVERIFY(manager->serverOpen);
    QVERIFY(server->databaseName().isEmpty());
    QCOMPARE(server->connectionName(), QStringLiteral("MYSQL_SERVER"));
    QCOMPARE(manager->ServerConnection(), server);
    QVERIFY(listener.calls.isEmpty());
}

VORANTEL_TEST_MAIN(TestDatabaseManager)
#include "tst_databasemanager.moc"
