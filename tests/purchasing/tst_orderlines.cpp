#include "addeditpoitemdialog.h"
#include "addeditpurchaseorder.h"
#include "modalanswerer.h"
#include "purchaseitemsmodel.h"
#include "purchasemanagement.h"
#include "purchasetest.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSortFilterProxyModel>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QTableView>
#include <QTimer>

#include "databasemanager.h"

// Order lines on a real inventory database: the price and tax arithmetic of the line dialog in each rounding
// mode, the order's totals after adds and deletes, and lines that open and update without drifting.
class TestOrderLines : public PurchaseTest
{
    Q_OBJECT

private slots:
    void init();
    void pricing_data();
    void pricing();
    void addedLineAndOrderTotals_data();
    void addedLineAndOrderTotals();
    void openedLineKeepsStoredFigures_data();
    void openedLineKeepsStoredFigures();
    void updateRefusesWhatAddRefuses();
    void openAndCloseChangesNothing();
    void failedDeleteKeepsTotals();
    void deleteOfALineNoLongerThere_data();
    void deleteOfALineNoLongerThere();
    void taxSwitchRepricesLines();
    void searchBoxFillsTheCode_data();
    void searchBoxFillsTheCode();
    void scannedCodeArrivesWhole();
    void fieldsStayWhileMessagesComeAndGo();
    void noColourWithoutAText();

private:
    // An order with tax on its items holding one line of C01; returns the order id.
    QString addOrderWithLine(double unitPrice, double lineTotal, int quantity) const
    {
        run(QStringLiteral("INSERT INTO tblPOrders (VENDOR_ID, STATUS, SUB_TOTAL, SALES_TAX, TOTAL, DISABLE_TAX, "
                           "PAYMENT_STATUS) SELECT ID, 0, ?, ?, ?, 1, 0 FROM tblVendors WHERE NAME = 'NONE'"),
            {lineTotal, 3.0, lineTotal + 3.0});
        run(QStringLiteral("INSERT INTO tblPODetails (PORDER_ID, PRODUCT_ID, QUANTITY, UNIT_PRICE, LINE_TOTAL, "
                           "SALE_PRICE, BATCH_NUMBER, STOCK_ID) SELECT MAX(o.ID), MAX(p.ID), ?, ?, ?, 4.5, 'B7', '-1' "
                           "FROM tblPOrders o, tblProducts p"),
            {quantity, unitPrice, lineTotal});
        return rows(QStringLiteral("SELECT MAX(ID) FROM tblPOrders")).value(0);
    }
    // The purchase orders page's row of that order, as its Edit hands it to the editor.
    static QSqlRecord listRowOf(PurchaseManagement& page, const QString& orderId)
    {
        auto* proxy = qobject_cast<QSortFilterProxyModel*>(Child<QTableView>(&page, "tableViewItems")->model());
        auto* list = qobject_cast<QSqlQueryModel*>(proxy->sourceModel());
        for (int row = 0; row < list->rowCount(); ++row) {
            if (list->record(row).value(0).toString() == orderId)
                return list->record(row);
        }
        return {};
    }
    QStringList stored() const
    {
        return rows(QStringLiteral("SELECT o.SUB_TOTAL, o.SALES_TAX, o.TOTAL, d.QUANTITY, d.UNIT_PRICE, d.LINE_TOTAL, "
                                   "d.SALE_PRICE FROM tblPOrders o LEFT JOIN tblPODetails d ON d.PORDER_ID = o.ID"));
    }
};

void TestOrderLines::init()
{
    PurchaseTest::init();
    QCOMPARE(addTaxedProduct(QStringLiteral("C01"), QStringLiteral("Cable"), 10), QString());
    QCOMPARE(addTaxedProduct(QStringLiteral("C02"), QStringLiteral("Plug"), 12.5), QString());
}

void TestOrderLines::pricing_data()
{
    QTest::addColumn<QString>("mode");    // tax_rounding_off
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("typed");   // "net", "gross", "sale" or "sale gross": the field typed into
    QTest::addColumn<QString>("value");
    QTest::addColumn<QStringList>("shown"); // unit price, with tax, tax per unit, line total for 3; or the sale pair

    QTest::newRow("9.99 up") << "round_up" << "C01" << "net" << "9.99" << QStringList{"9.99", "10.99", "1.00", "29.97"};
    QTest::newRow("9.99 nearest") << "nearest" << "C01" << "net" << "9.99" << QStringList{"9.99", "10.99", "1.00", "29.97"};
    QTest::newRow("9.99 down") << "round_down" << "C01" << "net" << "9.99" << QStringList{"9.99", "10.98", "0.99", "29.97"};
    QTest::newRow("200 up is 220.00") << "round_up" << "C01" << "net" << "200" << QStringList{"200", "220.00", "20.00", "600.00"};
    QTest::newRow("200 down") << "round_down" << "C01" << "net" << "200" << QStringList{"200", "220.00", "20.00", "600.00"};
    QTest::newRow("90 with 12.5 %") << "round_up" << "C02" << "gross" << "90" << QStringList{"80.00", "90", "10.00", "240.00"};
    QTest::newRow("sale 80 at 12.5 %") << "round_up" << "C02" << "sale" << "80" << QStringList{"80", "90.00"};
    QTest::newRow("sale 90 with tax") << "round_up" << "C02" << "sale gross" << "90" << QStringList{"80.00", "90"};
}

void TestOrderLines::pricing()
{
    QFETCH(QString, mode);
    QFETCH(QString, code);
    QFETCH(QString, typed);
    QFETCH(QString, value);
    QFETCH(QStringList, shown);
    AppSettings::Instance()->settings->setValue(QStringLiteral("tax_rounding_off"), mode);
    AddEditPOItemDialog dialog(nullptr, QStringLiteral("1"), false);
    Child<QLineEdit>(&dialog, "lineProductCode")->setText(code);
    Child<QLineEdit>(&dialog, "lineOrderQuantity")->setText(QStringLiteral("3"));
    const auto text = [&dialog](const char* name) { return Child<QLineEdit>(&dialog, name)->text(); };
    if (typed.startsWith(QLatin1String("sale"))) {
        const bool gross = typed == QLatin1String("sale gross");
        Child<QRadioButton>(&dialog, gross ? "radioSalePriceWithTax" : "radioSalePriceWithoutTax")->setChecked(true);
        Child<QLineEdit>(&dialog, gross ? "lineEditSalePriceWithTax" : "lineSalePrice")->setText(value);
        QCOMPARE((QStringList{text("lineSalePrice"), text("lineEditSalePriceWithTax")}), shown);
        return;
    }
    const bool gross = typed == QLatin1String("gross");
    Child<QRadioButton>(&dialog, gross ? "radioUnitPriceWitTax" : "radioUnitPriceWithoutTax")->setChecked(true);
    Child<QLineEdit>(&dialog, gross ? "lineUnitPriceWithTax" : "lineUnitPrice")->setText(value);
    QCOMPARE((QStringList{text("lineUnitPrice"), text("lineUnitPriceWithTax"), text("lineTaxPerUnit"),
                          text("lineLineTotal")}),
             shown);
}

void TestOrderLines::addedLineAndOrderTotals_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("gross");     // the price typed with tax (10.99) rather than without (9.99)
    QTest::addColumn<bool>("codeLast");  // the code typed key by key after the price
    QTest::addColumn<QString>("line");   // UNIT_PRICE|LINE_TOTAL
    QTest::addColumn<QString>("order");  // SUB_TOTAL|SALES_TAX|TOTAL

    for (const bool codeLast : {false, true}) {
        const char* when = codeLast ? ", code last" : "";
        QTest::addRow("up%s", when) << "round_up" << false << codeLast << "10.99|29.97" << "29.97|3|32.97";
        QTest::addRow("nearest%s", when) << "nearest" << false << codeLast << "10.99|29.97" << "29.97|3|32.97";
        QTest::addRow("down%s", when) << "round_down" << false << codeLast << "10.98|29.97" << "29.97|2.99|32.96";
        QTest::addRow("up, typed with tax%s", when) << "round_up" << true << codeLast << "10.99|29.97" << "29.97|3|32.97";
        QTest::addRow("down, typed with tax%s", when)
            << "round_down" << true << codeLast << "10.99|29.97" << "29.97|2.99|32.96";
    }
}

void TestOrderLines::addedLineAndOrderTotals()
{
    QFETCH(QString, mode);
    QFETCH(bool, gross);
    QFETCH(bool, codeLast);
    QFETCH(QString, line);
    QFETCH(QString, order);
    AppSettings::Instance()->settings->setValue(QStringLiteral("tax_rounding_off"), mode);

    AddEditPurchaseOrder editor(nullptr, nullptr);
    Child<QComboBox>(&editor, "comboBoxTaxStatus")->setCurrentIndex(1);
    QString added;
    answerer->handleClass<AddEditPOItemDialog>("AddEditPOItemDialog", [&](AddEditPOItemDialog* dialog) {
        auto* code = Child<QLineEdit>(dialog, "lineProductCode");
        if (!codeLast)
            QTest::keyClicks(code, QStringLiteral("C01"));
        Child<QRadioButton>(dialog, gross ? "radioUnitPriceWitTax" : "radioUnitPriceWithoutTax")->setChecked(true);
        Child<QLineEdit>(dialog, gross ? "lineUnitPriceWithTax" : "lineUnitPrice")
            ->setText(gross ? QStringLiteral("10.99") : QStringLiteral("9.99"));
        Child<QLineEdit>(dialog, "lineOrderQuantity")->setText(QStringLiteral("3"));
        if (codeLast)
            QTest::keyClicks(code, QStringLiteral("C01"));
        Child<QPushButton>(dialog, "pushButton")->click();
        added = statusText(dialog);
        dialog->reject();
    });
    Child<QPushButton>(&editor, "pushAddItem")->click();
    QCOMPARE(answerer->pendingAnswers(), 0);
    QCOMPARE(added, QStringLiteral("Item added to purchase order successfully."));
    QCOMPARE(rows(QStringLiteral("SELECT UNIT_PRICE, LINE_TOTAL FROM tblPODetails")), QStringList{line});
    QCOMPARE(rows(QStringLiteral("SELECT SUB_TOTAL, SALES_TAX, TOTAL FROM tblPOrders")), QStringList{order});
    QCOMPARE(Child<QLineEdit>(&editor, "lineTotal")->text(), order.section('|', 2) == QLatin1String("32.97")
                                                                ? QStringLiteral("32.97")
                                                                : QStringLiteral("32.96"));

    // Deleting the line takes back exactly what adding it put on the order.
    auto* table = Child<QTableView>(&editor, "tableView");
    QCOMPARE(table->model()->rowCount(), 1);
    table->setCurrentIndex(table->model()->index(0, 2));
    Child<QPushButton>(&editor, "pushDeleteItem")->click();
    QCOMPARE(rows(QStringLiteral("SELECT COUNT(*) FROM tblPODetails")), QStringList{"0"});
    QCOMPARE(rows(QStringLiteral("SELECT SUB_TOTAL, SALES_TAX, TOTAL FROM tblPOrders")), QStringList{"0|0|0"});
    QVERIFY(!editor.IsModified());
}

void TestOrderLines::openedLineKeepsStoredFigures_data()
{
    QTest::addColumn<double>("unitPrice");
    QTest::addColumn<double>("lineTotal");
    QTest::addColumn<int>("quantity");
    QTest::newRow("more digits than shown") << 12345.678 << 33333.33 << 3;
    QTest::newRow("a million and more") << 1100000.5 << 3000000.0 << 3;
    QTest::newRow("a third") << 11.0 << 10.0 << 3;
}

void TestOrderLines::openedLineKeepsStoredFigures()
{
    QFETCH(double, unitPrice);
    QFETCH(double, lineTotal);
    QFETCH(int, quantity);
    const QString id = addOrderWithLine(unitPrice, lineTotal, quantity);
    const QStringList before = stored();

    AddEditPOItemDialog dialog(nullptr, id, false);
    dialog.SetEditMode(firstLine(id));
    const QString withTax = Child<QLineEdit>(&dialog, "lineUnitPriceWithTax")->text();
    QVERIFY2(!withTax.contains(QLatin1Char('e'), Qt::CaseInsensitive), qPrintable(withTax));
    QCOMPARE(AppSettings::Instance()->locale->toDouble(withTax), unitPrice);
    QCOMPARE(AppSettings::Instance()->locale->toDouble(Child<QLineEdit>(&dialog, "lineLineTotal")->text()), lineTotal);

    Child<QPushButton>(&dialog, "pushUpdate")->click();
    QCOMPARE(statusText(&dialog), QStringLiteral("Purchase item updated successfully."));
    QCOMPARE(stored(), before);
    QCOMPARE(dialog.subTotalChange, 0.0);
    QCOMPARE(dialog.taxChange, 0.0);

    // The unit price without tax is the stored line's own: twice the quantity, twice the line total.
    Child<QLineEdit>(&dialog, "lineOrderQuantity")->setText(QString::number(2 * quantity));
    QCOMPARE(AppSettings::Instance()->locale->toDouble(Child<QLineEdit>(&dialog, "lineLineTotal")->text()), 2 * lineTotal);
}

void TestOrderLines::updateRefusesWhatAddRefuses()
{
    const QString id = addOrderWithLine(11, 30, 3);
    const QStringList before = stored();
    AddEditPOItemDialog dialog(nullptr, id, false);
    dialog.SetEditMode(firstLine(id));
    Child<QLineEdit>(&dialog, "lineOrderQuantity")->setText(QStringLiteral("2.5"));
    QTest::keyClick(Child<QLineEdit>(&dialog, "lineOrderQuantity"), Qt::Key_Return);
    QCOMPARE(statusText(&dialog), QStringLiteral("Please enter valid order quantity"));
    QTRY_VERIFY(statusStyle(&dialog).contains(QStringLiteral("red")));
    QCOMPARE(stored(), before);
}

void TestOrderLines::openAndCloseChangesNothing()
{
    addOrderWithLine(12345.678, 33333.33, 3);
    const QStringList before = stored();
    PurchaseManagement page(nullptr);
    QSqlRecord row = listRow(page);
    AddEditPurchaseOrder editor(nullptr, &row);
    const QString total = Child<QLineEdit>(&editor, "lineTotal")->text();

    answerer->handleClass<AddEditPOItemDialog>("AddEditPOItemDialog", [](AddEditPOItemDialog* dialog) {
        dialog->reject();
    });
    auto* table = Child<QTableView>(&editor, "tableView");
    table->setCurrentIndex(table->model()->index(0, 2));
    Child<QPushButton>(&editor, "pushEditItem")->click();
    QCOMPARE(answerer->pendingAnswers(), 0);
    QCOMPARE(Child<QLineEdit>(&editor, "lineTotal")->text(), total);
    QVERIFY(!editor.IsModified());
    QCOMPARE(stored(), before);
}

void TestOrderLines::failedDeleteKeepsTotals()
{
    addOrderWithLine(11, 30, 3);
    QCOMPARE(failOn(QStringLiteral("DELETE"), QStringLiteral("tblPODetails"), QStringLiteral("line is locked")), QString());
    const QStringList before = stored();
    PurchaseManagement page(nullptr);
    QSqlRecord row = listRow(page);
    AddEditPurchaseOrder editor(nullptr, &row);
    const QString subTotal = Child<QLineEdit>(&editor, "lineSubTotal")->text();
    const QString tax = Child<QLineEdit>(&editor, "lineTax")->text();
    auto* table = Child<QTableView>(&editor, "tableView");
    table->setCurrentIndex(table->model()->index(0, 2));
    Child<QPushButton>(&editor, "pushDeleteItem")->click();
    QVERIFY2(statusText(&editor).contains(QStringLiteral("line is locked")), qPrintable(statusText(&editor)));
    QTRY_VERIFY(statusStyle(&editor).contains(QStringLiteral("red")));
    QCOMPARE(Child<QLineEdit>(&editor, "lineSubTotal")->text(), subTotal);
    QCOMPARE(Child<QLineEdit>(&editor, "lineTax")->text(), tax);
    QCOMPARE(table->model()->rowCount(), 1);
    QCOMPARE(stored(), before);
}

void TestOrderLines::deleteOfALineNoLongerThere_data()
{
    QTest::addColumn<bool>("blankRow"); // the grid's cells unreadable, rather than the line deleted elsewhere
    QTest::addColumn<int>("listedAfter");
    QTest::newRow("deleted by another workstation") << false << 0;
    QTest::newRow("a blank row, its line ID unreadable") << true << 1;
}

// Only a DELETE that removed the line lowers the totals and saves the order; one that removed nothing, or a
// row that names no line, changes nothing and says so.
void TestOrderLines::deleteOfALineNoLongerThere()
{
    QFETCH(bool, blankRow);
    QFETCH(int, listedAfter);
    // Another order's line, stored with ID 0: what an unreadable ID reads as.
    const QString other = addOrderWithLine(7, 14, 2);
    QCOMPARE(run(QStringLiteral("UPDATE tblPODetails SET ID = 0 WHERE PORDER_ID = ?"), {other.toInt()}), QString());
    const QString id = addOrderWithLine(11, 30, 3);
    const auto order = [this, id] {
        return rows(QStringLiteral("SELECT SUB_TOTAL, SALES_TAX, TOTAL FROM tblPOrders WHERE ID = ?"), {id.toInt()});
    };
    const QStringList before = order();
    PurchaseManagement page(nullptr);
    QSqlRecord row = listRowOf(page, id);
    QCOMPARE(row.value(0).toString(), id);
    AddEditPurchaseOrder editor(nullptr, &row);
    const QString total = Child<QLineEdit>(&editor, "lineTotal")->text();
    auto* table = Child<QTableView>(&editor, "tableView");
    QCOMPARE(table->model()->rowCount(), 1);
    table->setCurrentIndex(table->model()->index(0, 2));
    if (blankRow) {
        QSqlQuery shown = qobject_cast<QSqlQueryModel*>(table->model())->query();
        shown.finish();
    } else {
        QCOMPARE(run(QStringLiteral("DELETE FROM tblPODetails WHERE PORDER_ID = ?"), {id.toInt()}), QString());
    }

    Child<QPushButton>(&editor, "pushDeleteItem")->click();
    QCOMPARE(statusText(&editor), QStringLiteral("The item could not be deleted: it is no longer part of this order."));
    QTRY_VERIFY(statusStyle(&editor).contains(QStringLiteral("red")));
    QCOMPARE(order(), before);
    QCOMPARE(Child<QLineEdit>(&editor, "lineTotal")->text(), total);
    QCOMPARE(table->model()->rowCount(), listedAfter);
    QCOMPARE(rows(QStringLiteral("SELECT PORDER_ID FROM tblPODetails WHERE ID = 0")), QStringList{other});
}

void TestOrderLines::taxSwitchRepricesLines()
{
    QCOMPARE(addTaxedProduct(QStringLiteral("C03"), QStringLiteral("Lamp"), 15), QString());
    QCOMPARE(run(QStringLiteral("INSERT INTO tblPOrders (VENDOR_ID, STATUS, SUB_TOTAL, SALES_TAX, TOTAL, DISABLE_TAX, "
                                "PAYMENT_STATUS) SELECT ID, 0, 30, 0, 30, 0, 0 FROM tblVendors WHERE NAME = 'NONE'")),
             QString());
    QCOMPARE(run(QStringLiteral("INSERT INTO tblPODetails (PORDER_ID, PRODUCT_ID, QUANTITY, UNIT_PRICE, LINE_TOTAL, "
                                "BATCH_NUMBER) SELECT MAX(o.ID), p.ID, 3, 10, 30, '' FROM tblPOrders o, tblProducts p "
                                "WHERE p.PRODUCT_CODE = 'C03'")),
             QString());
    PurchaseManagement page(nullptr);
    QSqlRecord row = listRow(page);
    AddEditPurchaseOrder editor(nullptr, &row);
    auto* taxStatus = Child<QComboBox>(&editor, "comboBoxTaxStatus");
    const auto lines = [this] { return rows(QStringLiteral("SELECT UNIT_PRICE, LINE_TOTAL FROM tblPODetails")); };

    taxStatus->setCurrentIndex(1);
    QCOMPARE(lines(), QStringList{"11.5|30"});
    QCOMPARE(rows(QStringLiteral("SELECT SUB_TOTAL, SALES_TAX, TOTAL, DISABLE_TAX FROM tblPOrders")),
             QStringList{"30|4.5|34.5|1"});
    auto* table = Child<QTableView>(&editor, "tableView");
    QCOMPARE(table->model()->headerData(PurchaseItemsModel::UNIT_PRICE, Qt::Horizontal).toString(),
             QStringLiteral("Unit Price with Sales Tax"));

    taxStatus->setCurrentIndex(0);
    QCOMPARE(lines(), QStringList{"10|30"});
    QCOMPARE(rows(QStringLiteral("SELECT SUB_TOTAL, SALES_TAX, TOTAL, DISABLE_TAX FROM tblPOrders")),
             QStringList{"30|0|30|0"});
    QCOMPARE(table->model()->headerData(PurchaseItemsModel::UNIT_PRICE, Qt::Horizontal).toString(),
             QStringLiteral("Unit Price"));
}

void TestOrderLines::searchBoxFillsTheCode_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("code");
    QTest::newRow("start of a name") << "cab" << "C01";
    QTest::newRow("whole entry") << "Plug [CODE:C02]" << "C02";
}

void TestOrderLines::searchBoxFillsTheCode()
{
    QFETCH(QString, typed);
    QFETCH(QString, code);
    AddEditPOItemDialog dialog(nullptr, QStringLiteral("1"), false);
    auto* search = Child<QComboBox>(&dialog, "comboBoxProducts");
    search->setEditText(typed);
    dialog.on_comboBoxProducts_activated(0);
    QCOMPARE(Child<QLineEdit>(&dialog, "lineProductCode")->text(), code);
    QCOMPARE(search->currentText(), QString());
    QVERIFY(!Child<QLineEdit>(&dialog, "lineItemName")->text().isEmpty());
}

void TestOrderLines::scannedCodeArrivesWhole()
{
    const QString code = QStringLiteral("4006381333931");
    QCOMPARE(addTaxedProduct(code, QStringLiteral("Pencils"), 10), QString());
    AddEditPOItemDialog dialog(nullptr, QStringLiteral("1"), false);
    dialog.show();
    auto* edit = Child<QLineEdit>(&dialog, "lineProductCode");

    // A scanner's pace, 10 ms a key: keyClicks waits before the press and before the release.
    QTest::keyClicks(edit, code.left(12), Qt::NoModifier, 5);
    QCOMPARE(edit->text(), code.left(12));
    QCOMPARE(statusText(&dialog), QStringLiteral("No product found with code ") + code.left(12));
    QTest::keyClick(edit, code.at(12).toLatin1());
    // The whole code is there and looked up the moment the last key is in.
    QCOMPARE(edit->text(), code);
    QCOMPARE(Child<QLineEdit>(&dialog, "lineItemName")->text(), QStringLiteral("Pencils"));
    QCOMPARE(Child<QLineEdit>(&dialog, "lineAvailableStock")->text(), QStringLiteral("0"));
    QCOMPARE(statusText(&dialog), QString());

    // Each "no product" message is shown plain at once and takes its colour later, without holding the keys.
    edit->clear();
    QTest::keyClick(edit, 'X');
    QCOMPARE(statusText(&dialog), QStringLiteral("No product found with code X"));
    QCOMPARE(statusStyle(&dialog), QString());
    QTRY_VERIFY(statusStyle(&dialog).contains(QStringLiteral("red")));
}

void TestOrderLines::fieldsStayWhileMessagesComeAndGo()
{
    // Opened as the order editor opens it, where a second line of text used to bring a scroll bar.
    const QString message = QStringLiteral("Error occurred while saving purchase item. ")
        + QStringLiteral("Lost connection to MySQL server during query. ").repeated(6);
    AddEditPurchaseOrder editor(nullptr, nullptr);
    QString moved = QStringLiteral("no line dialog");
    bool firstLineWhole = false;
    answerer->handleClass<AddEditPOItemDialog>("AddEditPOItemDialog", [&](AddEditPOItemDialog* dialog) {
        auto* status = Child<QLabel>(dialog, "labelStatus");
        moved = TestSupport::MovedByMessage(dialog, status, message);
        // Its room of one line is high enough for that line. (Qt lays out no line below a room's height, so a room
        // of one line shows its first line whole at any alignment; the order editor's room of two lines is where
        // the alignment is seen.)
        status->setText(message);
        firstLineWhole = TestSupport::ShowsFirstLineWhole(status);
        dialog->reject();
    });
    Child<QPushButton>(&editor, "pushAddItem")->click();
    QCOMPARE(moved, QString());
    QVERIFY(firstLineWhole);
}

void TestOrderLines::noColourWithoutAText()
{
    AddEditPOItemDialog dialog(nullptr, QStringLiteral("1"), false);
    // The colour that a message's flash owes comes now rather than a moment later.
    const auto flashNow = [&dialog] {
        for (QTimer* timer : Child<QLabel>(&dialog, "labelStatus")->findChildren<QTimer*>())
            timer->setInterval(0);
        TestSupport::Idle();
    };
    // A code typed after the message's colour came, and one typed before it.
    for (bool coloured : {true, false}) {
        Child<QLineEdit>(&dialog, "lineProductCode")->setText(QStringLiteral("C0"));
        if (coloured)
            flashNow();
        QCOMPARE(statusStyle(&dialog).contains(QStringLiteral("red")), coloured);
        Child<QLineEdit>(&dialog, "lineProductCode")->setText(QStringLiteral("C01"));
        flashNow();
        QCOMPARE(statusText(&dialog) + statusStyle(&dialog), QString());
    }
}

VORANTEL_TEST_MAIN(TestOrderLines)
#include "tst_orderlines.moc"
