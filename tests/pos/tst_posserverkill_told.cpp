#include "cposbutton.h"
#include "modalanswerer.h"
#include "pdfreader.h"
#include "portowner.h"
#include "reportparameterdialog.h"
#include "serverkilltest.h"
#include "urlrecorder.h"

#include <QDateTimeEdit>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTableView>

#include <pwd.h>
#include <unistd.h>

#include <utility>

// What the server kept after a lost answer, told and shown before anything goes on; and why an action reached no
// server. The program reaches the server through a proxy that loses the answer named.
class TestPosServerKillTold : public ServerKillTest
{
    Q_OBJECT

private slots:
    void actionAfterUnconfirmedLine_data();
    void actionAfterUnconfirmedLine();
    void loadedSaleReadLateStaysAsStored_data();
    void loadedSaleReadLateStaysAsStored();
    void nextScanAfterUnconfirmedScan_data();
    void nextScanAfterUnconfirmedScan();
    void unreadLinesOfALongSaleReadWhole();
    void deleteAgainAfterUnconfirmedDeletion_data();
    void deleteAgainAfterUnconfirmedDeletion();
    void actionOnHeldPort_data();
    void actionOnHeldPort();
    void closeOnHeldPort_data();
    void closeOnHeldPort();
    void tapUnderLongStatus_data();
    void tapUnderLongStatus();

private:
    // The step's own user on the private server, reached through a new proxy.
    SqlProxy* throughProxyAsStepUser();
};

using namespace ServerKill;

namespace {

// "TOTAL|TAX" of the stored lines, as the header stores them.
const QString STORED_SUMS = QStringLiteral("SELECT ROUND(SUM(SUB_TOTAL + SUB_TAX), 2), ROUND(SUM(SUB_TAX), 2) FROM "
                                           "tblSalesInvoice WHERE TRANSACTION_ID = %1");

QString DataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

// The total of STORED_SUMS as the TOTAL field shows it.
QString TotalText(const QStringList& sums)
{
    return QLocale().toString(sums.value(0).section(QLatin1Char('|'), 0, 0).toDouble(), 'f', 2);
}

int Count(const QString& text, const QString& word)
{
    return text.count(QRegularExpression(QStringLiteral("\\b%1\\b").arg(word)));
}

const QString LONGEST_NAME =
    QStringLiteral("Sparkling mineral water with lemon and lime, glass bottle of one litre, crate of twelve, "
                   "deposit included, from the springs of the northern hills");

// Products named apart from their codes: one whose name is wider than the cart's caption, so that fitting the
// columns shows, one whose name is as long as a product's can be, and two of ordinary names.
QString NamedStock(const QString& inventoryDb)
{
    static bool stocked = false;
    const QList<QPair<const char*, const char*>> products{
        {"L3", "A product with a rather long name"}, {"L4", nullptr}, {"N1", "Jasmine rice"},
        {"N2", "Rye crispbread, family pack"}, {"D1", "Delta Original Cough Syrup"},
        {"D2", "Delta Strong Floor Cleaner Pack of 3"}};
    QString error;
    for (int i = 0; i < products.size() && !stocked && error.isEmpty(); ++i) {
        const QString name = products.at(i).second ? QLatin1String(products.at(i).second) : LONGEST_NAME;
        error = PosFixture::AddStock(inventoryDb, QLatin1String(products.at(i).first),
                                     {{"QUANTITY", 100000}, {"NAME", name}});
    }
    QSqlDatabase::removeDatabase(QStringLiteral("pos_stock_writer"));
    stocked = error.isEmpty();
    return error;
}

QString Whole(const QString& text)
{
    return QRegularExpression::anchoredPattern(QRegularExpression::escape(text));
}

// The cart's columns as a load fits them.
bool CartFitted(QTableView* view)
{
    QList<int> widths;
    for (int column = 0; column < view->model()->columnCount(); ++column)
        widths << view->columnWidth(column);
    view->resizeColumnsToContents();
    for (int column = 0; column < view->model()->columnCount(); ++column)
        if (widths.at(column) != view->columnWidth(column))
            return false;
    return true;
}

} // namespace

// A line's commit answer lost, the server back and the lines not read yet: each action that uses the totals or a
// line reads them first, tells what the server kept and does nothing more; repeated, it works on the stored lines.
void TestPosServerKillTold::actionAfterUnconfirmedLine_data()
{
    QTest::addColumn<QString>("action");
    for (const char* action :
         {"quick pay", "pay due", "pay", "pay later", "save invoice", "print", "pdf", "e-mail", "delete item", "scan"})
        QTest::newRow(action) << QString::fromLatin1(action);
}

void TestPosServerKillTold::actionAfterUnconfirmedLine()
{
    QFETCH(QString, action);
    QCOMPARE(NamedStock(inventoryDb), QString());
    QSettings* store = AppSettings::Instance()->settings;
    store->setValue(QStringLiteral("ctrl_plus_one"), QStringLiteral("1000.00"));
    store->setValue(QStringLiteral("POS_MODE"), action == QLatin1String("save invoice") ? 0 : 1);
    PosFixture::SilenceAndLogIn({QStringLiteral("err_msg_1"), QStringLiteral("err_msg_46")});
    QDir(DataFolder()).removeRecursively();
    QDir().mkpath(DataFolder());
    SqlProxy* p = throughProxy();
    ModalAnswerer answerer;
    UrlRecorder urls;
    const PosFixture::Screen s;
    CPOS* screen = s.screen;
    store->setValue(QStringLiteral("POS_MODE"), 1);
    for (const char* code : {"K1", "K2", "K1"})
        s.scan(QLatin1String(code));
    QCOMPARE(s.status(), QString());
    screen->selectedCustomer = {QStringLiteral("7"), QStringLiteral("Ada Byron"), QString(),
                                QStringLiteral("ada@example.com"), QString()};
    auto* view = s.child<QTableView>("tableViewItems");
    view->setCurrentIndex(screen->cartModel->index(0, COL_PRODUCT_NAME));
    const QVariant selected = screen->cartModel->record(0).value(QStringLiteral("ID"));
    const QString sale = screen->transactionId;
    const QStringList header = rows(salesDb, HEADER.arg(sale));

    p->loseAnswer(QStringLiteral("^COMMIT$"), true);
    s.scan(QStringLiteral("L3"));
    QCOMPARE(p->lostAnswers(), 1);
    p->setAway(false);
    ReopenedNotRead();
    QCOMPARE(screen->cartModel->rowCount(), 3);

    auto* paid = s.child("lineEditPaid");
    const QString paidBefore = paid->text();
    const auto act = [&] { Press(s, action); };
    act();
    // Told, and shown as stored; nothing stored, printed or asked.
    QString told = Whole(QStringLiteral("A product with a rather long name is in the sale."));
    if (action == QLatin1String("delete item"))
        told = Whole(QStringLiteral("A product with a rather long name is in the sale. Press Delete Item again."));
    else if (action == QLatin1String("scan"))
        told = Whole(QStringLiteral("A product with a rather long name in sale. K2 not rung up: scan again."));
    const QString shown = WholeStatus(s);
    QVERIFY2(QRegularExpression(told).match(shown).hasMatch(), qPrintable(shown));
    const QStringList stored = rows(salesDb, STORED_LINES.arg(sale));
    QCOMPARE(stored.size(), 4);
    QCOMPARE(CartLines(screen), stored);
    const QStringList sums = rows(salesDb, STORED_SUMS.arg(sale));
    QCOMPARE(s.child("lineEditTotal")->text(), TotalText(sums));
    QCOMPARE(paid->text(), paidBefore);
    QCOMPARE(rows(salesDb, HEADER.arg(sale)), header);
    QCOMPARE(urls.urls, QList<QUrl>());
    QVERIFY(answerer.seen.isEmpty());
    QVERIFY(CartFitted(view));

    if (action == QLatin1String("delete item")) {
        QCOMPARE(screen->cartModel->record(view->currentIndex().row()).value(QStringLiteral("ID")), selected);
        act();
        QCOMPARE(rows(salesDb, STORED_LINES.arg(sale)).size(), 3);
        QCOMPARE(rows(salesDb, QStringLiteral("SELECT COUNT(*) FROM tblSalesInvoice WHERE ID = %1").arg(selected.toString())),
                 QStringList{QStringLiteral("0")});
        QCOMPARE(s.child("lineEditTotal")->text(), TotalText(rows(salesDb, STORED_SUMS.arg(sale))));
        return;
    }
    if (action == QLatin1String("scan")) {
        act();
        QCOMPARE(s.status(), QString());
        QCOMPARE(rows(salesDb, QStringLiteral("SELECT ITEM_INDEX, BAR_CODE FROM tblSalesInvoice WHERE TRANSACTION_ID = "
                                              "%1 ORDER BY ID DESC LIMIT 1").arg(sale)),
                 QStringList{QStringLiteral("5|K2")});
        return;
    }
    if (action == QLatin1String("pay later"))
        answerer.handleClass<ReportParameterDialog>("ReportParameterDialog",
                                                    [](ReportParameterDialog* d) { d->ui->pushButton->click(); });
    if (action == QLatin1String("pay"))
        paid->setText(QStringLiteral("1000"));
    act();
    QCOMPARE(answerer.pendingAnswers(), 0);
    if (action == QLatin1String("print") || action == QLatin1String("pdf") || action == QLatin1String("e-mail")) {
        QString pdf = DataFolder() + QStringLiteral("/pdf_print.pdf");
        if (action == QLatin1String("e-mail")) {
            const QStringList files =
                QDir(DataFolder()).entryList({QStringLiteral("Receipt_%1_*.pdf").arg(sale)}, QDir::Files);
            QCOMPARE(files.size(), 1);
            pdf = DataFolder() + QLatin1Char('/') + files.first();
        }
        QCOMPARE(urls.urls.size(), 1);
        // The document shows the stored lines and their total.
        const QString text = PdfReader::Text(pdf);
        QVERIFY2(Count(text, QStringLiteral("K1")) == 2 && Count(text, QStringLiteral("K2")) == 1
                     && text.contains(QLatin1String("A product with a rather long name")),
                 qPrintable(text));
        QVERIFY2(text.contains(TotalText(sums)), qPrintable(text));
        return;
    }
    // Stored with the stored lines' totals, and the paid amount of the action.
    QString paidStored = QStringLiteral("0");
    if (action == QLatin1String("quick pay") || action == QLatin1String("pay"))
        paidStored = QStringLiteral("1000");
    else if (action == QLatin1String("pay due"))
        paidStored = sums.value(0).section(QLatin1Char('|'), 0, 0);
    QCOMPARE(rows(salesDb, QStringLiteral("SELECT ROUND(GRAND_TOTAL, 2), ROUND(TOTAL_TAX, 2), ROUND(PAID, 2) FROM "
                                          "tblSalesTransactions WHERE ID = %1").arg(sale)),
             QStringList{sums.value(0) + QLatin1Char('|') + paidStored});
    if (action == QLatin1String("pay later"))
        QCOMPARE(rows(salesDb, QStringLiteral("SELECT COUNT(*) FROM tblPendingPayments WHERE TRANSACTION_ID = %1").arg(sale)),
                 QStringList{QStringLiteral("1")});
}

// A stored receipt or a held sale opened while the answer to its lines' read is lost: once read, by the pass or an
// action's check, the cart, line numbers and column widths are the stored lines', and the sale is no more changed
// than one read at opening: New Sale stores nothing and asks nothing. A write of its own whose answer was lost
// changes its header's amounts by the line's, when the server kept it.
void TestPosServerKillTold::loadedSaleReadLateStaysAsStored_data()
{
    QTest::addColumn<bool>("held");
    QTest::addColumn<bool>("byPass"); // else by Delete Item's check
    QTest::addColumn<QString>("write"); // the sale's own write whose answer is lost, after its lines were read
    QTest::addColumn<bool>("toldBefore"); // the screen told what the server kept of a write of an earlier sale
    QTest::newRow("stored receipt, by the pass") << false << true << "" << false;
    QTest::newRow("stored receipt, by a check") << false << false << "" << false;
    QTest::newRow("held sale, by the pass") << true << true << "" << false;
    QTest::newRow("held sale, by a check") << true << false << "" << false;
    QTest::newRow("stored receipt, by a check, after an outcome") << false << false << "" << true;
    QTest::newRow("stored receipt, unconfirmed scan") << false << true << "scan" << false;
    QTest::newRow("held sale, unconfirmed deletion") << true << false << "deletion" << false;
}

void TestPosServerKillTold::loadedSaleReadLateStaysAsStored()
{
    QFETCH(bool, held);
    QFETCH(bool, byPass);
    QFETCH(QString, write);
    QFETCH(bool, toldBefore);
    QCOMPARE(NamedStock(inventoryDb), QString());
    SqlProxy* p = throughProxy();
    ModalAnswerer answerer;
    QString sale;
    {
        const PosFixture::Screen till;
        till.scan(QStringLiteral("L3"));
        till.scan(QStringLiteral("K1"));
        sale = till.screen->transactionId;
        if (held) {
            answerer.handleClass<ReportParameterDialog>("ReportParameterDialog",
                                                        [](ReportParameterDialog* d) { d->ui->pushButton->click(); });
            till.screen->on_pushPayLater_clicked();
        } else {
            till.child("lineEditPaid")->setText(QStringLiteral("1000"));
            QCOMPARE(till.screen->on_pushButtonPay_clicked(), 0);
        }
        QCOMPARE(answerer.pendingAnswers(), 0);
    }
    // Stored elsewhere, earlier, by someone else, with a total of its own (an older version's).
    QCOMPARE(TestDatabase::exec(salesDb, {QStringLiteral("UPDATE tblSalesTransactions SET TIME_STAMP = '2020-01-02 "
                                                         "03:04:05', USER_ID = 'ann', STORE_ID = 'S9', TERMINAL_ID = 'T9', "
                                                         "GRAND_TOTAL = GRAND_TOTAL + 1 WHERE ID = ")
                                          + sale}),
             QString());
    const QStringList header = rows(salesDb, HEADER.arg(sale));
    // Opened on a screen whose cart has shown no line yet, unless it told of a write of its own before.
    const PosFixture::Screen s;
    CPOS* screen = s.screen;
    if (toldBefore) {
        p->loseAnswer(QStringLiteral("^COMMIT$"), true);
        s.scan(QStringLiteral("K2"));
        p->setAway(false);
        ReopenedNotRead();
        s.child("lineEditPaid")->setText(QStringLiteral("1000"));
        QCOMPARE(screen->on_pushButtonPay_clicked(), 4);
        QCOMPARE(WholeStatus(s), QStringLiteral("K2 is in the sale."));
        screen->on_pushNew_clicked();
    }

    const int lostBefore = p->lostAnswers();
    if (write.isEmpty())
        p->loseAnswer(QStringLiteral("FROM tblSalesInvoice WHERE TRANSACTION_ID = %1$").arg(sale), true);
    if (held) {
        for (CPosButton* hold : s.child<QWidget>("scrollAreaPendingPaymentsContents")->findChildren<CPosButton*>())
            if (hold->GetCode() == sale)
                hold->click();
    } else {
        screen->OpenSale(sale, false);
    }
    QCOMPARE(screen->transactionId, sale);
    const auto amounts = [&] {
        QStringList texts;
        for (const char* field : {"lineEditTotal", "lineEditTax", "lineEditPaid", "lineEditChange"})
            texts << s.child(field)->text();
        return texts << s.child<QDateTimeEdit>("dateTimeReceiptTimeStamp")->dateTime().toString(Qt::ISODate);
    };
    const QStringList opened = amounts();
    QCOMPARE(opened.last(), QStringLiteral("2020-01-02T03:04:05"));
    auto* view = s.child<QTableView>("tableViewItems");
    if (write.isEmpty()) {
        QCOMPARE(p->lostAnswers(), lostBefore + 1);
        QCOMPARE(WholeStatus(s),
                 held ? QStringLiteral("Pending payment opened. Its lines are read once the server is back.")
                      : QStringLiteral("Sales receipt has been opened. Its lines are read once the server is back."));
    } else {
        p->loseAnswer(QStringLiteral("^COMMIT$"), true);
        if (write == QLatin1String("scan")) {
            s.scan(QStringLiteral("K1"));
        } else {
            view->setCurrentIndex(screen->cartModel->index(1, COL_PRODUCT_NAME));
            screen->on_pushDeleteItem_clicked();
        }
        QCOMPARE(p->lostAnswers(), 1);
    }

    p->setAway(false);
    QString told = write == QLatin1String("scan") ? QStringLiteral("K1 is in the sale.") : QString();
    if (byPass) {
        reconnectAndIdle();
    } else {
        ReopenedNotRead();
        // A text before it fading out: Delete Item's text still shows for its own time.
        screen->OnStatusWatchDogTimeout();
        screen->on_pushDeleteItem_clicked();
        told = write.isEmpty() ? QStringLiteral("Lines read again. Select a line to delete.")
                               : QStringLiteral("K1 was deleted. The selected line is gone.");
        QVERIFY(!screen->statusShowTimer->isActive());
    }
    if (!told.isEmpty())
        QCOMPARE(WholeStatus(s), told);
    QCOMPARE(CartLines(screen), rows(salesDb, STORED_LINES.arg(sale)));
    QVERIFY(CartFitted(view));
    if (!write.isEmpty()) {
        // The stored header's amounts with the line's added, or taken off; and pay stores them.
        const double sign = write == QLatin1String("scan") ? 1.0 : -1.0;
        const QString total = QLocale().toString(QLocale().toDouble(opened.at(0)) + sign * 11.0, 'f', 2);
        const QString tax = QLocale().toString(QLocale().toDouble(opened.at(1)) + sign * 1.0, 'f', 2);
        QCOMPARE(s.child("lineEditTotal")->text(), total);
        QCOMPARE(s.child("lineEditTax")->text(), tax);
        s.child("lineEditPaid")->setText(QStringLiteral("1000"));
        QCOMPARE(screen->on_pushButtonPay_clicked(), 0);
        QCOMPARE(rows(salesDb, QStringLiteral("SELECT GRAND_TOTAL, TOTAL_TAX FROM tblSalesTransactions WHERE ID = %1")
                                   .arg(sale)),
                 QStringList{QString::number(QLocale().toDouble(total)) + QLatin1Char('|')
                             + QString::number(QLocale().toDouble(tax))});
        return;
    }
    QCOMPARE(screen->NextFreeIndex(), 3);
    QCOMPARE(amounts(), opened);
    QVERIFY(!screen->changedSinceSave);

    screen->on_pushNew_clicked();
    QVERIFY(screen->transactionId != sale);
    QVERIFY(answerer.seen.size() == (held ? 1 : 0));
    QCOMPARE(rows(salesDb, HEADER.arg(sale)), header);
}

// A scan with a quantity and a discount whose commit answer is lost (or whose commit never reaches the server):
// what was typed for it is not the next item's, and the next scan, once the server is back, tells whether it is in
// the sale and stops there.
void TestPosServerKillTold::nextScanAfterUnconfirmedScan_data()
{
    QTest::addColumn<bool>("reached"); // the server carried the commit out
    QTest::addColumn<QString>("lost");  // the code of the scan whose commit was not confirmed
    QTest::addColumn<QString>("next");  // the code of the scan after it
    QTest::addColumn<QString>("told");  // a pattern
    QTest::addColumn<QSize>("display");
    const QSize till(1366, 768);
    QTest::newRow("answer lost") << true << "K2" << "K1"
                                 << Whole("K2 is in the sale. K1 was not rung up: scan it again.") << till;
    QTest::newRow("commit lost") << false << "K2" << "K1"
                                 << Whole("K2 was not stored: scan it again. K1 was not rung up: scan it again.") << till;
    // The longest names cut, so that the whole text is read; said briefly, which leaves them more room.
    QTest::newRow("answer lost, long names")
        << true << "L4" << "L4" << "^Sparkling m.*… in sale\\. Sparkling m.*… not rung up: scan again\\.$" << till;
    // A narrower line: the names as far as the brief words let them show, not their first letters only.
    QTest::newRow("commit lost, ordinary names, 1280x1024")
        << false << "N1" << "N2"
        << "^Jasmi(ne rice|[^.]*…) not stored: scan again\\. Rye c(rispbread, family pack|[^.]*…) not rung up: scan "
           "again\\.$"
        << QSize(1280, 1024);
    // Names that share their first word are told apart.
    QTest::newRow("commit lost, names sharing a word")
        << false << "D1" << "D2"
        << "^Delta O[^.]* not stored: scan again\\. Delta S[^.]* not rung up: scan again\\.$" << till;
}

void TestPosServerKillTold::nextScanAfterUnconfirmedScan()
{
    QFETCH(bool, reached);
    QFETCH(QString, lost);
    QFETCH(QString, next);
    QFETCH(QString, told);
    QFETCH(QSize, display);
    QCOMPARE(NamedStock(inventoryDb), QString());
    SqlProxy* p = throughProxy();
    const PosFixture::Screen s;
    CPOS* screen = s.screen;
    s.scan(QStringLiteral("K1"));
    const QString sale = screen->transactionId;
    s.child("lineEditItems")->setText(QStringLiteral("2"));
    s.child("lineEditDiscount")->setText(QStringLiteral("10"));
    if (reached)
        p->loseAnswer(QStringLiteral("^COMMIT$"), true);
    else
        p->loseStatement(QStringLiteral("^COMMIT$"), true);
    // A text before it fading out: the "did not confirm" text still shows for its own time.
    screen->OnStatusWatchDogTimeout();
    s.scan(lost);
    QCOMPARE(p->lostAnswers(), 1);
    QCOMPARE(WholeStatus(s), QStringLiteral("The server did not confirm the item: the lines are read when it is back."));
    QVERIFY(!screen->statusShowTimer->isActive());
    QCOMPARE(s.child("lineEditItems")->text(), QStringLiteral("1"));
    QCOMPARE(s.child("lineEditDiscount")->text(), QStringLiteral("0"));

    // The "did not confirm" text fading out: the outcome after it still shows for its own time.
    screen->OnStatusWatchDogTimeout();
    QVERIFY(screen->statusShowTimer->isActive());
    p->setAway(false);
    ReopenedNotRead();
    s.host->resize(display);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    s.scan(next);
    const QString shown = WholeStatus(s);
    QVERIFY2(QRegularExpression(told).match(shown).hasMatch(), qPrintable(shown));
    QCOMPARE(Blink(s), reached ? QStringLiteral("green") : QStringLiteral("red"));
    QVERIFY(!screen->statusShowTimer->isActive());
    QVERIFY(screen->statusWatchDogTimer->isActive());
    const QString linesOfSale = QStringLiteral("SELECT ITEM_INDEX, BAR_CODE, QUANTITY, DISCOUNT FROM tblSalesInvoice "
                                               "WHERE TRANSACTION_ID = %1 ORDER BY ID").arg(sale);
    const QStringList kept = rows(salesDb, linesOfSale);
    QStringList expected{QStringLiteral("1|K1|1|0")};
    if (reached)
        expected << QStringLiteral("2|%1|2|2").arg(lost);
    QCOMPARE(kept, expected);
    QCOMPARE(CartLines(screen), rows(salesDb, STORED_LINES.arg(sale)));

    s.scan(next);
    QCOMPARE(s.status(), QString());
    QCOMPARE(rows(salesDb, linesOfSale),
             kept + QStringList{QStringLiteral("%1|%2|1|0").arg(reached ? 3 : 2).arg(next)});
    QCOMPARE(s.child("lineEditTotal")->text(), TotalText(rows(salesDb, STORED_SUMS.arg(sale))));
}

// The lines of a long sale read after a lost commit answer: all of them, not the first rows fetched only.
void TestPosServerKillTold::unreadLinesOfALongSaleReadWhole()
{
    SqlProxy* p = throughProxy();
    const PosFixture::Screen s(false);
    CPOS* screen = s.screen;
    for (int i = 0; i < 300; ++i)
        s.scan(i % 2 ? QStringLiteral("K2") : QStringLiteral("K1"));
    QCOMPARE(s.status(), QString());
    const QString sale = screen->transactionId;
    p->loseAnswer(QStringLiteral("^COMMIT$"), true);
    s.scan(QStringLiteral("K1"));
    QCOMPARE(p->lostAnswers(), 1);
    p->setAway(false);
    reconnectAndIdle();
    QCOMPARE(s.status(), QStringLiteral("K1 is in the sale."));
    QCOMPARE(screen->cartModel->rowCount(), 301);
    QCOMPARE(s.child("lineEditTotal")->text(), TotalText(rows(salesDb, STORED_SUMS.arg(sale))));
    s.scan(QStringLiteral("K2"));
    QCOMPARE(s.status(), QString());
    QCOMPARE(rows(salesDb, QStringLiteral("SELECT COUNT(*), COUNT(DISTINCT ITEM_INDEX), MAX(ITEM_INDEX) FROM "
                                          "tblSalesInvoice WHERE TRANSACTION_ID = %1").arg(sale)),
             QStringList{QStringLiteral("302|302|302")});
}

// Delete Item pressed again on the first of three lines, whose deletion was not confirmed: the stored lines say
// whether it is gone, and nothing else is deleted.
void TestPosServerKillTold::deleteAgainAfterUnconfirmedDeletion_data()
{
    QTest::addColumn<bool>("reached"); // the server carried the commit out
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("told"); // a pattern
    // Told by the product's name, not its code.
    QTest::newRow("answer lost") << true << "N1" << 1366 << Whole("Jasmine rice was deleted. The selected line is gone.");
    QTest::newRow("commit lost") << false << "N1" << 1366
                                 << Whole("Jasmine rice was not deleted: delete it again. Press Delete Item again.");
    // A narrower line: names that share their first word are told apart.
    QTest::newRow("commit lost, 1280 wide, Delta O")
        << false << "D1" << 1280 << "^Delta Orig[^.]* not deleted: delete again\\. Delete again\\.$";
    QTest::newRow("commit lost, 1280 wide, Delta S")
        << false << "D2" << 1280 << "^Delta Stro[^.]* not deleted: delete again\\. Delete again\\.$";
}

void TestPosServerKillTold::deleteAgainAfterUnconfirmedDeletion()
{
    QFETCH(bool, reached);
    QFETCH(QString, code);
    QFETCH(int, width);
    QFETCH(QString, told);
    QCOMPARE(NamedStock(inventoryDb), QString());
    SqlProxy* p = throughProxy();
    const PosFixture::Screen s;
    CPOS* screen = s.screen;
    s.host->resize(width, 768);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    for (const QString& scanned : {code, QStringLiteral("K2"), QStringLiteral("K2")})
        s.scan(scanned);
    const QString sale = screen->transactionId;
    const QStringList before = rows(salesDb, STORED_LINES.arg(sale));
    auto* view = s.child<QTableView>("tableViewItems");
    view->setCurrentIndex(screen->cartModel->index(0, COL_PRODUCT_NAME));
    const QVariant selected = screen->cartModel->record(0).value(QStringLiteral("ID"));
    const QString name = screen->cartModel->record(0).value(QStringLiteral("PRODUCT_NAME")).toString();
    if (reached)
        p->loseAnswer(QStringLiteral("^COMMIT$"), true);
    else
        p->loseStatement(QStringLiteral("^COMMIT$"), true);
    screen->on_pushDeleteItem_clicked();
    QCOMPARE(p->lostAnswers(), 1);
    QCOMPARE(screen->cartModel->rowCount(), 3);
    QCOMPARE(view->currentIndex().row(), 0);

    p->setAway(false);
    ReopenedNotRead();
    screen->on_pushDeleteItem_clicked();
    const QString shown = WholeStatus(s);
    QVERIFY2(QRegularExpression(told).match(shown).hasMatch(), qPrintable(shown));
    const QStringList stored = rows(salesDb, STORED_LINES.arg(sale));
    QCOMPARE(stored, reached ? QStringList(before.mid(1)) : before);
    QCOMPARE(CartLines(screen), stored);
    if (reached) {
        QVERIFY(!view->currentIndex().isValid());
        return;
    }
    QCOMPARE(screen->cartModel->record(view->currentIndex().row()).value(QStringLiteral("ID")), selected);
    // Pressed again as told: the deletion is told in its turn.
    screen->on_pushDeleteItem_clicked();
    QCOMPARE(rows(salesDb, STORED_LINES.arg(sale)), before.mid(1));
    QCOMPARE(WholeStatus(s), name + QStringLiteral(" was deleted."));
    QCOMPARE(Blink(s), QStringLiteral("green"));

    // The text gone in its time: a plain deletion after it tells nothing, nor shows a bar without a text.
    screen->OnStatusWatchDogTimeout();
    screen->OnStatusShowTimeout();
    view->setCurrentIndex(screen->cartModel->index(0, COL_PRODUCT_NAME));
    screen->on_pushDeleteItem_clicked();
    QCOMPARE(rows(salesDb, STORED_LINES.arg(sale)), before.mid(2));
    QVERIFY(s.child<QLabel>("labelStatus")->isHidden());
}

// ./run.sh's own settings (its user on 127.0.0.1), whose connections are made only to a program of this account.
void TestPosServerKillTold::actionOnHeldPort_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("paidBefore");
    QTest::addColumn<QString>("lead"); // the action's own words, a sentence; the reason follows
    QTest::addColumn<bool>("again"); // pressed again straight after, within the retry interval
    QTest::newRow("scan") << "scan" << false << "Could not retrieve data from inventory." << false;
    QTest::newRow("pay") << "pay" << false << "Error occurred while logging payment information." << false;
    QTest::newRow("pay later") << "pay later" << false << "Error occurred while creating pending payment." << false;
    QTest::newRow("delete item") << "delete item" << false << "Could not retrieve data from inventory." << false;
    // New saves the sale first.
    QTest::newRow("new sale") << "new sale" << false << "Error occurred while logging payment information." << false;
    QTest::newRow("new sale after a paid one") << "new sale" << true << "" << false;
    // No new attempt is made then: each connection's refusal, kept from its reopening, is told again.
    QTest::newRow("scan, scanned again") << "scan" << false << "Could not retrieve data from inventory." << true;
    QTest::newRow("pay, paid again") << "pay" << false << "Error occurred while logging payment information." << true;
}

// Another account's program on the server's port (this account's proxy, taken for another's through the account
// seam): the action sends it nothing and stores nothing, and its words are followed by whose program holds the port
// and what to do, whole on the status line of a till 1024 wide, without a box that would take a scanner's keys.
void TestPosServerKillTold::actionOnHeldPort()
{
    QFETCH(QString, action);
    QFETCH(bool, paidBefore);
    QFETCH(QString, lead);
    QFETCH(bool, again);
    SqlProxy* p = throughProxyAsStepUser();
    QVERIFY(p);
    ModalAnswerer answerer;
    answerer.handleClass<ReportParameterDialog>("ReportParameterDialog",
                                                [](ReportParameterDialog* d) { d->ui->pushButton->click(); });
    const PosFixture::Screen s(false);
    s.host->resize(1024, 768);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    s.scan(QStringLiteral("K2"));
    s.scan(QStringLiteral("K1"));
    if (paidBefore) {
        s.child("lineEditPaid")->setText(QStringLiteral("100"));
        QCOMPARE(s.screen->on_pushButtonPay_clicked(), 0);
    }
    const QString stored = QStringLiteral("SELECT (SELECT COUNT(*) FROM tblSalesInvoice), (SELECT COUNT(*) FROM "
                                          "tblPendingPayments), t.* FROM tblSalesTransactions t ORDER BY t.ID");
    const QStringList before = rows(salesDb, stored);
    const QString stockQuery = QStringLiteral("SELECT BAR_CODE, QUANTITY, SUB_ITEMS FROM tblInventory ORDER BY ID");
    const QStringList stock = rows(inventoryDb, stockQuery);

    PortOwner::SetOwnAccount(::getuid() + 1);
    const auto ownAgain = qScopeGuard([] { PortOwner::SetOwnAccount(::getuid()); });
    // The connections open now are dropped: the action opens new ones. Were one made, its statements would be
    // refused and counted.
    p->setAway(true);
    p->setAway(false);
    p->refuse(QStringLiteral("."), QStringLiteral("sent to another account's program"));
    auto* view = s.child<QTableView>("tableViewItems");
    view->setCurrentIndex(view->model()->index(0, COL_PRODUCT_NAME));
    s.child("lineEditPaid")->setText(QStringLiteral("100"));
    Press(s, action);

    const passwd* account = ::getpwuid(::getuid());
    QVERIFY(account);
    const QString reason = QStringLiteral("The database server's port %1 is held by a program of another account (%2), "
                                          "so nothing was sent to it. Nothing was saved. Please close this program and "
                                          "start it again with ./run.sh.")
                               .arg(p->port())
                               .arg(QString::fromLocal8Bit(account->pw_name));
    const QString told = lead.isEmpty() ? reason : lead + QLatin1Char(' ') + reason;
    QCOMPARE(WholeStatus(s), told);
    if (again) {
        // Pressed again once each action has ended (what it found of the port forgotten, its line gone): a side the
        // first left out, the port found held by then, is tried by the second; the third, within the retry interval,
        // tries none and tells the refusals kept.
        DatabaseManager* manager = DatabaseManager::Instance();
        DatabaseTest::StatusRecorder attempts;
        DatabaseStatusListener* const window = std::exchange(manager->mainWindow, &attempts);
        const auto windowAgain = qScopeGuard([manager, window] { manager->mainWindow = window; });
        for (int press = 0; press < 2; ++press) {
            TestSupport::Idle();
            QVERIFY(!manager->HeldPort());
            s.screen->OnStatusWatchDogTimeout();
            s.screen->OnStatusShowTimeout();
            attempts.calls.clear();
            Press(s, action);
            QCOMPARE(WholeStatus(s), told);
        }
        QCOMPARE(attempts.calls, QStringList());
    }
    QCOMPARE(p->refusedStatements(), 0);
    for (const ModalAnswerer::Seen& seen : answerer.seen)
        QCOMPARE(seen.className, QStringLiteral("ReportParameterDialog"));
    QCOMPARE(rows(salesDb, stored), before);
    QCOMPARE(rows(inventoryDb, stockQuery), stock);
}

SqlProxy* TestPosServerKillTold::throughProxyAsStepUser()
{
    const QString user = QStringLiteral("vorantel");
    const QString password = QStringLiteral("held_pw_1");
    static bool userMade = false;
    if (!userMade) {
        QProcess script;
        script.start(QStringLiteral(VORANTEL_SCRIPTS_DIR "/mariadb.sh"), {QStringLiteral("user"), server.dataDir(), user});
        script.write(password.toUtf8());
        script.closeWriteChannel();
        if (!script.waitForFinished(60000) || script.exitCode() != 0) {
            qWarning("%s", script.readAll().constData());
            return nullptr;
        }
        userMade = true;
    }
    SqlProxy* p = throughProxy();
    DatabaseManager::Instance()->SetConnectionParameters(user, password, p->port(), p->host());
    return p;
}

void TestPosServerKillTold::closeOnHeldPort_data()
{
    QTest::addColumn<bool>("leave");
    QTest::newRow("closed without the save") << true;
    QTest::newRow("kept open") << false;
}

// The words tell the cashier to close the program: a sale that cannot be saved for it does not keep the screen open,
// once the cashier has agreed to leave it unsaved.
void TestPosServerKillTold::closeOnHeldPort()
{
    QFETCH(bool, leave);
    SqlProxy* p = throughProxyAsStepUser();
    QVERIFY(p);
    ModalAnswerer answerer;
    const PosFixture::Screen s(false);
    s.scan(QStringLiteral("K2"));
    s.child("lineEditPaid")->setText(QStringLiteral("100"));
    const QString stored = QStringLiteral("SELECT (SELECT COUNT(*) FROM tblSalesInvoice), t.* FROM tblSalesTransactions t "
                                          "ORDER BY t.ID");
    const QStringList before = rows(salesDb, stored);
    PortOwner::SetOwnAccount(::getuid() + 1);
    const auto ownAgain = qScopeGuard([] { PortOwner::SetOwnAccount(::getuid()); });
    p->setAway(true);

    answerer.pressButton(QMessageBox::Yes);
    bool keptByDefault = false; // Enter, a scanner's last key, answers No
    answerer.handle([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box)
            return false;
        keptByDefault = box->defaultButton() == box->button(QMessageBox::No);
        box->button(leave ? QMessageBox::Yes : QMessageBox::No)->click();
        return true;
    });
    s.screen->on_pushButtonClose_clicked();
    QVERIFY(keptByDefault);
    const QStringList told = answerer.messages();
    QCOMPARE(told.size(), 2);
    QVERIFY2(told.at(1).startsWith(QStringLiteral("Close POS?|The sale could not be saved. The database server's port %1 "
                                                  "is held by a program of another account")
                                       .arg(p->port())),
             qPrintable(told.at(1)));
    if (leave)
        QTRY_VERIFY(s.host.isNull());
    else
        QVERIFY(s.host && s.host->isVisible());
    QCOMPARE(rows(salesDb, stored), before);
}

void TestPosServerKillTold::tapUnderLongStatus_data()
{
    QTest::addColumn<bool>("onButton"); // else on a tab
    QTest::newRow("product button") << true;
    QTest::newRow("tab") << false;
}

// Words such as the held port's lie across the whole width, three lines high, over the product tabs: a tap on a product
// button or a tab under them, sent to the window as a finger's, still reaches it.
void TestPosServerKillTold::tapUnderLongStatus()
{
    QFETCH(bool, onButton);
    PosFixture::SilenceAndLogIn({QStringLiteral("err_msg_44")});
    ModalAnswerer answerer;
    const PosFixture::Screen s(false);
    s.host->setGeometry(0, 0, 1024, 768);
    QVERIFY(QTest::qWaitForWindowExposed(s.host));
    s.screen->ShowStatus(QStringLiteral("Could not retrieve data from inventory. The database server's port 3306 is held "
                                        "by a program of another account (nobody), so nothing was sent to it. Nothing "
                                        "was saved. Please close this program and start it again with ./run.sh."),
                         true);
    auto* label = s.child<QLabel>("labelStatus");
    QWidget* contents = label->parentWidget();
    auto* tabs = s.child<QTabWidget>("tabWidget");
    // Where the target shows under the line, on the screen (the scroller's gesture finds the tapped widget there),
    // in the line's parent.
    const QRect screen = s.host->screen()->geometry();
    const auto under = [&](QWidget* widget, const QRect& part) {
        const QRect shown = part & widget->visibleRegion().boundingRect();
        return QRect(widget->mapTo(contents, shown.topLeft()), shown.size()) & label->geometry()
               & QRect(contents->mapFromGlobal(screen.topLeft()), screen.size());
    };
    QRect tapped;
    QString code;
    if (onButton) {
        for (CPosButton* button : s.child<QWidget>("scrollAreaPosButtonsContents")->findChildren<CPosButton*>()) {
            if (tapped.isEmpty() && button->GetCode() != QLatin1String("NOCODE")) {
                tapped = under(button, button->rect());
                code = button->GetCode();
            }
        }
    } else {
        tapped = under(tabs->tabBar(), tabs->tabBar()->tabRect(1));
    }
    QVERIFY2(!tapped.isEmpty(), qPrintable(QStringLiteral("nothing under the line at %1,%2 %3x%4")
                                               .arg(label->x()).arg(label->y()).arg(label->width()).arg(label->height())));
    QVERIFY(label->isVisible());
    QTest::mouseClick(s.host->windowHandle(), Qt::LeftButton, Qt::NoModifier, contents->mapTo(s.host, tapped.center()));
    // The scroller's gesture hands a tap on to the widget from the event loop.
    if (onButton) {
        QTRY_COMPARE(s.screen->cartModel->rowCount(), 1);
        QCOMPARE(rows(salesDb, QStringLiteral("SELECT BAR_CODE FROM tblSalesInvoice WHERE TRANSACTION_ID = %1")
                                   .arg(s.screen->transactionId)),
                 QStringList{code});
    } else {
        QTRY_COMPARE(tabs->currentIndex(), 1);
    }
}

VORANTEL_TEST_MAIN(TestPosServerKillTold)
#include "tst_posserverkill_told.moc"
