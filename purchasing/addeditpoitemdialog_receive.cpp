// Receiving a line's deliveries into stock: onto an existing stock row or into a new one.
#include "addeditpoitemdialog.h"

#include "appsettings.h"
#include "databasefailure.h"
#include "databasemanager.h"
#include "errordialog.h"
#include "productcode.h"
#include "purchasinglog.h"
#include "pricequestion.h"
#include "rounding.h"
#include "statuslabel.h"
#include "stockcount.h"

#include <QLocale>
#include <QMainWindow>
#include <QMessageBox>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QTimer>

#include <cmath>

namespace {
const int DUPLICATE_KEY = 1062;
} // namespace

void AddEditPOItemDialog::SetReceiveMode()
{
    for (QWidget* widget : {static_cast<QWidget*>(ui.groupItemDetails), static_cast<QWidget*>(ui.groupPOItem),
                            static_cast<QWidget*>(ui.pushUpdate), static_cast<QWidget*>(ui.pushButton)})
        widget->hide();
    ui.groupStockReceiving->show();
    ui.pushUpdateStock->show();
    mode = ReceiveMode;
    setWindowTitle(tr("Receive and Update Stock"));
    resize(990, 550);
    QTimer::singleShot(500, this, &AddEditPOItemDialog::ShowHelpMessage);
}

void AddEditPOItemDialog::ShowHelpMessage()
{
    ErrorDialog notice(
        QStringLiteral("err_msg_40"), tr("Receive Stock"),
        tr("<p>This dialog allows to receive ordered items and add to system inventory.</p> <p>Stock or inventory "
           "details provided on this dialog will be used for adding purchase order item to inventory. You can receive "
           "full or partial quantities of the purchased items. Additionally you can specify to add received items  to "
           "existing stocks or create new stocks.<p><p>After updating the stock, please do not forget to change the "
           "purchase order status to <b>PARTIALLY RECEIVED</b>, or <b>RECEIVED</b>. If you have received all the "
           "ordered items, and have added them to stock, then change the status to <b>RECEIVED</b>, otherwise to "
           "<b>PARTIALLY RECEIVED</b></p><p>Here you can specify either to create a new stock with different price, "
           "code, expiry, batch number, or use the existing stock. If specified the existing stock, only the quantity "
           "will be updated and rest of the information will not be changed in the inventory. </p>"),
        AppSettings::Instance()->mainWindow, false, true);
    notice.exec();
}

bool AddEditPOItemDialog::ValidateReceiveInput()
{
    const auto refuse = [this](QWidget* field, const QString& message) {
        ShowStatus(message, 0);
        field->setFocus();
        return false;
    };
    bool ok = false;
    locale->toInt(ui.lineRSReceivedQty->text(), &ok);
    if (ui.lineRSReceivedQty->text().isEmpty() || !ok)
        return refuse(ui.lineRSReceivedQty, tr("Enter valid numeric value for received quantity"));
    if (ui.checkAddToExistingStock->isChecked())
        return true;
    if (ui.checkCreateNewStock->isChecked() && !ui.checkAutoGenerateNewStockCode->isChecked()) {
        const QString code = ui.lineRSNewStockCode->text();
        // The code rule of every stock code: 1 to 50 characters of the allowed set.
        if (code.trimmed().isEmpty() || !IsValidCode(code))
            return refuse(ui.lineRSNewStockCode, tr("Enter valid alpha numeric stock code"));
        QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
        query->prepare(QStringLiteral("SELECT BAR_CODE FROM tblInventory WHERE BAR_CODE = :code"));
        query->bindValue(QStringLiteral(":code"), code);
        if (!query->exec())
            return refuse(ui.lineRSNewStockCode, DatabaseFailure::WriteReason(*query));
        // Any row the database matches would be refused by the unique code.
        if (query->next())
            return refuse(ui.lineRSNewStockCode,
                          tr("Error: stock code %1 already exists. Please choose some other.").arg(code));
    }
    if (ui.checkBoxExpiry->isChecked() && !ui.dateExpiry->date().isValid())
        return refuse(ui.dateExpiry, tr("Error: Please select valid expiry date."));
    locale->toDouble(ui.lineSalePrice->text(), &ok);
    if (!ok)
        return refuse(ui.lineSalePrice, tr("Error: Please enter valid value for sale price."));
    locale->toInt(ui.lineRSReorderLevel->text(), &ok);
    if (!ok)
        return refuse(ui.lineRSReorderLevel, tr("Please enter numeric value for reorder level."));
    locale->toInt(ui.lineRSReorderQty->text(), &ok);
    if (!ok)
        return refuse(ui.lineRSReorderQty, tr("Please enter numeric value for reorder quantity."));
    locale->toDouble(ui.lineRSDiscount->text(), &ok);
    if (!ok)
        return refuse(ui.lineRSDiscount, tr("Discount is invalid. Please enter numeric value 0 to 99%1 99")
                                             .arg(locale->decimalPoint()));
    return true;
}

bool AddEditPOItemDialog::WriteReceipt(QSqlQuery& query, qint64 newTotal, const QString& stockId, QString* error)
{
    query.prepare(QStringLiteral("UPDATE tblPODetails SET RECEIVED_QUANTITY = :rq, DISCOUNT = :d,  REORDER_LEVEL = :rl, "
                                 "REORDER_QUANTITY = :roq,  STOCK_CODE = :sc, BATCH_NUMBER = :b, EXPIRY_DATE = :e, "
                                 "STORAGE_LOCATION = :sl, STOCK_ID = :sid, SALE_PRICE = :s  WHERE ID = :id"));
    query.bindValue(QStringLiteral(":rq"), newTotal);
    query.bindValue(QStringLiteral(":d"), static_cast<float>(Double(ui.lineRSDiscount)));
    query.bindValue(QStringLiteral(":rl"), Int(ui.lineRSReorderLevel));
    query.bindValue(QStringLiteral(":roq"), Int(ui.lineRSReorderQty));
    query.bindValue(QStringLiteral(":sc"), ui.lineRSNewStockCode->text());
    query.bindValue(QStringLiteral(":b"), ui.lineBatch->text());
    query.bindValue(QStringLiteral(":e"), ExpiryValue());
    query.bindValue(QStringLiteral(":sl"), ui.lineStorage->text());
    query.bindValue(QStringLiteral(":sid"), stockId);
    query.bindValue(QStringLiteral(":s"), Double(ui.lineSalePrice));
    query.bindValue(QStringLiteral(":id"), lineId.toInt());
    if (query.exec())
        return true;
    *error = DatabaseFailure::WriteReason(query);
    return false;
}

bool AddEditPOItemDialog::AddToExistingStock(QSqlQuery& query, const QString& code, QString* error)
{
    // The row is locked and then raised by the delivery, relative to what is stored: a sale rung up on
    // another workstation meanwhile is not overwritten.
    query.prepare(QStringLiteral("SELECT ID, QUANTITY FROM tblInventory WHERE BAR_CODE = :code FOR UPDATE"));
    query.bindValue(QStringLiteral(":code"), code);
    if (!query.exec()) {
        *error = DatabaseFailure::WriteReason(query);
        return false;
    }
    if (!query.next()) {
        *error = tr("No stock with the code %1.").arg(code);
        return false;
    }
    const int id = query.value(0).toInt();
    const qint64 stocked = query.value(1).toLongLong() + Int(ui.lineRSReceivedQty);
    if (query.next()) {
        *error = tr("More than one stock row has the code %1.").arg(code);
        return false;
    }
    if (!FitsStockColumn(stocked)) {
        *error = tr("The Quantity of stock %1 would become %2, beyond what a stock holds (%3 to %4).")
                     .arg(code, locale->toString(stocked), locale->toString(MIN_STOCK_COUNT),
                          locale->toString(MAX_STOCK_COUNT));
        return false;
    }
    query.prepare(QStringLiteral("UPDATE tblInventory SET QUANTITY = QUANTITY + :q WHERE ID = :id"));
    query.bindValue(QStringLiteral(":q"), Int(ui.lineRSReceivedQty));
    query.bindValue(QStringLiteral(":id"), id);
    if (!query.exec()) {
        *error = DatabaseFailure::WriteReason(query);
        return false;
    }
    return true;
}

bool AddEditPOItemDialog::CreateStockRow(QSqlQuery& query, QString* code, QString* error)
{
    query.prepare(QStringLiteral("SELECT ID FROM tblProducts WHERE PRODUCT_CODE = :code"));
    query.bindValue(QStringLiteral(":code"), ui.lineProductCode->text());
    if (!query.exec()) {
        *error = DatabaseFailure::WriteReason(query);
        return false;
    }
    if (!query.next()) {
        *error = tr("The product %1 does not exist.").arg(ui.lineProductCode->text());
        return false;
    }
    const int productId = query.value(0).toInt();
    const bool automatic = ui.checkAutoGenerateNewStockCode->isChecked();

    query.prepare(QStringLiteral(
        "INSERT INTO tblInventory ( PRODUCT_ID, VENDOR_ID, BAR_CODE, BATCH_NUMBER, EXPIRY_DATE, STORAGE_LOCATION , "
        "PURCHASE_PRICE, SALE_PRICE, QUANTITY, SUB_ITEMS, SHOW_ON_POS, DISCOUNT, REORDER_LEVEL, REORDER_QUANTITY) VALUES "
        "( :product_id, :vendor_id, :bar_code, :batch, :expiry_date , :storage_location, :purchase_price, :sale_price, "
        ":quantity, :sub_items, :show_on_pos, :discount, :rl, :rq)"));
    query.bindValue(QStringLiteral(":product_id"), productId);
    query.bindValue(QStringLiteral(":vendor_id"), vendorId);
    // An automatic code is written once the row's ID is known; until then the row holds a code unique to
    // this attempt, which no typed code can equal.
    query.bindValue(QStringLiteral(":bar_code"), automatic ? TemporaryProductCode() : ui.lineRSNewStockCode->text());
    query.bindValue(QStringLiteral(":batch"), ui.lineBatch->text());
    query.bindValue(QStringLiteral(":expiry_date"), ExpiryValue());
    query.bindValue(QStringLiteral(":storage_location"), ui.lineStorage->text());
    query.bindValue(QStringLiteral(":purchase_price"), Double(ui.lineUnitPriceWithTax));
    query.bindValue(QStringLiteral(":sale_price"), Double(ui.lineSalePrice));
    query.bindValue(QStringLiteral(":quantity"), Int(ui.lineRSReceivedQty));
    query.bindValue(QStringLiteral(":sub_items"), 0);
    query.bindValue(QStringLiteral(":show_on_pos"), 1);
    query.bindValue(QStringLiteral(":discount"), static_cast<float>(Double(ui.lineRSDiscount)));
    query.bindValue(QStringLiteral(":rl"), Int(ui.lineRSReorderLevel));
    query.bindValue(QStringLiteral(":rq"), Int(ui.lineRSReorderQty));
    if (!query.exec()) {
        *error = DatabaseFailure::WriteReason(query);
        return false;
    }
    if (!automatic) {
        *code = ui.lineRSNewStockCode->text();
        return true;
    }

    // The automatic code is the row's ID, or the next number no stock row carries.
    const qlonglong id = query.lastInsertId().toLongLong();
    qlonglong n = id;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        for (;;) {
            query.prepare(QStringLiteral("SELECT ID FROM tblInventory WHERE BAR_CODE = :code"));
            query.bindValue(QStringLiteral(":code"), QString::number(n));
            if (!query.exec()) {
                *error = DatabaseFailure::WriteReason(query);
                return false;
            }
            if (!query.next())
                break;
            ++n;
        }
        query.prepare(QStringLiteral("UPDATE tblInventory SET BAR_CODE = :code WHERE ID = :id"));
        query.bindValue(QStringLiteral(":code"), QString::number(n));
        query.bindValue(QStringLiteral(":id"), id);
        if (query.exec()) {
            *code = QString::number(n);
            return true;
        }
        // Another workstation took the number between the probe and the update: try the next.
        if (query.lastError().nativeErrorCode() != QString::number(DUPLICATE_KEY)) {
            *error = DatabaseFailure::WriteReason(query);
            return false;
        }
        ++n;
    }
    *error = tr("No free stock code was found.");
    return false;
}

bool AddEditPOItemDialog::ConfirmSalePrice()
{
    // A new stock row keeps the price without tax at the shop's places, so not every price with tax can be
    // reproduced: the user decides knowing what the till will charge.
    if (!taxEnabled || !ui.radioSalePriceWithTax->isChecked())
        return true;
    const double charged = TillUnitPrice(roundingMode, decimalPlaces, Double(ui.lineSalePrice), Double(ui.lineTaxStatus));
    return ConfirmTillPrice(this, tr("Receive Stock"), ui.lineEditSalePriceWithTax, Double(ui.lineEditSalePriceWithTax),
                            charged, Fixed(charged), locale->toString(decimalPlaces));
}

void AddEditPOItemDialog::ReloadStockCodes(const QString& current)
{
    LoadStockRows(ui.lineProductCode->text());
    ui.comboSelectStock->setCurrentText(current);
}

void AddEditPOItemDialog::on_pushUpdateStock_clicked()
{
    ClearStatus(ui.labelStatus);
    if (!ValidateReceiveInput())
        return;

    QString stockId = QStringLiteral("-1");
    const bool existing = ui.checkAddToExistingStock->isChecked();
    if (existing) {
        stockId = ui.comboSelectStock->currentText();
        if (stockId.isEmpty()) {
            ShowStatus(tr("Please select stock or uncheck the box captioned 'Add to existing stock'"), 0);
            return;
        }
    }
    const qint64 newTotal = qint64(Int(ui.lineRSReceivedQty)) + Int(ui.lineRSTotalReceived);
    if (!FitsStockColumn(newTotal)) {
        ShowStatus(tr("Error: Total Received would become %1, beyond what an order line holds (%2 to %3).")
                       .arg(locale->toString(newTotal), locale->toString(MIN_STOCK_COUNT),
                            locale->toString(MAX_STOCK_COUNT)),
                   0);
        ui.lineRSReceivedQty->setFocus();
        return;
    }
    if (!existing && !ConfirmSalePrice())
        return;

    // Asked before anything is written: Yes writes the receipt and the stock together, No only the receipt.
    const auto answer = QMessageBox::question(
        this, tr("Stock Update"), tr("Stock will be adjusted according to details provided. Do you want to proceed"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton);

    DatabaseManager* manager = DatabaseManager::Instance();
    QSqlDatabase* db = manager->InventoryDatabase();
    QSqlQuery query(*db);
    QString error;
    if (answer != QMessageBox::Yes) {
        if (!WriteReceipt(query, newTotal, stockId, &error)) {
            qCWarning(lcPurchasing) << "receipt failed:" << error;
            ShowStatus(tr("Error occurred while saving stock details.") + QLatin1Char(' ') + error, 0);
            return;
        }
        ui.lineRSTotalReceived->setText(locale->toString(newTotal));
        ShowStatus(tr("The receipt is recorded on the order line; the stock is unchanged."), 1);
    } else {
        QString code;
        bool receiptFailed = false;
        bool done = false;
        if (!manager->BeginTransaction(db)) {
            error = DatabaseFailure::WriteReason(*db);
        } else {
            // An existing row is locked and its new quantity checked before anything else is written.
            const bool stockReady = !existing || AddToExistingStock(query, stockId, &error);
            if (stockReady && !WriteReceipt(query, newTotal, stockId, &error))
                receiptFailed = true;
            else if (stockReady && (existing || CreateStockRow(query, &code, &error)))
                done = manager->CommitTransaction(db);
            if (existing)
                code = stockId;
            if (!done) {
                if (error.isEmpty())
                    error = DatabaseFailure::WriteReason(*db);
                manager->RollbackTransaction(db);
            }
        }
        if (!done) {
            // Nothing was written: the line keeps its received total and the stock its quantity.
            qCWarning(lcPurchasing) << "receiving failed:" << error;
            ShowStatus((receiptFailed ? tr("Error occurred while saving stock details.")
                                      : tr("Error occurred while updating the stock."))
                           + QLatin1Char(' ') + error,
                       0);
        } else {
            ui.lineRSTotalReceived->setText(locale->toString(newTotal));
            ShowStatus(tr("Stock updated successfully."), 1);
            ReloadStockCodes(code);
        }
    }
    AppSettings::Instance()->settings->setValue(QStringLiteral("apid_default_sale_price_with_tax"),
                                                ui.radioSalePriceWithTax->isChecked());
}
