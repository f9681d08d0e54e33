#include "inventoryexport.h"

#include "appsettings.h"
#include "databasemanager.h"
#include "errordialog.h"
#include "inventorycsv.h"
#include "inventoryexportoptions.h"
#include "inventorylog.h"
#include "progress.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QMainWindow>
#include <QMessageBox>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>

namespace {
enum Column {
    CATEGORY, PRODUCT, CODE, ITEMS, DESCRIPTION, IMAGE, TAX_RATE, UNIT, SUB_UNIT, PRINT_UNIT, SERVICE, BAR_CODE, VENDOR,
    BATCH, EXPIRY, LOCATION, PURCHASE_PRICE, SALE_PRICE, QUANTITY, DISCOUNT, REORDER_LEVEL, REORDER_QUANTITY, SHOW,
    SUB_ITEMS
};
} // namespace

bool WriteInventoryCsv(QTextStream& out, bool salePriceWithTax, bool purchasePriceWithTax, QString* error)
{
    AppSettings* app = AppSettings::Instance();
    const QSettings& settings = *app->settings;
    const int places = settings.value(QStringLiteral("decimal_places"), QStringLiteral("2")).toInt();
    const InventoryCsv::Layout layout = InventoryCsv::Layout::FromSettings();
    QLocale locale = app->locale ? *app->locale : QLocale();
    // Numbers go without group separators, in the notation the import reads back.
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);

    out << layout.HeaderLine() << '\n';

    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    const bool ok = query->exec(
        QStringLiteral("SELECT c.NAME, p.NAME, p.PRODUCT_CODE, p.ITEMS_PER_UNIT, p.DESCRIPTION, p.IMAGE_FILE, p.TAX_RATE, "
                       "p.UNIT_NAME, p.SUB_UNIT_NAME, p.PRINT_UNIT_NAME, p.SERVICE_ITEM, i.BAR_CODE, v.NAME, "
                       "i.BATCH_NUMBER, ")
        + app->SqlDateColumn(QStringLiteral("i.EXPIRY_DATE"), QStringLiteral("EXPIRY_DATE"))
        + QStringLiteral(", i.STORAGE_LOCATION, i.PURCHASE_PRICE, i.SALE_PRICE, i.QUANTITY, i.DISCOUNT, i.REORDER_LEVEL, "
                         "i.REORDER_QUANTITY, i.SHOW_ON_POS, i.SUB_ITEMS FROM tblProductCategories as c, tblProducts "
                         "as p, tblVendors as v, tblInventory as i WHERE i.PRODUCT_ID = p.ID AND i.VENDOR_ID = v.ID AND "
                         "p.CATEGORY_ID = c.ID ORDER BY c.NAME"));
    if (!ok) {
        if (error)
            *error = query->lastError().text();
        qCWarning(lcInventory) << "inventory export:" << query->lastError().text();
        return false;
    }
    const auto money = [&locale, places](double value) { return locale.toString(value, 'f', places); };
    QStringList fields;
    while (query->next()) {
        const auto text = [query](int column) { return query->value(column).toString(); };
        const double rate = query->value(TAX_RATE).toDouble();
        const double factor = rate / 100.0 + 1.0;
        const double purchase = query->value(PURCHASE_PRICE).toDouble();
        const double sale = query->value(SALE_PRICE).toDouble();
        fields.clear();
        fields << text(CATEGORY) << text(PRODUCT) << text(CODE) << text(ITEMS) << text(DESCRIPTION) << text(IMAGE)
               << locale.toString(rate, 'g', 6) << text(UNIT) << text(SUB_UNIT)
               << (query->value(PRINT_UNIT).toInt() ? QStringLiteral("y") : QStringLiteral("n"))
               << (query->value(SERVICE).toInt() ? QStringLiteral("y") : QStringLiteral("n")) << text(BAR_CODE)
               << text(VENDOR) << text(BATCH) << text(EXPIRY).replace(QLatin1Char('-'), QLatin1Char('/'))
               << text(LOCATION) << (purchasePriceWithTax ? QString() : money(purchase / factor))
               << (purchasePriceWithTax ? money(purchase) : QString())
               << (salePriceWithTax ? QString() : money(sale)) << (salePriceWithTax ? money(sale * factor) : QString())
               << text(QUANTITY);
        if (layout.SubItems())
            fields << text(SUB_ITEMS);
        fields << locale.toString(query->value(DISCOUNT).toDouble(), 'g', QLocale::FloatingPointShortest)
               << text(REORDER_LEVEL) << text(REORDER_QUANTITY)
               << (query->value(SHOW).toInt() == 1 ? QStringLiteral("y") : QStringLiteral("n"));
        out << fields.join(layout.delimiter) << '\n';
    }
    return true;
}

void ExportInventoryData(QWidget* parent, const QString& name)
{
    AppSettings* app = AppSettings::Instance();
    QMainWindow* window = app->mainWindow;
    InventoryExportOptions options(window);
    options.setModal(true);
    options.exec();
    const bool purchaseWithTax = options.purchasePriceWithTax;
    const bool saleWithTax = options.salePriceWithTax;

    ErrorDialog notice(
        QStringLiteral("err_msg_31"), QCoreApplication::translate("InventoryExport", "Inventory Export"),
        QCoreApplication::translate(
            "InventoryExport",
            "Complete inventory and products data will be exported to a text file with CSV extension. Data will be "
            "delimited either by comma, semicolon, or tab depending upon the selection from the settings dialog. After "
            "export, you can open this exported file in Excel or some other program of your choice for viewing, "
            "printing or other desired functions. After making changes in the file you can update the inventory again "
            "using this file by importing from import inventory tool."),
        window);
    notice.exec();

    const QString folder = AppSettings::ChooseFolder(parent);
    if (folder.isEmpty())
        return;

    Progress busy(window);
    busy.show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    const QString path = AppSettings::CsvExportFilePath(folder, name, QDateTime::currentDateTime());

    QFile file(path);
    QString failure;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        failure = file.errorString();
    } else {
        QTextStream out(&file);
        QString error;
        if (!WriteInventoryCsv(out, saleWithTax, purchaseWithTax, &error)) {
            failure = error;
        } else {
            out.flush();
            if (out.status() != QTextStream::Ok || !file.flush())
                failure = file.errorString();
        }
        file.close();
        if (failure.isNull() && file.error() != QFileDevice::NoError)
            failure = file.errorString();
        if (!failure.isNull())
            file.remove(); // a partial file must not pass for the inventory
    }
    busy.hide();
    if (!failure.isNull()) {
        QMessageBox::warning(window, QCoreApplication::translate("InventoryExport", "Export"),
                             QCoreApplication::translate("InventoryExport", "The inventory could not be exported to file "
                                                                            "%1: %2")
                                 .arg(path, failure));
        return;
    }
    QMessageBox::information(window, QCoreApplication::translate("InventoryExport", "Export"),
                             QCoreApplication::translate("InventoryExport", "Data exported successfully to file %1").arg(path));
}
