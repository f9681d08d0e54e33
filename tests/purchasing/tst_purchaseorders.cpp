#include "addeditpurchaseorder.h"
#include "databasehooks.h"
#include "modalanswerer.h"
#include "purchasemanagement.h"
#include "purchasemodel.h"
#include "purchasetest.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTimeEdit>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTableView>
#include <QTextEdit>
#include <QSortFilterProxyModel>
#include <QSqlQueryModel>

#include <functional>

// The purchase order editor and the purchase orders page on a real inventory database: what a saved order
// keeps, searches, the overdue mark, and deletions that take an order with its lines or nothing.
class TestPurchaseOrders : public PurchaseTest
{
    Q_OBJECT

private slots:
    void savedOrderSurvivesReopen();
    void failedFirstSaveOpensNoLineDialog();
    void deleteTakesLinesAndOrderOrNothing_data();
    void deleteTakesLinesAndOrderOrNothing();
    void unreadableListSaysSo();
    void readRefusedAfterADeleteShowsNoDeletedRow_data();
    void readRefusedAfterADeleteShowsNoDeletedRow();
    void closedOrderIsViewOnly();
    void openingWritesNothing_data();
    void openingWritesNothing();
    void closedOrderRefusesChanges_data();
    void closedOrderRefusesChanges();
    void untouchedAmountsAreNotRewritten_data();
    void untouchedAmountsAreNotRewritten();
    void savedNotesKeepTheTax_data();
    void savedNotesKeepTheTax();
    void changedAmountsAreWritten_data();
    void changedAmountsAreWritten();
    void paidAmountSetsPaymentStatus_data();
    void paidAmountSetsPaymentStatus();
    void overdueMark_data();
    void overdueMark();
    void numbersAndDatesSortByValue_data();
    void numbersAndDatesSortByValue();
    void vendorsComeBackSortedAfterAFailedRead();
    void buttonsStayWhileMessagesComeAndGo_data();
    void buttonsStayWhileMessagesComeAndGo();
    void itemButtonsAndTotalsInView_data();
    void itemButtonsAndTotalsInView();
    void vendorBoxTellsLongNamesApart_data();
    void vendorBoxTellsLongNamesApart();

private:
    // Orders and lines: "order ID|lines".
    QStringList orders() const
    {
        return rows(QStringLiteral("SELECT o.ID, (SELECT COUNT(*) FROM tblPODetails d WHERE d.PORDER_ID = o.ID) "
                                   "FROM tblPOrders o ORDER BY o.ID"));
    }
    QString addOrder(int status, const QString& deliveryDate, int lines) const
    {
        QString error = run(QStringLiteral("INSERT INTO tblPOrders (VENDOR_ID, STATUS, DELIVERY_DATE, PAYMENT_STATUS) "
                                           "SELECT ID, ?, ?, 0 FROM tblVendors WHERE NAME = 'NONE'"),
                            {status, deliveryDate.isEmpty() ? QVariant(QVariant::Date) : QVariant(deliveryDate)});
        for (int i = 0; error.isEmpty() && i < lines; ++i)
            error = run(QStringLiteral("INSERT INTO tblPODetails (PORDER_ID, PRODUCT_ID, QUANTITY, BATCH_NUMBER) "
                                       "SELECT MAX(o.ID), MAX(p.ID), 1, '' FROM tblPOrders o, tblProducts p"));
        return error;
    }
    // An order of 10 × P1 stored with tax: 100 + 10 = 110.
    QString addTaxedOrder(int status) const
    {
        QString error = addProduct(QStringLiteral("P1"), QStringLiteral("Bolt"));
        if (error.isEmpty())
            error = run(QStringLiteral("INSERT INTO tblPOrders (VENDOR_ID, STATUS, SENT_DATE, SUB_TOTAL, SALES_TAX, TOTAL, "
                                       "NOTES, DISABLE_TAX, LAST_MODIFIED, PAYMENT_STATUS, PAID_AMOUNT) SELECT ID, ?, "
                                       "'2026-03-01', 100, 10, 110, 'old notes', 1, '2026-03-02 10:20:30', 1, 50 "
                                       "FROM tblVendors WHERE NAME = 'NONE'"),
                        {status});
        if (error.isEmpty())
            error = run(QStringLiteral("INSERT INTO tblPODetails (PORDER_ID, PRODUCT_ID, QUANTITY, UNIT_PRICE, LINE_TOTAL, "
                                       "BATCH_NUMBER) SELECT MAX(o.ID), MAX(p.ID), 10, 11, 100, '' FROM tblPOrders o, "
                                       "tblProducts p"));
        return error;
    }
    QStringList everyOrderByte() const
    {
        return rows(QStringLiteral("SELECT * FROM tblPOrders")) + rows(QStringLiteral("SELECT * FROM tblPODetails"));
    }
};

void TestPurchaseOrders::savedOrderSurvivesReopen()
{
    QCOMPARE(addVendor(QStringLiteral("Acme")), QString());
    const QDateTime stamp(QDate(2026, 11, 1), QTime(10, 11, 12));
    {
        AddEditPurchaseOrder editor(nullptr, nullptr);
        Child<QComboBox>(&editor, "comboVendors")->setCurrentText(QStringLiteral("Acme"));
        QCOMPARE(Child<QLineEdit>(&editor, "lineContact")->text(), QStringLiteral("acme@example.com"));
        Child<QComboBox>(&editor, "comboStatus")->setCurrentIndex(1);
        Child<QDateEdit>(&editor, "dateSent")->setDate(QDate(2026, 11, 2));
        Child<QDateEdit>(&editor, "dateDeliver")->setDate(QDate(2026, 11, 20));
        Child<QComboBox>(&editor, "comboBoxTaxStatus")->setCurrentIndex(1);
        Child<QTextEdit>(&editor, "textEditNotes")->setPlainText(QStringLiteral("Deliver to the back door"));
        Child<QLineEdit>(&editor, "lineEditShipVia")->setText(QStringLiteral("Courier"));
        Child<QLineEdit>(&editor, "lineEditShippingName")->setText(QStringLiteral("Shop"));
        Child<QTextEdit>(&editor, "textEditShippingAddress")->setPlainText(QStringLiteral("1 High St\nTown"));
        Child<QLineEdit>(&editor, "lineEditShippingContact")->setText(QStringLiteral("555-0199"));
        Child<QLineEdit>(&editor, "line_paid_amount")->setText(QStringLiteral("0"));
        Child<QComboBox>(&editor, "comboPaymentStatus")->setCurrentIndex(1);
        Child<QDateTimeEdit>(&editor, "dateTimePOTimeStamp")->setDateTime(stamp);
        Child<QPushButton>(&editor, "pushSave")->click();
        const QString id = Child<QLineEdit>(&editor, "linePoNumber")->text();
        QVERIFY(!id.isEmpty());
        QVERIFY(!editor.IsModified());
        Child<QLineEdit>(&editor, "lineEditShipVia")->setText(QStringLiteral("Courier express"));
        Child<QPushButton>(&editor, "pushSave")->click();
        QCOMPARE(statusText(&editor), QStringLiteral("Purchase order saved successfully."));
        QCOMPARE(rows(QStringLiteral("SELECT ID, SHIP_VIA FROM tblPOrders")), QStringList{id + "|Courier express"});
    }

    PurchaseManagement page(nullptr);
    auto* table = Child<QTableView>(&page, "tableViewItems");
    Child<QComboBox>(&page, "comboStatus")->setCurrentText(QStringLiteral("DRAFT"));
    Child<QPushButton>(&page, "buttonSearch")->click();
    QCOMPARE(table->model()->rowCount(), 0);
    Child<QComboBox>(&page, "comboStatus")->setCurrentText(QStringLiteral("SENT"));
    Child<QLineEdit>(&page, "editName")->setText(QStringLiteral("cm"));
    Child<QPushButton>(&page, "buttonSearch")->click();
    QCOMPARE(table->model()->rowCount(), 1);
    QCOMPARE(table->model()->index(0, PurchaseModel::STATUS).data().toString(), QStringLiteral("SENT"));

    QStringList shown;
    answerer->handleClass<AddEditPurchaseOrder>("AddEditPurchaseOrder", [&shown](AddEditPurchaseOrder* editor) {
        shown << Child<QComboBox>(editor, "comboVendors")->currentText()
              << Child<QComboBox>(editor, "comboStatus")->currentText()
              << Child<QDateEdit>(editor, "dateSent")->date().toString(Qt::ISODate)
              << Child<QDateEdit>(editor, "dateDeliver")->date().toString(Qt::ISODate)
              << Child<QComboBox>(editor, "comboBoxTaxStatus")->currentText()
              << Child<QTextEdit>(editor, "textEditNotes")->toPlainText()
              << Child<QLineEdit>(editor, "lineEditShipVia")->text()
              << Child<QLineEdit>(editor, "lineEditShippingName")->text()
              << Child<QTextEdit>(editor, "textEditShippingAddress")->toPlainText()
              << Child<QLineEdit>(editor, "lineEditShippingContact")->text()
              << Child<QComboBox>(editor, "comboPaymentStatus")->currentText()
              << Child<QLineEdit>(editor, "line_paid_amount")->text()
              << Child<QDateTimeEdit>(editor, "dateTimePOTimeStamp")->dateTime().toString(Qt::ISODate);
        editor->reject();
    });
    table->setCurrentIndex(table->model()->index(0, 1));
    Child<QPushButton>(&page, "buttonEdit")->click();
    QTRY_COMPARE(answerer->pendingAnswers(), 0);
    QCOMPARE(shown, (QStringList{"Acme", "SENT", "2026-11-02", "2026-11-20", "ENABLE Sales Tax FOR PO ITEMS",
                                 "Deliver to the back door", "Courier express", "Shop", "1 High St\nTown", "555-0199",
                                 "PARTIALLY PAID", "0.00", "2026-11-01T10:11:12"}));
    // The search stays in force after the editor closed.
    QCOMPARE(table->model()->rowCount(), 1);
}

void TestPurchaseOrders::failedFirstSaveOpensNoLineDialog()
{
    QCOMPARE(failOn(QStringLiteral("INSERT"), QStringLiteral("tblPOrders"), QStringLiteral("no new orders")), QString());
    AddEditPurchaseOrder editor(nullptr, nullptr);
    Child<QTextEdit>(&editor, "textEditNotes")->setPlainText(QStringLiteral("keep me"));
    Child<QPushButton>(&editor, "pushAddItem")->click();
    QVERIFY2(statusText(&editor).startsWith(QStringLiteral("Error occurred while saving purchase order.")),
             qPrintable(statusText(&editor)));
    QTRY_VERIFY(statusStyle(&editor).contains(QStringLiteral("red")));
    QVERIFY(answerer->seen.isEmpty()); // no line dialog for an order that is not stored
    QVERIFY(editor.IsModified());
    QCOMPARE(orders(), QStringList());

    // The unsaved change is still offered on closing.
    answerer->pressButton(QMessageBox::No);
    Child<QPushButton>(&editor, "pushClose")->click();
    QTRY_COMPARE(answerer->pendingAnswers(), 0);
    QCOMPARE(answerer->messages(), QStringList{"Close?|Do you want to save changes?"});
}

void TestPurchaseOrders::deleteTakesLinesAndOrderOrNothing_data()
{
    QTest::addColumn<QString>("refused"); // a statement the database refuses; empty: none
    QTest::addColumn<QStringList>("left");
    QTest::newRow("both orders go") << "" << QStringList{};
    QTest::newRow("a refused order keeps every line") << "tblPOrders" << QStringList{"1|2", "2|1"};
    QTest::newRow("a refused line keeps every order") << "tblPODetails" << QStringList{"1|2", "2|1"};
}

void TestPurchaseOrders::deleteTakesLinesAndOrderOrNothing()
{
    QFETCH(QString, refused);
    QFETCH(QStringList, left);
    QCOMPARE(addProduct(QStringLiteral("P1"), QStringLiteral("Bolt")), QString());
    QCOMPARE(addOrder(0, QString(), 2), QString());
    QCOMPARE(addOrder(1, QString(), 1), QString());
    if (!refused.isEmpty())
        QCOMPARE(failOn(QStringLiteral("DELETE"), refused, QStringLiteral("kept for the auditors")), QString());

    PurchaseManagement page(nullptr);
    auto* table = Child<QTableView>(&page, "tableViewItems");
    table->setCurrentIndex(table->model()->index(0, 1)); // a selected row enables Delete
    table->selectAll();
    answerer->pressButton(QMessageBox::Yes);
    if (!refused.isEmpty())
        answerer->pressButton(QMessageBox::Ok);
    Child<QPushButton>(&page, "buttonDelete")->click();
    QTRY_COMPARE(answerer->pendingAnswers(), 0);
    QCOMPARE(answerer->messages().value(0),
             QStringLiteral("Delete Purchase Orders|Do you really want to delete 2 selected purchase order(s)?"));
    if (!refused.isEmpty())
        QVERIFY2(answerer->messages().value(1).contains(QStringLiteral("kept for the auditors")),
                 qPrintable(answerer->messages().join('\n')));
    QCOMPARE(orders(), left);
    QCOMPARE(table->model()->rowCount(), left.size());
}

void TestPurchaseOrders::closedOrderIsViewOnly()
{
    QCOMPARE(addProduct(QStringLiteral("P1"), QStringLiteral("Bolt")), QString());
    QCOMPARE(addOrder(4, QString(), 1), QString());
    QString itemTitle;
    bool updateShown = true;
    answerer->handleClass<QDialog>("AddEditPOItemDialog", [&](QDialog* dialog) {
        itemTitle = dialog->windowTitle();
        updateShown = Child<QPushButton>(dialog, "pushUpdate")->isVisibleTo(dialog);
        dialog->reject();
    });
    withListedOrder([](AddEditPurchaseOrder& editor) {
        QCOMPARE(editor.windowTitle(), QStringLiteral("View Purchase Order"));
        QVERIFY(!Child<QComboBox>(&editor, "comboStatus")->isEnabled());
        QVERIFY(Child<QComboBox>(&editor, "comboStatus")->styleSheet().contains(QStringLiteral("black")));
        for (const char* hidden : {"pushSave", "pushAddItem", "pushDeleteItem", "pushReceiveStock"})
            QVERIFY2(!Child<QPushButton>(&editor, hidden)->isVisibleTo(&editor), hidden);
        QVERIFY(!Child<QComboBox>(&editor, "comboVendors")->isEnabled());
        QVERIFY(!Child<QTextEdit>(&editor, "textEditNotes")->isEnabled());
        auto* view = Child<QPushButton>(&editor, "pushEditItem");
        QCOMPARE(view->text(), QStringLiteral("View..."));
        auto* table = Child<QTableView>(&editor, "tableView");
        table->setCurrentIndex(table->model()->index(0, 2));
        view->click();
    });
    QCOMPARE(itemTitle, QStringLiteral("View Purchase Order Item"));
    QVERIFY(!updateShown);
}

void TestPurchaseOrders::openingWritesNothing_data()
{
    QTest::addColumn<int>("status");
    QTest::newRow("sent") << 1;
    QTest::newRow("closed") << 4;
}

// With the tax setting off, an order stored with tax is opened and closed again from the list.
void TestPurchaseOrders::openingWritesNothing()
{
    QFETCH(int, status);
    QCOMPARE(addTaxedOrder(status), QString());
    AppSettings::Instance()->settings->setValue(QStringLiteral("enable_tax"), false);
    const QStringList before = everyOrderByte();
    QCOMPARE(before.size(), 2);

    PurchaseManagement page(nullptr);
    auto* table = Child<QTableView>(&page, "tableViewItems");
    table->setCurrentIndex(table->model()->index(0, 1));
    QString total;
    answerer->handleClass<AddEditPurchaseOrder>("AddEditPurchaseOrder", [&](AddEditPurchaseOrder* editor) {
        total = Child<QLineEdit>(editor, "lineTotal")->text();
        if (status == 4) {
            // What would save an open order leaves a closed one as it is.
            auto* paid = Child<QLineEdit>(editor, "line_paid_amount");
            QTest::keyClicks(paid, QStringLiteral("9"));
            QTest::keyClick(paid, Qt::Key_Return);
            Child<QPushButton>(editor, "pushUpdateTimestamp")->click();
        }
        Child<QPushButton>(editor, "pushClose")->click();
    });
    Child<QPushButton>(&page, "buttonEdit")->click();
    QTRY_COMPARE(answerer->pendingAnswers(), 0);
    QCOMPARE(total, QStringLiteral("110.00"));
    QCOMPARE(answerer->messages(), QStringList()); // nothing to save, so no question
    QCOMPARE(everyOrderByte(), before);
}

void TestPurchaseOrders::closedOrderRefusesChanges_data()
{
    QTest::addColumn<QByteArray>("slot"); // run directly: view-only mode disables what reaches it
    QTest::addColumn<QString>("said");     // the status line afterwards; empty: not looked at
    const QString refusal = QStringLiteral("Closed purchase order can not be changed.");
    QTest::newRow("Save") << QByteArray("on_pushSave_clicked") << refusal;
    QTest::newRow("Return in the paid amount") << QByteArray("on_line_paid_amount_returnPressed") << refusal;
    QTest::newRow("Update Timestamp") << QByteArray("on_pushUpdateTimestamp_clicked") << refusal;
    QTest::newRow("Vendors...") << QByteArray("on_pushSearchVendor_clicked") << QString();
}

// Fields a save would write are changed first (not for "Vendors...", which alone marks the order changed), then the
// editor is closed: nothing is asked or written.
void TestPurchaseOrders::closedOrderRefusesChanges()
{
    QFETCH(QByteArray, slot);
    QFETCH(QString, said);
    QCOMPARE(addTaxedOrder(4), QString());
    AppSettings::Instance()->roleName = QStringLiteral("ADMINISTRATOR"); // Update Timestamp is allowed
    const auto noRole = qScopeGuard([] { AppSettings::Instance()->roleName.clear(); });
    const QStringList before = everyOrderByte();
    const bool vendors = slot == "on_pushSearchVendor_clicked";
    if (vendors)
        answerer->handleClass<QDialog>("ManageVendors", [](QDialog* dialog) { dialog->reject(); });
    withListedOrder([&](AddEditPurchaseOrder& editor) {
        if (!vendors) {
            Child<QTextEdit>(&editor, "textEditNotes")->setPlainText(QStringLiteral("new notes"));
            Child<QLineEdit>(&editor, "line_paid_amount")->setText(QStringLiteral("9"));
            Child<QDateTimeEdit>(&editor, "dateTimePOTimeStamp")->setDateTime(QDateTime(QDate(2027, 1, 2), QTime(3, 4, 5)));
        }
        QVERIFY(QMetaObject::invokeMethod(&editor, slot.constData()));
        if (!said.isEmpty())
            QCOMPARE(statusText(&editor), said);
        Child<QPushButton>(&editor, "pushClose")->click();
    });
    QCOMPARE(answerer->pendingAnswers(), 0);
    QCOMPARE(answerer->messages(), QStringList());
    QCOMPARE(everyOrderByte(), before);
}

void TestPurchaseOrders::untouchedAmountsAreNotRewritten_data()
{
    QTest::addColumn<QString>("stored"); // SUB_TOTAL|SALES_TAX|TOTAL|PAID_AMOUNT
    QTest::newRow("paid 1.005") << "100|10|110|1.005";
    QTest::newRow("paid 2.675") << "100|10|110|2.675";
    QTest::newRow("paid 12.3456") << "100|10|110|12.3456";
    QTest::newRow("totals at four places") << "12.3456|1.005|13.3506|0";
    // The total's text is 12.01 where the shown amounts add up to 12.00.
    QTest::newRow("total at three places") << "10.004|2.004|12.008|0";
}

// Only the notes are changed and saved.
void TestPurchaseOrders::untouchedAmountsAreNotRewritten()
{
    QFETCH(QString, stored);
    QCOMPARE(addTaxedOrder(1), QString());
    const QStringList amounts = stored.split(QLatin1Char('|'));
    QCOMPARE(run(QStringLiteral("UPDATE tblPOrders SET SUB_TOTAL = ?, SALES_TAX = ?, TOTAL = ?, PAID_AMOUNT = ?"),
                 {amounts.at(0), amounts.at(1), amounts.at(2), amounts.at(3)}),
             QString());
    const QString amountsAndNotes = QStringLiteral("SELECT SUB_TOTAL, SALES_TAX, TOTAL, PAID_AMOUNT, NOTES FROM tblPOrders");
    QCOMPARE(rows(amountsAndNotes), QStringList{stored + QStringLiteral("|old notes")});
    withListedOrder([&](AddEditPurchaseOrder& editor) {
        Child<QTextEdit>(&editor, "textEditNotes")->setPlainText(QStringLiteral("new notes"));
        Child<QPushButton>(&editor, "pushSave")->click();
        QCOMPARE(statusText(&editor), QStringLiteral("Purchase order saved successfully."));
    });
    QCOMPARE(rows(amountsAndNotes), QStringList{stored + QStringLiteral("|new notes")});
}

void TestPurchaseOrders::savedNotesKeepTheTax_data()
{
    QTest::addColumn<bool>("byClosePrompt"); // saved through the close prompt's Yes, else through Save
    QTest::addColumn<QString>("stored");     // SUB_TOTAL|SALES_TAX|TOTAL|DISABLE_TAX before; empty: 100|10|110|1
    QTest::addColumn<QString>("saved");      // the same after the save
    QTest::newRow("save") << false << "" << "100|10|110|1";
    QTest::newRow("close, yes") << true << "" << "100|10|110|1";
    // As an earlier opening left it: the tax gone, the total not.
    QTest::newRow("a total apart from its amounts") << false << "100|0|110|0" << "100|0|100|0";
    // Opening clears the tax of an unknown tax status: the total takes the stored sub-total, not the one shown.
    QTest::newRow("the tax cleared, a sub-total at three places") << false << "10.004|2|12.004|2" << "10.004|0|10.004|-1";
}

void TestPurchaseOrders::savedNotesKeepTheTax()
{
    QFETCH(bool, byClosePrompt);
    QFETCH(QString, stored);
    QFETCH(QString, saved);
    QCOMPARE(addTaxedOrder(1), QString());
    if (!stored.isEmpty()) {
        const QStringList amounts = stored.split(QLatin1Char('|'));
        QCOMPARE(run(QStringLiteral("UPDATE tblPOrders SET SUB_TOTAL = ?, SALES_TAX = ?, TOTAL = ?, DISABLE_TAX = ?"),
                     {amounts.at(0), amounts.at(1), amounts.at(2), amounts.at(3)}),
                 QString());
    }
    AppSettings::Instance()->settings->setValue(QStringLiteral("enable_tax"), false);
    withListedOrder([&](AddEditPurchaseOrder& editor) {
        Child<QTextEdit>(&editor, "textEditNotes")->setPlainText(QStringLiteral("new notes"));
        if (byClosePrompt) {
            answerer->pressButton(QMessageBox::Yes);
            Child<QPushButton>(&editor, "pushClose")->click();
            QTRY_COMPARE(answerer->pendingAnswers(), 0);
        } else {
            Child<QPushButton>(&editor, "pushSave")->click();
        }
        QCOMPARE(statusText(&editor), QStringLiteral("Purchase order saved successfully."));
    });
    QCOMPARE(rows(QStringLiteral("SELECT SUB_TOTAL, SALES_TAX, TOTAL, DISABLE_TAX, NOTES, SUB_TOTAL + SALES_TAX = TOTAL "
                                 "FROM tblPOrders")),
             QStringList{saved + QStringLiteral("|new notes|1")});
    QCOMPARE(rows(QStringLiteral("SELECT UNIT_PRICE, LINE_TOTAL FROM tblPODetails")), QStringList{"11|100"});
}

void TestPurchaseOrders::changedAmountsAreWritten_data()
{
    QTest::addColumn<QString>("stored"); // SUB_TOTAL|SALES_TAX|TOTAL|DISABLE_TAX before
    QTest::addColumn<QString>("paid");   // typed and saved; empty: the order's one line is deleted instead
    QTest::addColumn<QString>("saved");  // SUB_TOTAL|SALES_TAX|TOTAL|PAID_AMOUNT after
    QTest::newRow("the paid amount alone") << "100|10|110|1" << "75" << "100|10|110|75";
    QTest::newRow("the sub-total of an order without tax") << "100|0|100|0" << "" << "0|0|0|50";
    // The tax shows 2.00 before and after: the total adds the stored tax, not the shown one.
    QTest::newRow("the sub-total beside a tax at three places") << "100|2.004|102.004|1" << "" << "0|2.004|2.004|50";
}

void TestPurchaseOrders::changedAmountsAreWritten()
{
    QFETCH(QString, stored);
    QFETCH(QString, paid);
    QFETCH(QString, saved);
    QCOMPARE(addTaxedOrder(1), QString());
    const QStringList amounts = stored.split(QLatin1Char('|'));
    QCOMPARE(run(QStringLiteral("UPDATE tblPOrders SET SUB_TOTAL = ?, SALES_TAX = ?, TOTAL = ?, DISABLE_TAX = ?"),
                 {amounts.at(0), amounts.at(1), amounts.at(2), amounts.at(3)}),
             QString());
    withListedOrder([&](AddEditPurchaseOrder& editor) {
        if (paid.isEmpty()) {
            auto* table = Child<QTableView>(&editor, "tableView");
            table->setCurrentIndex(table->model()->index(0, 2));
            Child<QPushButton>(&editor, "pushDeleteItem")->click();
        } else {
            Child<QLineEdit>(&editor, "line_paid_amount")->setText(paid);
            Child<QPushButton>(&editor, "pushSave")->click();
        }
        QCOMPARE(statusText(&editor), QStringLiteral("Purchase order saved successfully."));
    });
    QCOMPARE(rows(QStringLiteral("SELECT SUB_TOTAL, SALES_TAX, TOTAL, PAID_AMOUNT FROM tblPOrders")), QStringList{saved});
}

void TestPurchaseOrders::paidAmountSetsPaymentStatus_data()
{
    QTest::addColumn<double>("total");
    QTest::addColumn<QString>("paid");
    QTest::addColumn<QString>("status");
    QTest::newRow("all of it") << 30.0 << "30" << "PAID";
    QTest::newRow("equal once rounded") << 30.0 << "29.999" << "PAID";
    QTest::newRow("part of it") << 30.0 << "10" << "PARTIALLY PAID";
    QTest::newRow("nothing") << 30.0 << "0" << "NOT PAID";
    QTest::newRow("unreadable") << 30.0 << "ten" << "NOT PAID";
    QTest::newRow("more than the total") << 30.0 << "40" << "PAID";
    QTest::newRow("nothing of nothing") << 0.0 << "0" << "PAID";
}

void TestPurchaseOrders::paidAmountSetsPaymentStatus()
{
    QFETCH(double, total);
    QFETCH(QString, paid);
    QFETCH(QString, status);
    QCOMPARE(addOrder(0, QString(), 0), QString());
    QCOMPARE(run(QStringLiteral("UPDATE tblPOrders SET SUB_TOTAL = ?, TOTAL = ?, PAYMENT_STATUS = 1"), {total, total}),
             QString());
    withListedOrder([&](AddEditPurchaseOrder& editor) {
        QCOMPARE(Child<QComboBox>(&editor, "comboPaymentStatus")->currentText(), QStringLiteral("PARTIALLY PAID"));
        QVERIFY(!editor.IsModified());
        Child<QLineEdit>(&editor, "line_paid_amount")->setText(paid);
        QCOMPARE(Child<QComboBox>(&editor, "comboPaymentStatus")->currentText(), status);
        QVERIFY(editor.IsModified());
    });
}

void TestPurchaseOrders::unreadableListSaysSo()
{
    // A list that cannot be read must not pass for an empty one.
    QCOMPARE(run(QStringLiteral("ALTER TABLE tblPOrders CHANGE PAID_AMOUNT PAID_SUM DOUBLE")), QString());
    answerer->pressButton(QMessageBox::Ok);
    {
        PurchaseManagement page(nullptr);
        QTRY_COMPARE(answerer->pendingAnswers(), 0);
    }
    QCOMPARE(run(QStringLiteral("ALTER TABLE tblPOrders CHANGE PAID_SUM PAID_AMOUNT DOUBLE NULL DEFAULT 0")), QString());
    QCOMPARE(answerer->messages().size(), 1);
    QVERIFY2(answerer->messages().first().startsWith(
                 QStringLiteral("Manage Purchase|The purchase orders could not be read from the database:")),
             qPrintable(answerer->messages().first()));
}

void TestPurchaseOrders::readRefusedAfterADeleteShowsNoDeletedRow_data()
{
    QTest::addColumn<bool>("line"); // Delete Item in an order's grid; otherwise Delete on the purchase orders page
    QTest::addColumn<QString>("table"); // renamed once the deletion is committed, so that the list's read is refused
    QTest::newRow("purchase orders, Delete") << false << "tblVendors";
    QTest::newRow("an order's grid, Delete Item") << true << "tblProducts";
}

// The server refuses the read that follows a deletion, while it is up: the list shows no rows rather than the deleted
// one, and says why in the server's words.
void TestPurchaseOrders::readRefusedAfterADeleteShowsNoDeletedRow()
{
    QFETCH(bool, line);
    QFETCH(QString, table);
    QCOMPARE(addProduct(QStringLiteral("P1"), QStringLiteral("Bolt")), QString());
    QCOMPARE(addOrder(0, QString(), 2), QString());
    QCOMPARE(addOrder(0, QString(), 1), QString());
    QString renamed = QStringLiteral("not renamed");
    DatabaseHooks::RunAfterNextCommit(QStringLiteral("INVENTORY_DB"), [this, &renamed, table] {
        renamed = run(QStringLiteral("RENAME TABLE %1 TO %1Away").arg(table));
    });
    const auto restore = qScopeGuard([this, table] {
        DatabaseHooks::RunAfterNextCommit(QString(), nullptr);
        run(QStringLiteral("RENAME TABLE %1Away TO %1").arg(table));
    });

    PurchaseManagement page(nullptr);
    QSqlRecord order = listRow(page);
    AddEditPurchaseOrder editor(nullptr, &order);
    QTableView* list = Child<QTableView>(line ? static_cast<QWidget*>(&editor) : &page, line ? "tableView" : "tableViewItems");
    QCOMPARE(list->model()->rowCount(), 2);
    list->setCurrentIndex(list->model()->index(0, 2));
    list->selectRow(0);
    if (line) {
        Child<QPushButton>(&editor, "pushDeleteItem")->click();
    } else {
        answerer->pressButton(QMessageBox::Yes);
        Child<QPushButton>(&page, "buttonDelete")->click();
    }
    QVERIFY2(renamed.isEmpty(), qPrintable(renamed));
    QCOMPARE(list->model()->rowCount(), 0);
    const QString told = line ? statusText(&editor) : answerer->messages().value(1);
    QVERIFY2(told.contains(table + QStringLiteral("' doesn't exist")), qPrintable(told));
}

void TestPurchaseOrders::overdueMark_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("daysFromToday"); // delivery date; 99: none
    QTest::addColumn<bool>("marked");
    QTest::newRow("sent, due yesterday") << 1 << -1 << true;
    QTest::newRow("sent, due today") << 1 << 0 << false;
    QTest::newRow("partially received, due last month") << 2 << -30 << true;
    QTest::newRow("partially received, no date") << 2 << 99 << true;
    QTest::newRow("draft, due yesterday") << 0 << -1 << false;
    QTest::newRow("received, due yesterday") << 3 << -1 << false;
}

void TestPurchaseOrders::overdueMark()
{
    QFETCH(int, status);
    QFETCH(int, daysFromToday);
    QFETCH(bool, marked);
    const QString date =
        daysFromToday == 99 ? QString() : QDate::currentDate().addDays(daysFromToday).toString(Qt::ISODate);
    QCOMPARE(addOrder(status, date, 0), QString());
    PurchaseManagement page(nullptr);
    const QAbstractItemModel* model = Child<QTableView>(&page, "tableViewItems")->model();
    QCOMPARE(model->rowCount(), 1);
    const QVariant swatch = model->index(0, PurchaseModel::DELIVERY_DATE).data(Qt::DecorationRole);
    QCOMPARE(swatch.value<QColor>() == QColor(Qt::red), marked);
    const QColor statusColours[] = {QColor("red"), QColor("blue"), QColor(97, 173, 226), QColor("green"),
                                    QColor("black")};
    QCOMPARE(model->index(0, PurchaseModel::STATUS).data(Qt::DecorationRole).value<QColor>(), statusColours[status]);
}

void TestPurchaseOrders::numbersAndDatesSortByValue_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QStringList>("descending");
    QTest::newRow("Total") << int(PurchaseModel::TOTAL) << QStringList{"99,893.77", "1,000.00", "999.00"};
    QTest::newRow("Sent Date, day first") << int(PurchaseModel::SENT_DATE) << QStringList{"01-12-2026", "08-11-2026", ""};
    QTest::newRow("Last Modified Time, day first")
        << int(PurchaseModel::LAST_MODIFIED) << QStringList{"01-12-2026 09:00:00", "08-11-2026 10:00:00", ""};
}

void TestPurchaseOrders::numbersAndDatesSortByValue()
{
    QFETCH(int, column);
    QFETCH(QStringList, descending);
    const DayFirstFormats formats;
    QCOMPARE(run(QStringLiteral("INSERT INTO tblPOrders (VENDOR_ID, STATUS, SENT_DATE, TOTAL, LAST_MODIFIED, PAYMENT_STATUS) "
                                "SELECT ID, 0, ELT(seq, '2026-11-08', '2026-12-01', NULL), ELT(seq, 999, 99893.77, 1000), "
                                "ELT(seq, '2026-11-08 10:00', '2026-12-01 09:00', NULL), 0 FROM tblVendors, seq_1_to_3 "
                                "WHERE NAME = 'NONE'")),
             QString());
    PurchaseManagement page(nullptr);
    auto* view = Child<QTableView>(&page, "tableViewItems");
    view->sortByColumn(column, Qt::DescendingOrder);
    QStringList shown;
    for (int row = 0; row < view->model()->rowCount(); ++row)
        shown << view->model()->index(row, column).data().toString();
    QCOMPARE(shown, descending);
}

// A read that failed leaves the vendors without their columns; the next read lists them sorted by name again.
void TestPurchaseOrders::vendorsComeBackSortedAfterAFailedRead()
{
    QCOMPARE(addVendor(QStringLiteral("Zulu")), QString());
    QCOMPARE(addVendor(QStringLiteral("Alpha")), QString());
    const QStringList sorted = rows(QStringLiteral("SELECT NAME FROM tblVendors ORDER BY NAME"));
    AddEditPurchaseOrder editor(nullptr, nullptr);
    auto* combo = Child<QComboBox>(&editor, "comboVendors");
    const auto items = [combo] {
        QStringList texts;
        for (int i = 0; i < combo->count(); ++i)
            texts << combo->itemText(i);
        return texts;
    };
    QCOMPARE(items(), sorted);
    QString error;
    answerer->handleClass<QDialog>("ManageVendors", [&](QDialog* dialog) {
        error = run(QStringLiteral("RENAME TABLE tblVendors TO tblVendorsAway"));
        dialog->reject();
    });
    Child<QPushButton>(&editor, "pushSearchVendor")->click();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY2(statusText(&editor).startsWith(QLatin1String("The vendors could not be read")),
             qPrintable(statusText(&editor)));
    QCOMPARE(run(QStringLiteral("RENAME TABLE tblVendorsAway TO tblVendors")), QString());
    answerer->handleClass<QDialog>("ManageVendors", [](QDialog* dialog) { dialog->reject(); });
    Child<QPushButton>(&editor, "pushSearchVendor")->click();
    QCOMPARE(items(), sorted);
}

void TestPurchaseOrders::buttonsStayWhileMessagesComeAndGo_data()
{
    QTest::addColumn<int>("width"); // of the editor; 0: its own
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown"); // the lines the room shows; empty: not compared
    QTest::addColumn<bool>("cut");
    const QString first = QStringLiteral("Error occurred while saving purchase order.");
    const QString both = first + QStringLiteral("\nLost connection to MySQL server during query");
    QTest::newRow("one line") << 0 << QStringLiteral("Purchase order saved successfully.") << QString() << false;
    QTest::newRow("two lines") << 0 << both << both << false;
    QTest::newRow("three lines") << 0 << both + QStringLiteral("\nQMYSQL: Unable to execute query") << both << true;
    QTest::newRow("server's long words")
        << 0 << first + QStringLiteral(" Cannot add or update a child row: a foreign key constraint fails.").repeated(8)
        << QString() << true;
    QTest::newRow("beyond the page in view")
        << 640 << first + QStringLiteral(" Can't connect to MySQL server on '127.0.0.1' (111)") << QString() << true;
    // A message that quotes a typed code shows it as typed, in the room and in the tool tip.
    const QString typed = QStringLiteral("No product found with code <img src=/tmp/some.png><h1>Big</h1>");
    QTest::newRow("a typed code with markup, cut") << 0 << typed + QStringLiteral("\n\n") + typed << QString() << true;
}

void TestPurchaseOrders::buttonsStayWhileMessagesComeAndGo()
{
    QFETCH(int, width);
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QFETCH(bool, cut);
    AddEditPurchaseOrder editor(nullptr, nullptr);
    if (width > 0)
        editor.resize(width, editor.height());
    auto* status = Child<QLabel>(&editor, "labelStatus");
    QCOMPARE(TestSupport::MovedByMessage(&editor, status, message), QString());

    // The room shows the first two lines, and what it cuts is there whole in the tool tip.
    const auto looks = [status](const QString& text) {
        status->setText(text);
        return status->grab().toImage();
    };
    if (!shown.isEmpty()) {
        QCOMPARE(looks(message), looks(shown));
        QVERIFY(looks(message) != looks(shown.section(QLatin1Char('\n'), 0, 0)));
    }
    status->setText(message);
    QCOMPARE(TestSupport::AsShown(status->text(), status->textFormat()), message);
    QVERIFY(TestSupport::ShowsFirstLineWhole(status));
    QCOMPARE(TestSupport::AsShown(TestSupport::HoverTip(status)), cut ? message : QString());
}

void TestPurchaseOrders::itemButtonsAndTotalsInView_data()
{
    const QString light = QStringLiteral(":/resources/stylesheets/WindowsStyleSheetLight.txt");
    const QString dark = QStringLiteral(":/resources/stylesheets/WindowsStyleSheet.txt");
    // The column's longest name, which the box shows cut.
    const QString vendor = QStringLiteral("Northern Hardware and Industrial Supplies Limited.");
    QTest::addColumn<bool>("shipping"); // the Shipping tab looked at first
    QTest::addColumn<QString>("styleSheet"); // the theme the main window carries; empty: none
    QTest::addColumn<QString>("vendor"); // the order's vendor; empty: NONE
    QTest::addColumn<int>("pointSize"); // of the font; 0: the test platform's own
    QTest::newRow("opened") << false << QString() << QString() << 0;
    QTest::newRow("back from the Shipping tab") << true << QString() << QString() << 0;
    QTest::newRow("a vendor of 50 characters") << false << QString() << vendor << 0;
    // On a real display: its font (9 pt at 100 dpi there, a little less than 10 pt here) and either theme.
    QTest::newRow("light theme, a vendor of 50 characters") << false << light << vendor << 10;
    QTest::newRow("dark theme, a vendor of 50 characters") << false << dark << vendor << 10;
    // Names come from the forms and the CSV import: one that looks like markup is shown as it is stored.
    QTest::newRow("a vendor named with a heading")
        << false << QString() << QStringLiteral("<h1>Big</h1> Northern Hardware and Industrial Sup") << 0;
    QTest::newRow("a vendor named with a picture")
        << false << QString() << QStringLiteral("<img src=/tmp/some.png> Northern Hardware Limited") << 0;
}

void TestPurchaseOrders::itemButtonsAndTotalsInView()
{
    QFETCH(bool, shipping);
    QFETCH(QString, styleSheet);
    QFETCH(QString, vendor);
    QFETCH(int, pointSize);
    QCOMPARE(addTaxedOrder(0), QString()); // its sub-total and tax shown as well
    const QFont font = QApplication::font();
    const auto restoreFont = qScopeGuard([font] { QApplication::setFont(font); });
    if (pointSize > 0)
        QApplication::setFont(QFont(QStringLiteral("Sans Serif"), pointSize));
    if (!vendor.isEmpty()) {
        QCOMPARE(addVendor(vendor), QString());
        QCOMPARE(run(QStringLiteral("UPDATE tblPOrders SET VENDOR_ID = (SELECT ID FROM tblVendors WHERE NAME = ?)"),
                     {vendor}),
                 QString());
    }
    // The main window of a 1366 x 768 screen, which carries the theme.
    QWidget host;
    host.resize(1366, 768);
    if (!styleSheet.isEmpty()) {
        QFile file(styleSheet);
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        host.setStyleSheet(QString::fromUtf8(file.readAll()));
    }
    QStringList out;
    QString tip;
    withListedOrder([&](AddEditPurchaseOrder& editor) {
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        QCOMPARE(editor.width(), 950);
        QVERIFY(editor.height() <= 768 - 40); // its own size, with a title bar, within a 1366 x 768 screen
        for (int tab : shipping ? QList<int>{1, 0} : QList<int>{})
            Child<QTabWidget>(&editor, "tabWidget")->setCurrentIndex(tab);
        TestSupport::Idle();
        auto* area = Child<QScrollArea>(&editor, "scrollArea");
        if (area->horizontalScrollBar()->isVisible())
            out << QStringLiteral("a horizontal scroll bar");
        QWidget* view = area->viewport();
        for (const char* name : {"pushAddItem", "pushDeleteItem", "pushEditItem", "pushReceiveStock", "lineSubTotal",
                                 "lineTax", "lineTotal", "line_paid_amount", "comboPaymentStatus"}) {
            auto* widget = Child<QWidget>(&editor, name);
            if (!widget->isVisibleTo(&editor)
                || !view->rect().contains(QRect(widget->mapTo(view, QPoint(0, 0)), widget->size())))
                out << QLatin1String(name);
        }
        tip = TestSupport::AsShown(TestSupport::HoverTip(Child<QComboBox>(&editor, "comboVendors")));
    }, &host);
    QCOMPARE(out.join(QStringLiteral(", ")), QString());
    // A name cut in its box is there whole for a pointer resting on it.
    QCOMPARE(tip, vendor);
}

void TestPurchaseOrders::vendorBoxTellsLongNamesApart_data()
{
    QTest::addColumn<QString>("styleSheet"); // the theme the main window carries; empty: none
    QTest::newRow("no theme") << QString();
    // The themes' drop-down lists are plain lists, which Qt makes no wider than the box.
    QTest::newRow("light theme") << ":/resources/stylesheets/WindowsStyleSheetLight.txt";
    QTest::newRow("dark theme") << ":/resources/stylesheets/WindowsStyleSheet.txt";
}

void TestPurchaseOrders::vendorBoxTellsLongNamesApart()
{
    QFETCH(QString, styleSheet);
    // Alike in their first 42 characters, more than the box shows.
    const QString first = QStringLiteral("Northern Hardware and Industrial Supplies Holdings");
    const QString second = QStringLiteral("Northern Hardware and Industrial Supplies Limited.");
    QCOMPARE(addVendor(first), QString());
    QCOMPARE(addVendor(second), QString());
    QWidget host;
    if (!styleSheet.isEmpty()) {
        QFile file(styleSheet);
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        host.setStyleSheet(QString::fromUtf8(file.readAll()));
    }
    AddEditPurchaseOrder editor(&host, nullptr);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    auto* box = Child<QComboBox>(&editor, "comboVendors");
    box->setCurrentText(first);
    QCOMPARE(box->currentText(), first);
    box->clearFocus();

    // The box shows the name's start and "…", as a box holding just that shows it; never the name clipped at its
    // edge, as a plain box shows it, which reads as a shorter name.
    QComboBox plain(box->parentWidget());
    plain.setGeometry(box->geometry());
    plain.show();
    const auto looks = [&plain](const QString& text) {
        plain.clear();
        plain.addItem(text);
        return plain.grab().toImage();
    };
    const QImage shown = box->grab().toImage();
    QVERIFY(shown != looks(first));
    int start = first.size() - 1;
    while (start > 0 && shown != looks(first.left(start) + QChar(0x2026)))
        --start;
    QVERIFY2(start > 0, "the box does not show the name's start and \"…\"");

    // Its list shows both whole.
    box->showPopup();
    QAbstractItemView* list = box->view();
    QTRY_VERIFY(list->isVisible());
    for (const QString& name : {first, second}) {
        const QModelIndex entry = list->model()->index(box->findText(name), box->modelColumn());
        QVERIFY2(list->viewport()->width() >= list->sizeHintForIndex(entry).width(), qPrintable(name));
    }
    box->hidePopup();
}

VORANTEL_TEST_MAIN(TestPurchaseOrders)
#include "tst_purchaseorders.moc"
