#include "pdfreader.h"
#include "reportengine.h"
#include "testsupport.h"
#include "valuesource.h"

#include <QDate>
#include <QDir>
#include <QMap>
#include <QRegularExpression>

#include <algorithm>

// Field drawing, value callbacks, built-in names, formulas, conditions and highlighting.
class TestReportFields : public QObject
{
    Q_OBJECT

private slots:
    void formulaValuesAreData();
    void initTestCase();
    void aggregatesBelongToOnePrint_data();
    void aggregatesBelongToOnePrint();
    void builtInNamesAndFormulas();
    void printingConditions_data();
    void printingConditions();
    void highlighting_data();
    void highlighting();
    void images();
    void borders();
    void alignmentAndWordWrap();
};

namespace {

struct ColourCount
{
    int pixels = 0;
    QRect box;
};

ColourCount CountColour(const QImage& image, const QColor& colour, int tolerance = 40)
{
    ColourCount count;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = line[x];
            if (qAbs(qRed(p) - colour.red()) <= tolerance && qAbs(qGreen(p) - colour.green()) <= tolerance
                && qAbs(qBlue(p) - colour.blue()) <= tolerance) {
                ++count.pixels;
                count.box |= QRect(x, y, 1, 1);
            }
        }
    }
    return count;
}

bool IsDark(QRgb p)
{
    return qGray(p) < 128;
}

} // namespace

void TestReportFields::initTestCase()
{
    // The "image" field of images.xml names its picture relative to the working folder.
    QVERIFY(QDir::setCurrent(TestSupport::ScratchDir()));
}

void TestReportFields::aggregatesBelongToOnePrint_data()
{
    QTest::addColumn<bool>("sameEngine");
    QTest::addColumn<int>("firstRecords");
    QTest::addColumn<int>("secondRecords");
    QTest::newRow("new engine, fewer records") << false << 6 << 3;
    QTest::newRow("same engine printed twice") << true << 5 << 5;
}

// Sum, Avg and Count of one print never include the values of an earlier print.
void TestReportFields::aggregatesBelongToOnePrint()
{
    QFETCH(bool, sameEngine);
    QFETCH(int, firstRecords);
    QFETCH(int, secondRecords);
    int factor = 1;
    ValueSource values;
    values.perRecord = [&factor](int recNo, const QString& name) -> QVariant {
        return name == QLatin1String("Amount") ? QVariant(factor * (recNo + 1)) : QVariant(QStringLiteral("x"));
    };
    auto expected = [](int records, int factor) {
        const int sum = factor * records * (records + 1) / 2;
        return QStringLiteral("Sum %1 avg %2 count %3").arg(sum).arg(double(sum) / records).arg(records);
    };

    QScopedPointer<ReportEngine> engine(new ReportEngine(nullptr));
    engine->recordCounts << firstRecords;
    QVERIFY(engine->LoadTemplate(QStringLiteral(":/test/templates/bands.xml")));
    values.Connect(*engine);
    QVERIFY(PdfReader::Text(PrintPdf(*engine, QStringLiteral("first.pdf"))).contains(expected(firstRecords, 1)));
    factor = 10;
    if (!sameEngine)
        engine.reset();
    const QString text = PdfReader::Text(engine ? PrintPdf(*engine, QStringLiteral("second.pdf"))
                                                : values.Print(QStringLiteral("bands"), {secondRecords}, QStringLiteral("second.pdf")));
    QVERIFY2(text.contains(expected(secondRecords, 10)), qPrintable(text));
    // The title shows the same totals before the records are drawn.
    QVERIFY(text.contains(QStringLiteral("grand %1 lines %2").arg(10 * secondRecords * (secondRecords + 1) / 2).arg(secondRecords)));
}

void TestReportFields::builtInNamesAndFormulas()
{
    ValueSource values;
    values.values = {{"Sent_D_H", "Sent"}, {"date", "2024-05-17"}, {"Price", "2.5"}, {"Qty", 4}};
    const QString text = PdfReader::Text(values.Print(QStringLiteral("expressions")));
    const QString today = QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
    for (const QString& shown : {QStringLiteral("SENT=Sent : 2024-05-17"), "DUE=" + today, QStringLiteral("PC=1 TP=1 LN=1"),
                                 QStringLiteral("PG=1/1"), "DT=" + today, QStringLiteral("MISS=|"), QStringLiteral("F=10"),
                                 QStringLiteral("E=0|0|0")})
        QVERIFY2(text.contains(shown), qPrintable(shown));
    QVERIFY(QRegularExpression(QStringLiteral("TM=\\d\\d:\\d\\d:\\d\\d")).match(text).hasMatch());

    // Built-in names are answered by the engine; the rest go to the caller in text order.
    QCOMPARE(values.NamesAsked(), (QStringList{"Sent_D_H", "date", "missing", "Price", "Qty"}));
}

void TestReportFields::formulaValuesAreData()
{
    ValueSource values;
    values.values = {{"First", "3+4"}, {"Second", "'abc'.toUpperCase()"}, {"Third", "x[1]'\\"},
                     {"Price", "2.5"}, {"Qty", 4}};
    const QString text = PdfReader::Text(values.Print(QStringLiteral("formula_values")));
    for (const QString& shown : {QStringLiteral("A=3+4|"), QStringLiteral("B='abc'.toUpperCase()|"),
                                 QStringLiteral("C=x[1]'\\|"), QStringLiteral("D=10|")})
        QVERIFY2(text.contains(shown), qPrintable(shown + QStringLiteral(" in ") + text));
}

void TestReportFields::printingConditions_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("quote") << "O'Brien";
    QTest::newRow("backslashes") << "C:\\temp\\new";
    QTest::newRow("double quotes") << "say \"hi\"";
    QTest::newRow("line break") << "two\nlines";
}

// A text answer reaches the script as one string literal, whatever it contains.
void TestReportFields::printingConditions()
{
    QFETCH(QString, name);
    const QList<int> quantities{5, 15, 10, 11};

    ValueSource values;
    values.perRecord = [&](int recNo, const QString& param) -> QVariant {
        return param == QLatin1String("Qty")          ? QVariant(quantities.at(recNo))
               : param == QLatin1String("Name")       ? QVariant(name)
               : param == QLatin1String("NameLength") ? QVariant(name.length())
                                                      : QVariant();
    };
    const QString pdf = values.Print(QStringLiteral("conditions"), {quantities.size()});
    QStringList words;
    for (const PdfReader::Word& w : PdfReader::Words(pdf))
        words << w.text;
    std::sort(words.begin(), words.end());

    QStringList expected{"ROW1", "ROW2", "ROW3", "ROW4", "ODD1", "ODD3", "BIG2", "BIG4",
                         "NAMEOK1", "NAMEOK2", "NAMEOK3", "NAMEOK4"};
    std::sort(expected.begin(), expected.end());
    QCOMPARE(words, expected);
    // The field hidden with "0" has a red background and border: nothing of it is drawn.
    QCOMPARE(CountColour(PdfReader::Render(pdf, 1, 50), Qt::red).pixels, 0);
}

void TestReportFields::highlighting_data()
{
    QTest::addColumn<int>("quantity");
    QTest::addColumn<bool>("rulesOn");
    QTest::newRow("condition false") << 5 << false;
    QTest::newRow("condition true") << 15 << true;
}

// Rules change only the properties they name; the others keep the field's own attributes.
void TestReportFields::highlighting()
{
    QFETCH(int, quantity);
    QFETCH(bool, rulesOn);
    ValueSource values;
    values.values = {{"Qty", quantity}};
    const QString pdf = values.Print(QStringLiteral("highlighting"));
    const QImage page = PdfReader::Render(pdf, 1, 60);
    // BOLDRULE keeps its own blue text with a bold rule only.
    QVERIFY(CountColour(page, QColor(0, 0, 255)).pixels > 50);
    // COLORRULE: red when the rule holds, its own green otherwise.
    QCOMPARE(CountColour(page, QColor(255, 0, 0)).pixels > 50, rulesOn);
    QCOMPARE(CountColour(page, QColor(0, 160, 0)).pixels > 50, !rulesOn);
    // A background rule fills the field; without it the field has none.
    QCOMPARE(CountColour(page, QColor(255, 200, 0), 10).pixels > 1000, rulesOn);

    const QStringList fonts = PdfReader::Fonts(pdf);
    QCOMPARE(!fonts.filter(QLatin1String("Bold")).isEmpty(), rulesOn);
    QCOMPARE(!fonts.filter(QLatin1String("Italic")).isEmpty(), rulesOn);
    for (const QString& f : fonts)
        QVERIFY2(f.contains(QLatin1String("LiberationSans")), qPrintable(f));
}

void TestReportFields::images()
{
    QImage picture(240, 120, QImage::Format_ARGB32);
    picture.fill(QColor(0, 0, 255));
    QVERIFY(picture.save(QDir::current().filePath(QStringLiteral("picture_field.png"))));

    ValueSource values;
    QImage own(300, 100, QImage::Format_ARGB32);
    own.fill(QColor(255, 0, 0));
    QImage scaled(50, 50, QImage::Format_ARGB32);
    scaled.fill(QColor(0, 160, 0));
    values.images = {{"own", own}, {"scaled", scaled}};
    const QString pdf = values.Print(QStringLiteral("images"));

    QStringList asked;
    for (const ValueSource::Ask& a : qAsConst(values.imageAsks))
        asked << a.name;
    QCOMPARE(asked, (QStringList{"own", "scaled", "unanswered"}));

    const int dpi = 100;
    const double unit = 0.25 * dpi / 25.4; // one template unit (0.25 mm) in pixels
    const QImage page = PdfReader::Render(pdf, 1, dpi);
    const auto near = [](const QRect& box, double w, double h) {
        return qAbs(box.width() - w) <= 2.5 && qAbs(box.height() - h) <= 2.5;
    };
    // Width -1: one unit per image pixel, less one; scaled: (width - 1) x height units; a picture
    // file at its own size in printer pixels (1200 per inch).
    const QRect ownBox = CountColour(page, QColor(255, 0, 0)).box;
    const QRect scaledBox = CountColour(page, QColor(0, 160, 0)).box;
    const QRect pictureBox = CountColour(page, QColor(0, 0, 255)).box;
    QVERIFY(near(ownBox, 299 * unit, 99 * unit));
    QVERIFY(near(scaledBox, 200 * unit, 100 * unit));
    QVERIFY(near(pictureBox, 240.0 / 1200 * dpi, 120.0 / 1200 * dpi));
    QVERIFY(scaledBox.left() > ownBox.right());
    QVERIFY(pictureBox.top() > ownBox.bottom());
}

// Every line style, the two colours that draw no visible line, and the line widths.
void TestReportFields::borders()
{
    const QString pdf = ValueSource().Print(QStringLiteral("borders"));
    const QImage page = PdfReader::Render(pdf, 1, 300);
    // Horizontal lines seen in the middle of the page, top to bottom: first row, thickness.
    const int x0 = page.width() * 35 / 100;
    const int x1 = page.width() * 75 / 100;
    QList<QPair<int, int>> bands;
    for (int y = 0; y < page.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(page.constScanLine(y));
        if (!std::any_of(line + x0, line + x1, IsDark))
            continue;
        if (!bands.isEmpty() && bands.last().first + bands.last().second == y)
            bands.last().second += 1;
        else
            bands << qMakePair(y, 1);
    }
    // solid, dashed, dotted, dot-dash, dot-dot-dash, unknown, default style, 8px, 8, default width, bottom
    QCOMPARE(bands.size(), 11);

    // Dark runs along the middle row of a band, as long (dash) or short (dot) marks.
    auto pattern = [&](int band) {
        const int y = bands.at(band).first + bands.at(band).second / 2;
        const int width = bands.at(0).second;
        const auto* line = reinterpret_cast<const QRgb*>(page.constScanLine(y));
        QString marks;
        int run = 0;
        for (int x = x0; x <= x1; ++x) {
            if (x < x1 && IsDark(line[x])) {
                ++run;
            } else if (run) {
                marks += run > 3.5 * width ? QLatin1Char('L') : QLatin1Char('s');
                run = 0;
            }
        }
        // Marks cut by the window's edges are not counted.
        return marks.mid(1, marks.size() - 2);
    };
    auto only = [](const QString& marks, QChar c) { return marks.size() > 5 && marks.count(c) == marks.size(); };

    QVERIFY2(pattern(0).isEmpty() && bands.at(0).second >= 4, "solid"); // one run across the window
    QVERIFY2(only(pattern(1), QLatin1Char('L')), qPrintable(pattern(1)));
    QVERIFY2(only(pattern(2), QLatin1Char('s')), qPrintable(pattern(2)));
    QVERIFY2(pattern(3).contains(QLatin1String("LsLsLs")) && !pattern(3).contains(QLatin1String("ss")), qPrintable(pattern(3)));
    QVERIFY2(pattern(4).contains(QLatin1String("LssLssLss")) && !pattern(4).contains(QLatin1String("sss")), qPrintable(pattern(4)));
    QVERIFY2(pattern(5).isEmpty(), "an unknown style draws solid");
    QVERIFY2(pattern(6).isEmpty(), "no style draws solid");

    // "8px" and "8" are the same width, twice that of "4px"; no width means 1.
    QCOMPARE(bands.at(7).second, bands.at(8).second);
    QVERIFY(qAbs(bands.at(7).second - 2 * bands.at(0).second) <= 1);
    QVERIFY(bands.at(9).second < bands.at(0).second);

    // The last field has left, right and bottom lines (its top would have made a twelfth band):
    // half way up, a row crosses exactly the two side lines.
    const int bottom = bands.at(10).first;
    const int fieldHeight = qRound(40 * 0.25 / 25.4 * 300);
    const auto* row = reinterpret_cast<const QRgb*>(page.constScanLine(bottom - fieldHeight / 2));
    int darkColumns = 0;
    for (int x = 0; x < page.width(); ++x)
        darkColumns += IsDark(row[x]) ? 1 : 0;
    QVERIFY2(darkColumns >= 2 && darkColumns <= 2 * bands.at(0).second + 4, qPrintable(QString::number(darkColumns)));
}

// Three fields of one width, one below the other: the left word starts where the field's
// text starts, the right word ends at the field's right edge, the centred one is halfway.
// A long text in a narrow field wraps onto lines of its own, each starting at the field's left.
void TestReportFields::alignmentAndWordWrap()
{
    ValueSource values;
    const QString pdf = values.Print(QStringLiteral("alignment"));
    QMap<QString, QRectF> boxes;
    for (const PdfReader::Word& w : PdfReader::Words(pdf))
        boxes.insert(w.text, w.box);
    const QStringList wrapped{"wrapone", "wraptwo", "wrapthree", "wrapfour", "wrapfive", "wrapsix"};
    for (const QString& word : QStringList{"LEFTWORD", "RIGHTWORD", "MIDWORD"} + wrapped)
        QVERIFY2(boxes.contains(word), qPrintable(word));

    const QRectF left = boxes.value(QStringLiteral("LEFTWORD"));
    const QRectF right = boxes.value(QStringLiteral("RIGHTWORD"));
    const QRectF middle = boxes.value(QStringLiteral("MIDWORD"));
    const double fieldWidth = right.right() - left.left();
    QVERIFY2(fieldWidth > 400, qPrintable(QString::number(fieldWidth))); // most of the A4 width
    QVERIFY2(qAbs(middle.center().x() - (left.left() + right.right()) / 2) < 5, qPrintable(QString::number(middle.center().x())));

    QMap<double, QStringList> lines; // line top -> words, left to right
    for (const QString& word : wrapped)
        lines[qRound(boxes.value(word).top())] << word;
    QVERIFY2(lines.size() >= 2, qPrintable(QString::number(lines.size())));
    QStringList inOrder;
    for (const QStringList& line : qAsConst(lines)) {
        QCOMPARE(boxes.value(line.first()).left(), left.left());
        QVERIFY(boxes.value(line.last()).right() < left.left() + fieldWidth / 2);
        inOrder << line;
    }
    QCOMPARE(inOrder, wrapped);
}

VORANTEL_TEST_MAIN(TestReportFields)
#include "tst_reportfields.moc"
