#include "inventoryfixture.h"

#include "databasemanager.h"
#include "modalanswerer.h"
#include "testdatabase.h"
#include "testsupport.h"

#include <QSqlRecord>

QString InventoryFixture::create()
{
    const TestDatabase::Server s = TestDatabase::server();
    DatabaseManager* manager = DatabaseManager::Instance();
    manager->SetConnectionParameters(s.user, s.password, s.port, s.host);
    database = TestDatabase::uniqueName(QStringLiteral("access"));
    QString error;
    manager->CreateInventoryDatabase(database, error);
    if (!error.isEmpty())
        return error;
    // The next access opens the new database.
    manager->RemoveInventoryDatabase();
    if (!manager->InventoryDatabase()->isOpen())
        return QStringLiteral("the inventory database does not open");
    seededRoles = rows(QStringLiteral("SELECT ID, NAME FROM tblRoles ORDER BY ID"));
    seededPermissions = rows(QStringLiteral("SELECT ROLE_ID, MODULE_ID FROM tblPermissions ORDER BY ID"));
    if (seededRoles.isEmpty() || seededRoles.first().startsWith(QLatin1String("ERROR")))
        return QStringLiteral("no seeded roles: ") + seededRoles.join(QLatin1Char(' '));
    return QString();
}

QString InventoryFixture::reset()
{
    QStringList statements;
    const QStringList triggers =
        rows(QStringLiteral("SELECT TRIGGER_NAME FROM information_schema.TRIGGERS WHERE TRIGGER_SCHEMA = DATABASE()"));
    for (const QString& trigger : triggers)
        statements << QStringLiteral("DROP TRIGGER `%1`").arg(trigger);
    for (const char* table : {"tblQuestions", "tblUsers", "tblPermissions", "tblRoles"}) {
        statements << QStringLiteral("DELETE FROM %1").arg(QLatin1String(table))
                   << QStringLiteral("ALTER TABLE %1 AUTO_INCREMENT = 1").arg(QLatin1String(table));
    }
    QString error = exec(statements);
    if (!error.isEmpty())
        return error;

    QSqlDatabase db = TestDatabase::connect(QStringLiteral("fixture_") + database, database);
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral("INSERT INTO tblRoles (ID, NAME) VALUES (:a, :b)"));
    for (const QString& row : qAsConst(seededRoles)) {
        insert.bindValue(QStringLiteral(":a"), row.section(QLatin1Char('|'), 0, 0).toInt());
        insert.bindValue(QStringLiteral(":b"), row.section(QLatin1Char('|'), 1));
        if (!insert.exec())
            return insert.lastError().text();
    }
    insert.prepare(QStringLiteral("INSERT INTO tblPermissions (ROLE_ID, MODULE_ID) VALUES (:a, :b)"));
    for (const QString& row : qAsConst(seededPermissions)) {
        insert.bindValue(QStringLiteral(":a"), row.section(QLatin1Char('|'), 0, 0).toInt());
        insert.bindValue(QStringLiteral(":b"), row.section(QLatin1Char('|'), 1).toInt());
        if (!insert.exec())
            return insert.lastError().text();
    }
    return QString();
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
    QSqlDatabase db = TestDatabase::connect(QStringLiteral("fixture_") + database, database);
    QSqlQuery query(db);
    QStringList out;
    if (!query.exec(select)) {
        out << QStringLiteral("ERROR: ") + query.lastError().text();
        return out;
    }
    while (query.next()) {
        QStringList columns;
        for (int i = 0; i < query.record().count(); ++i)
            columns << query.value(i).toString();
        out << columns.join(QLatin1Char('|'));
    }
    return out;
}

QString InventoryFixture::userId(const QString& loginName) const
{
    QSqlDatabase db = TestDatabase::connect(QStringLiteral("fixture_") + database, database);
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT ID FROM tblUsers WHERE LOGIN_NAME = :login"));
    query.bindValue(QStringLiteral(":login"), loginName);
    if (!query.exec() || !query.next())
        return QString();
    return query.value(0).toString();
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
