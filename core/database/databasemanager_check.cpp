#include "databasemanager.h"

#include "appsettings.h"
#include "progress.h"

#include <QCoreApplication>
#include <QMainWindow>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include <memory>

namespace {
const QString CHECK_CONNECTION = QStringLiteral("TEST");

void PaintPendingEvents(int times)
{
    for (int i = 0; i < times; ++i)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
} // namespace

bool DatabaseManager::CheckAndUpgradeDatabase(const QString& databaseName, const QString& expectedVersion, int kind)
{
    const QString kindMark = kind == 1 ? QStringLiteral("INVENTORY") : kind == 2 ? QStringLiteral("SALES") : QString();
    bool result = false;
    {
        if (QSqlDatabase::contains(CHECK_CONNECTION))
            QSqlDatabase::removeDatabase(CHECK_CONNECTION);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), CHECK_CONNECTION);
        db.setUserName(userName);
        db.setPassword(password);
        db.setHostName(hostName);
        db.setPort(port);
        db.setDatabaseName(databaseName);

        auto busy = std::make_unique<Progress>(AppSettings::Instance()->mainWindow, tr("Connecting to database..."));
        busy->show();
        PaintPendingEvents(3);
        const bool opened = db.open();
        PaintPendingEvents(2);
        busy->close();

        if (opened && !kindMark.isEmpty()) {
            QSqlQuery query(db);
            if (query.exec(QStringLiteral("SELECT DB_VERSION, ID FROM tblVorantel")) && query.next()) {
                const QString version = query.value(0).toString();
                // A database of the other kind is refused whatever its version.
                if (version.contains(kindMark)) {
                    // Only the current version is accepted: an older one has no upgrade step here yet.
                    result = version == expectedVersion;
                }
            }
        }
        db.close();
    }
    return result;
}
