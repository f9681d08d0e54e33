#pragma once

#include "databasetest.h"

#include <QSqlQuery>
#include <QVariantMap>

// Stock rows of the sale-screen tests: one category and vendor, one product per stock row.
namespace PosFixture {

// Adds a product and its stock row under the code; fields override the defaults below
// (ITEMS_PER_UNIT 1, SALE_PRICE 10, PURCHASE_PRICE 6, QUANTITY 100, SUB_ITEMS 0, TAX_RATE 0,
// DISCOUNT 0, SERVICE_ITEM 0, REORDER_LEVEL 0, VENDOR_ID 1, NAME the code). Returns the error text.
inline QString AddStock(const QString& inventoryDb, const QString& code, const QVariantMap& fields = {})
{
    QSqlDatabase db = TestDatabase::connect(QStringLiteral("pos_stock_writer"), inventoryDb);
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("INSERT IGNORE INTO tblProductCategories (ID, NAME) VALUES (1, 'Drinks')"))
        || !q.exec(QStringLiteral("INSERT IGNORE INTO tblVendors (ID, NAME) VALUES (1, 'Acme')")))
        return q.lastError().text();
    const auto field = [&](const char* name, const QVariant& fallback) {
        return fields.value(QLatin1String(name), fallback);
    };
    q.prepare(QStringLiteral("INSERT INTO tblProducts (CATEGORY_ID, PRODUCT_CODE, NAME, ITEMS_PER_UNIT, TAX_RATE, "
                             "UNIT_NAME, SUB_UNIT_NAME, SERVICE_ITEM) VALUES (1, :code, :name, :ipu, :tax, 'box', "
                             "'piece', :service)"));
    q.bindValue(QStringLiteral(":code"), code);
    q.bindValue(QStringLiteral(":name"), field("NAME", code));
    q.bindValue(QStringLiteral(":ipu"), field("ITEMS_PER_UNIT", 1));
    q.bindValue(QStringLiteral(":tax"), field("TAX_RATE", 0.0));
    q.bindValue(QStringLiteral(":service"), field("SERVICE_ITEM", 0));
    if (!q.exec())
        return q.lastError().text();
    const QVariant productId = q.lastInsertId();
    q.prepare(QStringLiteral("INSERT INTO tblInventory (PRODUCT_ID, VENDOR_ID, BAR_CODE, BATCH_NUMBER, PURCHASE_PRICE, "
                             "SALE_PRICE, QUANTITY, SUB_ITEMS, DISCOUNT, REORDER_LEVEL, REORDER_QUANTITY) VALUES "
                             "(:p, :v, :code, 'B1', :pp, :sp, :q, :s, :d, :rl, 5)"));
    q.bindValue(QStringLiteral(":p"), productId);
    q.bindValue(QStringLiteral(":v"), field("VENDOR_ID", 1));
    q.bindValue(QStringLiteral(":code"), code);
    q.bindValue(QStringLiteral(":pp"), field("PURCHASE_PRICE", 6.0));
    q.bindValue(QStringLiteral(":sp"), field("SALE_PRICE", 10.0));
    q.bindValue(QStringLiteral(":q"), field("QUANTITY", 100));
    q.bindValue(QStringLiteral(":s"), field("SUB_ITEMS", 0));
    q.bindValue(QStringLiteral(":d"), field("DISCOUNT", 0.0));
    q.bindValue(QStringLiteral(":rl"), field("REORDER_LEVEL", 0));
    if (!q.exec())
        return q.lastError().text();
    return QString();
}

// "QUANTITY|SUB_ITEMS" of the stock row.
inline QString Stock(const QString& inventoryDb, const QString& code)
{
    return DatabaseTest::Rows(inventoryDb, QStringLiteral("SELECT QUANTITY, SUB_ITEMS FROM tblInventory WHERE BAR_CODE = ?"),
                              {code})
        .value(0);
}

inline QString ClearStock(const QString& inventoryDb)
{
    // Automatic purchase orders refer to the products.
    return TestDatabase::exec(inventoryDb, {QStringLiteral("DELETE FROM tblPODetails"),
                                            QStringLiteral("DELETE FROM tblPOrders"),
                                            QStringLiteral("DELETE FROM tblInventory"),
                                            QStringLiteral("DELETE FROM tblProducts")});
}

} // namespace PosFixture
