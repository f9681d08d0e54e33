#include "reportprinter.h"

#include "documentprinter.h"
#include "errordialog.h"
#include "progress.h"
#include "selector.h"
#include "sortingproxymodel.h"
#include "sqlfilter.h"
#include "writtenpdf.h"

#include "constants.h"

#include <QAbstractProxyModel>
#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QMetaObject>
#include <QPrinter>
#include <QSettings>
#include <QStandardPaths>
#include <QTableView>
#include <QTextDocument>
#include <QTextStream>

#include <atomic>
#include <memory>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

constexpr QEventLoop::ProcessEventsFlags busyFlags = QEventLoop::ExcludeUserInputEvents;

QWidget* mainWindow()
{
    return AppSettings::Instance()->mainWindow;
}

QSettings* store()
{
    return AppSettings::Instance()->settings;
}

const QLatin1String listTail("</table>\n</body>\n</html>\n");

QString CellHtml(const QString& text)
{
    return QLatin1String("<td bkcolor=0>") + (text.isEmpty() ? QStringLiteral("&nbsp;") : text.toHtmlEscaped())
        + QLatin1String("</td>");
}

} // namespace

QString ReportPrinter::RowHtml(const QString& cells, int columns)
{
    QString line = QLatin1String("<tr>");
    if (columns > 0) {
        for (const QStringRef& text : cells.splitRef(QLatin1Char('\n')))
            line += CellHtml(text.toString());
    }
    return line + QLatin1String("</tr>\n");
}

namespace {

// glibc keeps what a long print freed mapped: given back, the resident size returns to where it was.
void GiveBackFreedMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

void TellNothingPrinted(const PrintFailure& failure)
{
    switch (failure.kind) {
    case PrintFailure::None:
        return;
    case PrintFailure::PdfNotWritten:
        PartialPdf::TellNotWritten(failure, mainWindow());
        return;
    case PrintFailure::PrinterFailed:
        QMessageBox::warning(mainWindow(), ReportPrinter::tr("Print"),
                             failure.path.isEmpty()
                                 ? ReportPrinter::tr("The printer can not be started, so nothing was printed. Please "
                                                     "choose a printer in the Settings dialog.")
                                 : ReportPrinter::tr("The printer '%1' can not be started, so nothing was printed. Please "
                                                     "check that it is connected and switched on, or choose another "
                                                     "printer in the Settings dialog.")
                                       .arg(failure.path));
        return;
    case PrintFailure::TooLong:
        QMessageBox::warning(mainWindow(), ReportPrinter::tr("Print"),
                             ReportPrinter::tr("The document is too long to be printed whole. Nothing was printed."));
        return;
    }
}

// A busy box's label sized once, before the box is shown, for the longest of the texts it will show: the box is
// then as large as its texts and keeps its size while they change. (A label not shown yet is 640 x 480.)
void SizeForLongest(QLabel* label, const QString& longest, const QString& first)
{
    label->setText(longest);
    label->setFixedSize(label->sizeHint());
    label->setText(first);
}

} // namespace

ReportPrinter::ReportPrinter(QWidget* parent)
    : QObject(parent)
    , parentWidget(parent)
{
}

QString ReportPrinter::PdfPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/report.pdf");
}

void ReportPrinter::PrintTableView(const QString& title, QTableView* view, bool chooseColumns, bool toPdf)
{
    QAbstractItemModel* model = view->model();
    ColumnVisibility columns;
    for (int c = 0; c < model->columnCount(); ++c)
        columns.append({model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), !view->isColumnHidden(c)});

    if (chooseColumns) {
        Selector chooser(parentWidget);
        chooser.SetCheckedItems(columns);
        chooser.exec();
        if (chooser.cancelled)
            return;
    }

    std::unique_ptr<QPrinter> printer(new QPrinter(QPrinter::ScreenResolution));
    bool pdfMode = toPdf;
    if (!toPdf && store()->value(QStringLiteral("ReportPrintToPDF"), true).toBool()) {
        ErrorDialog notice(QStringLiteral("err_msg_2"), tr("Print to PDF"),
                           tr("Please change Report Printer settings from Settings dialog. Currently it is configured to print to PDF file."),
                           mainWindow(), false, false);
        notice.exec();
        pdfMode = true;
    }
    const QString pdfPath = PdfPath();
    if (pdfMode) {
        ClearOldPdf(pdfPath);
        printer->setOutputFileName(pdfPath);
    } else {
        printer->setPrinterName(store()->value(QStringLiteral("reportPrinter"), QString()).toString());
    }

    // A long list is read first, then built, laid out and printed a slice at a time.
    auto* proxy = qobject_cast<QAbstractProxyModel*>(model);
    QAbstractItemModel* source = proxy && proxy->sourceModel() ? proxy->sourceModel() : model;
    if (source->canFetchMore(QModelIndex())) {
        Progress fetching(mainWindow());
        fetching.show();
        SqlFilter::FetchAll(source);
    }
    const QVector<int> printed = PrintedColumns(view, &columns);
    const int sliceRows = rowsPerSlice > 0 ? rowsPerSlice : SliceRows(printed.size());
    bool wasPrinted = false;
    if (!printed.isEmpty() && model->rowCount() > sliceRows) {
        wasPrinted = PrintInSlices(title, view, printed, printer.get(), sliceRows);
    } else {
        std::unique_ptr<QString> html(new QString);
        std::unique_ptr<QTextStream> stream(new QTextStream(html.get(), QIODevice::ReadWrite));
        TableViewToHtml(title, stream.get(), view, &columns);
        stream->flush();

        Progress busy(parentWidget, tr("Printing document, please wait..."));
        busy.show();
        QCoreApplication::processEvents(busyFlags);

        wasPrinted = PrintHtmlOnThread(html.get(), printer.get());
        busy.hide();
    }
    GiveBackFreedMemory();
    if (!wasPrinted)
        return;

    // Without a printer the print library may report PDF with no file name: then
    // nothing was written here and an older report.pdf must not be shown as this print.
    if (printer->outputFormat() == QPrinter::PdfFormat && printer->outputFileName() == pdfPath)
        OpenWrittenPdf(pdfPath, mainWindow());
}

int ReportPrinter::SliceRows(int columns)
{
    // Some 50,000 cells: a document of them takes some tens of megabytes while it is laid out.
    return std::max(256, 50000 / std::max(1, columns));
}

QVector<int> ReportPrinter::PrintedColumns(QTableView* view, ColumnVisibility* columns)
{
    QVector<int> printed;
    for (int c = 0; c < view->model()->columnCount(); ++c) {
        if (view->isColumnHidden(c))
            continue;
        if (columns && !columns->isEmpty() && (c >= columns->size() || !columns->at(c).second))
            continue;
        printed.append(c);
    }
    return printed;
}

void ReportPrinter::ReadList(const QString& title, QTableView* view, const QVector<int>& printed,
                             const QPaintDevice* printer, DocumentPrinter::List* list, QVector<QString>* rows)
{
    QAbstractItemModel* model = view->model();
    ListHead(title, model, printed, &list->prologue, &list->heading, &list->tableHead);
    list->tail = listTail;
    list->rows = model->rowCount();
    rows->resize(list->rows);

    std::unique_ptr<Progress> busy(new Progress(mainWindow()));
    QLabel* busyText = busy->findChild<QLabel*>();
    const QString progressText = tr("Processing line %1 of %2 for printing...");
    if (busyText)
        SizeForLongest(busyText, progressText.arg(list->rows).arg(list->rows), progressText.arg(0).arg(list->rows));
    busy->show();
    QCoreApplication::processEvents(busyFlags);
    // The column widths are those of the widest texts and longest words, measured as the rows are read.
    DocumentPrinter::WidthRows widths(printed.size());
    widths.SetFont(DocumentPrinter::WidthRows::PrintFont(QTextDocument().defaultFont()), printer);
    constexpr int rowsBetweenEvents = 256;
    int read = 0;
    QElapsedTimer sinceCount;
    sinceCount.start();
    ForEachShownRowInResultOrder(model, [&](int shownRow, const QModelIndex& source) {
        if (++read % rowsBetweenEvents == 0) {
            if (busyText && sinceCount.elapsed() >= countInterval) {
                sinceCount.restart();
                busyText->setText(progressText.arg(read).arg(list->rows));
            }
            QCoreApplication::processEvents(busyFlags);
        }
        QString& row = (*rows)[shownRow];
        for (int i = 0; i < printed.size(); ++i) {
            const QString text = source.siblingAtColumn(printed.at(i)).data(Qt::DisplayRole).toString().simplified();
            if (i > 0)
                row += QLatin1Char('\n');
            row += text;
            widths.AddText(shownRow, i, text);
        }
    });
    for (int r : widths.Rows())
        list->widthRows << RowHtml(rows->at(r), printed.size());
    busy->hide();
}

bool ReportPrinter::PrintInSlices(const QString& title, QTableView* view, const QVector<int>& printed, QPrinter* printer,
                                  int sliceRows)
{
    DocumentPrinter::List list;
    QVector<QString> rows;
    ReadList(title, view, printed, printer, &list, &rows);

    // The box counts the rows printed, as often as the printing thread reports them.
    const QString printingText = tr("Printing document, please wait...") + QLatin1Char('\n') + tr("%1 of %2 lines printed");
    Progress busy(parentWidget, printingText.arg(0).arg(list.rows));
    QLabel* busyText = busy.findChild<QLabel*>();
    if (busyText)
        SizeForLongest(busyText, printingText.arg(list.rows).arg(list.rows), printingText.arg(0).arg(list.rows));
    busy.show();
    QCoreApplication::processEvents(busyFlags);

    DocumentPrinter thread;
    thread.list = &list;
    thread.sliceRows = sliceRows;
    thread.printer = printer;
    // The rows go over as HTML a slice or two ahead of the printing, each freed here once handed over.
    int handed = 0;
    auto hand = [&] {
        while (handed < list.rows && list.Waiting() < 2 * sliceRows) {
            const int end = std::min(list.rows, handed + sliceRows);
            QVector<QString> slice;
            slice.reserve(end - handed);
            for (; handed < end; ++handed) {
                slice << RowHtml(rows.at(handed), printed.size());
                rows[handed] = QString();
            }
            list.Add(std::move(slice));
        }
    };
    // Each slice taken, each count and the end of the thread wake the loop below.
    const auto wake = [&thread] { QMetaObject::invokeMethod(&thread, [] {}, Qt::QueuedConnection); };
    list.taken = wake;
    list.countInterval = countInterval;
    std::atomic<int> printedRows{0};
    list.printed = [&](int count) {
        printedRows = count;
        if (pagePrinted)
            pagePrinted(count);
        wake();
    };
    connect(&thread, &QThread::finished, &thread, [] {});
    hand();
    thread.start(QThread::InheritPriority);
    int shown = 0;
    while (!thread.done) {
        QCoreApplication::processEvents(busyFlags | QEventLoop::WaitForMoreEvents);
        hand();
        if (busyText && printedRows != shown) {
            shown = printedRows;
            busyText->setText(printingText.arg(shown).arg(list.rows));
        }
    }
    for (int i = 0; i < 6; ++i)
        QCoreApplication::processEvents(busyFlags);
    thread.wait();
    busy.hide();
    TellNothingPrinted(thread.failure);
    return thread.failure.kind == PrintFailure::None;
}

bool ReportPrinter::PrintHtmlOnThread(QString* html, QPrinter* printer, bool log)
{
    DocumentPrinter thread;
    thread.done = false;
    thread.debug = log;
    thread.html = html;
    thread.printer = printer;
    // The finished signal wakes the waiting loop below once the flag is set.
    connect(&thread, &QThread::finished, &thread, [] {});
    thread.start(QThread::InheritPriority);
    while (!thread.done)
        QCoreApplication::processEvents(busyFlags | QEventLoop::WaitForMoreEvents);
    for (int i = 0; i < 6; ++i)
        QCoreApplication::processEvents(busyFlags);
    thread.wait();
    delete thread.document;
    thread.document = nullptr;
    GiveBackFreedMemory();
    TellNothingPrinted(thread.failure);
    return thread.failure.kind == PrintFailure::None;
}

void ReportPrinter::WriteTableRows(QTextStream& out, const QAbstractItemModel* shown, const QVector<int>& columns,
                                   QLabel* busyText, const QString& progressText)
{
    const int rows = shown->rowCount();
    const auto count = [&](int row) {
        if (busyText)
            busyText->setText(progressText.arg(row).arg(rows));
        QCoreApplication::processEvents(busyFlags);
    };
    // Read in the order of the list's SQL result, which a sorted list's own order would make the MySQL
    // client walk from its first row for every row; written in the order shown. The reading shows the
    // count's first line and keeps the window painting: a long list takes seconds.
    count(0);
    constexpr int rowsBetweenEvents = 256;
    int read = 0;
    QVector<QString> lines(rows);
    ForEachShownRowInResultOrder(shown, [&](int shownRow, const QModelIndex& source) {
        if (++read % rowsBetweenEvents == 0)
            QCoreApplication::processEvents(busyFlags);
        QString& line = lines[shownRow];
        line += QLatin1String("<tr>");
        for (int c : columns)
            line += CellHtml(source.siblingAtColumn(c).data(Qt::DisplayRole).toString().simplified());
        line += QLatin1String("</tr>\n");
    });
    for (int row = 0; row < rows; ++row) {
        count(row);
        out << lines.at(row);
        lines[row] = QString();
    }
}

void ReportPrinter::ListHead(const QString& title, const QAbstractItemModel* model, const QVector<int>& printed,
                            QString* prologue, QString* heading, QString* tableHead)
{
    QString logoPath = store()->value(REPORT_COMPANY_LOGO, QString()).toString();
    if (logoPath.isEmpty())
        logoPath = QStringLiteral(":/resources/images/logos/sample_logo.png");
    const QImage logo(logoPath);
    const int logoSize = store()->value(QStringLiteral("logoSizeLarge"), 20).toInt();
    // Single precision on purpose: 53 pixels for size 9, as the printed logos always had.
    const float ratio = float(10.0 / logoSize);
    const int logoWidth = int(60.0f / ratio);
    int logoHeight = 0;
    if (!logo.isNull() && logo.width() > 0)
        logoHeight = int(float(logo.height()) * (float(logoWidth) / float(logo.width())));
    QImage scaled;
    if (!logo.isNull() && logoWidth > 0 && logoHeight > 0)
        scaled = logo.scaled(logoWidth, logoHeight, Qt::IgnoreAspectRatio, Qt::FastTransformation);

    // Cell and setting texts are data, not markup: "A<B" must print as typed.
    const QString companyName = store()->value(REPORT_COMPANY_NAME, QString()).toString().toHtmlEscaped();
    const QString address = store()->value(REPORT_COMPANY_ADDRESS, QString()).toString().toHtmlEscaped()
                                .replace(QLatin1String("\n"), QLatin1String("<br>"));
    const QString phone = store()->value(REPORT_PHONE_NUMBER, QString()).toString().toHtmlEscaped();
    const QString escapedTitle = title.toHtmlEscaped();

    *prologue = QStringLiteral("<html>\n<head>\n<meta Content=\"Text/html; charset=Windows-1251\">\n")
        + QStringLiteral("<title>%1</title>\n").arg(escapedTitle)
        + QStringLiteral("</head>\n<body bgcolor=#ffffff link=#5000A0>\n");
    *heading = QStringLiteral("<img src=\"%1\" alt=\"Logo\" align=\"left\" width=\"%2\" height=\"%3\">")
                   .arg(logoPath.toHtmlEscaped())
                   .arg(scaled.width())
                   .arg(scaled.height())
        + QStringLiteral("<H1 align=\"right\">%1</H1>").arg(escapedTitle) + QStringLiteral("<br><br>");
    for (const QString& line : {companyName, address, phone})
        *heading += QStringLiteral("<div align=\"left\"><H3>%1</H3></div>").arg(line);
    *heading += QStringLiteral("<div align=\"right\">%1: %2</div><br>")
                    .arg(tr("Date"), QDate::currentDate().toString(AppSettings::Instance()->dateFormat).toHtmlEscaped());
    *tableHead = QStringLiteral("<table width=100% border=1 cellspacing=0 cellpadding=3>\n<thead><tr bgcolor=#ffff7f>");
    for (int c : printed)
        *tableHead += QStringLiteral("<th>%1</th>").arg(model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString().toHtmlEscaped());
    *tableHead += QStringLiteral("</tr></thead>\n");
}

void ReportPrinter::TableViewToHtml(const QString& title, QTextStream* out, QTableView* view, ColumnVisibility* columns)
{
    std::unique_ptr<Progress> busy(new Progress(mainWindow()));
    busy->show();
    QLabel* busyText = busy->findChild<QLabel*>();

    // Rows and columns come from the model the view shows, so a filtered list
    // prints exactly its visible rows, in the view's order.
    QAbstractItemModel* model = view->model();
    auto* proxy = qobject_cast<QAbstractProxyModel*>(model);
    QAbstractItemModel* source = proxy && proxy->sourceModel() ? proxy->sourceModel() : model;
    SqlFilter::FetchAll(source);
    const int rows = model->rowCount();
    const QVector<int> printed = PrintedColumns(view, columns);

    QString prologue;
    QString heading;
    QString tableHead;
    ListHead(title, model, printed, &prologue, &heading, &tableHead);
    *out << prologue << heading << tableHead;

    const QString progressText = tr("Processing line %1 of %2 for printing...");
    if (busyText)
        SizeForLongest(busyText, progressText.arg(rows).arg(rows), progressText.arg(0).arg(rows));
    WriteTableRows(*out, model, printed, busyText, progressText);
    *out << listTail;
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(busyFlags);
    busy->hide();
}
