#include "databasetest.h"
#include "modalanswerer.h"
#include "settingstest.h"
#include "taxpage.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

using namespace SettingsTest;

namespace {

const QString DECIMALS_MESSAGE = QStringLiteral("Tax Settings|Enter numeric value for tax decimal places from 2 to 6");

QString RateMessage(const char* rate, const QString& places, const QString& point)
{
    return QStringLiteral("Tax Settings|Tax rate ") + QLatin1String(rate) +
           QStringLiteral(" is invalid. Please enter numeric value with maximum ") + places +
           QStringLiteral(" digits after decimal. Example 17") + point + QStringLiteral("50");
}

struct OpenTaxPage
{
    TaxPage page{nullptr};
    QCheckBox* enable = Child<QCheckBox>(&page, "checkEnableTax");
    QLineEdit* name = Child<QLineEdit>(&page, "editTaxName");
    QLineEdit* rateA = Child<QLineEdit>(&page, "editTaxRateA");
    QLineEdit* rateB = Child<QLineEdit>(&page, "editTaxRateB");
    QLineEdit* rateC = Child<QLineEdit>(&page, "editTaxRateC");
    QLineEdit* places = Child<QLineEdit>(&page, "lineTaxDecimalPlaces");
    OpenTaxPage() { page.LoadSettings(); }
    QStringList rates() const { return {rateA->text(), rateB->text(), rateC->text()}; }
    QList<bool> ratesEnabled() const { return {rateA->isEnabled(), rateB->isEnabled(), rateC->isEnabled()}; }
};

} // namespace

class TestTaxPage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void emptyStoreShowsDefaults();
    void validation_data();
    void validation();
    void rateEditHoldsEightCharacters();
    void taxOffShowsStoredRatesAndKeepsThem();
    void disablingAnsweredNoTouchesNothing();
    void disablingZeroesEveryProductAtOnce();
    void disablingThatFailsIsReportedAndTicksTheBox();
    void refusedRateKeepsTaxPageAndWritesOnlyEarlierPages();
    void neverShownWritesNothing();

private:
    QStringList productRates() const;
    QString database;
    ModalAnswerer* answerer = nullptr;
};

void TestTaxPage::initTestCase()
{
    REQUIRE_TEST_SERVER();
    answerer = new ModalAnswerer(this);
    DatabaseTest::UseFixtureServer();
    database = TestDatabase::uniqueName(QStringLiteral("taxpage"));
    QCOMPARE(DatabaseTest::Create(1, database), QString());
    DatabaseManager::Instance()->RemoveInventoryDatabase();
    QVERIFY(DatabaseManager::Instance()->InventoryDatabase()->isOpen());
}

void TestTaxPage::init()
{
    TestSupport::ClearSettings();
    UseLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    answerer->clear();
    const QString error = TestDatabase::exec(
        database, {"DROP TRIGGER IF EXISTS refuse_product_update", "DELETE FROM tblProducts",
                   "DELETE FROM tblProductCategories", "INSERT INTO tblProductCategories (NAME) VALUES ('Drinks')",
                   "INSERT INTO tblProducts (CATEGORY_ID, PRODUCT_CODE, NAME, TAX_RATE) SELECT ID, 'P1', 'Cola', 7.25 "
                   "FROM tblProductCategories",
                   "INSERT INTO tblProducts (CATEGORY_ID, PRODUCT_CODE, NAME, TAX_RATE) SELECT ID, 'P2', 'Tea', 10 "
                   "FROM tblProductCategories",
                   "INSERT INTO tblProducts (CATEGORY_ID, PRODUCT_CODE, NAME, TAX_RATE) SELECT ID, 'P3', 'Bread', 0 "
                   "FROM tblProductCategories"});
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void TestTaxPage::cleanup()
{
    QVERIFY2(answerer->failures.isEmpty(), qPrintable(answerer->failures.join(QLatin1Char('\n'))));
    QCOMPARE(answerer->pendingAnswers(), 0);
}

void TestTaxPage::cleanupTestCase()
{
    DatabaseTest::ResetManager();
    if (!database.isEmpty())
        TestDatabase::dropDatabase(database);
}

QStringList TestTaxPage::productRates() const
{
    return DatabaseTest::Rows(database, QStringLiteral("SELECT PRODUCT_CODE, TAX_RATE FROM tblProducts ORDER BY PRODUCT_CODE"));
}

void TestTaxPage::emptyStoreShowsDefaults()
{
    OpenTaxPage open;
    QVERIFY(open.enable->isChecked());
    QCOMPARE(open.name->text(), QStringLiteral("Sales Tax"));
    QCOMPARE(open.rates(), QStringList({"0.000", "0.000", "0.000"}));
    QCOMPARE(open.places->text(), QStringLiteral("3"));
    // The readers round up while the key is absent: the page shows what they do.
    QVERIFY(Child<QRadioButton>(&open.page, "radioRoundUp")->isChecked());
    QVERIFY(TestSupport::Settings()->allKeys().isEmpty());

    QVERIFY(open.page.SaveSettings());
    QCOMPARE(TestSupport::Settings()->value("tax_rounding_off").toString(), QStringLiteral("round_up"));
    QCOMPARE(TestSupport::Settings()->value("enable_tax"), QVariant(true));
    QCOMPARE(TestSupport::Settings()->value("SALES_TAX_NAME").toString(), QStringLiteral("Sales Tax"));
}

void TestTaxPage::validation_data()
{
    QTest::addColumn<bool>("commaLocale");
    QTest::addColumn<QString>("places");
    QTest::addColumn<QStringList>("rates");
    QTest::addColumn<QString>("message"); // empty: the page saves

    const QStringList ok{"7", "07.25", "99.999"};
    QTest::newRow("places 7") << false << "7" << ok << DECIMALS_MESSAGE;
    QTest::newRow("places 1") << false << "1" << ok << DECIMALS_MESSAGE;
    QTest::newRow("places 23") << false << "23" << ok << DECIMALS_MESSAGE;
    QTest::newRow("places empty") << false << "" << ok << DECIMALS_MESSAGE;
    QTest::newRow("places 3 and a blank") << false << "3 " << ok << DECIMALS_MESSAGE;
    QTest::newRow("places 2") << false << "2" << QStringList{"7", "7.25", "0.5"} << "";
    QTest::newRow("places 6") << false << "6" << QStringList{"7.123456", "7", "7"} << "";
    QTest::newRow("point: 7.125 saves") << false << "3" << QStringList{"7.125", "7", "0"} << "";
    QTest::newRow("point: 7.1255 on A") << false << "3" << QStringList{"7.1255", "7", "7"} << RateMessage("A", "3", ".");
    QTest::newRow("point: 100 on B") << false << "3" << QStringList{"7", "100", "7"} << RateMessage("B", "3", ".");
    QTest::newRow("point: trailing point on B") << false << "3" << QStringList{"7", "7.", "7"} << RateMessage("B", "3", ".");
    QTest::newRow("point: .5 on C") << false << "3" << QStringList{"7", "7", ".5"} << RateMessage("C", "3", ".");
    QTest::newRow("point: 7,25 on C") << false << "3" << QStringList{"7", "7", "7,25"} << RateMessage("C", "3", ".");
    QTest::newRow("point: A before B") << false << "4" << QStringList{"x", "y", "7"} << RateMessage("A", "4", ".");
    QTest::newRow("comma: 7,25 saves") << true << "3" << QStringList{"7,25", "0", "19"} << "";
    QTest::newRow("comma: 7.25 on A") << true << "3" << QStringList{"7.25", "0", "19"} << RateMessage("A", "3", ",");
}

void TestTaxPage::validation()
{
    QFETCH(bool, commaLocale);
    QFETCH(QString, places);
    QFETCH(QStringList, rates);
    QFETCH(QString, message);

    OpenTaxPage open;
    // The locale in force when saving counts, not the one the page was loaded with.
    if (commaLocale)
        UseLocale(QLocale(QLocale::German, QLocale::Germany));
    open.places->setText(places);
    open.rateA->setText(rates[0]);
    open.rateB->setText(rates[1]);
    open.rateC->setText(rates[2]);
    answerer->pressButton(QMessageBox::Ok);
    const bool saved = open.page.SaveSettings();

    QCOMPARE(saved, message.isEmpty());
    if (!saved) {
        QCOMPARE(answerer->messages(), QStringList{message});
        QVERIFY(TestSupport::Settings()->allKeys().isEmpty());
        return;
    }
    answerer->clear();
    QSettings* store = TestSupport::Settings();
    const QLocale locale = commaLocale ? QLocale(QLocale::German) : QLocale(QLocale::English);
    QCOMPARE(store->value("SALES_TAX_RATE_A"), QVariant(locale.toFloat(rates[0])));
    QCOMPARE(store->value("SALES_TAX_RATE_B"), QVariant(locale.toFloat(rates[1])));
    QCOMPARE(store->value("SALES_TAX_RATE_C"), QVariant(locale.toFloat(rates[2])));
    QCOMPARE(store->value("tax_decimal_places").toString(), places);
}

void TestTaxPage::rateEditHoldsEightCharacters()
{
    OpenTaxPage open;
    for (QLineEdit* edit : {open.rateA, open.rateB, open.rateC}) {
        edit->clear();
        QTest::keyClicks(edit, QStringLiteral("1234567890"));
        QCOMPARE(edit->text(), QStringLiteral("12345678"));
    }
}

void TestTaxPage::taxOffShowsStoredRatesAndKeepsThem()
{
    QSettings* store = TestSupport::Settings();
    store->setValue("enable_tax", false);
    store->setValue("SALES_TAX_RATE_A", 7.125f);
    store->setValue("SALES_TAX_RATE_B", 19.5f);
    store->setValue("SALES_TAX_RATE_C", 5.0f);
    store->setValue("SALES_TAX_NAME", QStringLiteral("VAT"));
    // Not a valid count, but tax is off: nothing of it is checked or rewritten.
    store->setValue("tax_decimal_places", QStringLiteral("1"));
    store->setValue("tax_rounding_off", QStringLiteral("nearest"));
    const auto before = Store();

    OpenTaxPage open;
    QVERIFY(!open.enable->isChecked());
    QCOMPARE(open.rates(), QStringList({"7.1", "19.5", "5.0"}));
    QCOMPARE(open.ratesEnabled(), QList<bool>({false, false, false}));
    QVERIFY(!open.name->isEnabled());
    QVERIFY(!open.places->isEnabled());
    QVERIFY(Child<QRadioButton>(&open.page, "radioDown")->isEnabled());
    QVERIFY(!Child<QRadioButton>(&open.page, "radioNearest")->isEnabled());

    QVERIFY(open.page.SaveSettings());
    QCOMPARE(Changed(before, Store()), QStringList());
    QCOMPARE(answerer->seen.size(), 0);
}

void TestTaxPage::disablingAnsweredNoTouchesNothing()
{
    OpenTaxPage open;
    open.rateA->setText(QStringLiteral("8.5"));
    const QStringList rates = productRates();
    answerer->pressButton(QMessageBox::No);
    open.enable->click();
    QCOMPARE(answerer->messages().value(0).section(QLatin1Char('|'), 0, 0), QStringLiteral("Disable Tax?"));
    QVERIFY(open.enable->isChecked());
    QCOMPARE(open.ratesEnabled(), QList<bool>({true, true, true}));
    QCOMPARE(open.rateA->text(), QStringLiteral("8.5"));
    QCOMPARE(productRates(), rates);
    QCOMPARE(rates, QStringList({"P1|7.25", "P2|10", "P3|0"}));
}

void TestTaxPage::disablingZeroesEveryProductAtOnce()
{
    SettingsDialog dialog;
    dialog.show();
    ShowRow(dialog, 3);
    const auto before = Store();
    auto* enable = Child<QCheckBox>(&dialog, "checkEnableTax");
    answerer->pressButton(QMessageBox::Yes);
    enable->click();
    QVERIFY(!enable->isChecked());
    QCOMPARE(Child<QLineEdit>(&dialog, "editTaxRateB")->text(), QStringLiteral("0"));
    QVERIFY(!Child<QLineEdit>(&dialog, "editTaxRateB")->isEnabled());

    Press(dialog, "pushClose");
    QCOMPARE(productRates(), QStringList({"P1|0", "P2|0", "P3|0"}));
    // Only the database changed: the switch itself reaches the store with a save.
    QCOMPARE(Changed(before, Store()), QStringList());
}

void TestTaxPage::disablingThatFailsIsReportedAndTicksTheBox()
{
    const QString error = TestDatabase::exec(
        database, {"CREATE TRIGGER refuse_product_update BEFORE UPDATE ON tblProducts FOR EACH ROW "
                   "BEGIN IF OLD.PRODUCT_CODE = 'P3' THEN SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'products are "
                   "locked'; END IF; END"});
    QVERIFY2(error.isEmpty(), qPrintable(error));
    OpenTaxPage open;
    answerer->pressButton(QMessageBox::Yes);
    answerer->pressButton(QMessageBox::Ok);
    open.enable->click();
    QTRY_COMPARE(answerer->messages().size(), 2);
    const QString report = answerer->messages().at(1);
    QVERIFY2(report.startsWith(QLatin1String("Disable Tax?|")) && report.contains(QLatin1String("products are locked")),
             qPrintable(report));
    QVERIFY(open.enable->isChecked());
    QCOMPARE(open.ratesEnabled(), QList<bool>({true, true, true}));
    QCOMPARE(open.rates(), QStringList({"0.000", "0.000", "0.000"}));
    // One statement: the rows before the refused one keep their rates too.
    QCOMPARE(productRates(), QStringList({"P1|7.25", "P2|10", "P3|0"}));
}

void TestTaxPage::refusedRateKeepsTaxPageAndWritesOnlyEarlierPages()
{
    SettingsDialog dialog;
    dialog.show();
    const auto before = Store();
    ShowRow(dialog, 3);
    ShowRow(dialog, 0);
    Child<QLineEdit>(&dialog, "editTaxRateA")->setText(QStringLiteral("7.1255"));
    answerer->pressButton(QMessageBox::Ok);
    Press(dialog, "pushSave");
    QCOMPARE(answerer->messages(), QStringList{RateMessage("A", "3", ".")});
    QVERIFY(dialog.isVisible());
    QVERIFY(!dialog.saved);
    QCOMPARE(dialog.pagesWidget()->currentIndex(), 3);
    QCOMPARE(dialog.contentWidget()->currentRow(), 0);
    QStringList general = GeneralKeys();
    general.removeAll(QStringLiteral("DATE_FORMAT")); // written when the dialog was built
    QCOMPARE(Changed(before, Store()), general);

    Child<QLineEdit>(&dialog, "editTaxRateA")->setText(QStringLiteral("7.125"));
    Press(dialog, "pushSave");
    QVERIFY(dialog.saved);
    QCOMPARE(TestSupport::Settings()->value("SALES_TAX_RATE_A"), QVariant(7.125f));
}

void TestTaxPage::neverShownWritesNothing()
{
    TaxPage page(nullptr);
    QVERIFY(page.SaveSettings());
    QVERIFY(TestSupport::Settings()->allKeys().isEmpty());
}

VORANTEL_TEST_MAIN(TestTaxPage)
#include "tst_taxpage.moc"
