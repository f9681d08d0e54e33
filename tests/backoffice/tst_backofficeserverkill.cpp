#include "inventorymanagement.h"
#include "managecustomers.h"
#include "modalanswerer.h"
#include "privateservertest.h"
#include "salesmanagement.h"
#include "testsupport.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include <memory>

// The database server killed under open back-office pages and started again: while it is down a read
// says so once, in the program's words, and leaves the list empty; once it is back the next reads show
// the rows again, and a write is stored, without the page being opened anew.
class TestBackofficeServerKill : public PrivateServerTest
{
    Q_OBJECT

public:
    TestBackofficeServerKill()
        : PrivateServerTest(QStringLiteral("officekill"), {QStringLiteral("err_msg_12"), QStringLiteral("err_msg_42")})
    {
    }

private slots:
    void readWhileServerIsDownTellsOnce_data() { pages(); }
    void readWhileServerIsDownTellsOnce();
    void readAfterRestartShowsTheRows_data() { pages(); }
    void readAfterRestartShowsTheRows();

private:
    enum Page { Customers, Inventory, Sales };
    static void pages();
    void openPages();
    QWidget* page(Page which) const;
    QTableView* list(Page which) const;
    // Runs the page's read action (the filter, or Show All) and gives the rows its list shows.
    int read(Page which) const;
    // The list's columns as shown: their titles in the shown order, hidden ones left out.
    QStringList columns(Page which) const;

    ModalAnswerer* answerer = nullptr;
    std::unique_ptr<ManageCustomers> customers;
    std::unique_ptr<InventoryManagement> inventory;
    std::unique_ptr<SalesManagement> sales;
    bool killed = false;
    bool restarted = false;
    QMap<int, QStringList> columnsBefore;
};

void TestBackofficeServerKill::pages()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("message"); // "title|first sentence"
    QTest::addColumn<int>("rows");
    QTest::newRow("customers, a table model") << int(Customers)
                                              << QStringLiteral("Manage Customers|The customer list could not be read.")
                                              << 3;
    QTest::newRow("inventory, a query model")
        << int(Inventory) << QStringLiteral("Manage Inventory|The list could not be read from the database:") << 2;
    QTest::newRow("sales records") << int(Sales) << QStringLiteral("Sales Management|The sales could not be read.") << 2;
}

void TestBackofficeServerKill::openPages()
{
    const QStringList seeds[] = {
        {inventoryDb, QStringLiteral("INSERT INTO tblCustomers (NAME, ADDRESS, EMAIL, CONTACT_NUMBER) VALUES "
                                     "('Ann', 'a', 'a@x', '1'), ('Bob', 'b', 'b@x', '2'), ('Cy', 'c', 'c@x', '3')")},
        {inventoryDb, QStringLiteral("INSERT IGNORE INTO tblProductCategories (ID, NAME) VALUES (1, 'Drinks')")},
        {inventoryDb, QStringLiteral("INSERT IGNORE INTO tblVendors (ID, NAME) VALUES (1, 'Acme')")},
        {inventoryDb, QStringLiteral("INSERT INTO tblProducts (ID, CATEGORY_ID, PRODUCT_CODE, NAME, ITEMS_PER_UNIT, "
                                     "TAX_RATE, UNIT_NAME, SUB_UNIT_NAME, SERVICE_ITEM) VALUES "
                                     "(1, 1, 'P1', 'Tea', 1, 0, 'box', 'piece', 0), "
                                     "(2, 1, 'P2', 'Coffee', 1, 0, 'box', 'piece', 0)")},
        {inventoryDb, QStringLiteral("INSERT INTO tblInventory (PRODUCT_ID, VENDOR_ID, BAR_CODE, BATCH_NUMBER, "
                                     "PURCHASE_PRICE, SALE_PRICE, QUANTITY, SUB_ITEMS, DISCOUNT, REORDER_LEVEL, "
                                     "REORDER_QUANTITY) VALUES (1, 1, 'S1', 'B1', 6, 10, 5, 0, 0, 0, 5), "
                                     "(2, 1, 'S2', 'B1', 6, 10, 7, 0, 0, 0, 5)")},
        {salesDb, QStringLiteral("INSERT INTO tblSalesTransactions (ID, USER_ID, CUSTOMER, TIME_STAMP, GRAND_TOTAL, "
                                 "INVOICE_MODE, STATUS) VALUES (1, 'u', 'Ann', '2026-12-01 10:00:00', 2, 0, 2), "
                                 "(2, 'u', 'Bob', '2026-12-02 10:00:00', 2, 0, 2)")},
        {salesDb, QStringLiteral("INSERT INTO tblSalesInvoice (TRANSACTION_ID, ITEM_INDEX, PRODUCT_NAME, QUANTITY, "
                                 "PURCHASE_PRICE, SALE_PRICE, SUB_ITEMS, DISCOUNT, SUB_TOTAL, PURCHASE_SUB_TOTAL, SUB_TAX) "
                                 "VALUES (1, 1, 'Tea', 1, 1, 2, '0', 0, 2, 1, 0)")},
    };
    for (const QStringList& seed : seeds) {
        const QStringList error = rows(seed.at(0), seed.at(1));
        QVERIFY2(error.isEmpty(), qPrintable(error.join(QLatin1Char(' '))));
    }

    answerer = new ModalAnswerer(this);
    customers = std::make_unique<ManageCustomers>(nullptr, false);
    inventory = std::make_unique<InventoryManagement>(nullptr, false);
    sales = std::make_unique<SalesManagement>(nullptr, false, false, 0);
    customers->show();
    inventory->show();
    sales->show();
    // A sale's lines on their tab, which must not outlive the list they belong to.
    auto* salesView = Child<QTableView>(sales.get(), "tableViewSales");
    const QModelIndex first = salesView->model()->index(0, 0);
    salesView->setCurrentIndex(first);
    emit salesView->clicked(first);
    QCOMPARE(Child<QTableView>(sales.get(), "tableViewDetails")->model()->rowCount(), 1);
    QCOMPARE(read(Customers), 3);
    QCOMPARE(read(Inventory), 2);
    QCOMPARE(read(Sales), 2);
    QCOMPARE(answerer->messages(), QStringList());
    for (const Page which : {Customers, Inventory, Sales})
        columnsBefore[which] = columns(which);
    QVERIFY(columnsBefore.value(Inventory).contains(QStringLiteral("Stock Code")));
}

QWidget* TestBackofficeServerKill::page(Page which) const
{
    if (which == Customers)
        return customers.get();
    if (which == Inventory)
        return inventory.get();
    return sales.get();
}

QTableView* TestBackofficeServerKill::list(Page which) const
{
    return Child<QTableView>(page(which), which == Customers ? "tableView"
                                          : which == Inventory ? "tableViewItems"
                                                               : "tableViewSales");
}

int TestBackofficeServerKill::read(Page which) const
{
    Child<QPushButton>(page(which), which == Customers ? "pushFilter" : "buttonShowAll")->click();
    return list(which)->model()->rowCount();
}

QStringList TestBackofficeServerKill::columns(Page which) const
{
    const QHeaderView* header = list(which)->horizontalHeader();
    QStringList titles;
    for (int shown = 0; shown < header->count(); ++shown) {
        const int column = header->logicalIndex(shown);
        if (!header->isSectionHidden(column))
            titles << header->model()->headerData(column, Qt::Horizontal).toString();
    }
    return titles;
}

void TestBackofficeServerKill::readWhileServerIsDownTellsOnce()
{
    QFETCH(int, page);
    QFETCH(QString, message);
    if (!customers) {
        openPages();
        if (QTest::currentTestFailed())
            return;
    }
    if (!killed) {
        QVERIFY(killServer());
        killed = true;
    }

    answerer->clear();
    QCOMPARE(read(Page(page)), 0);
    const QStringList told = answerer->messages();
    QCOMPARE(told.size(), 1);
    QVERIFY2(told.first().startsWith(message), qPrintable(told.first()));
    QVERIFY2(told.first().contains(QLatin1String("The database server cannot be reached.")), qPrintable(told.first()));
    for (const char* driverWords : {"QMYSQL", "gone away", "Lost connection", "Unable to", "Can't connect", "No Fields"})
        QVERIFY2(!told.first().contains(QLatin1String(driverWords)), qPrintable(told.first()));
    // Until a read succeeds, the box is not shown again.
    QCOMPARE(read(Page(page)), 0);
    QCOMPARE(answerer->messages(), told);
    if (page == Sales)
        QCOMPARE(Child<QTableView>(sales.get(), "tableViewDetails")->model()->rowCount(), 0);
    if (page != Customers)
        return;

    // A write says so too, and that nothing was saved (the restart's rows show it was not).
    answerer->clear();
    Child<QLineEdit>(customers.get(), "lineEdit")->setText(QStringLiteral("Eve"));
    Child<QPushButton>(customers.get(), "pushButtonAdd")->click();
    QCOMPARE(answerer->messages().size(), 1);
    const QString refused = answerer->messages().first();
    QVERIFY2(refused.contains(QLatin1String("The database server cannot be reached. Nothing was saved.")), qPrintable(refused));
    QVERIFY2(!refused.contains(QLatin1String("QMYSQL")), qPrintable(refused));
}

void TestBackofficeServerKill::readAfterRestartShowsTheRows()
{
    QFETCH(int, page);
    QFETCH(int, rows);
    QVERIFY(killed);
    if (!restarted) {
        const QString error = server.start();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        restarted = true;
    }
    answerer->clear();
    // The connection manager tries a lost connection again every two seconds.
    QTRY_VERIFY_WITH_TIMEOUT(read(Page(page)) == rows, 20000);
    QCOMPARE(answerer->messages(), QStringList());
    // Titled, hidden and moved as before the server went away.
    QCOMPARE(columns(Page(page)), columnsBefore.value(page));
    if (page != Customers)
        return;

    Child<QLineEdit>(customers.get(), "lineEdit")->setText(QStringLiteral("Dee"));
    Child<QPushButton>(customers.get(), "pushButtonAdd")->click();
    QCOMPARE(answerer->messages(), QStringList());
    QCOMPARE(this->rows(inventoryDb, QStringLiteral("SELECT NAME FROM tblCustomers ORDER BY ID")),
             (QStringList{QStringLiteral("Ann"), QStringLiteral("Bob"), QStringLiteral("Cy"), QStringLiteral("Dee")}));
    QCOMPARE(Child<QTableView>(customers.get(), "tableView")->model()->rowCount(), rows + 1);
}

VORANTEL_TEST_MAIN(TestBackofficeServerKill)
#include "tst_backofficeserverkill.moc"
