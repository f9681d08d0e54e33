#pragma once

class QSqlDatabase;
class QSqlDriver;
class QSqlError;
class QSqlQuery;
class QString;
class QWidget;

// A failed statement of a management dialog's change: the dialog's own words, then why (a lost connection in the
// program's words, that nothing was saved).
void ShowDatabaseError(QWidget* parent, const QString& title, const QString& text, const QSqlError& error,
                       const QSqlDriver* driver);
void ShowDatabaseError(QWidget* parent, const QString& title, const QString& text, const QSqlQuery& query);

// Starts a transaction through the connection manager; reports a failure and returns false.
bool BeginTransaction(QSqlDatabase* db, QWidget* parent, const QString& title, const QString& text);

// Ends a transaction: commits when every statement succeeded, otherwise rolls back and reports
// the failed statement of query. True only after a successful commit.
bool EndTransaction(QSqlDatabase* db, bool ok, const QSqlQuery& query, QWidget* parent, const QString& title,
                    const QString& text);
