#include "listfilter.h"

#include "databasemanager.h"
#include "inventorylog.h"
#include "sqlfilter.h"

#include <QMessageBox>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>

QString ContainsCondition(const QString& column, const QString& text)
{
    return QLatin1Char(' ') + SqlFilter::Contains(*DatabaseManager::Instance()->InventoryDatabase(), column, text)
        + QLatin1Char(' ');
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
