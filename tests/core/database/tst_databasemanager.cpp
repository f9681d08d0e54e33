#include "databasetest.h"

#include <QTcpServer>

using namespace DatabaseTest;

// The three connections: lazy opening behind the version check, its messages and status reports,
// retry rules, shared queries, close and remove.
class TestDatabaseManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { f.reset(); }
    void cleanup() { f.finish(); }
    void cleanupTestCase();

    void refusedDatabase_data();
    void refusedDatabase();
    void openCloseAndRemove();
    void failedDatabaseIsNotRetriedUntilClosed();
    void sharedQueries();
    void serverConnectionNeedsAllCredentials_data();
    void serverConnectionNeedsAllCredentials();
    void failedServerConnectionIsRetried();
    void portBeyond65535OpensNothing_data();
    void portBeyond65535OpensNothing();

private:
    static QSqlDatabase* open(int kind)
    {
        return kind == 1 ? DatabaseManager::Instance()->InventoryDatabase() : DatabaseManager::Instance()->SalesDatabase();
    }

    QString inventoryDb;
    QString salesDb;
    Fixture f;
};

void TestDatabaseManager::initTestCase()
{
    REQUIRE_TEST_SERVER();
    f.start(this);
    inventoryDb = TestDatabase::uniqueName(QStringLiteral("inv"));
    salesDb = TestDatabase::uniqueName(QStringLiteral("sales"));
    QCOMPARE(Create(1, inventoryDb), QString());
    QCOMPARE(Create(2, salesDb), QString());
}

void TestDatabaseManager::cleanupTestCase()
{
    TestDatabase::dropDatabase(inventoryDb);
    TestDatabase::dropDatabase(salesDb);
}

void TestDatabaseManager::refusedDatabase_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("name"); // "@inventory", "@sales": the test's own databases
    QTest::addColumn<QString>("shownName"); // "-": none chosen, so no message about the server
    QTest::newRow("no active inventory") << 1 << "" << "-";
    QTest::newRow("no active sales") << 2 << "" << "-";
    QTest::newRow("inventory that does not exist") << 1 << "no_such_database_xyz" << "";
    QTest::newRow("sales database as inventory") << 1 << "@sales" << "";
    QTest::newRow("inventory database as sales") << 2 << "@inventory" << "";
    QTest::newRow("database without version table") << 2 << "mysql" << "";
    QTest::newRow("newer inventory version") << 1 << "@newer" << "";
    QTest::newRow("server that takes the connection and never answers") << 1 << "@silent" << "";
}

void TestDatabaseManager::refusedDatabase()
{
    QFETCH(int, kind);
    QFETCH(QString, name);
    QFETCH(QString, shownName);
    const bool newer = name == QLatin1String("@newer");
    const bool silent = name == QLatin1String("@silent");
    // A hung server, or another program on the server's port: the system takes the connections into the listener's
    // backlog and nobody ever answers them.
    QTcpServer listener;
    if (silent) {
        QVERIFY(listener.listen(QHostAddress::LocalHost));
        const TestDatabase::Server s = TestDatabase::server();
        DatabaseManager::Instance()->SetConnectionParameters(s.user, s.password, listener.serverPort(), s.host);
    }
    if (name == QLatin1String("@inventory") || silent) {
        name = inventoryDb;
    } else if (name == QLatin1String("@sales")) {
        name = salesDb;
    } else if (newer) {
        name = TestDatabase::uniqueName(QStringLiteral("old"));
        f.dropLater << name;
        QCOMPARE(Create(1, name), QString());
        QCOMPARE(TestDatabase::exec(name, {"UPDATE tblVorantel SET DB_VERSION = 'INVENTORY_19.0.0'"}), QString());
    }
    SetActive(kind, name);
    DatabaseManager* manager = DatabaseManager::Instance();
    const QString status = kind == 1 ? QStringLiteral("inventory 0") : QStringLiteral("sales 0");

    // A version without an upgrade path is announced as an upgrade first, then refused.
    QStringList expected{QStringLiteral("Error|Can not connect to '%1' Please make sure MySql server is running. "
                                        "Select a valid database for this version, or create a new.")
                             .arg(shownName.isEmpty() ? name : shownName)};
    if (shownName == QLatin1String("-"))
        expected.clear();
    if (newer) {
        expected.prepend(QStringLiteral("Database Upgrade|Selected inventory database will be upgraded to latest "
                                        "version, and this may take several minutes depending upon the size of your "
                                        "database."));
    }
    for (int i = 0; i < expected.size(); ++i)
        f.answerer->pressButton(QMessageBox::Ok);
    QElapsedTimer opening;
    opening.start();
    QSqlDatabase* first = open(kind);
    QVERIFY(!first->isOpen());
    // Refused within the connect bound, not after the listener's own.
    if (silent)
        QVERIFY2(opening.elapsed() < 12000, qPrintable(QString::number(opening.elapsed())));
    QCOMPARE(f.answerer->messages(), expected);
    QCOMPARE(f.listener.calls, QStringList{status});
    QVERIFY(!manager->inventoryOpen && !manager->salesOpen);

    // The failed handle is handed back as it is: no second box, no new status.
    QCOMPARE(open(kind), first);
    QCOMPARE(f.answerer->messages(), expected);
    QCOMPARE(f.listener.calls.size(), 1);

    // A close discards it: the next access runs the check again.
    if (kind == 1)
        manager->CloseInventoryDatabase();
    else
        manager->CloseSalesDatabase();
    QVERIFY(QSqlDatabase::contains(kind == 1 ? QStringLiteral("INVENTORY_DB") : QStringLiteral("SALES_DB")));
    for (int i = 0; i < expected.size(); ++i)
        f.answerer->pressButton(QMessageBox::Ok);
    QVERIFY(!open(kind)->isOpen());
    QCOMPARE(f.answerer->messages(), expected + expected);
    QCOMPARE(f.listener.calls, (QStringList{status, status}));
    if (!silent)
        return;

    // The server connection has the same bound, in a later action: this one took the server as away.
    TestSupport::Idle();
    opening.restart();
    QVERIFY(!manager->ServerConnection()->isOpen());
    QVERIFY2(opening.elapsed() < 12000, qPrintable(QString::number(opening.elapsed())));
    // A statement has none: it runs as long as it needs.
    UseFixtureServer();
    manager->CloseInventoryDatabase();
    QSqlQuery sleep(*open(kind));
    QVERIFY_SQL(sleep, exec(QStringLiteral("SELECT SLEEP(12)")));
    QVERIFY(sleep.next());
    QCOMPARE(sleep.value(0).toInt(), 0);
}

void TestDatabaseManager::openCloseAndRemove()
{
    DatabaseManager* manager = DatabaseManager::Instance();
    SetActive(1, inventoryDb);
    SetActive(2, salesDb);
    QSqlDatabase* inventory = manager->InventoryDatabase();
    QVERIFY(inventory->isOpen());
    QCOMPARE(inventory->databaseName(), inventoryDb);
    QSqlDatabase* sales = manager->SalesDatabase();
    QVERIFY(sales->isOpen());
    QVERIFY(manager->inventoryOpen && manager->salesOpen);
    QCOMPARE(f.listener.calls, (QStringList{"inventory 1", "sales 1"}));

    // Open connections are handed back without a new check or report.
    QCOMPARE(manager->InventoryDatabase(), inventory);
    QCOMPARE(f.listener.calls.size(), 2);
    QVERIFY(f.answerer->seen.isEmpty());

    // A handle the driver no longer holds open (a lost server) is opened again.
    sales->close();
    QVERIFY(manager->SalesDatabase()->isOpen());
    QCOMPARE(f.listener.calls.last(), QStringLiteral("sales 1"));

    // Close keeps the name registered, remove drops it; both come back on the next access.
    manager->CloseInventoryDatabase();
    QVERIFY(!manager->inventoryOpen && !manager->inventoryDb && !manager->inventoryQuery);
    QVERIFY(QSqlDatabase::contains(QStringLiteral("INVENTORY_DB")));
    QVERIFY(manager->salesOpen);
    manager->RemoveSalesDatabase();
    QVERIFY(!QSqlDatabase::contains(QStringLiteral("SALES_DB")));
    QVERIFY(!manager->salesDb && !manager->salesOpen);
    QVERIFY(manager->InventoryDatabase()->isOpen());
    QVERIFY(manager->SalesDatabase()->isOpen());
    QVERIFY(QSqlDatabase::contains(QStringLiteral("SALES_DB")));
}

void TestDatabaseManager::failedDatabaseIsNotRetriedUntilClosed()
{
    DatabaseManager* manager = DatabaseManager::Instance();
    const QString later = TestDatabase::uniqueName(QStringLiteral("later"));
    f.dropLater << later;
    SetActive(1, later);
    f.answerer->pressButton(QMessageBox::Ok);
    QSqlDatabase* failed = manager->InventoryDatabase();
    QVERIFY(!failed->isOpen());

    // The database appears, but the failed handle is not tried again...
    QCOMPARE(Create(1, later), QString());
    QCOMPARE(manager->InventoryDatabase(), failed);
    QVERIFY(!failed->isOpen());
    QVERIFY(!manager->inventoryOpen);
    QCOMPARE(f.listener.calls, QStringList{"inventory 0"});

    // ...until a close discards it.
    manager->CloseInventoryDatabase();
    QVERIFY(manager->InventoryDatabase()->isOpen());
    QVERIFY(manager->inventoryOpen);
    QCOMPARE(f.listener.calls, (QStringList{"inventory 0", "inventory 1"}));
    QCOMPARE(f.answerer->messages().size(), 1);
}

void TestDatabaseManager::sharedQueries()
{
    DatabaseManager* manager = DatabaseManager::Instance();
    SetActive(1, inventoryDb);
    SetActive(2, salesDb);

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
    QCOMPARE(f.listener.calls, (QStringList{"inventory 1", "sales 1"}));
}

void TestDatabaseManager::serverConnectionNeedsAllCredentials_data()
{
    QTest::addColumn<QString>("missing");
    for (const char* missing : {"user", "password", "host", "port"})
        QTest::newRow(missing) << missing;
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
    QVERIFY(f.listener.calls.isEmpty());
    QVERIFY(f.answerer->seen.isEmpty());
}

void TestDatabaseManager::failedServerConnectionIsRetried()
{
    const TestDatabase::Server s = TestDatabase::server();
    DatabaseManager* manager = DatabaseManager::Instance();
    manager->SetConnectionParameters(s.user, QStringLiteral("not the password"), s.port, s.host);
    QVERIFY(!manager->ServerConnection()->isOpen());
    QVERIFY(!manager->ServerConnection()->isOpen());

    // Every call rebuilds the handle, so corrected parameters take effect at once.
    manager->SetConnectionParameters(s.user, s.password, s.port, s.host);
    QSqlDatabase* server = manager->ServerConnection();
    QVERIFY(server->isOpen());
    QVERIFY(manager->serverOpen);
    QVERIFY(server->databaseName().isEmpty());
    QCOMPARE(server->connectionName(), QStringLiteral("MYSQL_SERVER"));
    QCOMPARE(manager->ServerConnection(), server);
    QVERIFY(f.listener.calls.isEmpty());
}

void TestDatabaseManager::portBeyond65535OpensNothing_data()
{
    QTest::addColumn<int>("kind"); // 3: the server connection
    QTest::newRow("inventory") << 1;
    QTest::newRow("sales") << 2;
    QTest::newRow("server") << 3;
}

// The client library would take the port modulo 65536 and reach the fixture's server.
void TestDatabaseManager::portBeyond65535OpensNothing()
{
    QFETCH(int, kind);
    const TestDatabase::Server s = TestDatabase::server();
    DatabaseManager* manager = DatabaseManager::Instance();
    manager->SetConnectionParameters(s.user, s.password, s.port + 65536, s.host);
    SetActive(1, inventoryDb);
    SetActive(2, salesDb);
    QSqlDatabase* db = kind == 3 ? manager->ServerConnection() : open(kind);
    QVERIFY(!db->isOpen());
    QVERIFY(!manager->inventoryOpen && !manager->salesOpen && !manager->serverOpen);
    if (kind != 3) {
        const QString name = kind == 1 ? inventoryDb : salesDb;
        QCOMPARE(f.answerer->messages(), QStringList{QStringLiteral("Error|Can not connect to '%1' Please make sure "
                                                                    "MySql server is running. Select a valid database "
                                                                    "for this version, or create a new.").arg(name)});
    }
}

VORANTEL_TEST_MAIN(TestDatabaseManager)
#include "tst_databasemanager.moc"
