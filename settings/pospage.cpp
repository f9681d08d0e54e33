#include "pospage.h"

#include "appsettings.h"
#include "errordialog.h"
#include "settingspagedialogs.h"

#include <QDialog>
#include <QMainWindow>
#include <QScroller>
#include <QSettings>

namespace {

const QString KEY_ROWS = QStringLiteral("POS_ROWS");
const QString KEY_BUTTON_SIZE = QStringLiteral("POS_BUTTON_SIZE");
const QString KEY_MODE = QStringLiteral("POS_MODE");
const QString KEY_INVOICE_TITLE = QStringLiteral("invoice_title");
const QString KEY_RECEIPT_TITLE = QStringLiteral("receipt_title");
const QString KEY_PRODUCT_SELECTION = QStringLiteral("enable_product_selection");
const QString KEY_SCANNER_INPUT = QStringLiteral("enable_scanner_input");
const QString KEY_SHOW_BUTTONS = QStringLiteral("show_pos_buttons");
const QString KEY_FORCE_OUT_OF_STOCK = QStringLiteral("force_out_of_stock_item_sale");
const QString KEY_WARN_OUT_OF_STOCK = QStringLiteral("show_warning_for_out_of_stock_item");
const QString KEY_AUTO_PORDER = QStringLiteral("auto_porder");
const QString KEY_RESET_QTY = QStringLiteral("reset_qty");
const QString KEY_PROMO = QStringLiteral("promo");

} // namespace

PosPage::PosPage(QWidget* parent)
    : SettingsPage(parent)
{
    ui.setupUi(this);
    loaded = false;
    QScroller::grabGesture(viewport(), QScroller::LeftMouseButtonGesture);
    ui.pushQuickPay->setEnabled(bool(SettingsPageDialogs::quickPayShortcuts));
}

void PosPage::LoadSettings()
{
    if (loaded)
        return;
    QSettings* store = AppSettings::Instance()->settings;
    // Spin boxes clamp a stored value outside their range; a save then writes the clamped value.
    ui.spinRows->setValue(store->value(KEY_ROWS, 3).toInt());
    ui.spinButtonSize->setValue(store->value(KEY_BUTTON_SIZE, 5).toInt());
    if (store->value(KEY_MODE, 1).toBool())
        ui.radioReceiptMode->setChecked(true);
    else
        ui.radioInvoiceMode->setChecked(true);
    ui.lineInvoiceTitle->setText(store->value(KEY_INVOICE_TITLE, tr("SALES INVOICE")).toString());
    ui.lineSalesReceiptTitle->setText(store->value(KEY_RECEIPT_TITLE, tr("SALES RECEIPT")).toString());
    ui.checkEnableProductSelection->setChecked(store->value(KEY_PRODUCT_SELECTION, 1).toBool());
    ui.checkEnableScannerInput->setChecked(store->value(KEY_SCANNER_INPUT, 1).toBool());
    ui.checkShowPosButtons->setChecked(store->value(KEY_SHOW_BUTTONS, 1).toBool());
    ui.checkBoxForceSaleEvenItemOutOfStock->setChecked(store->value(KEY_FORCE_OUT_OF_STOCK, 1).toBool());
    ui.checkBoxShowWarningOutofStockItem->setChecked(store->value(KEY_WARN_OUT_OF_STOCK, 1).toBool());
    ui.check_auto_porder->setChecked(store->value(KEY_AUTO_PORDER, 1).toBool());
    ui.check_reset_qty_discounts->setChecked(store->value(KEY_RESET_QTY, 1).toBool());
    // Plain text both ways: a message that looks like markup is printed as typed, not stripped.
    ui.text_promotional_message->setPlainText(store->value(KEY_PROMO, QString()).toString());
    loaded = true;
}

bool PosPage::SaveSettings()
{
    if (!loaded)
        return true;
    QSettings* store = AppSettings::Instance()->settings;
    store->setValue(KEY_ROWS, ui.spinRows->value());
    store->setValue(KEY_BUTTON_SIZE, ui.spinButtonSize->value());
    store->setValue(KEY_MODE, ui.radioReceiptMode->isChecked() ? 1 : 0);
    store->setValue(KEY_INVOICE_TITLE, ui.lineInvoiceTitle->text());
    store->setValue(KEY_RECEIPT_TITLE, ui.lineSalesReceiptTitle->text());
    store->setValue(KEY_PRODUCT_SELECTION, ui.checkEnableProductSelection->isChecked());
    store->setValue(KEY_SCANNER_INPUT, ui.checkEnableScannerInput->isChecked());
    store->setValue(KEY_SHOW_BUTTONS, ui.checkShowPosButtons->isChecked());
    store->setValue(KEY_FORCE_OUT_OF_STOCK, ui.checkBoxForceSaleEvenItemOutOfStock->isChecked());
    store->setValue(KEY_WARN_OUT_OF_STOCK, ui.checkBoxShowWarningOutofStockItem->isChecked());
    store->setValue(KEY_AUTO_PORDER, ui.check_auto_porder->isChecked());
    store->setValue(KEY_RESET_QTY, ui.check_reset_qty_discounts->isChecked());
    store->setValue(KEY_PROMO, ui.text_promotional_message->toPlainText());
    return true;
}

void PosPage::on_pushQuickPay_clicked()
{
    if (!SettingsPageDialogs::quickPayShortcuts)
        return;
    QDialog* editor = SettingsPageDialogs::quickPayShortcuts(AppSettings::Instance()->mainWindow);
    editor->setModal(true);
    editor->exec();
    delete editor;
}

void PosPage::on_pushMoreHelp_clicked()
{
    const QString text = tr(
        "If you want to use barcode scanner, please configure following prefix and suffix on scanner. POS screen will "
        "catch all the codes sent by scanner. You can always set the input focus to scanner input field by pressing "
        "Ctrl+B on your key board.<br><b>Scanner Prefix</b> : Ctrl-B with hex or decimal value 02. It is also called "
        "STX character. This is necessary to focus the cursor in the scanner input field.<br><b>Scanner Suffix</b> : "
        "Please add Carriage Return, Enter key, or new line character at the end of code. The new line characters "
        "(CRLF) are coded as 0x0D (13 decimal) and 0x0A (10 decimal).After this configuration you can test the scanner "
        "with any editor. Please consult your scanner's manual to program this function. Each scanned code should "
        "appear on a separate line. Ctrl-B shortcut (pressing keyboard key B and Ctrl at the same time) will move the "
        "cursor to scanner input field if the focus is not set to input field. Prefix on the scanner will do the same "
        "job as well.");
    ErrorDialog help(QString(), tr("Barcode Scanner Help"), text, AppSettings::Instance()->mainWindow, true, true);
    help.setModal(true);
    help.exec();
}

void PosPage::on_pushQuickPayHelp_clicked()
{
    const QString text = tr(
        "<b>Quick Pay Shortcuts</b> are key combinations to enter the paid amount quickly without typing the actual "
        "amount. You can associate different amounts to nine available shortcuts. On pressing these key combinations, "
        "the respective amount will be entered in the paid box on POS screen, and transaction will be saved. This "
        "eliminates the need to actually type the paid amount, which saves a lot of time on a busy day. You can "
        "configure these shortcuts by clicking on the left button. <br> <br><b>Example</b><br>Consider Ctrl+1 key "
        "combination (pressing key 1 while ctrl key is already pressed) is assigned to an amount equal to 10. On POS "
        "screen after adding items to sale, the final step is to enter the paid amount and save the transaction. It "
        "involves some typing and pressing the buttons. If you press Ctrl+1, then 10 will be entered in the paid box "
        "and the transaction will be saved automatically. If the invoice mode is enabled, the invoice status (NOT "
        "PAID, PARTIALLY PAID, or PAID) will be updated accordingly. ");
    ErrorDialog help(QString(), tr("Barcode Scanner Help"), text, AppSettings::Instance()->mainWindow, true, true);
    help.setModal(true);
    help.exec();
}
