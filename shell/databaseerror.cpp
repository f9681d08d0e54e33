#include "databaseerror.h"

#include "databasefailure.h"
#include "databasemanager.h"

#include <QMessageBox>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

void ShowDatabaseError(QWidget* parent, const QString& title, const QString& text, const QSqlError& error,
                       const QSqlDriver* driver)
{
    QMessageBox::warning(parent, title, text + QStringLiteral("\n\n") + DatabaseFailure::WriteReason(driver, error));
}

void ShowDatabaseError(QWidget* parent, const QString& title, const QString& text, const QSqlQuery& query)
{
    ShowDatabaseError(parent, title, text, query.lastError(), query.driver());
}

bool BeginTransaction(QSqlDatabase* db, QWidget* parent, const QString& title, const QString& text)
{
    if (DatabaseManager::Instance()->BeginTransaction(db))
        return true;
    ShowDatabaseError(parent, title, text, db->lastError(), db->driver());
    return false;
}

bool EndTransaction(QSqlDatabase* db, bool ok, const QSqlQuery& query, QWidget* parent, const QString& title,
                    const QString& text)
{
    DatabaseManager* manager = DatabaseManager::Instance();
    if (ok) {
        if (manager->CommitTransaction(db))
            return true;
        const QSqlError error = db->lastError();
        manager->RollbackTransaction(db);
        ShowDatabaseError(parent, title, text, error, db->driver());
        return false;
    }
    const QSqlError error = query.lastError(); // before the rollback replaces it
    manager->RollbackTransaction(db);
    ShowDatabaseError(parent, title, text, error, db->driver());
    return false;
}
