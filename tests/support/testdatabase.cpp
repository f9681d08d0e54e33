#include "testdatabase.h"

#include "appsettings.h"
#include "constants.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSettings>

#include <fcntl.h>

namespace TestDatabase {

namespace {
Server serverInUse;
}

void useServer(const Server& other)
{
    serverInUse = other;
}

Server server()
{
    if (!serverInUse.host.isEmpty())
        return serverInUse;
    Server s;
    QFile info(qEnvironmentVariable("VORANTEL_TEST_DB_INFO"));
    if (info.open(QIODevice::ReadOnly | QIODevice::Text)) {
        while (!info.atEnd()) {
            const QString line = QString::fromUtf8(info.readLine()).trimmed();
            const int eq = line.indexOf(QLatin1Char('='));
            if (eq < 0)
                continue;
            const QString key = line.left(eq);
            const QString value = line.mid(eq + 1);
            if (key == QLatin1String("VORANTEL_TEST_DB_HOST"))
                s.host = value;
            else if (key == QLatin1String("VORANTEL_TEST_DB_PORT"))
                s.port = value.toInt();
            else if (key == QLatin1String("VORANTEL_TEST_DB_USER"))
                s.user = value;
            else if (key == QLatin1String("VORANTEL_TEST_DB_PASSWORD"))
                s.password = value;
        }
    }
    return s;
}

QString uniqueName(const QString& prefix)
{
    static int counter = 0;
    // Not the process id: each test program runs in a PID namespace of its own, where the ids start again.
    static const quint32 run = QRandomGenerator::system()->generate();
    return QStringLiteral("%1_%2_%3").arg(prefix).arg(run, 8, 16, QLatin1Char('0')).arg(++counter);
}

QSqlDatabase connect(const QString& connectionName, const QString& database)
{
    const Server s = server();
    QSqlDatabase db = QSqlDatabase::contains(connectionName) ? QSqlDatabase::database(connectionName, false)
                                                             : QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), connectionName);
    if (db.isOpen() && db.databaseName() == database && db.port() == s.port)
        return db;
    db.close();
    db.setHostName(s.host);
    db.setPort(s.port);
    db.setUserName(s.user);
    db.setPassword(s.password);
    db.setDatabaseName(database);
    // The test's own connection is no descriptor for a program the test starts either; the program's own are left
    // as the program leaves them, which the tests check.
    const QStringList before = QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System);
    db.open();
    for (const QString& fd : QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System)) {
        if (!before.contains(fd))
            ::fcntl(fd.toInt(), F_SETFD, ::fcntl(fd.toInt(), F_GETFD) | FD_CLOEXEC);
    }
    return db;
}

void writeServerSettings()
{
    const Server s = server();
    QSettings* store = AppSettings::Instance()->settings;
    store->setValue(DB_SERVER, s.host);
    store->setValue(DB_PORT, QString::number(s.port));
    store->setValue(DB_USER, s.user);
    store->setValue(DB_PASSWORD, s.password);
    store->sync();
}

void dropDatabase(const QString& name)
{
    QSqlDatabase db = connect(QStringLiteral("test_admin"));
    QSqlQuery q(db);
    q.exec(QStringLiteral("DROP DATABASE IF EXISTS `%1`").arg(name));
}

QString exec(const QString& database, const QStringList& statements)
{
    QSqlDatabase db = connect(QStringLiteral("test_admin_") + database, database);
    if (!db.isOpen())
        return db.lastError().text();
    QSqlQuery q(db);
    for (const QString& statement : statements) {
        if (!q.exec(statement))
            return statement + QStringLiteral(": ") + q.lastError().text();
    }
    return QString();
}

} // namespace TestDatabase
