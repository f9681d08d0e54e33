#pragma once

#include <initializer_list>
#include <utility>

class QSqlDatabase;
class QSqlError;
class QSqlQuery;
class QString;
class QLineEdit;
class QWidget;

// A failed statement of a management dialog: the dialog's own words, then the driver's text.
void ShowDatabaseError(QWidget* parent, const QString& title, const QString& text, const QSqlError& error);

// Starts a transaction through the connection manager; reports a failure and returns false.
bool BeginTransaction(QSqlDatabase* db, QWidget* parent, const QString& title, const QString& text);

// Ends a transaction: commits when every statement succeeded, otherwise rolls back and reports
// the failed statement of query. True only after a successful commit.
bool EndTransaction(QSqlDatabase* db, bool ok, const QSqlQuery& query, QWidget* parent, const QString& title,
                    const QString& text);

// The text columns hold 3-byte UTF-8 only: a character outside the Basic Multilingual Plane
// (an emoji, for example) would reach the user as a raw driver error. Refuses such text before
// any SQL runs, naming the field, and puts the cursor there; true when every field can be stored.
bool TextFitsColumns(QWidget* parent, const QString& title, std::initializer_list<std::pair<QLineEdit*, QString>> fields);
