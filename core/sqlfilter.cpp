#include "sqlfilter.h"

#include "listmending.h"

#include <QAbstractItemModel>
#include <QDate>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlTableModel>

namespace SqlFilter {

QString ContainsPattern(const QString& text)
{
    // Backslash is LIKE's escape character: escape it first, then the two wildcards.
    QString pattern = text;
    pattern.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('%'), QLatin1String("\\%"))
        .replace(QLatin1Char('_'), QLatin1String("\\_"));
    return QLatin1Char('%') + pattern + QLatin1Char('%');
}

QString Contains(const QSqlDatabase& db, const QString& column, const QString& text)
{
    QSqlField field(QString(), QVariant::String);
    field.setValue(ContainsPattern(text));
    return column + QStringLiteral(" LIKE ") + db.driver()->formatValue(field);
}

QString DateLiteral(const QSqlDatabase& db, const QDate& date)
{
    QSqlField field(QString(), QVariant::String);
    field.setValue(date.toString(QStringLiteral("yyyy-MM-dd")));
    return db.driver()->formatValue(field);
}

void FetchAll(QAbstractItemModel* model)
{
    // A result whose connection broke can go on saying there is more while a fetch brings
    // nothing (an active query without columns): the caller would then hang in this loop.
    while (model->canFetchMore(QModelIndex())) {
        const int rows = model->rowCount();
        model->fetchMore(QModelIndex());
        if (model->rowCount() == rows)
            break;
    }
}

bool Select(QSqlTableModel* model, const std::optional<QString>& filter)
{
    ListMending::Mend(model);
    if (filter) {
        const bool readBySetFilter = model->query().isActive();
        model->setFilter(*filter);
        // Read again after a refusal, a model whose table has gone has lost its columns and Qt's own words ("Unable
        // to find table") would replace the server's reason.
        if (readBySetFilter)
            return model->query().isActive() && !model->lastError().isValid();
    }
    return model->select();
}

} // namespace SqlFilter
