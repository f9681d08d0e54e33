#include "appsettings.h"
#include "databasemanager.h"
#include "inventoryexport.h"
#include "inventoryimport.h"
#include "inventoryimporter.h"
#include "inventorymanagement.h"
#include "productmanagement.h"
#include "messagesettings.h"
#include "modalanswerer.h"
#include "stockfixture.h"
#include "testsupport.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QLocale>
#include <QMainWindow>
#include <QPushButton>
#include <QTextEdit>
#include <QSettings>
#include <QTextCodec>
#include <QTextStream>
#include <QtTest>

#include <map>

namespace {

// One record line: the given columns (numbered as in the 26-column layout) filled, the others empty.
QString Record(const std::map<int, QString>& values, int columns = 25, QChar delimiter = QLatin1Char(','))
{
    QStringList fields;
    for (int c = 0; c < 26; ++c) {
        if (columns == 25 && c == 21)
            continue;
        const auto found = values.find(c);
        fields << (found == values.end() ? QString() : found->second);
    }
    return fields.join(delimiter);
}

struct Outcome
{
    int processed = 0;
    bool clean = true;
    QStringList log;
};

// The stored products and stock in a form that does not depend on row ids.
QStringList Dump(const StockTest* test, const std::function<QStringList(const QString&)>& rows)
{
    Q_UNUSED(test)
    return rows(QStringLiteral("SELECT c.NAME, p.PRODUCT_CODE, p.NAME, p.ITEMS_PER_UNIT, p.DESCRIPTION, p.IMAGE_FILE, "
                               "p.TAX_RATE, p.UNIT_NAME, p.SUB_UNIT_NAME, p.PRINT_UNIT_NAME, p.SERVICE_ITEM FROM "
                               "tblProducts p JOIN tblProductCategories c ON c.ID = p.CATEGORY_ID ORDER BY BINARY p.PRODUCT_CODE"))
        + rows(QStringLiteral("SELECT i.BAR_CODE, p.PRODUCT_CODE, v.NAME, i.BATCH_NUMBER, i.EXPIRY_DATE, "
                              "i.STORAGE_LOCATION, i.PURCHASE_PRICE, i.SALE_PRICE, i.QUANTITY, i.SUB_ITEMS, i.SHOW_ON_POS, "
                              "i.DISCOUNT, i.REORDER_LEVEL, i.REORDER_QUANTITY FROM tblInventory i JOIN tblProducts p ON "
                              "p.ID = i.PRODUCT_ID JOIN tblVendors v ON v.ID = i.VENDOR_ID ORDER BY BINARY i.BAR_CODE"));
}

} // namespace

class TestInventoryImport : public StockTest
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void sampleFileImportsIntoItsCounts_data();
    void sampleFileImportsIntoItsCounts();
    void templateIsTheHeaderLine();
    void badLinesAreLoggedInStepOrder();
    void badLinesEndWithTheQuestionBox();
    void runWithoutLogIsNotReportedClean_data();
    void runWithoutLogIsNotReportedClean();
    void derivedPricesAreRounded_data();
    void derivedPricesAreRounded();
    void exportedPricesTakeTheChosenForm_data();
    void exportedPricesTakeTheChosenForm();
    void windowsGiveTheLineByLineOutcome();
    void roundTripLeavesTablesUnchanged_data();
    void roundTripLeavesTablesUnchanged();
    void unreadableFilesImportNothing_data();
    void unreadableFilesImportNothing();
    void exportReportsFailures();
    void unwritableLogIsSaid();
    void importNoticeNamesDelimiterAndColumns();
    void pagesOpenTheImportAndExport();

private:
    Outcome Import(const QStringList& records, int window = 500);
    // Runs the dialog's import on the file; the closing box is left to the answerer's Escape.
    void ImportThroughDialog(const QString& path);
    QStringList Dump() const
    {
        return ::Dump(this, [this](const QString& sql) { return rows(sql); });
    }
    void ApplySettings(const QList<QPair<QString, QVariant>>& values);

    QMainWindow window;
    QString folder;
};

void TestInventoryImport::initTestCase()
{
    StockTest::initTestCase();
    AppSettings::Instance()->mainWindow = &window;
    (*MessageSettings::Instance())[QStringLiteral("err_msg_31")].show = false;
}

void TestInventoryImport::init()
{
    StockTest::init();
    QSettings* settings = AppSettings::Instance()->settings;
    for (const char* key : {"delimiter", "SUB_ITEMS_MODE", "decimal_places", "tax_rounding_off", "enable_tax",
                            "DATE_FORMAT", "locale_lang_index", "SALES_TAX_NAME", "RECENT_LOCATION"})
        settings->remove(QLatin1String(key));
    settings->setValue(QStringLiteral("locale_lang_index"), int(QLocale::English));
    AppSettings::Instance()->LoadDateFormat();
    AppSettings::Instance()->LoadLocale();
    folder = TestSupport::ScratchDir() + QStringLiteral("/import");
    QDir(folder).removeRecursively();
    QVERIFY(QDir().mkpath(folder));
}

void TestInventoryImport::ApplySettings(const QList<QPair<QString, QVariant>>& values)
{
    for (const auto& value : values)
        AppSettings::Instance()->settings->setValue(value.first, value.second);
    AppSettings::Instance()->LoadDateFormat();
    AppSettings::Instance()->LoadLocale();
}

Outcome TestInventoryImport::Import(const QStringList& records, int window)
{
    QString logText;
    QTextStream log(&logText);
    InventoryImport run(DatabaseManager::Instance()->InventoryDatabase(), InventoryImportOptions::FromSettings(), &log);
    run.SetWindowSize(window);
    for (const QString& record : records)
        run.AddLine(record);
    run.Finish();
    log.flush();
    return {run.Processed(), run.Clean(), logText.split(QLatin1Char('\n'), Qt::SkipEmptyParts)};
}

void TestInventoryImport::ImportThroughDialog(const QString& path)
{
    InventoryImporter importer(&window);
    answerer->accept(); // the format notice
    answerer->handleClass<QFileDialog>("QFileDialog", [path](QFileDialog* chooser) {
        Child<QLineEdit>(chooser, "fileNameEdit")->setText(path);
        static_cast<QDialog*>(chooser)->accept();
    });
    Child<QPushButton>(&importer, "pushImport")->click();
}

void TestInventoryImport::sampleFileImportsIntoItsCounts_data()
{
    QTest::addColumn<QString>("subItemsMode");
    QTest::addColumn<int>("delimiter");
    QTest::newRow("25 columns, comma") << "n" << 0;
    QTest::newRow("26 columns, semicolon") << "y" << 1;
    QTest::newRow("25 columns, tab") << "n" << 2;
}

void TestInventoryImport::sampleFileImportsIntoItsCounts()
{
    QFETCH(QString, subItemsMode);
    QFETCH(int, delimiter);
    ApplySettings({{QStringLiteral("SUB_ITEMS_MODE"), subItemsMode}, {QStringLiteral("delimiter"), delimiter}});
    {
        InventoryImporter importer(&window);
        answerer->handleClass<QFileDialog>("QFileDialog", [this](QFileDialog* chooser) {
            chooser->setDirectory(folder);
            static_cast<QDialog*>(chooser)->accept();
        });
        Child<QPushButton>(&importer, "pushGenerateSampleImport")->click();
    }
    const QString sample = folder + QStringLiteral("/sample_import_file.csv");
    const QStringList lines = QString::fromUtf8(TestSupport::ReadFile(sample)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 101);
    QCOMPARE(lines.at(1).split(delimiter == 1 ? QLatin1Char(';') : delimiter == 2 ? QLatin1Char('\t') : QLatin1Char(','))
                 .size(),
             subItemsMode == QLatin1String("n") ? 25 : 26);

    ImportThroughDialog(sample);
    QCOMPARE(answerer->messages().last(),
             QStringLiteral("Import/Update|Import/Update operation completed, and 100 records processed."));
    QCOMPARE(rows(QStringLiteral("SELECT COUNT(*) FROM tblProductCategories")), QStringList{"5"});
    QCOMPARE(rows(QStringLiteral("SELECT COUNT(*) FROM tblVendors WHERE NAME <> 'NONE'")), QStringList{"5"});
    QCOMPARE(rows(QStringLiteral("SELECT COUNT(*) FROM tblProducts")), QStringList{"100"});
    QCOMPARE(rows(QStringLiteral("SELECT COUNT(*) FROM tblInventory")), QStringList{"100"});
    // Generated codes: the row's id, and the stock code is the product code.
    QCOMPARE(rows(QStringLiteral("SELECT COUNT(*) FROM tblProducts p JOIN tblInventory i ON i.PRODUCT_ID = p.ID "
                                 "WHERE p.PRODUCT_CODE = p.ID AND i.BAR_CODE = p.PRODUCT_CODE")),
             QStringList{"100"});
    // Rate 10, 15 with tax: 13.63 without, which sells at 15.00 rounding up; the purchase cost is kept with tax.
    QCOMPARE(rows(QStringLiteral("SELECT i.SALE_PRICE, i.PURCHASE_PRICE, p.SERVICE_ITEM FROM tblInventory i JOIN "
                                 "tblProducts p ON p.ID = i.PRODUCT_ID WHERE p.NAME = 'Foo Product No. 7'")),
             QStringList{"13.63|10|0"});
    QCOMPARE(rows(QStringLiteral("SELECT COUNT(*) FROM tblInventory i JOIN tblProducts p ON p.ID = i.PRODUCT_ID "
                                 "WHERE p.NAME LIKE 'Toy No.%' AND i.SHOW_ON_POS = 1 AND i.STORAGE_LOCATION = ''")),
             QStringList{"20"});
    const QStringList logs = QDir(folder).entryList({QStringLiteral("import_log_*.txt")});
    QCOMPARE(logs.size(), 1);
    QCOMPARE(TestSupport::ReadFile(folder + QLatin1Char('/') + logs.first()), QByteArray());
    QCOMPARE(AppSettings::Instance()->settings->value(QStringLiteral("RECENT_LOCATION")).toString(), sample);
}

void TestInventoryImport::templateIsTheHeaderLine()
{
    ApplySettings({{QStringLiteral("delimiter"), 1}, {QStringLiteral("SALES_TAX_NAME"), QStringLiteral("VAT")}});
    InventoryImporter importer(&window);
    answerer->handleClass<QFileDialog>("QFileDialog", [this](QFileDialog* chooser) {
        chooser->setDirectory(folder);
        static_cast<QDialog*>(chooser)->accept();
    });
    Child<QPushButton>(&importer, "pushGenerateTemplate")->click();
    QCOMPARE(QString::fromUtf8(TestSupport::ReadFile(folder + QStringLiteral("/import_template.csv"))),
             QStringLiteral("category; product name; product code; items per unit; product description; product image "
                            "path; VAT rate; unit name; sub unit name; print unit (y|n); service item (y|n); stock code; "
                            "vendor name; batch number; expiry date; storage location; purchase cost (without VAT); "
                            "purchase cost (with VAT); sale price (without VAT); sale price (with VAT); quantity; "
                            "discount; reorder level; reorder quantity; Show as POS Button (y|n) \n"));
    QCOMPARE(answerer->messages().last(),
             QStringLiteral("Import Template|Import template generated successfully and saved to file ") + folder
                 + QStringLiteral("/import_template.csv"));
}

namespace {

QStringList BadLines()
{
    return {
        QStringLiteral("only,three,fields"),
        Record({{4, QStringLiteral("no category nor name")}}),
        Record({{0, QStringLiteral("Food")}, {1, QStringLiteral("Both")}, {2, QStringLiteral("B1")},
                {16, QStringLiteral("1")}, {17, QStringLiteral("2")}, {18, QStringLiteral("3")},
                {19, QStringLiteral("4")}}),
        Record({{0, QStringLiteral("Food")}, {1, QStringLiteral("Dated")}, {2, QStringLiteral("D1")},
                {14, QStringLiteral("2024/13/45")}}),
        Record({{0, QStringLiteral("Food")}, {1, QStringLiteral("Mine")}, {2, QStringLiteral("X1")}}),
        Record({{0, QStringLiteral("Drinks")}, {1, QStringLiteral("Theirs")}, {2, QStringLiteral("X1")}}),
        Record({{0, QStringLiteral("Food")}, {1, QString(151, QLatin1Char('n'))}, {2, QStringLiteral("L1")}}),
        QString(),
        Record({{0, QStringLiteral("Food")}, {1, QStringLiteral("Fine")}, {2, QStringLiteral("F1")}}),
    };
}

const QStringList BAD_LINE_LOG{
    "Error at line 1. Expected columns 25, but found 3 column(s).Make sure you have selected correct data delimiter.",
    "Error at line 2. No Category provided.",
    "Error at line 2. No Product name provided.",
    "Error at line 3. Enter purchase price with or without tax, but not both. One column should be empty.",
    "Error at line 3. Enter sale price with or without tax, but not both. One column should be empty.",
    "Error at line 4. Invalid expiry date.",
    "Error at line 6. Error occurred while adding the product.",
    "Error at line 6. Error occurred while updating stock.",
    "Error at line 7. Error occurred while adding the product.",
    "Error at line 7. Error occurred while adding stock.",
    "Error at line 8. Expected columns 25, but found 1 column(s).Make sure you have selected correct data delimiter.",
};

} // namespace

void TestInventoryImport::badLinesAreLoggedInStepOrder()
{
    const Outcome outcome = Import(BadLines());
    QCOMPARE(outcome.log, BAD_LINE_LOG);
    QVERIFY(!outcome.clean);
    // Lines 4 to 7 and 9: a line whose database steps failed still counts, one with both prices does not.
    QCOMPARE(outcome.processed, 5);
    // The driver shows the server's zero date as null too: the server says which it is.
    QCOMPARE(rows(QStringLiteral("SELECT p.PRODUCT_CODE, i.PURCHASE_PRICE, i.SALE_PRICE, i.EXPIRY_DATE IS NULL FROM "
                                 "tblProducts p JOIN tblInventory i ON i.PRODUCT_ID = p.ID ORDER BY p.PRODUCT_CODE")),
             (QStringList{"B1|2|3|1", "D1|0|0|1", "F1|0|0|1", "X1|0|0|1"}));
}

void TestInventoryImport::badLinesEndWithTheQuestionBox()
{
    const QString path = folder + QStringLiteral("/bad.csv");
    QVERIFY(TestSupport::WriteFile(path, (QStringLiteral("header\n") + BadLines().join(QLatin1Char('\n')) + "\n").toUtf8()));
    ImportThroughDialog(path);
    const QStringList logs = QDir(folder).entryList({QStringLiteral("import_log_*.txt")});
    QCOMPARE(logs.size(), 1);
    const QString log = folder + QLatin1Char('/') + logs.first();
    QCOMPARE(QString::fromUtf8(TestSupport::ReadFile(log)), BAD_LINE_LOG.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    QCOMPARE(answerer->messages().last(),
             QStringLiteral("Import/Update|5 records processed. Some errors occurred during processing. Errors have been "
                            "logged in a log file, so please review the import log file %1.\r\n\r\nDo you want to open "
                            "the log file now?")
                 .arg(log));
}

void TestInventoryImport::runWithoutLogIsNotReportedClean_data()
{
    QTest::addColumn<QString>("record");
    QTest::addColumn<int>("processed");
    QTest::newRow("both purchase prices") << Record({{0, QStringLiteral("Food")}, {1, QStringLiteral("Both")},
                                                     {16, QStringLiteral("1")}, {17, QStringLiteral("2")}})
                                          << 0;
    QTest::newRow("refused product") << Record({{0, QStringLiteral("Food")}, {1, QString(151, QLatin1Char('n'))}}) << 1;
    QTest::newRow("unreadable expiry date")
        << Record({{0, QStringLiteral("Food")}, {1, QStringLiteral("Dated")}, {14, QStringLiteral("31/31/2020")}}) << 1;
}

void TestInventoryImport::runWithoutLogIsNotReportedClean()
{
    QFETCH(QString, record);
    QFETCH(int, processed);
    InventoryImport run(DatabaseManager::Instance()->InventoryDatabase(), InventoryImportOptions::FromSettings(), nullptr);
    run.AddLine(record);
    run.Finish();
    QVERIFY(!run.Clean());
    QCOMPARE(run.Processed(), processed);
}

void TestInventoryImport::derivedPricesAreRounded_data()
{
    QTest::addColumn<QString>("rounding");
    QTest::addColumn<QString>("places"); // decimal_places
    QTest::addColumn<bool>("taxEnabled");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QString>("purchaseWithoutTax");
    QTest::addColumn<QString>("saleWithTax");
    QTest::addColumn<QString>("stored"); // TAX_RATE|PURCHASE_PRICE|SALE_PRICE
    QTest::newRow("round up") << "round_up" << "2" << true << "5" << "10.01" << "" << "5|10.52|0";
    QTest::newRow("round down") << "round_down" << "2" << true << "5" << "10.01" << "" << "5|10.51|0";
    QTest::newRow("nearest") << "nearest" << "2" << true << "5" << "10.01" << "" << "5|10.51|0";
    // The net price the till sells at the typed price: 10.25 + 0.75 rounded up; 10.26 would sell at 11.01.
    QTest::newRow("sale price with tax") << "round_up" << "2" << true << "7.25" << "" << "11.00" << "7.25|0|10.25";
    QTest::newRow("sale price with tax, nearest")
        << "nearest" << "2" << true << "7.25" << "" << "11.00" << "7.25|0|10.26";
    QTest::newRow("0.99 at 20 % rounding up") << "round_up" << "2" << true << "20" << "" << "0.99" << "20|0|0.82";
    QTest::newRow("whole units, 9 at 20 % rounding up") << "round_up" << "0" << true << "20" << "" << "9" << "20|0|7";
    QTest::newRow("no net price sells at 0.97: the nearest")
        << "round_up" << "2" << true << "20" << "" << "0.97" << "20|0|0.81";
    QTest::newRow("tax off ignores the rate column") << "round_up" << "2" << false << "10" << "10.00" << "11.00"
                                                     << "0|10|11";
}

void TestInventoryImport::derivedPricesAreRounded()
{
    QFETCH(QString, rounding);
    QFETCH(QString, places);
    QFETCH(bool, taxEnabled);
    QFETCH(QString, rate);
    QFETCH(QString, purchaseWithoutTax);
    QFETCH(QString, saleWithTax);
    QFETCH(QString, stored);
    ApplySettings({{QStringLiteral("tax_rounding_off"), rounding},
                   {QStringLiteral("decimal_places"), places},
                   {QStringLiteral("enable_tax"), taxEnabled}});
    const Outcome outcome = Import({Record({{0, QStringLiteral("Food")}, {1, QStringLiteral("Priced")}, {6, rate},
                                            {16, purchaseWithoutTax}, {19, saleWithTax}})});
    QVERIFY2(outcome.clean, qPrintable(outcome.log.join(QLatin1Char('\n'))));
    QCOMPARE(rows(QStringLiteral("SELECT p.TAX_RATE, i.PURCHASE_PRICE, i.SALE_PRICE FROM tblInventory i JOIN "
                                 "tblProducts p ON p.ID = i.PRODUCT_ID")),
             QStringList{stored});
}

void TestInventoryImport::exportedPricesTakeTheChosenForm_data()
{
    QTest::addColumn<bool>("purchaseWithTax");
    QTest::addColumn<bool>("saleWithTax");
    QTest::addColumn<double>("rate");
    QTest::addColumn<double>("purchase"); // PURCHASE_PRICE, kept with tax
    QTest::addColumn<double>("sale");     // SALE_PRICE, kept without tax
    QTest::addColumn<QString>("columns"); // the four price columns, purchase then sale, without and with tax
    QTest::newRow("10 %, bought at 11.00, purchase without tax") << false << false << 10.0 << 11.0 << 10.0
                                                                 << "10.00||10.00|";
    QTest::newRow("20 %, purchase without tax, sale with tax") << false << true << 20.0 << 120.0 << 100.0
                                                               << "100.00|||120.00";
    QTest::newRow("the stored forms") << true << false << 20.0 << 120.0 << 100.0 << "|120.00|100.00|";
}

void TestInventoryImport::exportedPricesTakeTheChosenForm()
{
    QFETCH(bool, purchaseWithTax);
    QFETCH(bool, saleWithTax);
    QFETCH(double, rate);
    QFETCH(double, purchase);
    QFETCH(double, sale);
    QFETCH(QString, columns);
    QCOMPARE(addProduct(QStringLiteral("P1"), QStringLiteral("Tea")), QString());
    QCOMPARE(addStock(QStringLiteral("P1"), QStringLiteral("S1"), 3, sale), QString());
    QCOMPARE(run(QStringLiteral("UPDATE tblProducts SET TAX_RATE = ?"), {rate}), QString());
    QCOMPARE(run(QStringLiteral("UPDATE tblInventory SET PURCHASE_PRICE = ?"), {purchase}), QString());
    QString text;
    {
        QTextStream out(&text);
        QVERIFY(WriteInventoryCsv(out, saleWithTax, purchaseWithTax));
    }
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.at(1).split(QLatin1Char(',')).mid(16, 4).join(QLatin1Char('|')), columns);
}

void TestInventoryImport::windowsGiveTheLineByLineOutcome()
{
    // Lines that depend on what earlier lines of the same window write.
    const auto line = [](const char* category, const char* name, const char* code, const char* stock = "",
                         const char* quantity = "1") {
        return Record({{0, QLatin1String(category)}, {1, QLatin1String(name)}, {2, QLatin1String(code)},
                       {11, QLatin1String(stock)}, {20, QLatin1String(quantity)}, {12, QLatin1String(name)}});
    };
    const QStringList records{
        line("A", "generated one", ""),
        line("A", "generated two", "", "S-2"),
        line("A", "numbered", "2"),              // the code the line before was given: an update
        line("A", "new lower", "ab", "s-ab"),
        line("A", "new upper", "AB", "S-AB", "5"), // the same code and stock code as the line before
        line("A", "batch 1", "multi", "m-1"),
        line("A", "batch 2", "multi", "m-2"),
        line("A", "batch 2 again", "multi", "m-2", "7"),
        line("a", "generated three", ""),
        line("A", "code of a stock row", "m-1"),   // no stock code: the stock row m-1 moves to this product
        // Refused, the code belonging to category A. Last: the server numbers refused rows too, and a window
        // tries it after the others, so a generated code after it would differ from a line-by-line run.
        line("B", "other category", "ab", "x-1"),
    };
    const Outcome single = Import(records, 1);
    const QStringList singleDump = Dump();
    init();
    const Outcome windowed = Import(records, 500);
    QCOMPARE(windowed.log, single.log);
    QCOMPARE(windowed.processed, single.processed);
    QCOMPARE(Dump(), singleDump);
    QCOMPARE(rows(QStringLiteral("SELECT PRODUCT_CODE, NAME FROM tblProducts WHERE PRODUCT_CODE IN ('2', 'ab') ORDER BY ID")),
             (QStringList{"2|numbered", "AB|new upper"}));
    QCOMPARE(single.log, QStringList{"Error at line 11. Error occurred while adding the product."}
                             << "Error at line 11. Error occurred while adding stock.");
}

void TestInventoryImport::roundTripLeavesTablesUnchanged_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("delimiter");
    QTest::addColumn<QString>("dateFormat");
    QTest::addColumn<QString>("subItemsMode");
    QTest::newRow("English, comma") << int(QLocale::English) << 0 << "MM/DD/YYYY" << "n";
    QTest::newRow("German, semicolon") << int(QLocale::German) << 1 << "DD/MM/YYYY" << "y";
}

void TestInventoryImport::roundTripLeavesTablesUnchanged()
{
    QFETCH(int, language);
    QFETCH(int, delimiter);
    QFETCH(QString, dateFormat);
    QFETCH(QString, subItemsMode);
    ApplySettings({{QStringLiteral("locale_lang_index"), language},
                   {QStringLiteral("delimiter"), delimiter},
                   {QStringLiteral("DATE_FORMAT"), dateFormat},
                   {QStringLiteral("SUB_ITEMS_MODE"), subItemsMode}});
    QStringList statements{
        "INSERT INTO tblProductCategories (NAME) VALUES ('Drinks'), ('Tools')",
        "INSERT INTO tblVendors (NAME) VALUES ('Acme Ltd.'), ('Brothers O''Neil')",
        "INSERT INTO tblProducts (CATEGORY_ID, PRODUCT_CODE, NAME, ITEMS_PER_UNIT, DESCRIPTION, IMAGE_FILE, TAX_RATE, "
        "UNIT_NAME, SUB_UNIT_NAME, PRINT_UNIT_NAME, SERVICE_ITEM) VALUES "
        "(1, 'TEA-1', 'Green tea', 12, 'Loose leaves', 'tea.png', 7.25, 'box', 'bag', 1, 0), "
        "(1, '4711', 'Café crème', 1, '', '', 20, '', '', 0, 0), "
        "(2, 'HAM', 'Hammer (big)', 1, 'Steel', '', 0, 'piece', '', 0, 1)",
        "INSERT INTO tblInventory (PRODUCT_ID, VENDOR_ID, BAR_CODE, BATCH_NUMBER, EXPIRY_DATE, STORAGE_LOCATION, "
        "PURCHASE_PRICE, SALE_PRICE, QUANTITY, SUB_ITEMS, SHOW_ON_POS, DISCOUNT, REORDER_LEVEL, REORDER_QUANTITY) "
        "SELECT p.ID, v.ID, s.CODE, s.BATCH, s.EXPIRY, s.LOCATION, s.PP, s.SP, s.QUANTITY, s.SUB, s.SHOWN, s.DISCOUNT, "
        "s.ROL, s.ROQ FROM (SELECT 'TEA-1' AS CODE, 'B-7' AS BATCH, DATE('2027-03-31') AS EXPIRY, 'Shelf 2' AS LOCATION, "
        "1234.5 AS PP, 2000.25 AS SP, 1500 AS QUANTITY, 0 AS SUB, 1 AS SHOWN, 2.5 AS DISCOUNT, 10 AS ROL, 100 AS ROQ, "
        "'TEA-1' AS PRODUCT, 'Acme Ltd.' AS VENDOR "
        "UNION ALL SELECT 'TEA-1-OLD', '', NULL, '', 0.1, 0.99, -3, 0, 0, 0, 0, 0, 'TEA-1', 'Brothers O''Neil' "
        "UNION ALL SELECT '4711', 'x', DATE('2026-12-01'), 'Front', 3.3, 4.17, 0, 0, 1, 12.75, 0, 0, '4711', 'NONE' "
        "UNION ALL SELECT '99 HAM', 'H', NULL, 'Back room', 12, 15.5, 7, 0, 1, 0, 2, 4, 'HAM', 'Acme Ltd.') AS s "
        "JOIN tblProducts p ON p.PRODUCT_CODE = s.PRODUCT JOIN tblVendors v ON v.NAME = s.VENDOR",
    };
    if (subItemsMode != QLatin1String("n"))
        statements << "UPDATE tblInventory SET SUB_ITEMS = 5 WHERE BAR_CODE = 'TEA-1'";
    QCOMPARE(fixture.exec(statements), QString());
    const QStringList tables{"SELECT * FROM tblProductCategories ORDER BY ID", "SELECT * FROM tblVendors ORDER BY ID",
                             "SELECT * FROM tblProducts ORDER BY ID", "SELECT * FROM tblInventory ORDER BY ID"};
    QStringList before;
    for (const QString& table : tables)
        before << rows(table);

    QString text;
    {
        QTextStream out(&text);
        QVERIFY(WriteInventoryCsv(out, false, true));
    }
    QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 5);
    lines.removeFirst();
    const Outcome outcome = Import(lines);
    QVERIFY2(outcome.clean, qPrintable(outcome.log.join(QLatin1Char('\n'))));
    QCOMPARE(outcome.processed, 4);
    QStringList after;
    for (const QString& table : tables)
        after << rows(table);
    QCOMPARE(after, before);
}

void TestInventoryImport::unreadableFilesImportNothing_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("stored");
    const QByteArray record = Record({{0, QStringLiteral("Café")}, {1, QStringLiteral("Crème")}, {2, QStringLiteral("C1")}})
                                  .toUtf8();
    QTest::newRow("empty file") << QByteArray() << "The file %1 is empty. Nothing was imported." << "";
    QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10", 20)
                            << "The file %1 is not a text file in the UTF-8 encoding. A file in another encoding must "
                               "begin with its byte-order mark. Nothing was imported."
                            << "";
    QTest::newRow("Latin-1 without mark")
        << QByteArray("header\n") + QTextCodec::codecForName("ISO-8859-1")->fromUnicode(QString::fromUtf8(record))
        << "The file %1 is not a text file in the UTF-8 encoding. A file in another encoding must begin with its "
           "byte-order mark. Nothing was imported."
        << "";
    QTextCodec* utf16 = QTextCodec::codecForName("UTF-16LE");
    QTest::newRow("UTF-16 with mark") << QByteArray("\xff\xfe") + utf16->fromUnicode(QStringLiteral("header\r\n"))
                                             + utf16->fromUnicode(QString::fromUtf8(record) + QStringLiteral("\r\n"))
                                      << "Import/Update operation completed, and 1 records processed."
                                      << "C1|Crème|Café";
    QTest::newRow("header only") << QByteArray("header\n")
                                 << "Import/Update operation completed, and 0 records processed." << "";
}

void TestInventoryImport::unreadableFilesImportNothing()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    QFETCH(QString, stored);
    const QString path = folder + QStringLiteral("/file.csv");
    QVERIFY(TestSupport::WriteFile(path, content));
    ImportThroughDialog(path);
    QCOMPARE(answerer->messages().value(0).section(QLatin1Char('|'), 1),
             message.contains(QLatin1String("%1")) ? message.arg(path) : message);
    QCOMPARE(rows(QStringLiteral("SELECT p.PRODUCT_CODE, p.NAME, c.NAME FROM tblProducts p JOIN tblProductCategories c "
                                 "ON c.ID = p.CATEGORY_ID")),
             stored.isEmpty() ? QStringList() : QStringList{stored});
}

void TestInventoryImport::exportReportsFailures()
{
    QCOMPARE(addProduct(QStringLiteral("P1"), QStringLiteral("Tea")), QString());
    QCOMPARE(addStock(QStringLiteral("P1"), QStringLiteral("S1"), 3), QString());
    // A folder that does not exist: the file cannot be created.
    answerer->accept(); // the export options
    answerer->handleClass<QFileDialog>("QFileDialog", [this](QFileDialog* chooser) {
        chooser->setDirectory(folder);
        Child<QLineEdit>(chooser, "fileNameEdit")->setText(folder + QStringLiteral("/missing/deeper"));
        static_cast<QDialog*>(chooser)->done(QDialog::Accepted);
    });
    ExportInventoryData(&window, QStringLiteral("Inventory"));
    QVERIFY2(answerer->messages().value(0).startsWith(QStringLiteral("Export|The inventory could not be exported to file ")),
             qPrintable(answerer->messages().join(QLatin1Char('\n'))));

    // A query the server refuses.
    QCOMPARE(fixture.exec({QStringLiteral("RENAME TABLE tblVendors TO tblVendorsAway")}), QString());
    QString text;
    QTextStream out(&text);
    QString error;
    const bool written = WriteInventoryCsv(out, true, true, &error);
    QCOMPARE(fixture.exec({QStringLiteral("RENAME TABLE tblVendorsAway TO tblVendors")}), QString());
    QVERIFY(!written);
    QVERIFY2(error.contains(QStringLiteral("tblVendors")), qPrintable(error));
}

void TestInventoryImport::unwritableLogIsSaid()
{
    const QString path = folder + QStringLiteral("/bad.csv");
    QVERIFY(TestSupport::WriteFile(path, "header\nonly,three,fields\n"));
    // Folders in the place of the log files the next seconds would name.
    const QDateTime now = QDateTime::currentDateTime();
    for (int second = 0; second < 30; ++second)
        QVERIFY(QDir().mkpath(folder + QStringLiteral("/import_log_")
                              + now.addSecs(second).toString(QStringLiteral("yyyy_MM_dd_HH_mm_ss")) + QStringLiteral(".txt")));
    ImportThroughDialog(path);
    const QString message = answerer->messages().value(0);
    QVERIFY2(message.startsWith(QStringLiteral("Import/Update|0 records processed. Some errors occurred during "
                                               "processing, but the import log file ")),
             qPrintable(message));
    QVERIFY2(message.endsWith(QStringLiteral(" could not be written, so they are not listed anywhere.")), qPrintable(message));
}

void TestInventoryImport::importNoticeNamesDelimiterAndColumns()
{
    ApplySettings({{QStringLiteral("delimiter"), 2}, {QStringLiteral("SUB_ITEMS_MODE"), QStringLiteral("y")}});
    InventoryImporter importer(&window);
    QString notice;
    answerer->handleClass<QDialog>("ErrorDialog", [&notice](QDialog* dialog) {
        notice = Child<QTextEdit>(dialog, "txtMessage")->toPlainText();
        dialog->accept();
    });
    answerer->reject(); // the file choice
    Child<QPushButton>(&importer, "pushImport")->click();
    QVERIFY2(notice.contains(QStringLiteral("your delimiter is set to Tab . This means your import file should have "
                                            "values separated by Tab delimiter.")),
             qPrintable(notice));
    QVERIFY2(notice.contains(QStringLiteral("there should be 26 columns in the CSV file")), qPrintable(notice));
}

void TestInventoryImport::pagesOpenTheImportAndExport()
{
    QCOMPARE(addProduct(QStringLiteral("P1"), QStringLiteral("Tea")), QString());
    QCOMPARE(addStock(QStringLiteral("P1"), QStringLiteral("S1"), 3), QString());
    {
        ProductManagement page(nullptr, false);
        answerer->reject(); // the import dialog
        Child<QPushButton>(&page, "pushImport")->click();
    }
    {
        InventoryManagement page(nullptr, false);
        answerer->reject();
        Child<QPushButton>(&page, "pushImport")->click();
        answerer->reject(); // the export options: with tax, as they start
        answerer->handleClass<QFileDialog>("QFileDialog", [this](QFileDialog* chooser) {
            chooser->setDirectory(folder);
            static_cast<QDialog*>(chooser)->accept();
        });
        Child<QPushButton>(&page, "pushExport")->click();
    }
    QStringList opened;
    for (const ModalAnswerer::Seen& seen : qAsConst(answerer->seen))
        opened << seen.className;
    QCOMPARE(opened, (QStringList{"InventoryImporter", "InventoryImporter", "InventoryExportOptions", "QFileDialog",
                                  "QMessageBox"}));
    const QStringList files = QDir(folder).entryList({QStringLiteral("Inventory_data_export_*.csv")});
    QCOMPARE(files.size(), 1);
    const QStringList lines = QString::fromUtf8(TestSupport::ReadFile(folder + QLatin1Char('/') + files.first()))
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.at(1), QStringLiteral("General,Tea,P1,0,,,0,,,n,n,S1,NONE,BATCH-7,,,,0.75,,1.50,3,0.5,3,12,y"));
}

VORANTEL_TEST_MAIN(TestInventoryImport)
#include "tst_inventoryimport.moc"
