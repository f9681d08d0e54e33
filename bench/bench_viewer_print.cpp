// The report viewer's Print of the Stock Count and Value Report as PDF: the document its WriteHtmlReport writes for
// a shop of 100,000 products (157,277 stock rows), printed on the document printing thread as the viewer does.
//   bench_viewer_print [ROWS] [PDF]   (default 157277 rows, the PDF in a scratch folder)
// Prints the time of the print alone (the document is written first) and the PDF's page count. It needs no
// database, so the same program built on an older checkout times that checkout's print of the same document.

#include "reportprinter.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

namespace {

QString Md5(const QByteArray& text)
{
    return QString::fromLatin1(QCryptographicHash::hash(text, QCryptographicHash::Md5).toHex());
}

// As the viewer writes it: heading, the stock figures, then one row per stock row in the shown order.
QString StockDocument(int rows)
{
    QString html;
    QTextStream out(&html);
    out << "<html>\n<head>\n<meta Content=\"Text/html; charset=Windows-1251\">\n";
    out << "<title>Stock Count and Value Report</title>\n";
    out << "</head>\n<body bgcolor=#ffffff link=#5000A0>\n";
    out << "<H1 align=\"right\">Stock Count and Value Report</H1><br><br>";
    for (int i = 0; i < 3; ++i)
        out << "<div align=\"left\"><H3></H3></div>";
    out << "<div align=\"right\">08-12-2026 10:15:00</div><br>";
    out << "<div align=\"left\">STOCK COUNT : 7005519</div><br>";
    out << "<div align=\"left\">STOCK VALUE : 45535873.5</div><br>";
    out << "<div align=\"left\">CATEGORY : </div><br>";
    out << "<table width=100% border=1 cellspacing=0 cellpadding=3>\n<thead><tr bgcolor=#ffff7f>";
    for (const char* header : {"STOCK CODE", "PRODUCT", "QUANTITY", "PURCHASE COST", "SALE VALUE", "STOCK VALUE"})
        out << "<th>" << header << "</th>";
    out << "</tr></thead>\n";
    // The stock rows of the list benchmarks' shop: a second stock row for the first 57.277% of the products.
    const int products = int(rows / 1.57277 + 0.5);
    int written = 0;
    for (int batch = 0; batch < 2 && written < rows; ++batch) {
        for (int id = 1; id <= products && written < rows; ++id, ++written) {
            const QString code = Md5(QStringLiteral("%1-%2").arg(id).arg(batch).toLatin1()).left(8).toUpper()
                + QStringLiteral("-%1-%2").arg(id).arg(batch);
            static const char* const kinds[] = {"Tea ", "tea ", "Rice ", "rice "};
            const QString name = QLatin1String(kinds[id % 4]) + Md5(QByteArray::number(id)).left(8);
            const int quantity = id % 90;
            out << "<tr><td bkcolor=0>" << code << "</td><td bkcolor=0>" << name << "</td><td bkcolor=0>" << quantity
                << "</td><td bkcolor=0>6.5</td><td bkcolor=0>11.49</td><td bkcolor=0>" << quantity * 6.5 << "</td></tr>\n";
        }
    }
    out << "</table>\n</body>\n</html>\n";
    out.flush();
    return html;
}

QString Run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(-1);
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 157277;
    QTemporaryDir scratch;
    const QString pdf = argc > 2 ? QString::fromLocal8Bit(argv[2]) : scratch.path() + QStringLiteral("/report.pdf");
    QFile::remove(pdf);

    QString html = StockDocument(rows);
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFileName(pdf);
    QElapsedTimer clock;
    clock.start();
    const bool printed = ReportPrinter::PrintHtmlOnThread(&html, &printer);
    const qint64 ms = clock.elapsed();
    const QString pages = Run(QStringLiteral("pdfinfo"), {pdf}).section(QStringLiteral("Pages:"), 1).section(QLatin1Char('\n'), 0, 0).trimmed();
    std::printf("viewer stock document: %d rows, print %lld ms, %s pages%s\n", rows, static_cast<long long>(ms),
                qPrintable(pages.isEmpty() ? QStringLiteral("no") : pages), printed ? "" : ", nothing printed");
    return printed && !pages.isEmpty() ? 0 : 1;
}
