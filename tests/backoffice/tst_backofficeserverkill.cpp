#include "addeditexpensedialog.h"
#include "addeditpoitemdialog.h"
#include "addeditproductdialog.h"
#include "addeditpurchaseorder.h"
#include "databasehooks.h"
#include "databasemanager.h"
#include "expensemanagement.h"
#include "inventorymanagement.h"
#include "managecategories.h"
#include "managecustomers.h"
#include "managevendors.h"
#include "manageusers.h"
#include "managevendors.h"
#include "modalanswerer.h"
#include "privateservertest.h"
#include "productmanagement.h"
#include "productmodels.h"
#include "purchaseitemsmodel.h"
#include "purchasemanagement.h"
#include "reportveiwermodel.h"
#include "reportviewer.h"
#include "salesmanagement.h"
#include "sqlproxy.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QSqlQueryModel>
#include <QSqlRecord>
#include <QSqlTableModel>
#include <QTableView>
#include <QTabWidget>
#include <QTextEdit>

#include <algorithm>
#include <map>
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
    void windowsOpenedWhileUp();
    void windowsReadingAgainOpenedWhileUp();
    void usersDialogOpenedWhileUp();
    void readWhileServerIsDownTellsOnce_data() { pages(); }
    void readWhileServerIsDownTellsOnce();
    void categoryKindChosenWhileServerIsDown();
    void listsKeepTheirRowsWhileServerIsDown();
    void failedReportKeepsTheSummaryHandedIn();
    void orderItemsReadWhileServerIsDown();
    void listReadAgainAfterAWriteKeepsItsRowsWhileDown_data() { rereadWindows(); }
    void listReadAgainAfterAWriteKeepsItsRowsWhileDown();
    void usersOpenedWhileServerIsDown();
    void pageOpenedWhileDownForItsColumns_data() { columnPages(); }
    void pageOpenedWhileDownForItsColumns();
    void rolesManagementWhileDownTellsOnce();
    void sortingOfAPageOpenedWhileDown_data() { sortingPages(); }
    void sortingOfAPageOpenedWhileDown();
    void writeWhileServerIsDownIsToldInOurWords_data();
    void writeWhileServerIsDownIsToldInOurWords();
    void stockRowsDeletedWhileServerIsDownAreToldOnce_data();
    void stockRowsDeletedWhileServerIsDownAreToldOnce();
    void categoriesOfADialogOpenedWhileServerIsDown_data() { categoryDialogs(); }
    void categoriesOfADialogOpenedWhileServerIsDown();
    void readAfterRestartShowsTheRows_data() { pages(); }
    void readAfterRestartShowsTheRows();
    void roleOfAUserSelectedOnceBack();
    void listOfAPreparedStatementOutlivesTheReopening();
    void listReadWhileDownIsNotFilledByAnotherPagesReopening();
    void listKeptWhileDownIsReadOnceBack_data() { rereadWindows(); }
    void listKeptWhileDownIsReadOnceBack();
    void columnsOfAPageOpenedWhileDownOnceBack_data() { columnPages(); }
    void columnsOfAPageOpenedWhileDownOnceBack();
    void categoryKindChosenWhileDownIsTitledOnceBack();
    void nextReportBringsTheTotalsBack();
    void orderItemsKeepTheirHiddenColumnsOnceBack();
    void usersListHidesThePasswords_data();
    void usersListHidesThePasswords();
    void sortingOfferedAtTheFirstReadOnceBack_data() { sortingPages(); }
    void sortingOfferedAtTheFirstReadOnceBack();
    void stockTabOnceBackShowsItsProductsStockByVendorName();
    void dialogOpenedWhileDownAddsWithTheChosenCategory_data() { categoryDialogs(); }
    void dialogOpenedWhileDownAddsWithTheChosenCategory();
    void firstReadAfterAnIdleRestartReadsOnce();
    void addedToAnOrderAsTheFirstActionAfterARestart();
    void secondOutageIsToldAgain();
    void updateWithTheRoleBoxEmptyIsRefused();
    void twoReopeningsThenBeforeThePass_data();
    void twoReopeningsThenBeforeThePass();
    void readLostAfterThePassPingKeepsTheListHeld_data();
    void readLostAfterThePassPingKeepsTheListHeld();
    void closingOnPurposeLeavesNoRowsOfTheClosedConnection();
    void rolesReadRefusedTellsOnce();
    void pageOpenedWhileServerSilent_data() { pages(); }
    void pageOpenedWhileServerSilent();

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
    // The purchase orders page (a prepared statement's rows) and an order's editor (its item grid a plain one's).
    std::unique_ptr<PurchaseManagement> orders;
    std::unique_ptr<AddEditPurchaseOrder> orderEditor;
    QStringList ordersBefore;
    QStringList orderItemsBefore;
    // What each list shown shows, in this order: the report, the purchase orders, the order's items.
    QList<QStringList> shownLists() const;

    // Opened before the kill: a financial report with the summary its generator handed in, an order's editor
    // with two lines, and the users list (a second one is opened while the server is down).
    std::unique_ptr<ReportViewer> summaryReport;
    std::unique_ptr<AddEditPurchaseOrder> itemsEditor;
    QStringList orderColumnsBefore;
    std::unique_ptr<ManageUsers> users[2];
    // Pages whose row count fails while the server is down; 1,000 rows are added once it is back.
    enum SortingPage { SortingInventory, SortingCustomers, SortingExpenses, SortingSales };
    static void sortingPages();
    std::unique_ptr<QWidget> sortingPagesOpenedWhileDown[SortingSales + 1];

    // Windows opened while the server is up, for writes tried while it is down: a sales page and an inventory page
    // that still show their rows, an order's line to receive, an order, and a products page on product P1's stock.
    // Then the product and expense dialogs, opened while it is down.
    enum Window { SaleDeletion, Receiving, OrderSave, InventoryRows, StockTab, ProductDialog, ExpenseDialog };
    std::unique_ptr<QWidget> windows[ExpenseDialog + 1];
    void openWindowsForWrites();
    static void categoryDialogs();

    // Windows that read their list again after a write, opened while the server is up: an order's editor with two
    // lines (Delete Item), the purchase orders page (Delete), the products page (its product dialog closed), the
    // users (Update of an administrator, added for this) and an order's vendors (its vendors dialog closed), and the
    // purchase orders page again (an order's editor closed). Their cells then, and the resets of their lists from the
    // write tried while the server is down.
    enum Reread { RereadOrderItems, RereadOrders, RereadProducts, RereadUsers, RereadVendors, RereadOrderEdited };
    static void rereadWindows();
    QTableView* rereadView(int window, QWidget* in = nullptr) const;
    QAbstractItemModel* rereadList(int window) const;
    std::unique_ptr<QWidget> rereadWindow[RereadOrderEdited + 1];
    QStringList rereadCellsBefore[RereadOrderEdited + 1];
    std::unique_ptr<QSignalSpy> rereadResets[RereadOrderEdited + 1];
    // The server drops the program's inventory connection, as a restart would, while it stays up.
    void dropInventoryConnection();
    // Pages opened while the server is down, whose columns are compared with those of pages opened once it is back.
    enum ColumnPage { ColumnProducts, ColumnInventory, ColumnCustomers, ColumnExpenses, ColumnSales, ColumnOrders,
                      ColumnVendors };
    static void columnPages();
    static std::unique_ptr<QWidget> openColumnPage(ColumnPage which);
    std::map<QString, std::unique_ptr<QWidget>> columnPagesOpenedWhileDown; // by row

    // Users dialogs: one opened while the server is up, two while it is down (their roles unread).
    std::unique_ptr<ManageUsers> usersWhileUp;
    std::unique_ptr<ManageUsers> usersWhileDown[2];
    // Makes the user with this login current in the dialog's list.
    static void selectUser(ManageUsers* dialog, const QString& login);
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

// The titles a view shows, in the shown order.
QStringList ShownTitles(const QTableView* view)
{
    const QHeaderView* header = view->horizontalHeader();
    QStringList titles;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int column = header->logicalIndex(visual);
        if (!header->isSectionHidden(column))
            titles << header->model()->headerData(column, Qt::Horizontal).toString();
    }
    return titles;
}

// The sales figures and Net Sales as the report viewer shows them.
QStringList SummaryFigures(const ReportViewer* viewer)
{
    QStringList figures;
    for (const char* field : {"lineTotalSales", "linePurchaseCost", "lineProfit", "lineDiscount", "lineEditSalesTax",
                              "lineItemsSold", "lineItemsReturned"})
        figures << Child<QLineEdit>(viewer, field)->text();
    return figures;
}
const QStringList SUMMARY_HANDED_IN = {"120.00", "70.00", "50.00", "5.00", "9.00", "6", "1"};

// The users list's password column, which must be there and hidden.
bool PasswordsHidden(const ManageUsers* dialog)
{
    const auto* view = Child<QTableView>(dialog, "tableView");
    const int password = qobject_cast<const QSqlTableModel*>(view->model())->record().indexOf(QStringLiteral("PASSWORD"));
    return password >= 0 && view->isColumnHidden(password);
}
} // namespace

namespace {
// Rows whose every cell reads empty: a result's rows that can no longer be read.
int BlankRows(const QAbstractItemModel* model)
{
    int blank = 0;
    for (int row = 0; row < model->rowCount(); ++row) {
        bool empty = true;
        for (int column = 0; column < model->columnCount() && empty; ++column)
            empty = model->index(row, column).data().toString().isEmpty();
        blank += empty ? 1 : 0;
    }
    return blank;
}

QAbstractItemModel* SourceOf(QAbstractItemModel* model)
{
    while (auto* proxy = qobject_cast<QAbstractProxyModel*>(model))
        model = proxy->sourceModel();
    return model;
}

// Rows whose first column (an order's ID) reads empty: rows that can no longer be read, whatever the other columns
// make of that ("0.00").
int RowsWithoutId(const QAbstractItemModel* model)
{
    int without = 0;
    for (int row = 0; row < model->rowCount(); ++row)
        without += model->index(row, 0).data().toString().isEmpty() ? 1 : 0;
    return without;
}

// The rows of a list as "cell|cell|...", sorted: a statement without ORDER BY may give them in another order.
QStringList RowsOf(const QAbstractItemModel* model)
{
    QStringList rows;
    for (int row = 0; row < model->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < model->columnCount(); ++column)
            cells << model->index(row, column).data().toString();
        rows << cells.join(QLatin1Char('|'));
    }
    rows.sort();
    return rows;
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
        {inventoryDb, QStringLiteral("INSERT INTO tblPOrders (ID, VENDOR_ID, STATUS, SUB_TOTAL, TOTAL, LAST_MODIFIED, "
                                     "PAYMENT_STATUS) VALUES (1, 1, 0, 30, 30, NOW(), 0)")},
        {inventoryDb, QStringLiteral("INSERT INTO tblPODetails (PORDER_ID, PRODUCT_ID, QUANTITY, UNIT_PRICE, LINE_TOTAL, "
                                     "BATCH_NUMBER) VALUES (1, 1, 3, 6, 18, 'B7'), (1, 2, 2, 6, 12, 'B8')")},
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
    if (QTest::currentTestFailed())
        return;

    orders = std::make_unique<PurchaseManagement>(nullptr);
    orders->show();
    Child<QPushButton>(orders.get(), "buttonShowAll")->click();
    auto* ordersList = Child<QTableView>(orders.get(), "tableViewItems");
    QCOMPARE(ordersList->model()->rowCount(), 3);
    const auto* proxy = qobject_cast<const QAbstractProxyModel*>(ordersList->model());
    const auto* orderRows = qobject_cast<const QSqlQueryModel*>(proxy->sourceModel());
    QSqlRecord order;
    for (int row = 0; row < orderRows->rowCount() && order.isEmpty(); ++row)
        if (orderRows->record(row).value(0).toInt() == 1)
            order = orderRows->record(row);
    QVERIFY(!order.isEmpty());
    orderEditor = std::make_unique<AddEditPurchaseOrder>(nullptr, &order);
    orderEditor->show();
    ordersBefore = Cells(ordersList->model());
    orderItemsBefore = Cells(Child<QTableView>(orderEditor.get(), "tableView")->model());
    QVERIFY(orderItemsBefore.contains(QStringLiteral("B8")));
    QCOMPARE(answerer->messages(), QStringList());
}

QList<QStringList> TestBackofficeServerKill::shownLists() const
{
    return {Cells(Child<QTableView>(report.get(), "tableViewItems")->model()),
            Cells(Child<QTableView>(orders.get(), "tableViewItems")->model()),
            Cells(Child<QTableView>(orderEditor.get(), "tableView")->model())};
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

// Lists that no page has read since the server went away keep what they showed: after another page's read found the
// connection lost, and after its retry once the spacing passed.
void TestBackofficeServerKill::listsKeepTheirRowsWhileServerIsDown()
{
    QVERIFY(killed);
    const QList<QStringList> before{reportCellsBefore, ordersBefore, orderItemsBefore};
    QCOMPARE(shownLists(), before);
    QTest::qWait(2100); // the manager's spacing of attempts to reopen
    answerer->clear();
    QCOMPARE(read(Inventory), 0);
    TestSupport::Idle();
    QCOMPARE(shownLists(), before);
    Child<QTableView>(report.get(), "tableViewItems")->viewport()->repaint();

    // The purchase orders page reads while the server is down: told, and empty.
    Child<QPushButton>(orders.get(), "buttonShowAll")->click();
    QCOMPARE(answerer->messages().size(), 1);
    QCOMPARE(Child<QTableView>(orders.get(), "tableViewItems")->model()->rowCount(), 0);
}

// The connection's reopening frees what a prepared statement's rows are read from: a report shown since before the
// server went away, and not made again, still shows its rows rather than reading freed memory.
void TestBackofficeServerKill::listOfAPreparedStatementOutlivesTheReopening()
{
    QVERIFY(restarted);
    TestSupport::Idle();
    QCOMPARE(Cells(Child<QTableView>(report.get(), "tableViewItems")->model()), reportCellsBefore);
}

// Another page's read reopened the connection: a list whose own read failed while the server was down stays empty
// until its page reads again, the others show what the database holds.
void TestBackofficeServerKill::listReadWhileDownIsNotFilledByAnotherPagesReopening()
{
    QVERIFY(restarted);
    TestSupport::Idle();
    auto* ordersList = Child<QTableView>(orders.get(), "tableViewItems");
    QCOMPARE(ordersList->model()->rowCount(), 0);
    QCOMPARE(Cells(Child<QTableView>(orderEditor.get(), "tableView")->model()), orderItemsBefore);
    Child<QPushButton>(orders.get(), "buttonShowAll")->click();
    QCOMPARE(Cells(ordersList->model()), ordersBefore);
}

void TestBackofficeServerKill::categoryKindChosenWhileDownIsTitledOnceBack()
{
    QVERIFY(restarted);
    Child<QLineEdit>(categories.get(), "lineEdit")->setText(QStringLiteral("Water"));
    Child<QPushButton>(categories.get(), "pushButtonAdd")->click();
    QCOMPARE(Child<QTableView>(categories.get(), "tableView")->model()->headerData(1, Qt::Horizontal).toString(),
             QStringLiteral("Expense Categories"));
}

// Killed and started again while nobody read: the read that finds the connection lost reopens it and reads its list
// once; the lists of the other windows are read again once that action has ended, and show what they showed.
void TestBackofficeServerKill::firstReadAfterAnIdleRestartReadsOnce()
{
    QVERIFY(restarted);
    // What the screen shows of the report window.
    const auto reportOnScreen = [this] {
        Child<QTableView>(report.get(), "tableViewItems")->viewport()->update();
        QCoreApplication::processEvents();
        return report->screen()->grabWindow(report->winId()).toImage();
    };
    const QImage reportShown = reportOnScreen();
    QVERIFY(killServer());
    const QString error = server.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    answerer->clear();
    QSignalSpy resets(Child<QTableView>(page(Inventory), "tableViewItems")->model(), &QAbstractItemModel::modelReset);
    QSignalSpy reportResets(Child<QTableView>(report.get(), "tableViewItems")->model(), &QAbstractItemModel::modelReset);
    QCOMPARE(QString::number(read(Inventory)), rows(inventoryDb, QStringLiteral("SELECT COUNT(*) FROM tblInventory")).value(0));
    QCOMPARE(resets.count(), 1);
    QCOMPARE(reportResets.count(), 0);
    // A plain statement's rows are the client's: they stay shown until the list is read again.
    QCOMPARE(Cells(Child<QTableView>(orderEditor.get(), "tableView")->model()), orderItemsBefore);
    // A prepared statement's rows went with the old connection: until the report is read again, it is painted as it
    // was, not as rows of empty cells.
    QCOMPARE(reportOnScreen(), reportShown);
    TestSupport::Idle();
    QCOMPARE(resets.count(), 1);
    QCOMPARE(reportResets.count(), 1);
    QCOMPARE(answerer->messages(), QStringList());

    // Each shows what the database holds now (rows were added since they were read), as the same windows opened now.
    ReportViewer freshReport(nullptr);
    freshReport.SetDates(QDate::currentDate().addDays(-3), QDate::currentDate());
    freshReport.SetExpenseMode();
    freshReport.show();
    PurchaseManagement freshOrders(nullptr);
    Child<QPushButton>(&freshOrders, "buttonShowAll")->click();
    QCOMPARE(RowsOf(Child<QTableView>(report.get(), "tableViewItems")->model()),
             RowsOf(Child<QTableView>(&freshReport, "tableViewItems")->model()));
    QVERIFY(Cells(Child<QTableView>(report.get(), "tableViewItems")->model()) != reportCellsBefore);
    QCOMPARE(RowsOf(Child<QTableView>(orders.get(), "tableViewItems")->model()),
             RowsOf(Child<QTableView>(&freshOrders, "tableViewItems")->model()));
    QCOMPARE(Cells(Child<QTableView>(orderEditor.get(), "tableView")->model()), orderItemsBefore);
}

// The low-stock report's rows go into an order by the first statement after a restart, which reopens the connection
// and lets go of the rows the report's prepared statement showed: each row is added as listed.
void TestBackofficeServerKill::addedToAnOrderAsTheFirstActionAfterARestart()
{
    QVERIFY(restarted);
    ReportViewer lowStock(nullptr);
    lowStock.reportQuery = QStringLiteral(
        "SELECT i.BAR_CODE as 'STOCK CODE', i.PRODUCT_ID as 'PRODUCT ID', i.PURCHASE_PRICE as 'PURCHASE PRICE' FROM "
        "tblInventory as i, tblProducts as p , tblVendors as v  WHERE i.PRODUCT_ID = p.ID AND i.VENDOR_ID = v.ID AND "
        "i.QUANTITY < :threshold");
    lowStock.reportBindings = {{QStringLiteral(":threshold"), 6}};
    lowStock.SetStockMode(false);
    lowStock.SetPurchaseOrder(QStringLiteral("60"));
    lowStock.show();
    const QStringList listed = rows(inventoryDb, QStringLiteral("SELECT PRODUCT_ID, PURCHASE_PRICE FROM tblInventory "
                                                                "WHERE QUANTITY < 6 ORDER BY PRODUCT_ID, PURCHASE_PRICE"));
    QVERIFY(!listed.isEmpty());
    QCOMPARE(Child<QTableView>(&lowStock, "tableViewItems")->model()->rowCount(), listed.size());

    QVERIFY(killServer());
    const QString error = server.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    answerer->clear();
    Child<QPushButton>(&lowStock, "pushAddToPurchaseOrder")->click();
    QCOMPARE(answerer->messages(), QStringList{QStringLiteral("Purchase Items|Items added to purchase order.")});
    QCOMPARE(rows(inventoryDb, QStringLiteral("SELECT PRODUCT_ID, UNIT_PRICE FROM tblPODetails WHERE PORDER_ID = 60 AND "
                                              "BATCH_NUMBER = 'NOT SET' ORDER BY PRODUCT_ID, UNIT_PRICE")),
             listed);
    TestSupport::Idle();
    QCOMPARE(Child<QTableView>(&lowStock, "tableViewItems")->model()->rowCount(), listed.size());
}

// A read that succeeded since the first outage lets the next one be told again.
void TestBackofficeServerKill::secondOutageIsToldAgain()
{
    QVERIFY(killServer());
    answerer->clear();
    QCOMPARE(read(Customers), 0);
    QCOMPARE(answerer->messages().size(), 1);
    QVERIFY2(answerer->messages().first().contains(QLatin1String("The database server cannot be reached.")),
             qPrintable(answerer->messages().first()));
}

// Closing the connection on purpose (another database chosen, logging out) frees a prepared statement's rows: the
// report shown over it shows no rows rather than reading freed ones.
void TestBackofficeServerKill::closingOnPurposeLeavesNoRowsOfTheClosedConnection()
{
    auto* reportList = Child<QTableView>(report.get(), "tableViewItems");
    QVERIFY(reportList->model()->rowCount() > 0);
    auto* ordersList = Child<QTableView>(orders.get(), "tableViewItems");
    Child<QPushButton>(orders.get(), "buttonShowAll")->click();
    QVERIFY(ordersList->model()->rowCount() > 0);
    const QStringList ordersTitles = ShownTitles(ordersList);
    DatabaseManager::Instance()->CloseInventoryDatabase();
    reportList->viewport()->repaint();
    QCOMPARE(Cells(reportList->model()), QStringList());
    TestSupport::Idle();
    QCOMPARE(Cells(Child<QTableView>(orderEditor.get(), "tableView")->model()), orderItemsBefore);
    // Emptied, the list keeps its page's titles: its next read shows them, not the statement's field names.
    Child<QPushButton>(orders.get(), "buttonShowAll")->click();
    QVERIFY(ordersList->model()->rowCount() > 0);
    QCOMPARE(ShownTitles(ordersList), ordersTitles);
}

// Before the kill: the report shows the summary handed in with the period's expenses, the order's grid its two lines
// without its hidden columns, and the users list no passwords.
void TestBackofficeServerKill::windowsOpenedWhileUp()
{
    ModalAnswerer noHang;
    for (const char* notice : {"err_msg_15", "err_msg_45"})
        (*MessageSettings::Instance())[QLatin1String(notice)].show = false;
    for (const QString& seed : {
             QStringLiteral("INSERT IGNORE INTO tblProductCategories (ID, NAME) VALUES (1, 'Drinks')"),
             QStringLiteral("INSERT IGNORE INTO tblVendors (ID, NAME) VALUES (1, 'Acme'), (2, 'Zed')"),
             QStringLiteral("INSERT INTO tblProducts (ID, CATEGORY_ID, PRODUCT_CODE, NAME, ITEMS_PER_UNIT, TAX_RATE, "
                            "UNIT_NAME, SUB_UNIT_NAME, SERVICE_ITEM) VALUES (60, 1, 'Q60', 'Sugar', 1, 0, 'bag', 'g', 0)"),
             QStringLiteral("INSERT INTO tblPOrders (ID, VENDOR_ID, STATUS, SUB_TOTAL, SALES_TAX, TOTAL, DISABLE_TAX, "
                            "PAYMENT_STATUS) VALUES (60, 1, 0, 50, 0, 50, 0, 0)"),
             QStringLiteral("INSERT INTO tblPODetails (PORDER_ID, PRODUCT_ID, QUANTITY, UNIT_PRICE, LINE_TOTAL, "
                            "BATCH_NUMBER) VALUES (60, 60, 2, 10, 20, ''), (60, 60, 3, 10, 30, '')"),
             QStringLiteral("INSERT INTO tblExpenseCategories (ID, NAME) VALUES (150, 'Fees')"),
             QStringLiteral("INSERT INTO tblExpenses (CATEGORY_ID, DATED, AMOUNT, DESCRIPTION) VALUES "
                            "(150, '2020-01-15', 12, 'fee')")}) {
        const QStringList error = rows(inventoryDb, seed);
        QVERIFY2(error.isEmpty(), qPrintable(error.join(QLatin1Char(' '))));
    }

    summaryReport = std::make_unique<ReportViewer>(nullptr);
    summaryReport->showSalesSummary = true;
    summaryReport->SetDates(QDate(2020, 1, 1), QDate(2020, 1, 31));
    summaryReport->SetSalesSummary(QStringLiteral("120.00"), QStringLiteral("70.00"), QStringLiteral("5.00"),
                                   QStringLiteral("9.00"), QStringLiteral("6"), QStringLiteral("1"));
    summaryReport->SetSalesMode();
    summaryReport->show();
    QCOMPARE(SummaryFigures(summaryReport.get()), SUMMARY_HANDED_IN);
    QCOMPARE(Child<QLineEdit>(summaryReport.get(), "lineEditExpenses")->text(), QStringLiteral("12.00"));

    {
        PurchaseManagement orders(nullptr);
        auto* list = qobject_cast<QSqlQueryModel*>(
            qobject_cast<QSortFilterProxyModel*>(Child<QTableView>(&orders, "tableViewItems")->model())->sourceModel());
        QSqlRecord row = list->record(0);
        QCOMPARE(row.value(0).toInt(), 60);
        itemsEditor = std::make_unique<AddEditPurchaseOrder>(nullptr, &row);
    }
    itemsEditor->show();
    auto* items = Child<QTableView>(itemsEditor.get(), "tableView");
    QCOMPARE(items->model()->rowCount(), 2);
    orderColumnsBefore = ShownTitles(items);
    QVERIFY(orderColumnsBefore.contains(QStringLiteral("Line Total")));
    QVERIFY(!orderColumnsBefore.contains(QStringLiteral("Sale Price")));

    users[0] = std::make_unique<ManageUsers>(nullptr);
    users[0]->show();
    QVERIFY(PasswordsHidden(users[0].get()));
    QCOMPARE(noHang.messages(), QStringList());
}

// A failed report shows "0" in the viewer's own totals only: the figures handed in, and Net Sales, stay.
void TestBackofficeServerKill::failedReportKeepsTheSummaryHandedIn()
{
    QVERIFY(killed && summaryReport);
    // The report kind is the program's, and the expense report open beside must keep its own.
    const auto keepKind = qScopeGuard([kind = reportKind] { reportKind = kind; });
    Child<QRadioButton>(summaryReport.get(), "radioProduct")->setChecked(true);
    QCOMPARE(Child<QLineEdit>(summaryReport.get(), "lineEditExpenses")->text(), QStringLiteral("0"));
    QCOMPARE(SummaryFigures(summaryReport.get()), SUMMARY_HANDED_IN);
}

// The item grid's read fails (Add Item, its dialog closed, reads it again): it keeps the lines it showed.
void TestBackofficeServerKill::orderItemsReadWhileServerIsDown()
{
    QVERIFY(killed && itemsEditor);
    const QAbstractItemModel* items = Child<QTableView>(itemsEditor.get(), "tableView")->model();
    const QStringList before = Cells(items);
    Child<QPushButton>(itemsEditor.get(), "pushAddItem")->click();
    QCOMPARE(items->rowCount(), 2);
    QCOMPARE(Cells(items), before);
}

void TestBackofficeServerKill::usersOpenedWhileServerIsDown()
{
    QVERIFY(killed);
    users[1] = std::make_unique<ManageUsers>(nullptr);
    users[1]->show();
    QCOMPARE(Child<QTableView>(users[1].get(), "tableView")->model()->columnCount(), 0);
}

void TestBackofficeServerKill::sortingPages()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("sales");    // the table is in the sales database
    QTest::addColumn<QString>("add");   // 1,000 rows more
    QTest::addColumn<QString>("remove"); // those rows
    QTest::newRow("inventory, through the list pages' shared set-up")
        << int(SortingInventory) << false
        << QStringLiteral("INSERT INTO tblInventory (PRODUCT_ID, VENDOR_ID, BAR_CODE, BATCH_NUMBER, PURCHASE_PRICE, "
                          "SALE_PRICE, QUANTITY, SUB_ITEMS, DISCOUNT, REORDER_LEVEL, REORDER_QUANTITY) "
                          "SELECT 1, 1, CONCAT('L', seq), 'B1', 6, 10, 5, 0, 0, 0, 5 FROM seq_1_to_1000")
        << QStringLiteral("DELETE FROM tblInventory WHERE BAR_CODE LIKE 'L%'");
    QTest::newRow("customers") << int(SortingCustomers) << false
                               << QStringLiteral("INSERT INTO tblCustomers (NAME, ADDRESS, EMAIL, CONTACT_NUMBER) "
                                                 "SELECT CONCAT('many', seq), 'a', 'a@x', '1' FROM seq_1_to_1000")
                               << QStringLiteral("DELETE FROM tblCustomers WHERE NAME LIKE 'many%'");
    QTest::newRow("expenses") << int(SortingExpenses) << false
                              << QStringLiteral("INSERT INTO tblExpenses (CATEGORY_ID, DATED, AMOUNT, DESCRIPTION) "
                                                "SELECT 101, '2019-01-01', 1, CONCAT('many', seq) FROM seq_1_to_1000")
                              << QStringLiteral("DELETE FROM tblExpenses WHERE DESCRIPTION LIKE 'many%'");
    QTest::newRow("sales records")
        << int(SortingSales) << true
        << QStringLiteral("INSERT INTO tblSalesTransactions (ID, USER_ID, CUSTOMER, TIME_STAMP, GRAND_TOTAL, "
                          "INVOICE_MODE, STATUS) SELECT 1000 + seq, 'u', 'many', '2019-01-01 10:00:00', 1, 0, 2 "
                          "FROM seq_1_to_1000")
        << QStringLiteral("DELETE FROM tblSalesTransactions WHERE ID > 1000");
}

// Its row count fails: until a read succeeds the page counts as a small one, as before.
void TestBackofficeServerKill::sortingOfAPageOpenedWhileDown()
{
    QFETCH(int, page);
    QVERIFY(killed);
    std::unique_ptr<QWidget>& opened = sortingPagesOpenedWhileDown[page];
    if (page == SortingInventory)
        opened = std::make_unique<InventoryManagement>(nullptr, false);
    else if (page == SortingCustomers)
        opened = std::make_unique<ManageCustomers>(nullptr, false);
    else if (page == SortingExpenses)
        opened = std::make_unique<ExpenseManagement>(nullptr);
    else
        opened = std::make_unique<SalesManagement>(nullptr, false, false, 0);
    opened->show();
    QVERIFY(!Child<QCheckBox>(opened.get(), "checkEnableSorting")->isVisibleTo(opened.get()));
}

void TestBackofficeServerKill::nextReportBringsTheTotalsBack()
{
    QVERIFY(restarted && summaryReport);
    const auto keepKind = qScopeGuard([kind = reportKind] { reportKind = kind; });
    Child<QRadioButton>(summaryReport.get(), "radioCustomer")->setChecked(true);
    QCOMPARE(Child<QLineEdit>(summaryReport.get(), "lineEditExpenses")->text(), QStringLiteral("12.00"));
    QCOMPARE(SummaryFigures(summaryReport.get()), SUMMARY_HANDED_IN);
}

void TestBackofficeServerKill::orderItemsKeepTheirHiddenColumnsOnceBack()
{
    QVERIFY(restarted && itemsEditor);
    Child<QPushButton>(itemsEditor.get(), "pushAddItem")->click();
    auto* items = Child<QTableView>(itemsEditor.get(), "tableView");
    QCOMPARE(items->model()->rowCount(), 2);
    QCOMPARE(ShownTitles(items), orderColumnsBefore);
}

void TestBackofficeServerKill::usersListHidesThePasswords_data()
{
    QTest::addColumn<int>("opened");
    QTest::newRow("opened while the server was up") << 0;
    QTest::newRow("opened while it was down") << 1;
}

// The roles dialog, closed, has the users read again.
void TestBackofficeServerKill::usersListHidesThePasswords()
{
    QFETCH(int, opened);
    QVERIFY(restarted && users[opened]);
    Child<QPushButton>(users[opened].get(), "pushRolesManagement")->click();
    QVERIFY(PasswordsHidden(users[opened].get()));
}

// With 1,000 rows, the first read that succeeds counts them: the page offers its sorting box, sorting off.
void TestBackofficeServerKill::sortingOfferedAtTheFirstReadOnceBack()
{
    QFETCH(int, page);
    QFETCH(bool, sales);
    QFETCH(QString, add);
    QFETCH(QString, remove);
    QVERIFY(restarted && sortingPagesOpenedWhileDown[page]);
    const QString database = sales ? salesDb : inventoryDb;
    QCOMPARE(rows(database, add), QStringList());
    const auto removeAgain = qScopeGuard([this, database, remove] { rows(database, remove); });
    QWidget* opened = sortingPagesOpenedWhileDown[page].get();
    auto* box = Child<QCheckBox>(opened, "checkEnableSorting");
    QVERIFY(!box->isVisibleTo(opened));

    Child<QPushButton>(opened, page == SortingCustomers ? "pushFilter" : "buttonShowAll")->click();
    QTRY_VERIFY(box->isVisibleTo(opened));
    QVERIFY(!box->isChecked());
    const char* const views[] = {"tableViewItems", "tableView", "tableViewExpenses", "tableViewSales"};
    auto* view = Child<QTableView>(opened, views[page]);
    QVERIFY(view->model()->rowCount() >= 1000);
    QVERIFY(!view->isSortingEnabled());
    // In the database's order, as a page opened with that many rows shows them.
    const auto* proxy = qobject_cast<const QAbstractProxyModel*>(view->model());
    for (int row = 0; row < 10; ++row)
        QCOMPARE(proxy->mapToSource(proxy->index(row, 0)).row(), row);
}

void TestBackofficeServerKill::openWindowsForWrites()
{
    // Notices that would take the answers meant for the writes' questions.
    for (const char* notice : {"err_msg_15", "err_msg_16", "err_msg_32", "err_msg_40", "err_msg_45"})
        (*MessageSettings::Instance())[QLatin1String(notice)].show = false;
    for (const char* seed : {"INSERT INTO tblPOrders (ID, VENDOR_ID, STATUS, SUB_TOTAL, SALES_TAX, TOTAL, DISABLE_TAX, "
                             "PAYMENT_STATUS) VALUES (3, 2, 1, 60, 0, 60, 0, 0)",
                             "INSERT INTO tblPODetails (PORDER_ID, PRODUCT_ID, QUANTITY, UNIT_PRICE, LINE_TOTAL, SALE_PRICE, "
                             "BATCH_NUMBER, STOCK_ID) VALUES (3, 1, 10, 6, 60, 10, 'B2', '-1')"}) {
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
    line.setQuery(PurchaseItemsModel::ItemsQuery(QStringLiteral("3")), *DatabaseManager::Instance()->InventoryDatabase());
    QCOMPARE(line.rowCount(), 1);
    auto receiving = std::make_unique<AddEditPOItemDialog>(nullptr, QStringLiteral("3"), true);
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
    // Read again after the deletion: the list keeps its rows, and nothing more is told than the question and that.
    QCOMPARE(answerer->messages().size(), 2);
    QCOMPARE(view->model()->rowCount(), window == InventoryRows ? 4 : 3);
    QCOMPARE(BlankRows(view->model()), 0);
    if (window != StockTab)
        return;
    // The page's own read, choosing the product again, still empties the tab and says so.
    auto* products = Child<QTableView>(windows[window].get(), "tableViewProducts");
    products->setCurrentIndex(QModelIndex());
    products->setCurrentIndex(products->model()->index(0, 0));
    QCOMPARE(answerer->messages().size(), 3);
    QCOMPARE(view->model()->columnCount(), 0);
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
    // Its own read after the deletion failed.
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

void TestBackofficeServerKill::rereadWindows()
{
    QTest::addColumn<int>("window");
    QTest::newRow("purchase orders, Delete") << int(RereadOrders);
    QTest::newRow("purchase orders, an order's editor closed") << int(RereadOrderEdited);
    QTest::newRow("products, a product dialog closed") << int(RereadProducts);
    QTest::newRow("users, Update") << int(RereadUsers);
    QTest::newRow("an order's vendors, its vendors dialog closed") << int(RereadVendors);
    // Last: its Save, once back, changes the order the purchase orders list shows.
    QTest::newRow("order's items, Delete Item") << int(RereadOrderItems);
}

QAbstractItemModel* TestBackofficeServerKill::rereadList(int window) const
{
    if (window == RereadVendors)
        return Child<QComboBox>(rereadWindow[window].get(), "comboVendors")->model();
    return rereadView(window)->model();
}

QTableView* TestBackofficeServerKill::rereadView(int window, QWidget* in) const
{
    const char* const views[] = {"tableView", "tableViewItems", "tableViewProducts", "tableView", "tableView",
                                 "tableViewItems"};
    return Child<QTableView>(in ? in : rereadWindow[window].get(), views[window]);
}

void TestBackofficeServerKill::dropInventoryConnection()
{
    const QStringList ids = rows(inventoryDb, QStringLiteral("SELECT ID FROM information_schema.PROCESSLIST WHERE DB = '%1' "
                                                             "AND ID <> CONNECTION_ID()").arg(inventoryDb));
    QVERIFY(!ids.isEmpty());
    for (const QString& id : ids)
        QCOMPARE(rows(inventoryDb, QStringLiteral("KILL ") + id), QStringList());
}

void TestBackofficeServerKill::windowsReadingAgainOpenedWhileUp()
{
    ModalAnswerer noHang;
    const QStringList error = rows(inventoryDb, QStringLiteral("INSERT INTO tblUsers (FIRST_NAME, LAST_NAME, LOGIN_NAME, "
                                                               "PASSWORD, ROLE_ID) SELECT 'Ada', 'Admin', 'ada', 'x', ID "
                                                               "FROM tblRoles WHERE NAME = 'ADMINISTRATOR'"));
    QVERIFY2(error.isEmpty(), qPrintable(error.join(QLatin1Char(' '))));
    auto orders = std::make_unique<PurchaseManagement>(nullptr);
    orders->show();
    auto* list = qobject_cast<QSqlQueryModel*>(SourceOf(Child<QTableView>(orders.get(), "tableViewItems")->model()));
    QSqlRecord order;
    for (int row = 0; row < list->rowCount() && order.isEmpty(); ++row)
        if (list->record(row).value(0).toInt() == 60)
            order = list->record(row);
    QVERIFY(!order.isEmpty());
    rereadWindow[RereadOrderItems] = std::make_unique<AddEditPurchaseOrder>(nullptr, &order);
    rereadWindow[RereadOrders] = std::move(orders);
    rereadWindow[RereadProducts] = std::make_unique<ProductManagement>(nullptr, false);
    rereadWindow[RereadUsers] = std::make_unique<ManageUsers>(nullptr);
    rereadWindow[RereadVendors] = std::make_unique<AddEditPurchaseOrder>(nullptr, &order);
    rereadWindow[RereadOrderEdited] = std::make_unique<PurchaseManagement>(nullptr);
    for (int window = RereadOrderItems; window <= RereadOrderEdited; ++window) {
        rereadWindow[window]->show();
        rereadCellsBefore[window] = Cells(rereadList(window));
        QVERIFY2(!rereadCellsBefore[window].isEmpty(), qPrintable(QString::number(window)));
    }
    QCOMPARE(rereadList(RereadOrderItems)->rowCount(), 2);
    QCOMPARE(noHang.messages(), QStringList());
}

// A write that fails while the server is down is told once; the list its window then reads again keeps its rows.
void TestBackofficeServerKill::listReadAgainAfterAWriteKeepsItsRowsWhileDown()
{
    QFETCH(int, window);
    QVERIFY(killed && !restarted);
    QWidget* writer = rereadWindow[window].get();
    QAbstractItemModel* shown = rereadList(window);
    QTableView* view = window == RereadVendors ? nullptr : rereadView(window);
    if (view) {
        view->setCurrentIndex(shown->index(0, 2));
        view->selectRow(0);
    }
    answerer->clear();
    if (window == RereadVendors) {
        const QString vendor = Child<QComboBox>(writer, "comboVendors")->currentText();
        Child<QPushButton>(writer, "pushSearchVendor")->click();
        QCOMPARE(Child<QComboBox>(writer, "comboVendors")->currentText(), vendor);
    } else if (window == RereadOrderItems) {
        Child<QPushButton>(writer, "pushDeleteItem")->click();
        const QString status = Child<QLabel>(writer, "labelStatus")->text();
        QVERIFY2(status.startsWith(QLatin1String("The item could not be deleted: The database server cannot be reached.")),
                 qPrintable(status));
    } else if (window == RereadOrders) {
        answerer->pressButton(QMessageBox::Yes);
        Child<QPushButton>(writer, "buttonDelete")->click();
    } else if (window == RereadOrderEdited) {
        // The editor opened while the server is down is closed as it is (the answerer rejects it).
        Child<QPushButton>(writer, "buttonEdit")->click();
        QVERIFY(std::any_of(answerer->seen.cbegin(), answerer->seen.cend(), [](const ModalAnswerer::Seen& modal) {
            return modal.className == QLatin1String("AddEditPurchaseOrder");
        }));
    } else if (window == RereadProducts) {
        Child<QPushButton>(writer, "buttonAddNew")->click();
    } else {
        const auto* users = qobject_cast<const QSqlTableModel*>(shown);
        int administrator = -1;
        for (int row = 0; row < users->rowCount() && administrator < 0; ++row)
            for (int column = 0; column < users->columnCount(); ++column)
                if (users->index(row, column).data().toString() == QLatin1String("ADMINISTRATOR"))
                    administrator = row;
        QVERIFY(administrator >= 0);
        view->selectRow(administrator);
        Child<QLineEdit>(writer, "editFirstName")->setText(QStringLiteral("Ada"));
        Child<QLineEdit>(writer, "editLastName")->setText(QStringLiteral("Lovelace"));
        Child<QPushButton>(writer, "pushButtonUpdate")->click();
    }
    const QStringList told = answerer->messages();
    // The write's own failure, after the question a deletion asks or the password note; the vendors dialog's read.
    QVERIFY2(told.size() == QList<int>({0, 2, 0, 2, 1, 0}).at(window), qPrintable(told.join(QLatin1Char('\n'))));
    if (!told.isEmpty())
        QVERIFY2(told.last().contains(QLatin1String("The database server cannot be reached.")), qPrintable(told.last()));
    QCOMPARE(answerer->pendingAnswers(), 0);
    QCOMPARE(Cells(shown), rereadCellsBefore[window]);
    rereadResets[window] = std::make_unique<QSignalSpy>(SourceOf(shown), &QAbstractItemModel::modelReset);
}

// Once the server is back, another page's read reopened the connection: each list kept while it was down is read once
// when the loop waits, and shows what the same window opened now shows. The order's Save then says it saved, over
// the order's two lines.
void TestBackofficeServerKill::listKeptWhileDownIsReadOnceBack()
{
    QFETCH(int, window);
    QVERIFY(restarted && rereadResets[window]);
    TestSupport::Idle();
    QCOMPARE(rereadResets[window]->count(), 1);
    QAbstractItemModel* shown = rereadList(window);
    QCOMPARE(BlankRows(shown), 0);
    std::unique_ptr<QWidget> fresh;
    if (window == RereadOrders || window == RereadOrderEdited) {
        fresh = std::make_unique<PurchaseManagement>(nullptr);
    } else if (window == RereadProducts) {
        fresh = std::make_unique<ProductManagement>(nullptr, false);
    } else if (window == RereadUsers) {
        fresh = std::make_unique<ManageUsers>(nullptr);
    } else if (window == RereadVendors) {
        fresh = std::make_unique<ManageVendors>(nullptr);
    } else {
        QCOMPARE(shown->rowCount(), 2);
        QCOMPARE(Cells(shown), rereadCellsBefore[window]);
        answerer->clear();
        Child<QPushButton>(rereadWindow[window].get(), "pushSave")->click();
        QCOMPARE(Child<QLabel>(rereadWindow[window].get(), "labelStatus")->text(),
                 QStringLiteral("Purchase order saved successfully."));
        QCOMPARE(rows(inventoryDb, QStringLiteral("SELECT COUNT(*) FROM tblPODetails WHERE PORDER_ID = 60")),
                 QStringList{QStringLiteral("2")});
        QCOMPARE(Cells(shown), rereadCellsBefore[window]);
        return;
    }
    QCOMPARE(RowsOf(shown), RowsOf(rereadView(window, fresh.get())->model()));
    if (window == RereadUsers)
        QCOMPARE(rows(inventoryDb, QStringLiteral("DELETE FROM tblUsers WHERE LOGIN_NAME = 'ada'")), QStringList());
}

void TestBackofficeServerKill::twoReopeningsThenBeforeThePass_data()
{
    QTest::addColumn<int>("then");
    QTest::newRow("the pass") << 0;
    QTest::newRow("a second drop: the server killed, then back") << 1;
    QTest::newRow("its window closed") << 2;
    QTest::newRow("the pass's reads refused: tables renamed") << 5;
    QTest::newRow("the pass's read of the purchase orders refused") << 6;
    QTest::newRow("logout: the connection closed") << 3;
    QTest::newRow("another database: the connection removed") << 4;
}

// The connection reopened twice before the loop waits, the purchase orders page reading its list between the two
// (a prepared statement's rows, let go of at each): no view stays frozen once its list is read or its window
// closed or the connection closed on purpose, and none shows rows of blank cells. Killed again before the pass, the
// order's grid (a plain statement's rows) keeps them, and the let-go lists their frozen views, until it is back.
void TestBackofficeServerKill::twoReopeningsThenBeforeThePass()
{
    QFETCH(int, then);
    QVERIFY(restarted);
    // Back from the outage before (a no-op while the server runs).
    const QString started = server.start();
    QVERIFY2(started.isEmpty(), qPrintable(started));
    QTRY_VERIFY_WITH_TIMEOUT(read(Inventory) > 0, 20000);
    TestSupport::Idle();
    auto* reportView = Child<QTableView>(report.get(), "tableViewItems");
    auto* ordersView = Child<QTableView>(orders.get(), "tableViewItems");
    auto* grid = Child<QTableView>(orderEditor.get(), "tableView");
    answerer->clear();
    Child<QPushButton>(orders.get(), "buttonShowAll")->click();
    TestSupport::Idle();
    const QStringList gridBefore = Cells(grid->model());
    QVERIFY(!gridBefore.isEmpty() && reportView->model()->rowCount() > 0);
    // Emptied lists keep the titles their pages gave them.
    const QStringList ordersTitles = ShownTitles(ordersView);
    const QStringList inventoryTitles = shown(Inventory);
    QVERIFY(ordersTitles.contains(QStringLiteral("Payment Status")));

    dropInventoryConnection();
    read(Inventory);
    QVERIFY(!reportView->updatesEnabled() && !ordersView->updatesEnabled());
    Child<QPushButton>(orders.get(), "buttonShowAll")->click();
    QVERIFY(ordersView->updatesEnabled()); // read by its page: painted at once
    dropInventoryConnection();
    read(Inventory);
    QVERIFY(!ordersView->updatesEnabled());
    QCOMPARE(answerer->messages(), QStringList());

    if (then == 1) {
        QVERIFY(killServer());
        TestSupport::Idle();
        QCOMPARE(Cells(grid->model()), gridBefore);
        QVERIFY(!reportView->updatesEnabled() && !ordersView->updatesEnabled());
        const QString error = server.start();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QTRY_VERIFY_WITH_TIMEOUT(read(Inventory) > 0, 20000);
        answerer->clear();
    } else if (then == 2) {
        orders->hide();
        QVERIFY(ordersView->updatesEnabled());
        QCOMPARE(BlankRows(ordersView->model()), 0);
        orders->show();
        // Shown again before the pass, its list holds no rows whose cells cannot be read (a view finds them blank
        // beyond the rows its proxy keeps).
        QCOMPARE(RowsWithoutId(SourceOf(ordersView->model())), 0);
    } else if (then == 5) {
        const QString renamed = QStringLiteral("RENAME TABLE tblExpenses TO tblExpensesAway, tblPODetails TO tblPODetailsAway");
        QCOMPARE(rows(inventoryDb, renamed), QStringList());
        TestSupport::Idle();
        QCOMPARE(rows(inventoryDb, QStringLiteral("RENAME TABLE tblExpensesAway TO tblExpenses, tblPODetailsAway TO "
                                                  "tblPODetails")),
                 QStringList());
        // The order's grid keeps its rows; the report's, let go of, are none, and that is told once, with the server's
        // reason.
        QCOMPARE(Cells(grid->model()), gridBefore);
        QCOMPARE(reportView->model()->rowCount(), 0);
        QVERIFY(reportView->updatesEnabled());
        QCOMPARE(answerer->messages().size(), 1);
        QVERIFY2(answerer->messages().first().contains(QLatin1String("tblExpenses' doesn't exist")),
                 qPrintable(answerer->messages().first()));
        Child<QRadioButton>(report.get(), "radioCategory")->setChecked(true);
        Child<QRadioButton>(report.get(), "radioIndividualExpenses")->setChecked(true);
        answerer->clear();
    } else if (then == 6) {
        QCOMPARE(rows(inventoryDb, QStringLiteral("RENAME TABLE tblPOrders TO tblPOrdersAway")), QStringList());
        TestSupport::Idle();
        QCOMPARE(rows(inventoryDb, QStringLiteral("RENAME TABLE tblPOrdersAway TO tblPOrders")), QStringList());
        QCOMPARE(ordersView->model()->rowCount(), 0);
        QCOMPARE(answerer->messages().size(), 1);
        QVERIFY2(answerer->messages().first().contains(QLatin1String("tblPOrders' doesn't exist")),
                 qPrintable(answerer->messages().first()));
        Child<QPushButton>(orders.get(), "buttonShowAll")->click();
        answerer->clear();
    } else if (then >= 3) {
        DatabaseManager* manager = DatabaseManager::Instance();
        if (then == 3)
            manager->CloseInventoryDatabase();
        else
            manager->RemoveInventoryDatabase();
        for (QTableView* view : {reportView, ordersView}) {
            QVERIFY(view->updatesEnabled());
            QCOMPARE(BlankRows(view->model()), 0);
        }
        // A plain statement's rows are the client's until the connection's driver goes.
        QCOMPARE(Cells(grid->model()), then == 3 ? gridBefore : QStringList());
        TestSupport::Idle();
        // Its rows go with the closed connection's driver when the next one opens: none rather than unreadable ones.
        QVERIFY(manager->InventoryDatabase()->isOpen());
        QCOMPARE(grid->model()->rowCount(), 0);
        read(Inventory);
        QCOMPARE(shown(Inventory), inventoryTitles);
        // The order's editor opened again, as after logging in, for the rows after.
        Child<QPushButton>(orders.get(), "buttonShowAll")->click();
        QCOMPARE(ShownTitles(ordersView), ordersTitles);
        auto* orderRows = qobject_cast<QSqlQueryModel*>(SourceOf(ordersView->model()));
        QSqlRecord order;
        for (int row = 0; row < orderRows->rowCount() && order.isEmpty(); ++row)
            if (orderRows->record(row).value(0).toInt() == 1)
                order = orderRows->record(row);
        orderEditor = std::make_unique<AddEditPurchaseOrder>(nullptr, &order);
        orderEditor->show();
        QCOMPARE(Cells(Child<QTableView>(orderEditor.get(), "tableView")->model()), gridBefore);
        Child<QRadioButton>(report.get(), "radioCategory")->setChecked(true);
        Child<QRadioButton>(report.get(), "radioIndividualExpenses")->setChecked(true);
        QVERIFY(reportView->model()->rowCount() > 0);
        return;
    }
    TestSupport::Idle();
    for (QTableView* view : {reportView, ordersView, grid}) {
        QVERIFY(view->updatesEnabled());
        QCOMPARE(BlankRows(view->model()), 0);
    }
    QCOMPARE(Cells(grid->model()), gridBefore);
    PurchaseManagement fresh(nullptr);
    QCOMPARE(RowsOf(ordersView->model()), RowsOf(Child<QTableView>(&fresh, "tableViewItems")->model()));
    QCOMPARE(ShownTitles(ordersView), ordersTitles);
    QVERIFY(reportView->model()->rowCount() > 0);
    QCOMPARE(answerer->messages(), QStringList());
}

void TestBackofficeServerKill::readLostAfterThePassPingKeepsTheListHeld_data()
{
    QTest::addColumn<int>("list");
    QTest::newRow("a plain statement's rows: an order's grid") << 0;
    QTest::newRow("a prepared statement's rows, let go of: the purchase orders") << 1;
    QTest::newRow("a table model kept after a write while down: the users") << 2;
}

// The pass finds the server answering, and it goes away again before the pass reads a list: the list keeps what it
// shows (the purchase orders their frozen view, without a box), as when the ping fails, and is read once the
// connection is back, under its page's titles.
void TestBackofficeServerKill::readLostAfterThePassPingKeepsTheListHeld()
{
    QFETCH(int, list);
    const QString started = server.start(); // a no-op while it runs
    QVERIFY2(started.isEmpty(), qPrintable(started));
    QTRY_VERIFY_WITH_TIMEOUT(read(Inventory) > 0, 20000);
    ManageUsers users(nullptr);
    users.show();
    Child<QPushButton>(orders.get(), "buttonShowAll")->click();
    QTableView* const views[] = {Child<QTableView>(orderEditor.get(), "tableView"),
                                 Child<QTableView>(orders.get(), "tableViewItems"), Child<QTableView>(&users, "tableView")};
    QStringList titles[3];
    for (int i = 0; i < 3; ++i) {
        titles[i] = ShownTitles(views[i]);
        QVERIFY(views[i]->model()->rowCount() > 0);
    }
    const QStringList gridBefore = Cells(views[0]->model());

    // Kept after a write while the server is away (the users and roles lists, after the roles dialog), then held at
    // the reopening (the lists of statements).
    QVERIFY(killServer());
    Child<QPushButton>(&users, "pushRolesManagement")->click();
    const QString error = server.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QTRY_VERIFY_WITH_TIMEOUT(read(Inventory) > 0, 20000);
    // The server goes away again once the pass's ping has found it, before the list is read.
    QAbstractItemModel* held = SourceOf(views[list]->model());
    QString stopped = QStringLiteral("not stopped");
    DatabaseHooks::RunBeforeHeldListRead(held, [this, &stopped] { stopped = server.stop(); });
    answerer->clear();
    TestSupport::Idle();
    QVERIFY2(stopped.isEmpty(), qPrintable(stopped));
    QCOMPARE(answerer->messages(), QStringList());
    QCOMPARE(Cells(views[0]->model()), gridBefore);
    if (list == 1)
        QVERIFY(!views[1]->updatesEnabled());

    QSignalSpy resets(held, &QAbstractItemModel::modelReset);
    const QString back = server.start();
    QVERIFY2(back.isEmpty(), qPrintable(back));
    QTRY_VERIFY_WITH_TIMEOUT(read(Inventory) > 0, 20000);
    answerer->clear();
    TestSupport::Idle();
    QVERIFY(resets.count() > 0);
    QCOMPARE(answerer->messages(), QStringList());
    QCOMPARE(Cells(views[0]->model()), gridBefore);
    PurchaseManagement freshOrders(nullptr);
    ManageUsers freshUsers(nullptr);
    QCOMPARE(RowsOf(views[1]->model()), RowsOf(Child<QTableView>(&freshOrders, "tableViewItems")->model()));
    QCOMPARE(RowsOf(views[2]->model()), RowsOf(Child<QTableView>(&freshUsers, "tableView")->model()));
    for (int i = 0; i < 3; ++i) {
        QVERIFY(views[i]->updatesEnabled());
        QCOMPARE(ShownTitles(views[i]), titles[i]);
    }
}

void TestBackofficeServerKill::columnPages()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("read");
    QTest::addColumn<bool>("sales");     // the table is in the sales database
    QTest::addColumn<QString>("add");    // 1,000 rows more, as a shop has: the page offers its sorting box
    QTest::addColumn<QString>("remove"); // those rows
    QTest::newRow("products") << int(ColumnProducts) << "tableViewProducts" << "buttonShowAll" << false
                              << "INSERT INTO tblProducts (CATEGORY_ID, PRODUCT_CODE, NAME, DESCRIPTION) SELECT 1, "
                                 "CONCAT('M', seq), CONCAT('Many ', seq), 'many' FROM seq_1_to_1000"
                              << "DELETE FROM tblProducts WHERE DESCRIPTION = 'many'";
    QTest::newRow("inventory") << int(ColumnInventory) << "tableViewItems" << "buttonShowAll" << false
                               << "INSERT INTO tblInventory (PRODUCT_ID, VENDOR_ID, BAR_CODE, BATCH_NUMBER, PURCHASE_PRICE, "
                                  "SALE_PRICE, QUANTITY, SUB_ITEMS, DISCOUNT, REORDER_LEVEL, REORDER_QUANTITY) SELECT 1, 1, "
                                  "CONCAT('M', seq), 'B1', 6, 10, 5, 0, 0, 0, 5 FROM seq_1_to_1000"
                               << "DELETE FROM tblInventory WHERE BAR_CODE LIKE 'M%'";
    QTest::newRow("customers") << int(ColumnCustomers) << "tableView" << "pushFilter" << false
                               << "INSERT INTO tblCustomers (NAME, ADDRESS, EMAIL, CONTACT_NUMBER) SELECT CONCAT('Many ', "
                                  "seq), 'a', 'a@x', '1' FROM seq_1_to_1000"
                               << "DELETE FROM tblCustomers WHERE NAME LIKE 'Many %'";
    QTest::newRow("expenses") << int(ColumnExpenses) << "tableViewExpenses" << "buttonShowAll" << false
                              << "INSERT INTO tblExpenses (CATEGORY_ID, DATED, AMOUNT, DESCRIPTION) SELECT 101, "
                                 "'2019-01-01', 1, CONCAT('Many ', seq) FROM seq_1_to_1000"
                              << "DELETE FROM tblExpenses WHERE DESCRIPTION LIKE 'Many %'";
    QTest::newRow("sales records") << int(ColumnSales) << "tableViewSales" << "buttonShowAll" << true
                                   << "INSERT INTO tblSalesTransactions (ID, USER_ID, CUSTOMER, TIME_STAMP, GRAND_TOTAL, "
                                      "INVOICE_MODE, STATUS) SELECT 5000 + seq, 'u', 'many', '2019-01-01 10:00:00', 1, 0, 2 "
                                      "FROM seq_1_to_1000"
                                   << "DELETE FROM tblSalesTransactions WHERE ID > 5000";
    QTest::newRow("purchase orders") << int(ColumnOrders) << "tableViewItems" << "buttonShowAll" << false
                                     << "INSERT INTO tblPOrders (VENDOR_ID, STATUS, NOTES, PAYMENT_STATUS) SELECT 1, 0, "
                                        "'many', 0 FROM seq_1_to_1000"
                                     << "DELETE FROM tblPOrders WHERE NOTES = 'many'";
    QTest::newRow("vendors") << int(ColumnVendors) << "tableView" << "pushFilter" << false
                             << "INSERT INTO tblVendors (NAME, ADDRESS, EMAIL, CONTACT_NUMBER) SELECT CONCAT('Many ', "
                                "seq), 'a', 'a@x', '1' FROM seq_1_to_1000"
                             << "DELETE FROM tblVendors WHERE NAME LIKE 'Many %'";
    // Few rows: sorting stays on.
    QTest::newRow("customers, few") << int(ColumnCustomers) << "tableView" << "pushFilter" << false << QString()
                                    << QString();
    QTest::newRow("expenses, few") << int(ColumnExpenses) << "tableViewExpenses" << "buttonShowAll" << false
                                   << QString() << QString();
    QTest::newRow("vendors, few") << int(ColumnVendors) << "tableView" << "pushFilter" << false << QString() << QString();
    QTest::newRow("purchase orders, few") << int(ColumnOrders) << "tableViewItems" << "buttonShowAll" << false
                                          << QString() << QString();
}

std::unique_ptr<QWidget> TestBackofficeServerKill::openColumnPage(ColumnPage which)
{
    std::unique_ptr<QWidget> opened;
    switch (which) {
    case ColumnProducts: opened = std::make_unique<ProductManagement>(nullptr, false); break;
    case ColumnInventory: opened = std::make_unique<InventoryManagement>(nullptr, false); break;
    case ColumnCustomers: opened = std::make_unique<ManageCustomers>(nullptr, false); break;
    case ColumnExpenses: opened = std::make_unique<ExpenseManagement>(nullptr); break;
    case ColumnSales: opened = std::make_unique<SalesManagement>(nullptr, false, false, 0); break;
    case ColumnOrders: opened = std::make_unique<PurchaseManagement>(nullptr); break;
    case ColumnVendors: opened = std::make_unique<ManageVendors>(nullptr); break;
    }
    opened->resize(1000, 600);
    opened->show();
    return opened;
}

void TestBackofficeServerKill::pageOpenedWhileDownForItsColumns()
{
    QFETCH(int, page);
    QVERIFY(killed && !restarted);
    columnPagesOpenedWhileDown[QTest::currentDataTag()] = openColumnPage(ColumnPage(page));
}

// At its first read once the server is back, a page opened while it was down shows the titles and widths of a page
// opened now.
void TestBackofficeServerKill::columnsOfAPageOpenedWhileDownOnceBack()
{
    QFETCH(int, page);
    QFETCH(QString, list);
    QFETCH(QString, read);
    QFETCH(bool, sales);
    QFETCH(QString, add);
    QFETCH(QString, remove);
    QWidget* openedWhileDown = columnPagesOpenedWhileDown[QTest::currentDataTag()].get();
    QVERIFY(restarted && openedWhileDown);
    const QString database = sales ? salesDb : inventoryDb;
    if (!add.isEmpty())
        QCOMPARE(rows(database, add), QStringList());
    const auto removeAgain = qScopeGuard([this, database, remove] {
        if (!remove.isEmpty())
            rows(database, remove);
    });
    const auto columns = [list, read](QWidget* opened, bool reading = true) {
        if (reading)
            Child<QPushButton>(opened, qPrintable(read))->click();
        // As the user sees it, once the event loop has run.
        TestSupport::Idle();
        const auto* view = Child<QTableView>(opened, qPrintable(list));
        QStringList shown;
        for (int visual = 0; visual < view->horizontalHeader()->count(); ++visual) {
            const int column = view->horizontalHeader()->logicalIndex(visual);
            if (!view->isColumnHidden(column))
                shown << QStringLiteral("%1 %2").arg(view->model()->headerData(column, Qt::Horizontal).toString())
                             .arg(view->columnWidth(column));
        }
        return shown;
    };
    answerer->clear();
    const QStringList late = columns(openedWhileDown);
    const QStringList normal = columns(openColumnPage(ColumnPage(page)).get());
    QVERIFY(!normal.isEmpty());
    QCOMPARE(late, normal);
    // And as a page just opened shows them, before any read of its own.
    QCOMPARE(columns(openColumnPage(ColumnPage(page)).get(), false), normal);
    // And at its next read.
    QCOMPARE(columns(openedWhileDown), normal);
    QCOMPARE(answerer->messages(), QStringList());
}

void TestBackofficeServerKill::selectUser(ManageUsers* dialog, const QString& login)
{
    auto* view = Child<QTableView>(dialog, "tableView");
    const auto* model = qobject_cast<const QSqlTableModel*>(view->model());
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->record(row).value(QStringLiteral("LOGIN_NAME")).toString() == login) {
            view->setCurrentIndex(model->index(row, 1));
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("no user ") + login));
}

void TestBackofficeServerKill::usersDialogOpenedWhileUp()
{
    QCOMPARE(rows(inventoryDb, QStringLiteral("INSERT INTO tblUsers (FIRST_NAME, LAST_NAME, LOGIN_NAME, PASSWORD, "
                                              "ROLE_ID) VALUES ('Ann', 'A', 'ann', 'x', 2), ('Bo', 'B', 'bo', 'x', 3)")),
             QStringList());
    usersWhileUp = std::make_unique<ManageUsers>(nullptr);
    usersWhileUp->show();
}

// The roles dialog says the server cannot be reached; the users dialog says no more, and its list keeps its rows.
void TestBackofficeServerKill::rolesManagementWhileDownTellsOnce()
{
    QVERIFY(killed && usersWhileUp);
    for (auto& dialog : usersWhileDown) {
        dialog = std::make_unique<ManageUsers>(nullptr);
        dialog->show();
    }
    const QAbstractItemModel* users = Child<QTableView>(usersWhileUp.get(), "tableView")->model();
    const QStringList usersBefore = Cells(users);
    QVERIFY(!usersBefore.isEmpty());
    answerer->clear();
    Child<QPushButton>(usersWhileUp.get(), "pushRolesManagement")->click();
    QCOMPARE(Cells(users), usersBefore);
    QCOMPARE(answerer->messages().size(), 1);
    QVERIFY2(answerer->messages().first().contains(QLatin1String("The database server cannot be reached.")),
             qPrintable(answerer->messages().first()));
}

// Its roles were never read: selecting a user reads them, and the Role box shows the user's role.
void TestBackofficeServerKill::roleOfAUserSelectedOnceBack()
{
    QVERIFY(restarted && usersWhileDown[1]);
    answerer->clear();
    for (auto& dialog : usersWhileDown)
        Child<QTableView>(dialog.get(), "tableView")->horizontalHeader()->setSortIndicator(1, Qt::AscendingOrder);
    selectUser(usersWhileDown[0].get(), QStringLiteral("bo"));
    QCOMPARE(Child<QComboBox>(usersWhileDown[0].get(), "comboRole")->currentText(), QStringLiteral("PURCHASE MANAGER"));
    QCOMPARE(answerer->messages(), QStringList());
}

// The roles cannot be read when the user is selected: Update with the Role box empty is refused.
void TestBackofficeServerKill::updateWithTheRoleBoxEmptyIsRefused()
{
    ManageUsers* dialog = usersWhileDown[1].get();
    QVERIFY(dialog);
    selectUser(dialog, QStringLiteral("ann"));
    QCOMPARE(Child<QComboBox>(dialog, "comboRole")->currentText(), QString());
    QCOMPARE(Child<QLineEdit>(dialog, "editLoginName")->text(), QStringLiteral("ann"));
    answerer->clear();
    Child<QPushButton>(dialog, "pushButtonUpdate")->click();
    QCOMPARE(answerer->messages(), QStringList{QStringLiteral("Error|No data provided. Please enter valid data. If you do "
                                                              "not want to change the password, please leave it empty.")});
}

// The server up but refusing the roles: the roles dialog tells it, and the users dialog behind it says no more.
void TestBackofficeServerKill::rolesReadRefusedTellsOnce()
{
    ManageUsers dialog(nullptr);
    dialog.show();
    QCOMPARE(rows(inventoryDb, QStringLiteral("RENAME TABLE tblRoles TO tblRolesAway")), QStringList());
    const auto back = qScopeGuard([this] { rows(inventoryDb, QStringLiteral("RENAME TABLE tblRolesAway TO tblRoles")); });
    answerer->clear();
    Child<QPushButton>(&dialog, "pushRolesManagement")->click();
    QCOMPARE(answerer->messages().size(), 1);
    QVERIFY2(answerer->messages().first().startsWith(QLatin1String("Roles|The roles can not be read.")),
             qPrintable(answerer->messages().first()));
}

// The server's port held by a program that takes connections and never answers: a page opened then tells so once,
// within the connect bound, and shows as soon as the message is answered, without waiting for the server again.
void TestBackofficeServerKill::pageOpenedWhileServerSilent()
{
    QFETCH(int, page);
    QFETCH(QString, message);
    SqlProxy proxy(server.host(), server.port());
    DatabaseManager* manager = DatabaseManager::Instance();
    DatabaseTest::ResetManager();
    manager->SetConnectionParameters(server.user(), server.password(), proxy.port(), proxy.host());
    const auto direct = qScopeGuard([this, manager] {
        DatabaseTest::ResetManager();
        manager->SetConnectionParameters(server.user(), server.password(), server.port(), server.host());
    });
    QVERIFY(manager->InventoryDatabase()->isOpen() && manager->SalesDatabase()->isOpen());
    proxy.setSilent(true);
    if (!answerer) // run in a part of its own, without the story's pages
        answerer = new ModalAnswerer(this);
    answerer->clear();
    QElapsedTimer told;
    told.start();
    const std::unique_ptr<QWidget> opened = open(Page(page));
    QVERIFY2(told.elapsed() < 12000, qPrintable(QString::number(told.elapsed())));
    QCOMPARE(answerer->messages().size(), 1);
    QVERIFY2(answerer->messages().first().startsWith(message), qPrintable(answerer->messages().first()));
}

namespace {
// The cases are the steps of one story (windows opened while the server is up, the server killed, started again,
// killed once more), each on what the steps before it left: a step named alone runs after the steps before it, so
// that it meets the windows and the outage it is about. The silent server's case needs no story, so that it can run
// in a part of its own. Arguments are QTest's own.
QStringList WithTheStepsBefore(const QMetaObject& test, const QStringList& arguments)
{
    const QStringList outsideTheStory{"initTestCase", "cleanupTestCase", "init", "cleanup",
                                      "pageOpenedWhileServerSilent"};
    QStringList steps;
    for (int i = test.methodOffset(); i < test.methodCount(); ++i) {
        const QMetaMethod method = test.method(i);
        const QString name = QString::fromLatin1(method.name());
        if (method.methodType() == QMetaMethod::Slot && method.access() == QMetaMethod::Private
            && method.parameterCount() == 0 && !outsideTheStory.contains(name) && !name.endsWith(QLatin1String("_data")))
            steps << name;
    }
    // The step an argument names ("step" or "step:row"), or -1 for the program and QTest's options.
    const auto stepOf = [&steps](const QString& argument) {
        return steps.indexOf(argument.section(QLatin1Char(':'), 0, 0));
    };
    int last = -1;
    for (const QString& argument : arguments.mid(1))
        last = qMax(last, stepOf(argument));
    if (last < 0)
        return arguments;
    QStringList run;
    for (const QString& argument : arguments)
        if (stepOf(argument) < 0)
            run << argument;
    for (int step = 0; step <= last; ++step) {
        QStringList asNamed;
        for (const QString& argument : arguments.mid(1))
            if (stepOf(argument) == step)
                asNamed << argument;
        run << (asNamed.isEmpty() ? QStringList{steps.at(step)} : asNamed);
    }
    return run;
}
} // namespace

int main(int argc, char* argv[])
{
    TestSupport::PrepareEnvironment();
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestBackofficeServerKill tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, WithTheStepsBefore(TestBackofficeServerKill::staticMetaObject, app.arguments()));
}
#include "tst_backofficeserverkill.moc"
