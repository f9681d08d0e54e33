#include "databasemanager.h"

#include "appsettings.h"
#include "progress.h"
#include "databaselog.h"

#include <QCoreApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <memory>

namespace {
using UpgradeStep = bool (DatabaseManager::*)(QSqlQuery&, const QString&, const QString&);

struct ChainLink
{
    const char* from;
    const char* to;
    UpgradeStep step;
};

// Each chain in order: a database resumes at the link that starts from its recorded version.
const ChainLink INVENTORY_CHAIN[] = {
    {"INVENTORY_10.0.0", "INVENTORY_11.0.0", &DatabaseManager::UpgradeInventoryTo11},
    {"INVENTORY_11.0.0", "INVENTORY_12.0.0", &DatabaseManager::UpgradeInventoryTo12},
    {"INVENTORY_12.0.0", "INVENTORY_13.0.0", &DatabaseManager::UpgradeInventoryTo13},
    {"INVENTORY_13.0.0", "INVENTORY_14.0.0", &DatabaseManager::UpgradeInventoryTo14},
    {"INVENTORY_14.0.0", "INVENTORY_15.0.0", &DatabaseManager::UpgradeInventoryTo15},
    {"INVENTORY_15.0.0", "INVENTORY_16.0.0", &DatabaseManager::UpgradeInventoryTo16},
    {"INVENTORY_16.0.0", "INVENTORY_17.0.0", &DatabaseManager::UpgradeInventoryTo17},
    {"INVENTORY_17.0.0", "INVENTORY_18.0.0", &DatabaseManager::UpgradeInventoryTo18},
};

const ChainLink SALES_CHAIN[] = {
    {"SALES_11.0.0", "SALES_12.0.0", &DatabaseManager::UpgradeSalesTo12},
    {"SALES_12.0.0", "SALES_13.0.0", &DatabaseManager::UpgradeSalesTo13},
    {"SALES_13.0.0", "SALES_14.0.0", &DatabaseManager::UpgradeSalesTo14},
    {"SALES_14.0.0", "SALES_15.0.0", &DatabaseManager::UpgradeSalesTo15},
    {"SALES_15.0.0", "SALES_16.0.0", &DatabaseManager::UpgradeSalesTo16},
    {"SALES_16.0.0", "SALES_17.0.0", &DatabaseManager::UpgradeSalesTo17},
    {"SALES_17.0.0", "SALES_18.0.0", &DatabaseManager::UpgradeSalesTo18},
};

void PaintPendingEvents(int times)
{
    for (int i = 0; i < times; ++i)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

template<size_t N>
size_t LinkFrom(const ChainLink (&chain)[N], const QString& version)
{
    size_t i = 0;
    while (i < N && version != QLatin1String(chain[i].from))
        ++i;
    return i;
}

// The version recorded now; empty when it can not be read.
QString RecordedVersion(QSqlQuery& query, const QString& versionId)
{
    query.prepare(QStringLiteral("SELECT DB_VERSION FROM tblVorantel WHERE ID = :id"));
    query.bindValue(QStringLiteral(":id"), versionId);
    QString version;
    if (query.exec() && query.next())
        version = query.value(0).toString();
    query.finish();
    return version;
}

// Runs the chain from the link that starts at version; false when no link starts there.
template<size_t N>
bool RunChain(DatabaseManager* manager, const ChainLink (&chain)[N], const QString& version, QSqlQuery& query,
              const QString& versionId, bool& result)
{
    if (LinkFrom(chain, version) == N)
        return false;
    // Another workstation may have upgraded the database while this one waited at the notice,
    // or may run a step at the same time: every step starts from the version recorded now,
    // never from one read earlier.
    QString current = RecordedVersion(query, versionId);
    result = false;
    for (;;) {
        if (current == QLatin1String(chain[N - 1].to)) {
            result = true;
            break;
        }
        const size_t i = LinkFrom(chain, current);
        if (i == N)
            break;
        // What counts is the version the step (or another workstation) recorded.
        (manager->*chain[i].step)(query, versionId, QString::fromLatin1(chain[i].to));
        const QString now = RecordedVersion(query, versionId);
        if (now == current)
            break;
        current = now;
    }
    return true;
}
} // namespace

bool DatabaseManager::CheckAndUpgradeDatabase(const QString& databaseName, const QString& expectedVersion, int kind)
{
    // A sales step may open the inventory database, whose own check then runs inside this one:
    // every check gets a connection of its own, so the inner one cannot replace the outer one.
    static int checkSerial = 0;
    const QString connectionName = QStringLiteral("TEST_%1").arg(++checkSerial);
    const QString kindMark = kind == 1 ? QStringLiteral("INVENTORY") : kind == 2 ? QStringLiteral("SALES") : QString();
    QWidget* const parent = AppSettings::Instance()->mainWindow;
    bool result = false;
    {
        QSqlDatabase db = AddConnection(connectionName);
        db.setUserName(userName);
        db.setPassword(password);
        db.setHostName(hostName);
        db.setPort(port);
        db.setDatabaseName(databaseName);

        auto busy = std::make_unique<Progress>(parent, tr("Connecting to database..."));
        busy->show();
        PaintPendingEvents(3);
        const bool opened = Open(db);
        PaintPendingEvents(2);
        busy->close();

        QSqlQuery query(db);
        bool versionRead = false;
        if (opened && !kindMark.isEmpty()) {
            versionRead = query.exec(QStringLiteral("SELECT DB_VERSION, ID FROM tblVorantel"));
            if (!versionRead)
                LogDatabaseError(query.lastError());
            versionRead = versionRead && query.next();
        }
        if (versionRead) {
            const QString version = query.value(0).toString();
            const QString versionId = query.value(1).toString();
            query.finish();
            // A database of the other kind is refused whatever its version.
            if (version.contains(kindMark)) {
                if (version != expectedVersion) {
                    QMessageBox::information(
                        parent, tr("Database Upgrade"),
                        kind == 1 ? tr("Selected inventory database will be upgraded to latest version, and this may "
                                       "take several minutes depending upon the size of your database.")
                                  : tr("Selected sales database will be upgraded to latest version, and this may take "
                                       "several minutes depending upon the size of your database."),
                        QMessageBox::Ok);
                }
                if (kind == 1 && version != expectedVersion)
                    DeclareCharacterSet(query);
                if (!RunChain(this, INVENTORY_CHAIN, version, query, versionId, result)
                    && !RunChain(this, SALES_CHAIN, version, query, versionId, result)) {
                    result = version == expectedVersion;
                }
            }
        }
        query.clear();
        db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
    return result;
}
