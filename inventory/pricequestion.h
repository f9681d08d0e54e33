#pragma once

class QLineEdit;
class QString;
class QWidget;

// Prices are kept without tax at the shop's places, so not every price typed with tax can be reproduced.
// When the till would charge another price than the one typed in withTax, asks "Sells at X" (X being
// chargedText) and puts the cursor back in withTax on No; true when the save may go on.
bool ConfirmTillPrice(QWidget* parent, const QString& title, QLineEdit* withTax, double typed, double charged,
                      const QString& chargedText, const QString& placesText);
