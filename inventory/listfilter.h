#pragma once

#include <QString>

class QSqlDriver;
class QSqlError;
class QSqlTableModel;
class ReadFailureNotice;

// The list pages filter their SQL models with text conditions (a table model's filter cannot take bound
// values): " column LIKE '%text%' " with the typed text taken literally.
QString ContainsCondition(const QString& column, const QString& text);
// After a list read (read: whether it succeeded, on the connection of driver): tells the user, at the first
// failure of a run, that the list could not be read and why; true when it failed.
bool ReportListError(ReadFailureNotice& notice, bool read, const QSqlError& error, const QSqlDriver* driver);
bool ReportListError(ReadFailureNotice& notice, bool read, const QSqlTableModel* model);
