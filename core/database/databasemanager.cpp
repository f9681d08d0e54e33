#include "databasemanager.h"

#include "appsettings.h"
#include "constants.h"
#include "databasestatuslistener.h"
#include "databaselog.h"
#include "storedhash.h"

#include <QCryptographicHash>
#include <QMainWindow>
#include <QMessageBox>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <string>

namespace {
const QString INVENTORY_CONNECTION = QStringLiteral("INVENTORY_DB");
const QString SALES_CONNECTION = QStringLiteral("SALES_DB");
const QString SERVER_CONNECTION = QStringLiteral("MYSQL_SERVER");
const QString QMYSQL = QStringLiteral("QMYSQL");
const qint64 RETRY_INTERVAL_MS = 2000;

// A registration left behind by a close operation is replaced, not warned about.
QSqlDatabase* NewHandle(const QString& connectionName)
{
    if (QSqlDatabase::contains(connectionName))
        QSqlDatabase::removeDatabase(connectionName);
    return new QSqlDatabase(QSqlDatabase::addDatabase(QMYSQL, connectionName));
}
} // namespace

QString HashPassword(const QString& password)
{
    // Bytes up to the first zero byte only, and the digest decoded as UTF-8 (not hex) up to
    // its first zero byte: the form every stored password and answer has.
    const std::string text = (password + PASSWORD_SALT).toStdString();
    const QByteArray digest = QCryptographicHash::hash(QByteArray(text.c_str()), QCryptographicHash::Md5);
    return QString::fromUtf8(digest.constData(), int(qstrnlen(digest.constData(), uint(digest.size()))));
}

QString LongPasswordForm(const QString& password)
{
    const QByteArray digest =
        QCryptographicHash::hash(password.toUtf8() + PASSWORD_SALT.toUtf8(), QCryptographicHash::Sha256);
    return QString::fromLatin1(digest.toBase64());
}

QString StoredPassword(const QString& password)
{
    const QString hash = HashPassword(password);
    return HasControlCharacter(password) || HashIsWeak(hash) ? LongPasswordForm(password) : hash;
}

struct DatabaseManager::Side
{
    QSqlDatabase*& db;
    QSqlQuery*& query;
    bool& open;
    bool& lost;
    QElapsedTimer& lastAttempt;
    QString connectionName;
    QString settingsKey;
    QString missingName;
    QString version;
    int kind;
    void (DatabaseStatusListener::*report)(bool);
};

DatabaseManager* DatabaseManager::Instance()
{
    static DatabaseManager instance;
    return &instance;
}

DatabaseManager::DatabaseManager() = default;

DatabaseManager::~DatabaseManager()
{
    CloseInventoryDatabase();
    CloseSalesDatabase();
    CloseServerConnection();
}

DatabaseManager::Side DatabaseManager::inventorySide()
{
    return Side{inventoryDb,
                inventoryQuery,
                inventoryOpen,
                inventoryLost,
                inventoryAttempt,
                INVENTORY_CONNECTION,
                ACTIVE_INVENTORY_DB,
                QStringLiteral("No Active Inventory Database"),
                INVENTORY_DB_VERSION,
                1,
                &DatabaseStatusListener::updateInventoryDbStatus};
}

DatabaseManager::Side DatabaseManager::salesSide()
{
    return Side{salesDb,
                salesQuery,
                salesOpen,
                salesLost,
                salesAttempt,
                SALES_CONNECTION,
                ACTIVE_SALES_DB,
                QStringLiteral("No Active Sales Database"),
                SALES_DB_VERSION,
                2,
                &DatabaseStatusListener::updateSalesDbStatus};
}

void DatabaseManager::SetConnectionParameters(const QString& user, const QString& password, int port,
                                              const QString& host)
{
    userName = user;
    this->password = password;
    this->port = port;
    hostName = host;
}

QSqlDatabase* DatabaseManager::InventoryDatabase()
{
    return OpenDatabase(inventorySide());
}

QSqlDatabase* DatabaseManager::SalesDatabase()
{
    return OpenDatabase(salesSide());
}

QSqlDatabase* DatabaseManager::OpenDatabase(const Side& side)
{
    if (side.db && (side.open || side.lost)) {
        KeepAlive(side);
        return side.db;
    }
    // Also the unopened handle of a failed attempt: no retry until a close discards it.
    if (side.db)
        return side.db;

    side.db = NewHandle(side.connectionName);
    QString name = AppSettings::Instance()->settings->value(side.settingsKey, QString()).toString();
    // No database chosen yet, as on a first start: there is nothing to check, and a message about
    // the server would mislead; the callers say how to create or select one.
    const bool chosen = !name.isEmpty();
    if (!chosen)
        name = side.missingName;
    side.db->setDatabaseName(name);
    side.db->setUserName(userName);
    side.db->setPassword(password);
    side.db->setHostName(hostName);
    side.db->setPort(port);

    // The check shows a busy box and processes events: a request made meanwhile finds the
    // handle above and gets it back not yet open.
    QSqlDatabase* const db = side.db;
    if (!chosen || !CheckAndUpgradeDatabase(name, side.version, side.kind)) {
        if (chosen) {
            QMessageBox::information(AppSettings::Instance()->mainWindow, tr("Error"),
                                     tr("Can not connect to '%1'").arg(name)
                                         + tr(" Please make sure MySql server is running. Select a valid database "
                                              "for this version, or create a new."),
                                     QMessageBox::Ok);
        }
        side.open = false;
        if (mainWindow)
            (mainWindow->*side.report)(false);
        return db;
    }

    side.open = db->open();
    if (!side.open)
        LogDatabaseError(db->lastError());
    if (mainWindow)
        (mainWindow->*side.report)(side.open);
    return db;
}

QSqlDatabase* DatabaseManager::Connection(const QString& connectionName)
{
    if (connectionName == INVENTORY_CONNECTION)
        return InventoryDatabase();
    if (connectionName == SALES_CONNECTION)
        return SalesDatabase();
    return nullptr;
}

QSqlDatabase* DatabaseManager::ServerConnection()
{
    if (serverOpen)
        return serverDb;
    if (serverDb) {
        delete serverDb;
        serverDb = nullptr;
        QSqlDatabase::removeDatabase(SERVER_CONNECTION);
    }
    serverDb = NewHandle(SERVER_CONNECTION);
    serverDb->setUserName(userName);
    serverDb->setPassword(password);
    serverDb->setHostName(hostName);
    serverDb->setPort(port);
    // An empty password counts as missing too.
    if (userName.isEmpty() || password.isEmpty() || hostName.isEmpty() || port == 0)
        serverDb->setDatabaseName(QStringLiteral("NO LOGIN CREDENTIALS SET"));
    serverOpen = serverDb->open();
    if (!serverOpen)
        LogDatabaseError(serverDb->lastError());
    return serverDb;
}

QSqlQuery* DatabaseManager::InventoryQuery()
{
    return SharedQuery(inventorySide());
}

QSqlQuery* DatabaseManager::SalesQuery()
{
    return SharedQuery(salesSide());
}

void DatabaseManager::KeepAlive(const Side& side)
{
    // A statement inside a transaction must fail rather than run on a new session without it.
    if (openTransactions.contains(side.connectionName))
        return;
    if (side.open) {
        QSqlQuery ping(*side.db);
        if (ping.exec(QStringLiteral("DO 0")))
            return;
        LogDatabaseError(ping.lastError());
    }
    // One screen runs many statements: while the server stays unreachable, each attempt may wait
    // for the network's timeout, so attempts are spaced out.
    if (side.lost && side.lastAttempt.isValid() && side.lastAttempt.elapsed() < RETRY_INTERVAL_MS)
        return;
    side.lastAttempt.start();
    // Reopening the same handle keeps the models and queries built on it working.
    side.db->close();
    const bool reopened = side.db->open();
    if (!reopened)
        LogDatabaseError(side.db->lastError());
    side.open = reopened;
    side.lost = !reopened;
    if (mainWindow)
        (mainWindow->*side.report)(reopened);
}

QSqlQuery* DatabaseManager::SharedQuery(const Side& side)
{
    if (side.query)
        side.query->clear();
    // Consulted at every request, so that a dropped connection is reopened before the next statement.
    QSqlDatabase* db = OpenDatabase(side);
    if (!side.query)
        side.query = new QSqlQuery(*db);
    side.query->clear();
    side.query->setForwardOnly(true);
    return side.query;
}

void DatabaseManager::CloseDatabase(const Side& side, bool unregister)
{
    if (side.db) {
        delete side.query;
        side.query = nullptr;
        side.db->close();
        delete side.db;
        side.db = nullptr;
        if (unregister)
            QSqlDatabase::removeDatabase(side.connectionName);
    }
    side.open = false;
    side.lost = false;
    openTransactions.removeAll(side.connectionName);
}

bool DatabaseManager::BeginTransaction(QSqlDatabase* db)
{
    if (!db->transaction())
        return false;
    openTransactions << db->connectionName();
    return true;
}

bool DatabaseManager::CommitTransaction(QSqlDatabase* db)
{
    openTransactions.removeAll(db->connectionName());
    return db->commit();
}

void DatabaseManager::RollbackTransaction(QSqlDatabase* db)
{
    openTransactions.removeAll(db->connectionName());
    db->rollback();
}

void DatabaseManager::CloseInventoryDatabase()
{
    CloseDatabase(inventorySide(), false);
}

void DatabaseManager::CloseSalesDatabase()
{
    CloseDatabase(salesSide(), false);
}

void DatabaseManager::RemoveInventoryDatabase()
{
    CloseDatabase(inventorySide(), true);
}

void DatabaseManager::RemoveSalesDatabase()
{
    CloseDatabase(salesSide(), true);
}

void DatabaseManager::CloseServerConnection()
{
    if (serverDb) {
        serverDb->close();
        delete serverDb;
        serverDb = nullptr;
    }
    serverOpen = false;
}
