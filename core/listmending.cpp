#include "listmending.h"

#include "databasefailure.h"
#include "databasemanager.h"

#include <QHeaderView>
#include <QPointer>
#include <QSignalBlocker>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlRelationalTableModel>
#include <QTableView>

#include <memory>

namespace ListMending {

namespace {

// The ORDER BY of the model's last read with its columns known: setTable forgets the sort.
const char* const ORDER_PROPERTY = "vorantelOrderBy";
// The column and order of the sort a view gives the model it sorts: a model that never had columns has no
// ORDER BY to keep.
const char* const VIEW_SORT_PROPERTY = "vorantelViewSort";

// A table model keeps its sort column to itself; its ORDER BY clause is protected, and reached through this.
struct OrderBy : QSqlTableModel
{
    static QString Of(const QSqlTableModel* model) { return (model->*&OrderBy::orderByClause)(); }
};

// Only setTable reads a table's columns again, and it forgets the relations, filter, sort and headers. False when
// the columns could not be read (the server is still away).
bool SetTableAgain(QSqlTableModel* model)
{
    const QString table = model->tableName();
    const int columns = model->database().record(table).count();
    if (columns == 0)
        return false;
    auto* relational = qobject_cast<QSqlRelationalTableModel*>(model);
    QVector<QSqlRelation> relations(columns);
    QVector<QPair<QVariant, QVariant>> headers(columns);
    for (int c = 0; c < columns; ++c) {
        if (relational)
            relations[c] = relational->relation(c);
        headers[c] = {model->headerData(c, Qt::Horizontal, Qt::EditRole),
                      model->headerData(c, Qt::Horizontal, Qt::DisplayRole)};
    }
    const QString filter = model->filter();
    const QString order = model->property(ORDER_PROPERTY).toString();
    const QVariantList viewSort = model->property(VIEW_SORT_PROPERTY).toList();

    model->setTable(table);
    for (int c = 0; c < columns; ++c) {
        if (relations.at(c).isValid())
            relational->setRelation(c, relations.at(c));
        const QVariant& edit = headers.at(c).first;
        const QVariant& display = headers.at(c).second;
        if (edit.isValid())
            model->setHeaderData(c, Qt::Horizontal, edit, Qt::EditRole);
        // Without columns a header nobody set shows its number.
        if (display.userType() == QMetaType::QString && display != edit)
            model->setHeaderData(c, Qt::Horizontal, display, Qt::DisplayRole);
    }
    model->setFilter(filter);
    if (order.isEmpty()) {
        if (!viewSort.isEmpty())
            model->setSort(viewSort.at(0).toInt(), Qt::SortOrder(viewSort.at(1).toInt()));
        return true;
    }
    for (int c = 0; c < columns; ++c) {
        for (const Qt::SortOrder direction : {Qt::AscendingOrder, Qt::DescendingOrder}) {
            model->setSort(c, direction);
            if (OrderBy::Of(model) == order)
                return true;
        }
    }
    model->setSort(-1, Qt::AscendingOrder);
    return true;
}

} // namespace

bool Mend(QSqlTableModel* model)
{
    const QSqlDatabase handle = model->database();
    const QSqlDatabase* db = DatabaseManager::Instance()->Connection(handle.connectionName());
    if (!model->record().isEmpty()) {
        model->setProperty(ORDER_PROPERTY, OrderBy::Of(model));
        return false;
    }
    if (!(db ? db->isOpen() : handle.isOpen()) || model->tableName().isEmpty())
        return false;
    return SetTableAgain(model);
}

void Ready(QSqlTableModel* model)
{
    if (Mend(model))
        model->select();
}

bool KeptWhileAway(QSqlTableModel* model)
{
    DatabaseManager* manager = DatabaseManager::Instance();
    const QString name = model->database().connectionName();
    if (!manager->Connection(name) || !manager->Away(name))
        return false;
    // One without columns has nothing to keep: its window reads it at its next action.
    if (!model->record().isEmpty()) {
        QPointer<QSqlTableModel> list(model);
        manager->ReadWhenBack(name, model, [list] { return list && list->select(); });
    }
    return true;
}

bool KeepsRows(const QSqlQueryModel* list, const QSqlQuery& failed)
{
    return list->query().isActive() && DatabaseFailure::ConnectionLost(failed.driver(), failed.lastError());
}

void KeepColumns(QTableView* view)
{
    QHeaderView* header = view->horizontalHeader();
    auto saved = std::make_shared<QPair<int, QByteArray>>();
    QObject::connect(view->model(), &QAbstractItemModel::modelAboutToBeReset, header, [header, saved] {
        if (header->count() > 0)
            *saved = {header->count(), header->saveState()};
    });
    QObject::connect(header, &QHeaderView::sectionCountChanged, header, [header, saved](int before, int now) {
        if (before != 0 || now != saved->first)
            return;
        // Quietly: a sort indicator given back would make a view that sorts its model read it again.
        const QSignalBlocker blocker(header);
        header->restoreState(saved->second);
    });
}

void SetUpColumns(QTableView* view, const std::function<void()>& setUp)
{
    setUp();
    QHeaderView* header = view->horizontalHeader();
    if (header->count() > 0)
        return;
    auto pending = std::make_shared<QMetaObject::Connection>();
    *pending = QObject::connect(header, &QHeaderView::sectionCountChanged, header, [pending, setUp](int before, int now) {
        if (before != 0 || now == 0)
            return;
        QObject::disconnect(*pending);
        setUp();
    });
    // A header that came by its columns while told to stretch its last section has its stretch put off until
    // later, and the page's sizing to the contents right after that read stops it: done once that read is through.
    auto stretch = std::make_shared<QMetaObject::Connection>();
    *stretch = QObject::connect(view->model(), &QAbstractItemModel::modelReset, header, [stretch, header] {
        if (header->count() == 0)
            return;
        QObject::disconnect(*stretch);
        QMetaObject::invokeMethod(header, "resizeSections", Qt::QueuedConnection);
    });
}

void WatchHeaderReads(QTableView* view, QSqlTableModel* model, const std::function<bool()>& read)
{
    QHeaderView* header = view->horizontalHeader();
    model->setProperty(VIEW_SORT_PROPERTY, QVariantList{header->sortIndicatorSection(), header->sortIndicatorOrder()});
    QObject::connect(header, &QHeaderView::sortIndicatorChanged, model, [model, read](int column, Qt::SortOrder order) {
        model->setProperty(VIEW_SORT_PROPERTY, QVariantList{column, order});
        if (model->query().isActive() || !read())
            return;
        model->sort(column, order);
    });
}

} // namespace ListMending
