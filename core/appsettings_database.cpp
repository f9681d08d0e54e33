#include "appsettings.h"

#include <QSettings>

QString AppSettings::SqlDateColumn(const QString& column, const QString& alias) const
{
    const QString stored = settings->value(QStringLiteral("DATE_FORMAT"), QStringLiteral("YYYY/MM/DD")).toString();
    QString format;
    if (stored == QLatin1String("MM/DD/YYYY"))
        format = QStringLiteral("'%m-%d-%Y'");
    else if (stored == QLatin1String("DD/MM/YYYY"))
        format = QStringLiteral("'%d-%m-%Y'");
    else
        // An unknown value would leave the statement without a format and make it fail.
        format = QStringLiteral("'%Y-%m-%d'");
    return QStringLiteral(" DATE_FORMAT(") + column + QLatin1Char(',') + format + QStringLiteral(") as '") + alias
           + QLatin1Char('\'');
}

QString AppSettings::DateFormat() const
{
    return dateFormat;
}
