#include "cpos.h"
#include "posfixture.h"
#include "salesmodel.h"

#include <QLabel>
#include <QLineEdit>

#include <signal.h>

#include <atomic>
#include <chrono>
#include <thread>

// The database server killed outright while a till scans, and started again: every line keeps its
// stock change and no stock change is without its line, and the till goes on scanning.
class TestPosServerKill : public PosFixture::PrivateServerTest
{
    Q_OBJECT

public:
    TestPosServerKill() : PrivateServerTest(QStringLiteral("kill")) {}

private slots:
    void scanningSurvivesServerKill();
};

void TestPosServerKill::scanningSurvivesServerKill()
{
    QCOMPARE(PosFixture::AddStock(inventoryDb, QStringLiteral("K1"), {{"QUANTITY", 100000}, {"TAX_RATE", 10}}), QString());
    QCOMPARE(PosFixture::AddStock(inventoryDb, QStringLiteral("K2"), {{"QUANTITY", 100000}, {"ITEMS_PER_UNIT", 6}}),
             QString());
    QSqlDatabase::removeDatabase(QStringLiteral("pos_stock_writer"));

    const PosFixture::Screen s(false);
    CPOS* screen = s.screen;
    auto* scanner = screen->findChild<QLineEdit*>(QStringLiteral("lineBarcodeScannerInput"));
    auto* status = screen->findChild<QLabel*>(QStringLiteral("labelStatus"));
    int scans = 0;
    const auto scan = [&] {
        scanner->setText(scans % 2 ? QStringLiteral("K2") : QStringLiteral("K1"));
        ++scans;
        screen->on_lineBarcodeScannerInput_returnPressed();
        return status->text().isEmpty();
    };
    QVERIFY(scan());

    // Killed from another thread while this one scans on.
    const QByteArray pid = TestSupport::ReadFile(server.dataDir() + QStringLiteral("/mysqld.pid")).trimmed();
    QVERIFY(pid.toInt() > 0);
    std::atomic<bool> killed{false};
    std::thread killer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        ::kill(pid.toInt(), SIGKILL);
        killed = true;
    });
    int failures = 0;
    QStringList shownLines; // the cart's cells after the last scan that went through
    const auto cartCells = [&] {
        QStringList cells;
        for (int row = 0; row < screen->cartModel->rowCount(); ++row)
            for (int column = 0; column < screen->cartModel->columnCount(); ++column)
                cells << screen->cartModel->index(row, column).data().toString();
        return cells;
    };
    for (int i = 0; i < 5000 && (!killed || failures < 5); ++i) {
        if (!scan())
            ++failures;
        else
            shownLines = cartCells();
    }
    killer.join();
    QVERIFY(killed);
    QVERIFY(failures >= 5);
    // The lines stay on screen while the server is down, also after the manager's next attempt to reach it.
    QVERIFY(!shownLines.isEmpty());
    QCOMPARE(cartCells(), shownLines);
    QTest::qWait(2100);
    QVERIFY(!scan());
    TestSupport::Idle();
    QCOMPARE(cartCells(), shownLines);

    const QString error = server.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    // The manager retries a lost connection every two seconds; the till scans on once it is back.
    QTRY_VERIFY_WITH_TIMEOUT(scan(), 20000);
    for (int i = 0; i < 20; ++i)
        QVERIFY2(scan(), qPrintable(status->text()));

    const QStringList lines = rows(salesDb, QStringLiteral("SELECT BAR_CODE, COUNT(*) FROM tblSalesInvoice GROUP BY "
                                                           "BAR_CODE ORDER BY BAR_CODE"));
    QCOMPARE(lines.size(), 2);
    const int soldK1 = lines.at(0).section(QLatin1Char('|'), 1).toInt();
    const int soldK2 = lines.at(1).section(QLatin1Char('|'), 1).toInt();
    QVERIFY(soldK1 + soldK2 >= 22);
    const int k2Left = 100000 * 6 - soldK2 * 6;
    QCOMPARE(rows(inventoryDb, QStringLiteral("SELECT BAR_CODE, QUANTITY, SUB_ITEMS FROM tblInventory ORDER BY BAR_CODE")),
             (QStringList{QStringLiteral("K1|%1|0").arg(100000 - soldK1),
                          QStringLiteral("K2|%1|%2").arg(k2Left / 6).arg(k2Left % 6)}));
    // The screen agrees with what was stored: its cart, totals and line numbers.
    QCOMPARE(rows(salesDb, QStringLiteral("SELECT COUNT(*), COUNT(DISTINCT ITEM_INDEX), SUM(SUB_TOTAL + SUB_TAX) "
                                          "FROM tblSalesInvoice WHERE TRANSACTION_ID = ")
                               + screen->transactionId),
             QStringList{QStringLiteral("%1|%1|%2").arg(soldK1 + soldK2).arg(soldK1 * 11 + soldK2 * 10)});
    QCOMPARE(screen->grandTotal, double(soldK1 * 11 + soldK2 * 10));
    QCOMPARE(screen->itemIndexes.size(), soldK1 + soldK2);
    qInfo("%d scans, %d failed while the server was down", scans, failures);
}

VORANTEL_TEST_MAIN(TestPosServerKill)
#include "tst_posserverkill.moc"
