#pragma once

#include <QLoggingCategory>

class QSqlError;

// Every failed statement or connection of every library is logged here, so the
// database's part of a developer's log can be switched on and off as one.
Q_DECLARE_LOGGING_CATEGORY(lcDb)

// The database's and the driver's texts of a failure, as a warning of lcDb.
void LogDatabaseError(const QSqlError& error);
