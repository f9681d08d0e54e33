#pragma once

#include <QString>

#include <functional>
#include <optional>

class QAbstractItemModel;
class QDate;
class QSqlDatabase;
class QSqlTableModel;
class QTableView;
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
// Reads a table model, with a new filter when one is given, once: QSqlTableModel::setFilter itself reads a model
// that holds a result, and a select after it would read, and a sorted list sort, every row twice. The model's
// connection is asked for first (Ready), so that a read after the server came back finds it again. False when
// the read failed (the model's lastError(), empty when the connection is closed).
bool Select(QSqlTableModel* model, const std::optional<QString>& filter = std::nullopt);
// Before a model writes: asks the connection manager for the model's connection, which reopens a dropped one,
// and gives a model that a failed read left without columns its table back (with its relations, filter, sort and
// headers), read again.
void Ready(QSqlTableModel* model);
// A failed read leaves a model without columns, and its views would forget which columns they hid, moved and
// sized: the view's header takes its layout back when the columns return.
void KeepColumns(QTableView* view);
// A model without columns stores no titles for them, and its view's header forgets hiding and moving columns
// it does not have: a page opened while the server is away would show the database's field names and every
// column once it came back. setUp titles, hides and orders the view's columns; it runs now and, when the view
// shows no columns yet, once more when they first appear. Call it once the view shows its model.
void SetUpColumns(QTableView* view, const std::function<void()>& setUp);
// A view that sorts its table model itself reads it at every header click, outside the page's own reads: when
// such a read fails, read (the page's own, which tells the user and mends the model) runs, and the clicked order
// is read again once it succeeded. A model that never had columns gets the view's order when its table is set
// again. Call it after sorting is enabled on the view.
void WatchHeaderReads(QTableView* view, QSqlTableModel* model, const std::function<bool()>& read);

} // namespace SqlFilter
