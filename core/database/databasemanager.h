#pragma once

#include "portowner.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>
#include <QList>
#include <QPair>
#include <QStringList>

#include <functional>
#include <vector>

class DatabaseStatusListener;
class QSqlDatabase;
class QSqlQuery;
class QSqlQueryModel;
class QWidget;

// Stored form of passwords and security answers. Existing databases hold exactly
// this text, so the transformation must never change.
QString HashPassword(const QString& password);
// The long form: base64 of the SHA-256 digest of the whole password and the salt, 44 characters,
// longer than any HashPassword text, so no password's HashPassword text can ever equal it.
QString LongPasswordForm(const QString& password);
// What a password or security answer is stored as: its HashPassword text where that text is a
// real secret the column can hold (not HashIsWeak) and the password has no control character,
// otherwise its long form. The login and the answer check compare with both forms, so whatever
// an earlier rule stored keeps working.
QString StoredPassword(const QString& password);

// Registers a MySQL connection of that name, as every connection of the program is made: a server that takes the
// connection and never answers fails its opening within the connect bound. Statements have no bound, so a long
// report or an established connection is never cut short.
QSqlDatabase AddConnection(const QString& connectionName);
// Opens a connection registered so, as every connection of the program is opened: the client library opens its
// socket inheritable, and it is made close-on-exec before the program can start anything.
bool OpenConnection(QSqlDatabase& db);

// Owner of the program's three MySQL connections: the active inventory database,
// the active sales database and the server itself (listing and creating databases).
class DatabaseManager
{
    Q_DECLARE_TR_FUNCTIONS(DatabaseManager)

public:
    static DatabaseManager* Instance();

    void SetConnectionParameters(const QString& user, const QString& password, int port, const QString& host);

    // Open lazily, behind the version check; a failed database connection stays failed until closed.
    QSqlDatabase* InventoryDatabase();
    QSqlDatabase* SalesDatabase();
    // Retried at every call until it opens; an open one is pinged and reopened when the server dropped it.
    QSqlDatabase* ServerConnection();
    // The inventory or sales connection of that name, as InventoryDatabase or SalesDatabase gives it: asked for
    // before a model built on a copy of the handle reads or writes, so that a dropped connection is reopened.
    // Null for any other name.
    QSqlDatabase* Connection(const QString& connectionName);

    // After asking for the inventory or sales connection of that name: it was lost and the server has not answered
    // since.
    bool Away(const QString& connectionName) const;
    // A list that its window reads again after a write, kept as it is while the server is away: read (by read) once
    // its connection is back, unless its window has read it by then.
    void ReadWhenBack(const QString& connectionName, QSqlQueryModel* list, const std::function<bool()>& read);

    // Set while the action now running found the server's port held by another account's program: no connection of
    // the action is tried again, and its faults are told as that.
    const PortOwner::Refusal& HeldPort() const { return heldPort; }

    // The shared forward-only query of each database, cleared at every request.
    QSqlQuery* InventoryQuery();
    QSqlQuery* SalesQuery();

    // Transactions on the inventory or sales connection go through these: a connection lost
    // inside a transaction is never reopened behind its back, so its statements fail visibly
    // instead of running outside the transaction.
    bool BeginTransaction(QSqlDatabase* db);
    bool CommitTransaction(QSqlDatabase* db);
    void RollbackTransaction(QSqlDatabase* db);

    void CloseInventoryDatabase();
    void CloseSalesDatabase();
    void CloseServerConnection();
    void RemoveInventoryDatabase();
    void RemoveSalesDatabase();

    // Create a database from the embedded script on the server connection and make it the
    // active one; error comes back empty on success.
    void CreateInventoryDatabase(const QString& name, QString& error);
    void CreateSalesDatabase(const QString& name, QString& error, const QString& firstReceiptNumber);

    // kind 1 = inventory, 2 = sales. Brings an older database step by step to the expected version.
    bool CheckAndUpgradeDatabase(const QString& databaseName, const QString& expectedVersion, int kind);

    // Upgrade steps (databaseupgrade.cpp): each runs on the query of the check's own connection,
    // records nextVersion in the version row versionId and is safe to run again after a failure.
    bool UpgradeInventoryTo11(QSqlQuery& query, const QString& versionId, const QString& nextVersion);
    bool UpgradeInventoryTo12(QSqlQuery& query, const QString& versionId, const QString& nextVersion);
    bool UpgradeInventoryTo13(QSqlQuery& query, const QString& versionId, const QString& nextVersion);
    bool UpgradeInventoryTo14(QSqlQuery& query, const QString& versionId, const QString& nextVersion);
    bool UpgradeInventoryTo15(QSqlQuery& query, const QString& versionId, const QString& nextVersion);
    bool UpgradeInventoryTo16(QSqlQuery& query, const QString& versionId, const QString& nextVersion);
    bool UpgradeInventoryTo17(QSqlQuery& query, const QString& versionId, const QString& nextVersion);
    bool UpgradeInventoryTo18(QSqlQuery& query, const QString& versionId, const QString& nextVersion);
    // Before an inventory upgrade: the tables earlier versions left in the server's default
    // character set are given the one the other tables declare.
    void DeclareCharacterSet(QSqlQuery& query);
    // A sales step that needs the inventory database found none: it says so and does not advance.
    void TellInventoryMissing(const QString& error);
    bool UpgradeSalesTo12(QSqlQuery& query, const QString& versionId, const QString& nextVersion);
    bool UpgradeSalesTo13(QSqlQuery& query, const QString& versionId, const QString& nextVersion);
    bool UpgradeSalesTo14(QSqlQuery& query, const QString& versionId, const QString& nextVersion);
    bool UpgradeSalesTo15(QSqlQuery& query, const QString& versionId, const QString& nextVersion);
    bool UpgradeSalesTo16(QSqlQuery& query, const QString& versionId, const QString& nextVersion);
    bool UpgradeSalesTo17(QSqlQuery& query, const QString& versionId, const QString& nextVersion);
    bool UpgradeSalesTo18(QSqlQuery& query, const QString& versionId, const QString& nextVersion);

    // Public on purpose: other modules read these directly.
    QSqlDatabase* inventoryDb = nullptr;
    QSqlDatabase* salesDb = nullptr;
    QSqlDatabase* serverDb = nullptr;
    QString userName;
    QString password;
    int port = 0;
    QString hostName;
    DatabaseStatusListener* mainWindow = nullptr;
    bool inventoryOpen = false;
    bool salesOpen = false;
    bool serverOpen = false;
    QSqlQuery* inventoryQuery = nullptr;
    QSqlQuery* salesQuery = nullptr;

private:
    // The connection had been open and the server dropped it: reopened at the next request.
    bool inventoryLost = false;
    bool salesLost = false;
    QElapsedTimer inventoryAttempt; // the last attempt to reopen a lost connection
    QElapsedTimer salesAttempt;
    // What refused the last attempt to open the connection, told again while no new attempt is made.
    PortOwner::Refusal inventoryRefusal;
    PortOwner::Refusal salesRefusal;
    QStringList openTransactions; // connection names
    // Lists shown on a lost connection when it was reopened, read again once the action that reopened it ended.
    struct HeldList;
    std::vector<HeldList> heldLists;
    bool readingScheduled = false;
    // Connected while a connection of the action now running has waited out its connect bound: the server takes
    // connections and does not answer them. The rest of the action takes it as away, as when it refuses them,
    // instead of waiting again for each connection; the end of the action disconnects it, and the next one tries the
    // server anew.
    QMetaObject::Connection silence;
    PortOwner::Refusal heldPort; // with the silence: another account's program holds the port, or the login was refused
    QMetaObject::Connection refusalTold; // a refusal told again, forgotten when the action ends
    QObject* windowWatch = nullptr; // tells when a window with frozen widgets closes

    struct Side;

    DatabaseManager();
    ~DatabaseManager();
    DatabaseManager(const DatabaseManager&) = delete;
    DatabaseManager& operator=(const DatabaseManager&) = delete;

    Side inventorySide();
    Side salesSide();
    // Every connection the manager opens goes through here: not tried while the server is silent, nor to a port that
    // no program of this account holds (PortOwner); the server found silent by a failed opening that waited at least
    // half the bound.
    bool Open(QSqlDatabase& db);
    void FoundSilent();
    // The last attempt's refusal told for an action that makes none.
    void TellRefusalAgain(const Side& side);
    // Disconnects the connection, made here, when the action now running ends; with neither the silence nor a
    // refusal told again left, the held port is forgotten too. False without an event loop, where no action ends.
    bool UntilActionEnds(QMetaObject::Connection& connection);
    // Whether the server takes a new connection with the handle's parameters: the handle itself stays as it is.
    bool ServerAnswers(const QSqlDatabase& db);
    QSqlDatabase* OpenDatabase(const Side& side);
    QSqlQuery* SharedQuery(const Side& side);
    // Reopens a connection the server dropped (idle timeout, restart, KILL), outside transactions.
    void KeepAlive(const Side& side);
    void CloseDatabase(const Side& side, bool unregister);
    // Before a lost connection is closed and reopened: the lists shown on it are held, to be read again with the
    // same statements; those whose rows the close frees (a prepared statement's) are let go of first.
    void HoldLists(const Side& side);
    // Not in the middle of the call that asked for the connection: the held lists are read when the event loop
    // next waits, except those that their page has read anew since.
    void ReadHeldListsWhenIdle();
    void ReadHeldLists();
    // Lost again before the pass, found by a ping rather than by reading a held list on the dead connection.
    bool Answers(const Side& side);
    void Lost(const Side& side);
    // A frozen widget thaws when its list is read, by the pass or by its page, and when its window closes.
    void Freeze(HeldList& held, QWidget* widget);
    void WindowClosed(const QWidget* window);
    // Runs the script statement by statement, placeholders replaced, so that the failure of any
    // statement is seen; writes settingsKey only on success.
    void RunCreationScript(const QString& resource, const QString& name,
                           const QList<QPair<QString, QString>>& replacements, const QString& settingsKey,
                           QString& error);
};
