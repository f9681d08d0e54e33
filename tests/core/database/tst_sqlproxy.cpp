#include "sqlproxy.h"
#include "testdatabase.h"
#include "testsupport.h"

#include <memory>

// The proxy the kill tests put between the program and the server: a lost answer leaves what the server
// did in place and frees what it held, a refused statement shows the server's words, and "away" refuses
// connections until it is back.
class TestSqlProxy : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void answers_data();
    void answers();
    void awayRefusesConnectionsUntilBack();

private:
    QSqlDatabase viaProxy()
    {
        const TestDatabase::Server s = TestDatabase::server();
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), QStringLiteral("via_proxy"));
        db.setHostName(proxy->host());
        db.setPort(proxy->port());
        db.setUserName(s.user);
        db.setPassword(s.password);
        db.setDatabaseName(database);
        db.open();
        return db;
    }
    QString value(int id)
    {
        QSqlQuery q(TestDatabase::connect(QStringLiteral("direct"), database));
        q.exec(QStringLiteral("SELECT n FROM t WHERE id = %1").arg(id));
        return q.next() ? q.value(0).toString() : q.lastError().text();
    }

    QString database;
    std::unique_ptr<SqlProxy> proxy;
};

void TestSqlProxy::initTestCase()
{
    REQUIRE_TEST_SERVER();
    database = TestDatabase::uniqueName(QStringLiteral("sqlproxy"));
    QCOMPARE(TestDatabase::exec(QString(), {QStringLiteral("CREATE DATABASE %1").arg(database)}), QString());
    QCOMPARE(TestDatabase::exec(database, {QStringLiteral("CREATE TABLE t (id INT PRIMARY KEY, n INT) ENGINE=InnoDB")}),
             QString());
}

void TestSqlProxy::init()
{
    QCOMPARE(TestDatabase::exec(database, {QStringLiteral("DELETE FROM t"), QStringLiteral("INSERT INTO t VALUES (1, 1)")}),
             QString());
    const TestDatabase::Server s = TestDatabase::server();
    proxy.reset(new SqlProxy(s.host, s.port));
    QVERIFY(proxy->port() > 0);
}

void TestSqlProxy::cleanup()
{
    QSqlDatabase::removeDatabase(QStringLiteral("via_proxy"));
    proxy.reset();
}

void TestSqlProxy::cleanupTestCase()
{
    TestDatabase::dropDatabase(database);
}

void TestSqlProxy::answers_data()
{
    QTest::addColumn<bool>("lose");   // else refused with the server's error
    QTest::addColumn<QString>("how"); // "commit", "prepared" or "query"
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("error"); // native code
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("stored"); // that row's n afterwards, read directly

    // The answer to COMMIT lost: the row was stored all the same.
    QTest::newRow("commit answer lost") << true << "commit" << "INSERT INTO t VALUES (2, 7)" << "2013" << 2 << "7";
    // A prepared UPDATE inside a transaction, known by its statement id: the server side is closed, so
    // the transaction rolls back and frees the row (the direct UPDATE below waits for its lock otherwise).
    QTest::newRow("prepared update answer lost") << true << "prepared" << "UPDATE t SET n = n + 1 WHERE id = 1"
                                                 << "2013" << 1 << "11";
    QTest::newRow("read refused") << false << "prepared" << "SELECT n FROM t" << "1146" << 1 << "11";
}

void TestSqlProxy::answers()
{
    QFETCH(bool, lose);
    QFETCH(QString, how);
    QFETCH(QString, statement);
    QFETCH(QString, error);
    QFETCH(int, id);
    QFETCH(QString, stored);

    QSqlDatabase db = viaProxy();
    QVERIFY2(db.isOpen(), qPrintable(db.lastError().text()));
    const QString refusal = QStringLiteral("Table '%1.t' doesn't exist").arg(database);
    if (lose)
        proxy->loseAnswer(how == QLatin1String("commit") ? QStringLiteral("^COMMIT$") : QStringLiteral("^UPDATE t "));
    else
        proxy->refuse(QStringLiteral("^SELECT n FROM t"), refusal);

    QVERIFY(db.transaction());
    QSqlQuery q(db);
    bool ok;
    QSqlError failure;
    if (how == QLatin1String("prepared")) {
        QVERIFY_SQL(q, prepare(statement));
        ok = q.exec();
        failure = q.lastError();
    } else {
        QVERIFY_SQL(q, exec(statement));
        ok = db.commit();
        failure = db.lastError();
    }
    QVERIFY(!ok);
    QCOMPARE(failure.nativeErrorCode(), error);
    QCOMPARE(proxy->lostAnswers(), lose ? 1 : 0);
    QCOMPARE(proxy->refusedStatements(), lose ? 0 : 1);
    if (!lose)
        QCOMPARE(failure.databaseText(), refusal);

    QCOMPARE(TestDatabase::exec(database, {QStringLiteral("SET SESSION innodb_lock_wait_timeout = 30"),
                                           QStringLiteral("UPDATE t SET n = n + 10 WHERE id = 1")}),
             QString());
    QCOMPARE(value(id), stored);
}

void TestSqlProxy::awayRefusesConnectionsUntilBack()
{
    QSqlDatabase db = viaProxy();
    QVERIFY2(db.isOpen(), qPrintable(db.lastError().text()));
    proxy->setAway(true);
    QSqlQuery q(db);
    QVERIFY(!q.exec(QStringLiteral("SELECT 1"))); // the open connection went with the server
    db.close();
    QVERIFY(!db.open());
    proxy->setAway(false);
    QVERIFY2(db.open(), qPrintable(db.lastError().text()));
    QSqlQuery again(db);
    QVERIFY_SQL(again, exec(QStringLiteral("SELECT n FROM t")));
    QVERIFY(again.next());
}

VORANTEL_TEST_MAIN(TestSqlProxy)
#include "tst_sqlproxy.moc"
