#include "addeditproductdialog.h"
#include "databasemanager.h"
#include "modalanswerer.h"
#include "productcode.h"
#include "producttest.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QSqlRecord>

// The product dialog on a real inventory database: automatic and typed codes, the first stock row,
// concurrent adds, failures, tax rates, the "!" key and the search list.
class TestAddEditProductDialog : public ProductTest
{
    Q_OBJECT

private slots:
    void automaticCode_data();
    void automaticCode();
    void typedCode_data();
    void typedCode();
    void updateChecksChangedCodeOnly_data();
    void updateChecksChangedCodeOnly();
    void addStockOpensTheNewStockRow();
    void concurrentAddsKeepTheirCodes_data();
    void concurrentAddsKeepTheirCodes();
    void failedFirstStockRowIsReported();
    void taxRatesAreDoubles();
    void bangKeyActsOnOwnFieldsOnly();
    void searchSeesEveryProduct();
    void statusTakesItsColourWithoutHoldingTheDialog();
    void categoryKeptAcrossCategoryEditor_data();
    void categoryKeptAcrossCategoryEditor();
    void enterInSearchOnlyLoads();

private:
    // Fills the form for an add of a product named name in the category categoryName.
    static void fill(AddEditProductDialog& dialog, const QString& name, const QString& categoryName)
    {
        Child<QLineEdit>(&dialog, "editName")->setText(name);
        Child<QComboBox>(&dialog, "comboCategory")->setCurrentText(categoryName);
    }
    static QString status(AddEditProductDialog& dialog) { return Child<QLabel>(&dialog, "labelStatus")->text(); }
    static void setAutomatic(AddEditProductDialog& dialog, bool automatic)
    {
        Child<QCheckBox>(&dialog, "checkAutoGenerate")->setChecked(automatic);
    }
    QString insertProduct(const QString& categoryId, const QString& code, const QString& id = QString()) const
    {
        return fixture.exec({QStringLiteral("INSERT INTO tblProducts (%1CATEGORY_ID, PRODUCT_CODE, NAME, ITEMS_PER_UNIT) "
                                            "VALUES (%2%3, '%4', 'Existing %4', 1)")
                                 .arg(id.isEmpty() ? QString() : QStringLiteral("ID, "),
                                      id.isEmpty() ? QString() : id + QStringLiteral(", "), categoryId, code)});
    }
    QString noneVendor() const { return value(QStringLiteral("SELECT ID FROM tblVendors WHERE NAME = 'NONE'")); }
};

void TestAddEditProductDialog::automaticCode_data()
{
    QTest::addColumn<QStringList>("setup"); // %1 the category ID
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("stockCode");

    QTest::newRow("the new ID") << QStringList{"ALTER TABLE tblProducts AUTO_INCREMENT = 700"} << "700" << "700";
    QTest::newRow("next free when the ID is a code")
        << QStringList{"INSERT INTO tblProducts (ID, CATEGORY_ID, PRODUCT_CODE, NAME, ITEMS_PER_UNIT) VALUES (3, %1, '701', 'Old', 1)",
                       "INSERT INTO tblProducts (ID, CATEGORY_ID, PRODUCT_CODE, NAME, ITEMS_PER_UNIT) VALUES (4, %1, '702', 'Old', 1)",
                       "ALTER TABLE tblProducts AUTO_INCREMENT = 701"}
        << "703" << "703";
    QTest::newRow("stock code taken: from the highest stock ID up")
        << QStringList{"INSERT INTO tblProducts (ID, CATEGORY_ID, PRODUCT_CODE, NAME, ITEMS_PER_UNIT) VALUES (3, %1, 'OLD', 'Old', 1)",
                       "INSERT INTO tblInventory (ID, PRODUCT_ID, VENDOR_ID, BAR_CODE, BATCH_NUMBER, PURCHASE_PRICE) "
                       "SELECT 40, 3, ID, '710', '', 0 FROM tblVendors WHERE NAME = 'NONE'",
                       "INSERT INTO tblInventory (ID, PRODUCT_ID, VENDOR_ID, BAR_CODE, BATCH_NUMBER, PURCHASE_PRICE) "
                       "SELECT 41, 3, ID, '41', '', 0 FROM tblVendors WHERE NAME = 'NONE'",
                       "ALTER TABLE tblProducts AUTO_INCREMENT = 710"}
        << "710" << "42";
}

void TestAddEditProductDialog::automaticCode()
{
    QFETCH(QStringList, setup);
    QFETCH(QString, code);
    QFETCH(QString, stockCode);

    const QString category = addCategory(QStringLiteral("Drinks"));
    for (QString& statement : setup)
        statement.replace(QLatin1String("%1"), category);
    const QString error = fixture.exec(setup);
    QVERIFY2(error.isEmpty(), qPrintable(error));

    AddEditProductDialog dialog(nullptr);
    setAutomatic(dialog, true);
    fill(dialog, QStringLiteral("Cola"), QStringLiteral("Drinks"));
    Child<QPushButton>(&dialog, "buttonAdd")->click();

    QCOMPARE(status(dialog), QStringLiteral("New product with code %1 added successfully.").arg(code));
    QCOMPARE(fixture.rows(QStringLiteral("SELECT PRODUCT_CODE, NAME, CATEGORY_ID FROM tblProducts WHERE NAME = 'Cola'")),
             QStringList{code + QStringLiteral("|Cola|") + category});
    const QString id = value(QStringLiteral("SELECT ID FROM tblProducts WHERE NAME = 'Cola'"));
    QCOMPARE(fixture.rows(QStringLiteral(
                 "SELECT PRODUCT_ID, VENDOR_ID, BAR_CODE, BATCH_NUMBER, EXPIRY_DATE, STORAGE_LOCATION, PURCHASE_PRICE, "
                 "SALE_PRICE, QUANTITY, SUB_ITEMS, SHOW_ON_POS, DISCOUNT, REORDER_LEVEL, REORDER_QUANTITY "
                 "FROM tblInventory WHERE PRODUCT_ID = %1").arg(id)),
             QStringList{QStringLiteral("%1|%2|%3||NULL||0|0|0|0|1|0|0|0").arg(id, noneVendor(), stockCode)});
    // The dialog is now on the new product, ready for its stock.
    QCOMPARE(Child<QLineEdit>(&dialog, "editCode")->text(), code);
    QVERIFY(Child<QPushButton>(&dialog, "pushAddInventory")->isEnabled());
    QCOMPARE(dialog.InitialStockCode(), stockCode);
}

void TestAddEditProductDialog::typedCode_data()
{
    QTest::addColumn<QString>("existing");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("status"); // %1 the code

    const QString invalid = QStringLiteral(
        "Product code %1 is invalid.\nAllowed alphanumeric and special characters up to 50 characters. ");
    const QString added = QStringLiteral("New product with code %1 added successfully.");
    QTest::newRow("quotes") << "" << "a'b\"c" << added;
    QTest::newRow("markup, shown as typed") << "" << "<h1>A&amp;B</h1>" << added;
    QTest::newRow("fifty characters") << "" << QString(50, QLatin1Char('x')) << added;
    QTest::newRow("twenty small a") << "" << "aaaaaaaaaaaaaaaaaaaa" << added;
    QTest::newRow("fifty-one characters") << "" << QString(51, QLatin1Char('x')) << invalid;
    QTest::newRow("empty") << "" << "" << invalid;
    QTest::newRow("backslash") << "" << "ab\\c" << invalid;
    QTest::newRow("accented letter") << "" << QStringLiteral("caf\u00e9") << invalid;
    QTest::newRow("same code in other case")
        << "ABC" << "abc"
        << "Product code %1 is already assigned to another product. Please enter some other code.";
}

void TestAddEditProductDialog::typedCode()
{
    QFETCH(QString, existing);
    QFETCH(QString, code);
    QFETCH(QString, status);

    const QString category = addCategory(QStringLiteral("Drinks"));
    if (!existing.isEmpty())
        QCOMPARE(insertProduct(category, existing), QString());
    AddEditProductDialog dialog(nullptr);
    setAutomatic(dialog, false);
    fill(dialog, QStringLiteral("Typed"), QStringLiteral("Drinks"));
    Child<QLineEdit>(&dialog, "editCode")->setText(code);
    Child<QPushButton>(&dialog, "buttonAdd")->click();

    auto* label = Child<QLabel>(&dialog, "labelStatus");
    QCOMPARE(TestSupport::AsShown(label->text(), label->textFormat()), status.arg(code));
    const bool stored = status.startsWith(QLatin1String("New"));
    QSqlQuery query(TestDatabase::connect(QStringLiteral("typed"), fixture.name()));
    QVERIFY_SQL(query, prepare(QStringLiteral("SELECT BINARY PRODUCT_CODE FROM tblProducts WHERE NAME = 'Typed'")));
    QVERIFY_SQL(query, exec());
    QCOMPARE(query.next(), stored);
    if (stored) {
        QCOMPARE(QString::fromUtf8(query.value(0).toByteArray()), code);
        QCOMPARE(value(QStringLiteral("SELECT COUNT(*) FROM tblInventory")), QStringLiteral("1"));
    }
}

void TestAddEditProductDialog::updateChecksChangedCodeOnly_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("stored");
    QTest::newRow("unchanged code") << "abc" << "Existing product with code abc updated successfully" << "abc|Renamed";
    QTest::newRow("own code in capitals")
        << "ABC" << "Product code ABC is already assigned to another product. Please enter some other code."
        << "abc|Old";
    QTest::newRow("new code") << "XYZ'1" << "Existing product with code XYZ'1 updated successfully" << "XYZ'1|Renamed";
}

void TestAddEditProductDialog::updateChecksChangedCodeOnly()
{
    QFETCH(QString, code);
    QFETCH(QString, status);
    QFETCH(QString, stored);
    const QString category = addCategory(QStringLiteral("Drinks"));
    QCOMPARE(fixture.exec({QStringLiteral("INSERT INTO tblProducts (CATEGORY_ID, PRODUCT_CODE, NAME, ITEMS_PER_UNIT) "
                                          "VALUES (%1, 'abc', 'Old', 1)").arg(category)}),
             QString());
    QSqlQuery query(TestDatabase::connect(QStringLiteral("update"), fixture.name()));
    QVERIFY_SQL(query, exec(QStringLiteral(
                           "Select p.ID, c.NAME, PRODUCT_CODE, p.NAME, ITEMS_PER_UNIT, DESCRIPTION, IMAGE_FILE, TAX_RATE, "
                           "UNIT_NAME, SUB_UNIT_NAME, PRINT_UNIT_NAME, SERVICE_ITEM FROM tblProducts as p, "
                           "tblProductCategories as c WHERE p.CATEGORY_ID = c.ID")));
    QVERIFY(query.next());
    AddEditProductDialog dialog(nullptr);
    dialog.SetProduct(0, query.record());
    Child<QLineEdit>(&dialog, "editCode")->setText(code);
    auto* name = Child<QLineEdit>(&dialog, "editName");
    name->setText(QStringLiteral("Renamed"));
    QTest::keyClick(name, Qt::Key_Return);
    QCOMPARE(this->status(dialog), status);
    QCOMPARE(fixture.rows(QStringLiteral("SELECT PRODUCT_CODE, NAME FROM tblProducts")), QStringList{stored});
}

void TestAddEditProductDialog::addStockOpensTheNewStockRow()
{
    addCategory(QStringLiteral("Drinks"));
    AddEditProductDialog dialog(nullptr);
    setAutomatic(dialog, true);
    fill(dialog, QStringLiteral("Water"), QStringLiteral("Drinks"));
    Child<QPushButton>(&dialog, "buttonAdd")->click();
    const QString code = dialog.CurrentCode();
    QVERIFY(!code.isEmpty());

    QString shownCode, shownName;
    answerer->handleClass("CAddNewItemsBatch", [&](QWidget* stock) {
        shownCode = Child<QLineEdit>(stock, "lineEditBarCode")->text();
        shownName = Child<QLineEdit>(stock, "lineName")->text();
        static_cast<QDialog*>(stock)->reject();
    });
    Child<QPushButton>(&dialog, "pushAddInventory")->click();
    QCOMPARE(shownCode, dialog.InitialStockCode());
    QCOMPARE(shownName, QStringLiteral("Water"));
}

void TestAddEditProductDialog::concurrentAddsKeepTheirCodes_data()
{
    QTest::addColumn<QString>("present"); // a product coded like the old placeholder
    QTest::addColumn<bool>("withStock");
    QTest::addColumn<bool>("survives");
    QTest::newRow("old-style leftover") << "AAAAAAAAAAAAAAAAAAAA" << false << false;
    QTest::newRow("real product in small letters") << "aaaaaaaaaaaaaaaaaaaa" << false << true;
    QTest::newRow("real product with stock") << "AAAAAAAAAAAAAAAAAAAA" << true << true;
}

void TestAddEditProductDialog::concurrentAddsKeepTheirCodes()
{
    QFETCH(QString, present);
    QFETCH(bool, withStock);
    QFETCH(bool, survives);

    const QString category = addCategory(QStringLiteral("Drinks"));
    QCOMPARE(insertProduct(category, present), QString());
    if (withStock)
        QCOMPARE(fixture.exec({QStringLiteral("INSERT INTO tblInventory (PRODUCT_ID, VENDOR_ID, BAR_CODE, BATCH_NUMBER, "
                                              "PURCHASE_PRICE) SELECT p.ID, v.ID, 'REAL', '', 0 FROM tblProducts p, "
                                              "tblVendors v WHERE v.NAME = 'NONE'")}),
                 QString());

    // Another workstation stands between its insert and its code update.
    QSqlDatabase other = TestDatabase::connect(QStringLiteral("other_terminal"), fixture.name());
    QVERIFY(other.transaction());
    // A failing check must not leave the other workstation's locks to the next test.
    struct RollBack
    {
        QSqlDatabase db;
        ~RollBack() { db.rollback(); }
    } rollBack{other};
    QSqlQuery insert(other);
    QVERIFY_SQL(insert, prepare(QStringLiteral("INSERT INTO tblProducts (CATEGORY_ID, PRODUCT_CODE, NAME, ITEMS_PER_UNIT) "
                                               "VALUES (?, ?, 'Other', 1)")));
    insert.addBindValue(category.toInt());
    insert.addBindValue(TemporaryProductCode());
    QVERIFY_SQL(insert, exec());
    const int otherId = insert.lastInsertId().toInt();

    AddEditProductDialog dialog(nullptr);
    setAutomatic(dialog, true);
    fill(dialog, QStringLiteral("Mine"), QStringLiteral("Drinks"));
    Child<QPushButton>(&dialog, "buttonAdd")->click();
    const QString mine = value(QStringLiteral("SELECT PRODUCT_CODE FROM tblProducts WHERE NAME = 'Mine'"));
    QCOMPARE(status(dialog), QStringLiteral("New product with code %1 added successfully.").arg(mine));

    QString otherCode, error;
    QVERIFY2(AssignAutomaticProductCode(other, otherId, &otherCode, &error), qPrintable(error));
    QVERIFY(other.commit());
    QVERIFY(otherCode != mine);
    QCOMPARE(otherCode, QString::number(otherId));
    QCOMPARE(value(QStringLiteral("SELECT PRODUCT_CODE FROM tblProducts WHERE NAME = 'Mine'")),
             value(QStringLiteral("SELECT ID FROM tblProducts WHERE NAME = 'Mine'")));

    // A leftover is gone, a real product stays, and the next automatic code still works.
    QCOMPARE(fixture.rows(QStringLiteral("SELECT BINARY PRODUCT_CODE FROM tblProducts WHERE PRODUCT_CODE = "
                                         "'AAAAAAAAAAAAAAAAAAAA'")),
             survives ? QStringList{present} : QStringList{});
    Child<QPushButton>(&dialog, "pushNewProduct")->click();
    fill(dialog, QStringLiteral("Next"), QStringLiteral("Drinks"));
    Child<QPushButton>(&dialog, "buttonAdd")->click();
    const QString next = value(QStringLiteral("SELECT PRODUCT_CODE FROM tblProducts WHERE NAME = 'Next'"));
    QCOMPARE(next, value(QStringLiteral("SELECT ID FROM tblProducts WHERE NAME = 'Next'")));
    QCOMPARE(value(QStringLiteral("SELECT COUNT(*) FROM tblProducts WHERE PRODUCT_CODE LIKE '\\\\\\\\%'")),
             QStringLiteral("0"));
}

void TestAddEditProductDialog::failedFirstStockRowIsReported()
{
    addCategory(QStringLiteral("Drinks"));
    // Without the default vendor the first stock row cannot be written.
    QCOMPARE(fixture.exec({QStringLiteral("DELETE FROM tblVendors WHERE NAME = 'NONE'")}), QString());
    AddEditProductDialog dialog(nullptr);
    setAutomatic(dialog, true);
    fill(dialog, QStringLiteral("Lemonade"), QStringLiteral("Drinks"));
    Child<QPushButton>(&dialog, "buttonAdd")->click();
    QCOMPARE(fixture.exec({QStringLiteral("INSERT INTO tblVendors (NAME) VALUES ('NONE')")}), QString());

    const QString text = status(dialog);
    QVERIFY2(text.startsWith(QLatin1String("System Error: Can not add product with code")), qPrintable(text));
    QVERIFY2(text.contains(QLatin1String("foreign key")), qPrintable(text));
    QVERIFY(!text.contains(QLatin1String("added successfully")));
    QCOMPARE(value(QStringLiteral("SELECT COUNT(*) FROM tblProducts")), QStringLiteral("0"));
    QCOMPARE(Child<QLineEdit>(&dialog, "editName")->text(), QStringLiteral("Lemonade"));
    QVERIFY(Child<QPushButton>(&dialog, "buttonAdd")->isEnabled());
}

void TestAddEditProductDialog::taxRatesAreDoubles()
{
    AppSettings::Instance()->settings->setValue(QStringLiteral("SALES_TAX_RATE_A"), 10.1);
    const QString category = addCategory(QStringLiteral("Drinks"));
    AddEditProductDialog dialog(nullptr);
    setAutomatic(dialog, true);
    fill(dialog, QStringLiteral("Custom"), QStringLiteral("Drinks"));
    Child<QCheckBox>(&dialog, "checkBoxCustomRate")->setChecked(true);
    Child<QLineEdit>(&dialog, "lineEditCustomRate")->setText(QStringLiteral("10.1"));
    Child<QPushButton>(&dialog, "buttonAdd")->click();
    QCOMPARE(value(QStringLiteral("SELECT TAX_RATE FROM tblProducts WHERE NAME = 'Custom'")), QStringLiteral("10.1"));

    // A rate an older version stored through a float still selects the listed rate.
    QCOMPARE(fixture.exec({QStringLiteral("INSERT INTO tblProducts (CATEGORY_ID, PRODUCT_CODE, NAME, ITEMS_PER_UNIT, "
                                          "TAX_RATE) VALUES (%1, 'F1', 'Float', 1, 10.100000381469727)")
                               .arg(category)}),
             QString());
    QSqlQuery query(TestDatabase::connect(QStringLiteral("rates"), fixture.name()));
    QVERIFY_SQL(query, exec(QStringLiteral(
                           "Select p.ID, c.NAME, PRODUCT_CODE, p.NAME, ITEMS_PER_UNIT, DESCRIPTION, IMAGE_FILE, TAX_RATE, "
                           "UNIT_NAME, SUB_UNIT_NAME, PRINT_UNIT_NAME, SERVICE_ITEM FROM tblProducts as p, "
                           "tblProductCategories as c WHERE p.CATEGORY_ID = c.ID AND PRODUCT_CODE = 'F1'")));
    QVERIFY(query.next());
    dialog.SetProduct(0, query.record());
    QCOMPARE(Child<QComboBox>(&dialog, "comboTaxRates")->currentText(), QStringLiteral("A - 10.100 %"));
    QVERIFY(!Child<QCheckBox>(&dialog, "checkBoxCustomRate")->isChecked());
}

void TestAddEditProductDialog::bangKeyActsOnOwnFieldsOnly()
{
    AddEditProductDialog dialog(nullptr);
    dialog.show();
    auto* name = Child<QLineEdit>(&dialog, "editName");
    QTest::keyClicks(name, QStringLiteral("Tea!"));
    QCOMPARE(name->text(), QStringLiteral("Tea"));

    // A dialog opened while the product dialog lives takes "!" as typed.
    QDialog other;
    auto* field = new QLineEdit(&other);
    other.show();
    QTest::keyClicks(field, QStringLiteral("Hi!"));
    QCOMPARE(field->text(), QStringLiteral("Hi!"));
}

void TestAddEditProductDialog::searchSeesEveryProduct()
{
    const QString category = addCategory(QStringLiteral("Bulk"));
    QCOMPARE(fixture.exec({QStringLiteral(
                 "INSERT INTO tblProducts (CATEGORY_ID, PRODUCT_CODE, NAME, ITEMS_PER_UNIT) WITH RECURSIVE seq(n) AS "
                 "(SELECT 1 UNION ALL SELECT n + 1 FROM seq WHERE n < 300) SELECT %1, CONCAT('P', n), "
                 "CONCAT('Item ', n), 1 FROM seq").arg(category)}),
             QString());
    AddEditProductDialog dialog(nullptr);
    QCompleter* completer = Child<QComboBox>(&dialog, "comboProductSearch")->completer();
    QVERIFY(completer);
    // The search list holds every product, not the driver's first batch of 256.
    QCOMPARE(completer->model()->rowCount(), 300);
    // Item 3, Item 30 to 39 and Item 300: the last one lies beyond the first batch of rows.
    completer->setCompletionPrefix(QStringLiteral("Item 3"));
    QCOMPARE(completer->completionCount(), 12);
}

void TestAddEditProductDialog::statusTakesItsColourWithoutHoldingTheDialog()
{
    AddEditProductDialog dialog(nullptr);
    dialog.show();
    setAutomatic(dialog, true);
    Child<QPushButton>(&dialog, "buttonAdd")->click();
    // The refusal is there at once, still plain; its colour follows without the dialog having waited for it.
    auto* label = Child<QLabel>(&dialog, "labelStatus");
    QCOMPARE(label->text(), QStringLiteral("Error: Please enter valid product name."));
    QCOMPARE(label->styleSheet(), QString());
    QTRY_COMPARE(label->styleSheet(), QStringLiteral("QLabel {background-color: red; color:white }"));
}

void TestAddEditProductDialog::categoryKeptAcrossCategoryEditor_data()
{
    QTest::addColumn<QString>("statement"); // what the user does in the categories dialog; %1 the chosen one
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("added");
    QTest::newRow("nothing changed") << QString() << "Drinks" << true;
    QTest::newRow("a category added before it") << "INSERT INTO tblProductCategories (NAME) VALUES ('Apples')"
                                                 << "Drinks" << true;
    QTest::newRow("renamed") << "UPDATE tblProductCategories SET NAME = 'Beverages' WHERE ID = %1" << "Beverages"
                             << true;
    QTest::newRow("deleted") << "DELETE FROM tblProductCategories WHERE ID = %1" << QString() << false;
}

void TestAddEditProductDialog::categoryKeptAcrossCategoryEditor()
{
    QFETCH(QString, statement);
    QFETCH(QString, shown);
    QFETCH(bool, added);
    addCategory(QStringLiteral("Bakery"));
    const QString drinks = addCategory(QStringLiteral("Drinks"));
    AddEditProductDialog dialog(nullptr);
    setAutomatic(dialog, true);
    fill(dialog, QStringLiteral("Cola"), QStringLiteral("Drinks"));
    QString error;
    answerer->handleClass<QDialog>("ManageCategories", [&](QDialog* editor) {
        if (!statement.isEmpty())
            error = fixture.exec({QString(statement).replace(QLatin1String("%1"), drinks)});
        editor->reject();
    });
    Child<QPushButton>(&dialog, "pushCategories")->click();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(Child<QComboBox>(&dialog, "comboCategory")->currentText(), shown);

    Child<QPushButton>(&dialog, "buttonAdd")->click();
    QCOMPARE(fixture.rows(QStringLiteral("SELECT CATEGORY_ID FROM tblProducts")),
             added ? QStringList{drinks} : QStringList());
    if (!added)
        QCOMPARE(status(dialog), QStringLiteral("Error: Please select a product category"));
}

void TestAddEditProductDialog::enterInSearchOnlyLoads()
{
    const QString category = addCategory(QStringLiteral("Drinks"));
    QCOMPARE(insertProduct(category, QStringLiteral("T1")), QString());
    AddEditProductDialog dialog(nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* search = Child<QComboBox>(&dialog, "comboProductSearch");
    search->setFocus();
    search->lineEdit()->setText(QStringLiteral("Existing T1 [CODE: T1]"));
    QTest::keyClick(search->lineEdit(), Qt::Key_Return);
    QCOMPARE(Child<QLineEdit>(&dialog, "editName")->text(), QStringLiteral("Existing T1"));
    // No other dialog opened.
    QVERIFY2(answerer->seen.isEmpty(), qPrintable(answerer->seen.value(0).className));
}

VORANTEL_TEST_MAIN(TestAddEditProductDialog)
#include "tst_addeditproductdialog.moc"
