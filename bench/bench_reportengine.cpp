// Renders an invoice with many records to PDF and prints wall time and peak memory, then prints a
// 60-line sales receipt to PDF several times (a receipt is printed at every sale: it must stay quick).
// Usage: bench_reportengine [records [template [file name in the data folder]]]
// Defaults: 1000 records of ":/xml/reports/sales_invoice.xml" into "bench_invoice.pdf"; the receipt
// run goes into "bench_receipt.pdf".

#include "reportengine.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QPainter>
#include <QStandardPaths>
#include <QTextStream>

#include <algorithm>

#include <sys/resource.h>

namespace {

const QHash<QString, QString>& Texts()
{
    static const QHash<QString, QString> texts = {
        {"receipt_title", "RECEIPT"},
        {"invoice_title", "INVOICE"},
        {"po_title", "PURCHASE ORDER"},
        {"company_name", "Harbour Street Hardware"},
        {"company_address", "12 Harbour Street, Port Ellis 4021"},
        {"company_contact", "Phone 555-0142  sales@harbour.example"},
        {"customer_title", "Customer"},
        {"customer_name", "Maria O'Donnell"},
        {"customer_address", "8 Quarry Lane, Ridgeway 4410"},
        {"customer_contact", "555-0199"},
        {"vendor_name", "Northline Supplies Ltd."},
        {"vendor_address", "Unit 4, 220 Mill Road, Castleford 3390"},
        {"vendor_contact", "555-0777  orders@northline.example"},
        {"ship_name", "Harbour Street Hardware (warehouse)"},
        {"ship_address", "3 Dock Road, Port Ellis 4022"},
        {"ship_contact", "555-0143"},
        {"report_message", "Thank you for your business!"},
        {"Sent_D_H", "Date"},
        {"date", "2024-05-17 14:32"},
        {"Customer", "Bill To"},
        {"Vendor", "Vendor"},
        {"Ship_To", "Ship To"},
        {"_D_and_T_", "Date & Time"},
        {"_Receipt_Number_", "Receipt No."},
        {"receipt", "100245"},
        {"_Due_D_", "Due Date"},
        {"due_date", "2024-06-16"},
        {"Delivery_D_H", "Delivery Date"},
        {"deliver_date", "2024-05-24"},
        {"Ship_Via_H", "Ship Via"},
        {"ship_via", "Courier"},
        {"_Invoice_Number_", "Invoice No."},
        {"invoice_number", "INV-2024-0871"},
        {"PO_Number", "PO Number"},
        {"porder", "PO-000318"},
        {"_SN_", "SN"},
        {"_Product_", "Product"},
        {"_Quantity_", "Quantity"},
        {"_Unit_Price", "Unit Price"},
        {"_Discount_", "Discount"},
        {"_Line_Total_", "Line Total"},
        {"_Line_Tax_", "Line Tax"},
        {"Qunatity", "Quantity"},
        {"Product_Code", "Product Code"},
        {"Name_H", "Name"},
        {"Unit_Price_H", "Unit Price"},
        {"Line_Total", "Line Total"},
        {"_Sub_Total_", "Sub Total"},
        {"Sub_Total_H", "Sub Total"},
        {"sub_total", "$1,234.50"},
        {"Tax_Name", "Sales Tax (8%)"},
        {"tax", "$98.76"},
        {"_Total_", "Total"},
        {"Total_H", "Total"},
        {"grand_total", "$1,333.26"},
        {"total", "$1,333.26"},
        {"_Paid_", "Paid"},
        {"paid", "$1,400.00"},
        {"_Amount_Due_", "Change"},
        {"change", "$66.74"},
        {"_Payment_Method", "Payment Method"},
        {"payment_type", "Cash"},
        {"total_discount", "Total discount: $12.00"},
        {"_Notes_", "Notes"},
        {"Notes_H", "Notes"},
        {"notes", "Deliver to the back door after 10 am."},
        {"promo", "Bring this receipt back in May for 10% off paint."},
    };
    return texts;
}

class Values : public QObject
{
public:
    void Answer(int& recNo, QString& name, QVariant& value, int)
    {
        const int n = recNo + 1;
        if (name == QLatin1String("SN"))
            value = n;
        else if (name == QLatin1String("Product") || name == QLatin1String("Name"))
            value = QStringLiteral("Galvanised wood screws 4 x 40 mm, box %1").arg(n);
        else if (name == QLatin1String("Items") || name == QLatin1String("Qty"))
            value = 1 + n % 7;
        else if (name == QLatin1String("Code"))
            value = QStringLiteral("HW-%1").arg(n, 5, 10, QLatin1Char('0'));
        else if (name == QLatin1String("Price/Item") || name == QLatin1String("UnitPrice"))
            value = QStringLiteral("$%1").arg(3.5 + n % 11, 0, 'f', 2);
        else if (name == QLatin1String("Discount"))
            value = QStringLiteral("$0.00");
        else if (name == QLatin1String("Total") || name == QLatin1String("LineTotal"))
            value = QStringLiteral("$%1").arg((3.5 + n % 11) * (1 + n % 7), 0, 'f', 2);
        else if (name == QLatin1String("line_tax"))
            value = QStringLiteral("$%1").arg((3.5 + n % 11) * (1 + n % 7) * 0.08, 0, 'f', 2);
        else
            value = Texts().value(name);
    }

    void Image(int&, QString&, QImage& image, int)
    {
        image = QImage(240, 80, QImage::Format_ARGB32);
        image.fill(QColor(30, 80, 150));
        QPainter p(&image);
        p.setPen(Qt::white);
        p.setFont(QFont(QStringLiteral("Liberation Sans"), 28, QFont::Bold));
        p.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("LOGO"));
    }
};

long PeakMemoryKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

// One print of the template to PDF, as the sale screen does it; returns the wall time in ms, -1 on failure.
qint64 PrintOnce(int records, const QString& templatePath, const QString& fileName)
{
    QElapsedTimer timer;
    timer.start();
    Values values;
    ReportEngine engine(nullptr);
    engine.recordCounts.append(records);
    if (!engine.LoadTemplate(templatePath))
        return -1;
    QObject::connect(&engine, &ReportEngine::setValue, &values, &Values::Answer);
    QObject::connect(&engine, &ReportEngine::setValueImage, &values, &Values::Image);
    engine.PrintToPDFFile(fileName, false, false);
    return timer.elapsed();
}

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const QStringList args = app.arguments();
    const int records = args.size() > 1 ? args.at(1).toInt() : 1000;
    const QString templatePath = args.size() > 2 ? args.at(2) : QStringLiteral(":/xml/reports/sales_invoice.xml");
    const QString fileName = args.size() > 3 ? args.at(3) : QStringLiteral("bench_invoice.pdf");
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1Char('/');

    QTextStream out(stdout);
    const qint64 ms = PrintOnce(records, templatePath, fileName);
    if (ms < 0) {
        out << "cannot load " << templatePath << "\n";
        return 1;
    }
    const QString path = folder + fileName;
    out << "records:     " << records << "\n"
        << "template:    " << templatePath << "\n"
        << "pdf:         " << path << " (" << QFileInfo(path).size() / 1024 << " KiB)\n"
        << "wall time:   " << ms << " ms\n"
        << "peak memory: " << PeakMemoryKb() / 1024 << " MiB\n";

    const int receiptLines = 60;
    const int runs = 10;
    const QString receiptTemplate = QStringLiteral(":/xml/reports/sales_receipt_no_subitems.xml");
    const QString receiptFile = QStringLiteral("bench_receipt.pdf");
    QList<qint64> times;
    for (int i = 0; i < runs; ++i)
        times << PrintOnce(receiptLines, receiptTemplate, receiptFile);
    const qint64 first = times.first();
    std::sort(times.begin(), times.end());
    out << "\nreceipt:     " << receiptLines << " lines of " << receiptTemplate << ", " << runs << " prints\n"
        << "pdf:         " << folder + receiptFile << " (" << QFileInfo(folder + receiptFile).size() / 1024 << " KiB)\n"
        << "first print: " << first << " ms\n"
        << "median:      " << times.at(runs / 2) << " ms\n"
        << "slowest:     " << times.last() << " ms (target: under 100 ms)\n";
    return 0;
}
