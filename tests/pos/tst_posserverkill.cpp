#include "databasehooks.h"
#include "serverkilltest.h"

#include <QTableView>

// The database server killed outright while a till scans, and started again: every line keeps its
// stock change and no stock change is without its line, and the till goes on scanning. The kill lands
// at a set step (right after a line's write was committed, before the lines are read again) through the
// database layer's hook, so every run meets the same window.
class TestPosServerKill : public ServerKillTest
{
    Q_OBJECT

private slots:
    void lineWrittenAsServerDies_data();
    void lineWrittenAsServerDies();
    void lineWrittenBeforeCartWasRead();
    void newSaleWhileServerDown();
};

using namespace ServerKill;

namespace {

// What the cart's cells show.
QStringList CartCells(const CPOS* screen)
{
    QStringList cells;
    for (int row = 0; row < screen->cartModel->rowCount(); ++row)
        for (int column = 0; column < screen->cartModel->columnCount(); ++column)
            cells << screen->cartModel->index(row, column).data().toString();
    return cells;
}

} // namespace

void TestPosServerKill::lineWrittenAsServerDies_data()
{
    QTest::addColumn<bool>("deleting");
    QTest::addColumn<QString>("code"); // of the scan the kill follows
    QTest::addColumn<QString>("told");
    QTest::newRow("scan") << false << "K2" << "The item was stored. The database server cannot be reached.";
    QTest::newRow("scan, taxed") << false << "K1" << "The item was stored. The database server cannot be reached.";
    QTest::newRow("delete line") << true << "K2" << "The item was deleted. The database server cannot be reached.";
}

void TestPosServerKill::lineWrittenAsServerDies()
{
    QFETCH(bool, deleting);
    QFETCH(QString, code);
    QFETCH(QString, told);
    const PosFixture::Screen s(false);
    CPOS* screen = s.screen;
    auto* total = s.child("lineEditTotal");
    auto* tax = s.child("lineEditTax");
    int scans = 0;
    const auto scan = [&] {
        s.scan(scans % 2 ? QStringLiteral("K2") : QStringLiteral("K1"));
        ++scans;
        return s.child<QLabel>("labelStatus")->text();
    };
    // Other cases sell the same stock: what this case sold is counted from here.
    const QString stockQuery =
        QStringLiteral("SELECT BAR_CODE, QUANTITY, SUB_ITEMS FROM tblInventory WHERE BAR_CODE IN ('K1', 'K2') ORDER BY BAR_CODE");
    const QStringList stockBefore = rows(inventoryDb, stockQuery);
    QCOMPARE(stockBefore.size(), 2);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(scan(), QString());
    const QString sale = screen->transactionId;
    const QString storedLines = QStringLiteral("SELECT * FROM tblSalesInvoice WHERE TRANSACTION_ID = %1 ORDER BY ID");

    bool killed = false;
    DatabaseHooks::RunAfterNextCommit(QStringLiteral("SALES_DB"), [&] { killed = killServer(); });
    if (deleting) {
        auto* view = s.child<QTableView>("tableViewItems");
        view->setCurrentIndex(view->model()->index(1, COL_PRODUCT_NAME));
        screen->on_pushDeleteItem_clicked();
    } else {
        s.scan(code);
    }
    QVERIFY(killed);
    // Said once, in the program's words; the lines shown are what the sale holds, and add up to TOTAL.
    QCOMPARE(s.status(), told);
    const QStringList shown = CartLines(screen);
    QCOMPARE(shown.size(), deleting ? 2 : 4);
    QCOMPARE(screen->itemIndexes.size(), shown.size());
    QCOMPARE(screen->grandTotal, CartTotal(screen));
    QCOMPARE(total->text(), QLocale().toString(CartTotal(screen), 'f', 2));
    QCOMPARE(tax->text(), QLocale().toString(CartTax(screen), 'f', 2));
    const QStringList shownCells = CartCells(screen);
    QVERIFY(!shownCells.contains(QString()));

    // While the server stays away, the cart keeps them, also after the manager's next attempt to reach it.
    QCOMPARE(scan(), QStringLiteral("Could not retrieve data from inventory"));
    QTest::qWait(2100);
    QCOMPARE(scan(), QStringLiteral("Could not retrieve data from inventory"));
    TestSupport::Idle();
    QCOMPARE(CartCells(screen), shownCells);

    // Once it is back, the lines are read again, before any action of the till's: they were as stored.
    serverBack();
    TestSupport::Idle();
    const QStringList stored = rows(salesDb, storedLines.arg(sale));
    QCOMPARE(stored, shown);
    QCOMPARE(CartLines(screen), stored);

    // The till scans on.
    for (int i = 0; i < 20; ++i)
        QCOMPARE(scan(), QString());
    const QStringList lines = rows(salesDb, QStringLiteral("SELECT BAR_CODE, COUNT(*) FROM tblSalesInvoice WHERE "
                                                           "TRANSACTION_ID = %1 GROUP BY BAR_CODE ORDER BY BAR_CODE")
                                                .arg(sale));
    QCOMPARE(lines.size(), 2);
    const auto field = [](const QString& row, int i) { return row.section(QLatin1Char('|'), i, i).toInt(); };
    const int soldK1 = field(lines.at(0), 1);
    const int soldK2 = field(lines.at(1), 1);
    const int k2Left = field(stockBefore.at(1), 1) * 6 + field(stockBefore.at(1), 2) - soldK2 * 6;
    QCOMPARE(rows(inventoryDb, stockQuery),
             (QStringList{QStringLiteral("K1|%1|0").arg(field(stockBefore.at(0), 1) - soldK1),
                          QStringLiteral("K2|%1|%2").arg(k2Left / 6).arg(k2Left % 6)}));
    // Nothing stored twice, and the screen agrees with what was stored: its cart, totals and line numbers.
    QCOMPARE(rows(salesDb, QStringLiteral("SELECT COUNT(*), COUNT(DISTINCT ITEM_INDEX), SUM(SUB_TOTAL + SUB_TAX) "
                                          "FROM tblSalesInvoice WHERE TRANSACTION_ID = ")
                               + sale),
             QStringList{QStringLiteral("%1|%1|%2").arg(shown.size() + 20).arg(CartTotal(screen))});
    QCOMPARE(CartLines(screen), rows(salesDb, storedLines.arg(sale)));
    QCOMPARE(screen->grandTotal, CartTotal(screen));
    QCOMPARE(screen->itemIndexes.size(), shown.size() + 20);
}

// A screen opened while the server was down has never read the cart's columns, so it cannot show a line of its
// own making: a line written as the server goes away again is told as stored, and shown at the next action.
void TestPosServerKill::lineWrittenBeforeCartWasRead()
{
    QVERIFY(killServer());
    const PosFixture::Screen s(false);
    CPOS* screen = s.screen;
    QCOMPARE(screen->cartModel->columnCount(), 0);
    serverBack();

    bool killed = false;
    DatabaseHooks::RunAfterNextCommit(QStringLiteral("SALES_DB"), [&] { killed = killServer(); });
    s.scan(QStringLiteral("K1"));
    QVERIFY(killed);
    QCOMPARE(s.status(),
             QStringLiteral("The item was stored. The lines will be shown when the database server is back."));
    QCOMPARE(s.child("lineEditTotal")->text(), QStringLiteral("11.00"));

    serverBack();
    s.scan(QStringLiteral("K2"));
    QCOMPARE(s.status(), QString());
    const QStringList stored =
        rows(salesDb, QStringLiteral("SELECT * FROM tblSalesInvoice WHERE TRANSACTION_ID = %1 ORDER BY ID")
                          .arg(screen->transactionId));
    QCOMPARE(stored.size(), 2);
    QCOMPARE(CartLines(screen), stored);
    QCOMPARE(s.child("lineEditTotal")->text(), QStringLiteral("21.00"));
}

// A new sale while the server is down shows no line of the sale before, and none comes back with the server.
void TestPosServerKill::newSaleWhileServerDown()
{
    const PosFixture::Screen s(false);
    CPOS* screen = s.screen;
    s.scan(QStringLiteral("K1"));
    QCOMPARE(s.status(), QString());
    s.child("lineEditPaid")->setText(QStringLiteral("11.00"));
    QCOMPARE(screen->on_pushButtonPay_clicked(), 0);
    const int columns = screen->cartModel->columnCount();
    QVERIFY(columns > 0);

    QVERIFY(killServer());
    screen->on_pushNew_clicked();
    QCOMPARE(screen->cartModel->rowCount(), 0);
    QCOMPARE(screen->cartModel->columnCount(), columns);

    serverBack();
    TestSupport::Idle();
    QCOMPARE(screen->cartModel->rowCount(), 0);
    s.scan(QStringLiteral("K2"));
    QCOMPARE(s.status(), QString());
    QCOMPARE(rows(salesDb, QStringLiteral("SELECT COUNT(*) FROM tblSalesInvoice WHERE TRANSACTION_ID = ")
                               + screen->transactionId),
             QStringList{QStringLiteral("1")});
    QCOMPARE(screen->cartModel->rowCount(), 1);
}

VORANTEL_TEST_MAIN(TestPosServerKill)
#include "tst_posserverkill.moc"
