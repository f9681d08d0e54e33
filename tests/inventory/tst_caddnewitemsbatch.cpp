#include "caddnewitemsbatch.h"
#include "modalanswerer.h"
#include "producttest.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QMessageBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScrollArea>
#include <QScrollBar>
#include <QThread>
#include <QToolTip>

// The stock batch dialog on a real inventory database: derived prices, exact prices on edit, quantities
// sold meanwhile, service items, expiry and automatic stock codes.
class TestCAddNewItemsBatch : public ProductTest
{
    Q_OBJECT

private slots:
    void prices_data();
    void prices();
    void editKeepsPricesAndOtherSales();
    void newStock_data();
    void newStock();
    void typedStockCode_data();
    void typedStockCode();
    void subItemsSoldMeanwhile_data();
    void subItemsSoldMeanwhile();
    void stockCountOutOfRange_data();
    void stockCountOutOfRange();
    void priceWithTaxAsks_data();
    void priceWithTaxAsks();
    void statusTakesItsColourWithoutHoldingTheDialog();
    void fieldsStayWhileMessagesComeAndGo();
    void foundProductTakesAFailedLookUpsMessage();
    void typedCodeStaysInItsField_data();
    void typedCodeStaysInItsField();
    void messageInViewWhereverTheFormWasScrolled_data();
    void messageInViewWhereverTheFormWasScrolled();
    void storedNamesShowAsText_data();
    void storedNamesShowAsText();

private:
    // A product with the code and tax rate, and stock rows with the given codes; returns the error text.
    QString addProduct(const QString& code, const QString& rate, bool service, const QStringList& stocks) const
    {
        const QString category = addCategory(QStringLiteral("Goods"));
        QStringList statements{QStringLiteral("INSERT INTO tblProducts (CATEGORY_ID, PRODUCT_CODE, NAME, ITEMS_PER_UNIT, "
                                              "TAX_RATE, SERVICE_ITEM) VALUES (%1, '%2', 'Product %2', 1, %3, %4)")
                                   .arg(category, code, rate)
                                   .arg(service ? 1 : 0)};
        for (const QString& stock : stocks)
            statements << QStringLiteral("INSERT INTO tblInventory (PRODUCT_ID, VENDOR_ID, BAR_CODE, BATCH_NUMBER, "
                                         "PURCHASE_PRICE, SALE_PRICE, QUANTITY) SELECT p.ID, v.ID, '%1', '', "
                                         "1234567.89, 12345.67, 10 FROM tblProducts p, tblVendors v WHERE "
                                         "p.PRODUCT_CODE = '%2' AND v.NAME = 'NONE'")
                              .arg(stock, code);
        return fixture.exec(statements);
    }
    static QString status(CAddNewItemsBatch& dialog) { return Child<QLabel>(&dialog, "labelStatus")->text(); }
    // Product C1 with the stock S1 open in a shown dialog, then "Add New Stock" with the stock code typed.
    void refuseTypedCode(CAddNewItemsBatch& dialog, const QString& code) const
    {
        dialog.SelectProductAndStock(QStringLiteral("C1"), QStringLiteral("S1"));
        Child<QComboBox>(&dialog, "comboBoxStocks")->setCurrentIndex(0);
        Child<QCheckBox>(&dialog, "checkAutoGenerate")->setChecked(false);
        Child<QLineEdit>(&dialog, "lineEditBarCode")->setText(code);
        Child<QPushButton>(&dialog, "pushButtonAdd")->click();
    }
    // Product U1 of 12 pieces a unit with the stock S1 of 10 units and 5 pieces, open in a dialog.
    void openTwelvePieceStock(CAddNewItemsBatch& dialog) const
    {
        QCOMPARE(addProduct(QStringLiteral("U1"), QStringLiteral("0"), false, {QStringLiteral("S1")}), QString());
        QCOMPARE(fixture.exec({QStringLiteral("UPDATE tblProducts SET ITEMS_PER_UNIT = 12"),
                               QStringLiteral("UPDATE tblInventory SET QUANTITY = 10, SUB_ITEMS = 5")}),
                 QString());
        dialog.SelectProductAndStock(QStringLiteral("U1"), QStringLiteral("S1"));
        QCOMPARE(Child<QLineEdit>(&dialog, "editSubItems")->text(), QStringLiteral("5"));
    }
};

void TestCAddNewItemsBatch::prices_data()
{
    QTest::addColumn<QString>("mode"); // tax_rounding_off; empty: not set
    QTest::addColumn<QString>("withTax"); // of 10 at 7.25 %
    QTest::addColumn<QString>("net");     // of 10.73 typed with tax: the one that sells at 10.73

    QTest::newRow("up") << "round_up" << "10.73" << "10.00";
    QTest::newRow("no setting rounds up") << "" << "10.73" << "10.00";
    QTest::newRow("nearest") << "nearest" << "10.73" << "10.00";
    QTest::newRow("down") << "round_down" << "10.72" << "10.01";
}

void TestCAddNewItemsBatch::prices()
{
    QFETCH(QString, mode);
    QFETCH(QString, withTax);
    QFETCH(QString, net);
    if (!mode.isEmpty())
        AppSettings::Instance()->settings->setValue(QStringLiteral("tax_rounding_off"), mode);
    QCOMPARE(addProduct(QStringLiteral("T1"), QStringLiteral("7.25"), false, {}), QString());

    CAddNewItemsBatch dialog(nullptr);
    Child<QLineEdit>(&dialog, "editProductCode")->setText(QStringLiteral("T1"));
    QCOMPARE(Child<QLineEdit>(&dialog, "lineName")->text(), QStringLiteral("Product T1"));

    Child<QRadioButton>(&dialog, "radioButtonSalePriceWithoutTax")->setChecked(true);
    Child<QLineEdit>(&dialog, "lineEditSalePrice")->setText(QStringLiteral("10"));
    QCOMPARE(Child<QLineEdit>(&dialog, "lineEditSalePriceWitTax")->text(), withTax);

    Child<QRadioButton>(&dialog, "radioButtonSalePriceWithTax")->setChecked(true);
    Child<QLineEdit>(&dialog, "lineEditSalePriceWitTax")->setText(QStringLiteral("10.73"));
    QCOMPARE(Child<QLineEdit>(&dialog, "lineEditSalePrice")->text(), net);
}

void TestCAddNewItemsBatch::editKeepsPricesAndOtherSales()
{
    QCOMPARE(addProduct(QStringLiteral("E1"), QStringLiteral("7.25"), false, {QStringLiteral("S1")}), QString());
    CAddNewItemsBatch dialog(nullptr);
    dialog.SelectProductAndStock(QStringLiteral("E1"), QStringLiteral("S1"));
    QCOMPARE(Child<QLineEdit>(&dialog, "lineEditBarCode")->text(), QStringLiteral("S1"));
    QCOMPARE(Child<QLineEdit>(&dialog, "lineQuantity")->text(), QStringLiteral("10"));
    QVERIFY(Child<QPushButton>(&dialog, "pushButtonUpdate")->isEnabled());

    // Another terminal sells 3 while the row is open here.
    QCOMPARE(fixture.exec({QStringLiteral("UPDATE tblInventory SET QUANTITY = QUANTITY - 3 WHERE BAR_CODE = 'S1'")}),
             QString());
    Child<QPushButton>(&dialog, "pushButtonUpdate")->click();
    QCOMPARE(status(dialog), QStringLiteral("Stock with code S1 updated successfully"));
    QCOMPARE(fixture.rows(QStringLiteral("SELECT SALE_PRICE, PURCHASE_PRICE, QUANTITY FROM tblInventory")),
             QStringList{"12345.67|1234567.89|7"});

    // The user's own change is added to what the row holds.
    auto* quantity = Child<QLineEdit>(&dialog, "lineQuantity");
    QCOMPARE(quantity->text(), QStringLiteral("7"));
    quantity->setText(QStringLiteral("12"));
    QTest::keyClick(quantity, Qt::Key_Return);
    QCOMPARE(value(QStringLiteral("SELECT QUANTITY FROM tblInventory")), QStringLiteral("12"));
}

void TestCAddNewItemsBatch::newStock_data()
{
    QTest::addColumn<bool>("service");
    QTest::addColumn<QStringList>("stocks");   // existing stock codes of the product 1001
    QTest::addColumn<QString>("expiry");       // empty: "Has Expiry Date" unticked
    QTest::addColumn<QString>("row");          // BAR_CODE|QUANTITY|EXPIRY_DATE|DISCOUNT|SALE_PRICE of the new row

    QTest::newRow("first stock gets the product code")
        << false << QStringList{} << "2027-01-31" << "1001|5|2027-01-31|10.1|2.5";
    QTest::newRow("next free number")
        << false << QStringList{"1001", "1002"} << "" << "1003|5|NULL|10.1|2.5";
    QTest::newRow("service item has no quantity") << true << QStringList{} << "" << "1001|0|NULL|10.1|2.5";
}

void TestCAddNewItemsBatch::newStock()
{
    QFETCH(bool, service);
    QFETCH(QStringList, stocks);
    QFETCH(QString, expiry);
    QFETCH(QString, row);
    QCOMPARE(addProduct(QStringLiteral("1001"), QStringLiteral("0"), service, stocks), QString());

    CAddNewItemsBatch dialog(nullptr);
    Child<QLineEdit>(&dialog, "editProductCode")->setText(QStringLiteral("1001"));
    Child<QComboBox>(&dialog, "comboBoxStocks")->setCurrentIndex(0);
    QVERIFY(Child<QPushButton>(&dialog, "pushButtonAdd")->isEnabled());
    Child<QCheckBox>(&dialog, "checkAutoGenerate")->setChecked(true);
    auto* quantity = Child<QLineEdit>(&dialog, "lineQuantity");
    QCOMPARE(quantity->isEnabled(), !service);
    if (!service)
        quantity->setText(QStringLiteral("5"));
    Child<QRadioButton>(&dialog, "radioButtonSalePriceWithoutTax")->setChecked(true);
    Child<QLineEdit>(&dialog, "lineEditSalePrice")->setText(QStringLiteral("2.5"));
    Child<QLineEdit>(&dialog, "lineEditPurchasePrice")->setText(QStringLiteral("1"));
    Child<QLineEdit>(&dialog, "lineEditDiscount")->setText(QStringLiteral("10.1"));
    Child<QCheckBox>(&dialog, "checkExpiryDate")->setChecked(!expiry.isEmpty());
    if (!expiry.isEmpty())
        Child<QDateEdit>(&dialog, "dateEditExpiryDate")->setDate(QDate::fromString(expiry, Qt::ISODate));
    Child<QPushButton>(&dialog, "pushButtonAdd")->click();

    const QString code = row.section(QLatin1Char('|'), 0, 0);
    QCOMPARE(status(dialog), QStringLiteral("Stock with code %1 added successfully").arg(code));
    QCOMPARE(fixture.rows(QStringLiteral("SELECT BAR_CODE, QUANTITY, EXPIRY_DATE, DISCOUNT, SALE_PRICE FROM "
                                         "tblInventory WHERE BAR_CODE = '%1'").arg(code)),
             QStringList{row});
}

void TestCAddNewItemsBatch::typedStockCode_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("status"); // %1 the code

    QTest::newRow("quote stored as typed") << "O'Hara 7" << "Stock with code %1 added successfully";
    QTest::newRow("backslash refused")
        << "A\\7" << "Code %1 is invalid. Please enter valid code of 1 to 50 characters length.";
    QTest::newRow("fifty-one characters refused")
        << QString(51, QLatin1Char('7')) << "Code %1 is invalid. Please enter valid code of 1 to 50 characters length.";
    QTest::newRow("taken code refused")
        << "S1" << "Error: Code %1 already exists for another stock. Please choose some other code.";
}

void TestCAddNewItemsBatch::typedStockCode()
{
    QFETCH(QString, code);
    QFETCH(QString, status);
    QCOMPARE(addProduct(QStringLiteral("C1"), QStringLiteral("0"), false, {QStringLiteral("S1")}), QString());

    CAddNewItemsBatch dialog(nullptr);
    Child<QLineEdit>(&dialog, "editProductCode")->setText(QStringLiteral("C1"));
    Child<QComboBox>(&dialog, "comboBoxStocks")->setCurrentIndex(0);
    Child<QCheckBox>(&dialog, "checkAutoGenerate")->setChecked(false);
    Child<QLineEdit>(&dialog, "lineEditBarCode")->setText(code);
    Child<QLineEdit>(&dialog, "lineQuantity")->setText(QStringLiteral("1"));
    Child<QLineEdit>(&dialog, "lineEditSalePrice")->setText(QStringLiteral("1"));
    Child<QLineEdit>(&dialog, "lineEditPurchasePrice")->setText(QStringLiteral("1"));
    Child<QRadioButton>(&dialog, "radioButtonSalePriceWithoutTax")->setChecked(true);
    Child<QPushButton>(&dialog, "pushButtonAdd")->click();

    QCOMPARE(this->status(dialog), status.arg(code));
    const bool stored = status.startsWith(QLatin1String("Stock"));
    QCOMPARE(value(QStringLiteral("SELECT COUNT(*) FROM tblInventory")), stored ? QStringLiteral("2") : QStringLiteral("1"));
    if (stored)
        QVERIFY(fixture.rows(QStringLiteral("SELECT BAR_CODE FROM tblInventory")).contains(code));
}

void TestCAddNewItemsBatch::subItemsSoldMeanwhile_data()
{
    QTest::addColumn<bool>("subItemsShown");
    QTest::addColumn<QString>("afterSale"); // QUANTITY|SUB_ITEMS a till leaves while the dialog is open
    QTest::addColumn<QString>("typed");     // quantity|sub items; empty: saved as shown
    QTest::addColumn<QString>("stored");

    QTest::newRow("unchanged save keeps the sale") << true << "9|10" << "" << "9|10";
    QTest::newRow("sub-items hidden") << false << "9|10" << "" << "9|10";
    QTest::newRow("units added on top of the sale") << true << "9|10" << "12|5" << "11|10";
    QTest::newRow("sub-items hidden, units added") << false << "9|10" << "12|5" << "11|10";
    QTest::newRow("sub-items taken borrow a unit") << true << "10|1" << "10|0" << "9|8";
    QTest::newRow("row as shown is written as typed") << true << "10|5" << "10|15" << "10|15";
}

void TestCAddNewItemsBatch::subItemsSoldMeanwhile()
{
    QFETCH(bool, subItemsShown);
    QFETCH(QString, afterSale);
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    AppSettings::Instance()->settings->setValue(QStringLiteral("SUB_ITEMS_MODE"), subItemsShown ? "y" : "n");
    CAddNewItemsBatch dialog(nullptr);
    openTwelvePieceStock(dialog);
    auto* quantity = Child<QLineEdit>(&dialog, "lineQuantity");
    auto* subItems = Child<QLineEdit>(&dialog, "editSubItems");
    QCOMPARE(subItems->isHidden(), !subItemsShown);
    const QStringList sale = afterSale.split(QLatin1Char('|'));
    QCOMPARE(fixture.exec({QStringLiteral("UPDATE tblInventory SET QUANTITY = %1, SUB_ITEMS = %2").arg(sale[0], sale[1])}),
             QString());
    if (!typed.isEmpty()) {
        quantity->setText(typed.section(QLatin1Char('|'), 0, 0));
        if (subItemsShown)
            subItems->setText(typed.section(QLatin1Char('|'), 1));
    }
    Child<QPushButton>(&dialog, "pushButtonUpdate")->click();
    QCOMPARE(status(dialog), QStringLiteral("Stock with code S1 updated successfully"));
    QCOMPARE(fixture.rows(QStringLiteral("SELECT QUANTITY, SUB_ITEMS FROM tblInventory")), QStringList{stored});
    // The dialog shows what the row now holds, and the next save counts from it.
    QCOMPARE(quantity->text() + QLatin1Char('|') + subItems->text(), stored);
}

void TestCAddNewItemsBatch::stockCountOutOfRange_data()
{
    QTest::addColumn<QString>("field"); // empty: edit the row, raised to 1,000 elsewhere meanwhile
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("named");

    QTest::newRow("new stock, quantity beyond 32 bits") << "lineQuantity" << "3000000000" << "Quantity 3000000000";
    QTest::newRow("new stock, sub-items beyond 32 bits") << "editSubItems" << "2147483648" << "Sub Quantity 2147483648";
    QTest::newRow("edit, a change that fits plus a receipt meanwhile") << "" << "2147483647" << "Quantity 2147484637";
}

void TestCAddNewItemsBatch::stockCountOutOfRange()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, named);
    CAddNewItemsBatch dialog(nullptr);
    openTwelvePieceStock(dialog);
    if (field.isEmpty()) {
        QCOMPARE(fixture.exec({QStringLiteral("UPDATE tblInventory SET QUANTITY = 1000")}), QString());
    } else {
        Child<QComboBox>(&dialog, "comboBoxStocks")->setCurrentIndex(0);
        Child<QCheckBox>(&dialog, "checkAutoGenerate")->setChecked(true);
        for (const char* price : {"lineEditSalePrice", "lineEditPurchasePrice", "lineQuantity"})
            Child<QLineEdit>(&dialog, price)->setText(QStringLiteral("1"));
    }
    const QStringList before = fixture.rows(QStringLiteral("SELECT BAR_CODE, QUANTITY, SUB_ITEMS FROM tblInventory"));
    Child<QLineEdit>(&dialog, field.isEmpty() ? "lineQuantity" : field.toLatin1().constData())->setText(typed);
    Child<QPushButton>(&dialog, field.isEmpty() ? "pushButtonUpdate" : "pushButtonAdd")->click();

    // The count in the display locale, e.g. "Quantity 3,000,000,000".
    const qint64 count = named.section(QLatin1Char(' '), -1).toLongLong();
    named = named.section(QLatin1Char(' '), 0, -2) + QLatin1Char(' ') + AppSettings::Instance()->locale->toString(count);
    QVERIFY2(status(dialog).startsWith("Error: " + named + " is out of range."), qPrintable(status(dialog)));
    QCOMPARE(fixture.rows(QStringLiteral("SELECT BAR_CODE, QUANTITY, SUB_ITEMS FROM tblInventory")), before);
}

void TestCAddNewItemsBatch::priceWithTaxAsks_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("places"); // decimal_places
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QString>("typed");  // sale price with tax
    QTest::addColumn<int>("answer");     // NoButton: nothing is asked
    QTest::addColumn<QString>("asked");  // the question's text
    QTest::addColumn<QString>("stored"); // SALE_PRICE of the new row; empty: none written

    // No net price at 2 places sells at 0.97: 0.80 sells at 0.96, 0.81 at 0.98.
    QTest::newRow("0.97 sells at 0.98, No saves nothing")
        << "round_up" << "2" << "20" << "0.97" << int(QMessageBox::No) << "Sells at 0.98" << "";
    QTest::newRow("0.97 sells at 0.98, Yes saves")
        << "round_up" << "2" << "20" << "0.97" << int(QMessageBox::Yes) << "Sells at 0.98" << "0.81";
    QTest::newRow("nearest sells at 1.00 too") << "nearest" << "2" << "20" << "0.99" << int(QMessageBox::No)
                                               << "Sells at 1.00" << "";
    QTest::newRow("rounding down keeps 0.99")
        << "round_down" << "2" << "20" << "0.99" << int(QMessageBox::NoButton) << "" << "0.83";
    // Whenever a net price sells at the typed price, it is the one stored and nothing is asked.
    QTest::newRow("0.99 at 20 % rounding up is 0.82")
        << "round_up" << "2" << "20" << "0.99" << int(QMessageBox::NoButton) << "" << "0.82";
    QTest::newRow("5.01 at 10 % rounding down is 4.56")
        << "round_down" << "2" << "10" << "5.01" << int(QMessageBox::NoButton) << "" << "4.56";
    QTest::newRow("whole units, 9 at 20 % rounding up is 7")
        << "round_up" << "0" << "20" << "9" << int(QMessageBox::NoButton) << "" << "7";
    QTest::newRow("three places, 2.003 at 15 % rounding up is 1.741")
        << "round_up" << "3" << "15" << "2.003" << int(QMessageBox::NoButton) << "" << "1.741";
}

void TestCAddNewItemsBatch::priceWithTaxAsks()
{
    QFETCH(QString, mode);
    QFETCH(QString, places);
    QFETCH(QString, rate);
    QFETCH(QString, typed);
    QFETCH(int, answer);
    QFETCH(QString, asked);
    QFETCH(QString, stored);
    AppSettings::Instance()->settings->setValue(QStringLiteral("tax_rounding_off"), mode);
    AppSettings::Instance()->settings->setValue(QStringLiteral("decimal_places"), places);
    QCOMPARE(addProduct(QStringLiteral("V1"), rate, false, {}), QString());
    CAddNewItemsBatch dialog(nullptr);
    Child<QLineEdit>(&dialog, "editProductCode")->setText(QStringLiteral("V1"));
    Child<QRadioButton>(&dialog, "radioButtonSalePriceWithTax")->setChecked(true);
    Child<QLineEdit>(&dialog, "lineEditSalePriceWitTax")->setText(typed);
    Child<QLineEdit>(&dialog, "lineEditPurchasePrice")->setText(QStringLiteral("0.5"));
    Child<QLineEdit>(&dialog, "lineQuantity")->setText(QStringLiteral("3"));
    if (answer != QMessageBox::NoButton)
        answerer->pressButton(QMessageBox::StandardButton(answer));
    Child<QPushButton>(&dialog, "pushButtonAdd")->click();

    QCOMPARE(answerer->messages(),
             asked.isEmpty() ? QStringList() : QStringList{QStringLiteral("Edit Inventory|") + asked});
    QCOMPARE(fixture.rows(QStringLiteral("SELECT SALE_PRICE, QUANTITY FROM tblInventory")),
             stored.isEmpty() ? QStringList() : QStringList{stored + QStringLiteral("|3")});
}

void TestCAddNewItemsBatch::statusTakesItsColourWithoutHoldingTheDialog()
{
    CAddNewItemsBatch dialog(nullptr);
    dialog.show();
    Child<QPushButton>(&dialog, "pushButtonAdd")->click();
    // The refusal is there at once, still plain; its colour follows without the dialog having waited for it.
    auto* label = Child<QLabel>(&dialog, "labelStatus");
    QCOMPARE(label->text(), QStringLiteral("Error: Please select a product first by code or name."));
    QCOMPARE(label->styleSheet(), QString());
    QTRY_COMPARE(label->styleSheet(), QStringLiteral("QLabel {background-color: red; color:white }"));
}

void TestCAddNewItemsBatch::fieldsStayWhileMessagesComeAndGo()
{
    const QString message = QStringLiteral("Error occurred while saving stock details. ")
        + QStringLiteral("Lost connection to MySQL server during query. ").repeated(6);
    CAddNewItemsBatch dialog(nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    // The captions take their common width just after opening.
    QTRY_VERIFY(Child<QLabel>(&dialog, "label_12")->minimumWidth() > 0);
    auto* status = Child<QLabel>(&dialog, "labelStatus");
    QCOMPARE(TestSupport::MovedByMessage(&dialog, status, message), QString());
    // The room shows the first two lines; a pointer resting on them brings up the whole message.
    status->setText(message);
    QCOMPARE(TestSupport::HoverTip(status), message);
}

void TestCAddNewItemsBatch::foundProductTakesAFailedLookUpsMessage()
{
    QCOMPARE(addProduct(QStringLiteral("P1"), QStringLiteral("0"), false, {}), QString());
    const QString away = QStringLiteral("RENAME TABLE tblProductCategories TO tblProductCategoriesAway");
    const QString back = QStringLiteral("RENAME TABLE tblProductCategoriesAway TO tblProductCategories");
    CAddNewItemsBatch dialog(nullptr);
    auto* label = Child<QLabel>(&dialog, "labelStatus");
    auto* code = Child<QLineEdit>(&dialog, "editProductCode");
    // The look-up fails, as it does while the server is away; the server back, Enter looks the code up again.
    QCOMPARE(fixture.exec({away}), QString());
    auto restore = qScopeGuard([this, back] { fixture.exec({back}); });
    code->setText(QStringLiteral("P1"));
    QCOMPARE(label->text(), QStringLiteral("Error: System could not find product with code ( P1 )"));
    QTRY_VERIFY(label->styleSheet().contains(QLatin1String("red")));
    restore.dismiss();
    QCOMPARE(fixture.exec({back}), QString());
    QTest::keyClick(code, Qt::Key_Return);
    QCOMPARE(Child<QLineEdit>(&dialog, "lineName")->text(), QStringLiteral("Product P1"));
    QCOMPARE(label->text() + label->styleSheet(), QString());
}

void TestCAddNewItemsBatch::typedCodeStaysInItsField_data()
{
    QTest::addColumn<int>("pause"); // ms between keys; -1: the event loop runs until idle
    QTest::addColumn<bool>("loop"); // the event loop runs between keys

    QTest::newRow("key by key") << -1 << true;
    QTest::newRow("10 ms a key") << 10 << true;
    QTest::newRow("10 ms a key, no event loop between keys") << 10 << false;
}

void TestCAddNewItemsBatch::typedCodeStaysInItsField()
{
    QFETCH(int, pause);
    QFETCH(bool, loop);
    // The first key finds product 2 and loads its stock, which unticks Auto Generate.
    QCOMPARE(addProduct(QStringLiteral("2"), QStringLiteral("0"), false, {QStringLiteral("2")}), QString());
    QCOMPARE(addProduct(QStringLiteral("2001"), QStringLiteral("0"), false, {}), QString());
    CAddNewItemsBatch dialog(nullptr);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto* code = Child<QLineEdit>(&dialog, "editProductCode");
    code->setFocus();
    for (const char key : QByteArray("2001")) {
        QTest::keyClick(QApplication::focusWidget(), key);
        if (!loop)
            QThread::msleep(pause);
        else if (pause < 0)
            TestSupport::Idle();
        else
            QTest::qWait(pause);
    }
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("editProductCode"));
    QCOMPARE(code->text(), QStringLiteral("2001"));
    QCOMPARE(Child<QLineEdit>(&dialog, "lineName")->text(), QStringLiteral("Product 2001"));
    // No typed key went to Quantity or the stock code.
    auto* quantity = Child<QLineEdit>(&dialog, "lineQuantity");
    QCOMPARE(quantity->text() + QLatin1Char('|') + Child<QLineEdit>(&dialog, "lineEditBarCode")->text(), "|");

    // Return takes the user on; the new stock is 2001's, with the code generated as the box was ticked before.
    QTest::keyClick(code, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("lineQuantity"));
    QTest::keyClick(quantity, '5');
    Child<QRadioButton>(&dialog, "radioButtonSalePriceWithoutTax")->setChecked(true);
    Child<QLineEdit>(&dialog, "lineEditSalePrice")->setText(QStringLiteral("2"));
    Child<QLineEdit>(&dialog, "lineEditPurchasePrice")->setText(QStringLiteral("1"));
    Child<QPushButton>(&dialog, "pushButtonAdd")->click();
    QCOMPARE(status(dialog), QStringLiteral("Stock with code 2001 added successfully"));
    QCOMPARE(fixture.rows(QStringLiteral("SELECT p.PRODUCT_CODE, i.BAR_CODE, i.QUANTITY FROM tblInventory i JOIN "
                                         "tblProducts p ON p.ID = i.PRODUCT_ID ORDER BY i.ID")),
             (QStringList{"2|2|10", "2001|2001|5"}));
}

void TestCAddNewItemsBatch::messageInViewWhereverTheFormWasScrolled_data()
{
    QTest::addColumn<int>("height");

    QTest::newRow("as opened") << 625;
    QTest::newRow("lower") << 400;
}

void TestCAddNewItemsBatch::messageInViewWhereverTheFormWasScrolled()
{
    QFETCH(int, height);
    QCOMPARE(addProduct(QStringLiteral("C1"), QStringLiteral("0"), false, {QStringLiteral("S1")}), QString());
    AppSettings::Instance()->settings->setValue(QStringLiteral("anib_show_more"), true);
    CAddNewItemsBatch dialog(nullptr);
    dialog.resize(975, height);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QScrollBar* bar = Child<QScrollArea>(&dialog, "scrollArea")->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    bar->setValue(bar->maximum());
    refuseTypedCode(dialog, QStringLiteral("A\\7"));

    auto* label = Child<QLabel>(&dialog, "labelStatus");
    QCOMPARE(label->text(), QStringLiteral("Code A\\7 is invalid. Please enter valid code of 1 to 50 characters length."));
    const QRect text = label->fontMetrics().boundingRect(label->contentsRect(), int(label->alignment()) | Qt::TextWordWrap,
                                                         label->text());
    QVERIFY(label->visibleRegion().contains(text));
}

void TestCAddNewItemsBatch::storedNamesShowAsText_data()
{
    QTest::addColumn<QString>("name"); // also the description, the unit and a stock code

    QTest::newRow("heading") << "<h1>Big</h1>";
    QTest::newRow("picture") << "<img src=/tmp/x.png>";
    QTest::newRow("entity") << "5 &lt; 6";
}

void TestCAddNewItemsBatch::storedNamesShowAsText()
{
    QFETCH(QString, name);
    QCOMPARE(addProduct(QStringLiteral("C1"), QStringLiteral("0"), false, {QStringLiteral("S1"), name}), QString());
    QCOMPARE(fixture.exec({QStringLiteral("UPDATE tblProducts SET NAME = '%1', DESCRIPTION = '%1', UNIT_NAME = '%1', "
                                          "SUB_UNIT_NAME = '%1'").arg(name)}),
             QString());
    CAddNewItemsBatch dialog(nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    // The typed code is refused as another stock's: the message quotes it.
    refuseTypedCode(dialog, name);
    QCOMPARE(Child<QLineEdit>(&dialog, "lineName")->text(), name);
    for (const char* field : {"lineName", "lineDescription"})
        QCOMPARE(TestSupport::AsShown(TestSupport::HoverTip(Child<QWidget>(&dialog, field))), name);
    for (const char* unit : {"labelQuantityUnit", "lablelSubQuantityUnit"}) {
        auto* label = Child<QLabel>(&dialog, unit);
        QCOMPARE(TestSupport::AsShown(label->text(), label->textFormat()), name);
    }
    auto* label = Child<QLabel>(&dialog, "labelStatus");
    const QString message =
        QStringLiteral("Error: Code %1 already exists for another stock. Please choose some other code.").arg(name);
    QCOMPARE(TestSupport::AsShown(label->text(), label->textFormat()), message);
    // Cut to its first lines, the message is whole in its tip.
    dialog.resize(dialog.minimumSizeHint().width(), dialog.height());
    QTRY_COMPARE(TestSupport::AsShown(TestSupport::HoverTip(label)), message);
}

VORANTEL_TEST_MAIN(TestCAddNewItemsBatch)
#include "tst_caddnewitemsbatch.moc"
