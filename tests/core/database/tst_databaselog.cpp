#include "databasetest.h"

#include <QMessageBox>
#include <QSqlDatabase>

// Database failures reach the developer's log through the one category "vorantel.db",
// with the server's own words, so that they can be switched on and off together.
class TestDatabaseLog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { f.reset(); }
    void cleanup() { f.finish(); }

    void failuresGoToTheDatabaseCategory_data();
    void failuresGoToTheDatabaseCategory();

private:
    DatabaseTest::Fixture f;
};

namespace {

struct Logged
{
    QString category;
    QString text;
};

QList<Logged> logged;
QtMessageHandler previousHandler = nullptr;

void Record(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    logged << Logged{QString::fromLatin1(context.category ? context.category : ""), text};
    if (previousHandler)
        previousHandler(type, context, text);
}

} // namespace

void TestDatabaseLog::initTestCase()
{
    REQUIRE_TEST_SERVER();
    f.start(this);
    previousHandler = qInstallMessageHandler(Record);
}

void TestDatabaseLog::failuresGoToTheDatabaseCategory_data()
{
    QTest::addColumn<bool>("server"); // the server connection; otherwise the inventory database
    QTest::addColumn<QString>("serverText");
    QTest::newRow("inventory database that does not exist") << false << "Unknown database";
    QTest::newRow("server refusing the password") << true << "Access denied";
}

void TestDatabaseLog::failuresGoToTheDatabaseCategory()
{
    QFETCH(bool, server);
    QFETCH(QString, serverText);
    DatabaseManager* manager = DatabaseManager::Instance();
    logged.clear();
    if (server) {
        const TestDatabase::Server s = TestDatabase::server();
        manager->SetConnectionParameters(s.user, s.password + QStringLiteral("-wrong"), s.port, s.host);
        QVERIFY(!manager->ServerConnection()->isOpen());
    } else {
        DatabaseTest::SetActive(1, TestDatabase::uniqueName(QStringLiteral("missing")));
        f.answerer->pressButton(QMessageBox::Ok);
        QVERIFY(!manager->InventoryDatabase()->isOpen());
    }

    QStringList database, elsewhere;
    for (const Logged& entry : qAsConst(logged)) {
        if (!entry.text.contains(serverText))
            continue;
        (entry.category == QLatin1String("vorantel.db") ? database : elsewhere) << entry.category + ": " + entry.text;
    }
    QVERIFY2(!database.isEmpty(), qPrintable(QStringLiteral("nothing logged under vorantel.db")));
    QVERIFY2(elsewhere.isEmpty(), qPrintable(elsewhere.join(QLatin1Char('\n'))));
}

VORANTEL_TEST_MAIN(TestDatabaseLog)
#include "tst_databaselog.moc"
