// Automatic purchase orders of the sale screen: a draft order per vendor for the stock rows that
// the sale took down to their reorder level.
#include "cpos.h"
#include "ui_cpos.h"

#include "databasefailure.h"
#include "databasemanager.h"
#include "pos.h"
#include "rounding.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

void CPOS::RunReorderCheck()
{
    reorderChecked = true;
    // Runs after every successful save: codes noted since the last save (or since a load) are
    // ordered too, and GeneratePurchaseOrder consumes each code, so nothing is ordered twice.
    if (reorderStockCodes.isEmpty() || transactionId.isEmpty())
        return;
    QSqlQuery* query = DatabaseManager::Instance()->SalesQuery();
    query->prepare(QStringLiteral("SELECT BAR_CODE, QUANTITY FROM tblSalesInvoice WHERE TRANSACTION_ID = :id"));
    query->bindValue(QStringLiteral(":id"), transactionId);
    if (!query->exec()) {
        qCWarning(lcPos) << "reorder check:" << query->lastError().text();
        return;
    }
    QStringList codes;
    while (query->next())
        codes << query->value(0).toString();
    for (const QString& code : qAsConst(codes))
        GeneratePurchaseOrder(code);
}

void CPOS::GeneratePurchaseOrder(const QString& barCode)
{
    if (!autoPurchaseOrder)
        return;
    const int noted = reorderStockCodes.indexOf(barCode);
    if (noted < 0)
        return;
    reorderStockCodes.removeAt(noted);

    const QString failure = tr("Error occurred while generating purchase order. %1");
    // A lost connection in the program's words, a refusal in the server's: not the driver's.
    const auto tell = [&](const QSqlDriver* driver, const QSqlError& error) {
        if (DatabaseFailure::ConnectionLost(driver, error))
            ShowStatus(WithRefusal(tr("Purchase order not generated: the database server cannot be reached."), true),
                       true);
        else
            ShowStatus(failure.arg(ServerWords(error)), true);
    };
    DatabaseManager* manager = DatabaseManager::Instance();
    QSqlDatabase* db = manager->InventoryDatabase();
    if (!db || !db->isOpen()) {
        tell(nullptr, db ? db->lastError() : QSqlError());
        return;
    }
    QSqlQuery q(*db);
    q.prepare(QStringLiteral("SELECT i.VENDOR_ID FROM tblInventory as i WHERE i.BAR_CODE = :bar_code"));
    q.bindValue(QStringLiteral(":bar_code"), barCode);
    if (!q.exec() || !q.next()) {
        if (q.lastError().isValid())
            qCWarning(lcPos) << "purchase order vendor:" << q.lastError().text();
        ShowStatus(tr("Error occurred while generating purchase order. Error code: 100"), true);
        return;
    }
    const QString vendorId = q.value(0).toString();

    q.prepare(QStringLiteral(
        "SELECT i.VENDOR_ID, p.NAME, p.ID as PRODUCT_ID, p.ITEMS_PER_UNIT, i.EXPIRY_DATE,  i.SALE_PRICE, "
        "i.PURCHASE_PRICE, i.QUANTITY, i.SUB_ITEMS, p.IMAGE_FILE, p.TAX_RATE, i.DISCOUNT,  p.ITEMS_PER_UNIT, "
        "p.UNIT_NAME, p.SUB_UNIT_NAME, p.PRINT_UNIT_NAME, p.SERVICE_ITEM, i.REORDER_LEVEL, i.REORDER_QUANTITY FROM "
        "tblInventory as i, tblProducts as p WHERE p.ID = i.PRODUCT_ID AND i.BAR_CODE = :bar_code"));
    q.bindValue(QStringLiteral(":bar_code"), barCode);
    if (!q.exec()) {
        tell(q.driver(), q.lastError());
        return;
    }
    if (!q.next())
        return;
    const QString productId = q.value(QStringLiteral("PRODUCT_ID")).toString();
    const int quantity = q.value(QStringLiteral("REORDER_QUANTITY")).toInt();
    const double purchasePrice = q.value(QStringLiteral("PURCHASE_PRICE")).toDouble();
    const double salePrice = q.value(QStringLiteral("SALE_PRICE")).toDouble();
    const double rate = q.value(QStringLiteral("TAX_RATE")).toDouble() / 100;
    // The purchase price includes tax.
    const double lineTotal = quantity * (purchasePrice / (1 + rate));
    const double lineTax = rate * lineTotal;
    const double lineGross = lineTotal + lineTax;

    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    const QString now = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    // The order, its item and its totals are written as a whole, so no order is left half made.
    if (!manager->BeginTransaction(db)) {
        tell(db->driver(), db->lastError());
        return;
    }
    const auto refuse = [&](const QString& step) {
        const QSqlError error = q.lastError();
        qCWarning(lcPos) << "purchase order" << step << error.text();
        manager->RollbackTransaction(db);
        tell(q.driver(), error);
    };

    QString orderId = autoOrderByVendor.value(vendorId);
    const bool newOrder = orderId.isEmpty();
    if (newOrder) {
        q.prepare(QStringLiteral(
            "INSERT INTO tblPOrders ( VENDOR_ID, STATUS, SENT_DATE, DELIVERY_DATE, SUB_TOTAL, SALES_TAX, TOTAL, NOTES, "
            "DISABLE_TAX, SHIP_TO_COMPANY_ADDRESS, SHIPPING_NAME,  SHIPPING_ADDRESS, SHIPPING_CONTACT, SHIP_VIA, "
            "LAST_MODIFIED, PAYMENT_STATUS, PAID_AMOUNT) VALUES (:v, :s, :sd, :dd, :st, :stx, :t, :n, :dt, :stca, :sn,  "
            ":sa, :sc, :sv, :lm, :ps, :pa) "));
        q.bindValue(QStringLiteral(":v"), vendorId);
        q.bindValue(QStringLiteral(":s"), 0);
        q.bindValue(QStringLiteral(":sd"), today);
        q.bindValue(QStringLiteral(":dd"), today);
        q.bindValue(QStringLiteral(":st"), 0.0);
        q.bindValue(QStringLiteral(":stx"), 0.0);
        q.bindValue(QStringLiteral(":t"), 0.0);
        q.bindValue(QStringLiteral(":n"), QStringLiteral(""));
        q.bindValue(QStringLiteral(":dt"), taxEnabled ? 1 : 0);
        q.bindValue(QStringLiteral(":stca"), 1);
        q.bindValue(QStringLiteral(":sn"), companyName);
        q.bindValue(QStringLiteral(":sa"), companyAddress);
        q.bindValue(QStringLiteral(":sc"), companyPhone);
        q.bindValue(QStringLiteral(":sv"), QStringLiteral(""));
        q.bindValue(QStringLiteral(":lm"), now);
        q.bindValue(QStringLiteral(":ps"), 0);
        q.bindValue(QStringLiteral(":pa"), 0.0);
        if (!q.exec()) {
            refuse(QStringLiteral("order"));
            return;
        }
        orderId = q.lastInsertId().toString();
    }

    q.prepare(QStringLiteral("INSERT INTO tblPODetails (PORDER_ID, PRODUCT_ID, QUANTITY, UNIT_PRICE, LINE_TOTAL,  "
                             "SALE_PRICE, BATCH_NUMBER, EXPIRY_DATE, STORAGE_LOCATION, STOCK_ID) VALUES (:p, :prod_id, "
                             ":q, :u, :l, :s, :b, :e, :sl, :sid)"));
    q.bindValue(QStringLiteral(":p"), orderId.toInt());
    q.bindValue(QStringLiteral(":prod_id"), productId);
    q.bindValue(QStringLiteral(":q"), quantity);
    q.bindValue(QStringLiteral(":u"), purchasePrice);
    q.bindValue(QStringLiteral(":l"), RoundNearest(decimalPlaces, lineTotal));
    q.bindValue(QStringLiteral(":s"), salePrice);
    q.bindValue(QStringLiteral(":b"), QStringLiteral("NOT SET"));
    q.bindValue(QStringLiteral(":e"), today);
    q.bindValue(QStringLiteral(":sl"), QStringLiteral("NOT SET"));
    q.bindValue(QStringLiteral(":sid"), barCode);
    if (!q.exec()) {
        refuse(QStringLiteral("item"));
        return;
    }

    q.prepare(QStringLiteral("SELECT SUB_TOTAL, SALES_TAX, TOTAL FROM tblPOrders WHERE ID = :po_id FOR UPDATE"));
    q.bindValue(QStringLiteral(":po_id"), orderId);
    if (!q.exec()) {
        refuse(QStringLiteral("totals"));
        return;
    }
    double subTotal = 0.0;
    double salesTax = 0.0;
    double total = 0.0;
    if (q.next()) {
        subTotal = q.value(0).toDouble();
        salesTax = q.value(1).toDouble();
        total = q.value(2).toDouble();
    }
    q.prepare(QStringLiteral(
        "UPDATE tblPOrders SET SUB_TOTAL = :st, SALES_TAX = :stx, TOTAL = :t, LAST_MODIFIED = :lm WHERE ID = :po_id"));
    q.bindValue(QStringLiteral(":st"), RoundNearest(decimalPlaces, subTotal + lineTotal));
    q.bindValue(QStringLiteral(":stx"), RoundNearest(decimalPlaces, salesTax + lineTax));
    q.bindValue(QStringLiteral(":t"), RoundNearest(decimalPlaces, total + lineGross));
    q.bindValue(QStringLiteral(":lm"), now);
    q.bindValue(QStringLiteral(":po_id"), orderId);
    if (!q.exec()) {
        refuse(QStringLiteral("totals update"));
        return;
    }
    if (!manager->CommitTransaction(db)) {
        const QString error = db->lastError().text();
        manager->RollbackTransaction(db);
        ShowStatus(failure.arg(error), true);
        return;
    }
    if (newOrder) {
        autoOrderByVendor.insert(vendorId, orderId);
        ShowStatus(tr("New purchase order generated for this product."), false);
    }
}
