#pragma once

#include <QString>

class QTextStream;
class QWidget;

// The export of every stock row with its product, category and vendor as an inventory CSV file.
void ExportInventoryData(QWidget* parent, const QString& name);

// Writes the header and one line per stock row; false, with the driver's text in error, when the
// rows cannot be read.
bool WriteInventoryCsv(QTextStream& out, bool salePriceWithTax, bool purchasePriceWithTax, QString* error = nullptr);
