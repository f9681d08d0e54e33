#include "reportveiwermodelsubitems.h"

#include "appsettings.h"
#include "reportveiwermodel.h"

#include <QLocale>
#include <QSettings>

ReportVeiwerModelSubItems::ReportVeiwerModelSubItems(QObject* parent)
    : QSqlQueryModel(parent)
    , decimals(AppSettings::Instance()->settings->value(QStringLiteral("decimal_places"), QStringLiteral("2")).toString().toInt())
    , locale(*AppSettings::Instance()->locale)
{
}

QVariant ReportVeiwerModelSubItems::data(const QModelIndex& item, int role) const
{
    const QVariant value = QSqlQueryModel::data(item, role);
    if (role != Qt::DisplayRole)
        return value;
    switch (reportKind) {
    case 0:
        return FormatReportCell(value, item.column(), {}, {2}, locale, decimals);
    case 1:
        return FormatReportCell(value, item.column(), {3, 4, 5}, {2}, locale, decimals);
    case 2:
        return FormatReportCell(value, item.column(), {1}, {}, locale, decimals);
    case 3:
    case 4:
    case 5:
    case 6:
    case 7:
        return FormatReportCell(value, item.column(), {1, 4, 5}, {2, 3}, locale, decimals);
    default:
        return value;
    }
}
