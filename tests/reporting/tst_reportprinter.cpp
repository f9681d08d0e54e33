#include "listpage.h"
#include "appsettings.h"
#include "constants.h"
#include "modalanswerer.h"
#include "pdfreader.h"
#include "progress.h"
#include "reportprinter.h"
#include "testsupport.h"
#include "urlrecorder.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextDocument>
#include <QTextStream>
#include <QTimer>

namespace {

bool pdfComplete(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() < 8)
        return false;
    f.seek(f.size() - 8);
    return f.readAll().contains("%%EOF");
}

} // namespace

class TestReportPrinter : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void htmlIsEscaped();
    void busyBoxCountsTheLines();
    void filteredListPrintsToPdfOnWorkerThread();
    void printRoutes_data();
    void printRoutes();
    void pdfWithoutViewerSaysWhereItIs_data();
    void pdfWithoutViewerSaysWhereItIs();
    void pdfApplicationAskedOnce();
};

void TestReportPrinter::init()
{
    TestSupport::ClearSettings();
    QFile::remove(ReportPrinter::PdfPath());
}

void TestReportPrinter::htmlIsEscaped()
{
    TestSupport::Settings()->setValue(REPORT_COMPANY_NAME, QStringLiteral("R&D <Shop>"));
    TestSupport::Settings()->setValue(REPORT_COMPANY_ADDRESS, QStringLiteral("1 Main St\nSpringfield <North>"));
    TestSupport::Settings()->setValue(REPORT_PHONE_NUMBER, QStringLiteral("555 & 1"));
    ListPage page({QStringLiteral("Name <x>"), QStringLiteral("Note")},
                  {{QStringLiteral("A<B"), QStringLiteral("R&D")},
                   {QStringLiteral("  two \n\t words  "), QStringLiteral("   ")}});
    ReportPrinter printer;
    QString html;
    QTextStream out(&html);
    printer.TableViewToHtml(QStringLiteral("Q&A <REPORT>"), &out, &page.view, nullptr);
    out.flush();

    QVERIFY(html.startsWith(QStringLiteral("<html>\n<head>\n<meta Content=\"Text/html; charset=Windows-1251\">\n"
                                           "<title>Q&amp;A &lt;REPORT&gt;</title>\n")));
    QVERIFY(html.contains(QStringLiteral("<H1 align=\"right\">Q&amp;A &lt;REPORT&gt;</H1><br><br>")));
    QVERIFY(html.contains(QStringLiteral("<div align=\"left\"><H3>R&amp;D &lt;Shop&gt;</H3></div>"
                                         "<div align=\"left\"><H3>1 Main St<br>Springfield &lt;North&gt;</H3></div>"
                                         "<div align=\"left\"><H3>555 &amp; 1</H3></div>")));
    QVERIFY(html.contains(QStringLiteral("<div align=\"right\">Date: %1</div><br>")
                              .arg(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")))));
    QVERIFY(html.contains(QStringLiteral("<thead><tr bgcolor=#ffff7f><th>Name &lt;x&gt;</th><th>Note</th></tr></thead>\n")));
    QVERIFY(html.contains(QStringLiteral("<tr><td bkcolor=0>A&lt;B</td><td bkcolor=0>R&amp;D</td></tr>\n")));
    QVERIFY(html.contains(QStringLiteral("<tr><td bkcolor=0>two words</td><td bkcolor=0>&nbsp;</td></tr>\n")));
    QVERIFY(html.endsWith(QStringLiteral("</table>\n</body>\n</html>\n")));

    // What the printed page shows: the texts as typed, the address on two lines.
    QTextDocument document;
    document.setHtml(html);
    const QString text = document.toPlainText();
    for (const QString& shown : {QStringLiteral("A<B"), QStringLiteral("R&D"), QStringLiteral("R&D <Shop>"),
                                 QStringLiteral("Q&A <REPORT>"), QStringLiteral("Name <x>")})
        QVERIFY2(text.contains(shown), qPrintable(shown));
    QVERIFY(text.contains(QStringLiteral("1 Main St\nSpringfield <North>")) || text.contains(QStringLiteral("1 Main St\u2028Springfield <North>")));
}

void TestReportPrinter::busyBoxCountsTheLines()
{
    ListPage page({QStringLiteral("A")}, {{"x"}, {"y"}, {"z"}});
    QStringList messages;
    QTimer watcher;
    connect(&watcher, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* busy = qobject_cast<Progress*>(w);
            if (busy && busy->isVisible() && (messages.isEmpty() || messages.last() != busy->message()))
                messages << busy->message();
        }
    });
    watcher.start(0);
    ReportPrinter printer;
    QString html;
    QTextStream out(&html);
    printer.TableViewToHtml(QStringLiteral("T"), &out, &page.view, nullptr);
    QCOMPARE(messages, QStringList({QStringLiteral("Processing line 0 of 3 for printing..."),
                                    QStringLiteral("Processing line 1 of 3 for printing..."),
                                    QStringLiteral("Processing line 2 of 3 for printing...")}));
}

void TestReportPrinter::filteredListPrintsToPdfOnWorkerThread()
{
    // 1,000 rows; every third row filtered out, "Secret" hidden, "Note" unticked in the chooser.
    QList<QStringList> rows;
    QStringList expected;
    for (int i = 1; i <= 1000; ++i) {
        const QString code = QStringLiteral("R%1").arg(i, 4, 10, QLatin1Char('0'));
        rows << QStringList{code, QStringLiteral("Name %1").arg(i), QStringLiteral("user%1@example.com").arg(i),
                            QStringLiteral("S%1").arg(i), i % 3 == 0 ? "drop" : "keep", QStringLiteral("N%1").arg(i)};
        if (i % 3 != 0)
            expected.prepend(code);
    }
    ListPage page({"Code", "Name", "Email", "Secret", "Kind", "Note"}, rows);
    page.view.setColumnHidden(3, true);
    page.proxy.setFilterKeyColumn(4);
    page.proxy.setFilterFixedString(QStringLiteral("keep"));
    page.proxy.sort(0, Qt::DescendingOrder);

    ModalAnswerer answerer;
    QStringList offered;
    answerer.handle([&](QWidget* w) {
        auto* list = w->findChild<QListWidget*>(QStringLiteral("listWidget"));
        if (!list)
            return false;
        for (int i = 0; i < list->count(); ++i) {
            offered << list->item(i)->text();
            if (list->item(i)->text() == QLatin1String("Note"))
                list->item(i)->setCheckState(Qt::Unchecked);
        }
        w->findChild<QPushButton*>(QStringLiteral("pushOk"))->click();
        return true;
    });

    // The GUI thread's own timer keeps firing while the worker writes the PDF.
    const QString pdf = ReportPrinter::PdfPath();
    int ticksWhilePrinting = 0;
    QTimer guiTimer;
    connect(&guiTimer, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* busy = qobject_cast<Progress*>(w);
            if (busy && busy->isVisible() && busy->message() == QLatin1String("Printing document, please wait...")
                && !pdfComplete(pdf))
                ++ticksWhilePrinting;
        }
    });
    guiTimer.start(5);

    UrlRecorder urls;
    ReportPrinter printer;
    printer.PrintTableView(QStringLiteral("PRODUCTS REPORT"), &page.view, true, true);
    guiTimer.stop();

    QVERIFY2(answerer.failures.isEmpty(), qPrintable(answerer.failures.join('\n')));
    QCOMPARE(offered, QStringList({"Code", "Name", "Email", "Kind", "Note"}));
    QCOMPARE(answerer.seen.size(), 1); // the chooser only: the PDF button shows no notice
    QCOMPARE(urls.urls, QList<QUrl>{QUrl::fromLocalFile(pdf)});
    QVERIFY(pdfComplete(pdf));
    QVERIFY2(ticksWhilePrinting >= 2, qPrintable(QString::number(ticksWhilePrinting)));

    const QString text = PdfReader::Text(pdf);
    QVERIFY(text.contains(QStringLiteral("PRODUCTS REPORT")));
    QStringList printed;
    const QRegularExpression line(QStringLiteral("^\\s*(R\\d{4})\\s+Name (\\d+)\\s+user(\\d+)@example\\.com\\s+keep\\s*$"),
                                  QRegularExpression::MultilineOption);
    auto it = line.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        QCOMPARE(m.captured(2), m.captured(3));
        printed << m.captured(1);
    }
    QCOMPARE(printed.size(), 667);
    QCOMPARE(printed, expected);
    // Each printed row ends at "keep": no hidden or unticked cell follows.
    for (const char* absent : {"drop", "Secret", "Note"})
        QVERIFY2(!text.contains(QLatin1String(absent)), absent);
}

void TestReportPrinter::printRoutes_data()
{
    QTest::addColumn<bool>("chooser");
    QTest::addColumn<bool>("toPdf");
    QTest::addColumn<QVariant>("printToPdf");
    QTest::addColumn<QString>("answer"); // the button pressed in the one box expected; empty: none
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("printed"); // report.pdf replaced and opened; otherwise the old one stays untouched
    QTest::newRow("print button, settings never written") << false << false << QVariant() << "Close" << "Print to PDF" << true;
    QTest::newRow("PDF button, PDF switch off") << false << true << QVariant(false) << "" << "" << true;
    QTest::newRow("chooser cancelled") << true << false << QVariant() << "Cancel" << "Selector" << false;
    // No printer exists on this machine: whatever the print library makes of that, the
    // report.pdf of an earlier print must not be opened as this one, and the user is told.
    QTest::newRow("printer mode without printer") << false << false << QVariant(false) << "OK" << "Print" << false;
}

void TestReportPrinter::printRoutes()
{
    QFETCH(bool, chooser);
    QFETCH(bool, toPdf);
    QFETCH(QVariant, printToPdf);
    QFETCH(QString, answer);
    QFETCH(QString, title);
    QFETCH(bool, printed);
    if (printToPdf.isValid())
        TestSupport::Settings()->setValue(QStringLiteral("ReportPrintToPDF"), printToPdf);
    QVERIFY(TestSupport::WriteFile(ReportPrinter::PdfPath(), "old"));
    ListPage page({QStringLiteral("Name")}, {{"Ann"}, {"Bob"}});
    ModalAnswerer answerer;
    if (!answer.isEmpty())
        answerer.pressButtonText(answer);
    UrlRecorder urls;
    ReportPrinter printer;
    printer.PrintTableView(QStringLiteral("CUSTOMERS REPORT"), &page.view, chooser, toPdf);

    QCOMPARE(answerer.seen.size(), answer.isEmpty() ? 0 : 1);
    if (!answer.isEmpty())
        QCOMPARE(answerer.seen.first().title, title);
    if (title == QLatin1String("Print to PDF"))
        QCOMPARE(answerer.seen.first().objectName, QStringLiteral("ErrorDialog"));
    if (!printed) {
        QVERIFY(urls.urls.isEmpty());
        QCOMPARE(TestSupport::ReadFile(ReportPrinter::PdfPath()), QByteArray("old"));
        return;
    }
    QCOMPARE(urls.urls, QList<QUrl>{QUrl::fromLocalFile(ReportPrinter::PdfPath())});
    const QString text = PdfReader::Text(ReportPrinter::PdfPath());
    for (const char* shown : {"CUSTOMERS REPORT", "Ann", "Bob"})
        QVERIFY2(text.contains(QLatin1String(shown)), shown);
}

void TestReportPrinter::pdfWithoutViewerSaysWhereItIs_data()
{
    QTest::addColumn<QString>("xdgMime"); // the stand-in's script; empty: no xdg-mime
    QTest::addColumn<bool>("opens");      // openUrl succeeds, as it does whenever xdg-open starts
    QTest::addColumn<QString>("message"); // empty: no box
    const QString notFound = QStringLiteral("PDF File|No program to show PDF files was found. The PDF file was written to:\n");
    const QString notRegistered =
        QStringLiteral("PDF File|No PDF application is registered on this desktop. The PDF file was written to:\n");
    QTest::newRow("nothing opens it") << "" << false << notFound;
    QTest::newRow("application registered") << "echo org.gnome.Evince.desktop" << true << "";
    QTest::newRow("no application registered") << "exit 0" << true << notRegistered;
    QTest::newRow("no application registered, nothing opens it") << "exit 0" << false << notRegistered;
    QTest::newRow("xdg-mime missing") << "" << true << "";
    QTest::newRow("xdg-mime fails") << "echo 'xdg-mime: no method available' >&2; exit 3" << true << "";
    QTest::newRow("xdg-mime does not answer") << "exec /bin/sleep 30" << true << "";
}

void TestReportPrinter::pdfWithoutViewerSaysWhereItIs()
{
    QFETCH(QString, xdgMime);
    QFETCH(bool, opens);
    QFETCH(QString, message);
    TestSupport::Settings()->setValue(QStringLiteral("ReportPrintToPDF"), false);
    ListPage page({QStringLiteral("Name")}, {{"Ann"}, {"Bob"}});
    ModalAnswerer answerer;
    if (!message.isEmpty())
        answerer.pressButton(QMessageBox::Ok);
    QScopedPointer<UrlRecorder> urls(opens ? new UrlRecorder : nullptr);
    {
        StandInPrograms programs;
        // The offscreen platform never starts xdg-open: there openUrl reaches only the recorder.
        QVERIFY(programs.add(QStringLiteral("xdg-open"), "exit 3"));
        if (!xdgMime.isEmpty())
            QVERIFY(programs.add(QStringLiteral("xdg-mime"), xdgMime.toUtf8()));
        ReportPrinter printer;
        printer.PrintTableView(QStringLiteral("CUSTOMERS REPORT"), &page.view, false, true);
    }

    QCOMPARE(answerer.messages(), message.isEmpty() ? QStringList()
                                                    : QStringList{message + QDir::toNativeSeparators(ReportPrinter::PdfPath())});
    if (opens)
        QCOMPARE(urls->urls, QList<QUrl>{QUrl::fromLocalFile(ReportPrinter::PdfPath())});
    QVERIFY(PdfReader::Text(ReportPrinter::PdfPath()).contains(QLatin1String("CUSTOMERS REPORT")));
}

// Every PDF printed (a receipt at every sale) is opened: the desktop is asked about its PDF
// application once, not at every print.
void TestReportPrinter::pdfApplicationAskedOnce()
{
    ListPage page({QStringLiteral("Name")}, {{"Ann"}});
    UrlRecorder urls;
    const QString calls = TestSupport::ScratchDir() + QStringLiteral("/xdg-mime-calls");
    QFile::remove(calls);
    {
        StandInPrograms programs;
        QVERIFY(programs.add(QStringLiteral("xdg-mime"),
                             "echo asked >> '" + QFile::encodeName(calls) + "'\necho org.gnome.Evince.desktop"));
        ReportPrinter printer;
        printer.PrintTableView(QStringLiteral("FIRST REPORT"), &page.view, false, true);
        printer.PrintTableView(QStringLiteral("SECOND REPORT"), &page.view, false, true);
    }

    QCOMPARE(urls.urls.size(), 2);
    QVERIFY(PdfReader::Text(ReportPrinter::PdfPath()).contains(QLatin1String("SECOND REPORT")));
    QCOMPARE(TestSupport::ReadFile(calls), QByteArray("asked\n"));
}

VORANTEL_TEST_MAIN(TestReportPrinter)
#include "tst_reportprinter.moc"
