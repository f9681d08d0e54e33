#include "movestock.h"

#include "appsettings.h"
#include "databasefailure.h"
#include "databasemanager.h"
#include "inventorylog.h"
#include "inventorymanagement.h"
#include "stockcount.h"

#include <QLocale>
#include <QMainWindow>
#include <QMessageBox>
#include <QScroller>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {
QLocale DisplayLocale()
{
    return *AppSettings::Instance()->locale;
}

QSqlDatabase Inventory()
{
    return *DatabaseManager::Instance()->InventoryDatabase();
}
} // namespace

MoveStock::MoveStock(QWidget* parent)
    : VorantelDialog(parent)
{
    ui.setupUi(this);
    QScroller::grabGesture(ui.scrollArea->viewport(), QScroller::LeftMouseButtonGesture);
    destinationQuantity = 0;
    ui.lineDestinationSelectedStock->setEnabled(false);
}

MoveStock::~MoveStock() = default;

void MoveStock::SetSourceStock(QSqlRecord record)
{
    ui.checkMoveToExistingStock->setChecked(true);
    sourceRecord = record;
    ui.lineSourceStockCode->setText(record.value(QStringLiteral("BAR_CODE")).toString());
    ui.lineSourceProductName->setText(record.value(QStringLiteral("P_NAME")).toString());
    ui.lineSourceLocation->setText(record.value(QStringLiteral("STORAGE_LOCATION")).toString());
    ShowSourceQuantity(record.value(QStringLiteral("QUANTITY")).toInt());
}

void MoveStock::ShowSourceQuantity(int quantity)
{
    ui.lineSourceQty->setText(DisplayLocale().toString(quantity));
}

void MoveStock::Warn(const QString& text)
{
    QMessageBox::warning(this, tr("Move Stock"), text, QMessageBox::Ok);
}

void MoveStock::on_pushClose_clicked()
{
    close();
}

void MoveStock::on_checkMoveToExistingStock_toggled(bool checked)
{
    if (checked) {
        ui.pushSelectStock->setEnabled(true);
        ui.lineDestinationLocation->setEnabled(false);
        ui.lineDestinationStockCode->clear();
        ui.lineDestinationStockCode->setEnabled(false);
        ui.checkAutoGenerate->setEnabled(false);
    } else {
        ui.pushSelectStock->setEnabled(false);
        ui.lineDestinationLocation->clear();
        ui.lineDestinationLocation->setEnabled(true);
        ui.lineDestinationStockCode->clear();
        ui.lineDestinationSelectedStock->clear();
        ui.lineDestinationStockCode->setEnabled(true);
        ui.checkAutoGenerate->setEnabled(true);
        ui.checkAutoGenerate->setChecked(true);
    }
}

void MoveStock::on_checkAutoGenerate_toggled(bool checked)
{
    if (checked) {
        ui.lineDestinationStockCode->clear();
        ui.lineDestinationStockCode->setEnabled(false);
    } else {
        ui.lineDestinationStockCode->setEnabled(true);
    }
}

void MoveStock::on_pushSelectStock_clicked()
{
    ui.lineDestinationSelectedStock->setText(InventoryManagement::PickStockCode(AppSettings::Instance()->mainWindow));
    const QString chosen = ui.lineDestinationSelectedStock->text();
    if (chosen == ui.lineSourceStockCode->text()) {
        Warn(tr("Error: Source and Destination stocks are same."));
        ui.lineDestinationSelectedStock->clear();
        destinationQuantity = 0;
        return;
    }
    if (chosen.isEmpty())
        return;

    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    query->prepare(QStringLiteral("SELECT i.ID, p.PRODUCT_CODE, i.STORAGE_LOCATION, i.QUANTITY FROM tblProducts as p, "
                                  "tblInventory as i WHERE BAR_CODE = :code AND i.PRODUCT_ID = p.ID"));
    query->bindValue(QStringLiteral(":code"), chosen);
    if (!query->exec()) {
        qCWarning(lcInventory) << query->lastError().text() << query->lastQuery();
        return;
    }
    if (!query->next())
        return;
    if (query->value(1).toString() != sourceRecord.value(QStringLiteral("PRODUCT_CODE")).toString()) {
        Warn(tr("Error: Destination stock is not of same product type as of source stock."));
        ui.lineDestinationSelectedStock->clear();
        destinationQuantity = 0;
        return;
    }
    ui.lineDestinationLocation->setText(query->value(2).toString());
    destinationQuantity = query->value(3).toInt();
}

void MoveStock::on_pushMove_clicked()
{
    bool ok = false;
    const int quantity = DisplayLocale().toInt(ui.lineDestinationQuantity->text(), &ok);
    // Nothing, or a negative amount, is no move: it would push stock the wrong way.
    if (!ok || quantity <= 0) {
        Warn(tr("Error: Please enter valid quantity value."));
        ui.lineDestinationQuantity->setFocus();
        return;
    }
    const int shown = DisplayLocale().toInt(ui.lineSourceQty->text());
    if (quantity > shown) {
        Warn(tr("Error: Please enter valid quantity value less than or equal to source stock."));
        ui.lineDestinationQuantity->setFocus();
        return;
    }
    if (ui.checkMoveToExistingStock->isChecked())
        MoveIntoExisting(quantity);
    else
        MoveIntoNew(quantity);
}

void MoveStock::FailMove(const QSqlQuery& query)
{
    const QString error = DatabaseFailure::WriteReason(query);
    DatabaseManager::Instance()->RollbackTransaction(DatabaseManager::Instance()->InventoryDatabase());
    qCWarning(lcInventory) << "stock move failed:" << query.lastError().text() << query.lastQuery();
    Warn(tr("Error: The stock could not be moved, nothing was changed.\n%1").arg(error));
}

bool MoveStock::StoredQuantity(const QString& stockCode, int* quantity)
{
    QSqlQuery query(Inventory());
    query.prepare(QStringLiteral("SELECT QUANTITY FROM tblInventory WHERE BAR_CODE = :code"));
    query.bindValue(QStringLiteral(":code"), stockCode);
    if (!query.exec()) {
        qCWarning(lcInventory) << query.lastError().text();
        return false;
    }
    if (!query.next())
        return false;
    *quantity = query.value(0).toInt();
    return true;
}

bool MoveStock::TakeFromSource(QSqlQuery& query, int quantity)
{
    // Relative to what is stored now, and never below zero: another terminal may have sold from it.
    query.prepare(QStringLiteral("UPDATE tblInventory SET QUANTITY = QUANTITY - :quantity "
                                 "WHERE BAR_CODE = :code AND QUANTITY >= :available"));
    query.bindValue(QStringLiteral(":quantity"), quantity);
    query.bindValue(QStringLiteral(":code"), ui.lineSourceStockCode->text());
    query.bindValue(QStringLiteral(":available"), quantity);
    if (!query.exec()) {
        FailMove(query);
        return false;
    }
    if (query.numRowsAffected() == 1)
        return true;

    DatabaseManager::Instance()->RollbackTransaction(DatabaseManager::Instance()->InventoryDatabase());
    int stored = 0;
    if (StoredQuantity(ui.lineSourceStockCode->text(), &stored)) {
        ShowSourceQuantity(stored);
        Warn(tr("Error: Another terminal has changed the source stock meanwhile. It now holds %1 items, fewer than %2. "
                "Nothing was moved.")
                 .arg(DisplayLocale().toString(stored), DisplayLocale().toString(quantity)));
    } else {
        Warn(tr("Error: The source stock no longer exists. Nothing was moved."));
    }
    return false;
}

bool MoveStock::Commit()
{
    DatabaseManager* manager = DatabaseManager::Instance();
    QSqlDatabase* db = manager->InventoryDatabase();
    if (manager->CommitTransaction(db))
        return true;
    const QString error = DatabaseFailure::WriteReason(*db);
    manager->RollbackTransaction(db);
    Warn(tr("Error: The stock could not be moved, nothing was changed.\n%1").arg(error));
    return false;
}

bool MoveStock::BeginMove(QSqlDatabase& db)
{
    if (DatabaseManager::Instance()->BeginTransaction(&db))
        return true;
    Warn(tr("Error: The stock could not be moved, nothing was changed.\n%1").arg(DatabaseFailure::WriteReason(db)));
    return false;
}

void MoveStock::MoveIntoExisting(int quantity)
{
    const QString destination = ui.lineDestinationSelectedStock->text();
    if (destination.isEmpty()) {
        Warn(tr("Error: Please select destination stock."));
        return;
    }
    QSqlDatabase db = Inventory();
    if (!BeginMove(db))
        return;
    QSqlQuery query(db);
    // The destination is locked and its new quantity checked first, so that a count the column cannot hold
    // is refused before anything is written.
    query.prepare(QStringLiteral("SELECT QUANTITY FROM tblInventory WHERE BAR_CODE = :code FOR UPDATE"));
    query.bindValue(QStringLiteral(":code"), destination);
    if (!query.exec())
        return FailMove(query);
    if (!query.next()) {
        DatabaseManager::Instance()->RollbackTransaction(&db);
        Warn(tr("Error: The destination stock no longer exists. Nothing was moved."));
        return;
    }
    const qint64 moved = query.value(0).toLongLong() + quantity;
    if (!FitsStockColumn(moved)) {
        DatabaseManager::Instance()->RollbackTransaction(&db);
        Warn(tr("Error: The Quantity of the destination stock would become %1, more than a stock holds (%2). "
                "Nothing was moved.")
                 .arg(DisplayLocale().toString(moved), DisplayLocale().toString(MAX_STOCK_COUNT)));
        ui.lineDestinationQuantity->setFocus();
        return;
    }
    if (!TakeFromSource(query, quantity))
        return;
    query.prepare(QStringLiteral("UPDATE tblInventory SET QUANTITY = QUANTITY + :quantity WHERE BAR_CODE = :code"));
    query.bindValue(QStringLiteral(":quantity"), quantity);
    query.bindValue(QStringLiteral(":code"), destination);
    if (!query.exec())
        return FailMove(query);
    if (query.numRowsAffected() != 1) {
        DatabaseManager::Instance()->RollbackTransaction(&db);
        Warn(tr("Error: The destination stock no longer exists. Nothing was moved."));
        return;
    }
    if (!Commit())
        return;

    QMessageBox::information(this, tr("Move Stock"),
                             tr("%1 Stock items moved successfully to destination stock.").arg(ui.lineDestinationQuantity->text()),
                             QMessageBox::Ok);
    int stored = 0;
    if (StoredQuantity(ui.lineSourceStockCode->text(), &stored))
        ShowSourceQuantity(stored);
    if (StoredQuantity(destination, &stored))
        destinationQuantity = stored;
}

void MoveStock::MoveIntoNew(int quantity)
{
    QString code;
    if (!ui.checkAutoGenerate->isChecked()) {
        code = ui.lineDestinationStockCode->text();
        if (code.isEmpty()) {
            Warn(tr("Error: Destination stock value is empty. Please enter valid value, or select auto generate."));
            ui.lineDestinationStockCode->setFocus();
            return;
        }
        int unused = 0;
        if (StoredQuantity(code, &unused)) {
            Warn(tr("Error: Destination stock value already assigned to some other stock. Please choose some other, or "
                    "select auto generate."));
            ui.lineDestinationStockCode->setFocus();
            return;
        }
    }

    QSqlDatabase db = Inventory();
    if (!BeginMove(db))
        return;
    QSqlQuery query(db);
    if (!TakeFromSource(query, quantity))
        return;

    if (code.isEmpty()) {
        if (!query.exec(QStringLiteral("SELECT MAX(ID) FROM tblInventory")) || !query.next())
            return FailMove(query);
        // The highest id plus one, stepping past codes that rows already carry.
        qlonglong next = query.value(0).toLongLong() + 1;
        int unused = 0;
        while (StoredQuantity(QString::number(next), &unused))
            ++next;
        code = QString::number(next);
    }

    const QString expiryText = sourceRecord.value(QStringLiteral("EXPIRY_DATE")).toString();
    const QVariant expiry = expiryText.isEmpty()
                                ? QVariant(QVariant::Date)
                                : QVariant(QDate::fromString(expiryText, AppSettings::Instance()->DateFormat()));
    query.prepare(QStringLiteral(
        "INSERT INTO tblInventory ( PRODUCT_ID, VENDOR_ID, BAR_CODE, BATCH_NUMBER, EXPIRY_DATE, STORAGE_LOCATION , "
        "PURCHASE_PRICE, SALE_PRICE, QUANTITY, SUB_ITEMS, SHOW_ON_POS, DISCOUNT, REORDER_LEVEL, REORDER_QUANTITY) VALUES "
        "( :product_id, :vendor_id, :bar_code, :batch, :expiry_date , :storage_location, :purchase_price, :sale_price, "
        ":quantity, :sub_items, :show, :discount, :rol, :roq)"));
    query.bindValue(QStringLiteral(":product_id"), sourceRecord.value(QStringLiteral("PRODUCT_ID")).toInt());
    query.bindValue(QStringLiteral(":vendor_id"), sourceRecord.value(QStringLiteral("VENDOR_ID")).toInt());
    query.bindValue(QStringLiteral(":batch"), sourceRecord.value(QStringLiteral("BATCH_NUMBER")).toString());
    query.bindValue(QStringLiteral(":expiry_date"), expiry);
    query.bindValue(QStringLiteral(":storage_location"), ui.lineDestinationLocation->text());
    query.bindValue(QStringLiteral(":sale_price"), sourceRecord.value(QStringLiteral("SALE_PRICE")).toDouble());
    query.bindValue(QStringLiteral(":purchase_price"), sourceRecord.value(QStringLiteral("PURCHASE_PRICE")).toDouble());
    query.bindValue(QStringLiteral(":quantity"), quantity);
    query.bindValue(QStringLiteral(":sub_items"), 0);
    query.bindValue(QStringLiteral(":bar_code"), code);
    query.bindValue(QStringLiteral(":show"), sourceRecord.value(QStringLiteral("SHOW_ON_POS")).toInt());
    query.bindValue(QStringLiteral(":discount"), sourceRecord.value(QStringLiteral("DISCOUNT")).toDouble());
    query.bindValue(QStringLiteral(":rol"), sourceRecord.value(QStringLiteral("REORDER_LEVEL")).toInt());
    query.bindValue(QStringLiteral(":roq"), sourceRecord.value(QStringLiteral("REORDER_QUANTITY")).toInt());
    if (!query.exec())
        return FailMove(query);
    if (!Commit())
        return;

    QMessageBox::information(this, tr("Move Stock"),
                             tr("%1 Stock items mvoved successfully to destination stock.").arg(ui.lineDestinationQuantity->text()),
                             QMessageBox::Ok);
    int stored = 0;
    if (StoredQuantity(ui.lineSourceStockCode->text(), &stored))
        ShowSourceQuantity(stored);
}
