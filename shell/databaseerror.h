#pragma once

class QSqlDatabase;
class QSqlError;
class QSqlQuery;
class QString;
class QWidget;

// A failed statement of a management dialog: the dialog's own words, then the driver's text.
void ShowDatabaseError(QWidget* parent, const QString& title, const QString& text, const QSqlError& error);

// Ends a transaction: commits when every statement succeeded, otherwise rolls back and reports
// the failed statement of query.
void EndTransaction(QSqlDatabase* db, bool ok, const QSqlQuery& query, QWidget* parent, const QString& title,
                    const QString& text);
