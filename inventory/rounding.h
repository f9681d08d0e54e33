#pragma once

class QSettings;

// Rounding of derived money amounts (prices with or without tax) to the places the shop shows.
// Rounding is symmetric about zero; a negative number of places rounds to tens, hundreds, ...
double RoundNearest(int places, double value); // halves away from zero
double RoundUp(int places, double value);      // away from zero
double RoundDown(int places, double value);    // toward zero

// The price without tax for a price typed with tax (rate in percent).
double NetFromTaxInclusive(int places, double gross, double taxRatePercent);

// The tax_rounding_off setting: "round_down" Down, "round_up" (also when absent) Up, anything else Nearest.
enum RoundingMode { RoundingNearest = 0, RoundingDown = 1, RoundingUp = 2 };
RoundingMode ReadRoundingMode(const QSettings& settings);
double RoundByMode(RoundingMode mode, int places, double value);

// The tax of a sale line's amount (after discount) as the sale screen stores it.
double TaxOnAmount(RoundingMode mode, int places, double amount, double taxRatePercent);

// What the till charges for one unit of a stock row priced net without tax, before any discount: the line's
// amount and its tax are each rounded to the places, as the sale screen stores them, and then added.
double TillUnitPrice(RoundingMode mode, int places, double net, double taxRatePercent);

// Whether the till charges exactly the typed price, binary noise apart.
bool ChargesTyped(double charged, double typed);

// The price without tax to keep for a price typed with tax: of the floor and the ceiling of gross / (1 + rate)
// at the places, the one the till charges exactly gross for; when neither does, the nearest (NetFromTaxInclusive).
double NetForTillPrice(RoundingMode mode, int places, double gross, double taxRatePercent);
