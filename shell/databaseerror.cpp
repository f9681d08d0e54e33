#include "databaseerror.h"
#include "databaselog.h"

#include <QMessageBox>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

void ShowDatabaseError(QWidget* parent, const QString& title, const QString& text, const QSqlError& error)
{
    LogDatabaseError(error);
    QMessageBox::warning(parent, title, text + QStringLiteral("\n\n") + error.text());
}

void EndTransaction(QSqlDatabase* db, bool ok, const QSqlQuery& query, QWidget* parent, const QString& title,
                    const QString& text)
{
    if (ok) {
        db->commit();
        return;
    }
    const QSqlError error = query.lastError(); // before the rollback replaces it
    db->rollback();
    ShowDatabaseError(parent, title, text, error);
}
