#include "sortingproxymodel.h"

#include "appsettings.h"

#include <QAbstractTableModel>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QSqlQuery>
#include <QSqlQueryModel>

#include <algorithm>
#include <iterator>
#include <numeric>

namespace {

// The roles item views and their delegates read for every cell they paint or measure.
const int VIEW_ROLES[] = {Qt::DisplayRole,    Qt::DecorationRole, Qt::FontRole,       Qt::TextAlignmentRole,
                          Qt::BackgroundRole, Qt::ForegroundRole, Qt::CheckStateRole, Qt::SizeHintRole};
constexpr int VIEW_ROLE_COUNT = int(std::size(VIEW_ROLES));

int ViewRoleSlot(int role)
{
    const auto* found = std::find(std::begin(VIEW_ROLES), std::end(VIEW_ROLES), role);
    return found == std::end(VIEW_ROLES) ? -1 : int(found - std::begin(VIEW_ROLES));
}

// Calls drop on every change of model's rows, layout, data or columns, before the handlers connected after it.
QVector<QMetaObject::Connection> OnEveryChange(const QAbstractItemModel* model, const QObject* context,
                                               const std::function<void()>& drop)
{
    return {QObject::connect(model, &QAbstractItemModel::modelAboutToBeReset, context, drop),
            QObject::connect(model, &QAbstractItemModel::modelReset, context, drop),
            QObject::connect(model, &QAbstractItemModel::layoutAboutToBeChanged, context, drop),
            QObject::connect(model, &QAbstractItemModel::layoutChanged, context, drop),
            QObject::connect(model, &QAbstractItemModel::dataChanged, context, drop),
            QObject::connect(model, &QAbstractItemModel::rowsAboutToBeInserted, context, drop),
            QObject::connect(model, &QAbstractItemModel::rowsInserted, context, drop),
            QObject::connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, context, drop),
            QObject::connect(model, &QAbstractItemModel::rowsRemoved, context, drop),
            QObject::connect(model, &QAbstractItemModel::rowsMoved, context, drop),
            QObject::connect(model, &QAbstractItemModel::columnsInserted, context, drop),
            QObject::connect(model, &QAbstractItemModel::columnsRemoved, context, drop),
            QObject::connect(model, &QAbstractItemModel::columnsMoved, context, drop)};
}

// Brings an SQL model's result to row by fetching on from the row it stands at; rows come in ascending order.
void FetchOnTo(const QAbstractItemModel* model, int row)
{
    const auto* sql = qobject_cast<const QSqlQueryModel*>(model);
    if (!sql)
        return;
    QSqlQuery result = sql->query();
    if (result.at() < 0 || result.at() > row) {
        result.seek(row);
        return;
    }
    while (result.at() < row && result.seek(result.at() + 1)) {
    }
}

} // namespace

// The rank of every source row in the sorted column: rows of equal values share one. A sort compares the
// ranks, not the values, which are read first to last, ranked once and let go.
class SortingProxyModel::SortValues : public QAbstractTableModel
{
public:
    int rowCount(const QModelIndex& parent = QModelIndex()) const override { return parent.isValid() ? 0 : values.size(); }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override { return parent.isValid() ? 0 : 1; }
    // The values as a model of one column, so that the proxy's own comparison, which reads its values from
    // the indexes' model, compares them exactly as it compares the source's.
    QVariant data(const QModelIndex& index, int) const override { return values.at(index.row()); }

    // Whether the ranks are those of the proxy's sort now, and hold row.
    bool Hold(const SortingProxyModel& proxy, int sourceColumn, int row) const
    {
        return column == sourceColumn && role == proxy.sortRole() && cs == proxy.sortCaseSensitivity()
            && localeAware == proxy.isSortLocaleAware() && row < ranks.size();
    }

    int Rank(int row) const { return ranks.at(row); }

    void Read(const SortingProxyModel& proxy, int sourceColumn)
    {
        Drop();
        const int sourceRole = proxy.sortRole();
        const QAbstractItemModel* source = proxy.sourceModel();
        const int rows = source->rowCount();
        // First row to last: each read is of the row after the one read before.
        values.reserve(rows);
        for (int row = 0; row < rows; ++row)
            values.append(source->index(row, sourceColumn).data(sourceRole));
        ranks.resize(rows);
        const bool texts = !proxy.isSortLocaleAware()
            && std::all_of(values.cbegin(), values.cend(),
                           [](const QVariant& value) { return value.userType() == QMetaType::QString; });
        if (texts) {
            if (!RankTextDates(AppSettings::Instance()->DateFormat()))
                RankTexts(proxy.sortCaseSensitivity());
        } else if (!RankTyped()) {
            RankValues(proxy);
        }
        values = QVector<QVariant>();
        column = sourceColumn;
        role = sourceRole;
        cs = proxy.sortCaseSensitivity();
        localeAware = proxy.isSortLocaleAware();
    }

    void Drop()
    {
        values = QVector<QVariant>();
        ranks = QVector<int>();
        column = -1;
        role = -1;
    }

private:
    // Ranks the rows in the order that less gives them: equal rows, neither less than the other, share the rank
    // of the first of them. The ranks start at first.
    template <typename Item, typename Row, typename Less>
    void RankInOrder(QVector<Item>& items, Row row, Less less, int first = 0)
    {
        std::stable_sort(items.begin(), items.end(), less);
        for (int i = 0; i < items.size(); ++i)
            ranks[row(items.at(i))] =
                i > 0 && !less(items.at(i - 1), items.at(i)) ? ranks.at(row(items.at(i - 1))) : first + i;
    }

    enum class Found { Key, Empty, Other };

    // Ranks the rows by the key keyOf finds in their values, the rows without one (empty values) first, all
    // at one rank; false, ranking nothing, as soon as keyOf finds a value that has no key of its kind.
    template <typename Key, typename KeyOf>
    bool RankByKey(KeyOf keyOf)
    {
        struct Keyed
        {
            Key key;
            int row;
        };
        QVector<Keyed> keyed;
        keyed.reserve(values.size());
        for (int row = 0; row < values.size(); ++row) {
            Key key{};
            const Found found = keyOf(values.at(row), key);
            if (found == Found::Other)
                return false;
            if (found == Found::Key)
                keyed.append({key, row});
        }
        ranks.fill(0);
        RankInOrder(keyed, [](const Keyed& k) { return k.row; }, [](const Keyed& a, const Keyed& b) { return a.key < b.key; },
                    values.size() - keyed.size());
        return true;
    }

    // Numbers, dates and date-times compared as such, each by a key of its own: the proxy's comparison
    // of two variants would cost more than reading the column. False when the column holds values of another
    // type, or of more than one of these (whole numbers and fractions are all numbers).
    bool RankTyped()
    {
        int type = QMetaType::UnknownType;
        for (const QVariant& value : qAsConst(values)) {
            if (value.isNull())
                continue;
            const int next = Number(value.userType()) ? QMetaType::Double : value.userType();
            if (type != QMetaType::UnknownType && next != type)
                return false;
            type = next;
        }
        switch (type) {
        case QMetaType::UnknownType: // empty throughout
        case QMetaType::Double: // exact for every whole number a column holds
            return RankByKey<double>([](const QVariant& value, double& key) {
                key = value.toDouble();
                return value.isNull() ? Found::Empty : Found::Key;
            });
        case QMetaType::QDate:
            return RankByKey<qint64>([](const QVariant& value, qint64& key) {
                const QDate date = value.toDate();
                key = date.toJulianDay();
                return date.isValid() ? Found::Key : Found::Empty;
            });
        case QMetaType::QDateTime:
            // As shown: the wall-clock time, with no time zone to look up for every value.
            return RankByKey<qint64>([](const QVariant& value, qint64& key) {
                const QDateTime stamp = value.toDateTime();
                key = stamp.date().toJulianDay() * 86400000 + stamp.time().msecsSinceStartOfDay();
                return stamp.isValid() ? Found::Key : Found::Empty;
            });
        default:
            return false;
        }
    }

    static bool Number(int type)
    {
        switch (type) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Double:
        case QMetaType::Float:
            return true;
        default:
            return false;
        }
    }

    // Texts that are all days written in the user's date format, as lists whose statements format their dates
    // show them, compared as days; an empty text, or a zero date, shows none. False at the first other text.
    bool RankTextDates(const QString& format)
    {
        if (format.isEmpty())
            return false;
        return RankByKey<qint64>([&format](const QVariant& value, qint64& key) {
            return DayOf(QStringView(*static_cast<const QString*>(value.constData())), format, key);
        });
    }

    // The Julian day of a text in a format of yyyy, MM, dd and separators, the formats a user chooses from.
    static Found DayOf(QStringView text, QStringView format, qint64& day)
    {
        if (text.isEmpty())
            return Found::Empty;
        if (text.size() != format.size())
            return Found::Other;
        int fields[3] = {0, 0, 0}; // year, month, day
        for (int i = 0; i < format.size();) {
            const QStringView rest = format.mid(i);
            const int field = rest.startsWith(QLatin1String("yyyy")) ? 0
                : rest.startsWith(QLatin1String("MM"))               ? 1
                : rest.startsWith(QLatin1String("dd"))               ? 2
                                                                     : -1;
            if (field < 0) {
                if (format.at(i).isLetter() || text.at(i) != format.at(i))
                    return Found::Other;
                ++i;
                continue;
            }
            for (const int end = i + (field == 0 ? 4 : 2); i < end; ++i) {
                const char16_t digit = text.at(i).unicode();
                if (digit < u'0' || digit > u'9')
                    return Found::Other;
                fields[field] = fields[field] * 10 + (digit - u'0');
            }
        }
        const QDate date(fields[0], fields[1], fields[2]);
        day = date.toJulianDay();
        return date.isValid() ? Found::Key : Found::Empty;
    }

    // The proxy's comparison of any two values.
    void RankValues(const SortingProxyModel& proxy)
    {
        QVector<int> order(values.size());
        std::iota(order.begin(), order.end(), 0);
        RankInOrder(order, [](const int& row) { return row; }, [this, &proxy](int a, int b) {
            return proxy.QSortFilterProxyModel::lessThan(createIndex(a, 0), createIndex(b, 0));
        });
    }

    // Texts, the common case, compared as the proxy compares them (by character code, unless it is told to
    // compare them otherwise), straight from where they are held.
    void RankTexts(Qt::CaseSensitivity cs)
    {
        struct Text
        {
            QStringView text;
            int row;
        };
        QVector<Text> texts;
        texts.reserve(values.size());
        for (int row = 0; row < values.size(); ++row)
            texts.append({QStringView(*static_cast<const QString*>(values.at(row).constData())), row});
        RankInOrder(texts, [](const Text& t) { return t.row; },
             [cs](const Text& a, const Text& b) { return a.text.compare(b.text, cs) < 0; });
    }

    QVector<QVariant> values;
    QVector<int> ranks;
    int column = -1;
    int role = -1;
    Qt::CaseSensitivity cs = Qt::CaseSensitive;
    bool localeAware = false;
};

// What a view reads of a sorted list: every cell's view roles for a block of shown rows, read in the source's
// order. Two blocks hold the thousand rows a view measures its columns by.
class SortingProxyModel::ShownBlocks
{
public:
    static constexpr int ROWS = 1024;
    static constexpr int KEPT = 2;

    QVariant Cell(const SortingProxyModel& proxy, int row, int column, int slot)
    {
        const int first = row - row % ROWS;
        auto block = std::find_if(blocks.begin(), blocks.end(), [first](const Block& b) { return b.first == first; });
        if (block == blocks.end()) {
            blocks.prepend(Read(proxy, first));
            while (blocks.size() > KEPT)
                blocks.removeLast();
            block = blocks.begin();
        }
        return block->cells.at(((row - first) * block->columns + column) * VIEW_ROLE_COUNT + slot);
    }

    void Drop() { blocks.clear(); }

private:
    struct Block
    {
        int first = 0;
        int columns = 0;
        QVector<QVariant> cells;
    };

    static Block Read(const SortingProxyModel& proxy, int first)
    {
        Block block;
        block.first = first;
        block.columns = proxy.columnCount();
        const int rows = std::min(ROWS, proxy.rowCount() - first);
        block.cells.resize(rows * block.columns * VIEW_ROLE_COUNT);
        ForEachShownRowInResultOrder(&proxy, [&](int shownRow, const QModelIndex& source) {
            QVariant* cell = block.cells.data() + (shownRow - first) * block.columns * VIEW_ROLE_COUNT;
            for (int column = 0; column < block.columns; ++column) {
                const QModelIndex item = source.siblingAtColumn(column);
                for (int role : VIEW_ROLES)
                    *cell++ = item.data(role);
            }
        }, first, rows);
        return block;
    }

    QList<Block> blocks;
};

// One role of one column for every shown row, read in the source's order: what a search compares, kept for the
// next key typed.
class SortingProxyModel::SearchedColumn
{
public:
    void Read(const SortingProxyModel& proxy, int column, int role)
    {
        values = QVector<QVariant>(proxy.rowCount());
        ForEachShownRowInResultOrder(&proxy, [&](int shownRow, const QModelIndex& source) {
            values[shownRow] = source.siblingAtColumn(column).data(role);
        });
        this->column = column;
        this->role = role;
    }

    bool Holds(int column, int role) const { return column == this->column && role == this->role; }
    QVariant Value(int row) const { return values.value(row); }

    void Drop()
    {
        values = QVector<QVariant>();
        column = -1;
    }

private:
    QVector<QVariant> values;
    int column = -1;
    int role = -1;
};

SortingProxyModel::SortingProxyModel(QObject* parent)
    : QSortFilterProxyModel(parent)
    , sortValues(new SortValues)
    , shownBlocks(new ShownBlocks)
    , searchedColumn(new SearchedColumn)
{
    // The list models format numbers and dates for display only; the edit role is the stored value.
    setSortRole(Qt::EditRole);
    // Connected before any view's handlers, which may read the rows again at once.
    OnEveryChange(this, this, [this] {
        shownBlocks->Drop();
        searchedColumn->Drop();
    });
}

SortingProxyModel::~SortingProxyModel() = default;

QVariant SortingProxyModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical && role == Qt::DisplayRole)
        return section + 1;
    return QSortFilterProxyModel::headerData(section, orientation, role);
}

QVariant SortingProxyModel::data(const QModelIndex& index, int role) const
{
    // First, as a search asks it for every row.
    if (index.model() == this && searchedColumn->Holds(index.column(), role))
        return searchedColumn->Value(index.row());
    // Unsorted, the shown order is the model's own.
    if (sortColumn() < 0 || !sourceModel() || index.model() != this || index.parent().isValid())
        return QSortFilterProxyModel::data(index, role);
    // A plain index kept while rows went away: no block holds its row.
    if (index.row() >= rowCount() || index.column() >= columnCount())
        return QSortFilterProxyModel::data(index, role);
    const int slot = ViewRoleSlot(role);
    if (slot < 0)
        return QSortFilterProxyModel::data(index, role);
    return shownBlocks->Cell(*this, index.row(), index.column(), slot);
}

QModelIndexList SortingProxyModel::match(const QModelIndex& start, int role, const QVariant& value, int hits,
                                         Qt::MatchFlags flags) const
{
    // Qt's search asks every row in the shown order, which a sorted list answers from its blocks, one walk of
    // the result for each; one read of the searched column serves the whole search, and the next keys.
    if (sortColumn() >= 0 && sourceModel() && start.model() == this && !start.parent().isValid()
        && !searchedColumn->Holds(start.column(), role))
        searchedColumn->Read(*this, start.column(), role);
    return QSortFilterProxyModel::match(start, role, value, hits, flags);
}

void SortingProxyModel::setSourceModel(QAbstractItemModel* source)
{
    for (const QMetaObject::Connection& connection : qAsConst(sourceConnections))
        disconnect(connection);
    sourceConnections.clear();
    sortValues->Drop();
    shownBlocks->Drop();
    searchedColumn->Drop();
    // Connected ahead of the proxy's own handlers, which sort the changed rows at once.
    if (source)
        sourceConnections = OnEveryChange(source, this, [this] { sortValues->Drop(); });
    QSortFilterProxyModel::setSourceModel(source);
}

void SortingProxyModel::sort(int column, Qt::SortOrder order)
{
    QSortFilterProxyModel::sort(column, order);
    // An unsorted list keeps nothing of its rows.
    if (column < 0) {
        sortValues->Drop();
        shownBlocks->Drop();
        searchedColumn->Drop();
    }
}

bool SortingProxyModel::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    const QAbstractItemModel* source = sourceModel();
    if (!source || left.model() != source || right.model() != source || left.column() != right.column()
        || left.parent().isValid())
        return QSortFilterProxyModel::lessThan(left, right);
    if (!sortValues->Hold(*this, left.column(), std::max(left.row(), right.row())))
        sortValues->Read(*this, left.column());
    return sortValues->Rank(left.row()) < sortValues->Rank(right.row());
}

void ForEachShownRowInResultOrder(const QAbstractItemModel* shown,
                                  const std::function<void(int shownRow, const QModelIndex& row)>& read, int first,
                                  int count)
{
    const int rows = shown->rowCount();
    if (count < 0 || first + count > rows)
        count = std::max(0, rows - first);
    const auto* proxy = qobject_cast<const QAbstractProxyModel*>(shown);
    const QAbstractItemModel* source = proxy && proxy->sourceModel() ? proxy->sourceModel() : shown;
    // (row in the model under the list, row shown)
    QVector<QPair<int, int>> order;
    order.reserve(count);
    for (int row = first; row < first + count; ++row)
        order.append(qMakePair(source == shown ? row : proxy->mapToSource(proxy->index(row, 0)).row(), row));
    std::sort(order.begin(), order.end());
    for (const auto& row : qAsConst(order)) {
        FetchOnTo(source, row.first);
        read(row.second, source->index(row.first, 0));
    }
}
