#pragma once

#include <QString>

class QSqlQueryModel;
class QWidget;

// The list pages filter their SQL models with text conditions (a table model's filter cannot take bound
// values): " column LIKE '%text%' " with the typed text taken literally.
QString ContainsCondition(const QString& column, const QString& text);
// Tells the user that a list could not be read, with the driver's text; false when the model has no error.
bool ReportListError(QWidget* parent, const QString& title, const QSqlQueryModel* model);
