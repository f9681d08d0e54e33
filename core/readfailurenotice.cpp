#include "readfailurenotice.h"

#include "databasefailure.h"
#include "databaselog.h"

#include <QMessageBox>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlTableModel>

ReadFailureNotice::ReadFailureNotice(QWidget* page, const QString& title)
    : page(page)
    , title(title)
{
}

bool ReadFailureNotice::Check(bool ok, const QString& text, const QSqlDriver* driver, const QSqlError& error)
{
    if (ok) {
        ReadSucceeded();
        return true;
    }
    if (told) {
        if (error.isValid())
            LogDatabaseError(error);
        return false;
    }
    told = true;
    QMessageBox::warning(page, title, text.arg(DatabaseFailure::ReadReason(driver, error)));
    return false;
}

bool ReadFailureNotice::Check(bool ok, const QString& text, const QSqlTableModel* model)
{
    return Check(ok, text, model->database().driver(), model->lastError());
}

void ReadFailureNotice::ReadSucceeded()
{
    told = false;
}
