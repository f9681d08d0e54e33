#include "caddnewitemsbatch.h"
#include "modalanswerer.h"
#include "producttest.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

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
    void statusTakesItsColourWithoutHoldingTheDialog();

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
};

void TestCAddNewItemsBatch::prices_data()
{
    QTest::addColumn<QString>("mode"); // tax_rounding_off; empty: not set
    QTest::addColumn<QString>("withTax");

    QTest::newRow("up") << "round_up" << "10.73";
    QTest::newRow("no setting rounds up") << "" << "10.73";
    QTest::newRow("nearest") << "nearest" << "10.73";
    QTest::newRow("down") << "round_down" << "10.72";
}

void TestCAddNewItemsBatch::prices()
{
    QFETCH(QString, mode);
    QFETCH(QString, withTax);
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
    QCOMPARE(Child<QLineEdit>(&dialog, "lineEditSalePrice")->text(), QStringLiteral("10.00"));
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

VORANTEL_TEST_MAIN(TestCAddNewItemsBatch)
#include "tst_caddnewitemsbatch.moc"
