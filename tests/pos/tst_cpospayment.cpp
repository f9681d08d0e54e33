#include "cpos.h"
#include "cposbutton.h"
#include "messagesettings.h"
#include "posfixture.h"
#include "reportparameterdialog.h"
#include "salesmodel.h"
#include "urlrecorder.h"

#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTextEdit>

#include <memory>

// Paying, quick pay, held sales and loading them back on the sale screen, against real databases
// in the server's default (strict) mode.
class TestCPOSPayment : public PosFixture::SaleScreenTest
{
    Q_OBJECT

public:
    TestCPOSPayment() : SaleScreenTest(QStringLiteral("pos_pay"), {}, {"err_msg_13", "err_msg_41", "err_msg_44", "err_msg_1"}) {}

private slots:
    void pay_data();
    void pay();
    void payWritesEveryHeaderColumn();
    void nothingChangedSinceLastSave();
    void refusedPayKeepsEnterCount();
    void enterPrintsOnlyTheSaleItPaid_data();
    void enterPrintsOnlyTheSaleItPaid();
    void textFieldsFitTheirColumns();
    void unstorableCharacterNamesField_data();
    void unstorableCharacterNamesField();
    void quickPayAndPayDue_data();
    void quickPayAndPayDue();
    void newSaleKeepsReorderNotesWhenSaveRefused();
    void holdsNumberAndCount();
    void holdCaptionsAreCut();
    void holdWithoutName_data();
    void holdRefusesPaidTooLarge();
    void paidNotFiniteCountsAsNothing_data();
    void paidNotFiniteCountsAsNothing();
    void holdWithoutName();
    void resumeRestoresTheSale();
    void twoTillsResumeOneHoldOnce();
    void loadRefusesTheOtherMode();

private:
    struct Screen : PosFixture::Screen
    {
        // The status line's text, shown or not.
        QString status() const { return child<QLabel>("labelStatus")->text(); }
        QList<CPosButton*> holdButtons() const
        {
            QList<CPosButton*> out;
            for (CPosButton* b : Child<QWidget>(screen, "scrollAreaPendingPaymentsContents")->findChildren<CPosButton*>())
                if (!b->isHidden())
                    out << b;
            return out;
        }
        QString pendingTab() const
        {
            auto* tabs = Child<QTabWidget>(screen, "tabWidget");
            return tabs->tabText(tabs->indexOf(screen->pendingPaymentsPage));
        }
    };
    QString header(const QString& id, const QString& columns) const
    {
        return DatabaseTest::Rows(salesDb, QStringLiteral("SELECT %1 FROM tblSalesTransactions WHERE ID = ?").arg(columns),
                                  {id})
            .value(0);
    }
    // A sale of one line at the price, waiting for its payment.
    void ringUp(const Screen& s, const QString& code = QStringLiteral("P23"))
    {
        s.scan(code);
        QCOMPARE(s.status(), QString());
        QVERIFY(!s.screen->transactionId.isEmpty());
    }
    // Ctrl+P, the amount typed over the selected text, then Enter, as the cashier does it.
    static void enterPaid(const Screen& s, const QString& amount)
    {
        s.screen->on_CtrlP();
        QTest::keyClicks(s.child("lineEditPaid"), amount);
        QTest::keyClick(s.child("lineEditPaid"), Qt::Key_Return);
    }
    // Holds the sale on screen under the name (the prompt answered with OK).
    void hold(const Screen& s, const QString& name = QString())
    {
        answerer->handleClass<ReportParameterDialog>("ReportParameterDialog", [name](ReportParameterDialog* d) {
            if (!name.isNull())
                d->ui->lineEditValue->setText(name);
            d->ui->pushButton->click();
        });
        s.screen->on_pushPayLater_clicked();
        QCOMPARE(answerer->pendingAnswers(), 0);
    }
    void initDatabases() override
    {
        QCOMPARE(DatabaseTest::Rows(salesDb, QStringLiteral("SELECT @@GLOBAL.sql_mode")).value(0).contains("STRICT_TRANS_TABLES"),
                 true);
    }
    void initTest() override
    {
        CPOS::paidEnterCount = 0;
        addStock(QStringLiteral("P23"), {{"SALE_PRICE", 23}});
        addStock(QStringLiteral("P5"), {{"SALE_PRICE", 5}, {"REORDER_LEVEL", 99}});
    }
};

void TestCPOSPayment::pay_data()
{
    QTest::addColumn<QString>("paid");
    QTest::addColumn<int>("answer"); // the underpaid question's answer, 0 = not asked
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("stored"); // STATUS|PAID|AMOUNT_DUE
    QTest::addColumn<QString>("due");
    QTest::addColumn<QString>("status");

    QTest::newRow("part paid, saved anyway") << "20" << int(QMessageBox::Yes) << 0 << "1|20|3" << "3.00"
                                             << "Paid successfully and saved.";
    QTest::newRow("exactly paid") << "23.00" << 0 << 0 << "2|23|0" << "0.00" << "Paid successfully and saved.";
    QTest::newRow("paid above the total") << "30" << 0 << 0 << "2|30|-7" << "-7.00" << "Paid successfully and saved.";
    QTest::newRow("nothing paid, saved anyway") << "" << int(QMessageBox::Yes) << 0 << "0|0|23" << "23.00"
                                                << "Paid successfully and saved.";
    QTest::newRow("part paid, declined") << "20" << int(QMessageBox::No) << 3 << "-1|0|0" << "3.00"
                                         << "Paid amount is less than due amount";
    QTest::newRow("comma in a point locale") << "50,75" << 0 << 1 << "-1|0|0" << "23.00"
                                             << "Paid amount is not valid. Example 50.75";
    // QLocale reads these as numbers; none is an amount.
    QTest::newRow("inf") << "inf" << 0 << 1 << "-1|0|0" << "23.00" << "Paid amount is not valid. Example 50.75";
    QTest::newRow("-INF") << "-INF" << 0 << 1 << "-1|0|0" << "23.00" << "Paid amount is not valid. Example 50.75";
    QTest::newRow("NaN") << "NaN" << 0 << 1 << "-1|0|0" << "23.00" << "Paid amount is not valid. Example 50.75";
    QTest::newRow("too large for the amount fields")
        << "1e308" << 0 << 1 << "-1|0|0" << "23.00"
        << "Paid amount is too large: the paid and due amounts must fit in 32 characters.";
}

void TestCPOSPayment::pay()
{
    QFETCH(QString, paid);
    QFETCH(int, answer);
    QFETCH(int, result);
    QFETCH(QString, stored);
    QFETCH(QString, due);
    QFETCH(QString, status);

    Screen s;
    ringUp(s);
    QCOMPARE(s.child("lineEditTotal")->text(), QStringLiteral("23.00"));
    s.child("lineEditPaid")->setText(paid);
    if (answer)
        answerer->pressButton(QMessageBox::StandardButton(answer));
    QCOMPARE(s.screen->on_pushButtonPay_clicked(), result);
    if (answer)
        QCOMPARE(answerer->messages(),
                 QStringList{"Payment|Paid amount is less than due amount. Do you still want to save in this state?"});
    else
        QVERIFY(answerer->seen.isEmpty());
    QCOMPARE(header(s.screen->transactionId, QStringLiteral("STATUS, PAID, AMOUNT_DUE")), stored);
    QCOMPARE(s.child("lineEditChange")->text(), due);
    QCOMPARE(s.status(), status);
    QCOMPARE(s.screen->changedSinceSave, result != 0);
    QCOMPARE(s.screen->saleState, result == 0 ? 2 : 1);
}

void TestCPOSPayment::payWritesEveryHeaderColumn()
{
    AppSettings::Instance()->settings->setValue(QStringLiteral("store_id"), QStringLiteral("S-7"));
    AppSettings::Instance()->settings->setValue(QStringLiteral("terminal_id"), QStringLiteral("T-2"));
    Screen s;
    ringUp(s);
    s.child("lineCustomerName")->setText(QStringLiteral("Ann Walk-in"));
    Child<QTextEdit>(s.screen, "textCustomerAddress")->setPlainText(QStringLiteral("1 High St"));
    s.child("lineCustomerContact")->setText(QStringLiteral("555-01"));
    Child<QTextEdit>(s.screen, "textReceiptNotes")->setPlainText(QStringLiteral("gift wrap"));
    s.child("lineRefNumber")->setText(QStringLiteral("R-99"));
    Child<QComboBox>(s.screen, "comboPaymentType")->setCurrentIndex(1);
    s.child("lineEditPaid")->setText(QStringLiteral("20"));
    answerer->pressButton(QMessageBox::Yes);
    QCOMPARE(s.screen->on_pushButtonPay_clicked(), 0);

    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    QCOMPARE(header(s.screen->transactionId,
                    QStringLiteral("USER_ID, CUSTOMER, GRAND_TOTAL, PAID, AMOUNT_DUE, TOTAL_TAX, INVOICE_MODE, STATUS, "
                                   "SENT_DATE, DUE_DATE, CUSTOMER_ID, SHIP_TO_CUSTOMER_ADDR, SHIP_NAME, SHIP_ADDRESS, "
                                   "SHIP_CONTACT, SHIP_VIA, NOTES, TOTAL_DISCOUNT, PAYMENT_TYPE, REFERENCE_NUMBER, "
                                   "STORE_ID, TERMINAL_ID")),
             QStringLiteral("clerk|NOT SELECTED|23|20|3|0|0|1|%1|%1|0|1|Ann Walk-in|1 High St|555-01| |gift wrap|0|"
                            "CREDIT CARD|R-99|S-7|T-2")
                 .arg(today));
    // The time stamp is the one the screen showed.
    QCOMPARE(header(s.screen->transactionId, QStringLiteral("DATE(TIME_STAMP)")), today);
}

void TestCPOSPayment::nothingChangedSinceLastSave()
{
    Screen s;
    ringUp(s);
    s.child("lineEditPaid")->setText(QStringLiteral("23.00"));
    QCOMPARE(s.screen->on_pushButtonPay_clicked(), 0);
    QCOMPARE(s.screen->on_pushButtonPay_clicked(), 0);
    QCOMPARE(s.status(), QStringLiteral("Nothing changed since last save."));
}

void TestCPOSPayment::refusedPayKeepsEnterCount()
{
    Screen s;
    ringUp(s);
    s.child("lineEditPaid")->setText(QStringLiteral("abc"));
    s.screen->on_lineEditPaid_returnPressed();
    QCOMPARE(CPOS::paidEnterCount, 0);
    s.child("lineEditPaid")->setText(QStringLiteral("23.00"));
    s.screen->on_lineEditPaid_returnPressed();
    QCOMPARE(CPOS::paidEnterCount, 1);
    QCOMPARE(header(s.screen->transactionId, QStringLiteral("STATUS")), QStringLiteral("2"));
}

void TestCPOSPayment::enterPrintsOnlyTheSaleItPaid_data()
{
    QTest::addColumn<QString>("road"); // how the next sale comes on screen
    QTest::newRow("new sale (F2)") << "new";
    QTest::newRow("reopened screen") << "reopened";
    QTest::newRow("resumed held sale") << "held";
    QTest::newRow("opened stored sale") << "stored";
}

void TestCPOSPayment::enterPrintsOnlyTheSaleItPaid()
{
    QFETCH(QString, road);
    UrlRecorder urls;
    auto s = std::make_unique<Screen>();
    QString waiting; // a sale stored earlier that comes back on screen
    if (road == QLatin1String("held")) {
        ringUp(*s);
        waiting = s->screen->transactionId;
        hold(*s);
    } else if (road == QLatin1String("stored")) {
        ringUp(*s);
        waiting = s->screen->transactionId;
        s->child("lineEditPaid")->setText(QStringLiteral("10"));
        answerer->pressButton(QMessageBox::Yes);
        QCOMPARE(s->screen->on_pushButtonPay_clicked(), 0);
    }
    ringUp(*s);
    const QString paidByEnter = s->screen->transactionId;
    enterPaid(*s, QStringLiteral("23.00"));
    QCOMPARE(header(paidByEnter, QStringLiteral("STATUS")), QStringLiteral("2"));

    // No second Enter: the next sale comes on screen.
    if (road == QLatin1String("new")) {
        Child<QPushButton>(s->screen, "pushNew")->click();
        ringUp(*s);
    } else if (road == QLatin1String("reopened")) {
        s = std::make_unique<Screen>();
        ringUp(*s);
    } else if (road == QLatin1String("held")) {
        s->holdButtons().first()->click();
    } else {
        s->screen->OpenSale(waiting, false);
    }
    const QString next = s->screen->transactionId;
    QVERIFY(!next.isEmpty() && next != paidByEnter);
    QCOMPARE(s->child("lineEditTotal")->text(), QStringLiteral("23.00"));

    // Its first Enter pays it and prints nothing.
    enterPaid(*s, QStringLiteral("30"));
    QCOMPARE(header(next, QStringLiteral("GRAND_TOTAL, PAID, AMOUNT_DUE, STATUS")), QStringLiteral("23|30|-7|2"));
    QCOMPARE(s->status(), QStringLiteral("Paid successfully and saved."));
    QCOMPARE(urls.urls, QList<QUrl>());
    // The Enter after it prints the sale it paid.
    QTest::keyClick(s->child("lineEditPaid"), Qt::Key_Return);
    QTRY_COMPARE(urls.urls.size(), 1);
}

void TestCPOSPayment::textFieldsFitTheirColumns()
{
    Screen s;
    ringUp(s);
    // A customer's 50-character name and contact, a long note and reference: cut to the columns, saved.
    s.child("lineCustomerName")->setText(QString(50, QLatin1Char('n')));
    s.child("lineCustomerContact")->setText(QString(50, QLatin1Char('c')));
    Child<QTextEdit>(s.screen, "textReceiptNotes")->setPlainText(QString(300, QLatin1Char('x')));
    s.child("lineRefNumber")->setText(QString(120, QLatin1Char('r')));
    s.child("lineEditPaid")->setText(QStringLiteral("23.00"));
    QCOMPARE(s.screen->on_pushButtonPay_clicked(), 0);
    QCOMPARE(header(s.screen->transactionId,
                    QStringLiteral("CHAR_LENGTH(SHIP_NAME), CHAR_LENGTH(SHIP_CONTACT), CHAR_LENGTH(NOTES), "
                                   "CHAR_LENGTH(REFERENCE_NUMBER), STATUS")),
             QStringLiteral("45|45|250|100|2"));
}

void TestCPOSPayment::unstorableCharacterNamesField_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("name");
    QTest::newRow("notes") << "textReceiptNotes" << "Notes";
    QTest::newRow("customer name") << "lineCustomerName" << "Customer Name";
    QTest::newRow("reference") << "lineRefNumber" << "Reference Number";
}

void TestCPOSPayment::unstorableCharacterNamesField()
{
    QFETCH(QString, field);
    QFETCH(QString, name);
    Screen s;
    ringUp(s);
    const QString text = QStringLiteral("thanks ") + QString::fromUtf8("\xF0\x9F\x98\x80");
    if (auto* edit = s.screen->findChild<QTextEdit*>(field))
        edit->setPlainText(text);
    else
        s.child(qPrintable(field))->setText(text);
    s.child("lineEditPaid")->setText(QStringLiteral("23.00"));
    QVERIFY(s.screen->on_pushButtonPay_clicked() != 0);
    QCOMPARE(s.status(), name + QStringLiteral(" contains a character that can not be stored. Please remove it and "
                                               "save again."));
    QCOMPARE(header(s.screen->transactionId, QStringLiteral("STATUS")), QStringLiteral("-1"));
}

void TestCPOSPayment::quickPayAndPayDue_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("paidBefore");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QString>("stored");
    QTest::newRow("Ctrl+3 above the total") << "ctrl3" << "0" << false << "2|50|-27";
    QTest::newRow("Ctrl+4 never set: 0.00") << "ctrl4" << "0" << true << "0|0|23";
    QTest::newRow("pay due from 0") << "due" << "0" << false << "2|23|0";
    QTest::newRow("pay due from 0.00 asks") << "due" << "0.00" << true << "2|23|0";
}

void TestCPOSPayment::quickPayAndPayDue()
{
    QFETCH(QString, action);
    QFETCH(QString, paidBefore);
    QFETCH(bool, asked);
    QFETCH(QString, stored);
    AppSettings::Instance()->settings->setValue(QStringLiteral("ctrl_plus_three"), QStringLiteral("50"));
    Screen s;
    ringUp(s);
    s.child("lineEditPaid")->setText(paidBefore);
    if (asked)
        answerer->pressButton(QMessageBox::Yes);
    if (action == QLatin1String("ctrl3"))
        s.screen->on_CtrlThree();
    else if (action == QLatin1String("ctrl4"))
        s.screen->on_CtrlFour();
    else
        s.screen->on_pushButtonPAID_clicked();
    QCOMPARE(answerer->seen.size(), asked ? 1 : 0);
    if (asked && action == QLatin1String("due"))
        QCOMPARE(answerer->seen.first().title, QStringLiteral("Pay"));
    QCOMPARE(header(s.screen->transactionId, QStringLiteral("STATUS, PAID, AMOUNT_DUE")), stored);
}

void TestCPOSPayment::newSaleKeepsReorderNotesWhenSaveRefused()
{
    Screen s;
    ringUp(s, QStringLiteral("P5"));
    QCOMPARE(s.screen->reorderStockCodes, QStringList{"P5"});
    // The save-first pay is declined: the sale stays, with what it noted for its purchase order.
    answerer->pressButton(QMessageBox::No);
    s.screen->on_pushNew_clicked();
    QCOMPARE(s.screen->reorderStockCodes, QStringList{"P5"});
    QVERIFY(!s.screen->reorderChecked);
    // Saved: the sale's reorder check ran, then the new sale starts clean.
    const QString first = s.screen->transactionId;
    answerer->pressButton(QMessageBox::Yes);
    s.screen->on_pushNew_clicked();
    QVERIFY(s.screen->transactionId != first);
    QCOMPARE(header(first, QStringLiteral("STATUS")), QStringLiteral("0"));
    QVERIFY(s.screen->reorderStockCodes.isEmpty());
    QVERIFY(!s.screen->reorderChecked);
}

void TestCPOSPayment::holdsNumberAndCount()
{
    Screen s;
    QCOMPARE(s.pendingTab(), QStringLiteral("Pending Payments"));
    QStringList ids;
    for (int i = 0; i < 3; ++i) {
        ringUp(s);
        ids << s.screen->transactionId;
        hold(s);
        QCOMPARE(s.status(), QStringLiteral("Added to Pending Payments"));
        QVERIFY(s.screen->transactionId != ids.last());
    }
    QCOMPARE(DatabaseTest::Rows(salesDb, QStringLiteral("SELECT TRANSACTION_ID, BUTTON_INDEX, PAYMENT_NAME FROM "
                                                        "tblPendingPayments ORDER BY BUTTON_INDEX")),
             (QStringList{ids[0] + "|1|Payment_1", ids[1] + "|2|Payment_2", ids[2] + "|3|Payment_3"}));
    QCOMPARE(s.pendingTab(), QStringLiteral("Pending (3)"));
    // A held sale is saved as it stands, unpaid, without the underpaid question.
    QCOMPARE(header(ids[0], QStringLiteral("STATUS, GRAND_TOTAL, AMOUNT_DUE")), QStringLiteral("0|23|23"));

    s.holdButtons().first()->click();
    QCOMPARE(s.screen->transactionId, ids[0]);
    QCOMPARE(s.pendingTab(), QStringLiteral("Pending (2)"));
    hold(s);
    QCOMPARE(DatabaseTest::Rows(salesDb, QStringLiteral("SELECT TRANSACTION_ID, BUTTON_INDEX FROM tblPendingPayments "
                                                        "ORDER BY BUTTON_INDEX")),
             (QStringList{ids[1] + "|2", ids[2] + "|3", ids[0] + "|4"}));
    QCOMPARE(s.pendingTab(), QStringLiteral("Pending (3)"));
    QTRY_COMPARE(s.holdButtons().size(), 3);

    // A screen opened later reads the same holds.
    Screen later;
    QCOMPARE(later.pendingTab(), QStringLiteral("Pending (3)"));
    QCOMPARE(later.holdButtons().size(), 3);
}

void TestCPOSPayment::holdCaptionsAreCut()
{
    Screen s;
    ringUp(s);
    hold(s, QStringLiteral("Table thirteen")); // 14 characters
    ringUp(s);
    hold(s, QStringLiteral("Table thirtee")); // 13 characters
    ringUp(s);
    hold(s, QString(60, QLatin1Char('L'))); // cut to the column
    ringUp(s);
    hold(s, QStringLiteral("<h1>Big</h1> table")); // shown as typed
    QTRY_COMPARE(s.holdButtons().size(), 4);
    QStringList captions;
    for (CPosButton* b : s.holdButtons())
        captions << b->text() + QLatin1Char('/') + TestSupport::AsShown(b->toolTip());
    QCOMPARE(captions, (QStringList{"Table thir ../Table thirteen", "Table thirtee/",
                                    QString(10, QLatin1Char('L')) + " ../" + QString(50, QLatin1Char('L')),
                                    "<h1>Big</h ../<h1>Big</h1> table"}));
}

void TestCPOSPayment::holdWithoutName_data()
{
    QTest::addColumn<bool>("closed"); // the prompt closed, else OK pressed on an emptied name
    QTest::newRow("prompt closed") << true;
    QTest::newRow("name left empty") << false;
}

void TestCPOSPayment::holdWithoutName()
{
    QFETCH(bool, closed);
    Screen s;
    ringUp(s);
    const QString id = s.screen->transactionId;
    if (closed)
        answerer->reject();
    else
        hold(s, QStringLiteral(""));
    if (closed)
        s.screen->on_pushPayLater_clicked();
    QCOMPARE(s.status(), QStringLiteral("Added to Pending Payments"));
    QCOMPARE(DatabaseTest::Rows(salesDb, QStringLiteral("SELECT TRANSACTION_ID, BUTTON_INDEX, PAYMENT_NAME IS NULL, "
                                                        "PAYMENT_NAME FROM tblPendingPayments")),
             QStringList{id + "|1|0|"});
    QCOMPARE(header(id, QStringLiteral("STATUS, GRAND_TOTAL, AMOUNT_DUE")), QStringLiteral("0|23|23"));
    QVERIFY(s.screen->transactionId != id);
    QTRY_COMPARE(s.holdButtons().size(), 1);
    QCOMPARE(s.holdButtons().first()->text(), QString());
}

void TestCPOSPayment::holdRefusesPaidTooLarge()
{
    Screen s;
    ringUp(s);
    const QString id = s.screen->transactionId;
    s.child("lineEditPaid")->setText(QStringLiteral("1e308"));
    Child<QPushButton>(s.screen, "pushPayLater")->click();
    QCOMPARE(s.status(), QStringLiteral("Paid amount is too large: the paid and due amounts must fit in 32 characters."));
    QCOMPARE(DatabaseTest::Rows(salesDb, QStringLiteral("SELECT TRANSACTION_ID FROM tblPendingPayments")), QStringList());
    QCOMPARE(header(id, QStringLiteral("STATUS, PAID")), QStringLiteral("-1|0"));
    QCOMPARE(s.screen->transactionId, id);
}

void TestCPOSPayment::paidNotFiniteCountsAsNothing_data()
{
    QTest::addColumn<QString>("paid");
    QTest::newRow("inf") << "inf";
    QTest::newRow("-Inf") << "-Inf";
    QTest::newRow("NAN") << "NAN";
}

void TestCPOSPayment::paidNotFiniteCountsAsNothing()
{
    QFETCH(QString, paid);
    AppSettings::Instance()->settings->setValue(QStringLiteral("err_msg_41"), true);
    MessageSettings::Instance()->Load();
    Screen s;
    ringUp(s);
    const QString id = s.screen->transactionId;
    s.child("lineEditPaid")->setText(QStringLiteral("23.00"));
    QCOMPARE(Child<QComboBox>(s.screen, "comboReceiptStatus")->currentIndex(), 2);
    s.child("lineEditPaid")->setText(paid);
    QCOMPARE(s.child("lineEditChange")->text(), QStringLiteral("23.00"));
    QCOMPARE(Child<QComboBox>(s.screen, "comboReceiptStatus")->currentText(), QStringLiteral("NOT PAID"));

    // Pay Later refuses it before its notice and its prompt.
    Child<QPushButton>(s.screen, "pushPayLater")->click();
    QCOMPARE(s.status(), QStringLiteral("Paid amount is not valid. Example 50.75"));
    QVERIFY(answerer->seen.isEmpty());
    QCOMPARE(DatabaseTest::Rows(salesDb, QStringLiteral("SELECT TRANSACTION_ID FROM tblPendingPayments")), QStringList());
    QCOMPARE(header(id, QStringLiteral("STATUS, PAID")), QStringLiteral("-1|0"));
    QCOMPARE(s.screen->transactionId, id);
}

void TestCPOSPayment::resumeRestoresTheSale()
{
    Screen s;
    ringUp(s);
    ringUp(s, QStringLiteral("P5"));
    const QString id = s.screen->transactionId;
    s.child("lineEditPaid")->setText(QStringLiteral("10"));
    s.child("lineCustomerName")->setText(QStringLiteral("Ann"));
    s.child("lineCustomerContact")->setText(QStringLiteral("555-01"));
    Child<QTextEdit>(s.screen, "textCustomerAddress")->setPlainText(QStringLiteral("1 High St"));
    Child<QTextEdit>(s.screen, "textReceiptNotes")->setPlainText(QStringLiteral("later"));
    hold(s);
    QCOMPARE(s.child("lineCustomerName")->text(), QString());
    QCOMPARE(s.screen->itemIndexes.size(), 0);

    s.holdButtons().first()->click();
    QCOMPARE(s.status(), QStringLiteral("Pending payment opened"));
    QCOMPARE(s.screen->transactionId, id);
    QCOMPARE(s.child("lineReceiptNumber")->text(), id);
    QCOMPARE(s.child("lineEditTotal")->text(), QStringLiteral("28.00"));
    QCOMPARE(s.child("lineEditPaid")->text(), QStringLiteral("10.00"));
    QCOMPARE(s.child("lineEditChange")->text(), QStringLiteral("18.00"));
    QCOMPARE(s.child("lineCustomerName")->text(), QStringLiteral("Ann"));
    QCOMPARE(s.child("lineCustomerContact")->text(), QStringLiteral("555-01"));
    QCOMPARE(Child<QTextEdit>(s.screen, "textCustomerAddress")->toPlainText(), QStringLiteral("1 High St"));
    QCOMPARE(Child<QTextEdit>(s.screen, "textReceiptNotes")->toPlainText(), QStringLiteral("later"));
    QCOMPARE(Child<QComboBox>(s.screen, "comboReceiptStatus")->currentIndex(), 1);
    QCOMPARE(s.screen->cartModel->rowCount(), 2);
    QCOMPARE(s.screen->itemIndexes, (QVector<int>{1, 2}));
    QCOMPARE(s.screen->grandTotal, 28.0);
    QVERIFY(!s.screen->changedSinceSave);
    QCOMPARE(DatabaseTest::Rows(salesDb, QStringLiteral("SELECT COUNT(*) FROM tblPendingPayments")), QStringList{"0"});
    QCOMPARE(s.pendingTab(), QStringLiteral("Pending Payments"));

    // The resumed sale goes on: a new line is numbered after the loaded ones, and pay settles it.
    ringUp(s);
    QCOMPARE(s.screen->transactionId, id);
    QCOMPARE(s.screen->itemIndexes, (QVector<int>{1, 2, 3}));
    s.child("lineEditPaid")->setText(QStringLiteral("51.00"));
    QCOMPARE(s.screen->on_pushButtonPay_clicked(), 0);
    QCOMPARE(header(id, QStringLiteral("STATUS, GRAND_TOTAL, PAID, SHIP_NAME")), QStringLiteral("2|51|51|Ann"));
}

void TestCPOSPayment::twoTillsResumeOneHoldOnce()
{
    Screen first;
    ringUp(first);
    const QString id = first.screen->transactionId;
    hold(first);
    Screen second;
    QCOMPARE(second.holdButtons().size(), 1);

    first.holdButtons().first()->click();
    QCOMPARE(first.screen->transactionId, id);
    second.holdButtons().first()->click();
    QCOMPARE(second.status(), QStringLiteral("This pending payment has already been resumed elsewhere."));
    QVERIFY(second.screen->transactionId != id);
    QCOMPARE(second.screen->cartModel->rowCount(), 0);
    QCOMPARE(second.pendingTab(), QStringLiteral("Pending Payments"));
}

void TestCPOSPayment::loadRefusesTheOtherMode()
{
    Screen s;
    ringUp(s);
    const QString receipt = s.screen->transactionId;
    s.child("lineEditPaid")->setText(QStringLiteral("23.00"));
    QCOMPARE(s.screen->on_pushButtonPay_clicked(), 0);
    ringUp(s);
    const QString current = s.screen->transactionId;
    QVERIFY(current != receipt);
    s.screen->LoadInvoice(receipt);
    QCOMPARE(s.status(), QStringLiteral("This is not a valid invoice."));
    QCOMPARE(s.screen->transactionId, current);
    QCOMPARE(TestDatabase::exec(salesDb, {QStringLiteral("UPDATE tblSalesTransactions SET INVOICE_MODE = 1 WHERE ID = ")
                                          + receipt}),
             QString());
    s.screen->LoadReceipt(receipt);
    QCOMPARE(s.status(), QStringLiteral("This is not a valid receipt, but an invoice."));
    QCOMPARE(s.screen->transactionId, current);
    s.screen->LoadInvoice(receipt);
    QCOMPARE(s.status(), QStringLiteral("Invoice opened"));
    QCOMPARE(s.screen->transactionId, receipt);
    QCOMPARE(s.child("lineInvoiceNumber")->text(), receipt);
    QCOMPARE(Child<QComboBox>(s.screen, "comboInvoiceStatus")->currentIndex(), 2);
}

VORANTEL_TEST_MAIN(TestCPOSPayment)
#include "tst_cpospayment.moc"
