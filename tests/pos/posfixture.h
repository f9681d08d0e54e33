#pragma once

#include "cpos.h"
#include "databasetest.h"
#include "messagesettings.h"
#include "privateserver.h"
#include "qposdialog.h"

#include <QGridLayout>
#include <QPointer>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariantMap>

#include <initializer_list>

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

// Points the tests at the fixture's server, starts from empty settings and creates both databases.
// Returns the error text.
inline QString OpenDatabases(const QString& inventoryDb, const QString& salesDb)
{
    DatabaseTest::UseFixtureServer();
    TestSupport::ClearSettings();
    QString error = DatabaseTest::Create(1, inventoryDb);
    if (error.isEmpty())
        error = DatabaseTest::Create(2, salesDb);
    return error;
}

inline void DropDatabases(const QString& inventoryDb, const QString& salesDb)
{
    DatabaseTest::ResetManager();
    TestDatabase::dropDatabase(inventoryDb);
    TestDatabase::dropDatabase(salesDb);
}

// Drops every setting but the active databases, so each test starts from the defaults, then
// writes the server's and the given values.
inline void ResetSettings(const QVariantMap& values = {})
{
    QSettings* store = AppSettings::Instance()->settings;
    const QStringList keep{ACTIVE_INVENTORY_DB, ACTIVE_SALES_DB};
    for (const QString& key : store->allKeys())
        if (!keep.contains(key))
            store->remove(key);
    TestDatabase::writeServerSettings();
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        store->setValue(it.key(), it.value());
}

// Turns the notices off (a shown one would wait for an answer), reloads them and logs the clerk in.
inline void SilenceAndLogIn(std::initializer_list<const char*> notices)
{
    QSettings* store = AppSettings::Instance()->settings;
    for (const char* notice : notices)
        store->setValue(QLatin1String(notice), false);
    MessageSettings::Instance()->Load();
    AppSettings::Instance()->loginName = QStringLiteral("clerk");
}

// Empties the sales tables; the error text.
inline QString ClearSales(const QString& salesDb)
{
    return TestDatabase::exec(salesDb, {QStringLiteral("DELETE FROM tblPendingPayments"),
                                        QStringLiteral("DELETE FROM tblSalesInvoice"),
                                        QStringLiteral("DELETE FROM tblSalesTransactions")});
}

// A sale screen in its host, shown, as the launcher leaves it (not run modally).
struct Host
{
    QPointer<QPOSDialog> host;
    CPOS* screen = nullptr;
    explicit Host(bool fullSize = true, bool activate = false)
    {
        host = new QPOSDialog(nullptr, false);
        screen = new CPOS(host);
        auto* layout = new QGridLayout(host);
        layout->addWidget(screen);
        if (fullSize)
            host->resize(1366, 768);
        host->show();
        if (activate)
            host->activateWindow();
    }
    ~Host() { delete host; }
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;
};

// Starts a private server of its own, which a test may kill, and creates both databases on it.
inline QString StartPrivateServer(PrivateServer& server, const QString& inventoryDb, const QString& salesDb)
{
    QString error = server.start();
    if (!error.isEmpty())
        return error;
    TestDatabase::useServer({server.host(), server.port(), server.user(), server.password()});
    error = OpenDatabases(inventoryDb, salesDb);
    SilenceAndLogIn({"err_msg_13"});
    return error;
}

inline void StopPrivateServer(PrivateServer& server)
{
    DatabaseTest::ResetManager();
    server.stop();
    TestDatabase::useServer({});
}

// Rows as "a|b|c" over a fresh connection: the server of the last one may have been killed.
inline QStringList FreshRows(const QString& connection, const QString& database, const QString& sql)
{
    QStringList out;
    {
        QSqlDatabase db = TestDatabase::connect(connection, database);
        QSqlQuery q(db);
        if (!q.exec(sql))
            return {QStringLiteral("error: ") + q.lastError().text()};
        while (q.next()) {
            QStringList values;
            for (int i = 0; i < q.record().count(); ++i)
                values << q.value(i).toString();
            out << values.join(QLatin1Char('|'));
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return out;
}

} // namespace PosFixture
