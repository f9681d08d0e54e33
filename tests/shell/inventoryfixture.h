#pragma once

#include <QString>
#include <QStringList>

// A fresh inventory database for one test function, made from the embedded script, made
// active and reached through DatabaseManager as the program reaches it.
class InventoryFixture
{
public:
    // Returns an empty text on success, otherwise what went wrong.
    QString create();
    void drop();
    const QString& name() const { return database; }

    // Runs statements on a connection of the test's own.
    QString exec(const QStringList& statements) const;
    // Each row's columns joined by '|', in the order the statement gives.
    QStringList rows(const QString& select) const;
    // tblUsers.ID of a login name, as text; empty when there is none.
    QString userId(const QString& loginName) const;

private:
    QString database;
};
