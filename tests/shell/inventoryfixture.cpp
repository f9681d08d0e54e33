#include "inventoryfixture.h"

#include "databasemanager.h"
#include "databasetest.h"
#include "modalanswerer.h"
#include "testsupport.h"

#include <QTableView>

QString InventoryFixture::create()
{
    DatabaseTest::UseFixtureServer();
    database = TestDatabase::uniqueName(QStringLiteral("access"));
    const QString error = DatabaseTest::Create(1, database);
    if (!error.isEmpty())
        return error;
    DatabaseManager::Instance()->RemoveInventoryDatabase(); // the next access opens the new database
    if (!DatabaseManager::Instance()->InventoryDatabase()->isOpen())
        return QStringLiteral("the inventory database does not open");
    seededRoles = rows(QStringLiteral("SELECT ID, NAME FROM tblRoles ORDER BY ID"));
    seededPermissions = rows(QStringLiteral("SELECT ROLE_ID, MODULE_ID FROM tblPermissions ORDER BY ID"));
    if (seededRoles.isEmpty() || seededRoles.first().startsWith(QLatin1String("error: ")))
        return QStringLiteral("no seeded roles: ") + seededRoles.join(QLatin1Char(' '));
    return QString();
}

QString InventoryFixture::reset()
{
    QStringList statements;
    const QStringList triggers =
        rows(QStringLiteral("SELECT TRIGGER_NAME FROM information_schema.TRIGGERS WHERE TRIGGER_SCHEMA = DATABASE()"));
    if (triggers.value(0).startsWith(QLatin1String("error: ")))
        return triggers.first();
    for (const QString& trigger : triggers)
        statements << QStringLiteral("DROP TRIGGER `%1`").arg(trigger);
    for (const char* table : {"tblQuestions", "tblUsers", "tblPermissions", "tblRoles"}) {
        statements << QStringLiteral("DELETE FROM %1").arg(QLatin1String(table))
                   << QStringLiteral("ALTER TABLE %1 AUTO_INCREMENT = 1").arg(QLatin1String(table));
    }
    QString error = exec(statements);
    const auto insert = [&](const char* sql, const QStringList& rows) {
        for (int i = 0; error.isEmpty() && i < rows.size(); ++i)
            error = DatabaseTest::Rows(database, QLatin1String(sql),
                                       {rows[i].section(QLatin1Char('|'), 0, 0), rows[i].section(QLatin1Char('|'), 1)})
                        .join(QLatin1Char(' '));
    };
    insert("INSERT INTO tblRoles (ID, NAME) VALUES (?, ?)", seededRoles);
    insert("INSERT INTO tblPermissions (ROLE_ID, MODULE_ID) VALUES (?, ?)", seededPermissions);
    return error;
}

void InventoryFixture::drop()
{
    DatabaseManager::Instance()->RemoveInventoryDatabase();
    DatabaseManager::Instance()->CloseServerConnection();
    if (!database.isEmpty())
        TestDatabase::dropDatabase(database);
    database.clear();
}

QString InventoryFixture::exec(const QStringList& statements) const
{
    return TestDatabase::exec(database, statements);
}

QStringList InventoryFixture::rows(const QString& select) const
{
    return DatabaseTest::Rows(database, select);
}

QString InventoryFixture::userId(const QString& loginName) const
{
    return DatabaseTest::Rows(database, QStringLiteral("SELECT ID FROM tblUsers WHERE LOGIN_NAME = ?"), {loginName})
        .value(0);
}

QString InventoryFixture::addUser(const QString& login, const QString& password, int roleId, const QString& first,
                                  const QString& last) const
{
    return DatabaseTest::Rows(database,
                              QStringLiteral("INSERT INTO tblUsers (FIRST_NAME, LAST_NAME, LOGIN_NAME, PASSWORD, ROLE_ID) "
                                             "VALUES (?, ?, ?, ?, ?)"),
                              {first, last, login, HashPassword(password), roleId})
        .join(QLatin1Char(' '));
}

bool SelectRow(QTableView* view, int column, const QString& text)
{
    const QModelIndexList found =
        view->model()->match(view->model()->index(0, column), Qt::DisplayRole, text, 1, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (found.isEmpty())
        return false;
    view->setCurrentIndex(found.first().siblingAtColumn(1));
    return true;
}

void InventoryTest::initTestCase()
{
    REQUIRE_TEST_SERVER();
    TestSupport::ClearSettings();
    answerer = new ModalAnswerer(this);
    const QString error = fixture.create();
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void InventoryTest::init()
{
    const QString error = fixture.reset();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    answerer->clear();
}

void InventoryTest::cleanup()
{
    QVERIFY2(answerer->failures.isEmpty(), qPrintable(answerer->failures.join(QLatin1Char('\n'))));
    QCOMPARE(answerer->pendingAnswers(), 0);
}

void InventoryTest::cleanupTestCase()
{
    fixture.drop();
}
