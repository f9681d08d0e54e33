#include "inventorycsv.h"

#include "appsettings.h"
#include "constants.h"

#include <QSettings>

namespace InventoryCsv {

QString DelimiterName(int setting)
{
    const QChar delimiter = AppSettings::Delimiter(setting);
    return delimiter == QLatin1Char('\t') ? QStringLiteral("Tab") : QString(delimiter);
}

Layout Layout::FromSettings()
{
    const QSettings& settings = *AppSettings::Instance()->settings;
    Layout layout;
    layout.taxName = settings.value(SALES_TAX_NAME, QStringLiteral("Sales Tax")).toString();
    layout.delimiterSetting = settings.value(QStringLiteral("delimiter"), 0).toInt();
    layout.delimiter = AppSettings::Delimiter(layout.delimiterSetting);
    const QString subItemsMode = settings.value(QStringLiteral("SUB_ITEMS_MODE"), QStringLiteral("n")).toString();
    layout.columns = subItemsMode == QLatin1String("n") ? 25 : 26;
    return layout;
}

QString Layout::HeaderLine() const
{
    const QString quantities = SubItems() ? QStringLiteral("quantity, sub quantity, ") : QStringLiteral("quantity, ");
    QString header = QStringLiteral("category, product name, product code, items per unit, product description, "
                                    "product image path, %1 rate, unit name, sub unit name, print unit (y|n), "
                                    "service item (y|n), stock code, vendor name, batch number, expiry date, "
                                    "storage location, purchase cost (without %1), purchase cost (with %1), "
                                    "sale price (without %1), sale price (with %1), ")
                         .arg(taxName)
        + quantities + QStringLiteral("discount, reorder level, reorder quantity, Show as POS Button (y|n) ");
    if (delimiter != QLatin1Char(','))
        header.replace(QLatin1Char(','), delimiter);
    return header;
}

} // namespace InventoryCsv
