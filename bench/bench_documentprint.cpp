// Wall time and the printing's own memory of DocumentPrinter::Print for a two-column table of one-line rows.
//   bench_documentprint [N] [PARTHEIGHT]   N rows (default 20000) to PDF; PARTHEIGHT forces parts that high
// The own memory is the peak resident size during Print less the resident size just before it.

#include "documentprinter.h"
#include "fixtureserver.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTextDocument>

#include <cstdio>

#include <malloc.h>

int main(int argc, char* argv[])
{
    QTemporaryDir scratch;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 20000;
    const int partHeight = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 0;

    QString html = QStringLiteral("<html><body><h1>PRODUCTS</h1><table width=100% border=1 cellspacing=0 cellpadding=3>\n"
                                  "<thead><tr bgcolor=#ffff7f><th>CODE</th><th>NAME</th></tr></thead>\n");
    for (int r = 0; r < rows; ++r)
        html += QStringLiteral("<tr><td>P%1</td><td>Product name %2</td></tr>\n").arg(r, 6, 10, QLatin1Char('0')).arg(r);
    html += QStringLiteral("</table></body></html>\n");
    QTextDocument document;
    document.setPageSize(QSizeF(0, 0));
    document.setHtml(html);
    html = QString();
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFileName(scratch.path() + QStringLiteral("/print.pdf"));

    // Memory the document's making freed goes back first, so that what Print takes shows.
    malloc_trim(0);
    ResetPeakResident();
    const long before = ProcessStatusKb("VmRSS:");
    QElapsedTimer clock;
    clock.start();
    DocumentPrinter::Print(&document, &printer, partHeight > 0 ? partHeight : DocumentPrinter::DefaultPartHeight);
    const qint64 ms = clock.elapsed();
    const long peak = ProcessStatusKb("VmHWM:");
    std::printf("print: %d rows, part height %d, %lld ms, %.2f us a row, own memory %ld KB (peak %ld KB, %ld KB before), "
                "%.1f MB PDF\n",
                rows, partHeight, static_cast<long long>(ms), ms * 1000.0 / std::max(rows, 1), peak - before, peak, before,
                QFile(printer.outputFileName()).size() / 1048576.0);
    return 0;
}
