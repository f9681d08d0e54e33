#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

// An inventory database for one test program, made from the embedded script, made active
// and reached through DatabaseManager as the program reaches it. One database per program,
// reset between test functions, keeps the shared server's list of databases quiet for the
// tests that run beside these.
class InventoryFixture
{
public:
    // Each returns an empty text on success, otherwise what went wrong.
    QString create();
    // Users, answers, roles and permissions back to what the script made; triggers dropped.
    QString reset();
    void drop();
    const QString& name() const { return database; }

    // Runs statements on a connection of the test's own.
    QString exec(const QStringList& statements) const;
    // Each row's columns joined by '|' (NULL as "NULL"), in the order the statement gives.
    QStringList rows(const QString& select) const;
    // tblUsers.ID of a login name, as text; empty when there is none.
    QString userId(const QString& loginName) const;
    // Adds a user with HashPassword(password), all values bound; returns the error text.
    QString addUser(const QString& login, const QString& password, int roleId,
                    const QString& first = QStringLiteral("F"), const QString& last = QStringLiteral("L")) const;

private:
    QString database;
    QStringList seededRoles; // "ID|NAME"
    QStringList seededPermissions; // "ROLE_ID|MODULE_ID"
};

class ModalAnswerer;
class QTableView;

// Makes the row whose column shows the text current; false when there is none.
bool SelectRow(QTableView* view, int column, const QString& text);

// A test program on one inventory database: every test function starts from the script's
// users, roles and permissions, and must leave no answer for a modal widget unused.
class InventoryTest : public QObject
{
    Q_OBJECT
protected slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

protected:
    InventoryFixture fixture;
    ModalAnswerer* answerer = nullptr;
};
