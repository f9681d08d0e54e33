#include "pdfreader.h"
#include "reportengine.h"
#include "testsupport.h"
#include "valuesource.h"

#include <QMap>
#include <QRegularExpression>

// Template loading, page set-up, band order and page breaks, read back from the PDFs.
class TestReportEngine : public QObject
{
    Q_OBJECT

private slots:
    void loadTemplate_data();
    void loadTemplate();
    void receiptWithFortyRecords();
    void receiptWithoutRecords();
    void fullPagesStayAboveTheBottomMargin_data();
    void fullPagesStayAboveTheBottomMargin();
    void bandsAndPageBreaks_data();
    void bandsAndPageBreaks();
    void reportPagesKeepTheirOwnPaper();
};

namespace {

// The three-digit record numbers ("Product 007") in the order printed.
QStringList RecordNumbers(const QList<PdfReader::Word>& words)
{
    QStringList order;
    for (const PdfReader::Word& w : words)
        if (QRegularExpression(QStringLiteral("^\\d{3}$")).match(w.text).hasMatch())
            order << w.text;
    return order;
}

QStringList Numbered(int records)
{
    QStringList expected;
    for (int n = 1; n <= records; ++n)
        expected << QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0'));
    return expected;
}

} // namespace

void TestReportEngine::loadTemplate_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("loaded");
    QTest::newRow("receipt no tax") << ":/xml/reports/sales_receipt_no_subitems_no_tax.xml" << true;
    QTest::newRow("no report page") << ":/test/templates/no_pages.xml" << true;
    QTest::newRow("missing resource") << ":/xml/reports/no_such_template.xml" << false;
    QTest::newRow("not well-formed") << ":/test/templates/malformed.xml" << false;
    QTest::newRow("no printable height") << ":/test/templates/zero_height.xml" << false;
    QTest::newRow("no printable width") << ":/test/templates/zero_width.xml" << false;
}

// A refused template prints one empty page; one without printable area used to give an infinite scale.
void TestReportEngine::loadTemplate()
{
    QFETCH(QString, path);
    QFETCH(bool, loaded);
    ReportEngine engine(nullptr);
    engine.recordCounts << 3;
    QCOMPARE(engine.LoadTemplate(path), loaded);
    if (loaded)
        return;
    ValueSource values;
    values.Connect(engine);
    const QString pdf = PrintPdf(engine, QStringLiteral("refused.pdf"));
    QCOMPARE(PdfReader::Pages(pdf), 1);
    QVERIFY(PdfReader::Text(pdf).trimmed().isEmpty());
    QVERIFY(values.asks.isEmpty());
}

void TestReportEngine::receiptWithFortyRecords()
{
    QScopedPointer<ValueSource> values(ValueSource::Shipped(nullptr));
    const QString pdf = values->Print(QStringLiteral(":/xml/reports/sales_receipt_no_subitems.xml"), {40});
    QCOMPARE(PdfReader::Pages(pdf), 2);
    const QString page1 = PdfReader::Text(pdf, 1), page2 = PdfReader::Text(pdf, 2);
    for (const QString& text : {page1, page2}) // the master header repeats
        QVERIFY(text.contains(QLatin1String("Receipt No.")) && text.contains(QLatin1String("Unit Price")));
    QVERIFY(page1.contains(QLatin1String("RECEIPT")) && !page2.contains(QLatin1String("RECEIPT")));
    QVERIFY(page2.contains(QLatin1String("Ten percent off paint")));
    QCOMPARE(RecordNumbers(PdfReader::Words(pdf)), Numbered(40)); // in order, each once
    // Record cells are asked in the counting and in the drawing pass; the rest when drawn.
    for (int r = 0; r < 40; ++r)
        for (const char* name : {"SN", "Product", "Items", "Price/Item", "Discount", "Total", "line_tax"})
            QCOMPARE(values->CountAsks(QLatin1String(name), r), 2);
    QCOMPARE(values->CountAsks(QStringLiteral("receipt_title")), 1);
    QCOMPARE(values->CountAsks(QStringLiteral("_Receipt_Number_")), 2);
    QCOMPARE(values->CountAsks(QStringLiteral("promo")), 1);
    QCOMPARE(values->imageAsks.size(), 1);
}

void TestReportEngine::receiptWithoutRecords()
{
    QScopedPointer<ValueSource> values(ValueSource::Shipped(nullptr));
    const QString pdf = values->Print(QStringLiteral(":/xml/reports/sales_receipt_no_subitems.xml"), {0});
    QCOMPARE(PdfReader::Pages(pdf), 1);
    const QString text = PdfReader::Text(pdf);
    for (const char* expected : {"RECEIPT", "Receipt No.", "Line Tax", "Sub Total", "Ten percent off paint"})
        QVERIFY2(text.contains(QLatin1String(expected)), expected);
    QCOMPARE(values->CountAsks(QStringLiteral("Product")), 0);
}

void TestReportEngine::fullPagesStayAboveTheBottomMargin_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("pages");
    QTest::newRow("invoice 31") << ":/xml/reports/sales_invoice.xml" << 31 << 2;
    QTest::newRow("invoice 32") << ":/xml/reports/sales_invoice.xml" << 32 << 2;
    QTest::newRow("receipt 32") << ":/xml/reports/sales_receipt_no_subitems.xml" << 32 << 2;
    QTest::newRow("purchase order 32") << ":/xml/reports/purchase_order_no_tax.xml" << 32 << 2;
}

// The shipped cells sit far below the band position; a page breaks before a row (or the
// summary) would reach into the 50 mm bottom margin or off the paper.
void TestReportEngine::fullPagesStayAboveTheBottomMargin()
{
    QFETCH(QString, path);
    QFETCH(int, records);
    QFETCH(int, pages);
    QScopedPointer<ValueSource> values(ValueSource::Shipped(nullptr));
    const QString pdf = values->Print(path, {records});
    QCOMPARE(PdfReader::Pages(pdf), pages);

    QList<double> heights;
    const QList<PdfReader::Word> words = PdfReader::Words(pdf, &heights);
    const double bottomMargin = 50 / 25.4 * 72;
    for (const PdfReader::Word& w : words) {
        QVERIFY2(w.box.bottom() <= heights.at(w.page - 1) - bottomMargin, qPrintable(w.text));
        QVERIFY2(w.box.right() <= 595.3, qPrintable(w.text));
    }
    QCOMPARE(RecordNumbers(words), Numbered(records));
    QVERIFY(PdfReader::Text(pdf, pages).contains(QLatin1String("129.60")));
}

void TestReportEngine::bandsAndPageBreaks_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("pages");
    QTest::addColumn<QList<int>>("captionPages"); // pages on which the master header prints
    QTest::addColumn<int>("footerPage"); // page of the master footer
    QTest::newRow("no records") << 0 << 1 << QList<int>{1} << 1;
    // 24 records fill page 1 with the master footer; the summary needs twice its height.
    QTest::newRow("summary breaks") << 24 << 2 << QList<int>{1} << 1;
    QTest::newRow("records break") << 25 << 2 << QList<int>{1, 2} << 2;
    // Page and TotalPages differ on every page but the last.
    QTest::newRow("three pages") << 60 << 3 << QList<int>{1, 2, 3} << 3;
}

void TestReportEngine::bandsAndPageBreaks()
{
    QFETCH(int, records);
    QFETCH(int, pages);
    QFETCH(QList<int>, captionPages);
    QFETCH(int, footerPage);
    ValueSource values;
    values.values = {{"title", "T"}, {"caption", "C"}, {"closing", "S"}};
    values.perRecord = [](int recNo, const QString& name) -> QVariant {
        if (name == QLatin1String("Item"))
            return QStringLiteral("item%1").arg(recNo + 1);
        if (name == QLatin1String("Amount"))
            return recNo + 1;
        return QVariant();
    };
    const QString pdf = values.Print(QStringLiteral("bands"), {records});
    QCOMPARE(PdfReader::Pages(pdf), pages);

    const int sum = records * (records + 1) / 2;
    const QString avg = records ? QString::number(double(sum) / records) : QStringLiteral("0");
    const QString masterFooter = QStringLiteral("Sum %1 avg %2 count %3").arg(sum).arg(avg).arg(records);
    const QString title = QStringLiteral("Title T grand %1 lines %2").arg(sum).arg(records);

    const QList<PdfReader::Word> words = PdfReader::Words(pdf);
    int line = 0;
    for (int page = 1; page <= pages; ++page) {
        const QString text = PdfReader::Text(pdf, page);
        // The token and the named placeholder give the same numbers.
        QCOMPARE(text.count(QStringLiteral("Header page %1 of %2 named %1 of %2").arg(page).arg(pages)), 1);
        QCOMPARE(text.count(QStringLiteral("Footer %1/%2").arg(page).arg(pages)), 1);
        QCOMPARE(text.count(QLatin1String("Caption C")), captionPages.contains(page) ? 1 : 0);
        QCOMPARE(text.count(title), page == 1 ? 1 : 0);
        QCOMPARE(text.count(masterFooter), page == footerPage ? 1 : 0);
        QCOMPARE(text.count(QLatin1String("Summary S")), page == pages ? 1 : 0);
        QVERIFY(!text.contains(QLatin1String("never printed")));

        // Lines continue in order, each row "Line n", its item and its amount; the page
        // footer stays below them.
        double lowestLine = 0, footerTop = 0;
        QMap<double, QStringList> rows;
        for (const PdfReader::Word& w : words) {
            if (w.page != page)
                continue;
            rows[qRound(w.box.top() * 10) / 10.0] << w.text;
            if (w.text == QLatin1String("Footer"))
                footerTop = w.box.top();
        }
        for (auto it = rows.cbegin(); it != rows.cend(); ++it) {
            if (it->first() != QLatin1String("Line"))
                continue;
            ++line;
            QCOMPARE(*it, (QStringList{"Line", QString::number(line), QStringLiteral("item%1").arg(line),
                                       QString::number(line)}));
            lowestLine = it.key();
        }
        QVERIFY(footerTop > lowestLine);
    }
    QCOMPARE(line, records);
}

void TestReportEngine::reportPagesKeepTheirOwnPaper()
{
    ValueSource values;
    values.perRecord = [](int recNo, const QString&) -> QVariant { return QStringLiteral("R%1").arg(recNo); };
    const QString pdf = values.Print(QStringLiteral("two_pages"), {2, 3});
    const QList<QSizeF> sizes = PdfReader::PageSizes(pdf);
    QCOMPARE(sizes.size(), 2);
    QVERIFY(qAbs(sizes.at(0).width() - 595.28) < 1 && qAbs(sizes.at(0).height() - 841.89) < 1);
    // 148 x 210 mm turned to landscape.
    QVERIFY(qAbs(sizes.at(1).width() - 595.28) < 1 && qAbs(sizes.at(1).height() - 419.53) < 1);

    const QString first = PdfReader::Text(pdf, 1), second = PdfReader::Text(pdf, 2);
    QVERIFY(first.contains(QLatin1String("First report page 1/2")) && first.contains(QLatin1String("first R0"))
            && first.contains(QLatin1String("first R1")));
    QVERIFY(second.contains(QLatin1String("Second report page 2/2")) && second.contains(QLatin1String("second R2")));
    // Both passes ask every record, each with its own report page.
    QList<int> perPage{0, 0};
    for (const ValueSource::Ask& a : qAsConst(values.asks))
        perPage[a.reportPage] += 1;
    QCOMPARE(perPage, (QList<int>{2 * 2, 2 * 3}));
}

VORANTEL_TEST_MAIN(TestReportEngine)
#include "tst_reportengine.moc"
