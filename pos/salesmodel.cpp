#include "salesmodel.h"

#include "appsettings.h"
#include "sqlfilter.h"

#include <QLocale>
#include <QSettings>

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
}

QVariant SalesModel::data(const QModelIndex& index, int role) const
{
    const QVariant value = QSqlQueryModel::data(index, role);
    if (role == Qt::DisplayRole && IsMoneyColumn(index.column()) && locale)
        return locale->toString(value.toDouble(), 'f', decimalPlaces);
    return value;
}

void SalesModel::FetchAll()
{
    SqlFilter::FetchAll(this);
}
