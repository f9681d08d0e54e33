#include "cpos.h"
#include "messagesettings.h"
#include "pdfreader.h"
#include "posfixture.h"
#include "salesmodel.h"
#include "urlrecorder.h"
#include "writefaults.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTextEdit>

// Printing of the sale on screen: the templates by mode and tax, their values read back from the
// PDF, the roll-paper receipt, and the e-mail draft with the PDF attached.
class TestCPOSPrinting : public PosFixture::SaleScreenTest
{
    Q_OBJECT

public:
    TestCPOSPrinting()
        : SaleScreenTest(QStringLiteral("pos_print"), {},
                         {"err_msg_13", "err_msg_1", "err_msg_47", "err_msg_43", "err_msg_46", "err_msg_41", "err_msg_44"})
    {
    }

private slots:
    void templateFollowsModeAndTax_data();
    void templateFollowsModeAndTax();
    void linesInOrderAndSavingsOnlyWithDiscount_data();
    void linesInOrderAndSavingsOnlyWithDiscount();
    void quantityOfSubItems_data();
    void quantityOfSubItems();
    void longSalePrintsEveryLineOnceInOrder();
    void paidSalePrintsItsTotals_data();
    void paidSalePrintsItsTotals();
    void pdfButtonKeepsOutputSettings();
    void rollPaperNotices_data();
    void rollPaperNotices();
    void secondaryCopy_data();
    void secondaryCopy();
    void smallReceiptPage_data();
    void smallReceiptPage();
    void unreadableLogoPrintsWithoutLogo_data();
    void unreadableLogoPrintsWithoutLogo();
    void missingReceiptPrinterIsReported_data();
    void missingReceiptPrinterIsReported();
    void unwrittenRollPaperPdfIsTold_data();
    void unwrittenRollPaperPdfIsTold();
    void emailAttachesTheDocument_data();
    void emailAttachesTheDocument();
    void emailRefusals_data();
    void emailRefusals();
    void failedDraftShownOnStatusLine_data();
    void failedDraftShownOnStatusLine();

private:
    struct Screen : PosFixture::Screen
    {
        void click(const char* button) const { child<QPushButton>(button)->click(); }
    };
    // A sale of the given lines written straight into the sales database, then shown on the screen.
    QString writeSale(CPOS* screen, const QList<QVariantMap>& lines);
    static QString dataFolder() { return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation); }
    static QString printPdf() { return dataFolder() + QStringLiteral("/pdf_print.pdf"); }
    static QString secondaryPdf() { return dataFolder() + QStringLiteral("/pdf_print_secondary.pdf"); }
    void initTest() override
    {
        QDir(dataFolder()).removeRecursively();
        QDir().mkpath(dataFolder());
    }
};

QString TestCPOSPrinting::writeSale(CPOS* screen, const QList<QVariantMap>& lines)
{
    QSqlDatabase db = TestDatabase::connect(QStringLiteral("pos_print_writer"), salesDb);
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("INSERT INTO tblSalesTransactions (USER_ID, TIME_STAMP, STATUS) "
                               "VALUES ('clerk', NOW(), -1)")))
        return QString();
    const QString id = q.lastInsertId().toString();
    q.prepare(QStringLiteral("INSERT INTO tblSalesInvoice (TRANSACTION_ID, ITEM_INDEX, PRODUCT_NAME, QUANTITY, "
                             "PURCHASE_PRICE, SALE_PRICE, SUB_ITEMS, DISCOUNT, SUB_TOTAL, PURCHASE_SUB_TOTAL, SUB_TAX, "
                             "ITEMS_PER_UNIT, UNIT_NAME, PRINT_UNIT_NAME, TAX_RATE) VALUES (:t, :i, :n, :q, 1, :p, :s, 0, "
                             ":total, 1, 0, :ipu, 'box', :pun, 0)"));
    int index = 0;
    for (const QVariantMap& line : lines) {
        ++index;
        q.bindValue(QStringLiteral(":t"), id);
        q.bindValue(QStringLiteral(":i"), index);
        q.bindValue(QStringLiteral(":n"), line.value(QStringLiteral("NAME"), QStringLiteral("Item %1").arg(index)));
        q.bindValue(QStringLiteral(":q"), line.value(QStringLiteral("QUANTITY"), 1));
        q.bindValue(QStringLiteral(":p"), 10.0);
        q.bindValue(QStringLiteral(":s"), line.value(QStringLiteral("SUB_ITEMS"), QStringLiteral("0")));
        q.bindValue(QStringLiteral(":total"), 10.0);
        q.bindValue(QStringLiteral(":ipu"), line.value(QStringLiteral("ITEMS_PER_UNIT"), 1));
        q.bindValue(QStringLiteral(":pun"), line.value(QStringLiteral("PRINT_UNIT_NAME"), 0));
        if (!q.exec()) {
            qWarning() << q.lastError().text();
            return QString();
        }
    }
    screen->transactionId = id;
    screen->RefreshSalesTable();
    return id;
}

void TestCPOSPrinting::templateFollowsModeAndTax_data()
{
    QTest::addColumn<bool>("invoice");
    QTest::addColumn<bool>("tax");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QStringList>("absent");

    QTest::newRow("receipt with tax") << false << true
                                      << QStringList{"SALES RECEIPT", "Receipt Number", "Line VAT", "Sub Total", "VAT"}
                                      << QStringList{"SALES INVOICE", "Invoice Number", "Customer:"};
    QTest::newRow("receipt without tax") << false << false << QStringList{"SALES RECEIPT", "Receipt Number"}
                                         << QStringList{"Line VAT", "Sub Total", "SALES INVOICE", "Customer:"};
    QTest::newRow("invoice with tax") << true << true
                                      << QStringList{"SALES INVOICE", "Invoice Number", "Ship Via", "Line VAT", "Sub Total"}
                                      << QStringList{"SALES RECEIPT", "Receipt Number"};
    QTest::newRow("invoice without tax") << true << false << QStringList{"SALES INVOICE", "Invoice Number", "Ship Via"}
                                         << QStringList{"Line VAT", "Sub Total", "Receipt Number"};
}

void TestCPOSPrinting::templateFollowsModeAndTax()
{
    QFETCH(bool, invoice);
    QFETCH(bool, tax);
    QFETCH(QStringList, present);
    QFETCH(QStringList, absent);
    AppSettings::Instance()->settings->setValue(QStringLiteral("enable_tax"), tax);
    AppSettings::Instance()->settings->setValue(SALES_TAX_NAME, QStringLiteral("VAT"));
    addStock(QStringLiteral("TEA"), {{"NAME", "Green tea"}, {"TAX_RATE", 10.0}});
    Screen s;
    s.scan(QStringLiteral("TEA"));
    QCOMPARE(s.screen->cartModel->rowCount(), 1);
    s.screen->invoiceMode = invoice;

    UrlRecorder urls;
    s.click("pushPrintPreview");
    QCOMPARE(urls.urls, QList<QUrl>{QUrl::fromLocalFile(printPdf())});
    const QString text = PdfReader::Text(printPdf());
    for (const QString& word : present)
        QVERIFY2(text.contains(word), qPrintable(word + QStringLiteral(" missing from:\n") + text));
    for (const QString& word : absent)
        QVERIFY2(!text.contains(word), qPrintable(word + QStringLiteral(" found in:\n") + text));
    QVERIFY(text.contains(QStringLiteral("Green tea")));
    QVERIFY(text.contains(s.screen->transactionId));
}

void TestCPOSPrinting::linesInOrderAndSavingsOnlyWithDiscount_data()
{
    QTest::addColumn<double>("discount");
    QTest::addColumn<bool>("savings");
    QTest::newRow("no discount") << 0.0 << false;
    QTest::newRow("10 percent") << 10.0 << true;
}

void TestCPOSPrinting::linesInOrderAndSavingsOnlyWithDiscount()
{
    QFETCH(double, discount);
    QFETCH(bool, savings);
    addStock(QStringLiteral("C1"), {{"NAME", "Cocoa"}});
    addStock(QStringLiteral("A2"), {{"NAME", "Apples"}, {"DISCOUNT", discount}});
    addStock(QStringLiteral("B3"), {{"NAME", "Bread"}});
    Screen s;
    for (const char* code : {"C1", "A2", "B3"})
        s.scan(QLatin1String(code));
    QCOMPARE(s.screen->cartModel->rowCount(), 3);

    UrlRecorder urls;
    s.host->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(s.host));
    QTest::keyClick(s.host, Qt::Key_F4);
    QTRY_COMPARE(urls.urls.size(), 1);
    const QString text = PdfReader::Text(printPdf());
    const int cocoa = text.indexOf(QLatin1String("Cocoa"));
    const int apples = text.indexOf(QLatin1String("Apples"));
    const int bread = text.indexOf(QLatin1String("Bread"));
    QVERIFY2(cocoa >= 0 && cocoa < apples && apples < bread, qPrintable(text));
    QCOMPARE(text.contains(QLatin1String("YOUR TOTAL SAVINGS")), savings);
    QCOMPARE(text.contains(QLatin1String("YOUR TOTAL SAVINGS: $ 1.00")), savings);
    QVERIFY(text.contains(QLatin1String("SALES RECEIPT")));
}

void TestCPOSPrinting::quantityOfSubItems_data()
{
    QTest::addColumn<QVariantMap>("line");
    QTest::addColumn<QString>("quantity");
    QTest::newRow("half a dozen more") << QVariantMap{{"QUANTITY", 2}, {"SUB_ITEMS", "6"}, {"ITEMS_PER_UNIT", 12}}
                                       << "2.5";
    QTest::newRow("with unit name")
        << QVariantMap{{"QUANTITY", 2}, {"SUB_ITEMS", "6"}, {"ITEMS_PER_UNIT", 12}, {"PRINT_UNIT_NAME", 1}} << "2.5 box";
    QTest::newRow("zero items per unit as whole units")
        << QVariantMap{{"QUANTITY", 2}, {"SUB_ITEMS", "6"}, {"ITEMS_PER_UNIT", 0}} << "8";
}

void TestCPOSPrinting::quantityOfSubItems()
{
    QFETCH(QVariantMap, line);
    QFETCH(QString, quantity);
    for (const int small : {0, 1}) {
        AppSettings::Instance()->settings->setValue(QStringLiteral("SMALL_RECEIPT"), small);
        Screen s;
        QVERIFY(!writeSale(s.screen, {line}).isEmpty());
        UrlRecorder urls;
        s.click("pushPrintPreview");
        QCOMPARE(urls.urls.size(), 1);
        const QString text = PdfReader::Text(printPdf());
        QVERIFY2(!text.contains(QLatin1String("inf")), qPrintable(text));
        const QRegularExpression cell(QStringLiteral("(^|\\s)%1(?![\\d.])").arg(QRegularExpression::escape(quantity)),
                                      QRegularExpression::MultilineOption);
        QVERIFY2(text.contains(cell), qPrintable(QStringLiteral("small %1:\n%2").arg(small).arg(text)));
    }
}

void TestCPOSPrinting::longSalePrintsEveryLineOnceInOrder()
{
    Screen s;
    QList<QVariantMap> lines;
    for (int i = 1; i <= 300; ++i)
        lines << QVariantMap{{"NAME", QStringLiteral("Line%1x").arg(i, 3, 10, QLatin1Char('0'))}};
    QVERIFY(!writeSale(s.screen, lines).isEmpty());
    QCOMPARE(s.screen->cartModel->rowCount(), 300);

    UrlRecorder urls;
    s.click("pushPrintPreview");
    QCOMPARE(urls.urls.size(), 1);
    const QString text = PdfReader::Text(printPdf());
    QRegularExpressionMatchIterator it = QRegularExpression(QStringLiteral("Line(\\d{3})x")).globalMatch(text);
    QList<int> seen;
    while (it.hasNext())
        seen << it.next().captured(1).toInt();
    QList<int> expected;
    for (int i = 1; i <= 300; ++i)
        expected << i;
    QCOMPARE(seen, expected);
    QVERIFY(PdfReader::Pages(printPdf()) > 1);
}

void TestCPOSPrinting::paidSalePrintsItsTotals_data()
{
    QTest::addColumn<int>("small");
    QTest::newRow("template") << 0;
    QTest::newRow("roll paper") << 1;
}

// Enter in the paid field pays, the second Enter prints: the printout carries the stored payment.
void TestCPOSPrinting::paidSalePrintsItsTotals()
{
    QFETCH(int, small);
    QSettings* store = AppSettings::Instance()->settings;
    store->setValue(QStringLiteral("SMALL_RECEIPT"), small);
    store->setValue(SALES_TAX_NAME, QStringLiteral("VAT"));
    addStock(QStringLiteral("OIL"), {{"NAME", "Olive oil"}, {"TAX_RATE", 10.0}});
    addStock(QStringLiteral("SALT"), {{"NAME", "Sea salt"}, {"TAX_RATE", 10.0}, {"SALE_PRICE", 5.0}});
    Screen s;
    s.scan(QStringLiteral("OIL"));
    s.scan(QStringLiteral("SALT"));
    auto* paid = Child<QLineEdit>(s.screen, "lineEditPaid");
    paid->setText(QStringLiteral("20"));
    CPOS::paidEnterCount = 0;
    UrlRecorder urls;
    s.screen->on_lineEditPaid_returnPressed();
    QCOMPARE(DatabaseTest::Rows(salesDb, QStringLiteral("SELECT STATUS, GRAND_TOTAL FROM tblSalesTransactions WHERE ID = ?"),
                                {s.screen->transactionId}),
             QStringList{"2|16.5"});
    QVERIFY(urls.urls.isEmpty());
    s.screen->on_lineEditPaid_returnPressed();
    QCOMPARE(urls.urls, QList<QUrl>{QUrl::fromLocalFile(printPdf())});

    const QString text = PdfReader::Text(printPdf());
    const QString change = Child<QLineEdit>(s.screen, "lineEditChange")->text();
    QStringList expected{"Olive oil", "Sea salt", "$ 16.50", "$ 1.50", "$ 15.00", "$ 20", "$ " + change};
    if (small == 1)
        expected << "Grand Total: $ 16.50" << "Total VAT: $ 1.50" << "Sub Total: $ 15.00";
    for (const QString& word : expected)
        QVERIFY2(text.contains(word), qPrintable(word + QStringLiteral(" missing from:\n") + text));
    // The roll paper shows the unit price with its tax, then the line total.
    if (small == 1)
        QVERIFY2(text.contains(QRegularExpression(QStringLiteral("Olive oil\\s+11\\.00\\s+11\\.00"))), qPrintable(text));
}

void TestCPOSPrinting::pdfButtonKeepsOutputSettings()
{
    QSettings* store = AppSettings::Instance()->settings;
    store->setValue(QStringLiteral("ReceiptPrintToPDF"), false);
    store->setValue(QStringLiteral("SecondaryPrintToPDF"), false);
    store->setValue(QStringLiteral("receiptPrinter"), QStringLiteral("NoSuchPrinter"));
    for (const int small : {0, 1}) {
        store->setValue(QStringLiteral("SMALL_RECEIPT"), small);
        Screen s;
        QVERIFY(!writeSale(s.screen, {{}}).isEmpty());
        UrlRecorder urls;
        s.click("pushPrintPreview");
        // Written to PDF although the receipt printer is set, and the setting kept for the print button.
        QCOMPARE(urls.urls, QList<QUrl>{QUrl::fromLocalFile(printPdf())});
        QVERIFY(QFile::exists(printPdf()));
        QCOMPARE(s.screen->receiptPrintToPdf, false);
        QCOMPARE(s.screen->secondaryPrintToPdf, false);
        QVERIFY(answerer->seen.isEmpty());
    }
}

void TestCPOSPrinting::rollPaperNotices_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("titles");
    QTest::newRow("print") << "pushPrint"
                           << QStringList{"Print to PDF", "Print Direction", "Secondary Print to PDF", "Print Direction"};
    QTest::newRow("pdf") << "pushPrintPreview" << QStringList{"Print Direction", "Print Direction"};
}

void TestCPOSPrinting::rollPaperNotices()
{
    QFETCH(QString, button);
    QFETCH(QStringList, titles);
    QSettings* store = AppSettings::Instance()->settings;
    store->setValue(QStringLiteral("SMALL_RECEIPT"), 1);
    store->setValue(QStringLiteral("auto_print_to_secondary_printer"), true);
    for (const char* notice : {"err_msg_1", "err_msg_47", "err_msg_43"})
        store->setValue(QLatin1String(notice), true);
    MessageSettings::Instance()->Load();
    Screen s;
    QVERIFY(!writeSale(s.screen, {{}}).isEmpty());
    UrlRecorder urls;
    for (int i = 0; i < titles.size(); ++i)
        answerer->handleClass("ErrorDialog", [](QWidget* dialog) { static_cast<QDialog*>(dialog)->accept(); });
    s.click(button.toLatin1().constData());
    QStringList seen;
    for (const ModalAnswerer::Seen& modal : qAsConst(answerer->seen))
        seen << modal.title;
    QCOMPARE(seen, titles);
    QCOMPARE(urls.urls, (QList<QUrl>{QUrl::fromLocalFile(printPdf()), QUrl::fromLocalFile(secondaryPdf())}));
}

void TestCPOSPrinting::secondaryCopy_data()
{
    QTest::addColumn<int>("small");
    QTest::addColumn<bool>("automatic");
    QTest::newRow("template, no copy") << 0 << false;
    QTest::newRow("template, copy") << 0 << true;
    QTest::newRow("roll paper, copy") << 1 << true;
    QTest::newRow("roll paper, no copy") << 1 << false;
}

void TestCPOSPrinting::secondaryCopy()
{
    QFETCH(int, small);
    QFETCH(bool, automatic);
    QSettings* store = AppSettings::Instance()->settings;
    store->setValue(QStringLiteral("SMALL_RECEIPT"), small);
    store->setValue(QStringLiteral("auto_print_to_secondary_printer"), automatic);
    Screen s;
    QVERIFY(!writeSale(s.screen, {{{"NAME", "Kitchen order"}}}).isEmpty());
    UrlRecorder urls;
    s.click("pushPrint");
    QList<QUrl> expected{QUrl::fromLocalFile(printPdf())};
    if (automatic)
        expected << QUrl::fromLocalFile(secondaryPdf());
    QCOMPARE(urls.urls, expected);
    QCOMPARE(QFile::exists(secondaryPdf()), automatic);
    if (automatic)
        QVERIFY(PdfReader::Text(secondaryPdf()).contains(QLatin1String("Kitchen order")));
}

void TestCPOSPrinting::smallReceiptPage_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("promo");
    QTest::addColumn<bool>("upsideDown");
    QTest::addColumn<int>("marginBottom");
    QTest::newRow("empty cart") << 0 << QString() << false << 0;
    QTest::newRow("three rows, two promotion lines") << 3 << "Buy two\r\n\r\nget one\n" << false << 0;
    QTest::newRow("upside down") << 3 << QString() << true << 0;
    QTest::newRow("bottom margin") << 5 << QString() << false << 10;
}

void TestCPOSPrinting::smallReceiptPage()
{
    QFETCH(int, rows);
    QFETCH(QString, promo);
    QFETCH(bool, upsideDown);
    QFETCH(int, marginBottom);
    QSettings* store = AppSettings::Instance()->settings;
    store->setValue(QStringLiteral("SMALL_RECEIPT"), 1);
    store->setValue(QStringLiteral("promo"), promo);
    store->setValue(QStringLiteral("printDirection"), upsideDown);
    store->setValue(QStringLiteral("marginBottom"), marginBottom);
    Screen s;
    QList<QVariantMap> lines;
    for (int i = 0; i < rows; ++i)
        lines << QVariantMap{};
    QVERIFY(!writeSale(s.screen, lines).isEmpty());

    UrlRecorder urls;
    s.click("pushPrintPreview");
    QCOMPARE(urls.urls, QList<QUrl>{QUrl::fromLocalFile(printPdf())});
    QCOMPARE(PdfReader::Pages(printPdf()), 1);
    const int promoLines = promo.split(QRegularExpression(QStringLiteral("[\r\n]")), Qt::SkipEmptyParts).size();
    const QSizeF size = PdfReader::PageSizes(printPdf()).value(0);
    const double mm = 72.0 / 25.4;
    QVERIFY2(qAbs(size.width() - 76 * mm) < 1, qPrintable(QString::number(size.width())));
    const double length = 5.0 * (rows + promoLines + 21) + marginBottom;
    QVERIFY2(qAbs(size.height() - length * mm) < 1,
             qPrintable(QStringLiteral("%1 <> %2").arg(size.height()).arg(length * mm)));

    const QString text = PdfReader::Text(printPdf());
    QVERIFY2(text.contains(QLatin1String("Served By : clerk")) || upsideDown, qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("Receipt Nr. : %1").arg(s.screen->transactionId)) || upsideDown);

    QList<double> heights;
    const QList<PdfReader::Word> words = PdfReader::Words(printPdf(), &heights);
    double servedTop = -1;
    for (const PdfReader::Word& word : words)
        if (word.text == QLatin1String("Served"))
            servedTop = word.box.top();
    QVERIFY(servedTop >= 0);
    // Near the top of the paper, or near its bottom when the receipt comes out reversed.
    if (upsideDown)
        QVERIFY2(servedTop > heights.value(0) / 2, qPrintable(QString::number(servedTop)));
    else
        QVERIFY2(servedTop < heights.value(0) / 2, qPrintable(QString::number(servedTop)));
}

void TestCPOSPrinting::unreadableLogoPrintsWithoutLogo_data()
{
    QTest::addColumn<int>("small");
    QTest::newRow("template") << 0;
    QTest::newRow("roll paper") << 1;
}

void TestCPOSPrinting::unreadableLogoPrintsWithoutLogo()
{
    QFETCH(int, small);
    QSettings* store = AppSettings::Instance()->settings;
    store->setValue(QStringLiteral("SMALL_RECEIPT"), small);
    const QString broken = TestSupport::ScratchDir() + QStringLiteral("/broken_logo.png");
    QVERIFY(TestSupport::WriteFile(broken, "not an image"));
    store->setValue(REPORT_COMPANY_LOGO, broken);
    store->setValue(REPORT_COMPANY_NAME, QStringLiteral("Corner Shop"));
    Screen s;
    QVERIFY(s.screen->companyLogo.isNull());
    QVERIFY(!writeSale(s.screen, {{}}).isEmpty());
    UrlRecorder urls;
    s.click("pushPrintPreview");
    QCOMPARE(urls.urls.size(), 1);
    QVERIFY(PdfReader::Text(printPdf()).contains(QLatin1String("Corner Shop")));
}

void TestCPOSPrinting::missingReceiptPrinterIsReported_data()
{
    QTest::addColumn<int>("small");
    QTest::newRow("template") << 0;
    QTest::newRow("roll paper") << 1;
}

void TestCPOSPrinting::missingReceiptPrinterIsReported()
{
    QFETCH(int, small);
    QSettings* store = AppSettings::Instance()->settings;
    store->setValue(QStringLiteral("SMALL_RECEIPT"), small);
    store->setValue(QStringLiteral("ReceiptPrintToPDF"), false);
    store->setValue(QStringLiteral("receiptPrinter"), QStringLiteral("NoSuchPrinter"));
    Screen s;
    QVERIFY(!writeSale(s.screen, {{}}).isEmpty());
    UrlRecorder urls;
    s.click("pushPrint");
    QTRY_COMPARE(answerer->seen.size(), 1);
    QCOMPARE(answerer->seen.first().title, QStringLiteral("Printer"));
    QVERIFY(answerer->seen.first().text.contains(QLatin1String("'NoSuchPrinter' can not be started")));
    QVERIFY(urls.urls.isEmpty());
}

void TestCPOSPrinting::unwrittenRollPaperPdfIsTold_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("secondary"); // the second copy printed as well
    QTest::addColumn<bool>("oldPdfAFolder"); // else writes fail midway, as on a full disk
    QTest::addColumn<QString>("reason");
    QTest::newRow("pdf button, file-size limit") << "pushPrintPreview" << false << false << "File too large";
    QTest::newRow("print to pdf, file-size limit") << "pushPrint" << false << false << "File too large";
    QTest::newRow("second copy, file-size limit") << "pushPrint" << true << false << "File too large";
    QTest::newRow("pdf button, old PDF a folder") << "pushPrintPreview" << false << true << "Is a directory";
}

// A roll-paper receipt that did not reach its file whole is told with the system's reason, is not opened and leaves
// nothing; a folder standing under its name keeps its mode.
void TestCPOSPrinting::unwrittenRollPaperPdfIsTold()
{
    QFETCH(QString, button);
    QFETCH(bool, secondary);
    QFETCH(bool, oldPdfAFolder);
    QFETCH(QString, reason);
    QSettings* store = AppSettings::Instance()->settings;
    store->setValue(QStringLiteral("SMALL_RECEIPT"), 1);
    store->setValue(QStringLiteral("auto_print_to_secondary_printer"), secondary);
    std::unique_ptr<WriteFaults::FolderInTheWay> inTheWay;
    if (oldPdfAFolder) {
        inTheWay = std::make_unique<WriteFaults::FolderInTheWay>(printPdf());
        QVERIFY(inTheWay->isMade());
    }
    Screen s;
    QVERIFY(!writeSale(s.screen, {{}}).isEmpty());
    QStringList expected;
    if (oldPdfAFolder)
        expected << QStringLiteral("PDF Print|File %1 is already opened, or locked. Please close this PDF file and "
                                   "print again.").arg(printPdf());
    for (const QString& pdf : secondary ? QStringList{printPdf(), secondaryPdf()} : QStringList{printPdf()})
        expected << QStringLiteral("PDF Print|The PDF file %1 could not be written: %2. Nothing was saved.").arg(pdf, reason);
    UrlRecorder urls;
    {
        std::unique_ptr<WriteFaults::FileSizeLimit> limit;
        if (!oldPdfAFolder)
            limit = std::make_unique<WriteFaults::FileSizeLimit>(3000);
        s.click(button.toLatin1().constData());
    }
    QCOMPARE(answerer->messages(), expected);
    QVERIFY(urls.urls.isEmpty());
    QCOMPARE(QDir(dataFolder()).entryList(QDir::Files), QStringList());
    if (oldPdfAFolder)
        QCOMPARE(WriteFaults::Mode(printPdf()), WriteFaults::FolderMode());
}

void TestCPOSPrinting::emailAttachesTheDocument_data()
{
    QTest::addColumn<bool>("invoiceButton");
    QTest::addColumn<bool>("invoiceMode");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("title");
    QTest::newRow("receipt") << false << false << "Receipt" << "SALES RECEIPT";
    QTest::newRow("invoice") << true << true << "Invoice" << "SALES INVOICE";
    QTest::newRow("invoice button in receipt mode") << true << false << "Invoice" << "SALES RECEIPT";
}

void TestCPOSPrinting::emailAttachesTheDocument()
{
    QFETCH(bool, invoiceButton);
    QFETCH(bool, invoiceMode);
    QFETCH(QString, word);
    QFETCH(QString, title);
    Screen s;
    const QString id = writeSale(s.screen, {{{"NAME", "Lamp oil"}}});
    QVERIFY(!id.isEmpty());
    s.screen->invoiceMode = invoiceMode;
    s.screen->selectedCustomer = {QStringLiteral("7"), QStringLiteral("Ada Byron"), QStringLiteral("1 Loom Street"),
                                  QStringLiteral("ada@example.com"), QStringLiteral("555-0101")};
    UrlRecorder urls;
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    s.click(invoiceButton ? "pushEmailInvoiceToCustomer" : "pushEmailReceiptToCustomer");
    const qint64 after = QDateTime::currentSecsSinceEpoch();

    const QString draft = QDir::tempPath() + QStringLiteral("/VorantelComposedEmail.eml");
    QCOMPARE(urls.urls, QList<QUrl>{QUrl::fromLocalFile(draft)});
    const QStringList pdfs =
        QDir(dataFolder()).entryList({QStringLiteral("%1_%2_*.pdf").arg(word, id)}, QDir::Files);
    QCOMPARE(pdfs.size(), 1);
    const qint64 stamp = pdfs.first().section(QLatin1Char('_'), 2).section(QLatin1Char('.'), 0, 0).toLongLong();
    QVERIFY(stamp >= before && stamp <= after);
    const QString pdfPath = dataFolder() + QLatin1Char('/') + pdfs.first();
    const QString text = PdfReader::Text(pdfPath);
    QVERIFY(text.contains(title));
    QVERIFY(text.contains(QLatin1String("Ada Byron")));
    // The receipt's customer caption comes with the customer.
    QCOMPARE(text.contains(QLatin1String("Customer:")), !invoiceMode);

    const QByteArray mail = TestSupport::ReadFile(draft);
    QVERIFY(mail.contains("To: ada@example.com\r\n"));
    QVERIFY(mail.contains(QStringLiteral("Subject: %1 No. %2\r\n").arg(word, id).toUtf8()));
    QVERIFY(mail.contains(QStringLiteral("filename=\"%1\"").arg(pdfs.first()).toUtf8()));
    // The attachment is the base64 part after the PDF's headers, up to the closing boundary.
    const int start = mail.indexOf("Content-Transfer-Encoding: base64\r\n\r\n");
    QVERIFY(start > 0);
    const int end = mail.indexOf("--VorantelMailerBoundary--", start);
    QByteArray encoded = mail.mid(start + 37, end - start - 37);
    encoded.replace("\r\n", "");
    QCOMPARE(QByteArray::fromBase64(encoded), TestSupport::ReadFile(pdfPath));
}

void TestCPOSPrinting::emailRefusals_data()
{
    QTest::addColumn<bool>("invoiceButton");
    QTest::addColumn<bool>("customer");
    QTest::addColumn<bool>("sale");
    QTest::addColumn<QString>("status");
    QTest::newRow("receipt, no customer") << false << false << true << "No customer selected.";
    QTest::newRow("invoice, no customer, no sale") << true << false << false << "No customer selected.";
    QTest::newRow("receipt, no sale") << false << true << false << "Please start new receipt first.";
    QTest::newRow("invoice, no sale") << true << true << false << "Please start new invoice first.";
}

void TestCPOSPrinting::emailRefusals()
{
    QFETCH(bool, invoiceButton);
    QFETCH(bool, customer);
    QFETCH(bool, sale);
    QFETCH(QString, status);
    Screen s;
    if (sale)
        QVERIFY(!writeSale(s.screen, {{}}).isEmpty());
    if (customer)
        s.screen->selectedCustomer = {QStringLiteral("7"), QStringLiteral("Ada"), QString(),
                                      QStringLiteral("ada@example.com"), QString()};
    UrlRecorder urls;
    s.click(invoiceButton ? "pushEmailInvoiceToCustomer" : "pushEmailReceiptToCustomer");
    QCOMPARE(s.status(), status);
    QVERIFY(urls.urls.isEmpty());
    QCOMPARE(QDir(dataFolder()).entryList(QDir::Files), QStringList());
}

void TestCPOSPrinting::failedDraftShownOnStatusLine_data()
{
    QTest::addColumn<bool>("pdfWritten"); // else its writes fail midway and the draft is never begun
    QTest::addColumn<QString>("status");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("draft not written") << true << "The e-mail draft could not be written or opened." << QStringList();
    QTest::newRow("pdf not written") << false << "" << QStringList{"PDF Print|The PDF file %1 could not be written: "
                                                                   "File too large. Nothing was saved."};
}

// A draft that cannot be written is said on the status line; after a PDF that was not written, only that is told,
// and no file is named.
void TestCPOSPrinting::failedDraftShownOnStatusLine()
{
    QFETCH(bool, pdfWritten);
    QFETCH(QString, status);
    QFETCH(QStringList, messages);
    Screen s;
    const QString id = writeSale(s.screen, {{}});
    QVERIFY(!id.isEmpty());
    s.screen->selectedCustomer = {QStringLiteral("7"), QStringLiteral("Ada"), QString(),
                                  QStringLiteral("ada@example.com"), QString()};
    // A folder where the draft belongs: the draft cannot be written.
    const QString draft = QDir::tempPath() + QStringLiteral("/VorantelComposedEmail.eml");
    QFile::remove(draft);
    QVERIFY(QDir().mkpath(draft));
    UrlRecorder urls;
    {
        std::unique_ptr<WriteFaults::FileSizeLimit> limit;
        if (!pdfWritten)
            limit = std::make_unique<WriteFaults::FileSizeLimit>(3000);
        s.click("pushEmailReceiptToCustomer");
    }
    QDir(draft).removeRecursively();
    QVERIFY(urls.urls.isEmpty());
    QCOMPARE(s.status().left(status.size()), status);
    QVERIFY2(pdfWritten || !s.status().contains(QLatin1String("Receipt_")), qPrintable(s.status()));
    const QString pdf = dataFolder() + QStringLiteral("/Receipt_%1_").arg(id);
    QStringList seen = answerer->messages();
    seen.replaceInStrings(QRegularExpression(QRegularExpression::escape(pdf) + QStringLiteral("\\d+\\.pdf")),
                          QStringLiteral("%1"));
    QCOMPARE(seen, messages);
    QCOMPARE(QDir(dataFolder()).entryList(QDir::Files).size(), pdfWritten ? 1 : 0);
}

VORANTEL_TEST_MAIN(TestCPOSPrinting)
#include "tst_cposprinting.moc"
