// Printing of the sale on screen through the report templates, the PDF button, and e-mailing the
// receipt or invoice PDF to the customer. The direct roll-paper receipt is in cpos_smallreceipt.cpp.
#include "cpos.h"
#include "ui_cpos.h"

#include "appsettings.h"
#include "composeemail.h"
#include "errordialog.h"
#include "pos.h"
#include "progress.h"
#include "reportengine.h"
#include "salesmodel.h"
#include "writtenpdf.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QMainWindow>
#include <QMessageBox>
#include <QSettings>
#include <QSqlRecord>
#include <QStandardPaths>

namespace {

QString DataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

int SmallReceiptSetting()
{
    return AppSettings::Instance()->settings->value(QStringLiteral("SMALL_RECEIPT"), 0).toInt();
}

} // namespace

void CPOS::on_pushPrint_clicked()
{
    if (!SaleLinesKnown())
        return;
    if (SmallReceiptSetting() == 1)
        PrintReceiptDirect(false, false);
    else
        printReport(false, QString(), false, false);

    if (autoPrintSecondary) {
        if (SmallReceiptSetting() == 1)
            PrintReceiptDirect(false, true);
        else
            printReport(false, QString(), false, true);
    }
}

void CPOS::on_pushPrintPreview_clicked()
{
    if (!SaleLinesKnown())
        return;
    const bool receiptToPdf = receiptPrintToPdf;
    const bool secondaryToPdf = secondaryPrintToPdf;
    receiptPrintToPdf = true;
    secondaryPrintToPdf = true;

    if (SmallReceiptSetting() == 1)
        PrintReceiptDirect(true, false);
    else
        printReport(true, QString(), false, false);

    if (autoPrintSecondary) {
        if (SmallReceiptSetting() == 1)
            PrintReceiptDirect(true, true);
        else
            printReport(true, QString(), false, true);
    }

    receiptPrintToPdf = receiptToPdf;
    secondaryPrintToPdf = secondaryToPdf;
}

void CPOS::printReport(bool preview)
{
    printReport(preview, QString(), false, false);
}

void CPOS::printReport(bool preview, QString file_name)
{
    printReport(preview, file_name, false, false);
}

void CPOS::printReport(bool preview, QString file_name, bool open_afer_printing)
{
    printReport(preview, file_name, open_afer_printing, false);
}

bool CPOS::printReport(bool preview, QString file_name, bool open_afer_printing, bool secondary_print)
{
    Q_UNUSED(open_afer_printing)
    QString templatePath;
    if (invoiceMode)
        templatePath = taxEnabled ? QStringLiteral(":/xml/reports/sales_invoice.xml")
                                  : QStringLiteral(":/xml/reports/sales_invoice_no_tax.xml");
    else
        templatePath = taxEnabled ? QStringLiteral(":/xml/reports/sales_receipt_no_subitems.xml")
                                  : QStringLiteral(":/xml/reports/sales_receipt_no_subitems_no_tax.xml");

    // The whole sale prints, not only the rows fetched so far.
    cartModel->FetchAll();
    ReportEngine engine(this);
    engine.recordCounts.append(cartModel->rowCount());
    if (!engine.LoadTemplate(templatePath))
        qCDebug(lcPos) << "Report's file not found";

    connect(&engine, &ReportEngine::setValue, this, &CPOS::setValue);
    connect(&engine, &ReportEngine::setValueImage, this, &CPOS::setValueImage);

    if (!file_name.isEmpty())
        return engine.PrintToPDFFile(file_name, false, false);
    if (preview)
        engine.PrintToPDFFile(QString(), true, secondary_print);
    else if (secondary_print)
        engine.PrintToSecondaryPrinter();
    else
        engine.PrintToPrinter(false);
    return true;
}

QString CPOS::PrintedQuantity(const QSqlRecord& line) const
{
    // A unit of 0 sub-items cannot be stored through the product dialog; rows from elsewhere print as whole units.
    double perUnit = line.value(QStringLiteral("ITEMS_PER_UNIT")).toString().toDouble();
    if (perUnit == 0)
        perUnit = 1;
    const double quantity = line.value(QStringLiteral("QUANTITY")).toString().toDouble()
                            + line.value(QStringLiteral("SUB_ITEMS")).toString().toDouble() / perUnit;
    QString text = locale->toString(quantity, 'g', 6);
    if (line.value(QStringLiteral("PRINT_UNIT_NAME")).toInt() == 1)
        text += QLatin1Char(' ') + line.value(QStringLiteral("UNIT_NAME")).toString();
    return text;
}

void CPOS::setValue(int& recNo, QString& paramName, QVariant& paramValue, int reportPage)
{
    Q_UNUSED(reportPage)
    const QString& name = paramName;
    const auto money = [this](const QString& text) { return currencySymbol + QLatin1Char(' ') + text; };
    const auto fixed = [this](double value, int places) { return locale->toString(value, 'f', places); };

    // Header and document fields.
    if (name == QLatin1String("receipt_title"))
        paramValue = receiptTitle;
    else if (name == QLatin1String("invoice_title"))
        paramValue = invoiceTitle;
    else if (name == QLatin1String("company_name"))
        paramValue = printCompanyInfoLarge ? companyName : QString();
    else if (name == QLatin1String("company_address"))
        paramValue = printCompanyInfoLarge ? companyAddress : QString();
    else if (name == QLatin1String("company_contact"))
        paramValue = printCompanyInfoLarge ? companyPhone : QString();
    else if (name == QLatin1String("report_message"))
        paramValue = QString();
    else if (name == QLatin1String("receipt") || name == QLatin1String("invoice_number"))
        paramValue = transactionId;
    else if (name == QLatin1String("date"))
        paramValue = invoiceMode ? ui->dateSentDate->text() : ui->dateTimeReceiptTimeStamp->text();
    else if (name == QLatin1String("due_date"))
        paramValue = ui->dateDueDate->date().toString(AppSettings::Instance()->DateFormat());
    else if (name == QLatin1String("customer_name"))
        paramValue = selectedCustomer.name;
    else if (name == QLatin1String("customer_address"))
        paramValue = selectedCustomer.address;
    else if (name == QLatin1String("customer_contact"))
        paramValue = selectedCustomer.contact;
    else if (name == QLatin1String("customer_title")) {
        if (!selectedCustomer.id.isEmpty())
            paramValue = tr("Customer:");
    } else if (name == QLatin1String("ship_name"))
        paramValue = ui->lineShipName->text();
    else if (name == QLatin1String("ship_address"))
        paramValue = ui->textShipAddress->toPlainText();
    else if (name == QLatin1String("ship_contact"))
        paramValue = ui->lineShipContact->text();
    else if (name == QLatin1String("ship_via"))
        paramValue = ui->lineShipVia->text();
    else if (name == QLatin1String("notes"))
        paramValue = invoiceMode ? ui->textNotes->toPlainText() : ui->textReceiptNotes->toPlainText();
    else if (name == QLatin1String("payment_type"))
        paramValue = ui->comboPaymentType->currentText();
    else if (name == QLatin1String("promo"))
        paramValue = promoText;

    // Line fields.
    else if (name == QLatin1String("SN") || name == QLatin1String("Product") || name == QLatin1String("Items")
             || name == QLatin1String("SubItems") || name == QLatin1String("Price/Item")
             || name == QLatin1String("Discount") || name == QLatin1String("Total")
             || name == QLatin1String("line_tax")) {
        const QSqlRecord line = cartModel->record(recNo);
        if (name == QLatin1String("SN"))
            paramValue = line.value(QStringLiteral("ITEM_INDEX")).toString();
        else if (name == QLatin1String("Product"))
            paramValue = line.value(QStringLiteral("PRODUCT_NAME")).toString();
        else if (name == QLatin1String("Items"))
            paramValue = PrintedQuantity(line);
        else if (name == QLatin1String("SubItems"))
            paramValue = locale->toString(line.value(QStringLiteral("SUB_ITEMS")).toString().toInt());
        else if (name == QLatin1String("Price/Item"))
            paramValue = fixed(line.value(QStringLiteral("SALE_PRICE")).toDouble(), decimalPlaces);
        else if (name == QLatin1String("Discount"))
            paramValue = fixed(line.value(QStringLiteral("DISCOUNT")).toDouble(), decimalPlaces);
        else if (name == QLatin1String("Total"))
            paramValue = fixed(line.value(QStringLiteral("SUB_TOTAL")).toDouble(), decimalPlaces);
        else
            paramValue = fixed(line.value(QStringLiteral("SUB_TAX")).toDouble(), decimalPlaces);
    }

    // Totals, as the totals boxes show them.
    else if (name == QLatin1String("tax"))
        paramValue = money(ui->lineEditTax->text());
    else if (name == QLatin1String("sub_total"))
        paramValue = money(fixed(locale->toDouble(ui->lineEditTotal->text()) - locale->toDouble(ui->lineEditTax->text()),
                                 finalAmountPrecision));
    else if (name == QLatin1String("grand_total"))
        paramValue = money(ui->lineEditTotal->text());
    else if (name == QLatin1String("paid"))
        paramValue = money(ui->lineEditPaid->text());
    else if (name == QLatin1String("change"))
        paramValue = money(ui->lineEditChange->text());
    else if (name == QLatin1String("Tax_Name"))
        paramValue = salesTaxName;
    else if (name == QLatin1String("total_discount")) {
        if (totalDiscount > 0)
            paramValue = tr("YOUR TOTAL SAVINGS: %1 %2").arg(currencySymbol, fixed(totalDiscount, decimalPlaces));
    }

    // Captions.
    else if (name == QLatin1String("Sent_D_H"))
        paramValue = tr("Sent Date");
    else if (name == QLatin1String("Customer"))
        paramValue = tr("Customer");
    else if (name == QLatin1String("Ship_To"))
        paramValue = tr("Ship To");
    else if (name == QLatin1String("_Due_D_"))
        paramValue = tr("Due Date");
    else if (name == QLatin1String("Ship_Via_H"))
        paramValue = tr("Ship Via");
    else if (name == QLatin1String("_Invoice_Number_"))
        paramValue = tr("Invoice Number");
    else if (name == QLatin1String("_SN_"))
        paramValue = tr("SN");
    else if (name == QLatin1String("_Product_"))
        paramValue = tr("Product");
    else if (name == QLatin1String("_Quantity_"))
        paramValue = tr("Quantity");
    else if (name == QLatin1String("_Unit_Price"))
        paramValue = tr("Unit Price");
    else if (name == QLatin1String("_Discount_"))
        paramValue = tr("Discount");
    else if (name == QLatin1String("_Line_Total_"))
        paramValue = tr("Line Total");
    else if (name == QLatin1String("_Line_Tax_"))
        paramValue = tr("Line ") + salesTaxName;
    else if (name == QLatin1String("_Sub_Total_"))
        paramValue = tr("Sub Total");
    else if (name == QLatin1String("_Total_"))
        paramValue = tr("Total");
    else if (name == QLatin1String("_Paid_"))
        paramValue = tr("Paid");
    else if (name == QLatin1String("_Amount_Due_"))
        paramValue = tr("Amount Due");
    else if (name == QLatin1String("_Payment_Method"))
        paramValue = tr("Payment Method");
    else if (name == QLatin1String("_Notes_"))
        paramValue = tr("Notes");
    else if (name == QLatin1String("_D_and_T_"))
        paramValue = tr("Date and Time");
    else if (name == QLatin1String("_Receipt_Number_"))
        paramValue = tr("Receipt Number");
    else if (name == QLatin1String("Thank_You"))
        paramValue = tr("Notes: \n") + ui->textReceiptNotes->toPlainText();
}

void CPOS::setValueImage(int& recNo, QString& paramName, QImage& paramValue, int reportPage)
{
    Q_UNUSED(recNo)
    Q_UNUSED(reportPage)
    if (paramName != QLatin1String("image") || !printCompanyLogoLarge)
        return;
    const int width = static_cast<int>(60.0f / (10.0f / static_cast<float>(logoSizeLarge)));
    // A logo file that is missing or unreadable loads as a null image: print no logo then.
    if (companyLogo.isNull() || companyLogo.width() <= 0 || width <= 0)
        return;
    const int height = static_cast<int>(static_cast<qint64>(companyLogo.height()) * width / companyLogo.width());
    if (height <= 0)
        return;
    paramValue = companyLogo.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QString CPOS::PdfOutputFile(bool secondary)
{
    const QString folder = DataFolder();
    QDir().mkpath(folder);
    const QString path =
        folder + (secondary ? QStringLiteral("/pdf_print_secondary.pdf") : QStringLiteral("/pdf_print.pdf"));
    if (QFileInfo::exists(path) && !RemoveOldFile(path))
        QMessageBox::warning(AppSettings::Instance()->mainWindow, tr("PDF Print"),
                             tr("File %1 is already opened, or locked. Please close this PDF file and print again.")
                                 .arg(QFileInfo(path).absoluteFilePath()));
    return path;
}

void CPOS::on_pushEmailInvoiceToCustomer_clicked()
{
    EmailDocument(true);
}

void CPOS::on_pushEmailReceiptToCustomer_clicked()
{
    EmailDocument(false);
}

void CPOS::EmailDocument(bool invoice)
{
    if (!SaleLinesKnown())
        return;
    ErrorDialog notice(
        QStringLiteral("err_msg_46"), tr("Email"),
        tr("<p><b>Email to Customer: </b> System will now generate a PDF document with unique name. It will also open "
           "default Email client on your machine  with a ready to send message and attach this PDF document with this "
           "email as well. This feature works with Microsoft Outlook and many other email clients. </p><p><b>Location "
           "of Generated PDFs: </b> PDF documents will be generated in following directory by default.<br><b>%1</b></p>")
            .arg(DataFolder()),
        AppSettings::Instance()->mainWindow, false, true);
    notice.exec();

    if (selectedCustomer.id.isEmpty()) {
        ShowStatus(tr("No customer selected."), true);
        return;
    }
    if (transactionId.isEmpty()) {
        ShowStatus(invoice ? tr("Please start new invoice first.") : tr("Please start new receipt first."), true);
        return;
    }

    Progress busy(this, tr("Generating PDF file..."));
    busy.show();
    ProcessEventPasses(2);

    const QString seconds = QString::number(QDateTime::currentSecsSinceEpoch());
    const QString fileName =
        (invoice ? QStringLiteral("Invoice_%1_%2.pdf") : QStringLiteral("Receipt_%1_%2.pdf")).arg(transactionId, seconds);
    // A PDF not written has been told; a draft would name a file that is not there.
    if (!printReport(false, fileName, false, false))
        return;

    const QString attachment = DataFolder() + QLatin1Char('/') + fileName;
    const QString subject = (invoice ? QStringLiteral("Invoice No. %1") : QStringLiteral("Receipt No. %1")).arg(transactionId);
    const QString body = (invoice ? QStringLiteral("Please find attached the invoice.\r\nATTACHED FILE PATH: %1")
                                  : QStringLiteral("Please find attached the receipt.\r\nATTACHED FILE PATH: %1"))
                             .arg(attachment);

    ProcessEventPasses(1);
    if (QLabel* label = busy.findChild<QLabel*>())
        label->setText(tr("Launching email client..."));
    ProcessEventPasses(2);

    const bool opened = ComposeEmail(selectedCustomer.email, QString(), subject, body, attachment);
    if (invoice)
        busy.close();
    else
        busy.hide();

    // Otherwise the cashier waits for a mail window that never comes.
    if (!opened)
        ShowStatus(tr("The e-mail draft could not be written or opened. The PDF is in %1.").arg(attachment), true);
}
