#include "inventorycsv.h"

#include "appsettings.h"

namespace InventoryCsv {

QString DelimiterName(int setting)
{
    const QChar delimiter = AppSettings::Delimiter(setting);
    return delimiter == QLatin1Char('\t') ? QStringLiteral("Tab") : QString(delimiter);
}

int ColumnCount(const QString& subItemsMode)
{
    return subItemsMode == QLatin1String("n") ? 25 : 26;
}

QString HeaderLine(const QString& taxName, const QString& subItemsMode, int delimiterSetting)
{
    const QString quantities = ColumnCount(subItemsMode) == 26 ? QStringLiteral("quantity, sub quantity, ")
                                                               : QStringLiteral("quantity, ");
    QString header = QStringLiteral("category, product name, product code, items per unit, product description, "
                                    "product image path, %1 rate, unit name, sub unit name, print unit (y|n), "
                                    "service item (y|n), stock code, vendor name, batch number, expiry date, "
                                    "storage location, purchase cost (without %1), purchase cost (with %1), "
                                    "sale price (without %1), sale price (with %1), ")
                         .arg(taxName)
        + quantities + QStringLiteral("discount, reorder level, reorder quantity, Show as POS Button (y|n) ");
    const QChar delimiter = AppSettings::Delimiter(delimiterSetting);
    if (delimiter != QLatin1Char(','))
        header.replace(QLatin1Char(','), delimiter);
    return header;
}

} // namespace InventoryCsv
