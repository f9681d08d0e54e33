#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QtTest>

// Prints the driver's error when a statement fails.
#define QVERIFY_SQL(q, stmt) QVERIFY2((q).stmt, qPrintable((q).lastError().text()))

// The MariaDB server that the CTest fixture started for this run.
namespace TestDatabase {

struct Server
{
    QString host;
    int port = 0;
    QString user;
    QString password;
};

// Connection parameters of the fixture's server, or of the one useServer named; empty host when
// none was set up.
Server server();
// Points every helper here at another server (a private one); an empty host returns to the fixture's.
void useServer(const Server& other);
// A database name unique to this test run: prefix, process id and a counter.
QString uniqueName(const QString& prefix);
// Opens a connection to the server without a default database; fails the test when unreachable.
QSqlDatabase connect(const QString& connectionName, const QString& database = QString());
// Writes DB_SERVER, DB_PORT, DB_USER and DB_PASSWORD for the fixture's server into the settings store.
void writeServerSettings();
// Drops a database if it exists; used in cleanup.
void dropDatabase(const QString& name);
// Runs each statement through the admin connection; returns the first error text.
QString exec(const QString& database, const QStringList& statements);

} // namespace TestDatabase

// Use at the top of initTestCase: a database test fails, never skips, without its server.
#define REQUIRE_TEST_SERVER()                                                                          \
    do {                                                                                               \
        const TestDatabase::Server s__ = TestDatabase::server();                                      \
        QVERIFY2(!s__.host.isEmpty(), "no test database server: run through ctest (fixture vorantel_db)"); \
        QSqlDatabase db__ = TestDatabase::connect(QStringLiteral("require_test_server"));              \
        QVERIFY2(db__.isOpen(), qPrintable(db__.lastError().text()));                                  \
    } while (false)
