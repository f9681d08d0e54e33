#include "barcodeprinter.h"
#include "barcodereader.h"
#include "barcodesettings.h"
#include "listpage.h"
#include "messagesettings.h"
#include "modalanswerer.h"
#include "pdfreader.h"
#include "qzint.h"
#include "testsupport.h"
#include "urlrecorder.h"
#include "writefaults.h"

#include <zint.h>

#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QtTest>

namespace {
const int SHEET_DPI = 110;
const int RENDER_DPI = 220; // twice the sheet's resolution: label pixels map to 2 x 2 rendered pixels

// Top edge of a label row on the sheet: row 1 starts at H + 30, later rows (H + 30) apart.
int RowTop(int row, int height)
{
    return row == 0 ? 10 : (height + 30) * row;
}

QStringList Numbered(const QString& prefix, int count)
{
    QStringList out;
    for (int i = 0; i < count; ++i)
        out << QStringLiteral("%1%2").arg(prefix).arg(i, 2, 10, QLatin1Char('0'));
    return out;
}
} // namespace

class TestBarcodeLabels : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void sheetCodesDecodeAtTheirGridPositions();
    void symbologiesDecode_data();
    void symbologiesDecode();
    void labelWidthLeavesSymbolSizeAlone_data();
    void labelWidthLeavesSymbolSizeAlone();
    void pageCount_data();
    void pageCount();
    void textAboveTheSymbol_data();
    void textAboveTheSymbol();
    void dialogListsFromTheInventoryView();
    void dialogKeepsInnerEmptyLines();
    void dialogRefusesGrid_data();
    void dialogRefusesGrid();
    void unwrittenSheetIsNotOpened_data();
    void unwrittenSheetIsNotOpened();
    void copyImageBeforePreviewDoesNothing();
    void copyImageTakesTheLabelCrop();
    void executableExportsTheFactory();

private:
    static QList<QImage> Cells(const QImage& page, int labels, int columns, int width, int height);

    ModalAnswerer* answerer = nullptr;
};

void TestBarcodeLabels::initTestCase()
{
    answerer = new ModalAnswerer(this);
    // The notices before copying and printing are the user's to silence; here they stay out of the way.
    (*MessageSettings::Instance())[QStringLiteral("err_msg_22")].show = false;
    (*MessageSettings::Instance())[QStringLiteral("err_msg_38")].show = false;
}

void TestBarcodeLabels::init()
{
    QFile::remove(BarcodePrinter::PdfPath());
    QDir(BarcodePrinter::PdfPath()).removeRecursively();
    answerer->clear();
}

void TestBarcodeLabels::cleanup()
{
    QVERIFY2(answerer->failures.isEmpty(), qPrintable(answerer->failures.join(QLatin1Char('\n'))));
    QCOMPARE(answerer->pendingAnswers(), 0);
}

QList<QImage> TestBarcodeLabels::Cells(const QImage& page, int labels, int columns, int width, int height)
{
    const int scale = RENDER_DPI / SHEET_DPI;
    QList<QImage> cells;
    for (int i = 0; i < labels; ++i) {
        const int x = (i % columns) * (width + 10);
        const int top = RowTop(i / columns, height);
        cells << page.copy(x * scale, top * scale, width * scale, height * scale);
    }
    return cells;
}

void TestBarcodeLabels::sheetCodesDecodeAtTheirGridPositions()
{
    const QStringList codes = Numbered(QStringLiteral("STK-"), 41);
    const QStringList names = Numbered(QStringLiteral("N-"), 41);
    BarcodePrinter printer;
    QVERIFY(printer.PrintLabels(BARCODE_CODE128, 10, 215, 100, 1, 10, 4, codes, names, codes, true, false, 12));
    const QString pdf = BarcodePrinter::PdfPath();
    QCOMPARE(QFileInfo(pdf).fileName(), QStringLiteral("barcode.pdf"));
    QCOMPARE(PdfReader::Pages(pdf), 2);

    // Each name sits centred in the 20-pixel line at its label's top edge: x = 0, 225, 450, 675 and
    // rows at 10, 130, 260, 390, ...
    int placed = 0;
    for (const PdfReader::Word& word : PdfReader::Words(pdf)) {
        const int index = names.indexOf(word.text);
        if (index < 0)
            continue;
        const int onPage = index % 40;
        const QRectF line((onPage % 4) * 225, RowTop(onPage / 4, 100), 215, 20);
        const QPointF centre = word.box.center() * SHEET_DPI / 72.0;
        QVERIFY2(word.page == index / 40 + 1 && qAbs(centre.x() - line.center().x()) < 3 && qAbs(centre.y() - line.center().y()) < 4,
                 qPrintable(QStringLiteral("%1 at page %2 (%3, %4)").arg(word.text).arg(word.page).arg(centre.x()).arg(centre.y())));
        ++placed;
    }
    QCOMPARE(placed, 41);

    const QList<QImage> first = Cells(PdfReader::Render(pdf, 1, RENDER_DPI), 40, 4, 215, 100);
    QCOMPARE(BarcodeReader::Decode(first), codes.mid(0, 40));
    // The second page holds the one label left, at row 0, column 0; its second cell stays empty.
    const QList<QImage> second = Cells(PdfReader::Render(pdf, 2, RENDER_DPI), 2, 4, 215, 100);
    QCOMPARE(BarcodeReader::Decode(second), (QStringList{codes.last(), QString()}));
}

void TestBarcodeLabels::symbologiesDecode_data()
{
    QTest::addColumn<int>("symbology");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("decoded");
    QTest::newRow("CODE128") << int(BARCODE_CODE128) << QStringLiteral("AB-12/x") << QStringLiteral("AB-12/x");
    QTest::newRow("EAN-13 check digit added") << int(BARCODE_EANX) << QStringLiteral("590123412345")
                                              << QStringLiteral("5901234123457");
    QTest::newRow("QR") << int(BARCODE_QRCODE) << QStringLiteral("STOCK 4711 'A'") << QStringLiteral("STOCK 4711 'A'");
}

void TestBarcodeLabels::symbologiesDecode()
{
    QFETCH(int, symbology);
    QFETCH(QString, code);
    QFETCH(QString, decoded);
    const QStringList codes{code, code};
    BarcodePrinter printer;
    QVERIFY(printer.PrintLabels(symbology, 10, 215, 100, 1, 10, 4, codes, {QStringLiteral("Milk"), QStringLiteral("Milk")},
                                {QStringLiteral("1.00"), QStringLiteral("1.00")}, true, true, 12));
    const QList<QImage> cells = Cells(PdfReader::Render(BarcodePrinter::PdfPath(), 1, RENDER_DPI), 2, 4, 215, 100);
    QCOMPARE(BarcodeReader::Decode(cells), (QStringList{decoded, decoded}));
}

void TestBarcodeLabels::labelWidthLeavesSymbolSizeAlone_data()
{
    QTest::addColumn<int>("symbology");
    // Symbologies whose size option would take the label width as a column count or version.
    QTest::newRow("PDF417") << int(BARCODE_PDF417);
    QTest::newRow("Aztec") << int(BARCODE_AZTEC);
    QTest::newRow("Data Matrix") << int(BARCODE_DATAMATRIX);
    QTest::newRow("Micro QR") << int(BARCODE_MICROQR);
}

void TestBarcodeLabels::labelWidthLeavesSymbolSizeAlone()
{
    QFETCH(int, symbology);
    Zint::QZint symbol;
    symbol.setSymbol(symbology);
    symbol.setSecurityLevel(0);
    symbol.setWhitespace(10);
    symbol.setWidth(215);
    symbol.setText(QStringLiteral("12345"));
    QImage image(215, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    symbol.render(painter, QRectF(0, 0, 215, 100));
    painter.end();
    QVERIFY2(!symbol.hasErrors(), qPrintable(symbol.lastError()));
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            dark += qGray(image.pixel(x, y)) < 128;
    QVERIFY(dark > 500);
}

void TestBarcodeLabels::pageCount_data()
{
    QTest::addColumn<int>("codes");
    QTest::addColumn<int>("quantity");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("pages");
    QTest::newRow("9 labels in 3 rows of one page") << 9 << 1 << 10 << 4 << 1;
    QTest::newRow("exactly two full pages, no empty third") << 4 << 3 << 2 << 3 << 2;
    QTest::newRow("one label more starts a page") << 13 << 1 << 2 << 3 << 3;
    QTest::newRow("quantity 0: one empty page") << 5 << 0 << 10 << 4 << 1;
}

void TestBarcodeLabels::pageCount()
{
    QFETCH(int, codes);
    QFETCH(int, quantity);
    QFETCH(int, rows);
    QFETCH(int, columns);
    QFETCH(int, pages);
    const QStringList list = Numbered(QStringLiteral("C"), codes);
    BarcodePrinter printer;
    QVERIFY(printer.PrintLabels(BARCODE_CODE128, 10, 215, 100, quantity, rows, columns, list, list, list, true, false, 12));
    QCOMPARE(PdfReader::Pages(BarcodePrinter::PdfPath()), pages);
}

void TestBarcodeLabels::textAboveTheSymbol_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("price");
    QTest::addColumn<bool>("printName");
    QTest::addColumn<bool>("printPrice");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QStringList>("absent");
    QTest::newRow("16 letters cut to 13 and two dots")
        << QStringLiteral("ABCDEFGHIJKLMNOP") << QStringLiteral("12.50") << true << true
        << QStringList{QStringLiteral("ABCDEFGHIJKLM.."), QStringLiteral("$12.50")} << QStringList{QStringLiteral("ABCDEFGHIJKLMN")};
    QTest::newRow("15 letters printed whole")
        << QStringLiteral("ABCDEFGHIJKLMNO") << QStringLiteral("3") << true << true
        << QStringList{QStringLiteral("ABCDEFGHIJKLMNO"), QStringLiteral("$3")} << QStringList{QStringLiteral("..")};
    QTest::newRow("boxes cleared: no text lines")
        << QStringLiteral("Bread") << QStringLiteral("2.20") << false << false << QStringList{}
        << QStringList{QStringLiteral("Bread"), QStringLiteral("$")};
}

void TestBarcodeLabels::textAboveTheSymbol()
{
    QFETCH(QString, name);
    QFETCH(QString, price);
    QFETCH(bool, printName);
    QFETCH(bool, printPrice);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, absent);
    BarcodePrinter printer;
    // Symbols of codes that EAN refuses draw the library's error text, which would mix with the label text.
    QVERIFY(printer.PrintLabels(BARCODE_CODE128, 10, 215, 100, 1, 10, 4, {QStringLiteral("1")}, {name}, {price},
                                printName, printPrice, 12));
    const QString text = PdfReader::Text(BarcodePrinter::PdfPath());
    for (const QString& s : shown)
        QVERIFY2(text.contains(s), qPrintable(text));
    for (const QString& s : absent)
        QVERIFY2(!text.contains(s), qPrintable(text));
}

void TestBarcodeLabels::dialogListsFromTheInventoryView()
{
    QStringList headers;
    for (int c = 0; c < 14; ++c)
        headers << QString::number(c);
    QList<QStringList> rows;
    for (int r = 0; r < 3; ++r) {
        QStringList row;
        for (int c = 0; c < 14; ++c)
            row << QStringLiteral(" r%1  c%2 ").arg(r).arg(c);
        rows << row;
    }
    ListPage page(headers, rows);
    UrlRecorder opened;
    BarcodeSettings dialog(nullptr, &page.view);
    Child<QRadioButton>(&dialog, "radioPrintingMode")->setChecked(true);
    QCOMPARE(Child<QTextEdit>(&dialog, "textEditCodeValues")->toPlainText(), QStringLiteral("r0 c3\nr1 c3\nr2 c3\n"));
    QCOMPARE(Child<QTextEdit>(&dialog, "textProductNames")->toPlainText(), QStringLiteral("r0 c6\nr1 c6\nr2 c6\n"));
    QCOMPARE(Child<QTextEdit>(&dialog, "textPricesValues")->toPlainText(), QStringLiteral("r0 c13\nr1 c13\nr2 c13\n"));

    Child<QPushButton>(&dialog, "pushOk")->click();
    QCOMPARE(opened.urls, QList<QUrl>{QUrl::fromLocalFile(BarcodePrinter::PdfPath())});
    // Three rows make three labels: the final line break adds no empty fourth one.
    const QString text = PdfReader::Text(BarcodePrinter::PdfPath());
    QCOMPARE(text.count(QLatin1Char('$')), 3);
}

void TestBarcodeLabels::dialogKeepsInnerEmptyLines()
{
    UrlRecorder opened;
    BarcodeSettings dialog(nullptr, nullptr);
    Child<QRadioButton>(&dialog, "radioPrintingMode")->setChecked(true);
    Child<QTextEdit>(&dialog, "textEditCodeValues")->setPlainText(QStringLiteral("A1\n\nC3\n"));
    Child<QTextEdit>(&dialog, "textProductNames")->setPlainText(QStringLiteral("nameA\n\nnameC\nnameD\n"));
    Child<QTextEdit>(&dialog, "textPricesValues")->setPlainText(QStringLiteral("1\n"));
    Child<QPushButton>(&dialog, "pushOk")->click();
    QCOMPARE(opened.urls.size(), 1);

    const QString pdf = BarcodePrinter::PdfPath();
    const QStringList decoded = BarcodeReader::Decode(Cells(PdfReader::Render(pdf, 1, RENDER_DPI), 4, 4, 215, 100));
    // The empty middle line is a label of its own (an empty code, which the symbology refuses);
    // the line break after C3 makes none, so the fourth cell stays empty.
    QCOMPARE(decoded.value(0), QStringLiteral("A1"));
    QCOMPARE(decoded.value(2), QStringLiteral("C3"));
    QCOMPARE(decoded.value(3), QString());
    const QString text = PdfReader::Text(pdf);
    QVERIFY2(text.contains(QStringLiteral("nameC")) && !text.contains(QStringLiteral("nameD")), qPrintable(text));
    QCOMPARE(text.count(QLatin1Char('$')), 3);
}

void TestBarcodeLabels::dialogRefusesGrid_data()
{
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QString>("columns");
    QTest::newRow("rows 0") << QStringLiteral("0") << QStringLiteral("4");
    QTest::newRow("columns negative") << QStringLiteral("10") << QStringLiteral("-2");
    QTest::newRow("rows not a number") << QStringLiteral("ten") << QStringLiteral("4");
    QTest::newRow("columns empty") << QStringLiteral("10") << QString();
}

void TestBarcodeLabels::dialogRefusesGrid()
{
    QFETCH(QString, rows);
    QFETCH(QString, columns);
    UrlRecorder opened;
    BarcodeSettings dialog(nullptr, nullptr);
    Child<QRadioButton>(&dialog, "radioPrintingMode")->setChecked(true);
    Child<QTextEdit>(&dialog, "textEditCodeValues")->setPlainText(QStringLiteral("A\nB\n"));
    Child<QLineEdit>(&dialog, "lineRowsPerPage")->setText(rows);
    Child<QLineEdit>(&dialog, "lineColumnsPerPage")->setText(columns);
    answerer->pressButton(QMessageBox::Ok);
    Child<QPushButton>(&dialog, "pushOk")->click();
    QCOMPARE(answerer->messages(),
             QStringList{QStringLiteral("Barcode Label Generator|Please enter whole numbers of 1 or more for rows per "
                                        "page and columns per page.")});
    QVERIFY(!QFile::exists(BarcodePrinter::PdfPath()));
    QVERIFY(opened.urls.isEmpty());
}

void TestBarcodeLabels::unwrittenSheetIsNotOpened_data()
{
    QTest::addColumn<bool>("locked"); // a folder in its place; else writes fail midway, as on a full disk
    QTest::addColumn<QString>("message");
    QTest::newRow("old sheet locked") << true
                                      << "File [%1] is already opened, or locked. Please close this PDF file and print "
                                         "again.";
    QTest::newRow("file-size limit") << false << "The PDF file %1 could not be written: File too large. Nothing was saved.";
}

// A sheet not written whole is told, not opened, and leaves nothing; a folder in its place keeps its mode.
void TestBarcodeLabels::unwrittenSheetIsNotOpened()
{
    QFETCH(bool, locked);
    QFETCH(QString, message);
    const QString path = BarcodePrinter::PdfPath();
    std::unique_ptr<WriteFaults::FolderInTheWay> inTheWay;
    if (locked) {
        inTheWay = std::make_unique<WriteFaults::FolderInTheWay>(path);
        QVERIFY(inTheWay->isMade());
    }
    UrlRecorder opened;
    BarcodeSettings dialog(nullptr, nullptr);
    Child<QRadioButton>(&dialog, "radioPrintingMode")->setChecked(true);
    Child<QTextEdit>(&dialog, "textEditCodeValues")->setPlainText(Numbered(QStringLiteral("A"), 8).join('\n'));
    answerer->pressButton(QMessageBox::Ok);
    {
        std::unique_ptr<WriteFaults::FileSizeLimit> limit;
        if (!locked)
            limit = std::make_unique<WriteFaults::FileSizeLimit>(3000);
        Child<QPushButton>(&dialog, "pushOk")->click();
    }
    QCOMPARE(answerer->messages(), QStringList{"PDF Print|" + message.arg(QFileInfo(path).absoluteFilePath())});
    QVERIFY(opened.urls.isEmpty());
    QCOMPARE(QFileInfo(path).isDir(), locked);
    QCOMPARE(QFileInfo::exists(path), locked);
    QVERIFY(!QFileInfo::exists(path + QStringLiteral(".part")));
    if (locked)
        QCOMPARE(WriteFaults::Mode(path), WriteFaults::FolderMode());
}

void TestBarcodeLabels::copyImageBeforePreviewDoesNothing()
{
    QApplication::clipboard()->clear();
    BarcodeSettings dialog(nullptr, nullptr);
    // The blank text is what the preview holds before its first white image.
    Child<QLabel>(&dialog, "labelBarcodeImage")->setText(QStringLiteral("      "));
    Child<QPushButton>(&dialog, "pushOk")->click();
    QVERIFY(QApplication::clipboard()->pixmap().isNull());
    QVERIFY(answerer->messages().isEmpty());
}

void TestBarcodeLabels::copyImageTakesTheLabelCrop()
{
    BarcodeSettings dialog(nullptr, nullptr);
    dialog.show();
    auto* preview = Child<QLabel>(&dialog, "labelBarcodeImage");
    preview->setFixedSize(400, 200);
    Child<QLineEdit>(&dialog, "lineProductName")->setText(QStringLiteral("Milk"));
    Child<QLineEdit>(&dialog, "lineCodeValue")->setText(QStringLiteral("4711"));
    const QImage drawn = preview->pixmap(Qt::ReturnByValue).toImage();
    QCOMPARE(drawn.size(), QSize(400, 200));

    answerer->pressButton(QMessageBox::Ok);
    Child<QPushButton>(&dialog, "pushOk")->click();
    QCOMPARE(answerer->messages(), QStringList{QStringLiteral("BarCode Generator|Barcode image has been copied, and you "
                                                             "can paste to other documents or work sheets.")});
    const QImage copied = QApplication::clipboard()->image();
    QCOMPARE(copied.size(), QSize(215, 120));
    // From x = (400 - 215) / 2 = 92: the label's own pixels, and the symbol in it decodes.
    QCOMPARE(copied.convertToFormat(QImage::Format_RGB32), drawn.copy(92, 0, 215, 120).convertToFormat(QImage::Format_RGB32));
    QCOMPARE(BarcodeReader::Decode({copied.scaled(430, 240)}), QStringList{QStringLiteral("4711")});
}

void TestBarcodeLabels::executableExportsTheFactory()
{
    QProcess nm;
    nm.start(QStringLiteral("nm"), {QStringLiteral("-D"), QStringLiteral("--defined-only"), QStringLiteral(VORANTEL_APP)});
    QVERIFY(nm.waitForFinished(30000));
    const QString symbols = QString::fromLatin1(nm.readAllStandardOutput());
    QVERIFY2(symbols.contains(QStringLiteral(" T createWidget\n")), "createWidget is not exported");
    // The class's members go with it: constructor, setters and render.
    for (const char* member : {"_ZN4Zint5QZintC1Ev", "_ZN4Zint5QZint8setWidthEi", "_ZN4Zint5QZint16setSecurityLevelEi",
                               "_ZN4Zint5QZint6renderER8QPainterRK6QRectFNS0_15AspectRatioModeE"})
        QVERIFY2(symbols.contains(QLatin1String(member)), member);
}

VORANTEL_TEST_MAIN(TestBarcodeLabels)
#include "tst_barcodelabels.moc"
