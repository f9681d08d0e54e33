#include "modalanswerer.h"
#include "printingpage.h"
#include "settingstest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPrinterInfo>
#include <QRadioButton>

using namespace SettingsTest;

namespace {

struct OpenPrintingPage
{
    PrintingPage page{nullptr};
    QComboBox* receipt = Child<QComboBox>(&page, "comboReceiptPrinter");
    QComboBox* report = Child<QComboBox>(&page, "comboReportPrinter");
    QComboBox* secondary = Child<QComboBox>(&page, "combo_scondary_printer");
    QRadioButton* small = Child<QRadioButton>(&page, "radioSmallReceipt");
    QRadioButton* large = Child<QRadioButton>(&page, "radioLargeReceipt");
    QCheckBox* autoSecondary = Child<QCheckBox>(&page, "check_auto_print_to_secondary_printer");
    OpenPrintingPage() { page.LoadSettings(); }
    QStringList shown() const { return {receipt->currentText(), report->currentText(), secondary->currentText()}; }
};

QStringList Entries(const QComboBox* combo)
{
    QStringList out;
    for (int i = 0; i < combo->count(); ++i)
        out << combo->itemText(i);
    return out;
}

const QStringList PRINTER_KEYS{"receiptPrinter", "reportPrinter", "secondaryPrinter"};
const QStringList PDF_KEYS{"ReceiptPrintToPDF", "ReportPrintToPDF", "SecondaryPrintToPDF"};

} // namespace

// The printing page on a machine without printers: every choice is "Print to PDF" unless a
// printer of another workstation's choosing is stored.
class TestPrintingPage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void emptyStoreShowsDefaults();
    void unchangedSave_data();
    void unchangedSave();
    void absentPrinterCanBeSwitchedToPdf();
    void roundTripThroughTheDialog();
    void neverShownWritesNothing();
};

void TestPrintingPage::initTestCase()
{
    // Every case below assumes a machine without printers, as the test machines are.
    QVERIFY(QPrinterInfo::availablePrinters().isEmpty());
}

void TestPrintingPage::init()
{
    TestSupport::ClearSettings();
}

void TestPrintingPage::emptyStoreShowsDefaults()
{
    OpenPrintingPage open;
    for (QComboBox* combo : {open.receipt, open.report, open.secondary})
        QCOMPARE(Entries(combo), QStringList{"Print to PDF"});
    QVERIFY(open.large->isChecked());
    QVERIFY(!open.small->isChecked());
    QVERIFY(!open.autoSecondary->isChecked());
}

void TestPrintingPage::unchangedSave_data()
{
    QTest::addColumn<QStringList>("stored"); // receipt, report, secondary printer; empty: key absent
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QStringList>("written");
    QTest::addColumn<QList<int>>("pdfFlags"); // receipt, report, secondary
    QTest::newRow("nothing stored") << QStringList{"", "", ""} << QStringList{"Print to PDF", "Print to PDF", "Print to PDF"}
                                    << QStringList{"Print to PDF", "Print to PDF", "Print to PDF"} << QList<int>{1, 1, 1};
    QTest::newRow("absent receipt printer is kept")
        << QStringList{"Kitchen TM-T88", "", ""}
        << QStringList{"Kitchen TM-T88 (not found)", "Print to PDF", "Print to PDF"}
        << QStringList{"Kitchen TM-T88", "Print to PDF", "Print to PDF"} << QList<int>{0, 1, 1};
    QTest::newRow("three absent printers")
        << QStringList{"Till", "Office Laser", "Bar"}
        << QStringList{"Till (not found)", "Office Laser (not found)", "Bar (not found)"}
        << QStringList{"Till", "Office Laser", "Bar"} << QList<int>{0, 0, 0};
    QTest::newRow("stored PDF choice") << QStringList{"Print to PDF", "", "Print to PDF"}
                                       << QStringList{"Print to PDF", "Print to PDF", "Print to PDF"}
                                       << QStringList{"Print to PDF", "Print to PDF", "Print to PDF"} << QList<int>{1, 1, 1};
}

void TestPrintingPage::unchangedSave()
{
    QFETCH(QStringList, stored);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, written);
    QFETCH(QList<int>, pdfFlags);
    QSettings* store = TestSupport::Settings();
    for (int i = 0; i < 3; ++i)
        if (!stored[i].isEmpty())
            store->setValue(PRINTER_KEYS[i], stored[i]);
    OpenPrintingPage open;
    QCOMPARE(open.shown(), shown);
    QVERIFY(open.page.SaveSettings());
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(store->value(PRINTER_KEYS[i]), QVariant(written[i]));
        QVERIFY2(store->contains(PDF_KEYS[i]), qPrintable(PDF_KEYS[i]));
        QCOMPARE(store->value(PDF_KEYS[i]), QVariant(pdfFlags[i]));
    }
    QCOMPARE(store->value(SMALL_RECEIPT), QVariant(0));
    QCOMPARE(store->value("auto_print_to_secondary_printer"), QVariant(false));
}

void TestPrintingPage::absentPrinterCanBeSwitchedToPdf()
{
    QSettings* store = TestSupport::Settings();
    store->setValue("reportPrinter", QStringLiteral("Office Laser"));
    OpenPrintingPage open;
    QCOMPARE(Entries(open.report), (QStringList{"Print to PDF", "Office Laser (not found)"}));
    // The other two boxes do not offer another box's missing printer.
    QCOMPARE(Entries(open.receipt), QStringList{"Print to PDF"});
    open.report->setCurrentIndex(0);
    QVERIFY(open.page.SaveSettings());
    QCOMPARE(store->value("reportPrinter"), QVariant(QStringLiteral("Print to PDF")));
    QCOMPARE(store->value("ReportPrintToPDF"), QVariant(1));
}

void TestPrintingPage::roundTripThroughTheDialog()
{
    QSettings* store = TestSupport::Settings();
    store->setValue("secondaryPrinter", QStringLiteral("Kitchen"));
    {
        SettingsDialog dialog;
        ShowRow(dialog, 4);
        Child<QRadioButton>(&dialog, "radioSmallReceipt")->setChecked(true);
        Child<QCheckBox>(&dialog, "check_auto_print_to_secondary_printer")->setChecked(true);
        Press(dialog, "pushSave");
        QVERIFY(dialog.saved);
    }
    QCOMPARE(store->value(SMALL_RECEIPT), QVariant(1));
    QCOMPARE(store->value("auto_print_to_secondary_printer"), QVariant(true));
    SettingsDialog dialog;
    ShowRow(dialog, 4);
    QVERIFY(Child<QRadioButton>(&dialog, "radioSmallReceipt")->isChecked());
    QVERIFY(Child<QCheckBox>(&dialog, "check_auto_print_to_secondary_printer")->isChecked());
    QCOMPARE(Child<QComboBox>(&dialog, "combo_scondary_printer")->currentText(), QStringLiteral("Kitchen (not found)"));
    QCOMPARE(Child<QComboBox>(&dialog, "comboReceiptPrinter")->currentText(), QStringLiteral("Print to PDF"));
}

void TestPrintingPage::neverShownWritesNothing()
{
    SettingsDialog dialog;
    const auto before = Store();
    Press(dialog, "pushSave");
    QVERIFY(dialog.saved);
    const QStringList changed = Changed(before, Store());
    for (const QString& key : PRINTER_KEYS + PDF_KEYS + QStringList{SMALL_RECEIPT, "auto_print_to_secondary_printer"})
        QVERIFY2(!changed.contains(key), qPrintable(key));
}

VORANTEL_TEST_MAIN(TestPrintingPage)
#include "tst_printingpage.moc"
