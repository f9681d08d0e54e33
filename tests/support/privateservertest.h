#pragma once

#include "databasetest.h"
#include "messagesettings.h"
#include "privateserver.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace DatabaseTest {

// Points the tests at the fixture's server, starts from empty settings and creates both databases.
// Returns the error text.
inline QString OpenDatabases(const QString& inventoryDb, const QString& salesDb)
{
    UseFixtureServer();
    TestSupport::ClearSettings();
    QString error = Create(1, inventoryDb);
    if (error.isEmpty())
        error = Create(2, salesDb);
    return error;
}

inline void DropDatabases(const QString& inventoryDb, const QString& salesDb)
{
    ResetManager();
    TestDatabase::dropDatabase(inventoryDb);
    TestDatabase::dropDatabase(salesDb);
}

// Turns the notices off (a shown one would wait for an answer), reloads them and logs the clerk in.
inline void SilenceAndLogIn(const QStringList& notices)
{
    QSettings* store = AppSettings::Instance()->settings;
    for (const QString& notice : notices)
        store->setValue(notice, false);
    MessageSettings::Instance()->Load();
    AppSettings::Instance()->loginName = QStringLiteral("clerk");
}

} // namespace DatabaseTest

// The frame of the tests that kill a database server of their own, then start it again: both databases
// made there, active and reached through DatabaseManager, with the notices named silenced.
class PrivateServerTest : public QObject
{
    Q_OBJECT

protected:
    PrivateServerTest(const QString& prefix, const QStringList& notices)
        : inventoryDb(prefix + QStringLiteral("_inventory"))
        , salesDb(prefix + QStringLiteral("_sales"))
        , namePrefix(prefix)
        , silenced(notices)
    {
    }

    // Rows as "a|b|c" over a fresh connection: the server of the last one may have been killed.
    QStringList rows(const QString& database, const QString& sql)
    {
        const QString connection = QStringLiteral("%1_reader_%2").arg(namePrefix).arg(++connections);
        QStringList out;
        {
            QSqlDatabase db = TestDatabase::connect(connection, database);
            QSqlQuery q(db);
            if (!q.exec(sql))
                return {QStringLiteral("error: ") + q.lastError().text()};
            while (q.next()) {
                QStringList values;
                for (int i = 0; i < q.record().count(); ++i)
                    values << q.value(i).toString();
                out << values.join(QLatin1Char('|'));
            }
        }
        QSqlDatabase::removeDatabase(connection);
        return out;
    }

    // Killed outright, as a power cut would, and gone (its sockets closed) before the next statement; its port kept
    // from other programs until it is started again. False when there was no process to kill.
    bool killServer() { return server.kill(); }

    PrivateServer server;
    const QString inventoryDb;
    const QString salesDb;

private slots:
    void initTestCase()
    {
        REQUIRE_TEST_SERVER();
        const QString error = server.start();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        TestDatabase::useServer({server.host(), server.port(), server.user(), server.password()});
        QCOMPARE(DatabaseTest::OpenDatabases(inventoryDb, salesDb), QString());
        DatabaseTest::SilenceAndLogIn(silenced);
    }
    void cleanupTestCase()
    {
        DatabaseTest::ResetManager();
        server.stop();
        TestDatabase::useServer({});
    }

private:
    const QString namePrefix;
    const QStringList silenced;
    int connections = 0;
};
