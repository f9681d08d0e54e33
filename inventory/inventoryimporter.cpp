// The import dialog: template and sample files, help and the settings shortcut.
#include "inventoryimporter.h"

#include "appsettings.h"
#include "constants.h"
#include "errordialog.h"
#include "inventorycsv.h"
#include "progress.h"

#include <QAction>
#include <QCoreApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <QScroller>
#include <QSettings>
#include <QTextStream>

namespace {

struct SampleGroup
{
    const char* category;
    const char* name;
    const char* description;
    const char* rate;
    const char* service;
    const char* vendor;
    const char* location;
    const char* purchase;
    const char* sale;
    const char* reorderLevel;
    const char* reorderQuantity;
    const char* show;
};

const SampleGroup SAMPLE_GROUPS[] = {
    {"Food", "Foo Product No. ", "sample food product", "10", "n", "Food supplier", "store room", "10", "15", "2", "10", "y"},
    {"Electronics", "Elect. Product No. ", "sample electronics product", "20", "n", "Electronics supplier",
     "warehouse no. 1", "100", "150", "1", "5", "y"},
    {"Garments", "Shirt No. ", "", "20", "n", "Garments supplier", "warehouse no. 12", "40", "50", "1", "50", "y"},
    {"Service Items", "Mobile Topup Amount ", "Topup for some mobile company", "20", "y", "Mobile phone supplier",
     "warehouse no. 1", "100", "150", "1", "5", "y"},
    {"Toys", "Toy No. ", "sample toy", "20", "n", "Toys supplier", "", "20", "30", "", "", ""},
};

} // namespace

InventoryImporter::InventoryImporter(QWidget* parent)
    : VorantelDialog(parent)
{
    ui.setupUi(this);
    resize(930, 600);
    QScroller::grabGesture(ui.scrollArea->viewport(), QScroller::LeftMouseButtonGesture);
}

InventoryImporter::~InventoryImporter() = default;

void InventoryImporter::on_pushClose_clicked()
{
    close();
}

bool InventoryImporter::OpenOutputFile(const QString& name, QFile* file, Progress* busy)
{
    const QString folder = AppSettings::ChooseFolder(this);
    if (folder.isEmpty())
        return false;
    busy->show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    file->setFileName(folder + QStringLiteral("/") + name + QStringLiteral(".csv"));
    if (file->exists()
        && QMessageBox::question(this, tr("File overwrite"), tr("File already exists. Do you want to overwrite this?"),
                                 QMessageBox::Yes | QMessageBox::No)
               != QMessageBox::Yes)
        return false;
    return file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text);
}

void InventoryImporter::on_pushGenerateTemplate_clicked()
{
    Progress busy(AppSettings::Instance()->mainWindow);
    QFile file;
    if (!OpenOutputFile(QStringLiteral("import_template"), &file, &busy))
        return;
    QTextStream out(&file);
    out << InventoryCsv::Layout::FromSettings().HeaderLine() << '\n';
    out.flush();
    file.close();
    busy.hide();
    QMessageBox::information(AppSettings::Instance()->mainWindow, tr("Import Template"),
                             tr("Import template generated successfully and saved to file %1").arg(file.fileName()));
}

void InventoryImporter::on_pushGenerateSampleImport_clicked()
{
    Progress busy(AppSettings::Instance()->mainWindow);
    QFile file;
    if (!OpenOutputFile(QStringLiteral("sample_import_file"), &file, &busy))
        return;
    const InventoryCsv::Layout layout = InventoryCsv::Layout::FromSettings();
    QTextStream out(&file);
    out << layout.HeaderLine() << '\n';
    for (const SampleGroup& group : SAMPLE_GROUPS) {
        for (int n = 0; n < 20; ++n) {
            QStringList fields{QLatin1String(group.category), QLatin1String(group.name) + QString::number(n), QString(),
                               QString(), QLatin1String(group.description), QString(), QLatin1String(group.rate),
                               QString(), QString(), QStringLiteral("n"), QLatin1String(group.service), QString(),
                               QLatin1String(group.vendor), QStringLiteral("not set"), QString(),
                               QLatin1String(group.location), QString(), QLatin1String(group.purchase), QString(),
                               QLatin1String(group.sale), QStringLiteral("10")};
            if (layout.SubItems())
                fields << QStringLiteral("0");
            fields << QStringLiteral("0") << QLatin1String(group.reorderLevel) << QLatin1String(group.reorderQuantity)
                   << QLatin1String(group.show);
            QString line = fields.join(QStringLiteral(", ")) + QLatin1Char(' ');
            if (layout.delimiter != QLatin1Char(','))
                line.replace(QLatin1Char(','), layout.delimiter);
            out << line << '\n';
        }
    }
    out.flush();
    file.close();
    busy.hide();
    QMessageBox::information(AppSettings::Instance()->mainWindow, tr("Sample Import File"),
                             tr("Sample Import file generated successfully and saved to file %1").arg(file.fileName()));
}

void InventoryImporter::on_pushHelp_clicked()
{
    const QString tax =
        AppSettings::Instance()->settings->value(SALES_TAX_NAME, QStringLiteral("Sales Tax")).toString();
    ErrorDialog help(
        QString(), tr("Import File Format"),
        tr("<p>This utility is for importing existing data in spread sheet in the <b>CSV</b> format, and updating "
           "products and inventory data.</p><p>Please enter the data in file according to your requirements and "
           "whatever is available. Only two fields are required, <b>category</b> and <b>product name</b>. If no product "
           "code is provided, a new product code will be assigned to product automatically, same is the case for stock "
           "code. If no stock code is provided a new code will be generated and assigned to stock. If the code is "
           "provided (both for product and stock), and the code already exists in the system, system will update the "
           "existing product and stock data.</p><p>For the sales and purchase prices two columns are provided. One "
           "column is for <b>including %1</b> prices and the other <b>with %1</b> prices. You do not need to fill both "
           "columns. Fill the column with prices either with %1 or without %1, whichever is available and suits your "
           "requirements and leave the other column empty.</p><p>For <b>service item</b> column, enter y, or n and same "
           "is the case for <b>print unit name</b> column if you want to print the unit name of the product on "
           "receipts.</p><p>System will fill other information with the default values. You can also generate a "
           "sample CSV file with some data and experiment with the import utility.</p>")
            .arg(tax),
        this, true, true);
    help.exec();
}

void InventoryImporter::on_pushSettings_clicked()
{
    // The main window's settings action, with its permission check; the library cannot see the class.
    if (QMainWindow* window = AppSettings::Instance()->mainWindow)
        if (auto* action = window->findChild<QAction*>(QStringLiteral("actionSettings")))
            action->trigger();
}
