#include "printingpage.h"

#include "appsettings.h"
#include "constants.h"
#include "devicecombo.h"

#include <QPrinterInfo>
#include <QScroller>
#include <QSettings>

namespace {

const QString KEY_RECEIPT_PRINTER = QStringLiteral("receiptPrinter");
const QString KEY_REPORT_PRINTER = QStringLiteral("reportPrinter");
const QString KEY_SECONDARY_PRINTER = QStringLiteral("secondaryPrinter");
const QString KEY_RECEIPT_PDF = QStringLiteral("ReceiptPrintToPDF");
const QString KEY_REPORT_PDF = QStringLiteral("ReportPrintToPDF");
const QString KEY_SECONDARY_PDF = QStringLiteral("SecondaryPrintToPDF");
const QString KEY_AUTO_SECONDARY = QStringLiteral("auto_print_to_secondary_printer");

} // namespace

PrintingPage::PrintingPage(QWidget* parent)
    : SettingsPage(parent)
{
    ui.setupUi(this);
    loaded = false;
    QScroller::grabGesture(viewport(), QScroller::LeftMouseButtonGesture);
}

void PrintingPage::LoadSettings()
{
    if (loaded)
        return;
    QSettings* store = AppSettings::Instance()->settings;

    // The list of the moment: printers installed while the dialog is open appear next time.
    QStringList entries{tr("Print to PDF")};
    for (const QPrinterInfo& printer : QPrinterInfo::availablePrinters())
        entries << printer.printerName();
    DeviceCombo::Fill(ui.comboReceiptPrinter, entries, store->value(KEY_RECEIPT_PRINTER, QString()).toString());
    DeviceCombo::Fill(ui.comboReportPrinter, entries, store->value(KEY_REPORT_PRINTER, QString()).toString());
    DeviceCombo::Fill(ui.combo_scondary_printer, entries, store->value(KEY_SECONDARY_PRINTER, QString()).toString());

    if (store->value(SMALL_RECEIPT, 0).toInt() != 0)
        ui.radioSmallReceipt->setChecked(true);
    else
        ui.radioLargeReceipt->setChecked(true);
    ui.check_auto_print_to_secondary_printer->setChecked(store->value(KEY_AUTO_SECONDARY, false).toBool());
    loaded = true;
}

bool PrintingPage::SaveSettings()
{
    if (!loaded)
        return true;
    QSettings* store = AppSettings::Instance()->settings;
    const QString pdf = tr("Print to PDF");
    const QString report = DeviceCombo::Current(ui.comboReportPrinter);
    const QString receipt = DeviceCombo::Current(ui.comboReceiptPrinter);
    const QString secondary = DeviceCombo::Current(ui.combo_scondary_printer);

    store->setValue(SMALL_RECEIPT, ui.radioSmallReceipt->isChecked() ? 1 : 0);
    store->setValue(KEY_REPORT_PRINTER, report);
    store->setValue(KEY_RECEIPT_PRINTER, receipt);
    store->setValue(KEY_SECONDARY_PRINTER, secondary);
    store->setValue(KEY_RECEIPT_PDF, receipt == pdf ? 1 : 0);
    store->setValue(KEY_SECONDARY_PDF, secondary == pdf ? 1 : 0);
    store->setValue(KEY_REPORT_PDF, report == pdf ? 1 : 0);
    store->setValue(KEY_AUTO_SECONDARY, ui.check_auto_print_to_secondary_printer->isChecked());
    return true;
}
