#pragma once

#include <QSortFilterProxyModel>
#include <QVector>

#include <functional>
#include <memory>

// Proxy between every list view and its SQL model; the row header counts the visible rows. It sorts by the
// edit role, the stored value: numbers and dates by their value, dates that the statement wrote as text in
// the user's date format as dates, other texts by character code; empty values lead an ascending list.
//
// The MySQL client reaches a result row that is not the next one by walking its stored rows from the first,
// so a sorted list must never read its model in its own order:
// - a sort reads the sorted column of every row once, first to last, ranks the values with the proxy's own
//   comparison and compares the ranks; they are kept while the list stays sorted by that column;
// - the rows a view paints or measures are read a block of shown rows at a time, in the model's order;
// - a search (a view's type-ahead) reads the searched column of every shown row once, in the model's order,
//   and keeps it for the next keys.
// All are dropped as soon as the model or the order changes; an unsorted list keeps none.
class SortingProxyModel : public QSortFilterProxyModel
{
public:
    explicit SortingProxyModel(QObject* parent = nullptr);
    ~SortingProxyModel() override;

    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QModelIndexList match(const QModelIndex& start, int role, const QVariant& value, int hits = 1,
                          Qt::MatchFlags flags = Qt::MatchFlags(Qt::MatchStartsWith | Qt::MatchWrap)) const override;
    void setSourceModel(QAbstractItemModel* source) override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    class SortValues;
    class ShownBlocks;
    class SearchedColumn;

    std::unique_ptr<SortValues> sortValues;
    std::unique_ptr<ShownBlocks> shownBlocks;
    std::unique_ptr<SearchedColumn> searchedColumn;
    QVector<QMetaObject::Connection> sourceConnections;
};

// Visits the rows first to first + count - 1 of a list's model (every row when count is negative) in the
// order of the rows of the model under it, and reads them there: a sorted list's SQL result is then read
// first to last. read gets the shown row and the index of column 0 of that row in the model under it.
void ForEachShownRowInResultOrder(const QAbstractItemModel* shown,
                                  const std::function<void(int shownRow, const QModelIndex& row)>& read,
                                  int first = 0, int count = -1);
