#include "salesmodel.h"

#include "appsettings.h"
#include "sqlfilter.h"

#include <QLocale>
#include <QSettings>
#include <QSqlQuery>

namespace {
bool IsMoneyColumn(int column)
{
    return column == COL_SALE_PRICE || column == COL_DISCOUNT || column == COL_LINE_TOTAL || column == COL_LINE_TAX;
}
} // namespace

SalesModel::SalesModel(QObject* parent)
    : QSqlQueryModel(parent)
    , locale(AppSettings::Instance()->locale)
    , decimalPlaces(AppSettings::Instance()->settings->value(QStringLiteral("decimal_places"), "2").toInt())
{
    // Every read resets the model; the rows it read are the sale's from then on.
    connect(this, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        kept = false;
        shownRows.clear();
        added.clear();
    });
}

int SalesModel::rowCount(const QModelIndex& parent) const
{
    if (!kept || parent.isValid())
        return QSqlQueryModel::rowCount(parent);
    return shownRows.size();
}

QVariant SalesModel::data(const QModelIndex& index, int role) const
{
    QVariant value;
    if (!kept) {
        value = QSqlQueryModel::data(index, role);
    } else if (index.isValid() && index.row() < shownRows.size()) {
        const int row = shownRows.at(index.row());
        if (row >= 0)
            value = QSqlQueryModel::data(createIndex(row, index.column()), role);
        else if (role == Qt::DisplayRole || role == Qt::EditRole)
            value = added.at(-1 - row).value(index.column());
    }
    if (role == Qt::DisplayRole && IsMoneyColumn(index.column()) && locale)
        return locale->toString(value.toDouble(), 'f', decimalPlaces);
    return value;
}

QSqlRecord SalesModel::record(int row) const
{
    if (!kept)
        return QSqlQueryModel::record(row);
    if (row < 0 || row >= shownRows.size())
        return record();
    const int shown = shownRows.at(row);
    if (shown < 0)
        return added.at(-1 - shown);
    // The base model's record(row) reads through data(), which counts in shown rows.
    QSqlRecord line = record();
    for (int column = 0; column < line.count(); ++column)
        line.setValue(column, QSqlQueryModel::data(createIndex(shown, column), Qt::EditRole));
    return line;
}

void SalesModel::KeepRows()
{
    if (kept)
        return;
    FetchAll();
    const int rows = QSqlQueryModel::rowCount();
    shownRows.clear();
    for (int row = 0; row < rows; ++row)
        shownRows << row;
    kept = true;
}

bool SalesModel::AddLine(const QSqlRecord& line)
{
    if (line.isEmpty() || line.count() != record().count())
        return false;
    KeepRows();
    const int row = shownRows.size();
    beginInsertRows(QModelIndex(), row, row);
    added << line;
    shownRows << -added.size();
    endInsertRows();
    return true;
}

void SalesModel::RemoveLine(int row)
{
    KeepRows();
    if (row < 0 || row >= shownRows.size())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    shownRows.remove(row);
    endRemoveRows();
}

void SalesModel::RemoveAllLines()
{
    KeepRows();
    if (!shownRows.isEmpty()) {
        beginRemoveRows(QModelIndex(), 0, shownRows.size() - 1);
        shownRows.clear();
        endRemoveRows();
    }
    // The statement read last would bring another sale's lines back if it were read again.
    query().finish();
}

void SalesModel::FetchAll()
{
    SqlFilter::FetchAll(this);
}
