// The viewer's own output: an HTML document of the report as shown, printed or saved as
// "report.pdf" on the document printing thread, and the table's CSV export.
#include "reportviewer.h"

#include "appsettings.h"
#include "constants.h"
#include "errordialog.h"
#include "progress.h"
#include "reportprinter.h"
#include "sqlfilter.h"
#include "writtenpdf.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QPrinter>
#include <QSettings>
#include <QSqlQueryModel>
#include <QTextStream>
#include <QWindow>

namespace {

constexpr QEventLoop::ProcessEventsFlags busyFlags = QEventLoop::ExcludeUserInputEvents;

void ProcessEvents(int passes)
{
    for (int i = 0; i < passes; ++i)
        QCoreApplication::processEvents(busyFlags);
}

// The viewer runs modally over the main window, and a window manager keeps a box that is transient for the
// main window alone beneath the viewer: the box stays the main window's child, but above the viewer's window.
void ShowAbove(Progress& busy, const QWidget* viewer)
{
    if (QWindow* above = viewer->window()->windowHandle()) {
        busy.winId();
        busy.windowHandle()->setTransientParent(above);
    }
    busy.show();
}

} // namespace

void ReportViewer::ShowBusy(Progress& busy)
{
    busy.show();
    ProcessEvents(5);
}

void ReportViewer::ExecInPlaceOf(Progress& busy)
{
    setModal(true);
    ProcessEvents(5);
    busy.hide();
    exec();
}

void ReportViewer::WriteHtmlReport(QTextStream& out)
{
    QSettings* store = AppSettings::Instance()->settings;
    // Every text below is data, not markup: "A<B" and "R&D" print as typed.
    const QString currency = store->value(CURRENCY_SYMBOL, QStringLiteral("$")).toString().toHtmlEscaped();
    const QString companyName = store->value(REPORT_COMPANY_NAME).toString().toHtmlEscaped();
    const QString address = store->value(REPORT_COMPANY_ADDRESS)
                                .toString()
                                .toHtmlEscaped()
                                .replace(QLatin1String("\n"), QLatin1String("<br>"));
    const QString phone = store->value(REPORT_PHONE_NUMBER).toString().toHtmlEscaped();
    const QString title = reportTitle.toHtmlEscaped();
    auto field = [](const QLineEdit* edit) { return edit->text().toHtmlEscaped(); };

    Progress busy(AppSettings::Instance()->mainWindow);
    ShowAbove(busy, this);
    QLabel* busyText = busy.findChild<QLabel*>();

    SqlFilter::FetchAll(model);
    QAbstractItemModel* shown = ui.tableViewItems->model();
    const int columns = shown->columnCount();
    QVector<int> printed;
    for (int c = 0; c < columns; ++c) {
        if (!ui.tableViewItems->isColumnHidden(c))
            printed << c;
    }

    out << "<html>\n<head>\n<meta Content=\"Text/html; charset=Windows-1251\">\n";
    out << QStringLiteral("<title>%1</title>\n").arg(title);
    out << "</head>\n<body bgcolor=#ffffff link=#5000A0>\n";
    if (printCompanyLogo && logoWidth > 0 && logoHeight > 0)
        out << QStringLiteral("<img src=\"%1\" alt=\"Logo\" align=\"left\" width=\"%2\" height=\"%3\">")
                   .arg(companyLogoPath.toHtmlEscaped())
                   .arg(logoWidth)
                   .arg(logoHeight);
    out << QStringLiteral("<H1 align=\"right\">%1</H1>").arg(title) << "<br><br>";
    if (printCompanyInfo) {
        for (const QString& line : {companyName, address, phone})
            out << QStringLiteral("<div align=\"left\"><H3>%1</H3></div>").arg(line);
    }
    out << QStringLiteral("<div align=\"right\">%1</div><br>").arg(ui.labelDate->text().toHtmlEscaped());
    if (categoryMode) {
        out << QStringLiteral("<div align=\"left\">STOCK COUNT : %1</div><br>").arg(field(ui.lineStockCount));
        out << QStringLiteral("<div align=\"left\">STOCK VALUE : %1</div><br>").arg(field(ui.lineTotalPurchaseValue));
        out << QStringLiteral("<div align=\"left\">CATEGORY : %1</div><br>")
                   .arg(ui.comboBoxVendors->currentText().toHtmlEscaped());
    }
    if (expenseMode) {
        out << "<div align=\"left\">" << "<br><br>" << tr("Total Expenses : ").toHtmlEscaped() << currency
            << field(ui.lineTotalExpensesSummary) << "<br><br>" << "</div>";
    }
    if (showSalesSummary) {
        const QString format = AppSettings::Instance()->DateFormat();
        out << QStringLiteral("<div align=\"left\">START DATE : %1</div><br>").arg(startDate.toString(format));
        out << QStringLiteral("<div align=\"left\">END DATE : %1</div>").arg(endDate.toString(format));
        const QList<QPair<QString, QString>> lines = {
            {tr("Total Sales : "), currency + field(ui.lineTotalSales)},
            {tr("Total Purchase Cost (for sold items) : "), currency + field(ui.linePurchaseCost)},
            {tr("Net Sales (for sold items) : "), currency + field(ui.lineProfit)},
            {tr("[Net Sales = Sales - Purchase Cost for Sold Items] "), QString()},
            {tr("Total Discount : "), currency + field(ui.lineDiscount)},
            {tr("Total Items Sold : "), field(ui.lineItemsSold)},
            {tr("Total Items Returned : "), field(ui.lineItemsReturned)},
            {tr("Total Expenses : "), currency + field(ui.lineEditExpenses)},
            {tr("Total %1 : ").arg(salesTaxName), currency + field(ui.lineEditSalesTax)},
        };
        for (const auto& line : lines)
            out << "<br><br>" << line.first.toHtmlEscaped() << line.second;
        out << "<br><br>";
        QString group;
        if (ui.radioDate->isChecked())
            group = tr("RESULTS GROUPED BY DATE");
        else if (ui.radioCustomer->isChecked())
            group = tr("RESULTS GROUPED BY CUSTOMER");
        else if (ui.radioProduct->isChecked())
            group = tr("RESULTS GROUPED BY PRODUCT");
        else if (ui.radioUser->isChecked())
            group = tr("RESULTS GROUPED BY USER");
        else if (ui.radioSalesCategory->isChecked())
            group = tr("RESULTS GROUPED BY CATEGORY");
        if (!group.isEmpty())
            out << "<h3>" << group.toHtmlEscaped() << "</h3>";
        out << "<br>";
    }

    out << "<table width=100% border=1 cellspacing=0 cellpadding=3>\n";
    out << "<thead><tr bgcolor=#ffff7f>";
    for (int c : qAsConst(printed))
        out << QStringLiteral("<th>%1</th>").arg(model->headerData(c, Qt::Horizontal).toString().toHtmlEscaped());
    out << "</tr></thead>\n";
    // In the order on screen, formatted as the model shows them.
    ReportPrinter::WriteTableRows(out, shown, printed, busyText, tr("Processing line %1 of %2 for printing..."));
    out << "</table>\n</body>\n</html>\n";
    ProcessEvents(5);
    busy.hide();
}

void ReportViewer::on_buttonPrint_clicked()
{
    PrintReport(false);
}

void ReportViewer::on_pushPrintToPDF_clicked()
{
    PrintReport(true);
}

void ReportViewer::PrintReport(bool toPdf)
{
    QSettings* store = AppSettings::Instance()->settings;
    const QString pdfPath = ReportPrinter::PdfPath();
    bool written = false;
    {
        QPrinter printer(QPrinter::ScreenResolution);
        bool pdfReady = false;
        if (toPdf || store->value(QStringLiteral("ReportPrintToPDF"), true).toBool()) {
            if (!toPdf) {
                ErrorDialog notice(QStringLiteral("err_msg_2"), tr("Print to PDF"),
                                   tr("Please change Report Printer settings from Settings dialog. Currently it is "
                                      "configured to print to PDF file."),
                                   AppSettings::Instance()->mainWindow, false, false);
                notice.exec();
            }
            pdfReady = ClearOldPdf(pdfPath);
            printer.setOutputFileName(pdfPath);
        } else {
            printer.setPrinterName(store->value(QStringLiteral("reportPrinter")).toString());
        }

        QString html;
        {
            QTextStream stream(&html, QIODevice::WriteOnly);
            WriteHtmlReport(stream);
        }

        Progress busy(AppSettings::Instance()->mainWindow, toPdf ? tr("Generating PDF document, please wait...")
                                                                 : tr("Printing document, please wait..."));
        ShowAbove(busy, this);
        ProcessEvents(1);
        const bool printed = ReportPrinter::PrintHtmlOnThread(&html, &printer, toPdf);
        ProcessEvents(5);
        busy.hide();
        // A locked old file was not replaced: showing it would pass it off as this report. Without a
        // printer the print library may fall back to PDF with no file; then nothing was written here.
        written = printed && pdfReady && printer.outputFormat() == QPrinter::PdfFormat && printer.outputFileName() == pdfPath;
    }
    // Opened once the printer has let go of the file.
    if (written)
        OpenWrittenPdf(pdfPath, AppSettings::Instance()->mainWindow);
}

void ReportViewer::on_pushExport_clicked()
{
    AppSettings::Instance()->ExportTableToCsv(reportTitle, ui.tableViewItems, this);
}
