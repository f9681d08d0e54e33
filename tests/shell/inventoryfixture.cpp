#include "inventoryfixture.h"

#include "databasemanager.h"
#include "testdatabase.h"

#include <QSqlRecord>

QString InventoryFixture::create()
{
    const TestDatabase::Server s = TestDatabase::server();
    DatabaseManager* manager = DatabaseManager::Instance();
    manager->SetConnectionParameters(s.user, s.password, s.port, s.host);
    database = TestDatabase::uniqueName(QStringLiteral("access"));
    QString error;
    manager->CreateInventoryDatabase(database, error);
    if (!error.isEmpty())
        return error;
    // The next access opens the new database.
    manager->RemoveInventoryDatabase();
    if (!manager->InventoryDatabase()->isOpen())
        return QStringLiteral("the inventory database does not open");
    return QString();
}

void InventoryFixture::drop()
{
    DatabaseManager::Instance()->RemoveInventoryDatabase();
    DatabaseManager::Instance()->CloseServerConnection();
    if (!database.isEmpty())
        TestDatabase::dropDatabase(database);
    database.clear();
}

QString InventoryFixture::exec(const QStringList& statements) const
{
    return TestDatabase::exec(database, statements);
}

QStringList InventoryFixture::rows(const QString& select) const
{
    QSqlDatabase db = TestDatabase::connect(QStringLiteral("fixture_") + database, database);
    QSqlQuery query(db);
    QStringList out;
    if (!query.exec(select)) {
        out << QStringLiteral("ERROR: ") + query.lastError().text();
        return out;
    }
    while (query.next()) {
        QStringList columns;
        for (int i = 0; i < query.record().count(); ++i)
            columns << query.value(i).toString();
        out << columns.join(QLatin1Char('|'));
    }
    return out;
}

QString InventoryFixture::userId(const QString& loginName) const
{
    QSqlDatabase db = TestDatabase::connect(QStringLiteral("fixture_") + database, database);
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT ID FROM tblUsers WHERE LOGIN_NAME = :login"));
    query.bindValue(QStringLiteral(":login"), loginName);
    if (!query.exec() || !query.next())
        return QString();
    return query.value(0).toString();
}
