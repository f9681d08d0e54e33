#pragma once

#include <QString>

class QSqlDriver;
class QSqlError;
class QSqlTableModel;
class QWidget;

// One per page: while its reads keep failing only the first failure shows a box, and later ones leave
// the list empty quietly, until a read succeeds.
class ReadFailureNotice
{
public:
    ReadFailureNotice(QWidget* page, const QString& title);

    // After a read: text is the page's message with %1 where the reason goes. Returns ok.
    bool Check(bool ok, const QString& text, const QSqlDriver* driver, const QSqlError& error);
    bool Check(bool ok, const QString& text, const QSqlTableModel* model);
    // A read the page checked itself went through.
    void ReadSucceeded();
    // Whether the last failure was told and no read has gone through since.
    bool Told() const { return told; }
    // Another window has told this failure already: until a read goes through, this one tells none.
    void ToldElsewhere() { told = true; }

private:
    QWidget* page;
    QString title;
    bool told = false;
};
