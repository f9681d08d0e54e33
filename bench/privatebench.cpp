#include "privatebench.h"

#include "databasemanager.h"
#include "privateserver.h"

#include <QSqlDatabase>
#include <QSqlError>

QString StartWithDatabases(PrivateServer& server, const QString& inventory, const QString& sales)
{
    QString error = server.start();
    if (!error.isEmpty())
        return error;
    DatabaseManager::Instance()->SetConnectionParameters(server.user(), server.password(), server.port(), server.host());
    DatabaseManager::Instance()->CreateInventoryDatabase(inventory, error);
    if (error.isEmpty())
        DatabaseManager::Instance()->CreateSalesDatabase(sales, error, QStringLiteral("1"));
    return error;
}

QString FillInventory(const PrivateServer& server, const QString& inventory,
                      const std::function<QString(QSqlDatabase&)>& fill)
{
    const QString connection = QStringLiteral("bench_fill");
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), connection);
        db.setHostName(server.host());
        db.setPort(server.port());
        db.setUserName(server.user());
        db.setPassword(server.password());
        db.setDatabaseName(inventory);
        error = db.open() ? fill(db) : db.lastError().text();
    }
    QSqlDatabase::removeDatabase(connection);
    return error;
}
