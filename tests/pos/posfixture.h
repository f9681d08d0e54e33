#pragma once

#include "cpos.h"
#include "databasetest.h"
#include "managecustomers.h"
#include "privateservertest.h"
#include "qposdialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTabWidget>
#include <QTableView>
#include <QVariantMap>

// What the sale-screen tests share: stock rows (one category, two vendors, one product per stock row),
// both databases, the screen in its host and the frame of the test programs.
namespace PosFixture {

// Adds a product and its stock row under the code; fields override the defaults below
// (ITEMS_PER_UNIT 1, SALE_PRICE 10, PURCHASE_PRICE 6, QUANTITY 100, SUB_ITEMS 0, TAX_RATE 0,
// DISCOUNT 0, SERVICE_ITEM 0, REORDER_LEVEL 0, VENDOR_ID 1 (or 2), NAME the code). Returns the error text.
inline QString AddStock(const QString& inventoryDb, const QString& code, const QVariantMap& fields = {})
{
    QSqlDatabase db = TestDatabase::connect(QStringLiteral("pos_stock_writer"), inventoryDb);
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("INSERT IGNORE INTO tblProductCategories (ID, NAME) VALUES (1, 'Drinks')"))
        || !q.exec(QStringLiteral("INSERT IGNORE INTO tblVendors (ID, NAME) VALUES (1, 'Acme'), (2, 'Brill')")))
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

using DatabaseTest::DropDatabases;
using DatabaseTest::OpenDatabases;
using DatabaseTest::SilenceAndLogIn;

// A sale screen in its host, shown, as the launcher leaves it (not run modally).
struct Screen
{
    QPointer<QPOSDialog> host;
    CPOS* screen = nullptr;
    explicit Screen(bool fullSize = true, bool activate = false)
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
    ~Screen() { delete host; }
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    template <typename T = QLineEdit>
    T* child(const char* name) const
    {
        return Child<T>(screen, name);
    }
    // Enters the code as the scanner does.
    void scan(const QString& code) const
    {
        child("lineBarcodeScannerInput")->setText(code);
        screen->on_lineBarcodeScannerInput_returnPressed();
    }
    // The status line as the cashier sees it: empty once hidden.
    QString status() const
    {
        auto* label = child<QLabel>("labelStatus");
        return label->isVisible() ? label->text() : QString();
    }
    QStringList tabs() const
    {
        auto* tabs = child<QTabWidget>("tabWidget");
        QStringList titles;
        for (int i = 0; i < tabs->count(); ++i)
            titles << tabs->tabText(i);
        return titles;
    }
};

// The frame of the sale-screen test programs: both databases on the fixture's server, named after
// the program. Before each test: the default settings with the program's own over them, its notices
// silenced and the clerk logged in as administrator. After it: every queued answer used, and the
// sales, stock and customers gone.
class SaleScreenTest : public QObject
{
    Q_OBJECT

protected:
    SaleScreenTest(const QString& prefix, const QVariantMap& settings, const QStringList& notices)
        : namePrefix(prefix), testSettings(settings), silenced(notices)
    {
    }

    // What a program adds: rows written once, and steps before and after each test.
    virtual void initDatabases() {}
    virtual void initTest() {}
    virtual void cleanupTest() {}

    void addStock(const QString& code, const QVariantMap& fields = {})
    {
        QCOMPARE(AddStock(inventoryDb, code, fields), QString());
    }
    QString stock(const QString& code) const { return Stock(inventoryDb, code); }
    QStringList sales(const QString& columns) const
    {
        return DatabaseTest::Rows(salesDb, QStringLiteral("SELECT %1 FROM tblSalesTransactions ORDER BY ID").arg(columns));
    }
    QStringList inventory(const QString& sql) const { return DatabaseTest::Rows(inventoryDb, sql); }
    QStringList orderItems() const
    {
        return inventory(QStringLiteral("SELECT o.VENDOR_ID, d.STOCK_ID, d.QUANTITY, d.UNIT_PRICE, d.LINE_TOTAL FROM "
                                        "tblPODetails d JOIN tblPOrders o ON o.ID = d.PORDER_ID ORDER BY d.ID"));
    }
    // The new customer's ID, or the error.
    QString addCustomer(const QString& name, const QString& address, const QString& email, const QString& contact)
    {
        QSqlQuery q(TestDatabase::connect(QStringLiteral("pos_customers"), inventoryDb));
        q.prepare(QStringLiteral("INSERT INTO tblCustomers (NAME, ADDRESS, EMAIL, CONTACT_NUMBER) VALUES (?, ?, ?, ?)"));
        for (const QString& value : {name, address, email, contact})
            q.addBindValue(value);
        if (!q.exec())
            return QStringLiteral("error ") + q.lastError().text();
        return q.lastInsertId().toString();
    }
    // Picks the customer of that name in the customers picker the next time it opens.
    void pickCustomer(const QString& name)
    {
        answerer->handleClass<ManageCustomers>("ManageCustomers", [name](ManageCustomers* picker) {
            auto* view = Child<QTableView>(picker, "tableView");
            for (int row = 0; row < view->model()->rowCount(); ++row)
                if (view->model()->index(row, 1).data().toString() == name)
                    view->setCurrentIndex(view->model()->index(row, 1));
            Child<QPushButton>(picker, "pushSelect")->click();
        });
    }

    QString inventoryDb;
    QString salesDb;
    ModalAnswerer* answerer = nullptr;

private slots:
    void initTestCase()
    {
        REQUIRE_TEST_SERVER();
        inventoryDb = TestDatabase::uniqueName(namePrefix + QStringLiteral("_inv"));
        salesDb = TestDatabase::uniqueName(namePrefix + QStringLiteral("_sales"));
        QCOMPARE(OpenDatabases(inventoryDb, salesDb), QString());
        answerer = new ModalAnswerer(this);
        initDatabases();
    }
    void init()
    {
        QSettings* store = AppSettings::Instance()->settings;
        const QStringList keep{ACTIVE_INVENTORY_DB, ACTIVE_SALES_DB};
        for (const QString& key : store->allKeys())
            if (!keep.contains(key))
                store->remove(key);
        TestDatabase::writeServerSettings();
        for (auto it = testSettings.cbegin(); it != testSettings.cend(); ++it)
            store->setValue(it.key(), it.value());
        SilenceAndLogIn(silenced);
        AppSettings::Instance()->roleName = QStringLiteral("ADMINISTRATOR");
        AppSettings::Instance()->permittedModules.clear();
        answerer->clear();
        initTest();
    }
    void cleanup()
    {
        QTRY_COMPARE(answerer->pendingAnswers(), 0);
        QVERIFY2(answerer->failures.isEmpty(), qPrintable(answerer->failures.join(QLatin1Char('\n'))));
        cleanupTest();
        QCOMPARE(TestDatabase::exec(salesDb, {QStringLiteral("DELETE FROM tblPendingPayments"),
                                              QStringLiteral("DELETE FROM tblSalesInvoice"),
                                              QStringLiteral("DELETE FROM tblSalesTransactions")}),
                 QString());
        // Automatic purchase orders refer to the products.
        QCOMPARE(TestDatabase::exec(inventoryDb, {QStringLiteral("DELETE FROM tblCustomers"),
                                                  QStringLiteral("DELETE FROM tblPODetails"),
                                                  QStringLiteral("DELETE FROM tblPOrders"),
                                                  QStringLiteral("DELETE FROM tblInventory"),
                                                  QStringLiteral("DELETE FROM tblProducts")}),
                 QString());
    }
    void cleanupTestCase() { DropDatabases(inventoryDb, salesDb); }

private:
    const QString namePrefix;
    const QVariantMap testSettings;
    const QStringList silenced;
};

// The frame of the tests that kill a database server of their own while a till works on it.
class PrivateServerTest : public ::PrivateServerTest
{
protected:
    explicit PrivateServerTest(const QString& prefix) : ::PrivateServerTest(prefix, {QStringLiteral("err_msg_13")}) {}
};

} // namespace PosFixture
