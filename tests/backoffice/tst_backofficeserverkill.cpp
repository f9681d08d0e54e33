#include "addeditexpensedialog.h"
#include "addeditpoitemdialog.h"
#include "addeditproductdialog.h"
#include "addeditpurchaseorder.h"
#include "inventorymanagement.h"
#include "managecategories.h"
#include "managecustomers.h"
#include "modalanswerer.h"
#include "privateservertest.h"
#include "productmanagement.h"
#include "productmodels.h"
#include "purchaseitemsmodel.h"
#include "reportviewer.h"
#include "salesmanagement.h"
#include "testsupport.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQueryModel>
#include <QTabWidget>
#include <QTableView>
#include <QTextEdit>

#include <memory>

// The database server killed under open back-office pages and started again: while it is down a read
// says so once, in the program's words, and leaves the list empty; once it is back the next reads show
// the rows again, and a write is stored, without the page being opened anew. A page opened while it is
// down shows, once it is back, its list as a page opened while it was up does.
class TestBackofficeServerKill : public PrivateServerTest
{
    Q_OBJECT

public:
    TestBackofficeServerKill()
        : PrivateServerTest(QStringLiteral("officekill"),
                            {QStringLiteral("err_msg_12"), QStringLiteral("err_msg_14"), QStringLiteral("err_msg_42")})
    {
    }

private slots:
    void readWhileServerIsDownTellsOnce_data() { pages(); }
    void readWhileServerIsDownTellsOnce();
    void categoryKindChosenWhileServerIsDown();
    void writeWhileServerIsDownIsToldInOurWords_data();
    void writeWhileServerIsDownIsToldInOurWords();
    void stockRowsDeletedWhileServerIsDownAreToldOnce_data();
    void stockRowsDeletedWhileServerIsDownAreToldOnce();
    void categoriesOfADialogOpenedWhileServerIsDown_data() { categoryDialogs(); }
    void categoriesOfADialogOpenedWhileServerIsDown();
    void readAfterRestartShowsTheRows_data() { pages(); }
    void readAfterRestartShowsTheRows();
    void listOfAPreparedStatementOutlivesTheReopening();
    void categoryKindChosenWhileDownIsTitledOnceBack();
    void stockTabOnceBackShowsItsProductsStockByVendorName();
    void dialogOpenedWhileDownAddsWithTheChosenCategory_data() { categoryDialogs(); }
    void dialogOpenedWhileDownAddsWithTheChosenCategory();

private:
    enum Page { Customers, Inventory, Sales, Stock };
    static void pages();
    void openPages();
    static std::unique_ptr<QWidget> open(Page which);
    QWidget* page(Page which) const;
    // The list of the page opened first, or of the one given.
    QTableView* list(Page which, QWidget* in = nullptr) const;
    // Runs the page's read action (the filter, Show All, or choosing product P1) and gives the rows its list shows.
    int read(Page which, QWidget* in = nullptr) const;
    // A row of the list as shown (-1: the titles), in the shown order, hidden columns left out.
    QStringList shown(Page which, int row = -1, QWidget* in = nullptr) const;

    ModalAnswerer* answerer = nullptr;
    std::unique_ptr<QWidget> opened[Stock + 1];
    std::unique_ptr<QWidget> openedWhileDown[Stock + 1];
    bool killed = false;
    bool restarted = false;
    QMap<int, QStringList> columnsBefore;
    // A report, a list read through a prepared statement, and its cells before the server went away.
    std::unique_ptr<ReportViewer> report;
    std::unique_ptr<ManageCategories> categories;
    QStringList reportCellsBefore;

    // Windows opened while the server is up, for writes tried while it is down: a sales page and an inventory page
    // that still show their rows, an order's line to receive, an order, and a products page on product P1's stock.
    // Then the product and expense dialogs, opened while it is down.
    enum Window { SaleDeletion, Receiving, OrderSave, InventoryRows, StockTab, ProductDialog, ExpenseDialog };
    std::unique_ptr<QWidget> windows[ExpenseDialog + 1];
    void openWindowsForWrites();
    static void categoryDialogs();
};

namespace {
QStringList Cells(const QAbstractItemModel* model)
{
    QStringList cells;
    for (int row = 0; row < model->rowCount(); ++row)
        for (int column = 0; column < model->columnCount(); ++column)
            cells << model->index(row, column).data().toString();
    return cells;
}
} // namespace

void TestBackofficeServerKill::pages()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("message"); // "title|first sentence"
    QTest::addColumn<int>("rows");
    QTest::newRow("customers, a table model") << int(Customers)
                                              << QStringLiteral("Manage Customers|The customer list could not be read.")
                                              << 3;
    QTest::newRow("inventory, a query model")
        << int(Inventory) << QStringLiteral("Manage Inventory|The list could not be read from the database:") << 4;
    QTest::newRow("sales records") << int(Sales) << QStringLiteral("Sales Management|The sales could not be read.") << 2;
    QTest::newRow("products' stock, sorted by its model")
        << int(Stock) << QStringLiteral("Product Management|The list could not be read from the database:") << 3;
}

void TestBackofficeServerKill::openPages()
{
    const QStringList seeds[] = {
        {inventoryDb, QStringLiteral("INSERT INTO tblCustomers (NAME, ADDRESS, EMAIL, CONTACT_NUMBER) VALUES "
                                     "('Ann', 'a', 'a@x', '1'), ('Bob', 'b', 'b@x', '2'), ('Cy', 'c', 'c@x', '3')")},
        {inventoryDb, QStringLiteral("INSERT IGNORE INTO tblProductCategories (ID, NAME) VALUES (1, 'Drinks')")},
        {inventoryDb, QStringLiteral("INSERT IGNORE INTO tblVendors (ID, NAME) VALUES (1, 'Acme'), (2, 'Zed')")},
        {inventoryDb, QStringLiteral("INSERT INTO tblProducts (ID, CATEGORY_ID, PRODUCT_CODE, NAME, ITEMS_PER_UNIT, "
                                     "TAX_RATE, UNIT_NAME, SUB_UNIT_NAME, SERVICE_ITEM) VALUES "
                                     "(1, 1, 'P1', 'Tea', 1, 0, 'box', 'piece', 0), "
                                     "(2, 1, 'P2', 'Coffee', 1, 0, 'box', 'piece', 0)")},
        {inventoryDb, QStringLiteral("INSERT INTO tblInventory (PRODUCT_ID, VENDOR_ID, BAR_CODE, BATCH_NUMBER, "
                                     "PURCHASE_PRICE, SALE_PRICE, QUANTITY, SUB_ITEMS, DISCOUNT, REORDER_LEVEL, "
                                     "REORDER_QUANTITY) VALUES (1, 1, 'S1', 'B1', 6, 10, 5, 0, 0, 0, 5), "
                                     "(2, 1, 'S2', 'B1', 6, 10, 7, 0, 0, 0, 5), (1, 2, 'S3', 'B1', 6, 10, 7, 0, 0, 0, 5), "
                                     "(1, 1, 'S4', 'B1', 6, 10, 7, 0, 0, 0, 5)")},
        {salesDb, QStringLiteral("INSERT INTO tblSalesTransactions (ID, USER_ID, CUSTOMER, TIME_STAMP, GRAND_TOTAL, "
                                 "INVOICE_MODE, STATUS) VALUES (1, 'u', 'Ann', '2026-12-01 10:00:00', 2, 0, 2), "
                                 "(2, 'u', 'Bob', '2026-12-02 10:00:00', 2, 0, 2)")},
        {salesDb, QStringLiteral("INSERT INTO tblSalesInvoice (TRANSACTION_ID, ITEM_INDEX, PRODUCT_NAME, QUANTITY, "
                                 "PURCHASE_PRICE, SALE_PRICE, SUB_ITEMS, DISCOUNT, SUB_TOTAL, PURCHASE_SUB_TOTAL, SUB_TAX) "
                                 "VALUES (1, 1, 'Tea', 1, 1, 2, '0', 0, 2, 1, 0)")},
        {inventoryDb, QStringLiteral("INSERT INTO tblExpenseCategories (ID, NAME) VALUES (101, 'Rent'), (102, 'Power')")},
        {inventoryDb, QStringLiteral("INSERT INTO tblExpenses (CATEGORY_ID, DATED, AMOUNT, DESCRIPTION) VALUES "
                                     "(101, CURDATE(), 5, 'e1'), (102, CURDATE(), 7, 'e2')")},
    };
    for (const QStringList& seed : seeds) {
        const QStringList error = rows(seed.at(0), seed.at(1));
        QVERIFY2(error.isEmpty(), qPrintable(error.join(QLatin1Char(' '))));
    }

    answerer = new ModalAnswerer(this);
    for (const Page which : {Customers, Inventory, Sales, Stock})
        opened[which] = open(which);
    // A sale's lines on their tab, which must not outlive the list they belong to.
    auto* salesView = Child<QTableView>(page(Sales), "tableViewSales");
    const QModelIndex first = salesView->model()->index(0, 0);
    salesView->setCurrentIndex(first);
    emit salesView->clicked(first);
    QCOMPARE(Child<QTableView>(page(Sales), "tableViewDetails")->model()->rowCount(), 1);
    QCOMPARE(read(Customers), 3);
    QCOMPARE(read(Inventory), 4);
    QCOMPARE(read(Sales), 2);
    QCOMPARE(read(Stock), 3);
    QCOMPARE(answerer->messages(), QStringList());
    for (const Page which : {Customers, Inventory, Sales, Stock})
        columnsBefore[which] = shown(which);
    categories = std::make_unique<ManageCategories>(nullptr, 0);
    categories->show();
    report = std::make_unique<ReportViewer>(nullptr);
    report->SetDates(QDate::currentDate().addDays(-3), QDate::currentDate());
    report->SetExpenseMode();
    report->show();
    reportCellsBefore = Cells(Child<QTableView>(report.get(), "tableViewItems")->model());
    QVERIFY(reportCellsBefore.contains(QStringLiteral("Power")));
    QVERIFY(columnsBefore.value(Inventory).contains(QStringLiteral("Stock Code")));
    openWindowsForWrites();
}

std::unique_ptr<QWidget> TestBackofficeServerKill::open(Page which)
{
    std::unique_ptr<QWidget> opened;
    if (which == Customers)
        opened = std::make_unique<ManageCustomers>(nullptr, false);
    else if (which == Inventory)
        opened = std::make_unique<InventoryManagement>(nullptr, false);
    else if (which == Sales)
        opened = std::make_unique<SalesManagement>(nullptr, false, false, 0);
    else
        opened = std::make_unique<ProductManagement>(nullptr, false);
    opened->show();
    return opened;
}

QWidget* TestBackofficeServerKill::page(Page which) const
{
    return opened[which].get();
}

QTableView* TestBackofficeServerKill::list(Page which, QWidget* in) const
{
    const char* const names[] = {"tableView", "tableViewItems", "tableViewSales", "tableViewInventory"};
    return Child<QTableView>(in ? in : page(which), names[which]);
}

int TestBackofficeServerKill::read(Page which, QWidget* in) const
{
    QWidget* onPage = in ? in : page(which);
    if (which == Stock) {
        Child<QLineEdit>(onPage, "editCode")->setText(QStringLiteral("P1"));
        Child<QPushButton>(onPage, "buttonSearch")->click();
        auto* products = Child<QTableView>(onPage, "tableViewProducts");
        products->setCurrentIndex(products->model()->index(0, 0));
    } else {
        Child<QPushButton>(onPage, which == Customers ? "pushFilter" : "buttonShowAll")->click();
    }
    return list(which, in)->model()->rowCount();
}

QStringList TestBackofficeServerKill::shown(Page which, int row, QWidget* in) const
{
    const QHeaderView* header = list(which, in)->horizontalHeader();
    const QAbstractItemModel* model = header->model();
    QStringList texts;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int column = header->logicalIndex(visual);
        if (!header->isSectionHidden(column))
            texts << (row < 0 ? model->headerData(column, Qt::Horizontal) : model->index(row, column).data()).toString();
    }
    return texts;
}

void TestBackofficeServerKill::readWhileServerIsDownTellsOnce()
{
    QFETCH(int, page);
    QFETCH(QString, message);
    if (!this->page(Customers)) {
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
        QCOMPARE(Child<QTableView>(this->page(Sales), "tableViewDetails")->model()->rowCount(), 0);
    // Its list gets no columns while the server is down.
    openedWhileDown[page] = open(Page(page));
    if (page != Customers)
        return;

    // A write says so too, and that nothing was saved (the restart's rows show it was not).
    answerer->clear();
    Child<QLineEdit>(this->page(Customers), "lineEdit")->setText(QStringLiteral("Eve"));
    Child<QPushButton>(this->page(Customers), "pushButtonAdd")->click();
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
    QCOMPARE(shown(Page(page)), columnsBefore.value(page));
    // A page opened while the server was down shows the same titles, hidden columns and rows, in the same order.
    QWidget* openedLate = openedWhileDown[page].get();
    QCOMPARE(read(Page(page), openedLate), rows);
    for (int row = -1; row < rows; ++row)
        QCOMPARE(shown(Page(page), row, openedLate), shown(Page(page), row));
    if (page != Customers)
        return;

    Child<QLineEdit>(this->page(Customers), "lineEdit")->setText(QStringLiteral("Dee"));
    Child<QPushButton>(this->page(Customers), "pushButtonAdd")->click();
    QCOMPARE(answerer->messages(), QStringList());
    QCOMPARE(this->rows(inventoryDb, QStringLiteral("SELECT NAME FROM tblCustomers ORDER BY ID")),
             (QStringList{QStringLiteral("Ann"), QStringLiteral("Bob"), QStringLiteral("Cy"), QStringLiteral("Dee")}));
    QCOMPARE(Child<QTableView>(this->page(Customers), "tableView")->model()->rowCount(), rows + 1);
}

// The other kind of categories, chosen while the server is down, is titled as such once a read (after an add) brings
// its columns back.
void TestBackofficeServerKill::categoryKindChosenWhileServerIsDown()
{
    QVERIFY(killed);
    answerer->clear();
    Child<QComboBox>(categories.get(), "comboCategoriesType")->setCurrentIndex(1);
    QCOMPARE(answerer->messages().size(), 1);
    QVERIFY2(answerer->messages().first().contains(QLatin1String("The database server cannot be reached.")),
             qPrintable(answerer->messages().first()));
    QCOMPARE(Child<QTableView>(categories.get(), "tableView")->model()->rowCount(), 0);
}

// The connection's reopening frees what a prepared statement's rows are read from: a report shown since before the
// server went away, and not made again, still shows its rows rather than reading freed memory.
void TestBackofficeServerKill::listOfAPreparedStatementOutlivesTheReopening()
{
    QVERIFY(restarted);
    TestSupport::Idle();
    QCOMPARE(Cells(Child<QTableView>(report.get(), "tableViewItems")->model()), reportCellsBefore);
}

void TestBackofficeServerKill::categoryKindChosenWhileDownIsTitledOnceBack()
{
    QVERIFY(restarted);
    Child<QLineEdit>(categories.get(), "lineEdit")->setText(QStringLiteral("Water"));
    Child<QPushButton>(categories.get(), "pushButtonAdd")->click();
    QCOMPARE(Child<QTableView>(categories.get(), "tableView")->model()->headerData(1, Qt::Horizontal).toString(),
             QStringLiteral("Expense Categories"));
}

void TestBackofficeServerKill::openWindowsForWrites()
{
    // Notices that would take the answers meant for the writes' questions.
    for (const char* notice : {"err_msg_15", "err_msg_16", "err_msg_32", "err_msg_40", "err_msg_45"})
        (*MessageSettings::Instance())[QLatin1String(notice)].show = false;
    for (const char* seed : {"INSERT INTO tblPOrders (ID, VENDOR_ID, STATUS, SUB_TOTAL, SALES_TAX, TOTAL, DISABLE_TAX, "
                             "PAYMENT_STATUS) VALUES (1, 2, 1, 60, 0, 60, 0, 0)",
                             "INSERT INTO tblPODetails (PORDER_ID, PRODUCT_ID, QUANTITY, UNIT_PRICE, LINE_TOTAL, SALE_PRICE, "
                             "BATCH_NUMBER, STOCK_ID) VALUES (1, 1, 10, 6, 60, 10, 'B2', '-1')"}) {
        const QStringList error = rows(inventoryDb, QLatin1String(seed));
        QVERIFY2(error.isEmpty(), qPrintable(error.join(QLatin1Char(' '))));
    }
    windows[SaleDeletion] = open(Sales);
    QCOMPARE(list(Sales, windows[SaleDeletion].get())->model()->rowCount(), 2);
    windows[InventoryRows] = open(Inventory);
    QCOMPARE(list(Inventory, windows[InventoryRows].get())->model()->rowCount(), 4);
    windows[StockTab] = open(Stock);
    QCOMPARE(read(Stock, windows[StockTab].get()), 3);
    Child<QTabWidget>(windows[StockTab].get(), "tabWidget")->setCurrentIndex(1);

    QSqlQueryModel line;
    line.setQuery(PurchaseItemsModel::ItemsQuery(QStringLiteral("1")), *DatabaseManager::Instance()->InventoryDatabase());
    QCOMPARE(line.rowCount(), 1);
    auto receiving = std::make_unique<AddEditPOItemDialog>(nullptr, QStringLiteral("1"), true);
    receiving->SetEditMode(line.record(0));
    receiving->SetReceiveMode();
    receiving->vendorId = QStringLiteral("2");
    windows[Receiving] = std::move(receiving);
    windows[OrderSave] = std::make_unique<AddEditPurchaseOrder>(nullptr, nullptr);
    for (const Window window : {Receiving, OrderSave})
        windows[window]->show();
}

void TestBackofficeServerKill::writeWhileServerIsDownIsToldInOurWords_data()
{
    QTest::addColumn<int>("window");
    QTest::addColumn<QString>("failure"); // from the message's own first sentence
    QTest::newRow("sale deletion") << int(SaleDeletion)
                                   << QStringLiteral("could not be deleted; it and the sales after it are kept.");
    QTest::newRow("stock received from an order") << int(Receiving)
                                                   << QStringLiteral("Error occurred while updating the stock.");
    QTest::newRow("order saved") << int(OrderSave) << QStringLiteral("Error occurred while saving purchase order.");
}

// A write tried on the lost connection, a sale's deletion and a receipt each in a transaction, or an order's save, says
// so in the program's words, not the driver's.
void TestBackofficeServerKill::writeWhileServerIsDownIsToldInOurWords()
{
    QFETCH(int, window);
    QFETCH(QString, failure);
    QVERIFY(killed && !restarted);
    QWidget* writer = windows[window].get();
    answerer->clear();
    QString told;
    if (window == SaleDeletion) {
        QTableView* sales = list(Sales, writer);
        sales->setCurrentIndex(sales->model()->index(0, 0));
        emit sales->clicked(sales->currentIndex());
        answerer->pressButton(QMessageBox::Yes);
        Child<QPushButton>(writer, "buttonDelete")->click();
        for (const QString& message : answerer->messages())
            if (message.startsWith(QLatin1String("Delete Sale|")) && message.contains(failure))
                told = message;
    } else {
        if (window == Receiving) {
            Child<QLineEdit>(writer, "lineRSReceivedQty")->setText(QStringLiteral("2"));
            answerer->pressButton(QMessageBox::Yes);
            Child<QPushButton>(writer, "pushUpdateStock")->click();
        } else {
            Child<QPushButton>(writer, "pushSave")->click();
        }
        told = Child<QLabel>(writer, "labelStatus")->text();
    }
    QVERIFY2(told.contains(failure), qPrintable(told + QLatin1Char('\n') + answerer->messages().join(QLatin1Char('\n'))));
    QVERIFY2(told.contains(QLatin1String("The database server cannot be reached. Nothing was saved.")), qPrintable(told));
    for (const char* driverWords : {"QMYSQL", "gone away", "Lost connection", "Unable to", "Can't connect"})
        QVERIFY2(!told.contains(QLatin1String(driverWords)), qPrintable(told));
    QCOMPARE(answerer->pendingAnswers(), 0);
}

void TestBackofficeServerKill::stockRowsDeletedWhileServerIsDownAreToldOnce_data()
{
    QTest::addColumn<int>("window");
    QTest::newRow("inventory page") << int(InventoryRows);
    QTest::newRow("products page's stock tab") << int(StockTab);
}

// Without the server every selected row would fail alike: the first failure is told, and the rest are not tried.
void TestBackofficeServerKill::stockRowsDeletedWhileServerIsDownAreToldOnce()
{
    QFETCH(int, window);
    QVERIFY(killed && !restarted);
    QTableView* view = list(window == InventoryRows ? Inventory : Stock, windows[window].get());
    QCOMPARE(view->model()->rowCount(), window == InventoryRows ? 4 : 3);
    view->setCurrentIndex(view->model()->index(0, 0));
    view->selectionModel()->select(view->model()->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QCOMPARE(view->selectionModel()->selectedRows().size(), 2);
    answerer->clear();
    answerer->pressButton(QMessageBox::Yes);
    Child<QPushButton>(windows[window].get(), "buttonDelete")->click();
    QCOMPARE(answerer->pendingAnswers(), 0);
    const QStringList told = answerer->messages().filter(QStringLiteral("Can not delete stock ["));
    QCOMPARE(told.size(), 1);
    QVERIFY2(told.first().contains(QLatin1String("The database server cannot be reached.")), qPrintable(told.first()));
}

void TestBackofficeServerKill::categoryDialogs()
{
    QTest::addColumn<int>("window");
    QTest::addColumn<QString>("category");
    QTest::addColumn<QString>("stored"); // the category of the row the add stores
    QTest::newRow("product dialog") << int(ProductDialog) << QStringLiteral("Drinks")
                                    << QStringLiteral("SELECT c.NAME FROM tblProducts p, tblProductCategories c "
                                                      "WHERE c.ID = p.CATEGORY_ID AND p.NAME = 'Juice'");
    QTest::newRow("expense dialog") << int(ExpenseDialog) << QStringLiteral("Power")
                                    << QStringLiteral("SELECT c.NAME FROM tblExpenses e, tblExpenseCategories c "
                                                      "WHERE c.ID = e.CATEGORY_ID AND e.DESCRIPTION = 'Taxi'");
}

void TestBackofficeServerKill::categoriesOfADialogOpenedWhileServerIsDown()
{
    QFETCH(int, window);
    QVERIFY(killed && !restarted);
    if (window == ProductDialog)
        windows[window] = std::make_unique<AddEditProductDialog>(nullptr);
    else
        windows[window] = std::make_unique<AddEditExpenseDialog>(nullptr);
    windows[window]->show();
    const QString status = Child<QLabel>(windows[window].get(), "labelStatus")->text();
    QVERIFY2(status.contains(QLatin1String("categories could not be read: The database server cannot be reached.")),
             qPrintable(status));
}

// A products page's stock tab whose read failed while the server was down (after a deletion) shows, once it is back,
// the stock of the product it showed, with the vendors' names.
void TestBackofficeServerKill::stockTabOnceBackShowsItsProductsStockByVendorName()
{
    QVERIFY(restarted);
    QWidget* page = windows[StockTab].get();
    // Its read after the deletion failed.
    QCOMPARE(list(Stock, page)->model()->columnCount(), 0);
    answerer->clear();
    // The stock dialog it opens is closed at once: the tab is read again all the same.
    Child<QPushButton>(page, "buttonAddNew")->click();
    QCOMPARE(answerer->messages(), QStringList());
    const QAbstractItemModel* stock = list(Stock, page)->model();
    QStringList shown;
    for (int row = 0; row < stock->rowCount(); ++row)
        shown << stock->index(row, StockModel::BAR_CODE).data().toString() + QLatin1Char('|')
                     + stock->index(row, StockModel::VENDOR_ID).data().toString();
    shown.sort();
    QCOMPARE(shown, rows(inventoryDb, QStringLiteral("SELECT i.BAR_CODE, v.NAME FROM tblInventory i, tblVendors v "
                                                     "WHERE v.ID = i.VENDOR_ID AND i.PRODUCT_ID = 1 ORDER BY i.BAR_CODE")));
}

// A dialog whose categories could not be read reads them again on Add once the server is back: the category can be
// chosen and the row is stored with it.
void TestBackofficeServerKill::dialogOpenedWhileDownAddsWithTheChosenCategory()
{
    QFETCH(int, window);
    QFETCH(QString, category);
    QFETCH(QString, stored);
    QVERIFY(restarted);
    QWidget* dialog = windows[window].get();
    const bool product = window == ProductDialog;
    if (product) {
        Child<QLineEdit>(dialog, "editName")->setText(QStringLiteral("Juice"));
    } else {
        Child<QLineEdit>(dialog, "lineAmount")->setText(QStringLiteral("12.5"));
        Child<QTextEdit>(dialog, "textDescription")->setPlainText(QStringLiteral("Taxi"));
    }
    auto* categories = Child<QComboBox>(dialog, product ? "comboCategory" : "comboCategories");
    auto* add = Child<QPushButton>(dialog, product ? "buttonAdd" : "pushAdd");
    // The first Add finds no category chosen from a list never read: it reads the list, and the user then chooses.
    add->click();
    categories->setCurrentIndex(categories->findText(category));
    add->click();
    QCOMPARE(rows(inventoryDb, stored), QStringList{category});
}

VORANTEL_TEST_MAIN(TestBackofficeServerKill)
#include "tst_backofficeserverkill.moc"
