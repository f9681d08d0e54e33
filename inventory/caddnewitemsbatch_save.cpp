// The stock batch dialog's checks and its one save routine (insert in the add state, update in the edit state).
#include "caddnewitemsbatch.h"

#include "appsettings.h"
#include "databasefailure.h"
#include "databasemanager.h"
#include "inventorylog.h"
#include "pricequestion.h"
#include "productcode.h"
#include "stockcount.h"

#include <QLocale>
#include <QMessageBox>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlTableModel>

#include <cmath>

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

namespace {
QString OutOfRange(const QString& caption, qint64 count)
{
    const QLocale& locale = *AppSettings::Instance()->locale;
    return CAddNewItemsBatch::tr("Error: %1 %2 is out of range. A stock holds from %3 to %4; nothing was saved.")
        .arg(caption, locale.toString(count), locale.toString(MIN_STOCK_COUNT), locale.toString(MAX_STOCK_COUNT));
}

QString WriteFailed(const QString& reason)
{
    return CAddNewItemsBatch::tr("Error occurred while adding or updating the stock") + QLatin1Char('\n') + reason;
}
} // namespace

bool CAddNewItemsBatch::ReadStockCount(QLineEdit* field, const QString& caption, const QString& emptyMessage,
                                       qint64* count)
{
    bool ok = false;
    *count = AppSettings::Instance()->locale->toLongLong(field->text(), &ok);
    if (ok && !FitsStockColumn(*count)) {
        ShowStatus(OutOfRange(caption, *count), 0);
        field->setFocus();
        return false;
    }
    if (!ok) {
        ShowStatus(emptyMessage, 0);
        field->setFocus();
    }
    return ok;
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
        qint64 count = 0;
        if (!ReadStockCount(ui.lineQuantity, tr("Quantity"), tr("Error: Please enter numeric value for quantity."),
                            &count)
            || !ReadStockCount(ui.editSubItems, tr("Sub Quantity"), tr("Please enter numeric value for sub items."),
                               &count))
            return false;
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

bool CAddNewItemsBatch::ConfirmSalePrice()
{
    // Prices are kept without tax at the shop's places, so not every price with tax can be reproduced:
    // the user decides knowing what the till will charge.
    if (!ui.radioButtonSalePriceWithTax->isChecked()
        || (editFlag && ui.lineEditSalePrice->text() == shownSalePrice
            && ui.lineEditSalePriceWitTax->text() == shownSalePriceWithTax))
        return true;
    const QLocale& locale = *AppSettings::Instance()->locale;
    const int places = decimalPlaces.toInt();
    const double charged = TillUnitPrice(roundingMode, places, ReadAmount(ui.lineEditSalePrice),
                                         locale.toDouble(ui.lineTaxStatus->text()));
    return ConfirmTillPrice(this, tr("Edit Inventory"), ui.lineEditSalePriceWitTax,
                            ReadAmount(ui.lineEditSalePriceWitTax), charged, AmountText(charged), locale.toString(places));
}

void CAddNewItemsBatch::Save()
{
    const QLocale& locale = *AppSettings::Instance()->locale;
    if (ui.lineName->text().isEmpty()) {
        ShowStatus(tr("Error: Please select a product first by code or name."), 0);
        ui.comboBoxProducts->setFocus();
        return;
    }
    if (!ValidateInput() || !ConfirmSalePrice())
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

    DatabaseManager* manager = DatabaseManager::Instance();
    QSqlDatabase* db = manager->InventoryDatabase();
    QSqlQuery* query = manager->InventoryQuery();
    if (editFlag) {
        query->prepare(QStringLiteral(
            "UPDATE tblInventory SET PRODUCT_ID = :product_id, VENDOR_ID = :vendor_id, BAR_CODE = :bar_code, "
            "BATCH_NUMBER = :batch, EXPIRY_DATE = :expiry_date, STORAGE_LOCATION = :storage_location , PURCHASE_PRICE = "
            ":purchase_price, SALE_PRICE = :sale_price, QUANTITY = :quantity, SUB_ITEMS = :sub_items , SHOW_ON_POS = "
            ":show , DISCOUNT = :discount,   REORDER_LEVEL = :rol, REORDER_QUANTITY = :roq WHERE ID = :id"));
        query->bindValue(QStringLiteral(":id"), stockRowId.toInt());
    } else {
        query->prepare(QStringLiteral(
            "INSERT INTO tblInventory ( PRODUCT_ID, VENDOR_ID, BAR_CODE, BATCH_NUMBER, EXPIRY_DATE, STORAGE_LOCATION , "
            "PURCHASE_PRICE, SALE_PRICE, QUANTITY, SUB_ITEMS, SHOW_ON_POS, DISCOUNT, REORDER_LEVEL, REORDER_QUANTITY) "
            "VALUES ( :product_id, :vendor_id, :bar_code, :batch, :expiry_date , :storage_location, :purchase_price, "
            ":sale_price, :quantity, :sub_items, :show, :discount, :rol, :roq)"));
        query->bindValue(QStringLiteral(":quantity"), serviceFlag ? 0 : locale.toLongLong(ui.lineQuantity->text()));
        query->bindValue(QStringLiteral(":sub_items"), serviceFlag ? 0 : locale.toLongLong(ui.editSubItems->text()));
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
    query->bindValue(QStringLiteral(":bar_code"), code);
    query->bindValue(QStringLiteral(":product_id"), productId);
    query->bindValue(QStringLiteral(":show"), ui.checkShowOnPOS->isChecked() ? 1 : 0);
    query->bindValue(QStringLiteral(":discount"), locale.toDouble(ui.lineEditDiscount->text()));
    query->bindValue(QStringLiteral(":rol"), serviceFlag ? 0 : locale.toInt(ui.lineReoderLevel->text()));
    query->bindValue(QStringLiteral(":roq"), serviceFlag ? 0 : locale.toInt(ui.lineReoderQuantity->text()));

    // error: the message shown when the save fails.
    QString error;
    bool saved = false;
    if (!editFlag) {
        saved = query->exec();
        if (!saved)
            error = WriteFailed(DatabaseFailure::WriteReason(*query));
    } else if (!manager->BeginTransaction(db)) {
        error = WriteFailed(DatabaseFailure::WriteReason(*db));
    } else {
        const qint64 typedQuantity = serviceFlag ? 0 : locale.toLongLong(ui.lineQuantity->text());
        const qint64 typedSubItems = serviceFlag ? 0 : locale.toLongLong(ui.editSubItems->text());
        saved = UpdateStockRow(query, typedQuantity, typedSubItems, &error) && manager->CommitTransaction(db);
        if (!saved) {
            if (error.isEmpty())
                error = WriteFailed(DatabaseFailure::WriteReason(*db));
            manager->RollbackTransaction(db);
        }
    }
    if (!saved) {
        // What was typed stays in the form for another attempt.
        qCWarning(lcInventory) << "stock save:" << error << query->lastQuery();
        ShowStatus(error, 0);
        StoreOptions();
        return;
    }

    if (editFlag) {
        ShowStatus(tr("Stock with code %1 updated successfully").arg(code), 1);
        loadedCode = code;
        ShowStoredCounts();
        shownSalePrice = ui.lineEditSalePrice->text();
        shownSalePriceWithTax = ui.lineEditSalePriceWitTax->text();
        const int index = ui.comboBoxStocks->currentIndex();
        if (index > 0 && ui.comboBoxStocks->itemText(index) != code) {
            QSignalBlocker block(ui.comboBoxStocks);
            ui.comboBoxStocks->setItemText(index, code);
        }
    } else {
        ClearStockFields();
        QSqlQuery* product = DatabaseManager::Instance()->InventoryQuery();
        product->prepare(QStringLiteral("SELECT PRODUCT_CODE FROM tblProducts WHERE ID = :id"));
        product->bindValue(QStringLiteral(":id"), productId);
        if (product->exec() && product->next())
            SelectProductByCode(product->value(0).toString());
        // After the product is selected again, whose look-up clears the status line.
        ShowStatus(tr("Stock with code %1 added successfully").arg(code), 1);
    }
    StoreOptions();
}

bool CAddNewItemsBatch::UpdateStockRow(QSqlQuery* query, qint64 typedQuantity, qint64 typedSubItems, QString* error)
{
    // The row is locked and the user's change, counted in sub-items from what was shown, goes onto what the
    // row holds now: items a till sold meanwhile stay sold.
    QSqlQuery lock(*DatabaseManager::Instance()->InventoryDatabase());
    lock.prepare(QStringLiteral("SELECT QUANTITY, SUB_ITEMS FROM tblInventory WHERE ID = :id FOR UPDATE"));
    lock.bindValue(QStringLiteral(":id"), stockRowId.toInt());
    if (!lock.exec()) {
        *error = WriteFailed(DatabaseFailure::WriteReason(lock));
        return false;
    }
    if (!lock.next()) {
        *error = tr("Error: The stock no longer exists; nothing was saved.");
        return false;
    }
    const qint64 storedQuantity = lock.value(0).toLongLong();
    const qint64 storedSubItems = lock.value(1).toLongLong();
    qint64 quantity = typedQuantity;
    qint64 subItems = typedSubItems;
    if (!serviceFlag && (storedQuantity != loadedQuantity || storedSubItems != loadedSubItems)) {
        // Each term stays within 34 bits, so nothing here can overflow; the split follows the till's.
        quantity = storedQuantity + typedQuantity - loadedQuantity;
        subItems = storedSubItems + typedSubItems - loadedSubItems;
        quantity += subItems / itemsPerUnit;
        subItems %= itemsPerUnit;
        if (subItems < 0 && quantity > 0) {
            --quantity;
            subItems += itemsPerUnit;
        } else if (subItems > 0 && quantity < 0) {
            ++quantity;
            subItems -= itemsPerUnit;
        }
    }
    if (!FitsStockColumn(quantity)) {
        *error = OutOfRange(tr("Quantity"), quantity);
        return false;
    }
    if (!FitsStockColumn(subItems)) {
        *error = OutOfRange(tr("Sub Quantity"), subItems);
        return false;
    }
    query->bindValue(QStringLiteral(":quantity"), quantity);
    query->bindValue(QStringLiteral(":sub_items"), subItems);
    if (!query->exec()) {
        *error = WriteFailed(DatabaseFailure::WriteReason(*query));
        return false;
    }
    return true;
}

void CAddNewItemsBatch::ShowStoredCounts()
{
    // What the row holds now, other terminals' sales included; the next change is counted from it.
    const QLocale& locale = *AppSettings::Instance()->locale;
    QSqlQuery stored(*DatabaseManager::Instance()->InventoryDatabase());
    stored.prepare(QStringLiteral("SELECT QUANTITY, SUB_ITEMS FROM tblInventory WHERE ID = :id"));
    stored.bindValue(QStringLiteral(":id"), stockRowId.toInt());
    if (!stored.exec() || !stored.next()) {
        qCWarning(lcInventory) << "stock re-read:" << stored.lastError().text();
        return;
    }
    loadedQuantity = stored.value(0).toLongLong();
    loadedSubItems = stored.value(1).toLongLong();
    ui.lineQuantity->setText(locale.toString(loadedQuantity));
    ui.editSubItems->setText(locale.toString(loadedSubItems));
}
