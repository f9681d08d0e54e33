#include "calculator.h"
#include "testsupport.h"

#include <QLineEdit>
#include <QPushButton>

// Key sequences of the sale screen's calculator and what its display shows after them.
class TestCalculator : public QObject
{
    Q_OBJECT

private slots:
    void sequence_data();
    void sequence();
    void memorySurvivesClearAll();
};

namespace {

// Presses the keys given by their captions, separated by '|'.
QString Press(Calculator& calculator, const QString& keys)
{
    const auto buttons = calculator.findChildren<QPushButton*>();
    for (const QString& caption : keys.split(QLatin1Char('|'))) {
        QPushButton* key = nullptr;
        for (QPushButton* b : buttons)
            if (b->text() == caption)
                key = b;
        if (!key)
            return QStringLiteral("no key ") + caption;
        key->click();
    }
    return calculator.findChild<QLineEdit*>()->text();
}

} // namespace

void TestCalculator::sequence_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("display");
    const struct
    {
        const char* name;
        const char* keys;
        const char* display;
    } rows[] = {
        {"product before sum", "2|+|3|×|4|=", "14.000000"},
        {"sum after product", "2|×|3|+|4|=", "10.000000"},
        {"plus folds the product at once", "2|×|3|+", "6.000000"},
        {"plus twice adds the display again", "2|+|+", "4.000000"},
        {"subtract and divide", "9|-|8|÷|4|=", "7.000000"},
        {"division by zero", "7|÷|0|=", "####"},
        {"digit after an error", "7|÷|0|=|5", "5"},
        {"operator reads an error as zero", "7|÷|0|=|+|2|=", "2.000000"},
        {"square root", "9|Sqrt", "3.000000"},
        {"root of a negative", "4|±|Sqrt", "####"},
        {"reciprocal of zero", "0|1/x", "####"},
        {"square", "1|2|x²", "144.000000"},
        {"leading zeros", "0|0", "0"},
        {"point on a fresh display", ".", "0."},
        {"second point ignored", ".|5|.", "0.5"},
        {"sign of 5", "5|±", "-5"},
        {"sign twice", "5|±|±", "5"},
        {"sign of zero", "±", "0"},
        {"sign of a result", "1|+|2|=|±", "-3.000000"},
        {"backspace after a result", "1|+|2|=|Backspace", "3.000000"},
        {"backspace the last digit", "1|2|Backspace|Backspace", "0"},
        {"clear keeps the pending sum", "5|+|3|Clear|4|=", "9.000000"},
        {"clear all drops it", "5|+|3|Clear All|4|=", "4.000000"},
        {"memory set from the pending sum", "2|+|3|MS", "5.000000"},
        {"memory read", "2|+|3|MS|Clear All|MR", "5.000000"},
        {"memory add", "2|MS|3|M+|MR", "5.000000"},
        {"memory clear leaves the display", "4|MS|MC", "4.000000"},
        {"memory cleared", "4|MS|MC|MR", "0.000000"},
        {"display holds 15 characters", "1|2|3|4|5|6|7|8|9|0|1|2|3|4|5|6", "123456789012345"},
        {"ten digits keep four decimals", "1|2|3|4|5|6|7|8|9|0|+|.|1|2|3|4|5|6|=", "1234567890.1234"},
        {"fifteen digits fit", "9|9|9|9|9|9|9|9|×|9|9|9|9|9|9|9|=", "999999890000001"},
        {"too large shows ####", "9|9|9|9|9|9|9|9|×|9|9|9|9|9|9|9|9|=", "####"},
        {"too large square", "9|9|9|9|9|9|9|9|9|x²", "####"},
        {"too large pending product", "9|9|9|9|9|9|9|9|×|9|9|9|9|9|9|9|9|×", "####"},
    };
    for (const auto& row : rows)
        QTest::newRow(row.name) << QString::fromUtf8(row.keys) << QString::fromUtf8(row.display);
}

void TestCalculator::sequence()
{
    QFETCH(QString, keys);
    QFETCH(QString, display);
    Calculator calculator(nullptr);
    QCOMPARE(Press(calculator, keys), display);
}

void TestCalculator::memorySurvivesClearAll()
{
    Calculator calculator(nullptr);
    QCOMPARE(Press(calculator, QStringLiteral("7|÷|0|=")), QStringLiteral("####"));
    QCOMPARE(Press(calculator, QStringLiteral("6|MS|7|÷|0|=|MR")), QStringLiteral("6.000000"));
    QCOMPARE(Press(calculator, QStringLiteral("2|+|3|×")), QStringLiteral("3"));
    QCOMPARE(Press(calculator, QStringLiteral("Clear All|1|=")), QStringLiteral("1.000000"));
}

VORANTEL_TEST_MAIN(TestCalculator)
#include "tst_calculator.moc"
