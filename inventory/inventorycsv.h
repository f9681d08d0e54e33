#pragma once

#include <QChar>
#include <QString>

class QWidget;

// The inventory CSV format, one for the import, its template and sample files and the export.
namespace InventoryCsv {

// The delimiter as the user is told it: ",", ";" or "Tab".
QString DelimiterName(int setting);

// The format as the settings choose it when it is read.
struct Layout
{
    QString taxName;
    int delimiterSetting = 0;
    QChar delimiter;
    int columns = 25; // 25 for the sub-items mode "n", else 26 ("sub quantity" after "quantity")

    static Layout FromSettings();
    bool SubItems() const { return columns == 26; }
    // The header line without its line end; it ends with a blank.
    QString HeaderLine() const;
};

} // namespace InventoryCsv
