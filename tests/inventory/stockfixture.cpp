#include "stockfixture.h"

#include "appsettings.h"
#include "databasetest.h"
#include "messagesettings.h"

#include <QSettings>

void StockTest::initTestCase()
{
    InventoryTest::initTestCase();
    // The pages' tips are the user's to silence; here they stay out of the way.
    for (const char* id : {"err_msg_14", "err_msg_16", "err_msg_17", "err_msg_19", "err_msg_20", "err_msg_22",
                           "err_msg_30", "err_msg_32", "err_msg_38", "err_msg_42"})
        (*MessageSettings::Instance())[QLatin1String(id)].show = false;
}

void StockTest::init()
{
    InventoryTest::init();
    QStringList statements;
    for (const char* table : {"tblPODetails", "tblPOrders", "tblInventory", "tblProducts", "tblProductCategories"})
        statements << QStringLiteral("DELETE FROM %1").arg(QLatin1String(table))
                   << QStringLiteral("ALTER TABLE %1 AUTO_INCREMENT = 1").arg(QLatin1String(table));
    statements << QStringLiteral("DELETE FROM tblVendors WHERE NAME <> 'NONE'");
    const QString error = fixture.exec(statements);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    AppSettings::Instance()->settings->remove(QStringLiteral("SUB_ITEMS_MODE"));
}

QStringList StockTest::rows(const QString& select, const QVariantList& binds) const
{
    return DatabaseTest::Rows(fixture.name(), select, binds);
}

QString StockTest::run(const QString& sql, const QVariantList& binds) const
{
    return rows(sql, binds).join(QLatin1Char(' '));
}

QString StockTest::addProduct(const QString& code, const QString& name, const QString& category,
                              const QString& imageFile) const
{
    QString error = run(QStringLiteral("INSERT IGNORE INTO tblProductCategories (NAME) VALUES (?)"), {category});
    if (error.isEmpty())
        error = run(QStringLiteral("INSERT INTO tblProducts (CATEGORY_ID, PRODUCT_CODE, NAME, IMAGE_FILE) "
                                   "SELECT ID, ?, ?, ? FROM tblProductCategories WHERE NAME = ?"),
                    {code, name, imageFile.isEmpty() ? QVariant(QVariant::String) : QVariant(imageFile), category});
    return error;
}

QString StockTest::addStock(const QString& productCode, const QString& stockCode, int quantity, double salePrice,
                            const QString& location, const QString& expiry) const
{
    return run(QStringLiteral("INSERT INTO tblInventory (PRODUCT_ID, VENDOR_ID, BAR_CODE, BATCH_NUMBER, EXPIRY_DATE, "
                              "STORAGE_LOCATION, PURCHASE_PRICE, SALE_PRICE, QUANTITY, DISCOUNT, REORDER_LEVEL, "
                              "REORDER_QUANTITY, SHOW_ON_POS) "
                              "SELECT p.ID, v.ID, ?, 'BATCH-7', ?, ?, 0.75, ?, ?, 0.5, 3, 12, 1 "
                              "FROM tblProducts p, tblVendors v WHERE p.PRODUCT_CODE = ? AND v.NAME = 'NONE'"),
               {stockCode, expiry.isEmpty() ? QVariant(QVariant::Date) : QVariant(expiry), location, salePrice, quantity,
                productCode});
}

QString StockTest::addManyStock(int count) const
{
    QString error = addProduct(QStringLiteral("BULK"), QStringLiteral("Bulk item"));
    if (error.isEmpty())
        error = run(QStringLiteral("INSERT INTO tblInventory (PRODUCT_ID, VENDOR_ID, BAR_CODE, BATCH_NUMBER, "
                                   "PURCHASE_PRICE, SALE_PRICE, QUANTITY) "
                                   "SELECT p.ID, v.ID, CONCAT('B', LPAD(s.seq, 4, '0')), '', 1, 2, s.seq "
                                   "FROM tblProducts p, tblVendors v, seq_1_to_%1 s "
                                   "WHERE p.PRODUCT_CODE = 'BULK' AND v.NAME = 'NONE'")
                        .arg(count));
    return error;
}

QString StockTest::quantity(const QString& stockCode) const
{
    return rows(QStringLiteral("SELECT QUANTITY FROM tblInventory WHERE BAR_CODE = ?"), {stockCode}).join(QLatin1Char(','));
}
