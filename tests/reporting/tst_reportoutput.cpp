#include "messagesettings.h"
#include "modalanswerer.h"
#include "partialpdf.h"
#include "pdfreader.h"
#include "reportengine.h"
#include "testsupport.h"
#include "urlrecorder.h"
#include "valuesource.h"
#include "writtenpdf.h"
#include "writefaults.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinterInfo>
#include <QPushButton>
#include <QStandardPaths>
#include <QTextEdit>
#include <QToolBar>

// The printer, PDF and preview outputs with their notices, files and opened URLs.
class TestReportOutput : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void printerRoutines_data();
    void printerRoutines();
    void pdfFileRoutes_data();
    void pdfFileRoutes();
    void dataFolderIsCreated();
    void lockedPdfWarns_data();
    void lockedPdfWarns();
    void unwrittenPdfIsTold_data();
    void unwrittenPdfIsTold();
    void readBackTakesOnlyAWholePdf_data();
    void readBackTakesOnlyAWholePdf();
    void previewOpensAndCloses();
    void previewStepsBackWhenShownAgain();

private:
    enum Routine { Receipt, Report, Secondary, PdfFile };
    static void Run(ReportEngine& engine, int routine);
    static QString DataPath(const QString& file);
    ReportEngine* NewReceipt(int records, const QString& templ = QString());
    ValueSource* values = nullptr;
};

void TestReportOutput::init()
{
    TestSupport::ClearSettings();
    for (int n = 1; n <= 49; ++n)
        (*MessageSettings::Instance())[QStringLiteral("err_msg_%1").arg(n)] = MessageSettings::Flags{true, false};
    QDir data(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    data.removeRecursively();
    QVERIFY(data.mkpath(QStringLiteral(".")));
    delete values;
    values = ValueSource::Shipped(this);
}

void TestReportOutput::Run(ReportEngine& engine, int routine)
{
    if (routine == Secondary)
        engine.PrintToSecondaryPrinter();
    else if (routine == PdfFile)
        engine.PrintToPDFFile(QString(), true, false);
    else
        engine.PrintToPrinter(routine == Report);
}

QString TestReportOutput::DataPath(const QString& file)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1Char('/') + file;
}

ReportEngine* TestReportOutput::NewReceipt(int records, const QString& templ)
{
    auto* engine = new ReportEngine(nullptr);
    engine->recordCounts << records;
    engine->LoadTemplate(templ.isEmpty() ? QStringLiteral(":/xml/reports/sales_receipt_no_subitems.xml") : templ);
    values->Connect(*engine);
    return engine;
}

void TestReportOutput::printerRoutines_data()
{
    QTest::addColumn<int>("routine");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("noticeId");
    QTest::addColumn<QString>("title"); // empty: the notice is switched off
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("flagKey"); // empty: settings never written
    QTest::addColumn<QString>("printerKey");
    const QString tail = QStringLiteral(" printer settings from Settings dialog. Currently it is configured to print to PDF file.");
    const QString pdf = QStringLiteral("pdf_print.pdf"), secondaryPdf = QStringLiteral("pdf_print_secondary.pdf");
    QTest::newRow("receipt printer") << int(Receipt) << pdf << "err_msg_1" << "Print to PDF" << "Please change Point of Sale" + tail << "" << "";
    QTest::newRow("report printer") << int(Report) << pdf << "err_msg_2" << "Print to PDF" << "Please change Report" + tail << "" << "";
    QTest::newRow("secondary printer") << int(Secondary) << secondaryPdf << "err_msg_47" << "Secondary Print to PDF"
                                       << "Please change Secondary Point of Sale" + tail << "" << "";
    QTest::newRow("receipt notice silenced") << int(Receipt) << pdf << "err_msg_1" << "" << "" << "" << "";
    // PDF switched off and a printer name that no installed printer has.
    QTest::newRow("named receipt printer") << int(Receipt) << pdf << "" << "" << "" << "ReceiptPrintToPDF" << "receiptPrinter";
    QTest::newRow("named report printer") << int(Report) << pdf << "" << "" << "" << "ReportPrintToPDF" << "reportPrinter";
    QTest::newRow("named secondary printer") << int(Secondary) << secondaryPdf << "" << "" << ""
                                             << "SecondaryPrintToPDF" << "secondaryPrinter";
}

// With settings never written every printer routine tells the user (unless silenced) and prints to
// PDF, replacing an older file. A named printer that is not found gives no notice but a message
// naming it, and the PDF of an earlier print is neither touched nor shown as if it were this one.
void TestReportOutput::printerRoutines()
{
    QFETCH(int, routine);
    QFETCH(QString, file);
    QFETCH(QString, noticeId);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(QString, flagKey);
    QFETCH(QString, printerKey);
    const QString printerName = QStringLiteral("Kitchen Printer 7");
    QVERIFY(!QPrinterInfo::availablePrinterNames().contains(printerName));
    if (!flagKey.isEmpty()) {
        TestSupport::Settings()->setValue(flagKey, false);
        TestSupport::Settings()->setValue(printerKey, printerName);
    }
    if (title.isEmpty() && !noticeId.isEmpty())
        (*MessageSettings::Instance())[noticeId].show = false;
    QVERIFY(TestSupport::WriteFile(DataPath(file), "earlier print"));
    ModalAnswerer answerer;
    QString shownText;
    bool checkBoxShown = false;
    // The notice is answered here; a message box (a printer that can not start) gets its default button.
    if (!title.isEmpty()) {
        answerer.handle([&](QWidget* w) {
            if (w->objectName() != QLatin1String("ErrorDialog") || w->windowTitle() != title)
                return false;
            shownText = w->findChild<QTextEdit*>(QStringLiteral("txtMessage"))->toPlainText();
            checkBoxShown = w->findChild<QCheckBox*>(QStringLiteral("checkNotShow"))->isVisibleTo(w);
            w->findChild<QPushButton*>(QStringLiteral("pushButton"))->click();
            return true;
        });
    }
    UrlRecorder urls;
    QScopedPointer<ReportEngine> engine(NewReceipt(3));
    Run(*engine, routine);
    const int boxes = title.isEmpty() ? (flagKey.isEmpty() ? 0 : 1) : 1;
    // No box turns up late.
    QVERIFY(!QTest::qWaitFor([&] { return answerer.seen.size() > boxes; }, 100));

    QVERIFY2(answerer.failures.isEmpty(), qPrintable(answerer.failures.join(QLatin1Char('\n'))));
    QCOMPARE(answerer.seen.size(), boxes);
    if (!title.isEmpty()) {
        QCOMPARE(shownText, text);
        QVERIFY(checkBoxShown);
        QVERIFY((*MessageSettings::Instance())[noticeId].show);
    }
    if (!flagKey.isEmpty()) {
        // The printer that can not start is named, not passed over in silence.
        QCOMPARE(answerer.messages(),
                 QStringList{QStringLiteral("Printer|The printer '%1' can not be started, so nothing was printed. Please "
                                            "check that it is connected and switched on, or choose another printer in "
                                            "the Settings dialog.")
                                 .arg(printerName)});
        QVERIFY(urls.urls.isEmpty());
        QCOMPARE(TestSupport::ReadFile(DataPath(file)), QByteArray("earlier print"));
        return;
    }
    QCOMPARE(urls.urls, QList<QUrl>{QUrl::fromLocalFile(DataPath(file))});
    QCOMPARE(PdfReader::Pages(DataPath(file)), 1);
    QVERIFY(PdfReader::Text(DataPath(file)).contains(QLatin1String("Product 003")));
}

void TestReportOutput::pdfFileRoutes_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("open");
    QTest::addColumn<bool>("secondary");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("templ"); // empty: the receipt
    QTest::addColumn<bool>("noDataFolder");
    QTest::newRow("named, not opened") << "x.pdf" << false << false << "x.pdf" << "" << false;
    QTest::newRow("default name") << "" << true << false << "pdf_print.pdf" << "" << false;
    QTest::newRow("default secondary name") << "" << true << true << "pdf_print_secondary.pdf" << "" << false;
    QTest::newRow("no data folder yet") << "fresh.pdf" << false << false << "fresh.pdf" << "" << true;
    QTest::newRow("template without report page") << "" << true << false << "pdf_print.pdf"
                                                  << ":/test/templates/no_pages.xml" << false;
}

void TestReportOutput::pdfFileRoutes()
{
    QFETCH(QString, fileName);
    QFETCH(bool, open);
    QFETCH(bool, secondary);
    QFETCH(QString, written);
    QFETCH(QString, templ);
    QFETCH(bool, noDataFolder);
    if (noDataFolder)
        QVERIFY(QDir(DataPath(QString())).removeRecursively());
    ModalAnswerer answerer;
    UrlRecorder urls;
    QScopedPointer<ReportEngine> engine(NewReceipt(5, templ));
    engine->PrintToPDFFile(fileName, open, secondary);
    QVERIFY(!QTest::qWaitFor([&] { return !answerer.seen.isEmpty(); }, 50));

    QVERIFY(answerer.seen.isEmpty());
    QCOMPARE(PdfReader::Pages(DataPath(written)), 1);
    QCOMPARE(urls.urls, open ? QList<QUrl>{QUrl::fromLocalFile(DataPath(written))} : QList<QUrl>{});
    QCOMPARE(QDir(DataPath(QString())).entryList(QDir::Files), QStringList{written});
    QCOMPARE(values->asks.isEmpty(), !templ.isEmpty()); // a template without report page asks nothing
}

void TestReportOutput::dataFolderIsCreated()
{
    QVERIFY(QDir(DataPath(QString())).removeRecursively());
    ModalAnswerer answerer;
    UrlRecorder urls;
    QScopedPointer<ReportEngine> engine(NewReceipt(1));
    engine->PrintToSecondaryPrinter();
    QCOMPARE(PdfReader::Pages(DataPath(QStringLiteral("pdf_print_secondary.pdf"))), 1);
    QCOMPARE(urls.urls.size(), 1);
}

void TestReportOutput::lockedPdfWarns_data()
{
    QTest::addColumn<int>("routine");
    QTest::addColumn<int>("notices");
    QTest::newRow("receipt printer") << int(Receipt) << 1;
    QTest::newRow("pdf file") << int(PdfFile) << 0;
}

// A PDF that cannot be removed (here a folder in its place) gives the "PDF Print" warning; the print, which cannot
// take its name, is told as not written, and nothing is opened.
void TestReportOutput::lockedPdfWarns()
{
    QFETCH(int, routine);
    QFETCH(int, notices);
    const QString path = DataPath(QStringLiteral("pdf_print.pdf"));
    const WriteFaults::FolderInTheWay inTheWay(path);
    QVERIFY(inTheWay.isMade());

    ModalAnswerer answerer;
    for (int i = 0; i < notices; ++i)
        answerer.pressButtonText(QStringLiteral("Close"));
    answerer.pressButton(QMessageBox::Ok);
    UrlRecorder urls;
    QScopedPointer<ReportEngine> engine(NewReceipt(1));
    Run(*engine, routine);

    QVERIFY2(answerer.failures.isEmpty(), qPrintable(answerer.failures.join(QLatin1Char('\n'))));
    QCOMPARE(answerer.messages(), (QStringList{"PDF Print|File [" + path + "] is already opened, or locked. Please close "
                                                                           "this PDF file and print again.",
                                               "PDF Print|The PDF file " + path + " could not be written: Is a directory. "
                                                                                  "Nothing was saved."}));
    QVERIFY(urls.urls.isEmpty());
    QVERIFY(!QFileInfo::exists(path + QStringLiteral(".part")));
    QCOMPARE(WriteFaults::Mode(path), WriteFaults::FolderMode());
}

void TestReportOutput::unwrittenPdfIsTold_data()
{
    QTest::addColumn<int>("routine");
    QTest::addColumn<bool>("sizeLimit"); // writes fail midway; else the folder is under a file
    QTest::addColumn<QString>("reason");
    QTest::newRow("receipt printer, folder under a file") << int(Receipt) << false << "Not a directory";
    QTest::newRow("pdf file, folder under a file") << int(PdfFile) << false << "Not a directory";
    QTest::newRow("receipt printer, file-size limit") << int(Receipt) << true << "File too large";
    QTest::newRow("pdf file, file-size limit") << int(PdfFile) << true << "File too large";
}

// A PDF that did not reach its file whole is told with the system's reason, leaves nothing and is not opened.
void TestReportOutput::unwrittenPdfIsTold()
{
    QFETCH(int, routine);
    QFETCH(bool, sizeLimit);
    QFETCH(QString, reason);
    WriteFaults::DataFolder data(sizeLimit ? DataPath(QStringLiteral("limited"))
                                           : WriteFaults::FolderUnderAFile(TestSupport::ScratchDir()));
    const QString path = DataPath(QStringLiteral("pdf_print.pdf"));
    ModalAnswerer answerer;
    if (routine == Receipt)
        answerer.pressButtonText(QStringLiteral("Close"));
    UrlRecorder urls;
    QScopedPointer<ReportEngine> engine(NewReceipt(40));
    {
        std::unique_ptr<WriteFaults::FileSizeLimit> limit;
        if (sizeLimit)
            limit = std::make_unique<WriteFaults::FileSizeLimit>(2000);
        Run(*engine, routine);
    }

    QVERIFY2(answerer.failures.isEmpty(), qPrintable(answerer.failures.join(QLatin1Char('\n'))));
    QCOMPARE(answerer.messages(), QStringList{"PDF Print|The PDF file " + path + " could not be written: " + reason
                                   + ". Nothing was saved."});
    QVERIFY(urls.urls.isEmpty());
    QVERIFY(!QFileInfo::exists(path));
    QVERIFY(!QFileInfo::exists(path + QStringLiteral(".part")));
}

void TestReportOutput::readBackTakesOnlyAWholePdf_data()
{
    QTest::addColumn<int>("cutAtEnd");
    QTest::addColumn<int>("cutInMiddle");
    QTest::newRow("whole") << 0 << 0;
    QTest::newRow("last 3 bytes cut") << 3 << 0;
    QTest::newRow("4 KiB out of its middle") << 0 << 4096;
    // The table's offset still lies inside the file, but no longer on the table.
    QTest::newRow("100 bytes out of its middle") << 0 << 100;
}

// Edited copies of one whole PDF, each as if the print had just written it: only the whole one takes its name.
void TestReportOutput::readBackTakesOnlyAWholePdf()
{
    QFETCH(int, cutAtEnd);
    QFETCH(int, cutInMiddle);
    QScopedPointer<ReportEngine> engine(NewReceipt(40));
    QVERIFY(engine->PrintToPDFFile(QStringLiteral("whole.pdf"), false, false));
    QByteArray bytes = TestSupport::ReadFile(DataPath(QStringLiteral("whole.pdf")));
    QVERIFY2(bytes.size() > 4 * 4096, qPrintable(QString::number(bytes.size())));
    bytes.chop(cutAtEnd);
    bytes.remove(bytes.size() / 2, cutInMiddle);

    const QString path = DataPath(QStringLiteral("edited.pdf"));
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFileName(path);
    {
        PartialPdf pdf(&printer);
        QVERIFY(TestSupport::WriteFile(PartialPdfPath(path), bytes));
        QCOMPARE(pdf.Complete(), cutAtEnd + cutInMiddle == 0);
    }
    QCOMPARE(QFileInfo::exists(path), cutAtEnd + cutInMiddle == 0);
    QVERIFY(!QFileInfo::exists(PartialPdfPath(path)));
}

void TestReportOutput::previewOpensAndCloses()
{
    ModalAnswerer answerer;
    int pages = 0, shownPage = 0;
    answerer.handle([&](QWidget* w) {
        auto* dialog = qobject_cast<QPrintPreviewDialog*>(w);
        if (!dialog)
            return false;
        auto* preview = dialog->findChild<QPrintPreviewWidget*>();
        pages = preview->pageCount();
        shownPage = preview->currentPage();
        dialog->findChild<QToolBar*>()->actions().last()->trigger(); // its Close button
        return true;
    });
    UrlRecorder urls;
    QScopedPointer<ReportEngine> engine(NewReceipt(40));
    engine->ShowPrintPreview(nullptr);
    QVERIFY2(answerer.failures.isEmpty(), qPrintable(answerer.failures.join(QLatin1Char('\n'))));
    QCOMPARE(answerer.seen.size(), 1);
    QCOMPARE(pages, 2);
    QCOMPARE(shownPage, 1);
    QVERIFY(values->CountAsks(QStringLiteral("receipt_title")) >= 1);
    QVERIFY(urls.urls.isEmpty());
    QVERIFY(QDir(DataPath(QString())).entryList(QDir::Files).isEmpty());
}

// Each time the preview widget is shown, its own "Previous page" key is pressed and page 0
// (no page: the preview stays where the key left it) asked for.
void TestReportOutput::previewStepsBackWhenShownAgain()
{
    ModalAnswerer answerer;
    int pageBeforeHiding = 0, pageShownAgain = 0;
    QString closeText;
    answerer.handle([&](QWidget* w) {
        auto* dialog = qobject_cast<QPrintPreviewDialog*>(w);
        if (!dialog)
            return false;
        auto* preview = dialog->findChild<QPrintPreviewWidget*>();
        preview->setCurrentPage(3);
        pageBeforeHiding = preview->currentPage();
        preview->hide();
        preview->show();
        pageShownAgain = preview->currentPage();
        QAction* close = dialog->findChild<QToolBar*>()->actions().last();
        closeText = close->text();
        close->trigger();
        return true;
    });
    QScopedPointer<ReportEngine> engine(NewReceipt(80)); // three pages
    engine->ShowPrintPreview(nullptr);
    QVERIFY2(answerer.failures.isEmpty(), qPrintable(answerer.failures.join(QLatin1Char('\n'))));
    QCOMPARE(answerer.seen.size(), 1);
    QCOMPARE(pageBeforeHiding, 3);
    QCOMPARE(pageShownAgain, 2);
    QCOMPARE(closeText, QStringLiteral("&Close..."));
}

VORANTEL_TEST_MAIN(TestReportOutput)
#include "tst_reportoutput.moc"
