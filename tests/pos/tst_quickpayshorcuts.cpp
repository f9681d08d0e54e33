#include "appsettings.h"
#include "modalanswerer.h"
#include "quickpayshorcuts.h"
#include "testsupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

// The quick-pay amounts dialog under the display locales it formats and reads with.
class TestQuickpayShorcuts : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanupTestCase();
    void amountsRoundTrip_data();
    void amountsRoundTrip();
    void firstInvalidFieldStopsTheSave();
    void amountNotFiniteIsNotValid_data();
    void amountNotFiniteIsNotValid();

private:
    void useLocale(QLocale::Language language);
};

void TestQuickpayShorcuts::init()
{
    TestSupport::ClearSettings();
    useLocale(QLocale::English);
}

void TestQuickpayShorcuts::cleanupTestCase()
{
    useLocale(QLocale::English);
}

void TestQuickpayShorcuts::useLocale(QLocale::Language language)
{
    AppSettings::Instance()->settings->setValue(QStringLiteral("locale_lang_index"), int(language));
    AppSettings::Instance()->LoadLocale();
}

void TestQuickpayShorcuts::amountsRoundTrip_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown"); // on reopening, with two decimals

    QTest::newRow("English decimals") << int(QLocale::English) << "12.5" << "12.50";
    QTest::newRow("English thousands") << int(QLocale::English) << "1,234.5" << "1,234.50";
    QTest::newRow("English negative") << int(QLocale::English) << "-3" << "-3.00";
    QTest::newRow("German decimals") << int(QLocale::German) << "12,5" << "12,50";
    QTest::newRow("German thousands") << int(QLocale::German) << "1.234,5" << "1.234,50";
    QTest::newRow("German shown amount") << int(QLocale::German) << "1.000.000,00" << "1.000.000,00";
}

void TestQuickpayShorcuts::amountsRoundTrip()
{
    QFETCH(int, language);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    useLocale(QLocale::Language(language));
    QSettings* store = AppSettings::Instance()->settings;
    store->setValue(QStringLiteral("CURRENCY_SYMBOL"), QStringLiteral("€"));

    ModalAnswerer answerer;
    {
        QuickpayShorcuts dialog(nullptr);
        QCOMPARE(Child<QLabel>(&dialog, "lablelAmount")->text(), QStringLiteral("Paid Amount in €"));
        const QString zero = QLocale(QLocale::Language(language)).toString(0.0, 'f', 2);
        QCOMPARE(Child<QLineEdit>(&dialog, "lineEdit_9")->text(), zero);
        Child<QLineEdit>(&dialog, "lineEdit_3")->setText(typed);
        answerer.pressButton(QMessageBox::Ok);
        Child<QPushButton>(&dialog, "pushSave")->click();
    }
    QCOMPARE(answerer.messages(), QStringList{"Save|Shortcuts saved successfully."});
    QCOMPARE(store->value(QStringLiteral("ctrl_plus_three")).toString(), typed);

    // Opening and saving again without edits keeps every amount.
    for (int round = 0; round < 2; ++round) {
        QuickpayShorcuts dialog(nullptr);
        QCOMPARE(Child<QLineEdit>(&dialog, "lineEdit_3")->text(), shown);
        answerer.pressButton(QMessageBox::Ok);
        Child<QPushButton>(&dialog, "pushSave")->click();
        QCOMPARE(store->value(QStringLiteral("ctrl_plus_three")).toString(), shown);
    }
}

void TestQuickpayShorcuts::firstInvalidFieldStopsTheSave()
{
    ModalAnswerer answerer;
    QuickpayShorcuts dialog(nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    Child<QLineEdit>(&dialog, "lineEdit_1")->setText(QStringLiteral("5"));
    Child<QLineEdit>(&dialog, "lineEdit_2")->setText(QStringLiteral("abc"));
    Child<QLineEdit>(&dialog, "lineEdit_4")->clear();
    answerer.pressButton(QMessageBox::Ok);
    Child<QPushButton>(&dialog, "pushSave")->click();
    QCOMPARE(answerer.messages(), QStringList{"Error|Amount is not valid."});
    QTRY_COMPARE(dialog.focusWidget(), Child<QWidget>(&dialog, "lineEdit_2"));
    QVERIFY(!AppSettings::Instance()->settings->contains(QStringLiteral("ctrl_plus_one")));
    QCOMPARE(Child<QLineEdit>(&dialog, "lineEdit_4")->text(), QString());
}

void TestQuickpayShorcuts::amountNotFiniteIsNotValid_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("typed");
    QTest::newRow("English inf") << int(QLocale::English) << "inf";
    QTest::newRow("English nan") << int(QLocale::English) << "nan";
    QTest::newRow("German -INF") << int(QLocale::German) << "-INF";
}

void TestQuickpayShorcuts::amountNotFiniteIsNotValid()
{
    QFETCH(int, language);
    QFETCH(QString, typed);
    useLocale(QLocale::Language(language));
    ModalAnswerer answerer;
    QuickpayShorcuts dialog(nullptr);
    dialog.show();
    Child<QLineEdit>(&dialog, "lineEdit_6")->setText(typed);
    answerer.pressButton(QMessageBox::Ok);
    Child<QPushButton>(&dialog, "pushSave")->click();
    QCOMPARE(answerer.messages(), QStringList{"Error|Amount is not valid."});
    QTRY_COMPARE(dialog.focusWidget(), Child<QWidget>(&dialog, "lineEdit_6"));
    QVERIFY(!AppSettings::Instance()->settings->contains(QStringLiteral("ctrl_plus_six")));
}

VORANTEL_TEST_MAIN(TestQuickpayShorcuts)
#include "tst_quickpayshorcuts.moc"
