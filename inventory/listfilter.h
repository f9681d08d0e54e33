#pragma once

#include <QString>

class QSqlQueryModel;
class QWidget;

// The list pages filter their SQL models with text conditions (a table model's filter cannot take bound
// values), so a typed search text is made literal here: for LIKE first (\ % _), then for the quoted string
// (\ and ' as the server's default sql_mode reads them).
QString LikeLiteral(const QString& text);
// " column LIKE '%text%' " with the text taken literally.
QString ContainsCondition(const QString& column, const QString& text);
// Tells the user that a list could not be read, with the driver's text; false when the model has no error.
bool ReportListError(QWidget* parent, const QString& title, const QSqlQueryModel* model);
