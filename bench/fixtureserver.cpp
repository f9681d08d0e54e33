#include "fixtureserver.h"

#include "databasemanager.h"

#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>

#include <cstdio>

namespace {

const QString FIXTURE = QStringLiteral(VORANTEL_SOURCE_DIR "/scripts/test-db-fixture.sh");

FixtureServer::Connection ReadInfo(const QString& path)
{
    FixtureServer::Connection s;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return s;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        const QString value = line.section(QLatin1Char('='), 1);
        if (line.startsWith(QLatin1String("VORANTEL_TEST_DB_HOST=")))
            s.host = value;
        else if (line.startsWith(QLatin1String("VORANTEL_TEST_DB_PORT=")))
            s.port = value.toInt();
        else if (line.startsWith(QLatin1String("VORANTEL_TEST_DB_USER=")))
            s.user = value;
        else if (line.startsWith(QLatin1String("VORANTEL_TEST_DB_PASSWORD=")))
            s.password = value;
    }
    return s;
}

} // namespace

void UseScratchEnvironment(const QString& dir)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    qputenv("XDG_CONFIG_HOME", dir.toUtf8());
    qputenv("XDG_DATA_HOME", dir.toUtf8());
}

bool FixtureServer::Start(const QString& scratchDir)
{
    info = qEnvironmentVariable("VORANTEL_TEST_DB_INFO");
    ownServer = info.isEmpty();
    if (ownServer) {
        info = scratchDir + QStringLiteral("/server.env");
        if (QProcess::execute(FIXTURE, {QStringLiteral("setup"), info}) != 0)
            return false;
    }
    server = ReadInfo(info);
    DatabaseManager::Instance()->SetConnectionParameters(server.user, server.password, server.port, server.host);
    return true;
}

void FixtureServer::Stop()
{
    if (ownServer)
        QProcess::execute(FIXTURE, {QStringLiteral("cleanup"), info});
    ownServer = false;
}

bool CreateDatabases(const QString& inventory, const QString& sales)
{
    DatabaseManager* manager = DatabaseManager::Instance();
    QString error;
    manager->CreateInventoryDatabase(inventory, error);
    if (error.isEmpty() && !sales.isEmpty())
        manager->CreateSalesDatabase(sales, error, QStringLiteral("1"));
    if (!error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    manager->RemoveInventoryDatabase();
    manager->RemoveSalesDatabase();
    return true;
}

void DropDatabases(const QStringList& names)
{
    DatabaseManager* manager = DatabaseManager::Instance();
    manager->RemoveInventoryDatabase();
    manager->RemoveSalesDatabase();
    QSqlQuery drop(*manager->ServerConnection());
    for (const QString& name : names)
        drop.exec(QStringLiteral("DROP DATABASE `%1`").arg(name));
    manager->CloseServerConnection();
}

bool Run(QSqlQuery& query, const QString& sql)
{
    if (query.exec(sql))
        return true;
    std::fprintf(stderr, "%s\n  %s\n", qPrintable(query.lastError().text()), qPrintable(sql));
    return false;
}

long ProcessStatusKb(const char* key)
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key))).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

void ResetPeakResident()
{
    QFile file(QStringLiteral("/proc/self/clear_refs"));
    if (file.open(QIODevice::WriteOnly))
        file.write("5");
}
