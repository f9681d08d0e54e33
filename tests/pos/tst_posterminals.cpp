#include "posfixture.h"

#include <QProcess>

// Four tills, each a process with its own connection, ring up the same stock rows at once:
// not one sale's stock change may be lost, and every line comes with its stock change.
class TestPosTerminals : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void fourTerminalsLoseNoStock();

private:
    QString inventoryDb;
    QString salesDb;
};

void TestPosTerminals::initTestCase()
{
    REQUIRE_TEST_SERVER();
    inventoryDb = TestDatabase::uniqueName(QStringLiteral("pos_terms_inv"));
    salesDb = TestDatabase::uniqueName(QStringLiteral("pos_terms_sales"));
    QCOMPARE(PosFixture::OpenDatabases(inventoryDb, salesDb), QString());
    DatabaseTest::ResetManager();
}

void TestPosTerminals::cleanupTestCase()
{
    PosFixture::DropDatabases(inventoryDb, salesDb);
}

void TestPosTerminals::fourTerminalsLoseNoStock()
{
    QCOMPARE(PosFixture::AddStock(inventoryDb, QStringLiteral("W1"), {{"QUANTITY", 500}}), QString());
    QCOMPARE(PosFixture::AddStock(inventoryDb, QStringLiteral("W2"), {{"QUANTITY", 600}, {"ITEMS_PER_UNIT", 12}, {"SUB_ITEMS", 7}}),
             QString());
    const int perTerminal = 250;
    const TestDatabase::Server server = TestDatabase::server();

    QList<QProcess*> terminals;
    for (int i = 0; i < 4; ++i) {
        auto* terminal = new QProcess(this);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VORANTEL_TEST_SCRATCH"), TestSupport::ScratchDir() + QStringLiteral("/terminal%1").arg(i));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        terminal->setProcessEnvironment(env);
        terminal->start(QStringLiteral(POS_TERMINAL_PATH),
                        {server.host, QString::number(server.port), server.user, server.password, inventoryDb, salesDb,
                         QString::number(perTerminal), QStringLiteral("W1"), QStringLiteral("W2")});
        terminals << terminal;
    }
    QStringList sales;
    for (QProcess* terminal : qAsConst(terminals)) {
        QVERIFY(terminal->waitForFinished(240000));
        const QString out = QString::fromLocal8Bit(terminal->readAllStandardOutput()).trimmed();
        QVERIFY2(terminal->exitCode() == 0, qPrintable(out + QLatin1Char('\n') + terminal->readAllStandardError()));
        QVERIFY2(out.startsWith(QStringLiteral("scanned 250 failed 0 sale ")), qPrintable(out));
        sales << out.section(QLatin1Char(' '), 5);
    }

    // Each code was scanned 125 times per terminal: 500 units of W1, 500 units of 12 of W2.
    QCOMPARE(PosFixture::Stock(inventoryDb, QStringLiteral("W1")), QStringLiteral("0|0"));
    QCOMPARE(PosFixture::Stock(inventoryDb, QStringLiteral("W2")), QStringLiteral("100|7"));
    QCOMPARE(DatabaseTest::Rows(salesDb, QStringLiteral("SELECT BAR_CODE, COUNT(*), SUM(QUANTITY) FROM tblSalesInvoice "
                                                        "GROUP BY BAR_CODE ORDER BY BAR_CODE")),
             (QStringList{"W1|500|500", "W2|500|500"}));
    // One sale per terminal, its lines numbered 1 to 250.
    for (const QString& sale : qAsConst(sales))
        QCOMPARE(DatabaseTest::Rows(salesDb, QStringLiteral("SELECT COUNT(DISTINCT ITEM_INDEX), MIN(ITEM_INDEX), "
                                                            "MAX(ITEM_INDEX) FROM tblSalesInvoice WHERE TRANSACTION_ID = ?"),
                                    {sale}),
                 QStringList{"250|1|250"});
}

VORANTEL_TEST_MAIN(TestPosTerminals)
#include "tst_posterminals.moc"
