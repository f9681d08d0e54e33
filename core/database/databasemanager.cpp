#include "databasemanager.h"

#include "appsettings.h"
#include "closeonexec.h"
#include "constants.h"
#include "databasefailure.h"
#include "databasehooks.h"
#include "databaselog.h"
#include "databasestatuslistener.h"
#include "storedhash.h"

#include <QAbstractEventDispatcher>
#include <QAbstractItemView>
#include <QAbstractProxyModel>
#include <QApplication>
#include <QComboBox>
#include <QCryptographicHash>
#include <QEvent>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QSqlResult>
#include <QSqlTableModel>

#include <algorithm>
#include <memory>
#include <string>

namespace {
const QString INVENTORY_CONNECTION = QStringLiteral("INVENTORY_DB");
const QString SALES_CONNECTION = QStringLiteral("SALES_DB");
const QString SERVER_CONNECTION = QStringLiteral("MYSQL_SERVER");
const QString QMYSQL = QStringLiteral("QMYSQL");
const qint64 RETRY_INTERVAL_MS = 2000;
// Bounds the connect, the server's greeting and its answer to the login alike.
const int CONNECT_BOUND_S = 10;
// An opening that failed after waiting this long met a server that takes connections and does not answer them.
const qint64 SILENT_AFTER_MS = CONNECT_BOUND_S * 1000 / 2;

// How many values a statement binds, with repeated names counted at every place: a result keeps the count to itself.
struct BoundValues : QSqlResult
{
    static int Count(const QSqlResult* result) { return (result->*&BoundValues::boundValueCount)(); }
};

// A query model that lists or combo boxes show (under their proxies), with the widgets that show it.
struct ShownList
{
    QSqlQueryModel* list;
    QVector<QWidget*> shownBy;
};

// The query models shown with a result on driver's connection. Table models are left out: they read with plain
// statements, whose rows the client keeps itself.
QVector<ShownList> ListsOfStatements(const QSqlDriver* driver)
{
    QVector<ShownList> lists;
    const QWidgetList widgets = QApplication::allWidgets();
    for (QWidget* widget : widgets) {
        const QAbstractItemModel* shown = nullptr;
        if (const auto* view = qobject_cast<const QAbstractItemView*>(widget))
            shown = view->model();
        else if (const auto* combo = qobject_cast<const QComboBox*>(widget))
            shown = combo->model();
        while (const auto* proxy = qobject_cast<const QAbstractProxyModel*>(shown))
            shown = proxy->sourceModel();
        auto* list = qobject_cast<QSqlQueryModel*>(const_cast<QAbstractItemModel*>(shown));
        if (!list || qobject_cast<QSqlTableModel*>(list))
            continue;
        auto known = std::find_if(lists.begin(), lists.end(), [list](const ShownList& l) { return l.list == list; });
        if (known != lists.end()) {
            known->shownBy << widget;
            continue;
        }
        const QSqlQuery query = list->query();
        if (query.isActive() && query.driver() == driver)
            lists.append({list, {widget}});
    }
    return lists;
}

// A prepared statement's rows stay in the connection, and closing it frees them: reading them afterwards crashes.
// A plain statement's rows are the client's own and outlive the close. The driver hands out a prepared result's
// column description, a result without rows of its own, where a plain result has its rows: the result's row count
// (the first member of the client library's result structure) tells the two apart. An empty plain result counts
// as a prepared one, which costs nothing.
bool RowsInTheConnection(const QSqlQuery& query)
{
    const QVariant handle = query.result() ? query.result()->handle() : QVariant();
    if (qstrcmp(handle.typeName(), "MYSQL_RES*") != 0)
        return true;
    const void* result = *static_cast<const void* const*>(handle.constData());
    return !result || *static_cast<const unsigned long long*>(result) == 0;
}

// Whether the server still answers on an open connection: a dropped one keeps isOpen() true until a statement fails.
bool Pinged(const QSqlDatabase& db)
{
    QSqlQuery ping(db);
    if (ping.exec(QStringLiteral("DO 0")))
        return true;
    LogDatabaseError(ping.lastError());
    return false;
}

// Tells when a window is closed (hidden by the program, not minimised).
class WindowWatch : public QObject
{
public:
    WindowWatch(QObject* parent, std::function<void(const QWidget*)> closed)
        : QObject(parent)
        , closed(std::move(closed))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Hide && !event->spontaneous() && watched->isWidgetType())
            closed(static_cast<const QWidget*>(watched));
        return false;
    }

private:
    std::function<void(const QWidget*)> closed;
};

// Shows no rows and lets go of the statement, keeping the titles its page gave the columns: clear() would drop them,
// and the page's next read would show the statement's field names.
void Empty(QSqlQueryModel* list)
{
    list->setQuery(QSqlQuery());
}

// The lists still showing rows of a connection whose registration goes: its driver goes with it, and they would
// read blank cells.
void EmptyListsOf(const QString& connectionName)
{
    for (const ShownList& shown : ListsOfStatements(QSqlDatabase::database(connectionName, false).driver()))
        Empty(shown.list);
}

// A registration left behind by a close operation is replaced, not warned about.
QSqlDatabase* NewHandle(const QString& connectionName)
{
    if (QSqlDatabase::contains(connectionName)) {
        EmptyListsOf(connectionName);
        QSqlDatabase::removeDatabase(connectionName);
    }
    return new QSqlDatabase(AddConnection(connectionName));
}
} // namespace

QSqlDatabase AddConnection(const QString& connectionName)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QMYSQL, connectionName);
    db.setConnectOptions(QStringLiteral("MYSQL_OPT_CONNECT_TIMEOUT=%1").arg(CONNECT_BOUND_S));
    return db;
}

bool OpenConnection(QSqlDatabase& db)
{
    const bool opened = db.open();
    // After a failed open too: whatever the client library left open is kept from started programs as well.
    MarkAllCloseOnExec();
    return opened;
}

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

struct DatabaseManager::HeldList
{
    QString connectionName;
    QPointer<QSqlQueryModel> list;
    QSqlQuery query; // the statement the list showed
    QVector<QVariant> values;
    // Its rows were in the closed connection: let go of, and its widgets kept from painting the blank cells
    // left, until it is read again.
    bool letGo = false;
    QVector<QPointer<QWidget>> frozen;
    // A table model's own read; others are read with the statement they showed.
    std::function<bool()> read;
    // What it shows: the statement, or none once emptied as its window closed (to be read all the same).
    QSqlQuery shown;

    // Its page read it anew since: it keeps what it read.
    bool ReadAnew() const { return !list || list->query().result() != shown.result(); }
    void Thaw() const
    {
        for (const QPointer<QWidget>& widget : frozen)
            if (widget)
                widget->setUpdatesEnabled(true);
    }
};

struct DatabaseManager::Side
{
    QSqlDatabase*& db;
    QSqlQuery*& query;
    bool& open;
    bool& lost;
    QElapsedTimer& lastAttempt;
    PortOwner::Refusal& refusal;
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
    QObject::disconnect(silence);
    QObject::disconnect(refusalTold);
}

DatabaseManager::Side DatabaseManager::inventorySide()
{
    return Side{inventoryDb,
                inventoryQuery,
                inventoryOpen,
                inventoryLost,
                inventoryAttempt,
                inventoryRefusal,
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
                salesRefusal,
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
    // Another server, or the same one told anew: nothing is known of it yet.
    QObject::disconnect(silence);
    QObject::disconnect(refusalTold);
    heldPort = {};
    inventoryRefusal = {};
    salesRefusal = {};
}

bool DatabaseManager::Open(QSqlDatabase& db)
{
    if (silence) {
        qCInfo(lcDb) << "not opened:" << db.connectionName()
                     << "- the server left a connection of this action unanswered";
        return false;
    }
    const PortOwner::Refusal refusal = PortOwner::Check(db);
    if (refusal) {
        qCWarning(lcDb) << "not opened:" << db.connectionName() << "- port" << refusal.port
                        << (refusal.reason == PortOwner::Refusal::OtherAccount
                                ? "held by another account: " + refusal.account
                                : refusal.reason == PortOwner::Refusal::NoSuchPort ? QStringLiteral("does not exist")
                                                                                   : QStringLiteral("not listened on"));
        // Told once in the action, as a silent server is; the next action looks again.
        if (refusal.reason == PortOwner::Refusal::OtherAccount) {
            heldPort = refusal;
            FoundSilent();
        }
        return false;
    }
    QElapsedTimer waited;
    waited.start();
    if (OpenConnection(db))
        return true;
    LogDatabaseError(db.lastError());
    // A refused login is told as such, not as a server that cannot be reached; the same password would only be
    // refused again in this action.
    if (const PortOwner::Refusal refused = DatabaseFailure::LoginRefusal(db)) {
        heldPort = refused;
        FoundSilent();
    } else if (waited.elapsed() >= SILENT_AFTER_MS) {
        FoundSilent();
    }
    return false;
}

void DatabaseManager::FoundSilent()
{
    if (!silence)
        UntilActionEnds(silence);
}

void DatabaseManager::TellRefusalAgain(const Side& side)
{
    // Not the silence: another connection of the action is still tried.
    if (side.refusal && !heldPort && UntilActionEnds(refusalTold))
        heldPort = side.refusal;
}

bool DatabaseManager::UntilActionEnds(QMetaObject::Connection& connection)
{
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    // Without an event loop no action ends.
    if (!dispatcher)
        return false;
    // When the event loop is about to wait for the user, the action has ended: the next one tries the server again.
    // A message box the action shows waits for the user too, but the action goes on once it is answered.
    connection = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, dispatcher, [this, &connection] {
        if (!qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            QObject::disconnect(connection);
            if (!silence && !refusalTold)
                heldPort = {};
        }
    });
    return true;
}

bool DatabaseManager::ServerAnswers(const QSqlDatabase& db)
{
    const QString name = db.connectionName() + QStringLiteral("_probe");
    bool answers = false;
    {
        // The clone keeps the handle's connect bound.
        QSqlDatabase probe = QSqlDatabase::cloneDatabase(db, name);
        answers = Open(probe);
    }
    QSqlDatabase::removeDatabase(name);
    return answers;
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
    if (side.db) {
        TellRefusalAgain(side);
        return side.db;
    }

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
        side.refusal = heldPort;
        if (chosen) {
            QMessageBox::information(AppSettings::Instance()->mainWindow, tr("Error"),
                                     tr("Can not connect to '%1'").arg(name)
                                         + (heldPort ? QStringLiteral(". ") + DatabaseFailure::RefusalReason(heldPort, false)
                                                     : tr(" Please make sure MySql server is running. Select a valid "
                                                          "database for this version, or create a new.")),
                                     QMessageBox::Ok);
        }
        side.open = false;
        if (mainWindow)
            (mainWindow->*side.report)(false);
        return db;
    }

    side.open = Open(*db);
    side.refusal = side.open ? PortOwner::Refusal() : heldPort;
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
    // A restart or an idle timeout drops it unseen: built anew when it no longer answers.
    if (serverOpen) {
        if (Pinged(*serverDb))
            return serverDb;
        serverOpen = false;
    }
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
    serverOpen = Open(*serverDb);
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
    if (side.open && Pinged(*side.db))
        return;
    // One screen runs many statements: while the server stays unreachable, each attempt may wait
    // for the network's timeout, so attempts are spaced out.
    if (side.lost && (silence || (side.lastAttempt.isValid() && side.lastAttempt.elapsed() < RETRY_INTERVAL_MS))) {
        TellRefusalAgain(side);
        return;
    }
    // An attempt left out because the server is silent is none: the next action tries at once.
    if (!silence)
        side.lastAttempt.start();
    // Closing the handle would take the rows of prepared statements from the lists that show them: while the
    // server stays away the handle is left as it is, its statements failing, and the lists keep their rows.
    bool reopened = false;
    if (ServerAnswers(*side.db)) {
        HoldLists(side);
        // Reopening the same handle keeps the models and queries built on it working.
        side.db->close();
        reopened = Open(*side.db);
    }
    side.open = reopened;
    side.lost = !reopened;
    side.refusal = reopened ? PortOwner::Refusal() : heldPort;
    ReadHeldListsWhenIdle();
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

void DatabaseManager::HoldLists(const Side& side)
{
    for (const ShownList& shown : ListsOfStatements(side.db->driver())) {
        QSqlQuery query = shown.list->query();
        HeldList held{side.connectionName, shown.list, query, {}, RowsInTheConnection(query), {}, {}, query};
        for (int i = 0; i < BoundValues::Count(query.result()); ++i)
            held.values << query.boundValue(i);
        if (held.letGo) {
            query.finish();
            for (QWidget* widget : shown.shownBy)
                Freeze(held, widget);
        }
        heldLists.erase(std::remove_if(heldLists.begin(), heldLists.end(),
                                       [&held](const HeldList& other) { return other.list == held.list; }),
                        heldLists.end());
        heldLists.push_back(held);
    }
}

void DatabaseManager::Freeze(HeldList& held, QWidget* widget)
{
    if (!widget->updatesEnabled())
        return;
    widget->setUpdatesEnabled(false);
    held.frozen << widget;
    if (!windowWatch)
        windowWatch = new WindowWatch(qApp, [this](const QWidget* window) { WindowClosed(window); });
    widget->window()->installEventFilter(windowWatch);
    // Read by its page before the pass, or by the pass, or emptied: whatever it shows now is not freed rows.
    auto once = std::make_shared<QMetaObject::Connection>();
    *once = QObject::connect(held.list.data(), &QAbstractItemModel::modelReset, windowWatch,
                             [once, thawed = QPointer<QWidget>(widget)] {
        QObject::disconnect(*once);
        if (thawed)
            thawed->setUpdatesEnabled(true);
    });
}

void DatabaseManager::WindowClosed(const QWidget* window)
{
    for (auto it = heldLists.begin(); it != heldLists.end();) {
        const bool shownThere = std::any_of(it->frozen.begin(), it->frozen.end(), [window](const QPointer<QWidget>& w) {
            return w && w->window() == window;
        });
        if (!shownThere) {
            ++it;
            continue;
        }
        // Shown again before it is read, it would show blank cells: none rather than those, until the pass.
        if (it->letGo && !it->ReadAnew()) {
            Empty(it->list);
            it->shown = it->list->query();
        }
        it->Thaw();
        it->frozen.clear();
        ++it;
    }
}

bool DatabaseManager::Away(const QString& connectionName) const
{
    if (connectionName == INVENTORY_CONNECTION)
        return inventoryLost;
    if (connectionName == SALES_CONNECTION)
        return salesLost;
    return false;
}

void DatabaseManager::ReadWhenBack(const QString& connectionName, QSqlQueryModel* list,
                                   const std::function<bool()>& read)
{
    heldLists.erase(std::remove_if(heldLists.begin(), heldLists.end(),
                                   [list](const HeldList& other) { return other.list == list; }),
                    heldLists.end());
    heldLists.push_back(HeldList{connectionName, list, list->query(), {}, false, {}, read, list->query()});
}

bool DatabaseManager::Answers(const Side& side)
{
    if (!side.db || !side.open)
        return false;
    if (Pinged(*side.db))
        return true;
    Lost(side);
    return false;
}

void DatabaseManager::Lost(const Side& side)
{
    // The next request tries to reopen it, as after any statement that found it lost.
    side.open = false;
    side.lost = true;
    if (mainWindow)
        (mainWindow->*side.report)(false);
}

void DatabaseManager::ReadHeldListsWhenIdle()
{
    if (heldLists.empty() || readingScheduled)
        return;
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (!dispatcher)
        return;
    // When the event loop is about to wait, the action that reopened the connection has ended, and its own list
    // has been read by its page; once nothing is pending, that list has been painted too.
    readingScheduled = true;
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, dispatcher,
                                   [this, connection, dispatcher] {
        if (dispatcher->hasPendingEvents())
            return;
        QObject::disconnect(*connection);
        readingScheduled = false;
        ReadHeldLists();
    });
}

void DatabaseManager::ReadHeldLists()
{
    std::vector<HeldList> lists;
    lists.swap(heldLists);
    bool emptied = false;
    QString reason;
    for (HeldList& held : lists) {
        if (held.ReadAnew()) {
            held.Thaw();
            continue;
        }
        const Side side = held.connectionName == INVENTORY_CONNECTION ? inventorySide() : salesSide();
        // Lost again before the pass: each list keeps what it shows (a let-go one its frozen view) and is read once
        // the connection is back.
        if (!Answers(side)) {
            heldLists.push_back(held);
            continue;
        }
        DatabaseHooks::ReadingHeldList(held.list);
        // Lost again between the ping and the read: the same, once it is found. A table model's own read has emptied
        // it by then; the other lists take the rows only once they are read.
        const auto keepWhenLost = [this, &held, &side](const QSqlError& error) {
            if (!DatabaseFailure::ConnectionLost(side.db->driver(), error))
                return false;
            LogDatabaseError(error);
            Lost(side);
            held.shown = held.list->query();
            heldLists.push_back(held);
            return true;
        };
        if (held.read) {
            if (!held.read() && held.list)
                keepWhenLost(held.list->lastError());
            continue;
        }
        QSqlQuery again(*side.db);
        again.setForwardOnly(held.query.isForwardOnly());
        bool read = false;
        if (held.values.isEmpty()) {
            read = again.exec(held.query.lastQuery());
        } else {
            // A statement the server refuses to prepare would otherwise run with its placeholders as text.
            read = again.prepare(held.query.lastQuery());
            for (int i = 0; read && i < held.values.size(); ++i)
                again.bindValue(i, held.values.at(i));
            read = read && again.exec();
        }
        if (read) {
            held.list->setQuery(again);
            held.Thaw();
            continue;
        }
        if (keepWhenLost(again.lastError()))
            continue;
        // Refused: a plain list keeps its rows; a let-go one has none left to show.
        if (!held.letGo) {
            LogDatabaseError(again.lastError());
        } else {
            if (held.list->rowCount() > 0) {
                emptied = true;
                reason = DatabaseFailure::ReadReason(again.driver(), again.lastError());
            }
            Empty(held.list);
        }
        held.Thaw();
    }
    if (emptied)
        QMessageBox::warning(AppSettings::Instance()->mainWindow, tr("Error"),
                             tr("A list could not be read again and shows no rows: %1").arg(reason));
}

void DatabaseManager::CloseDatabase(const Side& side, bool unregister)
{
    if (side.db) {
        // Closed on purpose: the lists whose rows it holds show none rather than freed ones.
        for (const ShownList& shown : ListsOfStatements(side.db->driver()))
            if (RowsInTheConnection(shown.list->query()))
                Empty(shown.list);
        for (auto it = heldLists.begin(); it != heldLists.end();) {
            if (it->connectionName != side.connectionName) {
                ++it;
                continue;
            }
            if (it->letGo && !it->ReadAnew())
                Empty(it->list);
            it->Thaw();
            it = heldLists.erase(it);
        }
        delete side.query;
        side.query = nullptr;
        side.db->close();
        delete side.db;
        side.db = nullptr;
        if (unregister) {
            EmptyListsOf(side.connectionName);
            QSqlDatabase::removeDatabase(side.connectionName);
        }
    }
    side.open = false;
    side.lost = false;
    side.refusal = {};
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
    if (!db->commit())
        return false;
    DatabaseHooks::Committed(db->connectionName());
    return true;
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
