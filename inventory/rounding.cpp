#include "rounding.h"

#include <QSettings>

#include <algorithm>
#include <cmath>

namespace {

double PowerOfTen(int exponent)
{
    double result = 1.0;
    double base = 10.0;
    for (unsigned bits = static_cast<unsigned>(exponent); bits != 0; bits >>= 1) {
        if (bits & 1u)
            result *= base;
        base *= base;
    }
    return result;
}

// Scales the magnitude to the unit of the last kept place, rounds it to a whole number with the
// given step and scales back. The scaled value is first cut to 6 decimals, so that an amount which
// already has the places (100 x 1.1 computes to 110.00000000000001) is taken as the decimal it
// stands for rather than moved by one unit through binary noise.
template <typename Step>
double Round(int places, double value, Step step)
{
    const bool negative = 0.0 > value;
    const double magnitude = std::fabs(value);
    const double scale = PowerOfTen(places < 0 ? -places : places);
    double scaled = places < 0 ? magnitude / scale : magnitude * scale;
    scaled = std::round(scaled * 1e6) / 1e6;
    const double whole = step(scaled);
    const double result = places < 0 ? whole * scale : whole / scale;
    return negative ? -result : result;
}

} // namespace

double RoundNearest(int places, double value)
{
    return Round(places, value, [](double x) { return std::floor(x + 0.5); });
}

double RoundUp(int places, double value)
{
    return Round(places, value, [](double x) { return std::ceil(x); });
}

double RoundDown(int places, double value)
{
    return Round(places, value, [](double x) { return std::floor(x); });
}

double NetFromTaxInclusive(int places, double gross, double taxRatePercent)
{
    // Correcting the rounded net price up or down by the sign of (net x factor - gross) could only ever
    // act through floating-point noise once exact amounts round exactly: the nearest net price is the answer.
    const double factor = taxRatePercent / 100.0 + 1.0;
    return RoundNearest(places, gross / factor);
}

RoundingMode ReadRoundingMode(const QSettings& settings)
{
    const QString text = settings.value(QStringLiteral("tax_rounding_off"), QStringLiteral("round_up")).toString();
    if (text == QLatin1String("round_down"))
        return RoundingDown;
    if (text == QLatin1String("round_up"))
        return RoundingUp;
    return RoundingNearest;
}

double RoundByMode(RoundingMode mode, int places, double value)
{
    switch (mode) {
    case RoundingUp:
        return RoundUp(places, value);
    case RoundingDown:
        return RoundDown(places, value);
    case RoundingNearest:
        break;
    }
    return RoundNearest(places, value);
}

double TaxOnAmount(RoundingMode mode, int places, double amount, double taxRatePercent)
{
    return RoundByMode(mode, places, amount * taxRatePercent / 100);
}

double TillUnitPrice(RoundingMode mode, int places, double net, double taxRatePercent)
{
    const double amount = RoundNearest(places, net);
    return RoundNearest(places, amount + TaxOnAmount(mode, places, amount, taxRatePercent));
}

bool ChargesTyped(double charged, double typed)
{
    return std::fabs(charged - typed) <= 1e-9 * std::max(1.0, std::fabs(typed));
}

double NetForTillPrice(RoundingMode mode, int places, double gross, double taxRatePercent)
{
    // The nearest net price can charge one unit more or less than typed once the tax is rounded up or down
    // (0.83 + 0.17 at 20 % rounded up is 1.00, while 0.82 + 0.17 is the 0.99 typed).
    const double exact = gross / (taxRatePercent / 100.0 + 1.0);
    for (const double net : {RoundDown(places, exact), RoundUp(places, exact)}) {
        const double charged = TillUnitPrice(mode, places, net, taxRatePercent);
        if (ChargesTyped(charged, gross))
            return net;
    }
    return NetFromTaxInclusive(places, gross, taxRatePercent);
}
