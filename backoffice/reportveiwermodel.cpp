#include "reportveiwermodel.h"

#include "appsettings.h"

#include <QLocale>
#include <QSettings>

int reportKind = 8;

QVariant FormatReportCell(const QVariant& value, int column, const QList<int>& moneyColumns,
                          const QList<int>& integerColumns, const QLocale& locale, int decimals)
{
    if (moneyColumns.contains(column))
        return locale.toString(value.toDouble(), 'f', decimals);
    if (integerColumns.contains(column))
        return locale.toString(value.toInt());
    return value;
}

ReportVeiwerModel::ReportVeiwerModel(QObject* parent)
    : ReportVeiwerModel(parent, false)
{
}

ReportVeiwerModel::ReportVeiwerModel(QObject* parent, bool subItems)
    : QSqlQueryModel(parent)
    , subItems(subItems)
    , decimals(AppSettings::Instance()->settings->value(QStringLiteral("decimal_places"), QStringLiteral("2")).toString().toInt())
    , locale(*AppSettings::Instance()->locale)
{
}

QVariant ReportVeiwerModel::data(const QModelIndex& item, int role) const
{
    const QVariant value = QSqlQueryModel::data(item, role);
    if (role != Qt::DisplayRole)
        return value;
    // Made once: a view, a search or a print reads every cell of a long report.
    static const QList<int> none;
    static const QList<int> column1{1};
    static const QList<int> column2{2};
    static const QList<int> columns2And3{2, 3};
    static const QList<int> columns3To5{3, 4, 5};
    static const QList<int> columns1And3To4{1, 3, 4};
    static const QList<int> columns1And4To5{1, 4, 5};
    switch (reportKind) {
    case 0:
        return FormatReportCell(value, item.column(), none, column2, locale, decimals);
    case 1:
        return FormatReportCell(value, item.column(), columns3To5, column2, locale, decimals);
    case 2:
        return FormatReportCell(value, item.column(), column1, none, locale, decimals);
    case 3:
    case 4:
    case 5:
    case 6:
    case 7:
        if (subItems)
            return FormatReportCell(value, item.column(), columns1And4To5, columns2And3, locale, decimals);
        return FormatReportCell(value, item.column(), columns1And3To4, column2, locale, decimals);
    default:
        return value;
    }
}
