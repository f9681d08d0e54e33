#pragma once

#include <QChar>
#include <QString>

// The inventory CSV format, one for the import, its template and sample files and the export.
namespace InventoryCsv {

// The delimiter as the user is told it: ",", ";" or "Tab".
QString DelimiterName(int setting);
// 25 columns for the sub-items mode "n", else 26 ("sub quantity" after "quantity").
int ColumnCount(const QString& subItemsMode);
// The header line without its line end; it ends with a blank.
QString HeaderLine(const QString& taxName, const QString& subItemsMode, int delimiterSetting);

} // namespace InventoryCsv
