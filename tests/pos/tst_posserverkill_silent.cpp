#include "modalanswerer.h"
#include "serverkilltest.h"

#include <QElapsedTimer>
#include <QTableView>

// The server gone and its port held by a program that never answers: each action waits out the connect bound,
// so these cases have a program of their own.
class TestPosServerKillSilent : public ServerKillTest
{
    Q_OBJECT

private slots:
    void actionWhileServerSilent_data();
    void actionWhileServerSilent();
};

using namespace ServerKill;

// The server gone and its port held by a program that takes connections and never answers (a server hung at its
// start): each action is told within the connect bound, not after one bound for every connection it would open, and
// stores nothing; once the server is back, the next scan is stored at once.
void TestPosServerKillSilent::actionWhileServerSilent_data()
{
    QTest::addColumn<int>("scansBefore");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("told");
    QTest::newRow("first scan of a sale")
        << 0 << "scan" << "Error occurred while logging transaction. Please check sales database connection.";
    QTest::newRow("pay") << 2 << "pay" << "Error occurred while logging payment information";
    QTest::newRow("hold") << 2 << "pay later" << "Error occurred while creating pending payment.";
    QTest::newRow("deletion") << 2 << "delete item" << "Could not retrieve data from inventory";
}

void TestPosServerKillSilent::actionWhileServerSilent()
{
    QFETCH(int, scansBefore);
    QFETCH(QString, action);
    QFETCH(QString, told);
    SqlProxy* p = throughProxy();
    // The hold's reference prompt is closed as it comes.
    ModalAnswerer answerer;
    const PosFixture::Screen s(false);
    for (int i = 0; i < scansBefore; ++i)
        s.scan(QStringLiteral("K2"));
    QCOMPARE(s.status(), QString());
    const QString stored = QStringLiteral("SELECT (SELECT COUNT(*) FROM tblSalesInvoice), (SELECT COUNT(*) FROM "
                                          "tblPendingPayments), t.* FROM tblSalesTransactions t ORDER BY t.ID");
    const QStringList before = rows(salesDb, stored);
    p->setSilent(true);
    // The first time and a later time alike.
    for (int i = 0; i < 2; ++i) {
        auto* view = s.child<QTableView>("tableViewItems");
        if (view->model())
            view->setCurrentIndex(view->model()->index(0, COL_PRODUCT_NAME));
        s.child("lineEditPaid")->setText(QStringLiteral("100"));
        QElapsedTimer elapsed;
        elapsed.start();
        Press(s, action);
        QVERIFY2(elapsed.elapsed() < 12000, qPrintable(QString::number(elapsed.elapsed())));
        QCOMPARE(s.status(), told);
        // The action has ended; the till waits for the next.
        TestSupport::Idle();
    }
    QCOMPARE(rows(salesDb, stored), before);

    p->setSilent(false);
    s.scan(QStringLiteral("K1"));
    QCOMPARE(s.status(), QString());
    QCOMPARE(rows(salesDb, QStringLiteral("SELECT COUNT(*) FROM tblSalesInvoice")).value(0).toInt(),
             before.value(0).section(QLatin1Char('|'), 0, 0).toInt() + 1);
}

VORANTEL_TEST_MAIN(TestPosServerKillSilent)
#include "tst_posserverkill_silent.moc"
