#include "currencypage.h"
#include "modalanswerer.h"
#include "settingstest.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMetaEnum>

using namespace SettingsTest;

namespace {

struct OpenCurrencyPage
{
    CurrencyPage page{nullptr};
    QLineEdit* symbol = Child<QLineEdit>(&page, "editCurrencySymbol");
    QLineEdit* places = Child<QLineEdit>(&page, "lineEditDecimalPlaces");
    QLineEdit* finalPrecision = Child<QLineEdit>(&page, "lineFinalAmountPrecision");
    QComboBox* language = Child<QComboBox>(&page, "comboLocalLanugage");
    QLabel* sample = Child<QLabel>(&page, "labelLocalMessage");
    OpenCurrencyPage() { page.LoadSettings(); }
};

QString Sample(const QString& amount)
{
    return QStringLiteral("SAMPLE AMOUNT 12345678.32 WILL BE SHOWN AS ") + amount + QLatin1Char(' ');
}

} // namespace

class TestCurrencyPage : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void languageListNamesQtLanguages();
    void freshStoreTakesSystemLanguageAtOnce();
    void germanFormatsAtOnceAndStays_data();
    void germanFormatsAtOnceAndStays();
    void storedIndexBeyondListLeavesFirstEntry();
    void decimalPlaces_data();
    void decimalPlaces();
    void editsSurviveAnotherVisit();
    void neverShownWritesNothing();
};

void TestCurrencyPage::init()
{
    TestSupport::ClearSettings();
    AppSettings::Instance()->LoadLocale();
}

void TestCurrencyPage::languageListNamesQtLanguages()
{
    OpenCurrencyPage open;
    QCOMPARE(open.language->count(), 315);
    const QMetaEnum languages = QMetaEnum::fromType<QLocale::Language>();
    for (int i = 0; i < open.language->count(); ++i) {
        const QString expected = i == 1 ? QStringLiteral("English/UnitedStates") : QLatin1String(languages.valueToKey(i));
        QCOMPARE(open.language->itemText(i), expected);
    }
    QCOMPARE(open.language->itemText(3), QStringLiteral("Oromo"));
    QCOMPARE(open.language->itemText(83), QStringLiteral("NauruLanguage"));
    QCOMPARE(open.language->itemText(314), QStringLiteral("StandardMoroccanTamazight"));
}

void TestCurrencyPage::freshStoreTakesSystemLanguageAtOnce()
{
    const int system = int(QLocale::system().language());
    OpenCurrencyPage open;
    QCOMPARE(open.language->currentIndex(), system);
    QCOMPARE(open.symbol->text(), QLocale::system().currencySymbol(QLocale::CurrencySymbol));
    QCOMPARE(open.places->text(), QStringLiteral("2"));
    QCOMPARE(open.finalPrecision->text(), QStringLiteral("2"));
    if (system != 0) // entry 0 is already current: selecting it changes nothing
        QCOMPARE(TestSupport::Settings()->value("locale_lang_index"), QVariant(system));
}

void TestCurrencyPage::germanFormatsAtOnceAndStays_data()
{
    QTest::addColumn<bool>("stored"); // 42 stored beforehand, or chosen by the user
    QTest::addColumn<QString>("button");
    QTest::newRow("stored, then saved") << true << "pushSave";
    QTest::newRow("chosen, then saved") << false << "pushSave";
    QTest::newRow("chosen, then closed") << false << "pushClose";
}

void TestCurrencyPage::germanFormatsAtOnceAndStays()
{
    QFETCH(bool, stored);
    QFETCH(QString, button);
    QSettings* store = TestSupport::Settings();
    store->setValue("locale_lang_index", stored ? 42 : 31);
    AppSettings::Instance()->LoadLocale();

    SettingsDialog dialog;
    dialog.show();
    ShowRow(dialog, 2);
    auto* combo = Child<QComboBox>(&dialog, "comboLocalLanugage");
    if (!stored) {
        QCOMPARE(combo->currentText(), QStringLiteral("English"));
        combo->setCurrentIndex(42);
    }
    QCOMPARE(combo->currentText(), QStringLiteral("German"));
    QCOMPARE(Child<QLabel>(&dialog, "labelLocalMessage")->text(), Sample(QStringLiteral("12.345.678,32")));
    // The application formats in German before anything is saved.
    QCOMPARE(AppSettings::Instance()->locale->language(), QLocale::German);
    QCOMPARE(AppSettings::Instance()->locale->toString(1234.5, 'f', 2), QStringLiteral("1.234,50"));
    QCOMPARE(store->value("locale_lang_index"), QVariant(42));

    Child<QPushButton>(&dialog, qPrintable(button))->click();
    QCOMPARE(store->value("locale_lang_index"), QVariant(42));
    QCOMPARE(AppSettings::Instance()->locale->language(), QLocale::German);
}

void TestCurrencyPage::storedIndexBeyondListLeavesFirstEntry()
{
    TestSupport::Settings()->setValue("locale_lang_index", 330);
    OpenCurrencyPage open;
    QCOMPARE(open.language->currentIndex(), 0);
    QCOMPARE(TestSupport::Settings()->value("locale_lang_index"), QVariant(330));
}

void TestCurrencyPage::decimalPlaces_data()
{
    QTest::addColumn<QString>("places");
    QTest::addColumn<QString>("storedPlaces");
    QTest::addColumn<QString>("finalPrecision");
    QTest::addColumn<QString>("storedFinal");
    QTest::newRow("three and none") << "3" << "3" << "0" << "0";
    QTest::newRow("zero") << "0" << "2" << "4" << "4";
    QTest::newRow("negative") << "-3" << "2" << "-1" << "2";
    QTest::newRow("letters") << "abc" << "2" << "abc" << "2";
    QTest::newRow("empty") << "" << "2" << "" << "2";
    QTest::newRow("fraction") << "1" << "1" << "2.5" << "2";
}

void TestCurrencyPage::decimalPlaces()
{
    QFETCH(QString, places);
    QFETCH(QString, storedPlaces);
    QFETCH(QString, finalPrecision);
    QFETCH(QString, storedFinal);
    OpenCurrencyPage open;
    open.places->setText(places);
    open.finalPrecision->setText(finalPrecision);
    QVERIFY(open.page.SaveSettings());
    QCOMPARE(TestSupport::Settings()->value("decimal_places"), QVariant(storedPlaces));
    QCOMPARE(TestSupport::Settings()->value("final_amount_precision"), QVariant(storedFinal));
}

void TestCurrencyPage::editsSurviveAnotherVisit()
{
    TestSupport::Settings()->setValue(CURRENCY_SYMBOL, QStringLiteral("EUR"));
    SettingsDialog dialog;
    ShowRow(dialog, 2);
    Child<QLineEdit>(&dialog, "editCurrencySymbol")->setText(QStringLiteral("CHF"));
    ShowRow(dialog, 1);
    ShowRow(dialog, 2);
    QCOMPARE(Child<QLineEdit>(&dialog, "editCurrencySymbol")->text(), QStringLiteral("CHF"));
    Press(dialog, "pushSave");
    QCOMPARE(TestSupport::Settings()->value(CURRENCY_SYMBOL), QVariant(QStringLiteral("CHF")));
}

void TestCurrencyPage::neverShownWritesNothing()
{
    CurrencyPage page(nullptr);
    QVERIFY(page.SaveSettings());
    QVERIFY(TestSupport::Settings()->allKeys().isEmpty());
}

VORANTEL_TEST_MAIN(TestCurrencyPage)
#include "tst_currencypage.moc"
