#pragma once

#include "appsettings.h"
#include "constants.h"
#include "databasemanager.h"
#include "databasestatuslistener.h"
#include "modalanswerer.h"
#include "testdatabase.h"
#include "testsupport.h"

#include <QSettings>

#include <QSqlRecord>
#include <QTcpServer>

// Helpers of the tests that drive DatabaseManager against the fixture's server.
namespace DatabaseTest {

// Records the status reports as "inventory 1", "sales 0", ...
struct StatusRecorder : DatabaseStatusListener
{
    QStringList calls;
    void updateInventoryDbStatus(bool open) override { calls << QStringLiteral("inventory %1").arg(open); }
    void updateSalesDbStatus(bool open) override { calls << QStringLiteral("sales %1").arg(open); }
};

inline void UseFixtureServer()
{
    const TestDatabase::Server s = TestDatabase::server();
    DatabaseManager::Instance()->CloseServerConnection();
    DatabaseManager::Instance()->SetConnectionParameters(s.user, s.password, s.port, s.host);
}

// Drops every connection the manager holds.
inline void ResetManager()
{
    DatabaseManager* manager = DatabaseManager::Instance();
    manager->RemoveInventoryDatabase();
    manager->RemoveSalesDatabase();
    manager->CloseServerConnection();
}

inline void SetActive(int kind, const QString& name)
{
    AppSettings::Instance()->settings->setValue(kind == 1 ? ACTIVE_INVENTORY_DB : ACTIVE_SALES_DB, name);
}

inline QString Active(int kind)
{
    return AppSettings::Instance()->settings->value(kind == 1 ? ACTIVE_INVENTORY_DB : ACTIVE_SALES_DB).toString();
}

// What the manager tests share: status reports and message boxes recorded, a clean start per test,
// and the databases a test made dropped after it.
struct Fixture
{
    StatusRecorder listener;
    ModalAnswerer* answerer = nullptr;
    QStringList dropLater;

    ~Fixture() { DatabaseManager::Instance()->mainWindow = nullptr; }
    void start(QObject* test)
    {
        answerer = new ModalAnswerer(test);
        DatabaseManager::Instance()->mainWindow = &listener;
        reset();
    }
    void reset()
    {
        TestSupport::ClearSettings();
        UseFixtureServer();
        listener.calls.clear();
        answerer->clear();
    }
    void finish()
    {
        ResetManager();
        for (const QString& name : qAsConst(dropLater))
            TestDatabase::dropDatabase(name);
        dropLater.clear();
        QVERIFY2(answerer->failures.isEmpty(), qPrintable(answerer->failures.join(QLatin1Char('\n'))));
    }
};

// Creates an inventory (kind 1) or sales (kind 2) database; returns the manager's error text.
inline QString Create(int kind, const QString& name, const QString& firstReceipt = QStringLiteral("1"))
{
    QString error = QStringLiteral("not written");
    if (kind == 1)
        DatabaseManager::Instance()->CreateInventoryDatabase(name, error);
    else
        DatabaseManager::Instance()->CreateSalesDatabase(name, error, firstReceipt);
    return error;
}

// A local port nothing listens on.
inline int ClosedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// Every row of the result as "value|value|..." (NULL written as "NULL"); the error text on failure.
inline QStringList Rows(const QString& database, const QString& sql, const QVariantList& binds = {})
{
    QSqlQuery q(TestDatabase::connect(QStringLiteral("test_reader_") + database, database));
    bool ok;
    if (binds.isEmpty()) {
        ok = q.exec(sql);
    } else {
        q.prepare(sql);
        for (const QVariant& v : binds)
            q.addBindValue(v);
        ok = q.exec();
    }
    if (!ok)
        return {QStringLiteral("error: ") + q.lastError().text()};
    QStringList out;
    while (q.next()) {
        QStringList values;
        for (int i = 0; i < q.record().count(); ++i)
            values << (q.value(i).isNull() ? QStringLiteral("NULL") : q.value(i).toString());
        out << values.join(QLatin1Char('|'));
    }
    return out;
}

} // namespace DatabaseTest
