#include "receiptprinterpage.h"
#include "settingstest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>

using namespace SettingsTest;

namespace {

const QStringList SPIN_KEYS{"logoSize", "paperWidth", "marginLeft", "marginTop", "marginRight", "marginBottom"};
const char* const SPINS[] = {"spinBoxLogoSize", "spinWidth",       "spinMarginLeft",
                             "spinMarginTop",   "spinMarginRight", "spinMarginBottom"};

struct OpenReceiptPage
{
    ReceiptPrinterPage page{nullptr};
    QCheckBox* logo = Child<QCheckBox>(&page, "checkPrintLogo");
    QComboBox* direction = Child<QComboBox>(&page, "comboPrintDirection");
    OpenReceiptPage() { page.LoadSettings(); }
    QList<int> spins() const
    {
        QList<int> out;
        for (const char* name : SPINS)
            out << Child<QSpinBox>(&page, name)->value();
        return out;
    }
};

} // namespace

class TestReceiptPrinterPage : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestSupport::ClearSettings(); }
    void loadAndSave_data();
    void loadAndSave();
    void directionChoice_data();
    void directionChoice();
    void roundTripThroughTheDialog();
    void neverShownWritesNothing();
};

void TestReceiptPrinterPage::loadAndSave_data()
{
    QTest::addColumn<QVariantMap>("stored");
    QTest::addColumn<QList<int>>("shown"); // logo size, width, left, top, right, bottom
    QTest::addColumn<bool>("logo");
    QTest::addColumn<QString>("direction");
    // The defaults are those the sale screen's direct receipt reads for absent keys.
    QTest::newRow("empty store") << QVariantMap{} << QList<int>{10, 76, 5, 15, 5, 0} << true << "Upside Up Direction";
    QTest::newRow("stored values") << QVariantMap{{"printLogo", false}, {"logoSize", 25}, {"paperWidth", 58},
                                                  {"marginLeft", 2}, {"marginTop", 3}, {"marginRight", 4},
                                                  {"marginBottom", 6}, {"printDirection", 1}}
                                   << QList<int>{25, 58, 2, 3, 4, 6} << false << "Upside Down Direction";
    QTest::newRow("out of range is clamped") << QVariantMap{{"paperWidth", 120}, {"marginTop", -4},
                                                            {"marginBottom", 250}, {"logoSize", 31}}
                                             << QList<int>{30, 99, 5, 0, 5, 99} << true << "Upside Up Direction";
    QTest::newRow("logo off as stored integer") << QVariantMap{{"printLogo", 0}} << QList<int>{10, 76, 5, 15, 5, 0}
                                                << false << "Upside Up Direction";
}

void TestReceiptPrinterPage::loadAndSave()
{
    QFETCH(QVariantMap, stored);
    QFETCH(QList<int>, shown);
    QFETCH(bool, logo);
    QFETCH(QString, direction);
    QSettings* store = TestSupport::Settings();
    for (auto it = stored.cbegin(); it != stored.cend(); ++it)
        store->setValue(it.key(), it.value());
    OpenReceiptPage open;
    QCOMPARE(open.spins(), shown);
    QCOMPARE(open.logo->isChecked(), logo);
    QCOMPARE(open.direction->currentText(), direction);
    QCOMPARE(open.direction->count(), 2);

    // Saved unchanged, the store holds what was shown: clamped values included.
    QVERIFY(open.page.SaveSettings());
    for (int i = 0; i < SPIN_KEYS.size(); ++i)
        QCOMPARE(store->value(SPIN_KEYS[i]), QVariant(shown[i]));
    QCOMPARE(store->value("printLogo"), QVariant(logo));
    QCOMPARE(store->value("printDirection"), QVariant(direction == QLatin1String("Upside Down Direction") ? 1 : 0));
}

void TestReceiptPrinterPage::directionChoice_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<int>("shownIndex");
    QTest::addColumn<int>("chosenIndex");
    QTest::addColumn<int>("written");
    QTest::newRow("down, saved up") << QVariant(1) << 0 << 1 << 0;
    QTest::newRow("up, saved down") << QVariant(0) << 1 << 0 << 1;
    QTest::newRow("true as text") << QVariant(QStringLiteral("true")) << 0 << 0 << 1;
}

void TestReceiptPrinterPage::directionChoice()
{
    QFETCH(QVariant, stored);
    QFETCH(int, shownIndex);
    QFETCH(int, chosenIndex);
    QFETCH(int, written);
    TestSupport::Settings()->setValue("printDirection", stored);
    OpenReceiptPage open;
    QCOMPARE(open.direction->itemText(0), QStringLiteral("Upside Down Direction"));
    QCOMPARE(open.direction->currentIndex(), shownIndex);
    open.direction->setCurrentIndex(chosenIndex);
    QVERIFY(open.page.SaveSettings());
    QCOMPARE(TestSupport::Settings()->value("printDirection"), QVariant(written));
}

void TestReceiptPrinterPage::roundTripThroughTheDialog()
{
    const QList<int> values{7, 80, 1, 2, 3, 4};
    {
        SettingsDialog dialog;
        ShowRow(dialog, 5);
        for (int i = 0; i < values.size(); ++i)
            Child<QSpinBox>(&dialog, SPINS[i])->setValue(values[i]);
        Child<QCheckBox>(&dialog, "checkPrintLogo")->setChecked(false);
        Child<QComboBox>(&dialog, "comboPrintDirection")->setCurrentIndex(0);
        Press(dialog, "pushSave");
        QVERIFY(dialog.saved);
    }
    SettingsDialog dialog;
    ShowRow(dialog, 5);
    for (int i = 0; i < values.size(); ++i)
        QCOMPARE(Child<QSpinBox>(&dialog, SPINS[i])->value(), values[i]);
    QVERIFY(!Child<QCheckBox>(&dialog, "checkPrintLogo")->isChecked());
    QCOMPARE(Child<QComboBox>(&dialog, "comboPrintDirection")->currentIndex(), 0);
}

void TestReceiptPrinterPage::neverShownWritesNothing()
{
    SettingsDialog dialog;
    const auto before = Store();
    Press(dialog, "pushSave");
    QVERIFY(dialog.saved);
    const QStringList changed = Changed(before, Store());
    for (const QString& key : SPIN_KEYS + QStringList{"printLogo", "printDirection"})
        QVERIFY2(!changed.contains(key), qPrintable(key));
}

VORANTEL_TEST_MAIN(TestReceiptPrinterPage)
#include "tst_receiptprinterpage.moc"
