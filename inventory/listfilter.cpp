#include "listfilter.h"

#include "inventorylog.h"

#include <QMessageBox>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>

QString LikeLiteral(const QString& text)
{
    QString pattern = text;
    pattern.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    pattern.replace(QLatin1Char('%'), QLatin1String("\\%"));
    pattern.replace(QLatin1Char('_'), QLatin1String("\\_"));
    pattern.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    pattern.replace(QLatin1Char('\''), QLatin1String("''"));
    return pattern;
}

QString ContainsCondition(const QString& column, const QString& text)
{
    return QStringLiteral(" %1 LIKE '%%2%' ").arg(column, LikeLiteral(text));
}

bool ReportListError(QWidget* parent, const QString& title, const QSqlQueryModel* model)
{
    const QSqlError error = model->lastError();
    if (!error.isValid())
        return false;
    qCWarning(lcInventory) << "list query failed:" << error.text() << model->query().lastQuery();
    QMessageBox::warning(parent, title, QObject::tr("The list could not be read from the database:\n%1").arg(error.text()),
                         QMessageBox::Ok);
    return true;
}
