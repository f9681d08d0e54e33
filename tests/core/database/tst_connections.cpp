#include "databasetest.h"
#include "scripttest.h"
#include "sqlproxy.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <algorithm>

#include <signal.h>
#include <unistd.h>

using namespace DatabaseTest;
using namespace ScriptTest;

// Connections the server drops (KILL, idle timeout, restart): reopened before the next
// statement, never inside a transaction, and the status buttons told the truth.
class TestConnections : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { f.reset(); }
    void cleanup() { f.finish(); }
    void cleanupTestCase();

    void killedConnectionReopens_data();
    void killedConnectionReopens();
    void lostInsideTransactionIsNotRetried();
    void serverStoppedAndStartedAgain_data();
    void serverStoppedAndStartedAgain();
    void testServerGoesWithItsTest_data();
    void testServerGoesWithItsTest();
    void failedStartEndsWithTheServer();

private:
    static QString connectionId(QSqlQuery* query)
    {
        return query->exec(QStringLiteral("SELECT CONNECTION_ID()")) && query->next() ? query->value(0).toString()
                                                                                      : QString();
    }
    static QString kill(const QString& id)
    {
        return TestDatabase::exec(QString(), {QStringLiteral("KILL %1").arg(id)});
    }
    QSqlQuery* shared(int kind)
    {
        return kind == 1 ? DatabaseManager::Instance()->InventoryQuery() : DatabaseManager::Instance()->SalesQuery();
    }

    QString inventoryDb;
    QString salesDb;
    Fixture f;
};

void TestConnections::initTestCase()
{
    REQUIRE_TEST_SERVER();
    f.start(this);
    inventoryDb = TestDatabase::uniqueName(QStringLiteral("conn_inv"));
    salesDb = TestDatabase::uniqueName(QStringLiteral("conn_sales"));
    QCOMPARE(Create(1, inventoryDb), QString());
    QCOMPARE(Create(2, salesDb), QString());
}

void TestConnections::cleanupTestCase()
{
    ResetManager();
    TestDatabase::dropDatabase(inventoryDb);
    TestDatabase::dropDatabase(salesDb);
}

void TestConnections::killedConnectionReopens_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("inventory") << 1;
    QTest::newRow("sales") << 2;
}

void TestConnections::killedConnectionReopens()
{
    QFETCH(int, kind);
    SetActive(1, inventoryDb);
    SetActive(2, salesDb);
    const QString before = connectionId(shared(kind));
    QVERIFY(!before.isEmpty());
    QCOMPARE(kill(before), QString());
    f.listener.calls.clear();

    // The next statement works, on a new session, without any logout.
    QSqlQuery* query = shared(kind);
    QVERIFY_SQL(*query, exec(QStringLiteral("SELECT COUNT(*) FROM tblVorantel")));
    QVERIFY(query->next());
    QCOMPARE(query->value(0).toInt(), 1);
    const QString after = connectionId(shared(kind));
    QVERIFY(!after.isEmpty() && after != before);
    const QString side = kind == 1 ? QStringLiteral("inventory") : QStringLiteral("sales");
    QCOMPARE(f.listener.calls, QStringList{side + QStringLiteral(" 1")});
    QVERIFY(kind == 1 ? DatabaseManager::Instance()->inventoryOpen : DatabaseManager::Instance()->salesOpen);
}

void TestConnections::lostInsideTransactionIsNotRetried()
{
    SetActive(1, inventoryDb);
    DatabaseManager* manager = DatabaseManager::Instance();
    QSqlDatabase* db = manager->InventoryDatabase();
    const QString id = connectionId(manager->InventoryQuery());
    QVERIFY(manager->BeginTransaction(db));
    QSqlQuery* query = manager->InventoryQuery();
    QVERIFY_SQL(*query, exec(QStringLiteral("INSERT INTO tblCustomers (NAME) VALUES ('first half')")));
    QCOMPARE(kill(id), QString());

    // Reopened here, the second half would be committed on its own.
    query = manager->InventoryQuery();
    QVERIFY(!query->exec(QStringLiteral("INSERT INTO tblCustomers (NAME) VALUES ('second half')")));
    QVERIFY2(query->lastError().text().contains(QLatin1String("gone away"))
                 || query->lastError().text().contains(QLatin1String("Lost connection")),
             qPrintable(query->lastError().text()));
    QVERIFY(!manager->CommitTransaction(db));
    QCOMPARE(Rows(inventoryDb, QStringLiteral("SELECT COUNT(*) FROM tblCustomers")), QStringList{"0"});

    // Once the transaction is over, the next statement runs again.
    query = manager->InventoryQuery();
    QVERIFY_SQL(*query, exec(QStringLiteral("SELECT COUNT(*) FROM tblCustomers")));
}

void TestConnections::serverStoppedAndStartedAgain_data()
{
    QTest::addColumn<bool>("silent");
    QTest::newRow("stopped") << false;
    // A hung server, or another program on its port.
    QTest::newRow("port that takes connections and never answers") << true;
}

void TestConnections::serverStoppedAndStartedAgain()
{
    QFETCH(bool, silent);
    PrivateServer server;
    QCOMPARE(server.start(), QString());
    TestDatabase::useServer({server.host(), server.port(), server.user(), server.password()});
    UseFixtureServer();
    SqlProxy proxy(server.host(), server.port());
    if (silent)
        DatabaseManager::Instance()->SetConnectionParameters(server.user(), server.password(), proxy.port(),
                                                             proxy.host());
    const auto restore = qScopeGuard([] {
        ResetManager();
        TestDatabase::useServer({});
        UseFixtureServer();
    });
    const QString name = TestDatabase::uniqueName(QStringLiteral("conn_restart"));
    QCOMPARE(Create(1, name), QString());
    SetActive(1, name);
    DatabaseManager* manager = DatabaseManager::Instance();
    QSqlQuery* query = manager->InventoryQuery();
    QVERIFY_SQL(*query, exec(QStringLiteral("SELECT COUNT(*) FROM tblRoles")));
    QVERIFY(manager->inventoryOpen);

    if (silent)
        proxy.setSilent(true);
    else
        QCOMPARE(server.stop(), QString());
    f.listener.calls.clear();
    QElapsedTimer told;
    told.start();
    query = manager->InventoryQuery();
    // The attempt to reopen gives up within the connect bound.
    QVERIFY2(told.elapsed() < 12000, qPrintable(QString::number(told.elapsed())));
    QVERIFY(!query->exec(QStringLiteral("SELECT COUNT(*) FROM tblRoles")));
    QVERIFY(!manager->inventoryOpen);
    QCOMPARE(f.listener.calls, QStringList{"inventory 0"});
    // Still down: still off, no message box, and no new attempt for every statement of a screen.
    query = manager->InventoryQuery();
    QVERIFY(!query->exec(QStringLiteral("SELECT COUNT(*) FROM tblRoles")));
    QCOMPARE(f.listener.calls, QStringList{"inventory 0"});

    // Back again: a later request reopens it (attempts are a moment apart, and not made again in the action that
    // found the server silent).
    if (silent)
        proxy.setSilent(false);
    else
        QCOMPARE(server.start(), QString());
    TestSupport::Idle();
    QTRY_VERIFY_WITH_TIMEOUT((query = manager->InventoryQuery())->exec(QStringLiteral("SELECT COUNT(*) FROM tblRoles")),
                             10000);
    QVERIFY(query->next());
    QCOMPARE(query->value(0).toInt(), 5);
    QVERIFY(manager->inventoryOpen);
    QCOMPARE(f.listener.calls.last(), QStringLiteral("inventory 1"));
    QVERIFY(f.answerer->messages().isEmpty());
}

void TestConnections::testServerGoesWithItsTest_data()
{
    QTest::addColumn<bool>("anotherRun");
    QTest::addColumn<int>("pathLength"); // of the data folder; 0: in the test's scratch folder
    QTest::addColumn<QString>("name");   // of the data folder, in the test's folder
    QTest::newRow("its test killed") << false << 0 << "data";
    QTest::newRow("another run starts on its folder") << true << 0 << "data";
    // A socket's path holds 107 bytes at most.
    QTest::newRow("data folder of 200 characters") << false << 200 << "data";
    QTest::newRow("data folder whose path holds spaces") << false << 0 << "My Shop/data files";
}

// A test's server stops when the test ends, however it ends; one another run left on the folder stops first.
void TestConnections::testServerGoesWithItsTest()
{
    QFETCH(bool, anotherRun);
    QFETCH(int, pathLength);
    QFETCH(QString, name);
    QTemporaryDir parent(pathLength ? TestSupport::ShortTempTemplate(QStringLiteral("conn")) : QString());
    QString data = parent.path() + QLatin1Char('/') + name;
    if (pathLength) {
        data += QString(pathLength - data.length(), QLatin1Char('d'));
        QCOMPARE(data.length(), pathLength);
    }
    QProcess tests[2]; // stand-ins for the test programs that own the server
    for (QProcess& test : tests) {
        test.start(QStringLiteral("sleep"), {QStringLiteral("600")});
        QVERIFY(test.waitForStarted());
    }
    const auto end = qScopeGuard([&tests, data] {
        for (QProcess& test : tests) {
            test.kill();
            test.waitForFinished();
        }
        Script({QStringLiteral("stop"), data});
    });
    int serverPort = 0;

    // Started, used through its socket and over TCP, stopped and started again.
    QCOMPARE(Start(data, &serverPort, {OwnedBy(tests[0])}), QString());
    QCOMPARE(Script({QStringLiteral("running"), data}), QString());
    const QString socket = SocketOf(data, serverPort);
    const QString socketDir = QFileInfo(socket).absolutePath();
    QVERIFY2(QFileInfo::exists(socket), qPrintable(socket));
    const QFile::Permissions anyone = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                      | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther
                                      | QFile::ExeOther;
    QCOMPARE(QFile::permissions(socketDir) & anyone, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const int stopped = ServerPid(data);
    QCOMPARE(Script({QStringLiteral("stop"), data}), QString());
    QVERIFY(!Alive(stopped));
    QVERIFY(!QFileInfo::exists(socketDir));
    QVERIFY(!Script({QStringLiteral("running"), data}).isEmpty());
    QCOMPARE(Start(data, &serverPort, {OwnedBy(tests[0])}), QString());
    const int first = ServerPid(data);
    QVERIFY(first != stopped && Alive(first));
    if (anotherRun) {
        QCOMPARE(Start(data, &serverPort, {OwnedBy(tests[1])}), QString());
        QVERIFY(!Alive(first));
        const int second = ServerPid(data);
        QVERIFY(second != first && Alive(second));
        tests[1].kill();
        tests[1].waitForFinished();
        QTRY_VERIFY_WITH_TIMEOUT(!Alive(second), 30000);
    } else {
        tests[0].kill();
        tests[0].waitForFinished();
    }
    QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(data), 30000);
    QVERIFY(!Alive(first));
    QVERIFY(!QFileInfo::exists(socketDir));
}

// A server that ends while starting (its port taken) ends the start too, which shows why, and leaves no socket folder.
void TestConnections::failedStartEndsWithTheServer()
{
    QTemporaryDir parent;
    QTemporaryDir runtime(Runtime());
    const QString data = parent.path() + QStringLiteral("/data");
    const QProcessEnvironment session = Session(runtime.path());
    const auto end = qScopeGuard([data, session] { Script({QStringLiteral("stop"), data}, session); });
    int port = 0;
    QCOMPARE(Start(data, &port, {}, session), QString());
    QCOMPARE(Script({QStringLiteral("stop"), data}, session), QString());

    QTcpServer taken;
    QVERIFY(taken.listen(QHostAddress::LocalHost, 0));
    QElapsedTimer clock;
    clock.start();
    const QString output = Script({QStringLiteral("start"), data, QString::number(taken.serverPort())}, session);
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(output.contains(QLatin1String("[ERROR] Can't start server: Bind on TCP/IP port. Got error: 98: Address already in use")),
             qPrintable(output));
    QVERIFY2(elapsed < 10000, qPrintable(QString::number(elapsed)));
    QCOMPARE(QDir(runtime.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System), QStringList());
}

VORANTEL_TEST_MAIN(TestConnections)
#include "tst_connections.moc"
