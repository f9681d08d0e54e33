#pragma once

#include <QString>

class QAbstractItemModel;
class QDate;
class QSqlDatabase;
class QSqlTableModel;
class QWidget;

// Model filters are WHERE text, which takes no bound values: what a user typed goes in
// only through these.
namespace SqlFilter {

// "%text%" as a LIKE pattern (for a bound value) matching the text literally: backslash, % and _ escaped.
QString ContainsPattern(const QString& text);
// "COLUMN LIKE '%text%'" matching the text literally: quote and backslash escaped by the
// driver, % and _ standing for themselves.
QString Contains(const QSqlDatabase& db, const QString& column, const QString& text);
// A date literal 'yyyy-MM-dd'.
QString DateLiteral(const QSqlDatabase& db, const QDate& date);
// Loads every row, so that counting, selecting all, printing and exporting see the whole list.
void FetchAll(QAbstractItemModel* model);
// Gives a table model a new filter. QSqlTableModel::setFilter itself reads a model that holds a result again, and
// a select after it would read, and a sorted list sort, every row twice: true when setFilter has read the model,
// false when the caller must still select it (and report a failure).
bool Refilter(QSqlTableModel* model, const QString& filter);

} // namespace SqlFilter
