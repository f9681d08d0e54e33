#include "databaselog.h"

#include <QSqlError>

Q_LOGGING_CATEGORY(lcDb, "vorantel.db")

void LogDatabaseError(const QSqlError& error)
{
    qCWarning(lcDb).noquote() << error.databaseText() << "|" << error.driverText();
}
