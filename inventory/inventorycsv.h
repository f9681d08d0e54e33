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

// Asks for the folder of a file to be written, starting in the one chosen last; the chosen folder, kept as
// the last one, or an empty text when none was chosen.
QString ChooseFolder(QWidget* parent);

} // namespace InventoryCsv
