// The stock batch dialog's checks and its one save routine (insert in the add state, update in the edit state).
#include "caddnewitemsbatch.h"

#include "appsettings.h"
#include "databasemanager.h"
#include "inventorylog.h"
#include "productcode.h"

#include <QLocale>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlTableModel>

bool CAddNewItemsBatch::ValidateStockCode(const QString& code)
{
    if (!IsValidCode(code)) {
        ShowStatus(tr("Code %1 is invalid. Please enter valid code of 1 to 50 characters length.").arg(code), 0);
        ui.lineEditBarCode->setFocus();
        return false;
    }
    QSqlQuery query(*DatabaseManager::Instance()->InventoryDatabase());
    query.prepare(QStringLiteral("SELECT BAR_CODE FROM tblInventory WHERE BAR_CODE = :code"));
    query.bindValue(QStringLiteral(":code"), code);
    if (query.exec() && query.next() && query.value(0).toString() == code) {
        ShowStatus(tr("Error: Code %1 already exists for another stock. Please choose some other code.").arg(code), 0);
        ui.lineEditBarCode->setFocus();
        return false;
    }
    return true;
}

bool CAddNewItemsBatch::ValidateInput()
{
    const QLocale& locale = *AppSettings::Instance()->locale;
    const auto refuse = [this](const QString& message, QWidget* field) {
        ShowStatus(message, 0);
        field->setFocus();
        return false;
    };
    const QString code = ui.lineEditBarCode->text();
    const bool checkCode = editFlag ? code != loadedCode : !ui.checkAutoGenerate->isChecked();
    if (checkCode && !ValidateStockCode(code))
        return false;
    if (ui.checkExpiryDate->isChecked() && !ui.dateEditExpiryDate->date().isValid())
        return refuse(tr("Error: Please select valid expiry date."), ui.dateEditExpiryDate);
    bool ok = false;
    locale.toDouble(ui.lineEditPurchasePrice->text(), &ok);
    if (!ok)
        return refuse(tr("Error: Please enter valid value for purchase price."), ui.lineEditPurchasePrice);
    locale.toDouble(ui.lineEditSalePrice->text(), &ok);
    if (!ok)
        return refuse(tr("Error: Please enter valid value for sale price."), ui.lineEditSalePrice);
    if (!serviceFlag) {
        locale.toInt(ui.lineQuantity->text(), &ok);
        if (!ok)
            return refuse(tr("Error: Please enter numeric value for quantity."), ui.lineQuantity);
        locale.toInt(ui.editSubItems->text(), &ok);
        if (!ok)
            return refuse(tr("Please enter numeric value for sub items."), ui.editSubItems);
        locale.toInt(ui.lineReoderLevel->text(), &ok);
        if (!ok)
            return refuse(tr("Please enter numeric value for reorder level."), ui.lineReoderLevel);
        locale.toInt(ui.lineReoderQuantity->text(), &ok);
        if (!ok)
            return refuse(tr("Error: Please enter numeric value for reorder quantity."), ui.lineReoderQuantity);
    }
    locale.toDouble(ui.lineEditDiscount->text(), &ok);
    if (!ok)
        return refuse(tr("Error: Discount is invalid. Please enter numeric value 0 to 99%199").arg(locale.decimalPoint()),
                      ui.lineEditDiscount);
    if (ui.comboBoxVendors->currentText().isEmpty())
        return refuse(tr("Error: Please select vendor from existing list or add new vendor."), ui.comboBoxVendors);
    return true;
}

void CAddNewItemsBatch::Save()
{
    const QLocale& locale = *AppSettings::Instance()->locale;
    if (ui.lineName->text().isEmpty()) {
        ShowStatus(tr("Error: Please select a product first by code or name."), 0);
        ui.comboBoxProducts->setFocus();
        return;
    }
    if (!ValidateInput())
        return;

    QString code = ui.lineEditBarCode->text();
    if (!editFlag) {
        productCode = ui.editProductCode->text();
        if (ui.checkAutoGenerate->isChecked()) {
            QSqlQuery lookup(*DatabaseManager::Instance()->InventoryDatabase());
            lookup.prepare(QStringLiteral("SELECT ID FROM tblInventory WHERE BAR_CODE = :code"));
            lookup.bindValue(QStringLiteral(":code"), productCode);
            if (lookup.exec() && !lookup.next()) {
                code = productCode;
            } else {
                bool isNumber = false;
                qlonglong n = productCode.toLongLong(&isNumber);
                if (!isNumber)
                    n = 0;
                for (;;) {
                    lookup.bindValue(QStringLiteral(":code"), QString::number(n));
                    if (!lookup.exec() || !lookup.next())
                        break;
                    ++n;
                }
                code = QString::number(n);
            }
        }
    }

    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    if (editFlag) {
        // The quantity is written as the user's change: sales made meanwhile on other terminals stay counted.
        query->prepare(QStringLiteral(
            "UPDATE tblInventory SET PRODUCT_ID = :product_id, VENDOR_ID = :vendor_id, BAR_CODE = :bar_code, "
            "BATCH_NUMBER = :batch, EXPIRY_DATE = :expiry_date, STORAGE_LOCATION = :storage_location , PURCHASE_PRICE = "
            ":purchase_price, SALE_PRICE = :sale_price, QUANTITY = CASE WHEN :service = 1 THEN 0 ELSE QUANTITY + "
            ":quantity_change END, SUB_ITEMS = :sub_items , SHOW_ON_POS = :show , DISCOUNT = :discount,   "
            "REORDER_LEVEL = :rol, REORDER_QUANTITY = :roq WHERE ID = :id"));
        const int typed = serviceFlag ? 0 : locale.toInt(ui.lineQuantity->text());
        query->bindValue(QStringLiteral(":service"), serviceFlag ? 1 : 0);
        query->bindValue(QStringLiteral(":quantity_change"), typed - loadedQuantity);
        query->bindValue(QStringLiteral(":id"), stockRowId.toInt());
    } else {
        query->prepare(QStringLiteral(
            "INSERT INTO tblInventory ( PRODUCT_ID, VENDOR_ID, BAR_CODE, BATCH_NUMBER, EXPIRY_DATE, STORAGE_LOCATION , "
            "PURCHASE_PRICE, SALE_PRICE, QUANTITY, SUB_ITEMS, SHOW_ON_POS, DISCOUNT, REORDER_LEVEL, REORDER_QUANTITY) "
            "VALUES ( :product_id, :vendor_id, :bar_code, :batch, :expiry_date , :storage_location, :purchase_price, "
            ":sale_price, :quantity, :sub_items, :show, :discount, :rol, :roq)"));
        query->bindValue(QStringLiteral(":quantity"), serviceFlag ? 0 : locale.toInt(ui.lineQuantity->text()));
    }
    query->bindValue(QStringLiteral(":vendor_id"),
                     vendorModel->index(ui.comboBoxVendors->currentIndex(), 0).data().toInt());
    query->bindValue(QStringLiteral(":batch"), ui.editBatch->text());
    query->bindValue(QStringLiteral(":expiry_date"), ui.checkExpiryDate->isChecked()
                                                         ? QVariant(ui.dateEditExpiryDate->date().toString(QStringLiteral("yyyy-MM-dd")))
                                                         : QVariant(QVariant::Date));
    query->bindValue(QStringLiteral(":storage_location"), ui.lineStorageLocation->text());
    query->bindValue(QStringLiteral(":sale_price"), locale.toDouble(ui.lineEditSalePrice->text()));
    query->bindValue(QStringLiteral(":purchase_price"), locale.toDouble(ui.lineEditPurchasePrice->text()));
    query->bindValue(QStringLiteral(":sub_items"), serviceFlag ? 0 : locale.toInt(ui.editSubItems->text()));
    query->bindValue(QStringLiteral(":bar_code"), code);
    query->bindValue(QStringLiteral(":product_id"), productId);
    query->bindValue(QStringLiteral(":show"), ui.checkShowOnPOS->isChecked() ? 1 : 0);
    query->bindValue(QStringLiteral(":discount"), locale.toDouble(ui.lineEditDiscount->text()));
    query->bindValue(QStringLiteral(":rol"), serviceFlag ? 0 : locale.toInt(ui.lineReoderLevel->text()));
    query->bindValue(QStringLiteral(":roq"), serviceFlag ? 0 : locale.toInt(ui.lineReoderQuantity->text()));

    if (!query->exec()) {
        // What was typed stays in the form for another attempt.
        const QString error = query->lastError().text();
        qCWarning(lcInventory) << "stock save:" << error << query->lastQuery();
        ShowStatus(tr("Error occurred while adding or updating the stock") + QLatin1Char('\n') + error, 0);
        StoreOptions();
        return;
    }

    if (editFlag) {
        ShowStatus(tr("Stock with code %1 updated successfully").arg(code), 1);
        loadedCode = code;
        // Show what the row holds now, other terminals' sales included, and count the next change from it.
        QSqlQuery stored(*DatabaseManager::Instance()->InventoryDatabase());
        stored.prepare(QStringLiteral("SELECT QUANTITY FROM tblInventory WHERE ID = :id"));
        stored.bindValue(QStringLiteral(":id"), stockRowId.toInt());
        if (stored.exec() && stored.next()) {
            loadedQuantity = stored.value(0).toInt();
            ui.lineQuantity->setText(locale.toString(loadedQuantity));
        }
        const int index = ui.comboBoxStocks->currentIndex();
        if (index > 0 && ui.comboBoxStocks->itemText(index) != code) {
            QSignalBlocker block(ui.comboBoxStocks);
            ui.comboBoxStocks->setItemText(index, code);
        }
    } else {
        ShowStatus(tr("Stock with code %1 added successfully").arg(code), 1);
        ClearStockFields();
        QSqlQuery* product = DatabaseManager::Instance()->InventoryQuery();
        product->prepare(QStringLiteral("SELECT PRODUCT_CODE FROM tblProducts WHERE ID = :id"));
        product->bindValue(QStringLiteral(":id"), productId);
        if (product->exec() && product->next())
            SelectProductByCode(product->value(0).toString());
    }
    StoreOptions();
}
