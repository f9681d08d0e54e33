// The roll-paper receipt, drawn line by line when SMALL_RECEIPT is 1: a page as wide as the paper and
// as long as the sale, optionally upside down for printers whose paper comes out reversed.
#include "cpos.h"
#include "ui_cpos.h"

#include "appsettings.h"
#include "errordialog.h"
#include "partialpdf.h"
#include "pos.h"
#include "salesmodel.h"
#include "writtenpdf.h"

#include <QFontMetrics>
#include <QLocale>
#include <QMessageBox>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <QSettings>
#include <QSqlRecord>
#include <QStandardPaths>

namespace {

QStringList PromotionLines(const QString& promo)
{
    return promo.split(QRegularExpression(QStringLiteral("[\r\n]")), Qt::SkipEmptyParts);
}

} // namespace

bool CPOS::SetupReceiptPrinter(QPrinter* printer, bool preview, bool secondary)
{
    if (receiptPrintToPdf && !preview && !secondary) {
        ErrorDialog notice(
            QStringLiteral("err_msg_1"), tr("Print to PDF"),
            tr("Please change Point of Sale printer settings from Settings dialog. You can change to desktop printer or "
               "receipt printer. Currently it is configured to print to PDF file. Please make sure Adobe Reader is "
               "installed, which is required to view the PDF receipt. You can open Settings dialog by clicking on More "
               "button or F1 then on Settings button."),
            this, false, false);
        notice.exec();
    }
    if (secondaryPrintToPdf && !preview && secondary) {
        ErrorDialog notice(
            QStringLiteral("err_msg_47"), tr("Secondary Print to PDF"),
            tr("Secondary printer is used for printing simultaneously to another printer. Whenever you print a receipt, "
               "depending upon the printer settings, a second print will be sent to secondary printer. This feature is "
               "useful in restaurants when you need to print simultaneously to kitchen printer. Please change Secondary "
               "POS printer settings from Settings dialog. You can change to desktop printer or receipt printer. "
               "Currently it is configured to print to PDF file. Please make sure Adobe Reader is installed, which is "
               "required to view the PDF receipt. You can open Settings dialog by clicking on More button or F1 then on "
               "Settings button."),
            this, false, false);
        notice.exec();
    }

    QSettings* store = AppSettings::Instance()->settings;
    if (secondary) {
        if (secondaryPrintToPdf || preview) {
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(PdfOutputFile(true));
        } else {
            printer->setPrinterName(store->value(QStringLiteral("secondaryPrinter"), QString()).toString());
        }
    } else {
        if (receiptPrintToPdf || preview) {
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(PdfOutputFile(false));
        } else {
            printer->setPrinterName(receiptPrinter);
        }
    }

    // marginTop is applied at the top, marginBottom at the bottom, as the small receipt settings page names them;
    // the paper length adds the bottom margin so that the rows keep their 5 mm each.
    const int rows = cartModel->rowCount();
    const int promoLines = PromotionLines(promoText).size();
    const int paperWidth = store->value(QStringLiteral("paperWidth"), 76).toInt();
    const double length = 5.0 * (rows + promoLines + 21) + marginBottom;
    printer->setPageSize(QPageSize(QSizeF(paperWidth, length), QPageSize::Millimeter, QString(), QPageSize::ExactMatch));
    printer->setPageOrientation(QPageLayout::Portrait);
    printer->setPageMargins(QMarginsF(marginLeft, marginTop, marginRight, marginBottom), QPageLayout::Millimeter);

    printUpsideDown = store->value(QStringLiteral("printDirection"), false).toBool();

    ErrorDialog notice(
        QStringLiteral("err_msg_43"), tr("Print Direction"),
        tr("<p><b>Receipt Settings:</b> You can change the receipt settings from Settings dialog. Default settings are "
           "for 3 inch or 76.2 mm size paper. You might have to change your thermal printing settings as well. Please "
           "make sure you select document printing mode on your thermal printer, and not as page by page printing. "
           "Vorantel prints receipt as a document. Settings dialog can be opened by clicking on More button and then on "
           "Settings option. </p><p><b>Logo Printing on Receipt:</b> You can also set whether to print logo on small "
           "receipt from the settings dialog. You can also set the size of this logo on receipt.</p><p><b>Receipt "
           "Printing Direction:</b> You can change the direction of printing from Settings dialog under Small Receipt "
           "settings from Settings dialog. You can choose <b>Upside Down</b> or <b>Upside Up</b>. Your selection will "
           "effect the printing via receipt printer and the way it comes out of the printer.</p>"),
        this, false, true);
    notice.exec();
    return true;
}

void CPOS::PrintReceiptDirect(bool preview, bool secondary)
{
    QPrinter printer(QPrinter::ScreenResolution);
    if (!SetupReceiptPrinter(&printer, preview, secondary))
        return;

    cartModel->FetchAll();
    // Painted under a partial name: a receipt cut short (a full disk) is never opened as written.
    PartialPdf pdf(&printer);
    QPainter painter;
    if (!painter.begin(&printer)) {
        // A printer named in the settings that is not there, or a PDF that cannot be written: nothing came out.
        if (pdf.WritesFile()) {
            pdf.BeginFailed();
            PartialPdf::TellNotWritten(pdf.Failure(), this);
        } else {
            QMessageBox::warning(this, tr("Printer"),
                                 tr("The printer '%1' can not be started, so nothing was printed. Please check that it "
                                    "is connected and switched on, or choose another printer in the Settings dialog.")
                                     .arg(secondary ? AppSettings::Instance()
                                                          ->settings->value(QStringLiteral("secondaryPrinter"))
                                                          .toString()
                                                    : receiptPrinter));
        }
        return;
    }

    const QFont receiptFont(QStringLiteral("Arial"), 7, QFont::Normal, false);
    painter.setFont(receiptFont);
    const int h = painter.fontMetrics().height();
    QFont fixedFont(receiptFont);
    fixedFont.setFixedPitch(true);
    const QFontMetrics fixedMetrics(fixedFont, &printer);

    const QRect page = printer.pageRect(QPrinter::DevicePixel).toRect();
    const int W = page.width();
    const int pageHeight = page.height();
    if (printUpsideDown) {
        painter.translate(W, pageHeight);
        painter.rotate(180);
    }

    int y = 0;
    const auto pageCheck = [&] {
        if (y + h > pageHeight) {
            printer.newPage();
            y = 0;
        }
    };
    const auto lineStep = [&] {
        y += h + 5;
        pageCheck();
    };
    const auto rule = [&] {
        painter.drawLine(0, y, W, y);
        y += 5;
    };

    // Logo at the top right, company block at the top left; a missing logo leaves the full width to the block.
    const QString company = companyName + QLatin1Char('\n') + companyAddress + QLatin1Char('\n') + companyPhone;
    const int logoWidth = logoSize > 0 ? static_cast<int>(static_cast<float>(W) / ((10.0f / logoSize) * 3)) : 0;
    const bool logoDrawn = printLogo && !companyLogo.isNull() && companyLogo.width() > 0 && logoWidth > 0;
    if (logoDrawn) {
        const int logoHeight = static_cast<int>(static_cast<qint64>(companyLogo.height()) * logoWidth / companyLogo.width());
        const QImage logo = companyLogo.scaled(logoWidth, logoHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        painter.drawImage(W - logo.width() - 1, 0, logo);
        const QRect measured =
            painter.boundingRect(QRect(0, 0, W - logo.width(), logo.height()), Qt::AlignCenter, company);
        painter.drawText(QRect(0, 0, measured.width(), measured.height()), Qt::AlignCenter, company);
        y = qMax(measured.height(), logo.height()) + 9;
    } else {
        painter.drawText(QRect(0, 0, W, 5 * h), Qt::AlignCenter, company);
        y = 5 * h + 9;
    }
    rule();

    const QString stamp = invoiceMode ? ui->dateTimeInvoiceTimeStamp->text() : ui->dateTimeReceiptTimeStamp->text();
    for (const QString& text : {tr("Date : %1").arg(stamp), tr("Receipt Nr. : %1").arg(transactionId),
                                tr("Customer : %1").arg(selectedCustomer.name),
                                tr("Served By : %1").arg(AppSettings::Instance()->CurrentUser())}) {
        painter.drawText(QRect(0, y, W, h), Qt::AlignLeft | Qt::AlignTop, text);
        y += h + 5;
    }
    rule();

    painter.drawText(QRect(0, y, W, h), Qt::AlignLeft | Qt::AlignTop, tr("Qty"));
    painter.drawText(QRect(30, y, W, h), Qt::AlignLeft | Qt::AlignTop, tr("Product"));
    painter.drawText(QRect(W - 88, y, 58, h), Qt::AlignLeft | Qt::AlignTop, tr("Unit Price"));
    painter.drawText(QRect(0, y, W, h), Qt::AlignRight | Qt::AlignTop, tr("Total"));
    y += h + 5;

    const QMarginsF margins = printer.pageLayout().margins(QPageLayout::Millimeter);
    const int rows = cartModel->rowCount();
    for (int row = 0; row < rows; ++row) {
        const QSqlRecord line = cartModel->record(row);
        painter.drawText(QRect(0, y, W, h), Qt::AlignLeft | Qt::AlignTop, PrintedQuantity(line));

        const double unitPrice = line.value(QStringLiteral("SALE_PRICE")).toDouble()
                                 * (line.value(QStringLiteral("TAX_RATE")).toDouble() / 100 + 1);
        const QString unitText = locale->toString(unitPrice, 'f', finalAmountPrecision);
        const double lineTotal =
            line.value(QStringLiteral("SUB_TOTAL")).toDouble() + line.value(QStringLiteral("SUB_TAX")).toDouble();
        const QString totalText = locale->toString(lineTotal, 'f', finalAmountPrecision);
        const int unitWidth = fixedMetrics.horizontalAdvance(unitText);
        const int totalWidth = fixedMetrics.horizontalAdvance(totalText);

        const int nameSpace =
            static_cast<int>((W - totalWidth - unitWidth - 30) - margins.left() - margins.right() - 30);
        const QString name = painter.fontMetrics().elidedText(line.value(QStringLiteral("PRODUCT_NAME")).toString(),
                                                              Qt::ElideRight, qMax(0, nameSpace));
        painter.drawText(QRect(30, y, 2 * W - 178, h), Qt::AlignLeft | Qt::AlignTop, name);
        painter.drawText(QRect(W - 88, y, 83 - unitWidth, h), Qt::AlignLeft | Qt::AlignTop, unitText);
        painter.setFont(fixedFont);
        painter.drawText(QRect(0, y, W, h), Qt::AlignRight | Qt::AlignTop, totalText);
        painter.setFont(receiptFont);
        lineStep();
    }
    rule();
    pageCheck();

    const auto money = [this](const QString& text) { return currencySymbol + QLatin1Char(' ') + text; };
    const auto rightLine = [&](const QString& text) {
        painter.drawText(QRect(0, y, W, h), Qt::AlignRight | Qt::AlignTop, text);
        lineStep();
    };
    if (taxEnabled) {
        const double total = locale->toDouble(ui->lineEditTotal->text());
        const double tax = locale->toDouble(ui->lineEditTax->text());
        rightLine(tr("Sub Total: %1").arg(money(locale->toString(total - tax, 'f', finalAmountPrecision))));
        rightLine(tr("Total %1: %2").arg(salesTaxName, money(ui->lineEditTax->text())));
    }
    rightLine(tr("Grand Total: %1").arg(money(ui->lineEditTotal->text())));
    rightLine(tr("Paid: %1").arg(money(ui->lineEditPaid->text())));
    rightLine(tr("Amount Due: %1").arg(money(ui->lineEditChange->text())));
    if (totalDiscount > 0)
        rightLine(tr("Total Discount: %1").arg(money(locale->toString(totalDiscount, 'f', decimalPlaces))));
    painter.drawText(QRect(0, y, W, h), Qt::AlignRight | Qt::AlignTop,
                     tr("Payment Method: %1").arg(ui->comboPaymentType->currentText()));
    y += h + 15;
    pageCheck();

    const QString notes = invoiceMode ? ui->textNotes->toPlainText() : ui->textReceiptNotes->toPlainText();
    painter.drawText(QRect(0, y, W, h), Qt::AlignCenter, tr("%1").arg(notes));
    y += h + 15;
    pageCheck();

    for (const QString& promo : PromotionLines(promoText)) {
        painter.drawText(QRect(0, y, W, h), Qt::AlignCenter, tr("%1").arg(promo));
        lineStep();
    }
    if (!painter.end() || !pdf.Complete()) {
        if (pdf.WritesFile())
            PartialPdf::TellNotWritten(pdf.Failure(), this);
        return;
    }
    if (pdf.WritesFile())
        OpenWrittenPdf(printer.outputFileName(), this);
}
