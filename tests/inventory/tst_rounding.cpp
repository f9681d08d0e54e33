#include "rounding.h"

#include <QSettings>
#include <QtTest>

// The three rounding routines, the tax-inclusive net price and the mode setting.
class TestRounding : public QObject
{
    Q_OBJECT

private slots:
    void rounding_data();
    void rounding();
    void netFromTaxInclusive_data();
    void netFromTaxInclusive();
    void netForTillPrice_data();
    void netForTillPrice();
    void modeFromSetting_data();
    void modeFromSetting();
};

void TestRounding::rounding_data()
{
    QTest::addColumn<int>("places");
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("nearest");
    QTest::addColumn<double>("up");
    QTest::addColumn<double>("down");

    // Each row is also run negated: rounding is symmetric about zero.
    QTest::newRow("10.725 half away from zero") << 2 << 10.725 << 10.73 << 10.73 << 10.72;
    QTest::newRow("2.5 to whole units") << 0 << 2.5 << 3.0 << 3.0 << 2.0;
    QTest::newRow("1.234") << 2 << 1.234 << 1.23 << 1.24 << 1.23;
    QTest::newRow("1.239") << 2 << 1.239 << 1.24 << 1.24 << 1.23;
    QTest::newRow("tens up") << -1 << 1234.0 << 1230.0 << 1240.0 << 1230.0;
    QTest::newRow("tens down") << -1 << 1239.0 << 1240.0 << 1240.0 << 1230.0;
    QTest::newRow("hundreds") << -2 << 150.0 << 200.0 << 200.0 << 100.0;
    QTest::newRow("10.5 already exact") << 2 << 10.5 << 10.5 << 10.5 << 10.5;
    // Amounts that already have the places stay as they are, whatever binary noise the scaling adds.
    QTest::newRow("1.1 exact") << 2 << 1.1 << 1.1 << 1.1 << 1.1;
    QTest::newRow("8.2 exact") << 2 << 8.2 << 8.2 << 8.2 << 8.2;
    QTest::newRow("1.15 exact") << 2 << 1.15 << 1.15 << 1.15 << 1.15;
    QTest::newRow("200 x 1.1 exact") << 2 << 200 * 1.1 << 220.0 << 220.0 << 220.0;
    QTest::newRow("1.005 half") << 2 << 1.005 << 1.01 << 1.01 << 1.0;
    QTest::newRow("1.265 half") << 2 << 1.265 << 1.27 << 1.27 << 1.26;
    // A real excess still moves.
    QTest::newRow("1.1000001") << 2 << 1.1000001 << 1.1 << 1.11 << 1.1;
    QTest::newRow("8.1999999") << 2 << 8.1999999 << 8.2 << 8.2 << 8.19;
    QTest::newRow("10 x 1.0725") << 2 << 10 * 1.0725 << 10.73 << 10.73 << 10.72;
    QTest::newRow("10.01 x 1.05") << 2 << 10.01 * 1.05 << 10.51 << 10.52 << 10.51;
    QTest::newRow("zero") << 2 << 0.0 << 0.0 << 0.0 << 0.0;
    QTest::newRow("12345.67 exact") << 2 << 12345.67 << 12345.67 << 12345.67 << 12345.67;
    QTest::newRow("three places") << 3 << 2.0005 << 2.001 << 2.001 << 2.0;
}

void TestRounding::rounding()
{
    QFETCH(int, places);
    QFETCH(double, value);
    QFETCH(double, nearest);
    QFETCH(double, up);
    QFETCH(double, down);

    for (const double sign : {1.0, -1.0}) {
        QCOMPARE(RoundNearest(places, sign * value), sign * nearest);
        QCOMPARE(RoundUp(places, sign * value), sign * up);
        QCOMPARE(RoundDown(places, sign * value), sign * down);
        QCOMPARE(RoundByMode(RoundingNearest, places, sign * value), sign * nearest);
        QCOMPARE(RoundByMode(RoundingUp, places, sign * value), sign * up);
        QCOMPARE(RoundByMode(RoundingDown, places, sign * value), sign * down);
    }
}

void TestRounding::netFromTaxInclusive_data()
{
    QTest::addColumn<int>("places");
    QTest::addColumn<double>("gross");
    QTest::addColumn<double>("rate");
    QTest::addColumn<double>("net");

    QTest::newRow("11.00 at 7.25") << 2 << 11.0 << 7.25 << 10.26;
    QTest::newRow("110.00 at 10") << 2 << 110.0 << 10.0 << 100.0;
    QTest::newRow("10.725 at 7.25") << 2 << 10.725 << 7.25 << 10.0;
    QTest::newRow("10.73 at 7.25") << 2 << 10.73 << 7.25 << 10.0;
    QTest::newRow("rate 0 rounds the gross") << 2 << 12.345 << 0.0 << 12.35;
    QTest::newRow("1.27 at 15 is the nearest net") << 2 << 1.27 << 15.0 << 1.10;
    QTest::newRow("15 at 10") << 2 << 15.0 << 10.0 << 13.64;
    QTest::newRow("negative") << 2 << -11.0 << 7.25 << -10.26;
}

void TestRounding::netFromTaxInclusive()
{
    QFETCH(int, places);
    QFETCH(double, gross);
    QFETCH(double, rate);
    QFETCH(double, net);
    QCOMPARE(NetFromTaxInclusive(places, gross, rate), net);
}

void TestRounding::netForTillPrice_data()
{
    QTest::addColumn<double>("rate");
    QTest::addColumn<int>("places");
    for (const double rate : {0.0, 5.0, 7.25, 10.0, 15.0, 19.6, 20.0, 21.0, 25.0, 150.0})
        for (const int places : {0, 1, 2, 3})
            QTest::addRow("%g %% at %d places", rate, places) << rate << places;
}

// Every price with tax that some net price sells at derives that net price; any other keeps the nearest.
void TestRounding::netForTillPrice()
{
    QFETCH(double, rate);
    QFETCH(int, places);
    const double scale = std::pow(10.0, places);
    const int units = 3000;
    for (const RoundingMode mode : {RoundingNearest, RoundingDown, RoundingUp}) {
        QSet<qint64> sold; // prices with tax in units of the last place
        for (int n = 0; n <= units; ++n) {
            const double net = n / scale;
            const double gross = TillUnitPrice(mode, places, net, rate);
            QCOMPARE(NetForTillPrice(mode, places, gross, rate), net);
            sold.insert(qRound64(gross * scale));
        }
        for (qint64 g = 0; g <= units * (rate / 100 + 1); ++g) {
            const double gross = g / scale;
            if (!sold.contains(g))
                QCOMPARE(NetForTillPrice(mode, places, gross, rate), NetFromTaxInclusive(places, gross, rate));
        }
    }
}

void TestRounding::modeFromSetting_data()
{
    QTest::addColumn<QVariant>("setting"); // invalid: no key
    QTest::addColumn<int>("mode");
    QTest::newRow("absent rounds up") << QVariant() << int(RoundingUp);
    QTest::newRow("round_up") << QVariant(QStringLiteral("round_up")) << int(RoundingUp);
    QTest::newRow("round_down") << QVariant(QStringLiteral("round_down")) << int(RoundingDown);
    QTest::newRow("nearest") << QVariant(QStringLiteral("nearest")) << int(RoundingNearest);
    QTest::newRow("anything else") << QVariant(QStringLiteral("ROUND_UP")) << int(RoundingNearest);
}

void TestRounding::modeFromSetting()
{
    QFETCH(QVariant, setting);
    QFETCH(int, mode);
    QTemporaryDir dir;
    QSettings store(dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat);
    if (setting.isValid())
        store.setValue(QStringLiteral("tax_rounding_off"), setting);
    QCOMPARE(int(ReadRoundingMode(store)), mode);
}

QTEST_GUILESS_MAIN(TestRounding)
#include "tst_rounding.moc"
