#pragma once

#include <functional>

class QSqlQuery;
class QSqlQueryModel;
class QSqlTableModel;
class QTableView;

// A failed read leaves a table model without columns and its view without its column layout, and only a read
// through the connection manager finds a dropped connection again: these keep the lists whole across a server
// that went away and came back.
namespace ListMending {

// Asks the connection manager for the model's connection, which reopens a dropped one; a model that a failed read
// left without columns then gets its table back (with its relations, filter, sort and headers), not read: true
// when it did. A model with columns only has its sort noted, for the next time.
bool Mend(QSqlTableModel* model);
// Before a model writes: asks the connection manager for the model's connection, which reopens a dropped one,
// and gives a model that a failed read left without columns its table back (with its relations, filter, sort and
// headers), read again.
void Ready(QSqlTableModel* model);
// After a write, its window reads the list again: while the server cannot be reached (found by asking for the
// connection) the list keeps the rows it shows instead, and is read once the server is back, by the connection
// manager or by its window first. True when it was not read.
bool KeptWhileAway(QSqlTableModel* model);
// A list read again with its own statement, which failed: it keeps the rows it shows when the connection was lost
// (they are held then, and read again once the connection is back).
bool KeepsRows(const QSqlQueryModel* list, const QSqlQuery& failed);
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

} // namespace ListMending
