#include "modalanswerer.h"
#include "pospage.h"
#include "quickpayshorcuts.h"
#include "settingspagedialogs.h"
#include "settingstest.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTextEdit>

using namespace SettingsTest;

namespace {

const char* const CHECKS[] = {"checkEnableProductSelection", "checkEnableScannerInput", "checkShowPosButtons",
                              "checkBoxForceSaleEvenItemOutOfStock", "checkBoxShowWarningOutofStockItem",
                              "check_auto_porder", "check_reset_qty_discounts"};
const QStringList CHECK_KEYS{"enable_product_selection", "enable_scanner_input", "show_pos_buttons",
                             "force_out_of_stock_item_sale", "show_warning_for_out_of_stock_item", "auto_porder",
                             "reset_qty"};
const QStringList PAGE_KEYS = CHECK_KEYS + QStringList{"POS_ROWS", "POS_BUTTON_SIZE", "POS_MODE", "invoice_title",
                                                       "receipt_title", "promo"};

struct OpenPosPage
{
    PosPage page{nullptr};
    QSpinBox* rows = Child<QSpinBox>(&page, "spinRows");
    QSpinBox* buttonSize = Child<QSpinBox>(&page, "spinButtonSize");
    QRadioButton* receiptMode = Child<QRadioButton>(&page, "radioReceiptMode");
    QRadioButton* invoiceMode = Child<QRadioButton>(&page, "radioInvoiceMode");
    QLineEdit* receiptTitle = Child<QLineEdit>(&page, "lineSalesReceiptTitle");
    QLineEdit* invoiceTitle = Child<QLineEdit>(&page, "lineInvoiceTitle");
    QTextEdit* promo = Child<QTextEdit>(&page, "text_promotional_message");
    OpenPosPage() { page.LoadSettings(); }
    QList<bool> checks() const
    {
        QList<bool> out;
        for (const char* name : CHECKS)
            out << Child<QCheckBox>(&page, name)->isChecked();
        return out;
    }
};

} // namespace

class TestPosPage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void emptyStoreShowsDefaults();
    void loadAndSave_data();
    void loadAndSave();
    void promotionIsPlainText_data();
    void promotionIsPlainText();
    void quickPayEditorChangesNothingHere();
    void quickPayWithoutEditorIsDisabled();
    void helpTexts_data();
    void helpTexts();
    void roundTripThroughTheDialog();
    void neverShownWritesNothing();

private:
    ModalAnswerer* answerer = nullptr;
};

void TestPosPage::initTestCase()
{
    answerer = new ModalAnswerer(this);
    // As the main window sets it.
    SettingsPageDialogs::quickPayShortcuts = [](QWidget* parent) -> QDialog* { return new QuickpayShorcuts(parent); };
}

void TestPosPage::init()
{
    TestSupport::ClearSettings();
    answerer->clear();
}

void TestPosPage::cleanup()
{
    QVERIFY2(answerer->failures.isEmpty(), qPrintable(answerer->failures.join(QLatin1Char('\n'))));
    QCOMPARE(answerer->pendingAnswers(), 0);
}

void TestPosPage::emptyStoreShowsDefaults()
{
    OpenPosPage open;
    QCOMPARE(open.rows->value(), 3);
    QCOMPARE(open.buttonSize->value(), 5);
    QVERIFY(open.receiptMode->isChecked());
    QVERIFY(!open.invoiceMode->isChecked());
    QCOMPARE(open.receiptTitle->text(), QStringLiteral("SALES RECEIPT"));
    QCOMPARE(open.invoiceTitle->text(), QStringLiteral("SALES INVOICE"));
    QCOMPARE(open.checks(), (QList<bool>{true, true, true, true, true, true, true}));
    QCOMPARE(open.promo->toPlainText(), QString());
}

void TestPosPage::loadAndSave_data()
{
    QTest::addColumn<QVariantMap>("stored");
    QTest::addColumn<QVariantMap>("written"); // keys that must then hold these values
    QTest::newRow("twelve rows load as eight") << QVariantMap{{"POS_ROWS", 12}} << QVariantMap{{"POS_ROWS", 8}};
    QTest::newRow("zero rows load as one") << QVariantMap{{"POS_ROWS", 0}} << QVariantMap{{"POS_ROWS", 1}};
    QTest::newRow("button size clamped") << QVariantMap{{"POS_BUTTON_SIZE", 25}} << QVariantMap{{"POS_BUTTON_SIZE", 20}};
    QTest::newRow("invoice mode") << QVariantMap{{"POS_MODE", 0}} << QVariantMap{{"POS_MODE", 0}};
    QTest::newRow("receipt mode, any true value") << QVariantMap{{"POS_MODE", 2}} << QVariantMap{{"POS_MODE", 1}};
    QTest::newRow("empty titles stay empty") << QVariantMap{{"invoice_title", ""}, {"receipt_title", ""}}
                                             << QVariantMap{{"invoice_title", ""}, {"receipt_title", ""}};
    QVariantMap off;
    for (const QString& key : CHECK_KEYS)
        off.insert(key, false);
    QTest::newRow("every switch off") << off << off;
    QVariantMap defaults{{"POS_ROWS", 3}, {"POS_BUTTON_SIZE", 5}, {"POS_MODE", 1}, {"invoice_title", "SALES INVOICE"},
                         {"receipt_title", "SALES RECEIPT"}, {"promo", ""}};
    for (const QString& key : CHECK_KEYS)
        defaults.insert(key, true);
    QTest::newRow("empty store writes the defaults") << QVariantMap{} << defaults;
}

void TestPosPage::loadAndSave()
{
    QFETCH(QVariantMap, stored);
    QFETCH(QVariantMap, written);
    QSettings* store = TestSupport::Settings();
    for (auto it = stored.cbegin(); it != stored.cend(); ++it)
        store->setValue(it.key(), it.value());
    OpenPosPage open;
    QVERIFY(open.page.SaveSettings());
    for (auto it = written.cbegin(); it != written.cend(); ++it) {
        QVERIFY2(store->contains(it.key()), qPrintable(it.key()));
        QCOMPARE(store->value(it.key()), it.value());
    }
}

void TestPosPage::promotionIsPlainText_data()
{
    QTest::addColumn<QString>("promo");
    QTest::newRow("markup") << "<b>2 for 1</b> on <i>Fridays</i>";
    QTest::newRow("several lines") << "Thank you!\nVisit us again\n\nOpen 7 days";
    QTest::newRow("entity and angle") << "Buy 3 & pay < 10 &amp; more";
    QTest::newRow("html document") << "<html><body><p>Hello</p></body></html>";
}

void TestPosPage::promotionIsPlainText()
{
    QFETCH(QString, promo);
    QSettings* store = TestSupport::Settings();
    store->setValue("promo", promo);
    {
        OpenPosPage open;
        QCOMPARE(open.promo->toPlainText(), promo);
        QVERIFY(open.page.SaveSettings());
        QCOMPARE(store->value("promo"), QVariant(promo));
    }
    // Typed into the box, it is stored as typed.
    store->remove("promo");
    OpenPosPage open;
    const QStringList lines = promo.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        if (i > 0)
            QTest::keyClick(open.promo, Qt::Key_Return);
        QTest::keyClicks(open.promo, lines[i]);
    }
    QVERIFY(open.page.SaveSettings());
    QCOMPARE(store->value("promo"), QVariant(promo));
}

void TestPosPage::quickPayEditorChangesNothingHere()
{
    QSettings* store = TestSupport::Settings();
    store->setValue("POS_ROWS", 6);
    OpenPosPage open;
    open.rows->setValue(4); // unsaved edit
    const auto before = Store();
    answerer->handleClass<QDialog>("QuickpayShorcuts", [&](QDialog* editor) {
        QVERIFY(editor->isModal());
        editor->reject();
    });
    Child<QPushButton>(&open.page, "pushQuickPay")->click();
    QCOMPARE(answerer->seen.size(), 1);
    QCOMPARE(Changed(before, Store()), QStringList());
    QCOMPARE(open.rows->value(), 4);
    QCOMPARE(store->value("POS_ROWS"), QVariant(6));
}

void TestPosPage::quickPayWithoutEditorIsDisabled()
{
    const SettingsPageDialogs::Factory shellFactory = SettingsPageDialogs::quickPayShortcuts;
    SettingsPageDialogs::quickPayShortcuts = nullptr;
    OpenPosPage open;
    SettingsPageDialogs::quickPayShortcuts = shellFactory;
    QVERIFY(!Child<QPushButton>(&open.page, "pushQuickPay")->isEnabled());
}

void TestPosPage::helpTexts_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("opening");
    QTest::newRow("more help") << "pushMoreHelp" << "If you want to use barcode scanner, please configure";
    QTest::newRow("quick pay help") << "pushQuickPayHelp" << "Quick Pay Shortcuts are key combinations";
}

void TestPosPage::helpTexts()
{
    QFETCH(QString, button);
    QFETCH(QString, opening);
    OpenPosPage open;
    QString shown;
    bool boxHidden = false;
    answerer->handleClass<QDialog>("ErrorDialog", [&](QDialog* help) {
        for (QWidget* widget : help->findChildren<QWidget*>()) {
            if (auto* label = qobject_cast<QLabel*>(widget))
                shown += label->text();
            if (auto* edit = qobject_cast<QTextEdit*>(widget))
                shown += edit->toPlainText();
        }
        boxHidden = true;
        for (QCheckBox* box : help->findChildren<QCheckBox*>())
            boxHidden = boxHidden && !box->isVisible();
        help->reject();
    });
    Child<QPushButton>(&open.page, qPrintable(button))->click();
    QCOMPARE(answerer->seen.size(), 1);
    QCOMPARE(answerer->seen.first().title, QStringLiteral("Barcode Scanner Help"));
    QVERIFY2(shown.contains(opening), qPrintable(shown));
    QVERIFY(boxHidden);
}

void TestPosPage::roundTripThroughTheDialog()
{
    {
        SettingsDialog dialog;
        ShowRow(dialog, 6);
        Child<QSpinBox>(&dialog, "spinRows")->setValue(5);
        Child<QSpinBox>(&dialog, "spinButtonSize")->setValue(11);
        Child<QRadioButton>(&dialog, "radioInvoiceMode")->setChecked(true);
        Child<QLineEdit>(&dialog, "lineSalesReceiptTitle")->setText(QStringLiteral("TICKET"));
        Child<QLineEdit>(&dialog, "lineInvoiceTitle")->setText(QStringLiteral("BILL"));
        Child<QCheckBox>(&dialog, "check_auto_porder")->setChecked(false);
        Child<QCheckBox>(&dialog, "checkEnableScannerInput")->setChecked(false);
        Child<QTextEdit>(&dialog, "text_promotional_message")->setPlainText(QStringLiteral("Line 1\n<b>Line 2</b>"));
        Press(dialog, "pushSave");
        QVERIFY(dialog.saved);
    }
    SettingsDialog dialog;
    ShowRow(dialog, 6);
    QCOMPARE(Child<QSpinBox>(&dialog, "spinRows")->value(), 5);
    QCOMPARE(Child<QSpinBox>(&dialog, "spinButtonSize")->value(), 11);
    QVERIFY(Child<QRadioButton>(&dialog, "radioInvoiceMode")->isChecked());
    QCOMPARE(Child<QLineEdit>(&dialog, "lineSalesReceiptTitle")->text(), QStringLiteral("TICKET"));
    QCOMPARE(Child<QLineEdit>(&dialog, "lineInvoiceTitle")->text(), QStringLiteral("BILL"));
    QVERIFY(!Child<QCheckBox>(&dialog, "check_auto_porder")->isChecked());
    QVERIFY(!Child<QCheckBox>(&dialog, "checkEnableScannerInput")->isChecked());
    QVERIFY(Child<QCheckBox>(&dialog, "check_reset_qty_discounts")->isChecked());
    QCOMPARE(Child<QTextEdit>(&dialog, "text_promotional_message")->toPlainText(), QStringLiteral("Line 1\n<b>Line 2</b>"));
}

void TestPosPage::neverShownWritesNothing()
{
    SettingsDialog dialog;
    const auto before = Store();
    Press(dialog, "pushSave");
    QVERIFY(dialog.saved);
    const QStringList changed = Changed(before, Store());
    for (const QString& key : PAGE_KEYS)
        QVERIFY2(!changed.contains(key), qPrintable(key));
}

VORANTEL_TEST_MAIN(TestPosPage)
#include "tst_pospage.moc"
