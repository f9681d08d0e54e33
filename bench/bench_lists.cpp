// Wall time and peak memory of the CSV export and the list print.
//   bench_lists            runs both, each in a process of its own
//   bench_lists csv [N]    CSV export of N rows (default 100000)
//   bench_lists print [N] [COPY] [C]  list print of N rows to PDF (default 10000), the PDF copied to COPY ("-": none),
//                          with C columns (default 6; more are short texts and numbers, as the sales records have)
//   bench_lists qtprint [N]  the same HTML through QTextDocument::print, for comparison

#include "appsettings.h"
#include "fixtureserver.h"
#include "reportprinter.h"
#include "sortingproxymodel.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QPrinter>
#include <QTextDocument>
#include <QTextStream>

#include <sys/resource.h>

#include <cstdio>
#include <memory>

namespace {

// Processor time of the whole process (both threads), in milliseconds: unlike the
// wall time it hardly depends on what else the machine is doing.
long cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000L + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000L;
}

long peakKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

class Swallow : public QObject
{
    Q_OBJECT
public slots:
    void openUrl(const QUrl&) {}
};

// A product list as the pages show it: codes, names, e-mail, formatted amounts, dates.
std::unique_ptr<QStandardItemModel> makeModel(int rows, int columns = 6)
{
    auto model = std::make_unique<QStandardItemModel>(rows, std::max(6, columns));
    QStringList headers{"CODE", "NAME", "EMAIL", "PRICE", "QTY", "DATE"};
    for (int c = 6; c < columns; ++c)
        headers << QStringLiteral("FIELD %1").arg(c);
    model->setHorizontalHeaderLabels(headers);
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    for (int r = 0; r < rows; ++r) {
        model->setItem(r, 0, new QStandardItem(QStringLiteral("P%1").arg(r, 6, 10, QLatin1Char('0'))));
        model->setItem(r, 1, new QStandardItem(QStringLiteral("Product name %1").arg(r)));
        model->setItem(r, 2, new QStandardItem(QStringLiteral("vendor%1@example.com").arg(r % 97)));
        model->setItem(r, 3, new QStandardItem(english.toString(1000.0 + r * 1.25, 'f', 2)));
        model->setItem(r, 4, new QStandardItem(QString::number(r % 500)));
        model->setItem(r, 5, new QStandardItem(QStringLiteral("2024-03-%1").arg(1 + r % 28, 2, 10, QLatin1Char('0'))));
        for (int c = 6; c < columns; ++c)
            model->setItem(r, c, new QStandardItem(c % 2 ? english.toString(r * 0.37 + c, 'f', 2) : QStringLiteral("Cash %1").arg(r % 7)));
    }
    return model;
}

int runCsv(int rows, const QString& dir)
{
    *AppSettings::Instance()->locale = QLocale(QLocale::English, QLocale::UnitedStates);
    auto model = makeModel(rows);
    SortingProxyModel proxy;
    proxy.setSourceModel(model.get());
    QTableView view;
    view.setModel(&proxy);
    const long before = peakKb();

    QElapsedTimer clock;
    clock.start();
    QFile file(dir + QStringLiteral("/bench.csv"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return 1;
    QTextStream stream(&file);
    AppSettings::Instance()->WriteTableAsCsv(&stream, &view);
    stream.flush();
    file.close();
    const qint64 ms = clock.elapsed();
    std::printf("csv export: %d rows, %lld ms, %.1f MB written, peak RSS %ld KB (%ld KB before the export)\n", rows,
                static_cast<long long>(ms), file.size() / 1048576.0, peakKb(), before);
    return 0;
}

int runPrint(int rows, const QString& copy, int columns)
{
    auto model = makeModel(rows, columns);
    SortingProxyModel proxy;
    proxy.setSourceModel(model.get());
    QTableView view;
    view.setModel(&proxy);
    Swallow swallow;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &swallow, "openUrl");
    const long before = peakKb();
    const long residentBefore = ProcessStatusKb("VmRSS:");
    ReportPrinter printer;

    QElapsedTimer clock;
    clock.start();
    const long cpuPrint = cpuMs();
    printer.PrintTableView(QStringLiteral("PRODUCTS REPORT"), &view, false, true);
    const qint64 ms = clock.elapsed();
    const long cpuEnd = cpuMs();
    const long peak = peakKb();
    const long residentAfter = ProcessStatusKb("VmRSS:");
    // The HTML of the whole list alone, after the print so that the print's peak is its own.
    clock.restart();
    {
        QString html;
        QTextStream out(&html);
        printer.TableViewToHtml(QStringLiteral("PRODUCTS REPORT"), &out, &view, nullptr);
    }
    const qint64 htmlMs = clock.elapsed();
    std::printf("list print: %d rows of %d columns to PDF, %lld ms (processor %ld ms; the whole list's HTML alone %lld ms), "
                "%.1f MB PDF, peak RSS %ld KB (%ld KB before the print), memory rise %ld KB over the resident %ld KB "
                "just before the print, resident %ld KB after it\n",
                rows, model->columnCount(), static_cast<long long>(ms), cpuEnd - cpuPrint, static_cast<long long>(htmlMs),
                QFileInfo(ReportPrinter::PdfPath()).size() / 1048576.0, peak, before, peak - residentBefore,
                residentBefore, residentAfter);
    if (!copy.isEmpty() && copy != QLatin1String("-")) {
        QFile::remove(copy);
        QFile::copy(ReportPrinter::PdfPath(), copy);
    }
    return QFileInfo::exists(ReportPrinter::PdfPath()) ? 0 : 1;
}

// The list's HTML printed by Qt's own QTextDocument::print, as the list print did before.
int runQtPrint(int rows, const QString& dir)
{
    auto model = makeModel(rows);
    SortingProxyModel proxy;
    proxy.setSourceModel(model.get());
    QTableView view;
    view.setModel(&proxy);
    ReportPrinter printer;
    QString html;
    QTextStream out(&html);
    printer.TableViewToHtml(QStringLiteral("PRODUCTS REPORT"), &out, &view, nullptr);
    out.flush();

    QElapsedTimer clock;
    clock.start();
    const long cpuStart = cpuMs();
    QPrinter pdf(QPrinter::ScreenResolution);
    pdf.setOutputFileName(dir + QStringLiteral("/qtprint.pdf"));
    QTextDocument document;
    document.setHtml(html);
    document.print(&pdf);
    std::printf("QTextDocument::print: %d rows to PDF, %lld ms (processor %ld ms), %.1f MB PDF\n", rows,
                static_cast<long long>(clock.elapsed()), cpuMs() - cpuStart,
                QFileInfo(dir + QStringLiteral("/qtprint.pdf")).size() / 1048576.0);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode.isEmpty()) {
        // Each measurement in its own process, so that the peak memory is its own.
        QCoreApplication app(argc, argv);
        int failures = 0;
        for (const char* part : {"csv", "print"}) {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedChannels);
            child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(part)});
            child.waitForFinished(-1);
            failures += child.exitCode() != 0;
        }
        return failures;
    }

    // Scratch settings and data folder: the user's own are never touched.
    QTemporaryDir scratch;
    for (const char* sub : {"config", "data", "tmp"})
        QDir().mkpath(scratch.path() + QLatin1Char('/') + QLatin1String(sub));
    qputenv("XDG_CONFIG_HOME", (scratch.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (scratch.path() + QStringLiteral("/data")).toUtf8());
    qputenv("TMPDIR", (scratch.path() + QStringLiteral("/tmp")).toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : (mode == QLatin1String("csv") ? 100000 : 10000);
    if (mode == QLatin1String("csv"))
        return runCsv(rows, scratch.path());
    if (mode == QLatin1String("qtprint"))
        return runQtPrint(rows, scratch.path());
    if (mode == QLatin1String("print"))
        return runPrint(rows, argc > 3 && qstrcmp(argv[3], "-") != 0 ? QFileInfo(QString::fromLocal8Bit(argv[3])).absoluteFilePath() : QString(),
                        argc > 4 ? QString::fromLocal8Bit(argv[4]).toInt() : 6);
    std::fprintf(stderr, "usage: bench_lists [csv|print|qtprint [rows]]\n");
    return 2;
}

#include "bench_lists.moc"
