#include "cpos.h"
#include "databasetest.h"
#include "mainwindow.h"
#include "../pos/posfixture.h"
#include "qposdialog.h"
#include "settingstest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTextEdit>
#include <QTimer>

using namespace SettingsTest;

namespace {

// What the sale screen took from the settings when it was built.
QStringList ReadBy(const CPOS* screen)
{
    return {QString::number(screen->posRows),
            QString::number(screen->posButtonSize),
            QString::number(screen->posMode),
            screen->receiptTitle,
            screen->invoiceTitle,
            QString::number(screen->scannerInputEnabled),
            QString::number(screen->showPosButtons),
            QString::number(screen->forceOutOfStockSale),
            QString::number(screen->warnOutOfStock),
            QString::number(screen->autoPurchaseOrder),
            QString::number(screen->resetQuantity),
            screen->promoText,
            screen->imagesFolder,
            screen->receiptPrinter,
            QString::number(screen->receiptPrintToPdf),
            QString::number(screen->secondaryPrintToPdf),
            QString::number(screen->autoPrintSecondary),
            QString::number(screen->printLogo),
            QString::number(screen->logoSize),
            QStringLiteral("%1 %2 %3 %4").arg(screen->marginLeft).arg(screen->marginTop).arg(screen->marginRight)
                .arg(screen->marginBottom)};
}

} // namespace

// The road from the settings pages to the sale screen: a screen built after a save reads the new values.
class TestSettingsRestart : public PosFixture::SaleScreenTest
{
    Q_OBJECT

public:
    TestSettingsRestart()
        : SaleScreenTest(QStringLiteral("restart"), {{"SHOW_WELCOME", 0}, {"FIRST_TIME_START", 0}},
                         {"err_msg_13", "err_msg_5"})
    {
    }

private slots:
    void restartedScreenReadsTheSavedPages();
    void unchangedSaveKeepsWhatTheScreenReads();
};

void TestSettingsRestart::restartedScreenReadsTheSavedPages()
{
    MainWindow window;
    QList<QStringList> readByScreens;
    // The chain returns through widgets that are still open: the More pop-up between the settings
    // dialog and the restart notice, the host while its close waits. Each is answered when it opens
    // only; whether a poll catches one of them again in passing depends on the machine's load.
    answerer->setAnswerOncePerShowing(true);
    bool quickPayOffered = false;
    bool rolesOffered = false;
    answerer->handleClass<QPOSDialog>("QPOSDialog", [&](QPOSDialog* host) {
        readByScreens << ReadBy(host->findChild<CPOS*>());
        QTimer::singleShot(0, host->findChild<QPushButton*>(QStringLiteral("pushMore")), &QPushButton::click);
    });
    answerer->handleClass("MorePOSOptions", [](QWidget* options) {
        QTimer::singleShot(0, options->findChild<QPushButton*>(QStringLiteral("pushSettings")), &QPushButton::click);
    });
    answerer->handleClass<SettingsDialog>("SettingsDialog", [&](SettingsDialog* settings) {
        // Opened at the point of sale page, which is loaded already.
        Child<QSpinBox>(settings, "spinRows")->setValue(6);
        Child<QSpinBox>(settings, "spinButtonSize")->setValue(9);
        Child<QRadioButton>(settings, "radioInvoiceMode")->setChecked(true);
        Child<QLineEdit>(settings, "lineSalesReceiptTitle")->setText(QStringLiteral("TICKET"));
        Child<QLineEdit>(settings, "lineInvoiceTitle")->setText(QStringLiteral("BILL"));
        for (const char* name : {"checkEnableScannerInput", "checkShowPosButtons", "checkBoxForceSaleEvenItemOutOfStock",
                                 "checkBoxShowWarningOutofStockItem", "check_auto_porder", "check_reset_qty_discounts"})
            Child<QCheckBox>(settings, name)->setChecked(false);
        Child<QTextEdit>(settings, "text_promotional_message")->setPlainText(QStringLiteral("<b>Thanks</b>\nSee you"));
        quickPayOffered = Child<QPushButton>(settings, "pushQuickPay")->isEnabled();
        ShowRow(*settings, 4);
        Child<QCheckBox>(settings, "check_auto_print_to_secondary_printer")->setChecked(true);
        ShowRow(*settings, 5);
        Child<QCheckBox>(settings, "checkPrintLogo")->setChecked(false);
        Child<QSpinBox>(settings, "spinBoxLogoSize")->setValue(12);
        Child<QSpinBox>(settings, "spinMarginLeft")->setValue(3);
        Child<QSpinBox>(settings, "spinMarginTop")->setValue(4);
        Child<QSpinBox>(settings, "spinMarginRight")->setValue(6);
        Child<QSpinBox>(settings, "spinMarginBottom")->setValue(7);
        ShowRow(*settings, 8);
        rolesOffered = Child<QPushButton>(settings, "pushUserRoles")->isEnabled();
        ShowRow(*settings, 9);
        Child<QLineEdit>(settings, "lineImagesFolder")->setText(QStringLiteral("/srv/shop/images"));
        QTimer::singleShot(0, settings->findChild<QPushButton*>(QStringLiteral("pushSave")), &QPushButton::click);
    });
    answerer->pressButton(QMessageBox::Ok); // "POS will restart now."
    answerer->pressButton(QMessageBox::Yes);
    answerer->handleClass<QPOSDialog>("QPOSDialog", [&](QPOSDialog* host) {
        readByScreens << ReadBy(host->findChild<CPOS*>());
        QTimer::singleShot(0, host->findChild<QPushButton*>(QStringLiteral("pushButtonClose")), &QPushButton::click);
    });
    answerer->pressButton(QMessageBox::Yes);

    window.on_pushPointOfSale_clicked();
    // Two screens are built and closed on a busy machine: allow them the time.
    QTRY_COMPARE_WITH_TIMEOUT(answerer->pendingAnswers(), 0, 60000);
    QTRY_VERIFY_WITH_TIMEOUT(window.posDialog.isNull(), 30000);
    QVERIFY(quickPayOffered);
    QVERIFY(rolesOffered);
    QCOMPARE(readByScreens.size(), 2);
    // Before: what the screen reads from a store without these keys.
    QCOMPARE(readByScreens[0], (QStringList{"3", "90", "1", "SALES RECEIPT", "SALES INVOICE", "1", "1", "1", "1", "1",
                                            "1", "", "", "", "1", "1", "0", "1", "10", "5 15 5 0"}));
    QCOMPARE(readByScreens[1], (QStringList{"6", "146", "0", "TICKET", "BILL", "0", "0", "0", "0", "0", "0",
                                            "<b>Thanks</b>\nSee you", "/srv/shop/images", "Print to PDF", "1", "1", "1",
                                            "0", "12", "3 4 6 7"}));
}

void TestSettingsRestart::unchangedSaveKeepsWhatTheScreenReads()
{
    auto readByNewScreen = [] {
        QPOSDialog host(nullptr, false);
        auto* screen = new CPOS(&host);
        return ReadBy(screen);
    };
    QStringList before = readByNewScreen();
    {
        SettingsDialog dialog;
        for (int row : {4, 5, 6, 7, 9})
            ShowRow(dialog, row);
        Press(dialog, "pushSave");
        QVERIFY(dialog.saved);
    }
    // The pages wrote their keys, and the screen reads what it read without them; only the receipt
    // printer's name is now the PDF choice itself, with the PDF flag on as before.
    before[13] = QStringLiteral("Print to PDF");
    for (const char* key : {"marginTop", "marginBottom", "paperWidth", "POS_ROWS", "promo", "ReceiptPrintToPDF",
                            "pole_port", "IMAGES_FOLDER"})
        QVERIFY2(TestSupport::Settings()->contains(QLatin1String(key)), key);
    QCOMPARE(readByNewScreen(), before);
}

VORANTEL_TEST_MAIN(TestSettingsRestart)
#include "tst_settingsrestart.moc"
