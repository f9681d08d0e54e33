#pragma once

#include <QString>

#include <optional>

class QAbstractItemModel;
class QDate;
class QSqlDatabase;
class QSqlTableModel;

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
// Reads a table model, with a new filter when one is given, once: QSqlTableModel::setFilter itself reads a model
// that holds a result, and a select after it would read, and a sorted list sort, every row twice. A model that a
// failed read left without columns is mended first (ListMending::Mend). False when the read failed (the model's
// lastError(), empty when the connection is closed).
bool Select(QSqlTableModel* model, const std::optional<QString>& filter = std::nullopt);

} // namespace SqlFilter
