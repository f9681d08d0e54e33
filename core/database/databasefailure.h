#pragma once

#include <QString>

class QSqlDatabase;
class QSqlDriver;
class QSqlError;
class QSqlQuery;
class QSqlTableModel;
class QWidget;

// A statement that failed because the database server cannot be reached is told in the program's own
// words; the driver's and Qt's words ("Server has gone away", "Unable to find table", ...) go to the log.
namespace DatabaseFailure {

// The connection is gone: its handle is closed, the error is one of the client's connection errors, or,
// for an error without a code (an empty one, or one of Qt's own), the server does not answer a ping.
bool ConnectionLost(const QSqlDriver* driver, const QSqlError& error);

// What follows a message's own first sentence: the program's words for a lost connection, otherwise the
// error's text; never empty. A write's reason also says that nothing was saved.
QString ReadReason(const QSqlDriver* driver, const QSqlError& error);
QString WriteReason(const QSqlDriver* driver, const QSqlError& error);
QString ReadReason(const QSqlQuery& query);
QString WriteReason(const QSqlQuery& query);
QString WriteReason(const QSqlDatabase& db);
QString ReadReason(const QSqlTableModel* model);
QString WriteReason(const QSqlTableModel* model);

} // namespace DatabaseFailure

// One per page: while its reads keep failing only the first failure shows a box, and later ones leave
// the list empty quietly, until a read succeeds.
class ReadFailureNotice
{
public:
    ReadFailureNotice(QWidget* page, const QString& title);

    // After a read: text is the page's message with %1 where the reason goes. Returns ok.
    bool Check(bool ok, const QString& text, const QSqlDriver* driver, const QSqlError& error);
    bool Check(bool ok, const QString& text, const QSqlTableModel* model);
    // A read the page checked itself went through.
    void ReadSucceeded();

private:
    QWidget* page;
    QString title;
    bool told = false;
};
