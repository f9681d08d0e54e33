#include "databasefailure.h"

#include "databaselog.h"
#include "databasemanager.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlResult>
#include <QSqlTableModel>


namespace DatabaseFailure {

namespace {

// The client's and the server's codes for a connection that could not be made or was dropped.
bool IsConnectionCode(const QString& code)
{
    static const QList<int> codes = {
        1053, // ER_SERVER_SHUTDOWN
        1927, // ER_CONNECTION_KILLED
        2001, 2002, 2003, 2004, 2005, 2006, // socket, connection, host, TCP/IP, unknown host, server gone away
        2012, // CR_SERVER_HANDSHAKE_ERR
        2013, // CR_SERVER_LOST
        2055, // CR_SERVER_LOST_EXTENDED
    };
    bool number = false;
    const int value = code.toInt(&number);
    return number && codes.contains(value);
}

QString Translate(const char* text)
{
    return QCoreApplication::translate("DatabaseFailure", text);
}

QString Reason(const QSqlDriver* driver, const QSqlError& error, bool write)
{
    if (error.isValid())
        LogDatabaseError(error);
    if (ConnectionLost(driver, error))
        return RefusalReason(DatabaseManager::Instance()->HeldPort(), write);
    const QString text = error.text().trimmed();
    if (!text.isEmpty())
        return text;
    return write ? Translate("The database gave no reason. Nothing was saved.")
                 : Translate("The database gave no reason.");
}

} // namespace

QString RefusalReason(const PortOwner::Refusal& refusal, bool write)
{
    if (refusal.reason == PortOwner::Refusal::LoginRefused) {
        // ./run.sh gives the server and the program's settings the password of its file; another server's password
        // is the user's to enter.
        const QString saved = write ? Translate(" Nothing was saved.") : QString();
        return (refusal.stepOwn ? Translate("The database server refused the login of user %1: the password "
                                            "given is not the server's.%2 Please close this program and start it again "
                                            "with ./run.sh.")
                                : Translate("The database server refused the login of user %1: the password "
                                            "given is not the server's.%2 Please check the user name and password "
                                            "in the MySQL Server settings."))
            .arg(refusal.account, saved);
    }
    if (refusal.reason == PortOwner::Refusal::OtherAccount) {
        return (write ? Translate("The database server's port %1 is held by a program of another account (%2), so "
                                  "nothing was sent to it. Nothing was saved. Please close this program and start it "
                                  "again with ./run.sh.")
                      : Translate("The database server's port %1 is held by a program of another account (%2), so "
                                  "nothing was sent to it. Please close this program and start it again with "
                                  "./run.sh."))
            .arg(refusal.port)
            .arg(refusal.account);
    }
    return write ? Translate("The database server cannot be reached. Nothing was saved. Please make sure the "
                             "server is running and the network is connected, then try again.")
                 : Translate("The database server cannot be reached. Please make sure the server is running and "
                             "the network is connected, then try again.");
}

PortOwner::Refusal LoginRefusal(const QSqlDatabase& db)
{
    static const QStringList denied = {
        QStringLiteral("1045"), // ER_ACCESS_DENIED_ERROR
        QStringLiteral("1698"), // ER_ACCESS_DENIED_NO_PASSWORD_ERROR
    };
    PortOwner::Refusal refusal;
    if (!denied.contains(db.lastError().nativeErrorCode()))
        return refusal;
    refusal.reason = PortOwner::Refusal::LoginRefused;
    refusal.port = db.port();
    refusal.account = db.userName();
    refusal.stepOwn = PortOwner::StepOwn(db.hostName(), db.userName());
    return refusal;
}

bool ConnectionLost(const QSqlDriver* driver, const QSqlError& error)
{
    if (!driver || !driver->isOpen())
        return true;
    if (IsConnectionCode(error.nativeErrorCode()))
        return true;
    if (!error.nativeErrorCode().isEmpty())
        return false;
    // No code: an empty error, or Qt's own words about a model that a lost connection left without columns.
    QSqlQuery ping(driver->createResult());
    return !ping.exec(QStringLiteral("DO 0"));
}

bool Unreachable(const QSqlError& error)
{
    return IsConnectionCode(error.nativeErrorCode());
}

QString ReadReason(const QSqlDriver* driver, const QSqlError& error)
{
    return Reason(driver, error, false);
}

QString WriteReason(const QSqlDriver* driver, const QSqlError& error)
{
    return Reason(driver, error, true);
}

QString ReadReason(const QSqlQuery& query)
{
    return Reason(query.driver(), query.lastError(), false);
}

QString WriteReason(const QSqlQuery& query)
{
    return Reason(query.driver(), query.lastError(), true);
}

QString WriteReason(const QSqlDatabase& db)
{
    return Reason(db.driver(), db.lastError(), true);
}

QString ReadReason(const QSqlTableModel* model)
{
    return Reason(model->database().driver(), model->lastError(), false);
}

QString WriteReason(const QSqlTableModel* model)
{
    return Reason(model->database().driver(), model->lastError(), true);
}

} // namespace DatabaseFailure
