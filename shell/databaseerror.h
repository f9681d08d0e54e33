#pragma once

class QSqlDatabase;
class QSqlError;
class QSqlQuery;
class QString;
class QWidget;

// A failed statement of a management dialog: the dialog's own words, then the driver's text.
void ShowDatabaseError(QWidget* parent, const QString& title, const QString& text, const QSqlError& error);

// Starts a transaction through the connection manager; reports a failure and returns false.
bool BeginTransaction(QSqlDatabase* db, QWidget* parent, const QString& title, const QString& text);

// Ends a transaction: commits when every statement succeeded, otherwise rolls back and reports
// the failed statement of query. True only after a successful commit.
bool EndTransaction(QSqlDatabase* db, bool ok, const QSqlQuery& query, QWidget* parent, const QString& title,
                    const QString& text);
