#include "cposbutton.h"
#include "modalanswerer.h"
#include "reportparameterdialog.h"
#include "serverkilltest.h"

#include <QDateTimeEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QTableView>

// Answers lost, reads refused and connections dropped while a till works: the program reaches the server through
// a proxy that does so at the statement named.
class TestPosServerKillLost : public ServerKillTest
{
    Q_OBJECT

private slots:
    void unconfirmedLineWrite_data();
    void unconfirmedLineWrite();
    void stockUpdateAnswerLost();
    void heldSaleLoadedWhileLinesUnread();
    void newSaleAfterSecondDrop();
    void cartReadRefused_data();
    void cartReadRefused();
    void holdAnswerLost_data();
    void holdAnswerLost();
    void headerWriteAnswerLost_data();
    void headerWriteAnswerLost();
    void saleScreenReadFails_data();
    void saleScreenReadFails();
    void lineWriteLostBeforeCommit_data();
    void lineWriteLostBeforeCommit();
};

using namespace ServerKill;

namespace {

const QString UNREACHABLE_REFUSAL =
    QStringLiteral("Not done: the database server cannot be reached to read the sale's lines.");
const QString NOT_CLOSED =
    QStringLiteral("Not closed: the lines are read once the server is back; press Close again.");

} // namespace

// A line write whose commit the server carried out but whose answer was lost: nothing may be paid or stored
// until the stored lines are read, and what is stored then is what they hold.
void TestPosServerKillLost::unconfirmedLineWrite_data()
{
    QTest::addColumn<int>("scansBefore");
    QTest::addColumn<bool>("savedBefore");
    QTest::addColumn<bool>("deleting"); // the first line, else a scan
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("passFirst"); // the lines read by the connection manager's pass, else by the action
    QTest::newRow("scan, pay due") << 3 << false << false << "pay due" << true;
    QTest::newRow("deletion, pay due") << 3 << false << true << "pay due" << true;
    QTest::newRow("first line, pay later") << 0 << false << false << "pay later" << false;
    QTest::newRow("first line, new sale") << 0 << false << false << "new sale" << false;
    // Read by the pass before closing: the close's question would let the pass read at a moment of its own.
    QTest::newRow("first line, close") << 0 << false << false << "close" << true;
    QTest::newRow("deletion, closing the window") << 3 << false << true << "window close" << true;
    QTest::newRow("deletion after a save, save") << 3 << true << true << "pay" << true;
}

void TestPosServerKillLost::unconfirmedLineWrite()
{
    QFETCH(int, scansBefore);
    QFETCH(bool, savedBefore);
    QFETCH(bool, deleting);
    QFETCH(QString, action);
    QFETCH(bool, passFirst);
    SqlProxy* p = throughProxy();
    ModalAnswerer answerer;
    const PosFixture::Screen s;
    CPOS* screen = s.screen;
    auto* paid = s.child("lineEditPaid");
    for (int i = 0; i < scansBefore; ++i) {
        s.scan(i % 2 ? QStringLiteral("K2") : QStringLiteral("K1"));
        QCOMPARE(s.status(), QString());
    }
    if (savedBefore) {
        paid->setText(QStringLiteral("1000"));
        QCOMPARE(screen->on_pushButtonPay_clicked(), 0);
    }
    if (!scansBefore)
        screen->on_pushNew_clicked();
    const QString sale = screen->transactionId;
    const QStringList header = rows(salesDb, HEADER.arg(sale));

    p->loseAnswer(QStringLiteral("^COMMIT$"), true);
    if (deleting) {
        auto* view = s.child<QTableView>("tableViewItems");
        view->setCurrentIndex(view->model()->index(0, COL_PRODUCT_NAME));
        screen->on_pushDeleteItem_clicked();
    } else {
        s.scan(QStringLiteral("K1"));
    }
    QCOMPARE(p->lostAnswers(), 1);
    QCOMPARE(WholeStatus(s), deleting
                                 ? QStringLiteral("The server did not confirm the deletion: the lines are read when it is back.")
                                 : QStringLiteral("The server did not confirm the item: the lines are read when it is back."));

    // While they cannot be read, the write counts as a change that pay (and what saves first) cannot store.
    const QStringList shown = CartLines(screen);
    const bool closing = action.contains(QLatin1String("close"));
    const auto close = [&] {
        answerer.pressButton(QMessageBox::Yes);
        if (action == QLatin1String("close"))
            screen->on_pushButtonClose_clicked();
        else
            s.host->close();
    };
    if (action == QLatin1String("new sale")) {
        screen->on_pushNew_clicked();
        QCOMPARE(screen->transactionId, sale);
        QCOMPARE(WholeStatus(s), UNREACHABLE_REFUSAL);
    } else if (closing) {
        // Closing is no failed save: the cashier is told when it can be done.
        close();
        QVERIFY(s.host->isVisible());
        QCOMPARE(WholeStatus(s), NOT_CLOSED);
    }
    QCOMPARE(screen->on_pushButtonPay_clicked(), 4);
    QCOMPARE(WholeStatus(s), UNREACHABLE_REFUSAL);
    QCOMPARE(CartLines(screen), shown);
    QCOMPARE(rows(salesDb, HEADER.arg(sale)), header);
    QCOMPARE(rows(salesDb, STORED_LINES.arg(sale)).size(), scansBefore + (deleting ? -1 : 1));

    const QString told = deleting ? QStringLiteral("K1 was deleted.") : QStringLiteral("K1 is in the sale.");
    p->setAway(false);
    if (passFirst) {
        // Once the server answers, the cart holds the stored lines, and TOTAL and SALES TAX are their sums.
        reconnectAndIdle();
        QCOMPARE(WholeStatus(s), told);
        QCOMPARE(Blink(s), QStringLiteral("green"));
        QCOMPARE(CartLines(screen), rows(salesDb, STORED_LINES.arg(sale)));
        QCOMPARE(s.child("lineEditTotal")->text(), QLocale().toString(CartTotal(screen), 'f', 2));
        QCOMPARE(s.child("lineEditTax")->text(), QLocale().toString(CartTax(screen), 'f', 2));
    } else {
        // Reopened, but the lists not read yet: the action reads the lines itself, tells what the server kept
        // and does nothing more; the cashier repeats it.
        ReopenedNotRead();
    }

    const auto act = [&] {
        if (action == QLatin1String("pay due"))
            paid->setText(QStringLiteral("0"));
        else if (action == QLatin1String("new sale") || closing)
            paid->setText(QStringLiteral("1000"));
        if (!closing)
            return Press(s, action);
        close();
        return 0;
    };
    if (!passFirst) {
        act();
        QCOMPARE(WholeStatus(s), told);
        QCOMPARE(screen->transactionId, sale);
        QCOMPARE(rows(salesDb, HEADER.arg(sale)), header);
    }
    if (action == QLatin1String("pay later"))
        answerer.handleClass<ReportParameterDialog>("ReportParameterDialog",
                                                    [](ReportParameterDialog* d) { d->ui->pushButton->click(); });
    QCOMPARE(act(), 0);
    if (action == QLatin1String("new sale"))
        QVERIFY(screen->transactionId != sale);
    if (closing)
        QVERIFY(!s.host->isVisible());
    QCOMPARE(answerer.pendingAnswers(), 0);
    // Saved, with the header's GRAND_TOTAL and TOTAL_TAX those of the stored lines.
    const QStringList saved = rows(salesDb, QStringLiteral("SELECT t.STATUS > -1, ROUND(t.GRAND_TOTAL, 2), "
                                                           "ROUND(t.TOTAL_TAX, 2) FROM tblSalesTransactions t WHERE t.ID = %1")
                                                .arg(sale));
    QCOMPARE(saved, rows(salesDb, QStringLiteral("SELECT 1, ROUND(SUM(SUB_TOTAL + SUB_TAX), 2), ROUND(SUM(SUB_TAX), 2) "
                                                 "FROM tblSalesInvoice WHERE TRANSACTION_ID = %1").arg(sale)));
}

// The stock update's answer lost: the whole write was rolled back, and the status line says so in the program's
// words, whole at a till's width.
void TestPosServerKillLost::stockUpdateAnswerLost()
{
    SqlProxy* p = throughProxy();
    const PosFixture::Screen s;
    s.scan(QStringLiteral("K2"));
    QCOMPARE(s.status(), QString());
    p->loseAnswer(QStringLiteral("UPDATE .*tblInventory"));
    s.scan(QStringLiteral("K2"));
    QCOMPARE(p->lostAnswers(), 1);
    QCOMPARE(WholeStatus(s), QStringLiteral("The item was not added: the database server cannot be reached."));
    QCOMPARE(rows(salesDb, QStringLiteral("SELECT COUNT(*) FROM tblSalesInvoice WHERE TRANSACTION_ID = ")
                               + s.screen->transactionId),
             QStringList{QStringLiteral("1")});
}

// A held sale taken up while its lines cannot be read: the status line says so, and the lines come once the
// server is back.
void TestPosServerKillLost::heldSaleLoadedWhileLinesUnread()
{
    SqlProxy* p = throughProxy();
    ModalAnswerer answerer;
    const PosFixture::Screen s;
    CPOS* screen = s.screen;
    s.scan(QStringLiteral("K1"));
    s.scan(QStringLiteral("K2"));
    const QString held = screen->transactionId;
    answerer.handleClass<ReportParameterDialog>("ReportParameterDialog",
                                                [](ReportParameterDialog* d) { d->ui->pushButton->click(); });
    screen->on_pushPayLater_clicked();
    QCOMPARE(answerer.pendingAnswers(), 0);
    CPosButton* button = nullptr;
    for (CPosButton* hold : s.child<QWidget>("scrollAreaPendingPaymentsContents")->findChildren<CPosButton*>())
        if (hold->GetCode() == held)
            button = hold;
    QVERIFY(button);

    p->loseAnswer(QStringLiteral("FROM tblSalesInvoice WHERE TRANSACTION_ID = %1$").arg(held), true);
    button->click();
    QCOMPARE(p->lostAnswers(), 1);
    QCOMPARE(screen->transactionId, held);
    QCOMPARE(WholeStatus(s), QStringLiteral("Pending payment opened. Its lines are read once the server is back."));
    QCOMPARE(screen->cartModel->rowCount(), 0);

    p->setAway(false);
    reconnectAndIdle();
    const QStringList stored = rows(salesDb, STORED_LINES.arg(held));
    QCOMPARE(stored.size(), 2);
    QCOMPARE(CartLines(screen), stored);
    QCOMPARE(s.child("lineEditTotal")->text(), QLocale().toString(CartTotal(screen), 'f', 2));
}

// The server drops, a request reopens the connection (holding the cart's statement) and it drops again before
// the lists are read: a new sale begun then never shows a line of the sale before.
void TestPosServerKillLost::newSaleAfterSecondDrop()
{
    SqlProxy* p = throughProxy();
    const PosFixture::Screen s(false);
    CPOS* screen = s.screen;
    s.scan(QStringLiteral("K1"));
    s.scan(QStringLiteral("K2"));
    s.child("lineEditPaid")->setText(QStringLiteral("1000"));
    QCOMPARE(screen->on_pushButtonPay_clicked(), 0);
    const QString paidSale = screen->transactionId;
    bool newSale = false;
    QStringList foreign;
    const auto watch = [&] {
        for (int row = 0; newSale && row < screen->cartModel->rowCount(); ++row)
            if (screen->cartModel->record(row).value(QStringLiteral("TRANSACTION_ID")).toString() == paidSale)
                foreign << LineText(screen->cartModel->record(row));
    };
    QObject::connect(screen->cartModel, &QAbstractItemModel::modelReset, screen, watch);
    QObject::connect(screen->cartModel, &QAbstractItemModel::rowsInserted, screen, watch);

    p->setAway(true);
    p->setAway(false);
    DatabaseManager* manager = DatabaseManager::Instance();
    QVERIFY((manager->SalesDatabase(), manager->salesOpen));
    p->setAway(true);
    TestSupport::Idle();
    newSale = true;
    screen->on_pushNew_clicked();
    QCOMPARE(screen->cartModel->rowCount(), 0);

    p->setAway(false);
    reconnectAndIdle();
    QCOMPARE(screen->cartModel->rowCount(), 0);
    s.scan(QStringLiteral("K1"));
    QCOMPARE(s.status(), QString());
    QCOMPARE(screen->cartModel->rowCount(), 1);
    QVERIFY2(foreign.isEmpty(), qPrintable(foreign.join(QLatin1Char('\n'))));
}

// A read of the cart that the server refuses while it is up is told with the server's words, and the cart keeps
// what it shows.
void TestPosServerKillLost::cartReadRefused_data()
{
    QTest::addColumn<bool>("unconfirmed"); // the refused read is the check an action makes after an unconfirmed scan
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("told");
    QTest::newRow("after a scan") << false << "scan" << "The item was stored. The lines could not be read again: ";
    QTest::newRow("before pay, after an unconfirmed scan")
        << true << "pay" << "Not done: the sale's lines could not be read: ";
    QTest::newRow("Delete Item, after an unconfirmed scan")
        << true << "delete item" << "Not done: the sale's lines could not be read: ";
    QTest::newRow("scan, after an unconfirmed scan") << true << "scan" << "Not done: the sale's lines could not be read: ";
    QTest::newRow("Close, after an unconfirmed scan")
        << true << "close" << "Not done: the sale's lines could not be read: ";
}

void TestPosServerKillLost::cartReadRefused()
{
    QFETCH(bool, unconfirmed);
    QFETCH(QString, action);
    QFETCH(QString, told);
    SqlProxy* p = throughProxy();
    const PosFixture::Screen s(false);
    CPOS* screen = s.screen;
    s.scan(QStringLiteral("K1"));
    const QString reason = QStringLiteral("the cart is being counted");
    if (unconfirmed) {
        p->loseAnswer(QStringLiteral("^COMMIT$"));
        s.scan(QStringLiteral("K2"));
        QCOMPARE(p->lostAnswers(), 1);
    }
    const QStringList shown = CartLines(screen);
    p->refuse(QStringLiteral("FROM tblSalesInvoice WHERE TRANSACTION_ID"), reason);
    if (action == QLatin1String("pay")) {
        s.child("lineEditPaid")->setText(QStringLiteral("1000"));
        QCOMPARE(screen->on_pushButtonPay_clicked(), 4);
    } else if (action == QLatin1String("delete item")) {
        auto* view = s.child<QTableView>("tableViewItems");
        view->setCurrentIndex(screen->cartModel->index(0, COL_PRODUCT_NAME));
        screen->on_pushDeleteItem_clicked();
    } else if (action == QLatin1String("close")) {
        ModalAnswerer answerer;
        answerer.pressButton(QMessageBox::Yes);
        screen->on_pushButtonClose_clicked();
        QVERIFY(s.host);
    } else {
        s.scan(QStringLiteral("K2"));
    }
    QVERIFY(p->refusedStatements() > 0);
    QVERIFY2(s.status().startsWith(told + reason), qPrintable(s.status()));
    if (unconfirmed)
        QCOMPARE(CartLines(screen), shown);
    else
        QCOMPARE(screen->cartModel->rowCount(), 2);
}

// A hold whose COMMIT's answer was lost may have been stored; the cashier is told so. The next action on the sale,
// once the server is back, looks the hold up first and does nothing more: a stored hold goes on as held (its button,
// then a new sale), so the sale is never both paid and held; a hold not stored leaves the sale to be held or paid as
// usual. While the server stays away the action stops, and the next one looks again. Either way the hold's number is
// not offered again.
void TestPosServerKillLost::holdAnswerLost_data()
{
    QTest::addColumn<bool>("reached"); // the server carried the COMMIT out
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("savedFirst"); // the sale saved (unpaid) before Pay Later, so unchanged until the hold
    QTest::addColumn<bool>("refused");    // the first look-up refused by the server, not unreachable
    QTest::addColumn<QString>("whileAway"); // told while the server stays away, or refuses the look-up
    QTest::addColumn<QString>("told");    // once the look-up is answered
    const QString stored = QStringLiteral("The hold was stored: the sale is under Pending Payments.");
    const QString notStored = QStringLiteral("The hold was not stored: press Pay Later again, or pay the sale.");
    const QString away = QStringLiteral("Not done: the database server cannot be reached to find the hold.");
    QTest::newRow("answer lost, Pay Later again") << true << "pay later" << false << false << away << stored;
    QTest::newRow("answer lost, pay due") << true << "pay due" << false << false << away << stored;
    QTest::newRow("answer lost, look-up refused, pay due")
        << true << "pay due" << false << true << "Not done: the sale's hold could not be read: the reason given" << stored;
    QTest::newRow("answer lost, Delete Item") << true << "delete item" << false << false << away << stored;
    QTest::newRow("answer lost after a save, New Sale") << true << "new sale" << true << false << away << stored;
    QTest::newRow("commit lost, pay due") << false << "pay due" << false << false << away << notStored;
    // The item is looked up before the hold: while the server is away, that look-up says so.
    const QString noStock = QStringLiteral("Could not retrieve data from inventory");
    // Both texts whole are wider than the line: said briefly.
    QTest::newRow("answer lost, scan")
        << true << "scan" << false << false << noStock << "Held under Pending Payments. K2 not rung up: scan again.";
    QTest::newRow("commit lost, scan")
        << false << "scan" << false << false << noStock << "Not held: Pay Later again, or pay. K2 not rung up: scan again.";
    QTest::newRow("answer lost, look-up refused, scan")
        << true << "scan" << false << true << "Not done: the sale's hold could not be read: the reason given"
        << "Held under Pending Payments. K2 not rung up: scan again.";
}

void TestPosServerKillLost::holdAnswerLost()
{
    QFETCH(bool, reached);
    QFETCH(QString, action);
    QFETCH(bool, savedFirst);
    QFETCH(bool, refused);
    QFETCH(QString, whileAway);
    QFETCH(QString, told);
    const bool scanning = action == QLatin1String("scan");
    // Taken to its reorder level by one scan: the held sale orders it once, as a stored hold does.
    static int cases = 0;
    const QString reordered = QStringLiteral("H%1").arg(++cases);
    QCOMPARE(PosFixture::AddStock(inventoryDb, reordered, {{"QUANTITY", 6}, {"REORDER_LEVEL", 5}}), QString());
    const QString ordered = QStringLiteral("SELECT COUNT(*) FROM tblPODetails");
    const QStringList orders = rows(inventoryDb, ordered);
    SqlProxy* p = throughProxy();
    ModalAnswerer answerer;
    const PosFixture::Screen s;
    CPOS* screen = s.screen;
    s.scan(reordered);
    s.scan(QStringLiteral("K2"));
    const QString sale = screen->transactionId;
    const auto holdsOf = [this](const QString& id) {
        return rows(salesDb,
                    QStringLiteral("SELECT BUTTON_INDEX, PAYMENT_NAME FROM tblPendingPayments WHERE TRANSACTION_ID = ") + id);
    };
    QString offered;
    const auto nameIt = [&](const QString& name) {
        answerer.handleClass<ReportParameterDialog>("ReportParameterDialog", [name, &offered](ReportParameterDialog* d) {
            offered = d->ui->lineEditValue->text();
            d->ui->lineEditValue->setText(name);
            d->ui->pushButton->click();
        });
    };
    // Earlier cases' held sales stay held: the numbers go on from theirs.
    int number = 1;
    for (const PendingPayment& hold : qAsConst(screen->pendingButtons))
        number = qMax(number, hold.buttonIndex + 1);
    if (savedFirst) {
        answerer.pressButton(QMessageBox::Yes);
        QCOMPARE(screen->on_pushButtonPay_clicked(), 0);
    }

    if (reached)
        p->loseAnswer(QStringLiteral("^COMMIT$"), true);
    else
        p->loseStatement(QStringLiteral("^COMMIT$"), true);
    nameIt(QStringLiteral("Table 4"));
    screen->on_pushPayLater_clicked();
    QCOMPARE(p->lostAnswers(), 1);
    QCOMPARE(WholeStatus(s), QStringLiteral("The server did not confirm the hold: press Pay Later again once it is back."));
    QCOMPARE(screen->transactionId, sale);
    const QStringList held = holdsOf(sale);
    QCOMPARE(held, reached ? QStringList{QStringLiteral("%1|Table 4").arg(number)} : QStringList());
    const QStringList header = rows(salesDb, HEADER.arg(sale));
    const int seen = answerer.seen.size();

    // Each outcome shows for its own time, not cut short by the grey phase of the text before it.
    const auto pressAfterGreyPhase = [&] {
        screen->OnStatusWatchDogTimeout();
        Press(s, action);
        return !screen->statusShowTimer->isActive();
    };
    if (refused) {
        p->setAway(false);
        ReopenedNotRead();
        p->refuse(QStringLiteral("^SELECT BUTTON_INDEX"), QStringLiteral("the reason given"));
    }
    QCOMPARE(pressAfterGreyPhase(), whileAway.startsWith(QLatin1String("Not done")));
    QCOMPARE(WholeStatus(s), whileAway);
    QCOMPARE(screen->transactionId, sale);

    p->clear();
    ReopenedNotRead();
    QVERIFY(pressAfterGreyPhase());
    QCOMPARE(answerer.seen.size(), seen);
    QCOMPARE(rows(salesDb, HEADER.arg(sale)), header);
    QCOMPARE(holdsOf(sale), held);
    QStringList captions;
    for (CPosButton* button : s.child<QWidget>("scrollAreaPendingPaymentsContents")->findChildren<CPosButton*>())
        if (button->GetCode() == sale)
            captions << button->text();
    QCOMPARE(WholeStatus(s), told);
    QCOMPARE(Blink(s), reached ? QStringLiteral("green") : QStringLiteral("red"));
    QCOMPARE(screen->transactionId != sale, reached);
    QCOMPARE(captions, reached ? QStringList{QStringLiteral("Table 4")} : QStringList());
    // The item waits for the cashier: rung up neither on the held sale nor on the next.
    const QString k2Lines = QStringLiteral("SELECT COUNT(*) FROM tblSalesInvoice WHERE BAR_CODE = 'K2' AND "
                                           "TRANSACTION_ID IN (%1, %2)").arg(sale, screen->transactionId);
    QCOMPARE(rows(salesDb, k2Lines), QStringList{QStringLiteral("1")});
    if (!reached) {
        if (scanning) {
            Press(s, action);
            QCOMPARE(rows(salesDb, k2Lines), QStringList{QStringLiteral("2")});
            Press(s, QStringLiteral("pay due"));
        } else {
            Press(s, action);
        }
        QCOMPARE(rows(salesDb, QStringLiteral("SELECT STATUS FROM tblSalesTransactions WHERE ID = ") + sale),
                 QStringList{QStringLiteral("2")});
        QCOMPARE(holdsOf(sale), QStringList());
    }
    QCOMPARE(rows(inventoryDb, ordered), QStringList{QString::number(orders.value(0).toInt() + 1)});

    // A sale held already (as a database from before may hold one): Pay Later keeps that row, without a second.
    s.scan(QStringLiteral("K1"));
    const QString next = screen->transactionId;
    QCOMPARE(rows(salesDb, QStringLiteral("INSERT INTO tblPendingPayments (TRANSACTION_ID, BUTTON_INDEX, PAYMENT_NAME) "
                                          "VALUES (%1, 90, 'Kept')").arg(next)),
             QStringList());
    nameIt(QStringLiteral("Table 6"));
    screen->on_pushPayLater_clicked();
    QCOMPARE(offered, QStringLiteral("Payment_%1").arg(number + 1));
    QCOMPARE(holdsOf(next), QStringList{QStringLiteral("90|Kept")});
}

const QString HEADER_UNCONFIRMED =
    QStringLiteral("The server did not confirm the save: saving again stores the same values.");

// A header write whose COMMIT's answer was lost, from each action that writes it: the cashier is told so, the sale
// stays changed on screen, and saving once the server is back stores what the server kept from the first write.
void TestPosServerKillLost::headerWriteAnswerLost_data()
{
    QTest::addColumn<bool>("invoice");
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("refused"); // the COMMIT refused by the server, not lost
    QTest::newRow("pay") << false << "pay" << false;
    QTest::newRow("pay due") << false << "pay due" << false;
    QTest::newRow("quick pay") << false << "quick pay" << false;
    QTest::newRow("Enter in PAID") << false << "enter" << false;
    QTest::newRow("New Sale") << false << "new sale" << false;
    QTest::newRow("mode switch") << false << "mode switch" << false;
    QTest::newRow("closing") << false << "close" << false;
    QTest::newRow("a held sale's button") << false << "held sale" << false;
    QTest::newRow("Save Invoice") << true << "save invoice" << false;
    QTest::newRow("mode switch, invoice") << true << "mode switch" << false;
    QTest::newRow("pay, COMMIT refused") << false << "pay" << true;
}

void TestPosServerKillLost::headerWriteAnswerLost()
{
    QFETCH(bool, invoice);
    QFETCH(QString, action);
    QFETCH(bool, refused);
    QSettings* store = AppSettings::Instance()->settings;
    store->setValue(QStringLiteral("POS_MODE"), invoice ? 0 : 1);
    const auto receiptModeBack = qScopeGuard([store] { store->setValue(QStringLiteral("POS_MODE"), 1); });
    SqlProxy* p = throughProxy();
    ModalAnswerer answerer;
    const PosFixture::Screen s;
    CPOS* screen = s.screen;
    CPosButton* held = nullptr;
    if (action == QLatin1String("held sale")) {
        s.scan(QStringLiteral("K2"));
        answerer.handleClass<ReportParameterDialog>("ReportParameterDialog",
                                                    [](ReportParameterDialog* d) { d->ui->pushButton->click(); });
        screen->on_pushPayLater_clicked();
        held = s.child<QWidget>("scrollAreaPendingPaymentsContents")->findChild<CPosButton*>();
        QVERIFY(held);
    }
    s.scan(QStringLiteral("K1"));
    s.scan(QStringLiteral("K2"));
    QCOMPARE(s.status(), QString());
    const QString sale = screen->transactionId;
    screen->quickPayAmounts[1] = QStringLiteral("1000.00");
    s.child("lineEditPaid")->setText(action == QLatin1String("pay due") ? QStringLiteral("0") : QStringLiteral("1000.00"));
    // Saving again must send the stamp the first write sent, not the time it is done.
    s.child<QDateTimeEdit>(invoice ? "dateTimeInvoiceTimeStamp" : "dateTimeReceiptTimeStamp")
        ->setDateTime(QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5)));

    if (refused)
        p->refuse(QStringLiteral("^COMMIT$"), QStringLiteral("Got error 28 during COMMIT"), 1180, "HY000");
    else
        p->loseAnswer(QStringLiteral("^COMMIT$"), true);
    if (action == QLatin1String("enter")) {
        CPOS::paidEnterCount = 0;
        screen->on_lineEditPaid_returnPressed();
    } else if (action == QLatin1String("mode switch")) {
        s.child<QPushButton>("pushInvoiceMode")->setChecked(!invoice);
    } else if (action == QLatin1String("close")) {
        answerer.pressButton(QMessageBox::Yes);
        screen->on_pushButtonClose_clicked();
    } else if (action == QLatin1String("held sale")) {
        held->click();
    } else {
        QCOMPARE(Press(s, action), action == QLatin1String("pay") ? 4 : 0);
    }
    QCOMPARE(p->lostAnswers() + p->refusedStatements(), 1);
    QCOMPARE(answerer.pendingAnswers(), 0);
    QCOMPARE(WholeStatus(s),
             refused ? QStringLiteral("Error occurred while logging payment information") : HEADER_UNCONFIRMED);
    QVERIFY(s.host && s.host->isVisible());
    QCOMPARE(screen->transactionId, sale);
    QCOMPARE(s.child<QPushButton>("pushInvoiceMode")->isChecked(), invoice);
    QVERIFY(screen->changedSinceSave);
    // The server carried the write out, unless it refused it.
    const QString header = HEADER.arg(sale);
    const QStringList stored = rows(salesDb, header);
    QCOMPARE(rows(salesDb, QStringLiteral("SELECT STATUS FROM tblSalesTransactions WHERE ID = ") + sale),
             QStringList{refused ? QStringLiteral("-1") : QStringLiteral("2")});

    p->clear();
    DatabaseManager* manager = DatabaseManager::Instance();
    QTRY_VERIFY_WITH_TIMEOUT((manager->SalesDatabase(), manager->salesOpen), 20000);
    if (invoice) {
        screen->on_pushSaveInvoice_clicked();
        QCOMPARE(s.status(), QStringLiteral("Invoice saved."));
    } else {
        QCOMPARE(screen->on_pushButtonPay_clicked(), 0);
        QCOMPARE(s.status(), QStringLiteral("Paid successfully and saved."));
    }
    if (!refused)
        QCOMPARE(rows(salesDb, header), stored);
}

// A sale-screen read that fails: the check that a chosen stored sale exists (Search Receipt, Invoice Search, Open
// in POS) and the stock read of an automatic purchase order after pay. A lost connection is told in the program's
// words, a refusal with the server's, not the driver's.
void TestPosServerKillLost::saleScreenReadFails_data()
{
    QTest::addColumn<QString>("statement"); // the read that fails
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QString>("told");      // %1: the sale
    const QString storedSale = QStringLiteral("SELECT ID FROM tblSalesTransactions WHERE ID");
    const QString orderStock = QStringLiteral("SELECT i.VENDOR_ID, p.NAME");
    QTest::newRow("stored sale, connection lost")
        << storedSale << false << "Sale %1 could not be read: the database server cannot be reached.";
    QTest::newRow("stored sale, refused") << storedSale << true << "Stored sale %1 could not be read: the reason given";
    QTest::newRow("purchase order, connection lost")
        << orderStock << false << "Purchase order not generated: the database server cannot be reached.";
    QTest::newRow("purchase order, refused")
        << orderStock << true << "Error occurred while generating purchase order. the reason given";
}

void TestPosServerKillLost::saleScreenReadFails()
{
    QFETCH(QString, statement);
    QFETCH(bool, refused);
    QFETCH(QString, told);
    const bool ordering = statement.contains(QLatin1String("p.NAME"));
    // Taken to its reorder level by one scan.
    const QString code = refused ? QStringLiteral("R2") : QStringLiteral("R1");
    if (ordering)
        QCOMPARE(PosFixture::AddStock(inventoryDb, code, {{"QUANTITY", 6}, {"REORDER_LEVEL", 5}}), QString());
    SqlProxy* p = throughProxy();
    const PosFixture::Screen s;
    CPOS* screen = s.screen;
    s.scan(ordering ? code : QStringLiteral("K1"));
    QCOMPARE(s.status(), QString());
    const QString sale = screen->transactionId;
    s.child("lineEditPaid")->setText(QStringLiteral("1000"));
    const auto failTheRead = [&] {
        if (refused)
            p->refuse(statement, QStringLiteral("the reason given"));
        else
            p->loseAnswer(statement);
    };
    if (ordering)
        failTheRead();
    QCOMPARE(screen->on_pushButtonPay_clicked(), 0);
    if (!ordering) {
        screen->on_pushNew_clicked();
        failTheRead();
        screen->OpenSale(sale, false);
        QVERIFY(screen->transactionId != sale);
    }
    QCOMPARE(p->lostAnswers() + p->refusedStatements(), 1);
    if (told.contains(QLatin1String("%1")))
        told = told.arg(sale);
    const QString shown = WholeStatus(s);
    QCOMPARE(shown, told);
    QVERIFY2(!shown.contains(QLatin1String("QMYSQL")), qPrintable(shown));
}

// A line write whose connection is lost before its COMMIT stored nothing, and says so in the program's words.
void TestPosServerKillLost::lineWriteLostBeforeCommit_data()
{
    QTest::addColumn<QString>("statement"); // whose answer is lost
    QTest::addColumn<bool>("refused");      // by the server instead
    QTest::addColumn<bool>("deleting");
    QTest::addColumn<QString>("told");
    const QString notAdded = QStringLiteral("The item was not added: the database server cannot be reached.");
    QTest::newRow("deletion") << "DELETE FROM .*tblSalesInvoice" << false << true
                              << "The item was not deleted: the database server cannot be reached.";
    QTest::newRow("stock lock") << "FOR UPDATE$" << false << false << notAdded;
    QTest::newRow("BEGIN") << "^BEGIN WORK$" << false << false << notAdded;
    QTest::newRow("line refused")
        << "INSERT INTO .*tblSalesInvoice" << true << false
        << "Error occurred while logging transaction. Please check sales database connection.";
}

// Nothing was stored, and the cashier knows it: what was typed for the item stays for the scan again.
void TestPosServerKillLost::lineWriteLostBeforeCommit()
{
    QFETCH(QString, statement);
    QFETCH(bool, refused);
    QFETCH(bool, deleting);
    QFETCH(QString, told);
    SqlProxy* p = throughProxy();
    const PosFixture::Screen s;
    CPOS* screen = s.screen;
    s.scan(QStringLiteral("K1"));
    s.scan(QStringLiteral("K2"));
    const QStringList stored = rows(salesDb, STORED_LINES.arg(screen->transactionId));
    QCOMPARE(stored.size(), 2);
    const QString stock = PosFixture::Stock(inventoryDb, QStringLiteral("K1"));

    if (refused)
        p->refuse(statement, QStringLiteral("only 2 left"));
    else
        p->loseAnswer(statement);
    s.child("lineEditItems")->setText(QStringLiteral("3"));
    s.child("lineEditDiscount")->setText(QStringLiteral("10"));
    if (deleting) {
        auto* view = s.child<QTableView>("tableViewItems");
        view->setCurrentIndex(view->model()->index(0, COL_PRODUCT_NAME));
        screen->on_pushDeleteItem_clicked();
    } else {
        s.scan(QStringLiteral("K1"));
    }
    QCOMPARE(p->lostAnswers() + p->refusedStatements(), 1);
    // The Part's own text for a refusal is wider than a till's status line.
    QCOMPARE(refused ? s.status() : WholeStatus(s), told);
    QCOMPARE(s.child("lineEditItems")->text(), QStringLiteral("3"));
    QCOMPARE(s.child("lineEditDiscount")->text(), QStringLiteral("10"));
    QCOMPARE(rows(salesDb, STORED_LINES.arg(screen->transactionId)), stored);
    QCOMPARE(PosFixture::Stock(inventoryDb, QStringLiteral("K1")), stock);
}

VORANTEL_TEST_MAIN(TestPosServerKillLost)
#include "tst_posserverkill_lost.moc"
