#include "cpos.h"
#include "messagesettings.h"
#include "posfixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTextEdit>

// Invoice mode, the invoice save, customers, timestamps and automatic purchase orders of the
// sale screen, against real inventory and sales databases.
class TestCPOSInvoice : public PosFixture::SaleScreenTest
{
    Q_OBJECT

public:
    TestCPOSInvoice() : SaleScreenTest(QStringLiteral("pos_invoice"), {}, {"err_msg_13", "err_msg_11"}) {}

private slots:
    void modeSwitchBothWays_data();
    void modeSwitchBothWays();
    void switchToInvoicePaysTheReceiptFirst_data();
    void switchToInvoicePaysTheReceiptFirst();
    void changedPaidSaleSavedBeforeLeaving_data();
    void changedPaidSaleSavedBeforeLeaving();
    void invoiceSaveWritesEveryColumn();
    void refusedSaveKeepsSaleAndMode_data();
    void refusedSaveKeepsSaleAndMode();
    void saveWithoutSaleDoesNothing();
    void detailFieldsMarkOnlyAnExistingSale_data();
    void detailFieldsMarkOnlyAnExistingSale();
    void customerSelection_data();
    void customerSelection();
    void closingPickerDeselects();
    void timestampCorrection_data();
    void timestampCorrection();
    void purchaseOrders_data();
    void purchaseOrders();
    void purchaseOrderRefusals_data();
    void purchaseOrderRefusals();
    void reorderOnEverySaveOrdersEachCrossingOnce();

private:
    struct Screen : PosFixture::Screen
    {
        void setMode(bool invoice) const { child<QPushButton>("pushInvoiceMode")->setChecked(invoice); }
    };
    QStringList orders() const
    {
        return inventory(QStringLiteral("SELECT VENDOR_ID, STATUS, PAYMENT_STATUS, SUB_TOTAL, SALES_TAX, TOTAL FROM "
                                        "tblPOrders ORDER BY ID"));
    }
    void cleanupTest() override { TestDatabase::exec(inventoryDb, {QStringLiteral("DROP TRIGGER IF EXISTS refuse_test")}); }
};

void TestCPOSInvoice::modeSwitchBothWays_data()
{
    QTest::addColumn<bool>("productButtons");
    QTest::addColumn<QStringList>("invoiceTabs");
    QTest::addColumn<QStringList>("receiptTabs");
    QTest::newRow("with product buttons")
        << true << QStringList{"Product Buttons", "Invoice Details", "Pending Payments"}
        << QStringList{"Product Buttons", "Receipt Details", "Pending Payments"};
    QTest::newRow("without product buttons") << false << QStringList{"Invoice Details", "Pending Payments"}
                                             << QStringList{"Receipt Details", "Pending Payments"};
}

void TestCPOSInvoice::modeSwitchBothWays()
{
    QFETCH(bool, productButtons);
    QFETCH(QStringList, invoiceTabs);
    QFETCH(QStringList, receiptTabs);
    QSettings* store = AppSettings::Instance()->settings;
    store->setValue(QStringLiteral("show_pos_buttons"), productButtons);
    addStock(QStringLiteral("INV1"));

    Screen s;
    auto* tabs = s.child<QTabWidget>("tabWidget");
    auto* mode = s.child<QPushButton>("pushInvoiceMode");
    QCOMPARE(s.tabs(), receiptTabs);

    s.setMode(true);
    QVERIFY(s.screen->invoiceMode);
    QCOMPARE(s.tabs(), invoiceTabs);
    QCOMPARE(tabs->currentIndex(), 1);
    QCOMPARE(mode->text(), QStringLiteral("INVOICE\nMODE"));
    QVERIFY(s.child<QPushButton>("pushInvoiceSearch")->isEnabled());
    QCOMPARE(store->value(QStringLiteral("POS_MODE")).toInt(), 0);
    QCOMPARE(s.status(), QStringLiteral("Invoice Mode is selected."));

    // An invoice rung up and changed is saved by the switch back, then the screen starts afresh.
    s.scan(QStringLiteral("INV1"));
    const QString invoiceId = s.screen->transactionId;
    s.child("lineShipVia")->setText(QStringLiteral("DHL"));
    s.setMode(false);
    QVERIFY(!s.screen->invoiceMode);
    QCOMPARE(sales(QStringLiteral("ID, INVOICE_MODE, STATUS, GRAND_TOTAL, SHIP_VIA")),
             QStringList{invoiceId + QStringLiteral("|1|0|10|DHL")});
    QVERIFY(s.screen->transactionId.isEmpty());
    QCOMPARE(s.child<QTableView>("tableViewItems")->model()->rowCount(), 0);
    QCOMPARE(s.tabs(), receiptTabs);
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(mode->text(), QStringLiteral("RECEIPT\nMODE"));
    QVERIFY(!s.child<QPushButton>("pushInvoiceSearch")->isEnabled());
    QCOMPARE(s.child<QLabel>("labelPay")->text(), QStringLiteral("SAVE"));
    QCOMPARE(store->value(QStringLiteral("POS_MODE")).toInt(), 1);
    QCOMPARE(s.status(), QStringLiteral("Receipt Mode is selected, and invoice mode disabled."));
    QVERIFY(!s.screen->changedSinceSave);
}

void TestCPOSInvoice::switchToInvoicePaysTheReceiptFirst_data()
{
    QTest::addColumn<bool>("yes"); // the answer to the underpaid question
    QTest::addColumn<bool>("switched");
    QTest::addColumn<QString>("stored");
    QTest::newRow("paid, then switched") << true << true << "0|0|10|10";
    QTest::newRow("payment declined: no switch") << false << false << "0|-1|0|0";
}

void TestCPOSInvoice::switchToInvoicePaysTheReceiptFirst()
{
    QFETCH(bool, yes);
    QFETCH(bool, switched);
    QFETCH(QString, stored);
    addStock(QStringLiteral("INV6"));
    Screen s;
    s.scan(QStringLiteral("INV6"));
    const QString receiptId = s.screen->transactionId;
    auto* mode = s.child<QPushButton>("pushInvoiceMode");
    QSignalSpy toggles(mode, &QPushButton::toggled);
    answerer->pressButton(yes ? QMessageBox::Yes : QMessageBox::No);
    mode->setChecked(true);
    QCOMPARE(answerer->messages(),
             QStringList{"Payment|Paid amount is less than due amount. Do you still want to save in this state?"});
    QCOMPARE(sales(QStringLiteral("INVOICE_MODE, STATUS, GRAND_TOTAL, AMOUNT_DUE")), QStringList{stored});
    QCOMPARE(mode->isChecked(), switched);
    QCOMPARE(s.screen->invoiceMode, switched);
    QCOMPARE(toggles.count(), 1);
    QCOMPARE(s.screen->transactionId.isEmpty(), switched);
    if (!switched) {
        QCOMPARE(s.screen->transactionId, receiptId);
        QCOMPARE(s.child<QTableView>("tableViewItems")->model()->rowCount(), 1);
        QCOMPARE(s.tabs().value(1), QStringLiteral("Receipt Details"));
        QVERIFY(!AppSettings::Instance()->settings->contains(QStringLiteral("POS_MODE")));
    }
}

void TestCPOSInvoice::changedPaidSaleSavedBeforeLeaving_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("switch to invoice mode") << "mode";
    QTest::newRow("new sale") << "pushNew";
    QTest::newRow("close") << "pushButtonClose";
}

// A paid sale whose line is deleted afterwards is saved again, whichever way the cashier leaves it.
void TestCPOSInvoice::changedPaidSaleSavedBeforeLeaving()
{
    QFETCH(QString, way);
    addStock(QStringLiteral("PD1"), {{"QUANTITY", 50}});
    Screen s;
    s.scan(QStringLiteral("PD1"));
    s.scan(QStringLiteral("PD1"));
    const QString id = s.screen->transactionId;
    s.child("lineEditPaid")->setText(QStringLiteral("20"));
    s.child<QPushButton>("pushButtonPay")->click();
    const QString headerAndLines = QStringLiteral(
        "SELECT t.GRAND_TOTAL, t.PAID, t.AMOUNT_DUE, t.STATUS, (SELECT SUM(SUB_TOTAL + SUB_TAX) FROM tblSalesInvoice "
        "WHERE TRANSACTION_ID = t.ID) FROM tblSalesTransactions t WHERE t.ID = %1")
                                      .arg(id);
    QCOMPARE(DatabaseTest::Rows(salesDb, headerAndLines), QStringList{"20|20|0|2|20"});

    auto* view = s.child<QTableView>("tableViewItems");
    view->setCurrentIndex(view->model()->index(1, 2));
    s.child<QPushButton>("pushDeleteItem")->click();
    QCOMPARE(PosFixture::Stock(inventoryDb, QStringLiteral("PD1")), QStringLiteral("49|0"));

    if (way == QLatin1String("mode")) {
        s.setMode(true);
        QVERIFY(s.screen->invoiceMode);
    } else {
        if (way == QLatin1String("pushButtonClose"))
            answerer->pressButton(QMessageBox::Yes);
        s.child<QPushButton>(qPrintable(way))->click();
    }
    QCOMPARE(DatabaseTest::Rows(salesDb, headerAndLines), QStringList{"10|20|-10|2|10"});
    QCOMPARE(PosFixture::Stock(inventoryDb, QStringLiteral("PD1")), QStringLiteral("49|0"));
}

void TestCPOSInvoice::invoiceSaveWritesEveryColumn()
{
    AppSettings::Instance()->settings->setValue(QStringLiteral("POS_MODE"), 0);
    AppSettings::Instance()->settings->setValue(QStringLiteral("store_id"), QStringLiteral("S7"));
    AppSettings::Instance()->settings->setValue(QStringLiteral("terminal_id"), QStringLiteral("T2"));
    addStock(QStringLiteral("INV2"), {{"SALE_PRICE", 20}, {"TAX_RATE", 10}});
    const QString customerId = addCustomer(QStringLiteral("Ann Lee"), QStringLiteral("1 Hill Rd"),
                                           QStringLiteral("ann@example.com"), QStringLiteral("555-0101"));

    Screen s;
    QVERIFY(s.screen->invoiceMode);
    s.child("lineEditItems")->setText(QStringLiteral("2"));
    s.child("lineEditAbsDiscount")->setText(QStringLiteral("4"));
    s.scan(QStringLiteral("INV2"));
    pickCustomer(QStringLiteral("Ann Lee"));
    s.child<QPushButton>("pushCustomers")->setChecked(true);
    QTRY_COMPARE(s.screen->selectedCustomer.id, customerId);
    s.child<QDateEdit>("dateSentDate")->setDate(QDate(2026, 3, 1));
    s.child<QDateEdit>("dateDueDate")->setDate(QDate(2026, 3, 31));
    s.child("lineShipVia")->setText(QStringLiteral("UPS"));
    s.child<QTextEdit>("textNotes")->setPlainText(QStringLiteral("Leave at the door"));
    s.child("lineRefNumber")->setText(QStringLiteral("R-9"));
    s.child<QComboBox>("comboPaymentType")->setCurrentIndex(1);
    s.child("lineEditPaid")->setText(QStringLiteral("10"));
    // A status chosen by hand gives way to the status rule when the invoice is saved.
    s.child<QComboBox>("comboInvoiceStatus")->setCurrentIndex(2);
    const QDateTime stamp(QDate(2026, 3, 2), QTime(9, 30, 15));
    s.child<QDateTimeEdit>("dateTimeInvoiceTimeStamp")->setDateTime(stamp);

    QCOMPARE(s.screen->SaveInvoice(), 0);
    QCOMPARE(s.status(), QStringLiteral("Invoice saved."));
    QVERIFY(!s.screen->changedSinceSave);
    QCOMPARE(sales(QStringLiteral(
                 "USER_ID, CUSTOMER, CAST(TIME_STAMP AS CHAR), GRAND_TOTAL, PAID, AMOUNT_DUE, TOTAL_TAX, INVOICE_MODE, STATUS, "
                 "SENT_DATE, DUE_DATE, CUSTOMER_ID, SHIP_TO_CUSTOMER_ADDR, SHIP_NAME, SHIP_ADDRESS, SHIP_CONTACT, "
                 "SHIP_VIA, NOTES, TOTAL_DISCOUNT, PAYMENT_TYPE, REFERENCE_NUMBER, STORE_ID, TERMINAL_ID")),
             QStringList{QStringLiteral("clerk|Ann Lee|2026-03-02 09:30:15|39.6|10|29.6|3.6|1|1|2026-03-01|2026-03-31|%1|"
                                        "1|Ann Lee|1 Hill Rd|555-0101|UPS|Leave at the door|4|CREDIT CARD|R-9|S7|T2")
                             .arg(customerId)});

    QCOMPARE(s.screen->SaveInvoice(), 0);
    QCOMPARE(s.status(), QStringLiteral("Nothing changed and already saved."));
}

void TestCPOSInvoice::refusedSaveKeepsSaleAndMode_data()
{
    QTest::addColumn<QString>("storeId");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("message");

    const QString tooLong = QString(101, QLatin1Char('s'));
    QTest::newRow("database refuses the update")
        << tooLong << QString() << QString() << 4 << "Error occurred while logging payment information";
    const QString emoji = QStringLiteral("Thanks \U0001F600");
    QTest::newRow("emoji in notes") << QString() << "textNotes" << emoji << 1
                                    << "Notes holds characters that can not be stored (such as emoji). Please remove "
                                       "them and save again.";
    QTest::newRow("emoji in ship name") << QString() << "lineShipName" << emoji << 1
                                        << "Ship name holds characters that can not be stored (such as emoji). Please "
                                           "remove them and save again.";
    QTest::newRow("paid not finite") << QString() << "lineEditPaid" << "inf" << 1
                                     << "Paid amount is not valid. Example 50.75";
    QTest::newRow("address too long") << QString() << "textShipAddress" << QString(251, QLatin1Char('a')) << 1
                                      << "Ship address is too long: at most 250 characters can be stored, it has 251.";
}

void TestCPOSInvoice::refusedSaveKeepsSaleAndMode()
{
    QFETCH(QString, storeId);
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(int, result);
    QFETCH(QString, message);
    AppSettings::Instance()->settings->setValue(QStringLiteral("POS_MODE"), 0);
    AppSettings::Instance()->settings->setValue(QStringLiteral("store_id"), storeId);
    addStock(QStringLiteral("INV3"));

    Screen s;
    s.scan(QStringLiteral("INV3"));
    if (!field.isEmpty()) {
        if (auto* edit = s.screen->findChild<QTextEdit*>(field))
            edit->setPlainText(text);
        else
            s.child(qPrintable(field))->setText(text);
    }
    QCOMPARE(s.screen->SaveInvoice(), result);
    QCOMPARE(s.status(), message);
    QVERIFY(s.screen->changedSinceSave);
    QCOMPARE(sales(QStringLiteral("STATUS, SHIP_NAME, NOTES")), QStringList{"-1|NULL|NULL"});

    // The switch to receipt mode saves first; refused, it leaves the invoice and the mode as they were.
    auto* mode = s.child<QPushButton>("pushInvoiceMode");
    QSignalSpy toggles(mode, &QPushButton::toggled);
    const QString saleId = s.screen->transactionId;
    mode->setChecked(false);
    QVERIFY(mode->isChecked());
    QCOMPARE(toggles.count(), 1);
    QVERIFY(s.screen->invoiceMode);
    QCOMPARE(s.screen->transactionId, saleId);
    QCOMPARE(s.child<QTableView>("tableViewItems")->model()->rowCount(), 1);
    QCOMPARE(AppSettings::Instance()->settings->value(QStringLiteral("POS_MODE")).toInt(), 0);
    QCOMPARE(s.tabs().value(1), QStringLiteral("Invoice Details"));
}

void TestCPOSInvoice::saveWithoutSaleDoesNothing()
{
    AppSettings::Instance()->settings->setValue(QStringLiteral("POS_MODE"), 0);
    addCustomer(QStringLiteral("Bo"), QString(), QString(), QString());
    Screen s;
    pickCustomer(QStringLiteral("Bo"));
    s.child<QPushButton>("pushCustomers")->setChecked(true);
    QTRY_COMPARE(s.screen->selectedCustomer.name, QStringLiteral("Bo"));
    QVERIFY(s.screen->changedSinceSave);
    QVERIFY(s.screen->transactionId.isEmpty());

    QCOMPARE(s.screen->SaveInvoice(), 0);
    QCOMPARE(sales(QStringLiteral("ID")), QStringList{});
    s.setMode(false);
    QVERIFY(!s.screen->invoiceMode);
    QCOMPARE(sales(QStringLiteral("ID")), QStringList{});
}

void TestCPOSInvoice::detailFieldsMarkOnlyAnExistingSale_data()
{
    QTest::addColumn<QString>("field");
    for (const char* name : {"lineShipName", "lineShipContact", "lineShipVia", "lineCustomerEmailInvoice",
                             "lineRefNumber", "textShipAddress", "textNotes", "textReceiptNotes", "dateSentDate",
                             "dateDueDate", "checkShipToCustomerAddress", "comboPaymentType"})
        QTest::newRow(name) << name;
}

void TestCPOSInvoice::detailFieldsMarkOnlyAnExistingSale()
{
    QFETCH(QString, field);
    AppSettings::Instance()->settings->setValue(QStringLiteral("POS_MODE"), 0);
    addStock(QStringLiteral("INV4"));
    Screen s;
    const auto edit = [&](int round) {
        QWidget* widget = Child<QWidget>(s.screen, qPrintable(field));
        const QString text = QStringLiteral("x%1").arg(round);
        if (auto* line = qobject_cast<QLineEdit*>(widget))
            line->setText(text);
        else if (auto* textEdit = qobject_cast<QTextEdit*>(widget))
            textEdit->setPlainText(text);
        else if (auto* date = qobject_cast<QDateEdit*>(widget))
            date->setDate(date->date().addDays(1));
        else if (auto* box = qobject_cast<QCheckBox*>(widget))
            box->toggle();
        else
            qobject_cast<QComboBox*>(widget)->setCurrentIndex(round + 1);
    };

    edit(0);
    QVERIFY2(!s.screen->changedSinceSave, "no sale row yet: nothing to mark");

    s.scan(QStringLiteral("INV4"));
    QCOMPARE(s.screen->SaveInvoice(), 0);
    QVERIFY(!s.screen->changedSinceSave);
    QCOMPARE(sales(QStringLiteral("CUSTOMER")), QStringList{"NO CUSTOMER SELECTED"}); // no customer picked
    auto* stamp = s.child<QDateTimeEdit>("dateTimeInvoiceTimeStamp");
    stamp->setDateTime(QDateTime(QDate(2020, 1, 1), QTime(8, 0)));
    edit(1);
    QVERIFY(s.screen->changedSinceSave);
    QVERIFY(stamp->dateTime().date() == QDate::currentDate());
}

void TestCPOSInvoice::customerSelection_data()
{
    QTest::addColumn<bool>("invoice");
    QTest::addColumn<QStringList>("fields"); // name, e-mail, contact, address
    QTest::addColumn<QString>("label");
    QTest::newRow("invoice") << true
                             << QStringList{"lineShipName", "lineCustomerEmailInvoice", "lineShipContact",
                                            "textShipAddress"}
                             << "label_invoice_customer_notification";
    QTest::newRow("receipt") << false
                             << QStringList{"lineCustomerName", "lineCustomerEmail", "lineCustomerContact",
                                            "textCustomerAddress"}
                             << "label_receipt_customer_notification";
}

void TestCPOSInvoice::customerSelection()
{
    QFETCH(bool, invoice);
    QFETCH(QStringList, fields);
    QFETCH(QString, label);
    AppSettings::Instance()->settings->setValue(QStringLiteral("POS_MODE"), invoice ? 0 : 1);
    AppSettings::Instance()->settings->setValue(QStringLiteral("err_msg_11"), true);
    MessageSettings::Instance()->Load();
    // A 50-character name fits the customer list, not the 45 characters of the ship name.
    const QString name = QStringLiteral("Cleo ") + QString(45, QLatin1Char('Z'));
    const QString id = addCustomer(name, QStringLiteral("2 Bay St"), QStringLiteral("cleo@example.com"),
                                   QStringLiteral("555-0199"));
    Screen s;
    auto* ship = s.child<QCheckBox>("checkShipToCustomerAddress");
    ship->setChecked(false);
    const auto texts = [&] {
        QStringList out;
        for (const QString& f : fields) {
            if (auto* text = s.screen->findChild<QTextEdit*>(f))
                out << text->toPlainText();
            else
                out << s.child(qPrintable(f))->text();
        }
        return out;
    };

    pickCustomer(name);
    answerer->handleClass("ErrorDialog", [](QWidget* notice) { static_cast<QDialog*>(notice)->accept(); });
    s.child<QPushButton>("pushCustomers")->setChecked(true);
    QCOMPARE(s.screen->selectedCustomer.id, id);
    QCOMPARE(s.screen->selectedCustomer.name, name);
    QCOMPARE(texts(), (QStringList{name.left(45), "cleo@example.com", "555-0199", "2 Bay St"}));
    QCOMPARE(s.child<QLabel>(qPrintable(label))->text(), QStringLiteral("CUSTOMER SELECTED"));
    QVERIFY(s.child<QLabel>(qPrintable(label))->styleSheet().contains(QLatin1String("green")));
    QCOMPARE(ship->isChecked(), invoice);
    QCOMPARE(s.child<QTabWidget>("tabWidget")->currentIndex(), 1);
    QCOMPARE(s.status(), QStringLiteral("Selected customer : ") + name);
    QCOMPARE(answerer->seen.last().title, QStringLiteral("Customer Selection"));

    s.child<QPushButton>("pushCustomers")->setChecked(false);
    QCOMPARE(s.screen->selectedCustomer.id, QString());
    QCOMPARE(texts(), (QStringList{"", "", "", ""}));
    QCOMPARE(s.child<QLabel>(qPrintable(label))->text(), QStringLiteral("NO CUSTOMER SELECTED"));
    QVERIFY(s.child<QLabel>(qPrintable(label))->styleSheet().contains(QLatin1String("red")));
    QCOMPARE(ship->isChecked(), invoice);
    QCOMPARE(s.status(), QStringLiteral("Customer deselected."));
}

void TestCPOSInvoice::closingPickerDeselects()
{
    addCustomer(QStringLiteral("Dee"), QString(), QString(), QString());
    Screen s;
    answerer->reject();
    auto* button = s.child<QPushButton>("pushCustomers");
    button->setChecked(true);
    QVERIFY(!button->isChecked());
    QVERIFY(s.screen->selectedCustomer.id.isEmpty());
    QCOMPARE(s.child<QLabel>("label_receipt_customer_notification")->text(), QStringLiteral("NO CUSTOMER SELECTED"));
    QCOMPARE(s.status(), QStringLiteral("Customer deselected."));
    // The customer marks the sale changed even before it has a row.
    QVERIFY(s.screen->changedSinceSave);
}

void TestCPOSInvoice::timestampCorrection_data()
{
    QTest::addColumn<QString>("role");
    QTest::addColumn<QList<int>>("modules");
    QTest::addColumn<bool>("withSale");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("written");

    const QString refused = QStringLiteral("Permission|You are not allowed to access this function. Please contact "
                                           "ADMINISTRATOR user of Vorantel and request Sales Management permissions.");
    QTest::newRow("administrator, invoice") << "ADMINISTRATOR" << QList<int>{} << true << "pushUpdateInvoiceTimestamp"
                                            << "Timestamp|Invoice timestamp updated successfully" << true;
    QTest::newRow("sales module, receipt") << "CLERKS" << QList<int>{0, 3} << true << "pushUpdateReceiptTimestamp"
                                           << "Timestamp|Receipt timestamp updated successfully" << true;
    QTest::newRow("without sales module") << "CLERKS" << QList<int>{0, 1, 2, 4} << true
                                          << "pushUpdateReceiptTimestamp" << refused << false;
    QTest::newRow("without sales module, invoice") << "CLERKS" << QList<int>{0} << true
                                                   << "pushUpdateInvoiceTimestamp" << refused << false;
    QTest::newRow("no sale on screen") << "ADMINISTRATOR" << QList<int>{} << false << "pushUpdateInvoiceTimestamp"
                                       << "Timestamp|Error occurred. Failed to update timestamp" << false;
}

void TestCPOSInvoice::timestampCorrection()
{
    QFETCH(QString, role);
    QFETCH(QList<int>, modules);
    QFETCH(bool, withSale);
    QFETCH(QString, button);
    QFETCH(QString, message);
    QFETCH(bool, written);
    addStock(QStringLiteral("INV5"));
    Screen s;
    if (withSale)
        s.scan(QStringLiteral("INV5"));
    AppSettings::Instance()->roleName = role;
    AppSettings::Instance()->permittedModules = modules;
    const QDateTime corrected(QDate(2025, 12, 24), QTime(17, 45, 0));
    const char* field =
        button.contains(QLatin1String("Invoice")) ? "dateTimeInvoiceTimeStamp" : "dateTimeReceiptTimeStamp";
    s.child<QDateTimeEdit>(field)->setDateTime(corrected);
    const bool changed = s.screen->changedSinceSave;
    const QStringList before = sales(QStringLiteral("CAST(TIME_STAMP AS CHAR)"));

    answerer->pressButton(QMessageBox::Ok);
    s.child<QPushButton>(qPrintable(button))->click();
    QCOMPARE(answerer->messages(), QStringList{message});
    QCOMPARE(sales(QStringLiteral("CAST(TIME_STAMP AS CHAR)")),
             written ? QStringList{"2025-12-24 17:45:00"} : before);
    QCOMPARE(s.screen->changedSinceSave, changed);
}

void TestCPOSInvoice::purchaseOrders_data()
{
    QTest::addColumn<QVariantMap>("settings");
    QTest::addColumn<QStringList>("noted");  // codes on the reorder list
    QTest::addColumn<QStringList>("called"); // codes handed to GeneratePurchaseOrder, in order
    QTest::addColumn<QStringList>("expectedOrders");
    QTest::addColumn<QStringList>("expectedItems");
    QTest::addColumn<QString>("message");

    const QString generated = QStringLiteral("New purchase order generated for this product.");
    QTest::newRow("one vendor, two codes: one order")
        << QVariantMap{} << QStringList{"PA", "PB"} << QStringList{"PA", "PB"}
        << QStringList{"1|0|0|100|10|110"} << QStringList{"1|PA|5|11|50", "1|PB|5|11|50"} << generated;
    QTest::newRow("two vendors: two orders")
        << QVariantMap{} << QStringList{"PA", "PC"} << QStringList{"PA", "PC"}
        << QStringList{"1|0|0|50|5|55", "2|0|0|50|5|55"} << QStringList{"1|PA|5|11|50", "2|PC|5|11|50"} << generated;
    QTest::newRow("auto_porder off") << QVariantMap{{"auto_porder", false}} << QStringList{"PA"} << QStringList{"PA"}
                                     << QStringList{} << QStringList{} << QString();
    QTest::newRow("code not noted") << QVariantMap{} << QStringList{"PB"} << QStringList{"PA"} << QStringList{}
                                    << QStringList{} << QString();
    QTest::newRow("code on two lines orders once")
        << QVariantMap{} << QStringList{"PA"} << QStringList{"PA", "PA"} << QStringList{"1|0|0|50|5|55"}
        << QStringList{"1|PA|5|11|50"} << generated;
    QTest::newRow("tax rate 0") << QVariantMap{} << QStringList{"PZ"} << QStringList{"PZ"}
                                << QStringList{"1|0|0|55|0|55"} << QStringList{"1|PZ|5|11|55"} << generated;
    QTest::newRow("apostrophe in the code") << QVariantMap{} << QStringList{"P'Q"} << QStringList{"P'Q"}
                                            << QStringList{"1|0|0|50|5|55"} << QStringList{"1|P'Q|5|11|50"}
                                            << generated;
}

void TestCPOSInvoice::purchaseOrders()
{
    QFETCH(QVariantMap, settings);
    QFETCH(QStringList, noted);
    QFETCH(QStringList, called);
    QFETCH(QStringList, expectedOrders);
    QFETCH(QStringList, expectedItems);
    QFETCH(QString, message);
    for (auto it = settings.cbegin(); it != settings.cend(); ++it)
        AppSettings::Instance()->settings->setValue(it.key(), it.value());
    const QVariantMap taxed{{"PURCHASE_PRICE", 11}, {"TAX_RATE", 10}};
    addStock(QStringLiteral("PA"), taxed);
    addStock(QStringLiteral("PB"), taxed);
    addStock(QStringLiteral("PC"), {{"PURCHASE_PRICE", 11}, {"TAX_RATE", 10}, {"VENDOR_ID", 2}});
    addStock(QStringLiteral("PZ"), {{"PURCHASE_PRICE", 11}});
    addStock(QStringLiteral("P'Q"), taxed);

    Screen s;
    s.screen->reorderStockCodes = noted;
    for (const QString& code : called)
        s.screen->GeneratePurchaseOrder(code);
    QCOMPARE(orders(), expectedOrders);
    QCOMPARE(orderItems(), expectedItems);
    QCOMPARE(s.status(), message);
    if (!expectedOrders.isEmpty())
        QCOMPARE(inventory(QStringLiteral("SELECT DISTINCT SHIPPING_NAME, SHIPPING_ADDRESS, SHIPPING_CONTACT, "
                                          "DISABLE_TAX, SHIP_TO_COMPANY_ADDRESS, SENT_DATE = CURDATE() FROM tblPOrders")),
                 QStringList{"My Company|Company Address|Ph: 1111-8888-3333|1|1|1"});
    for (const QString& code : called)
        if (noted.contains(code) && AppSettings::Instance()->settings->value(QStringLiteral("auto_porder"), true).toBool())
            QVERIFY2(!s.screen->reorderStockCodes.contains(code), "each code is consumed once");
}

void TestCPOSInvoice::purchaseOrderRefusals_data()
{
    QTest::addColumn<QString>("company");    // REPORT_COMPANY_NAME
    QTest::addColumn<QString>("staleOrder"); // an order ID already noted for vendor 1
    QTest::addColumn<QString>("trigger");    // a trigger that refuses a statement
    QTest::addColumn<bool>("stockGone");
    QTest::addColumn<QString>("message");

    const QString failed = QStringLiteral("Error occurred while generating purchase order. ");
    QTest::newRow("no stock row: error 100") << QString() << QString() << QString() << true
                                             << "Error occurred while generating purchase order. Error code: 100";
    QTest::newRow("order refused") << QString(101, QLatin1Char('C')) << QString() << QString() << false
                                   << failed + "Data too long for column 'SHIPPING_NAME'";
    QTest::newRow("item of a vanished order refused")
        << QString() << "999999" << QString() << false << failed + "Cannot add or update a child row";
    QTest::newRow("item refused: the new order goes too")
        << QString() << QString() << "BEFORE INSERT ON tblPODetails" << false << failed + "refused by the test";
    QTest::newRow("totals refused: order and item go too")
        << QString() << QString() << "BEFORE UPDATE ON tblPOrders" << false << failed + "refused by the test";
}

void TestCPOSInvoice::purchaseOrderRefusals()
{
    QFETCH(QString, company);
    QFETCH(QString, staleOrder);
    QFETCH(QString, trigger);
    QFETCH(bool, stockGone);
    QFETCH(QString, message);
    if (!company.isEmpty())
        AppSettings::Instance()->settings->setValue(REPORT_COMPANY_NAME, company);
    addStock(QStringLiteral("RA"), {{"PURCHASE_PRICE", 11}, {"TAX_RATE", 10}});
    addStock(QStringLiteral("RB"), {{"PURCHASE_PRICE", 11}, {"TAX_RATE", 10}});
    if (!trigger.isEmpty())
        QCOMPARE(TestDatabase::exec(inventoryDb, {QStringLiteral("CREATE TRIGGER refuse_test %1 FOR EACH ROW SIGNAL "
                                                                 "SQLSTATE '45000' SET MESSAGE_TEXT = 'refused by the "
                                                                 "test'")
                                                      .arg(trigger)}),
                 QString());
    Screen s;
    if (stockGone)
        QCOMPARE(TestDatabase::exec(inventoryDb, {QStringLiteral("DELETE FROM tblInventory WHERE BAR_CODE = 'RA'")}),
                 QString());
    if (!staleOrder.isEmpty())
        s.screen->autoOrderByVendor.insert(QStringLiteral("1"), staleOrder);
    s.screen->reorderStockCodes = QStringList{"RA", "RB"};

    s.screen->GeneratePurchaseOrder(QStringLiteral("RA"));
    QVERIFY2(s.status().startsWith(message), qPrintable(s.status()));
    QCOMPARE(orders(), QStringList{});
    QCOMPARE(orderItems(), QStringList{});
    QCOMPARE(s.screen->reorderStockCodes, QStringList{"RB"});
    QCOMPARE(s.screen->autoOrderByVendor.value(QStringLiteral("1")), staleOrder);
    // The refused code is skipped; the next one is handled as usual.
    if (!trigger.isEmpty())
        QCOMPARE(TestDatabase::exec(inventoryDb, {QStringLiteral("DROP TRIGGER refuse_test")}), QString());
    if (company.isEmpty() && staleOrder.isEmpty()) {
        s.screen->GeneratePurchaseOrder(QStringLiteral("RB"));
        QCOMPARE(orders(), QStringList{"1|0|0|50|5|55"});
        QCOMPARE(orderItems(), QStringList{"1|RB|5|11|50"});
    }
}

void TestCPOSInvoice::reorderOnEverySaveOrdersEachCrossingOnce()
{
    AppSettings::Instance()->settings->setValue(QStringLiteral("POS_MODE"), 0);
    const QVariantMap atLevel{{"PURCHASE_PRICE", 11}, {"TAX_RATE", 10}, {"QUANTITY", 11}, {"REORDER_LEVEL", 10}};
    addStock(QStringLiteral("RO1"), atLevel);
    addStock(QStringLiteral("RO2"), atLevel);
    addStock(QStringLiteral("RO3"), atLevel);
    addStock(QStringLiteral("RO4"), {{"QUANTITY", 50}, {"REORDER_LEVEL", 10}});
    Screen s;
    s.child("lineEditItems")->setText(QStringLiteral("2"));
    s.scan(QStringLiteral("RO1"));
    s.child("lineEditItems")->setText(QStringLiteral("2"));
    s.scan(QStringLiteral("RO2"));
    s.scan(QStringLiteral("RO4"));
    QCOMPARE(s.screen->SaveInvoice(), 0);
    QCOMPARE(orders(), QStringList{"1|0|0|100|10|110"});
    QCOMPARE(orderItems(), (QStringList{"1|RO1|5|11|50", "1|RO2|5|11|50"}));

    // Saved again: no second order for the same crossings.
    s.child("lineShipVia")->setText(QStringLiteral("Courier"));
    QCOMPARE(s.screen->SaveInvoice(), 0);
    QCOMPARE(orderItems().size(), 2);

    // A crossing after the first save is ordered by the next save, into the sale's order.
    s.child("lineEditItems")->setText(QStringLiteral("2"));
    s.scan(QStringLiteral("RO3"));
    QCOMPARE(s.screen->SaveInvoice(), 0);
    QCOMPARE(orders(), QStringList{"1|0|0|150|15|165"});
    QCOMPARE(orderItems(), (QStringList{"1|RO1|5|11|50", "1|RO2|5|11|50", "1|RO3|5|11|50"}));
}

VORANTEL_TEST_MAIN(TestCPOSInvoice)
#include "tst_cposinvoice.moc"
