#include "constants.h"
#include "documentprinter.h"
#include "listpage.h"
#include "modalanswerer.h"
#include "pdfreader.h"
#include "progress.h"
#include "reportprinter.h"
#include "testsupport.h"
#include "urlrecorder.h"
#include "writefaults.h"
#include "writtenpdf.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QMainWindow>
#include <QPageSize>
#include <QPrinter>
#include <QProgressBar>
#include <QRegularExpression>
#include <QSemaphore>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTableView>
#include <QTextDocument>
#include <QTextStream>

#include <thread>

// The printing of an HTML document page by page: a table is cut between its rows with its
// header row on every page, other text between its lines; nothing is lost or printed twice.
class TestDocumentPrinter : public QObject
{
    Q_OBJECT

private slots:
    void tableRowsStayWholeUnderTheirHeader();
    void paragraphsOnTheWorkerThread();
    void shortDocumentPrintsAsBefore();
    void partsPrintAsOneLayout_data();
    void partsPrintAsOneLayout();
    void everyRowOfADocumentPastTheDrawingLimit();
    void rowTallerThanAPartPrintsNothing_data();
    void rowTallerThanAPartPrintsNothing();
    void listPrintSaysWhenNothingWasPrinted();
    void listInSlicesPrintsAsOneDocument_data();
    void listInSlicesPrintsAsOneDocument();
    void longListPrintsEveryRowInSlices();
    void unwrittenPdfIsToldAndLeavesNothing_data();
    void unwrittenPdfIsToldAndLeavesNothing();
    void countMovesWithinAPart();
    void listPrintBoxesCount_data();
    void listPrintBoxesCount();
};

namespace {

QString PdfPath(const QString& name)
{
    return TestSupport::ScratchDir() + QLatin1Char('/') + name;
}

std::unique_ptr<QPrinter> PdfPrinter(const QString& path)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::ScreenResolution);
    printer->setOutputFileName(path);
    return printer;
}

// The page number printed at the foot: the page's last line.
QString LastLine(const QString& text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    return lines.isEmpty() ? QString() : lines.last().trimmed();
}

// A list as the pages print it: headings, a ruled table with a header row whose rows are of
// different heights (a note wraps over several lines in every fifth row), and a closing paragraph.
QString ListDocumentHtml(int rows)
{
    QString html = QStringLiteral("<html><body><H1 align=\"right\">STOCK REPORT</H1><br><br>"
                                  "<div align=\"left\"><H3>Vorantel Ltd</H3></div>"
                                  "<div align=\"right\">Date: 01-02-2024</div><br>"
                                  "<table width=100% border=1 cellspacing=0 cellpadding=3>\n"
                                  "<thead><tr bgcolor=#ffff7f><th>Code</th><th>Name</th><th>Notes</th>"
                                  "<th>Qty</th></tr></thead>\n");
    for (int i = 1; i <= rows; ++i) {
        const QString note = i % 5 == 0 ? QStringLiteral("a note of row %1 that runs over several lines of its column "
                                                         "before it comes to an end, as remarks on a stock line do")
                                              .arg(i)
                                        : QStringLiteral("none");
        html += QStringLiteral("<tr><td bkcolor=0>R%1</td><td bkcolor=0>Item number %2</td><td bkcolor=0>%3</td>"
                               "<td bkcolor=0>%4</td></tr>\n")
                    .arg(i, 5, 10, QLatin1Char('0'))
                    .arg(i)
                    .arg(note)
                    .arg(i * 37 % 1000);
    }
    html += QStringLiteral("</table>\n<p>End of the list.</p></body></html>\n");
    return html;
}

// Each page's text line by line, blanks collapsed: what a reader sees and where the pages are cut.
// The pages rendered alike, pixel for pixel (none of them blank by a failed render).
void SamePages(const QList<QImage>& actual, const QList<QImage>& expected)
{
    QCOMPARE(actual.size(), expected.size());
    for (int page = 1; page <= expected.size(); ++page) {
        QVERIFY(!expected.at(page - 1).isNull());
        QVERIFY2(actual.at(page - 1) == expected.at(page - 1), qPrintable(QStringLiteral("page %1").arg(page)));
    }
}

QString PageDigest(const QString& pdf)
{
    QString digest;
    const QStringList pages = PdfReader::PageTexts(pdf);
    for (int page = 1; page <= pages.size(); ++page) {
        digest += QStringLiteral("== page %1\n").arg(page);
        for (const QString& line : pages.at(page - 1).split(QLatin1Char('\n'))) {
            const QString simple = line.simplified();
            if (!simple.isEmpty())
                digest += simple + QLatin1Char('\n');
        }
    }
    return digest;
}

} // namespace

void TestDocumentPrinter::tableRowsStayWholeUnderTheirHeader()
{
    // Every seventh row has a note that wraps over several lines and ends in "endN".
    QString html = QStringLiteral("<html><body><h1>Rows</h1><table width=100% border=1 cellspacing=0 cellpadding=3>"
                                  "<thead><tr bgcolor=#ffff7f><th>Code</th><th>Name</th><th>Notes</th></tr></thead>\n");
    const int rows = 200;
    for (int i = 1; i <= rows; ++i) {
        const QString note = i % 7 == 0 ? QStringLiteral("a long note that runs over several lines of its narrow "
                                                         "column before it comes to its end%1").arg(i)
                                        : QStringLiteral("short");
        html += QStringLiteral("<tr><td>R%1</td><td>Name %2</td><td width=20%>%3</td></tr>\n")
                    .arg(i, 4, 10, QLatin1Char('0'))
                    .arg(i)
                    .arg(note);
    }
    html += QStringLiteral("</table></body></html>");
    QTextDocument document;
    document.setHtml(html);
    const QString pdf = PdfPath(QStringLiteral("table.pdf"));
    auto printer = PdfPrinter(pdf);
    DocumentPrinter::Print(&document, printer.get());

    const QStringList texts = PdfReader::PageTexts(pdf);
    const int pages = texts.size();
    QCOMPARE(PdfReader::Pages(pdf), pages);
    QVERIFY2(pages >= 3, qPrintable(QString::number(pages)));
    const QRegularExpression code(QStringLiteral("\\bR(\\d{4})\\b"));
    QList<int> printed;
    for (int page = 1; page <= pages; ++page) {
        const QString& text = texts.at(page - 1);
        QVERIFY2(QRegularExpression(QStringLiteral("Code\\s+Name\\s+Notes")).match(text).hasMatch(),
                 qPrintable(QStringLiteral("no header row on page %1").arg(page)));
        QCOMPARE(text.count(QLatin1String("Notes")), 1);
        QCOMPARE(LastLine(text), QString::number(page));
        auto it = code.globalMatch(text);
        while (it.hasNext()) {
            const int n = it.next().captured(1).toInt();
            printed << n;
            // A row is never cut: its name and the end of its note are on its page.
            QVERIFY2(text.contains(QStringLiteral("Name %1").arg(n)), qPrintable(QString::number(n)));
            if (n % 7 == 0)
                QVERIFY2(text.contains(QStringLiteral("end%1").arg(n)), qPrintable(QStringLiteral("end%1").arg(n)));
        }
    }
    QList<int> expected;
    for (int i = 1; i <= rows; ++i)
        expected << i;
    QCOMPARE(printed, expected);
    QCOMPARE(texts.first().count(QLatin1String("Rows")), 1);

    // The table is ruled on every page: a line above the header, below it and below every row.
    const QList<QImage> images = PdfReader::RenderPages(pdf, 100);
    QCOMPARE(images.size(), pages);
    for (int page = 1; page <= pages; ++page) {
        const QImage& image = images.at(page - 1);
        QVERIFY(!image.isNull());
        // The header row keeps its yellow background, across the table, on every page.
        int widestYellow = 0;
        for (int y = 0; y < image.height(); ++y) {
            int yellow = 0;
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                yellow += qRed(p) > 230 && qGreen(p) > 230 && qBlue(p) < 160;
            }
            widestYellow = qMax(widestYellow, yellow);
        }
        QVERIFY2(widestYellow > image.width() / 2, qPrintable(QStringLiteral("page %1: %2").arg(page).arg(widestYellow)));
        int ruled = 0;
        bool previousRuled = false;
        for (int y = 0; y < image.height(); ++y) {
            int dark = 0;
            for (int x = 0; x < image.width(); ++x)
                dark += qGray(image.pixel(x, y)) < 230;
            const bool isRuled = dark > image.width() / 2;
            ruled += isRuled && !previousRuled;
            previousRuled = isRuled;
        }
        int rowsOnPage = 0;
        for (auto it = code.globalMatch(texts.at(page - 1)); it.hasNext(); it.next())
            ++rowsOnPage;
        QVERIFY2(ruled >= rowsOnPage + 2, qPrintable(QStringLiteral("page %1: %2 rows, %3 ruled lines")
                                                       .arg(page).arg(rowsOnPage).arg(ruled)));
    }
}

// What the report viewer prints: plain paragraphs, through the thread the list print uses.
void TestDocumentPrinter::paragraphsOnTheWorkerThread()
{
    QString html = QStringLiteral("<html><body>");
    const int paragraphs = 150;
    for (int i = 1; i <= paragraphs; ++i)
        html += QStringLiteral("<p>Paragraph %1 of the report</p>").arg(i);
    html += QStringLiteral("</body></html>");
    const QString pdf = PdfPath(QStringLiteral("paragraphs.pdf"));
    auto printer = PdfPrinter(pdf);

    DocumentPrinter thread;
    thread.html = &html;
    thread.printer = printer.get();
    thread.start();
    // The creator keeps its events going meanwhile, as the list print does.
    QTRY_VERIFY_WITH_TIMEOUT(thread.done, 60000);
    QVERIFY(thread.wait(60000));
    QCoreApplication::processEvents();
    delete thread.document;

    const QStringList texts = PdfReader::PageTexts(pdf);
    const int pages = texts.size();
    QCOMPARE(PdfReader::Pages(pdf), pages);
    QVERIFY2(pages >= 2, qPrintable(QString::number(pages)));
    QList<int> printed;
    const QRegularExpression line(QStringLiteral("Paragraph (\\d+) of the report"));
    for (int page = 1; page <= pages; ++page) {
        const QString& text = texts.at(page - 1);
        QCOMPARE(LastLine(text), QString::number(page));
        auto it = line.globalMatch(text);
        while (it.hasNext())
            printed << it.next().captured(1).toInt();
    }
    QList<int> expected;
    for (int i = 1; i <= paragraphs; ++i)
        expected << i;
    QCOMPARE(printed, expected);
}

// The pages of a list that fits the layout whole are those printed before long documents were laid
// out in parts: the reference was taken from that printing.
void TestDocumentPrinter::shortDocumentPrintsAsBefore()
{
    QTextDocument document;
    document.setHtml(ListDocumentHtml(300));
    const QString pdf = PdfPath(QStringLiteral("short.pdf"));
    auto printer = PdfPrinter(pdf);
    DocumentPrinter::Print(&document, printer.get());

    QFile file(QStringLiteral(":/documentprinter_pages.txt"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString expected = QString::fromUtf8(file.readAll());
    const QString actual = PageDigest(pdf);
    if (actual != expected)
        TestSupport::WriteFile(PdfPath(QStringLiteral("documentprinter_pages.txt")), actual.toUtf8());
    QVERIFY(expected.count(QLatin1String("== page")) > 5);
    QCOMPARE(actual, expected);
}

// A long document is laid out in parts, each with the whole table's column widths and header
// band: printed in parts of a few pages, a list gives the very pages of its one layout.
void TestDocumentPrinter::partsPrintAsOneLayout_data()
{
    QTest::addColumn<int>("partHeight");
    QTest::addColumn<bool>("logo");
    QTest::addColumn<int>("dpi"); // 0: the screen's
    QTest::newRow("parts of about three pages") << 3000 << false << 0;
    QTest::newRow("parts of about five pages") << 5000 << false << 0;
    QTest::newRow("parts of about twelve pages") << 12000 << false << 0;
    // The list's logo floats beside the headings of the first page, an image of the document's own.
    QTest::newRow("logo on the first page") << 3000 << true << 0;
    // Column widths found at the screen's resolution and set at the printer's.
    QTest::newRow("printer of 600 dpi") << 40000 << false << 600;
}

void TestDocumentPrinter::partsPrintAsOneLayout()
{
    QFETCH(int, partHeight);
    QFETCH(bool, logo);
    QFETCH(int, dpi);
    QString html = ListDocumentHtml(300);
    QImage image(120, 60, QImage::Format_RGB32);
    image.fill(QColor(200, 30, 30));
    if (logo)
        html.replace(QLatin1String("<body>"), QLatin1String("<body><img src=\"logo\" alt=\"Logo\" align=\"left\" width=\"120\" height=\"60\">"));
    auto print = [&](const QString& pdf, int height) {
        QTextDocument document;
        document.setHtml(html);
        document.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("logo")), image);
        auto printer = PdfPrinter(pdf);
        if (dpi > 0) {
            printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
            printer->setResolution(dpi);
            printer->setOutputFileName(pdf);
        }
        return height > 0 ? DocumentPrinter::Print(&document, printer.get(), height)
                          : DocumentPrinter::Print(&document, printer.get());
    };
    // The one layout's print, the same for rows of the same logo and resolution, is read once.
    const QString wholePdf = PdfPath(QStringLiteral("whole_%1_%2.pdf").arg(logo).arg(dpi));
    static QHash<QString, QString> wholeDigests;
    static QHash<QString, QList<QImage>> wholePages;
    if (!wholeDigests.contains(wholePdf)) {
        QVERIFY(print(wholePdf, 0));
        wholeDigests[wholePdf] = PageDigest(wholePdf);
        if (dpi == 0)
            wholePages[wholePdf] = PdfReader::RenderPages(wholePdf, 60);
    }
    const QString partsPdf = PdfPath(QStringLiteral("parts.pdf"));
    QVERIFY(print(partsPdf, partHeight));

    const int pages = PdfReader::Pages(wholePdf);
    QVERIFY2(pages > 5, qPrintable(QString::number(pages)));
    QCOMPARE(PdfReader::Pages(partsPdf), pages);
    QCOMPARE(PageDigest(partsPdf), wholeDigests.value(wholePdf));
    // Column widths, rules, the header band's background and the logo alike, pixel for pixel.
    // At a printer's resolution (many more pages) the first, a middle and the last page.
    if (dpi > 0) {
        for (int page : {1, pages / 2, pages}) {
            const QImage whole = PdfReader::Render(wholePdf, page, 60);
            QVERIFY(!whole.isNull());
            QVERIFY2(PdfReader::Render(partsPdf, page, 60) == whole, qPrintable(QStringLiteral("page %1").arg(page)));
        }
        return;
    }
    const QList<QImage> expected = wholePages.value(wholePdf);
    QCOMPARE(expected.size(), pages);
    SamePages(PdfReader::RenderPages(partsPdf, 60), expected);
    if (logo) {
        // The logo is there to be compared: its red on the first page only.
        auto red = [](const QImage& render) {
            int count = 0;
            for (int y = 0; y < render.height(); ++y) {
                for (int x = 0; x < render.width(); ++x) {
                    const QRgb p = render.pixel(x, y);
                    count += qRed(p) > 150 && qGreen(p) < 90 && qBlue(p) < 90;
                }
            }
            return count;
        };
        QVERIFY(red(expected.at(0)) > 500);
        QCOMPARE(red(expected.at(1)), 0);
    }
}

// Qt stops drawing a layout's lines 2^23 pixels down it: rows of some 5,000 pixels reach that at
// about row 1,700. Tall pages keep the PDF short.
void TestDocumentPrinter::everyRowOfADocumentPastTheDrawingLimit()
{
    const int rows = 2000;
    QString lines;
    for (int i = 0; i < 263; ++i)
        lines += QStringLiteral("<br>");
    QString html = QStringLiteral("<html><body><h1>Tall rows</h1><table width=100% border=1 cellspacing=0 cellpadding=3>"
                                  "<thead><tr><th>Code</th><th>Label</th></tr></thead>\n");
    for (int i = 1; i <= rows; ++i)
        html += QStringLiteral("<tr><td>T%1%2</td><td>row %3</td></tr>\n").arg(i, 4, 10, QLatin1Char('0')).arg(lines).arg(i);
    html += QStringLiteral("</table><p>After the table</p></body></html>");
    QTextDocument document;
    document.setHtml(html);
    const QString pdf = PdfPath(QStringLiteral("tall.pdf"));
    auto printer = PdfPrinter(pdf);
    printer->setPageSize(QPageSize(QSizeF(210, 4000), QPageSize::Millimeter));
    QVERIFY(DocumentPrinter::Print(&document, printer.get()));

    const QStringList pages = PdfReader::Text(pdf).split(QLatin1Char('\f'));
    QVERIFY2(pages.size() > 500, qPrintable(QString::number(pages.size())));
    const QRegularExpression code(QStringLiteral("\\bT(\\d{4})\\b"));
    QList<int> printed;
    for (int page = 0; page < pages.size(); ++page) {
        if (pages.at(page).trimmed().isEmpty())
            continue; // after the last page's form feed
        QVERIFY2(QRegularExpression(QStringLiteral("Code\\s+Label")).match(pages.at(page)).hasMatch(),
                 qPrintable(QStringLiteral("no header row on page %1").arg(page + 1)));
        for (auto it = code.globalMatch(pages.at(page)); it.hasNext();)
            printed << it.next().captured(1).toInt();
    }
    QList<int> expected;
    for (int i = 1; i <= rows; ++i)
        expected << i;
    QCOMPARE(printed, expected);
    QVERIFY(pages.join(QString()).contains(QLatin1String("row 2000")));
    QVERIFY(pages.join(QString()).contains(QLatin1String("After the table")));
}

// A row taller than a part cannot be printed whole: nothing is printed, not even an empty file.
void TestDocumentPrinter::rowTallerThanAPartPrintsNothing_data()
{
    QTest::addColumn<int>("tallRow");
    QTest::newRow("first row") << 1;
    QTest::newRow("row in the middle") << 150;
    QTest::newRow("last row") << 300;
}

void TestDocumentPrinter::rowTallerThanAPartPrintsNothing()
{
    QFETCH(int, tallRow);
    QString html = ListDocumentHtml(300);
    QString lines;
    for (int i = 0; i < 400; ++i)
        lines += QStringLiteral("<br>");
    const QString code = QStringLiteral(">R%1<").arg(tallRow, 5, 10, QLatin1Char('0'));
    QVERIFY(html.contains(code));
    html.replace(code, QStringLiteral(">R%1%2<").arg(tallRow, 5, 10, QLatin1Char('0')).arg(lines));
    QTextDocument document;
    document.setHtml(html);
    const QString pdf = PdfPath(QStringLiteral("toolong.pdf"));
    QFile::remove(pdf);
    auto printer = PdfPrinter(pdf);
    QVERIFY(!DocumentPrinter::Print(&document, printer.get(), 5000));
    QVERIFY(!QFileInfo::exists(pdf));
    QVERIFY(!QFileInfo::exists(PartialPdfPath(pdf)));

    // The same document in parts that hold the row prints it.
    QTextDocument again;
    again.setHtml(html);
    auto second = PdfPrinter(pdf);
    QVERIFY(DocumentPrinter::Print(&again, second.get(), 40000));
    QVERIFY(PdfReader::Text(pdf).contains(QStringLiteral("R%1").arg(tallRow, 5, 10, QLatin1Char('0'))));
}

// The list pages and the report viewer print through the printing thread: it tells the user in the
// program's words, on the main window, and writes no file.
void TestDocumentPrinter::listPrintSaysWhenNothingWasPrinted()
{
    QMainWindow mainWindow;
    AppSettings::Instance()->mainWindow = &mainWindow;
    // A row of seven million pixels: more than the tallest part.
    QString html = QStringLiteral("<html><body><table border=1><thead><tr><th>Code</th></tr></thead>"
                                  "<tr><td>first</td></tr><tr><td><img width=1 height=7000000>tall</td></tr>"
                                  "<tr><td>last</td></tr></table></body></html>");
    const QString pdf = PdfPath(QStringLiteral("report.pdf"));
    QFile::remove(pdf);
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFileName(pdf);
    ModalAnswerer answerer;
    answerer.pressButton(QMessageBox::Ok);
    QVERIFY(!ReportPrinter::PrintHtmlOnThread(&html, &printer));
    QVERIFY(answerer.failures.isEmpty());
    QCOMPARE(answerer.seen.size(), 1);
    QCOMPARE(answerer.seen.first().title, QStringLiteral("Print"));
    QCOMPARE(answerer.seen.first().text, QStringLiteral("The document is too long to be printed whole. Nothing was printed."));
    QVERIFY(!QFileInfo::exists(pdf));
    AppSettings::Instance()->mainWindow = nullptr;
}

void TestDocumentPrinter::listInSlicesPrintsAsOneDocument_data()
{
    QTest::addColumn<bool>("lineBreak"); // a cell of the list holds a line break
    QTest::addColumn<bool>("late");      // the slices are handed over from another thread once the printing waits
    QTest::newRow("widest text and longest word late in the list") << false << false;
    QTest::newRow("a cell holding a line break") << true << false;
    QTest::newRow("slices handed over late, from another thread") << false << true;
}

// A long list is read whole, then built, laid out and printed a slice of rows at a time: its pages are those
// of the one document of all its rows, also where the widest text or the longest word of a column comes late.
void TestDocumentPrinter::listInSlicesPrintsAsOneDocument()
{
    QFETCH(bool, lineBreak);
    QFETCH(bool, late);
    QImage logo(200, 100, QImage::Format_RGB32);
    logo.fill(QColor(200, 30, 30));
    const QString logoPath = PdfPath(QStringLiteral("logo.png"));
    QVERIFY(logo.save(logoPath));
    TestSupport::Settings()->setValue(REPORT_COMPANY_LOGO, logoPath);
    const int rows = 230;
    QStandardItemModel model(rows, 3);
    model.setHorizontalHeaderLabels({QStringLiteral("CODE"), QStringLiteral("NAME"), QStringLiteral("NOTE")});
    for (int r = 0; r < rows; ++r) {
        model.setItem(r, 0, new QStandardItem(QStringLiteral("C%1").arg(r, 4, 10, QLatin1Char('0'))));
        model.setItem(r, 1, new QStandardItem(r == 170 ? QStringLiteral("The widest name of the list, late in it")
                                              : lineBreak && r == 60 ? QStringLiteral("Name of\ntwo lines")
                                                                     : QStringLiteral("Name %1").arg(r)));
        model.setItem(r, 2, new QStandardItem(r == 190 ? QStringLiteral("Unbreakablelongestwordofthenotes")
                                              : r % 9 == 0 ? QStringLiteral("a note <%1> that wraps over the lines of its column "
                                                                            "and then some more").arg(r)
                                                           : QString()));
    }
    QTableView view;
    view.setModel(&model);

    ReportPrinter reportPrinter;
    QString html;
    QTextStream out(&html);
    reportPrinter.TableViewToHtml(QStringLiteral("SLICED"), &out, &view, nullptr);
    out.flush();
    QTextDocument document;
    document.setHtml(html);
    const QString onePdf = PdfPath(QStringLiteral("onelist.pdf"));
    auto one = PdfPrinter(onePdf);
    QVERIFY(DocumentPrinter::Print(&document, one.get()));

    const QString slicedPdf = PdfPath(QStringLiteral("slicedlist.pdf"));
    auto sliced = PdfPrinter(slicedPdf);
    DocumentPrinter::List list;
    QVector<QString> texts;
    const QVector<int> printed = ReportPrinter::PrintedColumns(&view, nullptr);
    reportPrinter.ReadList(QStringLiteral("SLICED"), &view, printed, sliced.get(), &list, &texts);
    QCOMPARE(list.rows, rows);
    const int sliceRows = 40;
    QVector<QVector<QString>> slices;
    for (int from = 0; from < rows; from += sliceRows) {
        QVector<QString> slice;
        for (int r = from; r < std::min(rows, from + sliceRows); ++r)
            slice << ReportPrinter::RowHtml(texts.at(r), printed.size());
        slices << slice;
    }
    if (!late) {
        for (const QVector<QString>& slice : qAsConst(slices))
            list.Add(slice);
        QVERIFY(DocumentPrinter::PrintList(&list, sliced.get(), sliceRows));
    } else {
        // Each slice is handed over only once the printing found none and waits for it.
        QSemaphore starved;
        list.starved = [&] { starved.release(); };
        std::thread feeder([&] {
            for (const QVector<QString>& slice : qAsConst(slices)) {
                starved.acquire();
                list.Add(slice);
            }
        });
        const bool whole = DocumentPrinter::PrintList(&list, sliced.get(), sliceRows);
        starved.release(slices.size()); // a print that ended early leaves no feeder waiting
        feeder.join();
        QVERIFY(whole);
    }

    const int pages = PdfReader::Pages(onePdf);
    QVERIFY2(pages > 5, qPrintable(QString::number(pages)));
    QCOMPARE(PdfReader::Pages(slicedPdf), pages);
    QCOMPARE(PageDigest(slicedPdf), PageDigest(onePdf));
    const QList<QImage> expected = PdfReader::RenderPages(onePdf, 60);
    QCOMPARE(expected.size(), pages);
    SamePages(PdfReader::RenderPages(slicedPdf, 60), expected);
    TestSupport::Settings()->remove(REPORT_COMPANY_LOGO);
}

namespace {

const QStringList eightColumns{"Code", "Name", "Kind", "Price", "Qty", "Date", "Till", "User"};
// Slices of a few pages: the list prints in slices as a long one does, in a fraction of the time.
const int testSliceRows = 300;

// Rows of a list page of eightColumns.
QList<QStringList> ListRows(int rows)
{
    QList<QStringList> cells;
    for (int i = 1; i <= rows; ++i) {
        cells << QStringList{QStringLiteral("L%1").arg(i, 5, 10, QLatin1Char('0')), QStringLiteral("Name %1").arg(i),
                             QStringLiteral("K%1").arg(i % 7), QString::number(i % 100), QString::number(i % 9),
                             QStringLiteral("2024-01-02"), QStringLiteral("T1"), QStringLiteral("admin")};
    }
    return cells;
}

} // namespace

// The list pages' print of a list of three slices: the rows go to the printing thread slice by slice, every
// one of them printed once, in the order shown, and the PDF opened. Seen at every page the printing thread
// paints (the box read on the screen's thread while the printing waits): the box counts the rows printed, and
// the PDF stands under a partial name until it is whole.
void TestDocumentPrinter::longListPrintsEveryRowInSlices()
{
    const int rows = 2 * testSliceRows + 5;
    ListPage page(eightColumns, ListRows(rows));
    page.proxy.sort(0, Qt::DescendingOrder);

    UrlRecorder urls;
    ReportPrinter printer;
    printer.countInterval = 0;
    printer.rowsPerSlice = testSliceRows;
    const QString pdf = ReportPrinter::PdfPath();
    int pages = 0;
    int underItsName = 0;
    int underPartialName = 0;
    QStringList texts;
    QObject screen;
    printer.pagePrinted = [&](int) {
        ++pages;
        underItsName += QFileInfo::exists(pdf);
        underPartialName += QFileInfo::exists(PartialPdfPath(pdf));
        QMetaObject::invokeMethod(&screen, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* busy = qobject_cast<Progress*>(w); busy && busy->isVisible())
                    texts << busy->message();
            }
        }, Qt::BlockingQueuedConnection);
    };
    printer.PrintTableView(QStringLiteral("LONG LIST"), &page.view, false, true);
    QCOMPARE(urls.urls, QList<QUrl>{QUrl::fromLocalFile(pdf)});
    QVERIFY(pages > 2);
    QCOMPARE(underItsName, 0);
    QCOMPARE(underPartialName, pages);
    QVERIFY(!QFileInfo::exists(PartialPdfPath(pdf)));
    QCOMPARE(texts.size(), pages);
    const QRegularExpression count(QStringLiteral("^Printing document, please wait...\n(\\d+) of %1 lines printed$").arg(rows));
    int moved = 0;
    for (const QString& shown : qAsConst(texts)) {
        const QRegularExpressionMatch match = count.match(shown);
        QVERIFY2(match.hasMatch(), qPrintable(shown));
        moved += match.captured(1).toInt() > 0;
    }
    QVERIFY2(moved > 0, qPrintable(texts.last()));

    const QString text = PdfReader::Text(pdf);
    const QRegularExpression code(QStringLiteral("\\bL(\\d{5})\\s+Name (\\d+)\\b"));
    int expected = rows;
    for (auto it = code.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        QCOMPARE(match.captured(1).toInt(), expected);
        QCOMPARE(match.captured(2).toInt(), expected);
        --expected;
    }
    QCOMPARE(expected, 0);
}

namespace {

// A list page whose reading can be watched: watch is called as the print reads the first cell of a row.
class WatchedList : public QStandardItemModel
{
public:
    std::function<void(int row)> watch;
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (watch && index.column() == 0 && role == Qt::DisplayRole)
            watch(index.row());
        return QStandardItemModel::data(index, role);
    }
};

// The busy box on the screen, if any.
Progress* ShownBox()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* busy = qobject_cast<Progress*>(w); busy && busy->isVisible())
            return busy;
    }
    return nullptr;
}

enum WriteFault { UnderAFile, SizeLimit, OldFileAFolder };

} // namespace

void TestDocumentPrinter::unwrittenPdfIsToldAndLeavesNothing_data()
{
    QTest::addColumn<bool>("list"); // a list page's print in slices; else the report viewer's document
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("reason");
    // The painter cannot begin.
    QTest::newRow("document, folder under a file") << false << int(UnderAFile) << "Not a directory";
    QTest::newRow("list, folder under a file") << true << int(UnderAFile) << "Not a directory";
    // Writes fail midway, as on a full disk; the painter still ends well.
    QTest::newRow("document, file-size limit") << false << int(SizeLimit) << "File too large";
    QTest::newRow("list, file-size limit") << true << int(SizeLimit) << "File too large";
    // The written file cannot take its name.
    QTest::newRow("document, old PDF a folder") << false << int(OldFileAFolder) << "Is a directory";
    QTest::newRow("list, old PDF a folder") << true << int(OldFileAFolder) << "Is a directory";
}

// A PDF that did not reach its file whole is not reported written: the user is told why, nothing stands under its
// name or its partial name, nothing is opened.
void TestDocumentPrinter::unwrittenPdfIsToldAndLeavesNothing()
{
    QFETCH(bool, list);
    QFETCH(int, fault);
    QFETCH(QString, reason);
    const QString scratch = TestSupport::ScratchDir();
    WriteFaults::DataFolder data(fault == UnderAFile ? WriteFaults::FolderUnderAFile(scratch) : scratch + QStringLiteral("/faults"));
    const QString pdf = ReportPrinter::PdfPath();
    QDir(QFileInfo(pdf).absolutePath()).removeRecursively();
    if (fault != UnderAFile)
        QVERIFY(QDir().mkpath(QFileInfo(pdf).absolutePath()));
    if (fault == OldFileAFolder)
        QVERIFY(QDir().mkpath(pdf + QStringLiteral("/inside")));
    QStringList expected;
    if (list && fault == OldFileAFolder) {
        expected << QStringLiteral("PDF Print|File [%1] is already opened, or locked. Please close this PDF file and "
                                   "print again.").arg(pdf);
    }
    expected << QStringLiteral("PDF Print|The PDF file %1 could not be written: %2. Nothing was saved.").arg(pdf, reason);

    UrlRecorder urls;
    ModalAnswerer answerer;
    {
        std::unique_ptr<WriteFaults::FileSizeLimit> limit;
        if (fault == SizeLimit)
            limit = std::make_unique<WriteFaults::FileSizeLimit>(20000);
        if (list) {
            ListPage page(eightColumns, ListRows(testSliceRows + 5));
            ReportPrinter printer;
            printer.rowsPerSlice = testSliceRows;
            printer.PrintTableView(QStringLiteral("LONG LIST"), &page.view, false, true);
        } else {
            QString html = ListDocumentHtml(300);
            QPrinter printer(QPrinter::ScreenResolution);
            printer.setOutputFileName(pdf);
            QVERIFY(!ReportPrinter::PrintHtmlOnThread(&html, &printer));
        }
    }
    QCOMPARE(answerer.messages(), expected);
    QVERIFY(urls.urls.isEmpty());
    QCOMPARE(QFileInfo(pdf).isDir(), fault == OldFileAFolder);
    QCOMPARE(QFileInfo::exists(pdf), fault == OldFileAFolder);
    QVERIFY(!QFileInfo::exists(PartialPdfPath(pdf)));
}

// The printing thread counts the rows as it paints the pages of a part, also in a list of one part.
void TestDocumentPrinter::countMovesWithinAPart()
{
    const int rows = 230;
    ListPage page(eightColumns, ListRows(rows));
    auto printer = PdfPrinter(PdfPath(QStringLiteral("onepart.pdf")));
    DocumentPrinter::List list;
    QVector<QString> texts;
    const QVector<int> printed = ReportPrinter::PrintedColumns(&page.view, nullptr);
    ReportPrinter().ReadList(QStringLiteral("ONE PART"), &page.view, printed, printer.get(), &list, &texts);
    QVector<QString> slice;
    for (const QString& text : qAsConst(texts))
        slice << ReportPrinter::RowHtml(text, printed.size());
    list.Add(slice);
    list.countInterval = 0;
    QList<int> counts;
    list.printed = [&](int count) { counts << count; };
    QVERIFY(DocumentPrinter::PrintList(&list, printer.get(), rows));

    QCOMPARE(counts.size(), PdfReader::Pages(PdfPath(QStringLiteral("onepart.pdf"))));
    QVERIFY2(counts.size() > 2, qPrintable(QString::number(counts.size())));
    QVERIFY2(counts.first() > 0, qPrintable(QString::number(counts.first())));
    for (int i = 1; i < counts.size(); ++i)
        QVERIFY2(counts.at(i) > counts.at(i - 1), qPrintable(QStringLiteral("page %1: %2").arg(i + 1).arg(counts.at(i))));
    QCOMPARE(counts.last(), rows);
}

void TestDocumentPrinter::listPrintBoxesCount_data()
{
    QTest::addColumn<bool>("reading"); // the box shown while the rows are read; else while they are printed
    QTest::addColumn<QString>("text");
    QTest::newRow("reading box") << true << "Processing line %1 of %2 for printing...";
    QTest::newRow("printing box") << false << "Printing document, please wait...\n%1 of %2 lines printed";
}

// The list print's boxes, seen while they count (the reading box as rows are read, the printing box each time the
// printing thread counts): each is as small as its texts and its bar, keeps its size, and its count moves past
// zero, the printing box's within the first part.
void TestDocumentPrinter::listPrintBoxesCount()
{
    QFETCH(bool, reading);
    QFETCH(QString, text);
    const int sliceRows = testSliceRows;
    const int rows = sliceRows + 5;
    WatchedList model;
    ListPage::Fill(&model, eightColumns, ListRows(rows));
    SortingProxyModel proxy;
    proxy.setSourceModel(&model);
    QTableView view;
    view.setModel(&proxy);

    struct Seen
    {
        QString text;
        QSize size;
        QSize room; // what its texts and its bar take
        QSize label;
        QSize needs; // what the text shown takes
    };
    QList<Seen> seen;
    const QString longest = text.arg(rows).arg(rows);
    auto look = [&] {
        Progress* box = ShownBox();
        if (!box)
            return;
        const QLabel* label = box->findChild<QLabel*>();
        const QProgressBar* bar = box->findChild<QProgressBar*>();
        const QMargins margins = box->layout()->contentsMargins();
        const QSize textSize = QFontMetrics(label->font()).size(0, longest);
        const QSize room(std::max(textSize.width(), bar->sizeHint().width()) + margins.left() + margins.right(),
                         textSize.height() + box->layout()->spacing() + bar->sizeHint().height() + margins.top()
                             + margins.bottom());
        seen << Seen{box->message(), box->size(), room.expandedTo(QSize(300, 50)), label->size(),
                     QFontMetrics(label->font()).size(0, label->text())};
    };
    QObject screen;
    ReportPrinter printer;
    printer.countInterval = 0;
    printer.rowsPerSlice = sliceRows;
    if (reading) {
        model.watch = [&](int row) {
            if (row % 64 == 0)
                look();
        };
    } else {
        printer.pagePrinted = [&](int) { QMetaObject::invokeMethod(&screen, look, Qt::BlockingQueuedConnection); };
    }
    UrlRecorder urls;
    printer.PrintTableView(QStringLiteral("LONG LIST"), &view, false, true);
    model.watch = nullptr;
    QCOMPARE(urls.urls.size(), 1);

    const QStringList around = text.split(QLatin1String("%1"));
    const QRegularExpression count(QLatin1Char('^') + QRegularExpression::escape(around.first()) + QStringLiteral("(\\d+)")
                                   + QRegularExpression::escape(around.last().arg(rows)) + QLatin1Char('$'));
    int moved = 0;
    for (const Seen& box : qAsConst(seen)) {
        const QRegularExpressionMatch match = count.match(box.text);
        if (!match.hasMatch())
            continue; // the other box
        QVERIFY2(box.size.width() <= box.room.width() && box.size.height() <= box.room.height(),
                 qPrintable(QStringLiteral("%1 x %2 for %3 x %4").arg(box.size.width()).arg(box.size.height())
                                .arg(box.room.width()).arg(box.room.height())));
        QCOMPARE(box.size, seen.first().size);
        QVERIFY2(box.needs.width() <= box.label.width() && box.needs.height() <= box.label.height(),
                 qPrintable(QStringLiteral("%1: %2 x %3 in %4 x %5").arg(box.text).arg(box.needs.width())
                                .arg(box.needs.height()).arg(box.label.width()).arg(box.label.height())));
        const int shown = match.captured(1).toInt();
        moved += shown > 0 && (reading || shown < sliceRows);
    }
    QVERIFY2(moved > 0, qPrintable(seen.isEmpty() ? QString() : seen.last().text));
}

VORANTEL_TEST_MAIN(TestDocumentPrinter)
#include "tst_documentprinter.moc"
