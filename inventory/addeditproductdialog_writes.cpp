// The product dialog's writes: the code rule, the field checks, the add with its first stock row, the update.
#include "addeditproductdialog.h"

#include "appsettings.h"
#include "databasefailure.h"
#include "databasemanager.h"
#include "errordialog.h"
#include "inventorylog.h"
#include <QMainWindow>
#include "productcode.h"
#include "progress.h"

#include <QLocale>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlTableModel>

bool AddEditProductDialog::ValidateProductCode()
{
    const QString code = ui.editCode->text();
    if (!IsValidCode(code)) {
        ShowStatus(tr("Product code %1 is invalid.\nAllowed alphanumeric and special characters up to 50 characters. ")
                       .arg(code),
                   0);
        ui.editCode->setFocus();
        return false;
    }
    QSqlQuery query(*DatabaseManager::Instance()->InventoryDatabase());
    query.prepare(QStringLiteral("SELECT ID FROM tblProducts WHERE PRODUCT_CODE = :code"));
    query.bindValue(QStringLiteral(":code"), code);
    if (query.exec() && query.next()) {
        ShowStatus(tr("Product code %1 is already assigned to another product. Please enter some other code.").arg(code),
                   0);
        ui.editCode->setFocus();
        return false;
    }
    return true;
}

bool AddEditProductDialog::CheckFields(bool checkCode, bool add, int* categoryId, int* itemsPerUnit)
{
    const QLocale& locale = *AppSettings::Instance()->locale;
    if (checkCode && !ValidateProductCode())
        return false;
    QCoreApplication::processEvents();
    if (ui.editName->text().isEmpty()) {
        ShowStatus(add ? tr("Error: Please enter valid product name.") : tr("Error: Please enter valid product name"), 0);
        ui.editName->setFocus();
        return false;
    }
    QCoreApplication::processEvents();
    bool ok = false;
    *itemsPerUnit = locale.toInt(ui.editItemsPerUnit->text(), &ok);
    if (!ok || *itemsPerUnit < 1) {
        ShowStatus(add ? tr("Error: Items Per Unit value can not be '0'. Minimum value could be '1'.")
                       : tr("Error: Items Per Unit value can not be '0'. Minimum value could be 1."),
                   0);
        ui.editItemsPerUnit->setFocus();
        return false;
    }
    QCoreApplication::processEvents();
    if (ui.checkBoxCustomRate->isChecked()) {
        const QString point = locale.decimalPoint();
        QString pattern = QStringLiteral("^[0-9]{1,2}(\\.[0-9]{1,") + taxDecimals + QStringLiteral("})?$");
        if (point == QLatin1String(","))
            pattern.replace(QStringLiteral("\\."), QStringLiteral("\\,"));
        QString rate = ui.lineEditCustomRate->text();
        if (!rate.isEmpty() && rate.startsWith(point)) {
            rate.prepend(QLatin1Char('0'));
            ui.lineEditCustomRate->setText(rate);
        }
        if (!QRegularExpression(pattern).match(rate).hasMatch()) {
            ShowStatus(tr("Error: Tax rate is invalid. Please enter numeric value (0 to 99%1999).").arg(point), 0);
            ui.lineEditCustomRate->setFocus();
            return false;
        }
    }
    QCoreApplication::processEvents();
    if (ui.comboCategory->currentText().isEmpty()) {
        // A list the server could not give is no choice the user left out: read it again, or say why not.
        if (!categoriesRead) {
            if (!LoadCategories()) {
                ui.comboCategory->setFocus();
                return false;
            }
            ui.comboCategory->setCurrentIndex(-1);
        }
        ShowStatus(tr("Error: Please select a product category"), 0);
        ui.comboCategory->setFocus();
        return false;
    }
    *categoryId = categoryModel->index(ui.comboCategory->currentIndex(), 0).data().toInt();
    return true;
}

double AddEditProductDialog::TaxRateValue() const
{
    if (ui.checkBoxCustomRate->isChecked())
        return AppSettings::Instance()->locale->toDouble(ui.lineEditCustomRate->text());
    return rateTable.value(ui.comboTaxRates->currentText(), 0.0);
}

void AddEditProductDialog::BindFormFields(QSqlQuery* query, int items) const
{
    query->bindValue(QStringLiteral(":name"), ui.editName->text());
    query->bindValue(QStringLiteral(":items"), items);
    query->bindValue(QStringLiteral(":description"), ui.editDescription->text());
    query->bindValue(QStringLiteral(":image_file"), imagePath);
    query->bindValue(QStringLiteral(":tax_rate"), TaxRateValue());
    query->bindValue(QStringLiteral(":unit_name"), ui.lineEditQuantityUnitName->text());
    query->bindValue(QStringLiteral(":sub_unit_name"), ui.lineEditSubQuantityUnitName->text());
    query->bindValue(QStringLiteral(":print_unit_name"), ui.checkBoxPrint->isChecked() ? 1 : 0);
    query->bindValue(QStringLiteral(":service_item"), ui.checkServiceItem->isChecked() ? 1 : 0);
}

void AddEditProductDialog::on_buttonAdd_clicked()
{
    Progress progress(this, tr("Please wait..."));
    progress.show();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    const QString typedCode = ui.editCode->text();
    const bool automatic = ui.checkAutoGenerate->isChecked();

    int categoryId = 0;
    int items = 1;
    if (!CheckFields(!automatic, true, &categoryId, &items))
        return;

    DatabaseManager* manager = DatabaseManager::Instance();
    QSqlDatabase& db = *manager->InventoryDatabase();
    if (automatic) {
        QString error;
        if (!ClearPlaceholderLeftovers(db, &error))
            qCWarning(lcInventory) << "placeholder leftovers:" << error;
    }
    if (!manager->BeginTransaction(&db)) {
        ShowStatus(tr("System Error: Can not add product with code %1").arg(automatic ? QString() : typedCode)
                       + QLatin1Char('\n') + DatabaseFailure::WriteReason(db),
                   0);
        return;
    }

    QSqlQuery* query = manager->InventoryQuery();
    query->prepare(QStringLiteral(
        "INSERT INTO tblProducts (CATEGORY_ID, PRODUCT_CODE, NAME, ITEMS_PER_UNIT, DESCRIPTION, IMAGE_FILE, TAX_RATE,  "
        "UNIT_NAME, SUB_UNIT_NAME, PRINT_UNIT_NAME, SERVICE_ITEM) VALUES (:category_id, :product_code, :name, :items, "
        ":description, :image_file, :tax_rate,  :unit_name, :sub_unit_name, :print_unit_name, :service_item)"));
    query->bindValue(QStringLiteral(":category_id"), categoryId);
    query->bindValue(QStringLiteral(":product_code"), automatic ? TemporaryProductCode() : typedCode);
    BindFormFields(query, items);
    if (!query->exec()) {
        const QString error = DatabaseFailure::WriteReason(*query);
        manager->RollbackTransaction(&db);
        ShowStatus(tr("System Error: Can not add product with code %1").arg(automatic ? QString() : typedCode)
                       + QLatin1Char('\n') + error,
                   0);
        ui.editCode->setFocus();
        return;
    }
    const int newId = query->lastInsertId().toInt();

    QString code = typedCode;
    QString error;
    if (automatic && !AssignAutomaticProductCode(db, newId, &code, &error)) {
        manager->RollbackTransaction(&db);
        ShowStatus(tr("Can not add product with code %1. This code already exists for another product.").arg(code)
                       + QLatin1Char('\n') + error,
                   0);
        ui.editCode->setFocus();
        return;
    }
    if (!AddInitialStock(newId, code, &error)) {
        manager->RollbackTransaction(&db);
        ShowStatus(tr("System Error: Can not add product with code %1").arg(code) + QLatin1Char('\n') + error, 0);
        ui.editCode->setFocus();
        return;
    }
    if (!manager->CommitTransaction(&db)) {
        error = DatabaseFailure::WriteReason(db);
        manager->RollbackTransaction(&db);
        ShowStatus(tr("System Error: Can not add product with code %1").arg(code) + QLatin1Char('\n') + error, 0);
        ui.editCode->setFocus();
        return;
    }

    ShowStatus(tr("New product with code %1 added successfully.").arg(code), 1);
    currentCode = code;
    ui.editCode->setText(code);
    LoadProductById(QString::number(newId));
    SetStateAfterAddProduct();
    ui.pushAddInventory->setEnabled(true);
    ui.pushNewProduct->setEnabled(true);
    QCoreApplication::processEvents();
    progress.hide();

    ErrorDialog notice(
        QStringLiteral("err_msg_16"), tr("Add Product"),
        QStringLiteral(
            "<p>Product has been added to the database with 0 level stock. Now you can update stock or inventory for "
            "this product. After pressing <b>'Add Stock'</b> button, <b>Add/Edit</b> inventory dialog will be "
            "displayed populated with this product data. You can add single or multiple stocks against one "
            "product.</p><p>Please fill in the inventory or stock information on the dialog that will be displayed "
            "now. After entering stock, you can return to this dialog again for adding more products. <b>Please note "
            "that you can add multiple stocks against one product with different stock codes or barcodes.</b></p><p><b>"
            "TIP: ENTER KEY SHORTCUT</b> Pressing Enter key on editable fields is same as pressing Add or Update "
            "button.</p>"),
        AppSettings::Instance()->mainWindow);
    notice.exec();
    StoreOptions();
}

bool AddEditProductDialog::AddInitialStock(int productId, const QString& productCode, QString* error)
{
    QSqlDatabase& db = *DatabaseManager::Instance()->InventoryDatabase();
    QSqlQuery lookup(db);
    lookup.prepare(QStringLiteral("SELECT ID FROM tblInventory WHERE BAR_CODE = :code"));
    lookup.bindValue(QStringLiteral(":code"), productCode);
    QString stockCode = productCode;
    if (lookup.exec() && lookup.next()) {
        QSqlQuery max(db);
        qlonglong n = 0;
        if (max.exec(QStringLiteral("SELECT MAX(ID) FROM tblInventory")) && max.next())
            n = max.value(0).toLongLong();
        for (;;) {
            lookup.bindValue(QStringLiteral(":code"), QString::number(n));
            if (!lookup.exec() || !lookup.next())
                break;
            ++n;
        }
        stockCode = QString::number(n);
    }
    initialStockCode = stockCode;

    QSqlQuery vendor(db);
    int vendorId = 0;
    if (vendor.exec(QStringLiteral("SELECT ID FROM tblVendors WHERE NAME = 'NONE'")) && vendor.next())
        vendorId = vendor.value(0).toInt();

    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    query->prepare(QStringLiteral(
        "INSERT INTO tblInventory ( PRODUCT_ID, VENDOR_ID, BAR_CODE, BATCH_NUMBER, EXPIRY_DATE, STORAGE_LOCATION , "
        "PURCHASE_PRICE, SALE_PRICE, QUANTITY, SUB_ITEMS, SHOW_ON_POS, DISCOUNT, REORDER_LEVEL, REORDER_QUANTITY) "
        "VALUES ( :product_id, :vendor_id, :bar_code, :batch, :expiry_date , :storage_location, :purchase_price, "
        ":sale_price, :quantity, :sub_items, :show, :discount, :rol, :roq)"));
    query->bindValue(QStringLiteral(":product_id"), productId);
    query->bindValue(QStringLiteral(":vendor_id"), vendorId);
    query->bindValue(QStringLiteral(":bar_code"), stockCode);
    query->bindValue(QStringLiteral(":batch"), QStringLiteral(""));
    query->bindValue(QStringLiteral(":expiry_date"), QVariant(QVariant::Date));
    query->bindValue(QStringLiteral(":storage_location"), QStringLiteral(""));
    query->bindValue(QStringLiteral(":purchase_price"), 0.0);
    query->bindValue(QStringLiteral(":sale_price"), 0.0);
    query->bindValue(QStringLiteral(":quantity"), 0);
    query->bindValue(QStringLiteral(":sub_items"), 0);
    query->bindValue(QStringLiteral(":show"), 1);
    query->bindValue(QStringLiteral(":discount"), 0.0);
    query->bindValue(QStringLiteral(":rol"), 0);
    query->bindValue(QStringLiteral(":roq"), 0);
    if (query->exec())
        return true;
    *error = DatabaseFailure::WriteReason(*query);
    qCWarning(lcInventory) << "first stock row:" << *error << query->lastQuery();
    return false;
}

void AddEditProductDialog::on_pushUpdate_clicked()
{
    Progress progress(this, tr("Please wait..."));
    progress.show();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    const QString code = ui.editCode->text();
    int categoryId = 0;
    int items = 1;
    if (!CheckFields(code != currentCode, false, &categoryId, &items))
        return;
    if (loadedRow != -1) {
        QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
        query->prepare(QStringLiteral(
            "UPDATE tblProducts SET CATEGORY_ID = :category_id, PRODUCT_CODE = :code, NAME = :name, ITEMS_PER_UNIT = "
            ":items, DESCRIPTION= :description, IMAGE_FILE= :image_file, TAX_RATE = :tax_rate, UNIT_NAME = :unit_name, "
            "SUB_UNIT_NAME = :sub_unit_name, PRINT_UNIT_NAME = :print_unit_name,  SERVICE_ITEM = :service_item WHERE ID "
            "= :id"));
        query->bindValue(QStringLiteral(":category_id"), categoryId);
        query->bindValue(QStringLiteral(":code"), code);
        BindFormFields(query, items);
        query->bindValue(QStringLiteral(":id"), loadedRecord.value(0).toInt());
        if (!query->exec()) {
            ShowStatus(tr("System Error: Can not update the product data.") + QLatin1Char('\n')
                           + DatabaseFailure::WriteReason(*query),
                       0);
        } else {
            ShowStatus(tr("Existing product with code %1 updated successfully").arg(code), 1);
            currentCode = code;
        }
    }
    StoreOptions();
}
