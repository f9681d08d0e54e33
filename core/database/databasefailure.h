#pragma once

#include "portowner.h"

#include <QString>

class QSqlDatabase;
class QSqlDriver;
class QSqlError;
class QSqlQuery;
class QSqlTableModel;

// A statement that failed because the database server cannot be reached is told in the program's own
// words; the driver's and Qt's words ("Server has gone away", "Unable to find table", ...) go to the log.
namespace DatabaseFailure {

// The connection is gone: its handle is closed, the error is one of the client's connection errors, or,
// for an error without a code (an empty one, or one of Qt's own), the server does not answer a ping.
bool ConnectionLost(const QSqlDriver* driver, const QSqlError& error);
// A connection could not be opened because the server cannot be reached, not because it refused the login.
bool Unreachable(const QSqlError& error);

// The program's words for a connection that was not made (a port held by another account's program, a login the
// server refused, or the usual words for a server that cannot be reached); a write's also say that nothing was saved.
QString RefusalReason(const PortOwner::Refusal& refusal, bool write);
// The login refused by the server (a password that is not the server's), after db.open() failed; none otherwise.
PortOwner::Refusal LoginRefusal(const QSqlDatabase& db);

// What follows a message's own first sentence: the program's words for a lost connection (the port held by another
// account's program, when an opening of the action found it so), otherwise the error's text; never empty. A write's
// reason also says that nothing was saved.
QString ReadReason(const QSqlDriver* driver, const QSqlError& error);
QString WriteReason(const QSqlDriver* driver, const QSqlError& error);
QString ReadReason(const QSqlQuery& query);
QString WriteReason(const QSqlQuery& query);
QString WriteReason(const QSqlDatabase& db);
QString ReadReason(const QSqlTableModel* model);
QString WriteReason(const QSqlTableModel* model);

} // namespace DatabaseFailure
