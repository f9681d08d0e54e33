#include "cpos.h"
#include "mainwindow.h"
#include "posfixture.h"
#include "qposdialog.h"
#include "reportparameterdialog.h"
#include "salesmanagement.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTimeEdit>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTextEdit>
#include <QTimer>

// Stored sales on the sale screen: the receipt and invoice searches, OpenSale and the sales records
// page's "Open in POS", and the automatic purchase orders reached through pay, F2 and F9.
class TestCPOSStored : public PosFixture::SaleScreenTest
{
    Q_OBJECT

public:
    TestCPOSStored()
        : SaleScreenTest(QStringLiteral("pos_stored"), {{"SHOW_WELCOME", 0}, {"FIRST_TIME_START", 0}},
                         {"err_msg_13", "err_msg_11", "err_msg_12", "err_msg_41", "err_msg_5"})
    {
    }

private slots:
    void invoiceRoundTrip();
    void receiptSearchSavesThroughPay();
    void refusedSaveStopsTheSearch();
    void loadedSaleWithoutItsCustomer();
    void loadedSaleWhoseLinesWereNotReadNumbersOn();
    void missingSaleRefused_data();
    void missingSaleRefused();
    void openSaleSwitchesMode_data();
    void openSaleSwitchesMode();
    void openInPosFromSalesRecords_data();
    void openInPosFromSalesRecords();
    void reorderThroughSaving_data();
    void reorderThroughSaving();
    void refusedInvoiceSaveFailsPay();

private:
    struct Screen : PosFixture::Screen
    {
        Screen() : PosFixture::Screen(true, true) {}
        QString text(const char* name) const
        {
            if (auto* edit = screen->findChild<QTextEdit*>(QLatin1String(name)))
                return edit->toPlainText();
            return child(name)->text();
        }
        int cartRows() const { return child<QTableView>("tableViewItems")->model()->rowCount(); }
    };
    // Chooses the sale in the sales records picker the next time it opens.
    void pickSale(const QString& saleId)
    {
        answerer->handle([saleId](QWidget* modal) {
            auto* page = modal->findChild<SalesManagement*>();
            if (!page)
                return false;
            auto* view = Child<QTableView>(page, "tableViewSales");
            const QModelIndexList found =
                view->model()->match(view->model()->index(0, 0), Qt::DisplayRole, saleId, 1, Qt::MatchFixedString);
            if (found.isEmpty())
                return false;
            view->setCurrentIndex(found.first());
            Child<QPushButton>(page, "pushSelect")->click();
            return true;
        });
    }
    // Pays the sale on screen in full.
    void payInFull(const Screen& s)
    {
        s.child("lineEditPaid")->setText(s.child("lineEditTotal")->text());
        QCOMPARE(s.screen->on_pushButtonPay_clicked(), 0);
    }
    // A receipt or invoice rung up with one item of P1 and paid in full; its ID.
    QString storedSale(bool invoice)
    {
        AppSettings::Instance()->settings->setValue(QStringLiteral("POS_MODE"), invoice ? 0 : 1);
        Screen s;
        s.scan(QStringLiteral("P1"));
        payInFull(s);
        return s.screen->transactionId;
    }
    QStringList orders() const
    {
        return inventory(QStringLiteral("SELECT VENDOR_ID, STATUS, SUB_TOTAL, SALES_TAX, TOTAL FROM tblPOrders ORDER BY ID"));
    }
    void initTest() override { addStock(QStringLiteral("P1"), {{"SALE_PRICE", 12.5}}); }
};

void TestCPOSStored::invoiceRoundTrip()
{
    AppSettings::Instance()->settings->setValue(QStringLiteral("POS_MODE"), 0);
    const QString customerId = addCustomer(QStringLiteral("Ann Lee"), QStringLiteral("1 Hill Rd"),
                                           QStringLiteral("ann@example.com"), QStringLiteral("555-0101"));
    Screen s;
    s.child("lineEditItems")->setText(QStringLiteral("2"));
    s.scan(QStringLiteral("P1"));
    pickCustomer(QStringLiteral("Ann Lee"));
    s.child<QPushButton>("pushCustomers")->setChecked(true);
    s.child("lineShipName")->setText(QStringLiteral("Front desk"));
    s.child<QTextEdit>("textShipAddress")->setPlainText(QStringLiteral("1 Hill Rd\nBack door"));
    s.child("lineShipContact")->setText(QStringLiteral("555-0199"));
    s.child("lineShipVia")->setText(QStringLiteral("UPS"));
    s.child<QCheckBox>("checkShipToCustomerAddress")->setChecked(false);
    s.child<QTextEdit>("textNotes")->setPlainText(QStringLiteral("Net 30"));
    s.child<QDateEdit>("dateSentDate")->setDate(QDate(2026, 4, 1));
    s.child<QDateEdit>("dateDueDate")->setDate(QDate(2026, 5, 1));
    s.child("lineRefNumber")->setText(QStringLiteral("PO-77"));
    s.child<QComboBox>("comboPaymentType")->setCurrentText(QStringLiteral("CHECK"));
    s.child("lineEditPaid")->setText(QStringLiteral("5"));
    const QDateTime stamp(QDate(2026, 4, 1), QTime(10, 11, 12));
    s.child<QDateTimeEdit>("dateTimeInvoiceTimeStamp")->setDateTime(stamp);
    QCOMPARE(s.screen->SaveInvoice(), 0);
    const QString invoiceId = s.screen->transactionId;

    s.screen->on_pushNew_clicked();
    QVERIFY(s.screen->transactionId != invoiceId);
    QCOMPARE(s.text("lineShipName"), QString());

    pickSale(invoiceId);
    s.child<QPushButton>("pushInvoiceSearch")->click();
    QCOMPARE(s.screen->transactionId, invoiceId);
    QCOMPARE(s.status(), QStringLiteral("Invoice opened"));
    QCOMPARE(s.text("lineInvoiceNumber"), invoiceId);
    QCOMPARE(s.text("lineShipName"), QStringLiteral("Front desk"));
    QCOMPARE(s.text("textShipAddress"), QStringLiteral("1 Hill Rd\nBack door"));
    QCOMPARE(s.text("lineShipContact"), QStringLiteral("555-0199"));
    QCOMPARE(s.text("lineShipVia"), QStringLiteral("UPS"));
    QCOMPARE(s.text("textNotes"), QStringLiteral("Net 30"));
    QCOMPARE(s.text("lineRefNumber"), QStringLiteral("PO-77"));
    QCOMPARE(s.text("lineCustomerEmailInvoice"), QStringLiteral("ann@example.com"));
    QVERIFY(!s.child<QCheckBox>("checkShipToCustomerAddress")->isChecked());
    QCOMPARE(s.child<QDateEdit>("dateSentDate")->date(), QDate(2026, 4, 1));
    QCOMPARE(s.child<QDateEdit>("dateDueDate")->date(), QDate(2026, 5, 1));
    QCOMPARE(s.child<QDateTimeEdit>("dateTimeInvoiceTimeStamp")->dateTime(), stamp);
    QCOMPARE(s.child<QComboBox>("comboPaymentType")->currentText(), QStringLiteral("CHECK"));
    QCOMPARE(s.child<QComboBox>("comboInvoiceStatus")->currentIndex(), 1);
    QCOMPARE(s.text("lineEditTotal"), QStringLiteral("25.00"));
    QCOMPARE(s.text("lineEditPaid"), QStringLiteral("5.00"));
    QCOMPARE(s.text("lineEditChange"), QStringLiteral("20.00"));
    QCOMPARE(s.screen->selectedCustomer.id, customerId);
    QVERIFY(s.child<QPushButton>("pushCustomers")->isChecked());
    QCOMPARE(s.child<QLabel>("label_invoice_customer_notification")->text(), QStringLiteral("CUSTOMER SELECTED"));
    QCOMPARE(s.cartRows(), 1);
    QVERIFY(!s.screen->changedSinceSave);
    // The sale on screen before the search had nothing to save: no row was written for it.
    QCOMPARE(sales(QStringLiteral("STATUS")), (QStringList{"1", "-1"}));
}

void TestCPOSStored::receiptSearchSavesThroughPay()
{
    addCustomer(QStringLiteral("Bo Chan"), QStringLiteral("9 Quay"), QStringLiteral("bo@example.com"),
                QStringLiteral("555-0123"));
    const QString other = storedSale(false);
    Screen s;
    s.scan(QStringLiteral("P1"));
    pickCustomer(QStringLiteral("Bo Chan"));
    s.child<QPushButton>("pushCustomers")->setChecked(true);
    s.child<QTextEdit>("textReceiptNotes")->setPlainText(QStringLiteral("gift wrap"));
    payInFull(s);
    const QString first = s.screen->transactionId;
    // A later change, saved by the search before it loads the other receipt.
    s.child<QTextEdit>("textReceiptNotes")->setPlainText(QStringLiteral("gift wrap, blue"));
    QVERIFY(s.screen->changedSinceSave);

    pickSale(other);
    s.child<QPushButton>("pushSearchReceipt")->click();
    QCOMPARE(s.screen->transactionId, other);
    QCOMPARE(s.status(), QStringLiteral("Sales receipt has been opened."));
    QCOMPARE(DatabaseTest::Rows(salesDb,
                                QStringLiteral("SELECT CUSTOMER, SHIP_NAME, SHIP_ADDRESS, SHIP_CONTACT, NOTES, INVOICE_MODE "
                                               "FROM tblSalesTransactions WHERE ID = ?"),
                                {first}),
             QStringList{"Bo Chan|Bo Chan|9 Quay|555-0123|gift wrap, blue|0"});

    // Back to the first receipt: its notes and customer fields come back as stored.
    pickSale(first);
    s.child<QPushButton>("pushSearchReceipt")->click();
    QCOMPARE(s.screen->transactionId, first);
    QCOMPARE(s.text("textReceiptNotes"), QStringLiteral("gift wrap, blue"));
    QCOMPARE(s.text("lineCustomerName"), QStringLiteral("Bo Chan"));
    QCOMPARE(s.text("textCustomerAddress"), QStringLiteral("9 Quay"));
    QCOMPARE(s.text("lineCustomerContact"), QStringLiteral("555-0123"));
    QCOMPARE(s.text("lineCustomerEmail"), QStringLiteral("bo@example.com"));
}

void TestCPOSStored::refusedSaveStopsTheSearch()
{
    const QString other = storedSale(false);
    Screen s;
    s.scan(QStringLiteral("P1"));
    const QString current = s.screen->transactionId;
    // Underpaid, and the question answered No: nothing is saved and nothing loaded.
    pickSale(other);
    answerer->pressButton(QMessageBox::No);
    s.child<QPushButton>("pushSearchReceipt")->click();
    QCOMPARE(s.screen->transactionId, current);
    QCOMPARE(s.status(), QStringLiteral("Paid amount is less than due amount"));
    QCOMPARE(s.cartRows(), 1);
    QVERIFY(s.screen->changedSinceSave);
}

void TestCPOSStored::loadedSaleWithoutItsCustomer()
{
    const QString gone = addCustomer(QStringLiteral("Gone Ltd"), QStringLiteral("Old St"), QString(), QStringLiteral("1"));
    addCustomer(QStringLiteral("Here Inc"), QStringLiteral("New St"), QString(), QStringLiteral("2"));
    QString saleId;
    {
        Screen s;
        s.scan(QStringLiteral("P1"));
        pickCustomer(QStringLiteral("Gone Ltd"));
        s.child<QPushButton>("pushCustomers")->setChecked(true);
        payInFull(s);
        saleId = s.screen->transactionId;
    }
    QCOMPARE(TestDatabase::exec(inventoryDb, {QStringLiteral("DELETE FROM tblCustomers WHERE ID = %1").arg(gone)}),
             QString());

    // The screen has another customer chosen when the stored sale comes back.
    Screen s;
    pickCustomer(QStringLiteral("Here Inc"));
    s.child<QPushButton>("pushCustomers")->setChecked(true);
    QCOMPARE(s.screen->selectedCustomer.name, QStringLiteral("Here Inc"));
    pickSale(saleId);
    s.child<QPushButton>("pushSearchReceipt")->click();
    QCOMPARE(s.screen->transactionId, saleId);
    QCOMPARE(s.text("lineCustomerName"), QStringLiteral("Gone Ltd"));
    QCOMPARE(s.text("textCustomerAddress"), QStringLiteral("Old St"));
    QCOMPARE(s.text("lineCustomerContact"), QStringLiteral("1"));
    QVERIFY(s.screen->selectedCustomer.id.isEmpty());
    QVERIFY(s.screen->selectedCustomer.name.isEmpty());
    QVERIFY(!s.child<QPushButton>("pushCustomers")->isChecked());
    QCOMPARE(s.child<QLabel>("label_receipt_customer_notification")->text(), QStringLiteral("NO CUSTOMER SELECTED"));
}

// Its lines could not be read at the load: the next line is numbered after the stored ones, and TOTAL counts them.
void TestCPOSStored::loadedSaleWhoseLinesWereNotReadNumbersOn()
{
    const QString saleId = storedSale(false);
    Screen s;
    QCOMPARE(TestDatabase::exec(salesDb, {QStringLiteral("RENAME TABLE tblSalesInvoice TO tblSalesInvoiceAway")}), QString());
    s.screen->LoadReceipt(saleId);
    QCOMPARE(TestDatabase::exec(salesDb, {QStringLiteral("RENAME TABLE tblSalesInvoiceAway TO tblSalesInvoice")}), QString());
    QCOMPARE(s.cartRows(), 0);
    s.scan(QStringLiteral("P1"));
    QCOMPARE(DatabaseTest::Rows(salesDb, QStringLiteral("SELECT ITEM_INDEX FROM tblSalesInvoice WHERE TRANSACTION_ID = %1 "
                                                        "ORDER BY ITEM_INDEX").arg(saleId)),
             (QStringList{"1", "2"}));
    QCOMPARE(s.cartRows(), 2);
    QCOMPARE(s.text("lineEditTotal"), QStringLiteral("25.00"));
}

void TestCPOSStored::missingSaleRefused_data()
{
    QTest::addColumn<bool>("invoice");
    QTest::addColumn<QString>("road");
    QTest::newRow("receipt through OpenSale") << false << "open";
    QTest::newRow("invoice through OpenSale") << true << "open";
    QTest::newRow("receipt load") << false << "load";
    QTest::newRow("invoice load") << true << "load";
}

void TestCPOSStored::missingSaleRefused()
{
    QFETCH(bool, invoice);
    QFETCH(QString, road);
    Screen s;
    s.scan(QStringLiteral("P1"));
    const QString current = s.screen->transactionId;
    if (road == QLatin1String("open"))
        s.screen->OpenSale(QStringLiteral("999999"), invoice);
    else if (invoice)
        s.screen->LoadInvoice(QStringLiteral("999999"));
    else
        s.screen->LoadReceipt(QStringLiteral("999999"));
    QVERIFY2(s.status().contains(QLatin1String("999999")) || s.status() == QLatin1String("This is not a valid invoice."),
             qPrintable(s.status()));
    QCOMPARE(s.screen->transactionId, current);
    QVERIFY(!s.screen->invoiceMode);
    QCOMPARE(s.cartRows(), 1);
    QCOMPARE(s.text("lineReceiptNumber"), current);
    QVERIFY(s.screen->changedSinceSave);
}

void TestCPOSStored::openSaleSwitchesMode_data()
{
    QTest::addColumn<bool>("invoice");
    QTest::addColumn<bool>("productButtons");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("tab");
    QTest::newRow("invoice on a receipt screen") << true << true << "Invoice opened" << 1;
    QTest::newRow("receipt on an invoice screen") << false << true << "Sales receipt has been opened." << 1;
    QTest::newRow("invoice, no product buttons") << true << false << "Invoice opened" << 0;
}

void TestCPOSStored::openSaleSwitchesMode()
{
    QFETCH(bool, invoice);
    QFETCH(bool, productButtons);
    QFETCH(QString, message);
    QFETCH(int, tab);
    const QString saleId = storedSale(invoice);
    AppSettings::Instance()->settings->setValue(QStringLiteral("POS_MODE"), invoice ? 1 : 0);
    AppSettings::Instance()->settings->setValue(QStringLiteral("show_pos_buttons"), productButtons);
    Screen s;
    QCOMPARE(s.screen->invoiceMode, !invoice);
    s.screen->OpenSale(saleId, invoice);
    QCOMPARE(s.screen->invoiceMode, invoice);
    QCOMPARE(s.child<QPushButton>("pushInvoiceMode")->isChecked(), invoice);
    QCOMPARE(AppSettings::Instance()->settings->value(QStringLiteral("POS_MODE")).toInt(), invoice ? 0 : 1);
    QCOMPARE(s.screen->transactionId, saleId);
    QCOMPARE(s.status(), message);
    QCOMPARE(s.cartRows(), 1);
    QCOMPARE(s.child<QTabWidget>("tabWidget")->currentIndex(), tab);
    QCOMPARE(s.child<QTabWidget>("tabWidget")->currentWidget(),
             invoice ? s.screen->invoiceDetailsPage : s.screen->receiptDetailsPage);
}

void TestCPOSStored::openInPosFromSalesRecords_data()
{
    QTest::addColumn<bool>("invoice");
    QTest::newRow("receipt") << false;
    QTest::newRow("invoice") << true;
}

void TestCPOSStored::openInPosFromSalesRecords()
{
    QFETCH(bool, invoice);
    const QString saleId = storedSale(invoice);
    // The screen was last used in the other mode.
    AppSettings::Instance()->settings->setValue(QStringLiteral("POS_MODE"), invoice ? 1 : 0);
    MainWindow window;
    SalesManagement page(&window, false, false, 0);
    auto* view = Child<QTableView>(&page, "tableViewSales");
    const QModelIndexList found =
        view->model()->match(view->model()->index(0, 0), Qt::DisplayRole, saleId, 1, Qt::MatchFixedString);
    QVERIFY(!found.isEmpty());
    view->setCurrentIndex(found.first());
    page.OnItemSelected(found.first());

    QString opened;
    bool asInvoice = !invoice;
    int lines = -1;
    answerer->handleClass<QPOSDialog>("QPOSDialog", [&](QPOSDialog* host) {
        auto* screen = host->findChild<CPOS*>();
        opened = screen->transactionId;
        asInvoice = screen->invoiceMode;
        lines = Child<QTableView>(screen, "tableViewItems")->model()->rowCount();
        QTimer::singleShot(0, host->findChild<QPushButton*>(QStringLiteral("pushButtonClose")), &QPushButton::click);
    });
    answerer->pressButton(QMessageBox::Yes);
    Child<QPushButton>(&page, "buttonEdit")->click();
    QCOMPARE(opened, saleId);
    QCOMPARE(asInvoice, invoice);
    QCOMPARE(lines, 1);
    QTRY_VERIFY(window.posDialog.isNull());
    QVERIFY(!window.openSaleRequested);
}

void TestCPOSStored::reorderThroughSaving_data()
{
    QTest::addColumn<QVariantMap>("settings");
    QTest::addColumn<QString>("road");
    QTest::addColumn<QStringList>("expectedOrders");
    QTest::addColumn<QStringList>("expectedItems");

    const QStringList oneVendor{"1|0|100|10|110"};
    const QStringList twoLines{"1|RA|5|11|50", "1|RB|5|11|50"};
    QTest::newRow("pay") << QVariantMap{} << "pay" << oneVendor << twoLines;
    QTest::newRow("pay, two vendors") << QVariantMap{} << "pay two vendors" << QStringList{"1|0|50|5|55", "2|0|50|5|55"}
                                      << QStringList{"1|RA|5|11|50", "2|RC|5|11|50"};
    QTest::newRow("F2 saves first") << QVariantMap{} << "F2" << oneVendor << twoLines;
    QTest::newRow("F9 holds and saves") << QVariantMap{} << "F9" << oneVendor << twoLines;
    QTest::newRow("F6 in invoice mode") << QVariantMap{{"POS_MODE", 0}} << "pay" << oneVendor << twoLines;
    QTest::newRow("F2 in invoice mode") << QVariantMap{{"POS_MODE", 0}} << "F2" << oneVendor << twoLines;
    QTest::newRow("auto_porder off") << QVariantMap{{"auto_porder", false}} << "pay" << QStringList{} << QStringList{};
}

void TestCPOSStored::reorderThroughSaving()
{
    QFETCH(QVariantMap, settings);
    QFETCH(QString, road);
    QFETCH(QStringList, expectedOrders);
    QFETCH(QStringList, expectedItems);
    for (auto it = settings.cbegin(); it != settings.cend(); ++it)
        AppSettings::Instance()->settings->setValue(it.key(), it.value());
    const QVariantMap atLevel{{"PURCHASE_PRICE", 11}, {"TAX_RATE", 10}, {"QUANTITY", 11}, {"REORDER_LEVEL", 10}};
    addStock(QStringLiteral("RA"), atLevel);
    addStock(QStringLiteral("RB"), atLevel);
    QVariantMap otherVendor = atLevel;
    otherVendor.insert(QStringLiteral("VENDOR_ID"), 2);
    addStock(QStringLiteral("RC"), otherVendor);

    Screen s;
    QVERIFY(QTest::qWaitForWindowActive(s.host));
    const bool invoice = s.screen->invoiceMode;
    for (const QString& code : road == QLatin1String("pay two vendors") ? QStringList{"RA", "RC"}
                                                                         : QStringList{"RA", "RB"}) {
        s.child("lineEditItems")->setText(QStringLiteral("2"));
        s.scan(code);
    }
    QCOMPARE(orders(), QStringList{});
    const QString saleId = s.screen->transactionId;
    QWidget* scanner = s.child("lineBarcodeScannerInput");
    scanner->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), scanner);
    if (road.startsWith(QLatin1String("pay"))) {
        s.child("lineEditPaid")->setText(s.child("lineEditTotal")->text());
        // A key clicks its button with a short animation: the click comes a moment later.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
        QTRY_VERIFY(!s.screen->changedSinceSave);
    } else if (road == QLatin1String("F2")) {
        if (!invoice)
            answerer->pressButton(QMessageBox::Yes); // underpaid
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
        QTRY_VERIFY(s.screen->transactionId != saleId);
    } else {
        answerer->handleClass<ReportParameterDialog>("ReportParameterDialog",
                                                     [](ReportParameterDialog* d) { d->ui->pushButton->click(); });
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F9);
        QTRY_VERIFY(s.screen->transactionId != saleId);
    }
    QTRY_COMPARE(answerer->pendingAnswers(), 0);
    QCOMPARE(orders(), expectedOrders);
    QCOMPARE(orderItems(), expectedItems);

    if (road.startsWith(QLatin1String("pay"))) {
        // Paying the same sale again orders nothing more.
        s.child("lineEditPaid")->setText(QStringLiteral("1000"));
        QCOMPARE(s.screen->on_pushButtonPay_clicked(), 0);
        QCOMPARE(orders(), expectedOrders);
        QCOMPARE(orderItems(), expectedItems);
    }
}

void TestCPOSStored::refusedInvoiceSaveFailsPay()
{
    AppSettings::Instance()->settings->setValue(QStringLiteral("POS_MODE"), 0);
    AppSettings::Instance()->settings->setValue(QStringLiteral("terminal_id"), QString(51, QLatin1Char('t')));
    Screen s;
    s.scan(QStringLiteral("P1"));
    QCOMPARE(s.screen->on_pushButtonPay_clicked(), 4);
    QCOMPARE(s.status(), QStringLiteral("Error occurred while logging payment information"));
    QVERIFY(s.screen->changedSinceSave);
    // F2 stops on the refused save: the invoice stays on screen.
    const QString saleId = s.screen->transactionId;
    s.screen->on_pushNew_clicked();
    QCOMPARE(s.screen->transactionId, saleId);
    QCOMPARE(s.cartRows(), 1);
}

VORANTEL_TEST_MAIN(TestCPOSStored)
#include "tst_cposstored.moc"
