#include "listfilter.h"

#include "databasemanager.h"
#include "readfailurenotice.h"
#include "sqlfilter.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlTableModel>

QString ContainsCondition(const QString& column, const QString& text)
{
    return QLatin1Char(' ') + SqlFilter::Contains(*DatabaseManager::Instance()->InventoryDatabase(), column, text)
        + QLatin1Char(' ');
}

bool ReportListError(ReadFailureNotice& notice, bool read, const QSqlError& error, const QSqlDriver* driver)
{
    return !notice.Check(read, QObject::tr("The list could not be read from the database:\n%1"), driver, error);
}

bool ReportListError(ReadFailureNotice& notice, bool read, const QSqlTableModel* model)
{
    return ReportListError(notice, read, model->lastError(), model->database().driver());
}
