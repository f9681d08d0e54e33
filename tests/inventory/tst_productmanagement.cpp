#include "appsettings.h"
#include "caddnewitemsbatch.h"
#include "databasemanager.h"
#include "modalanswerer.h"
#include "pdfreader.h"
#include "productmanagement.h"
#include "reportprinter.h"
#include "stockfixture.h"
#include "testsupport.h"
#include "urlrecorder.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>

namespace {
const int CATEGORY = 1;
const int PRODUCT_CODE = 2;
const int PRODUCT_NAME = 3;
const int TAX_RATE = 7;
const int PRINT_UNIT = 10;
const int SERVICE_ITEM = 11;
const int STOCK_CODE = 3;
const int SALE_PRICE = 8;
const int POS_BUTTON = 11;

QStringList Column(QTableView* view, int column)
{
    QStringList out;
    for (int row = 0; row < view->model()->rowCount(); ++row)
        out << view->model()->index(row, column).data().toString();
    return out;
}
} // namespace

class TestProductManagement : public StockTest
{
    Q_OBJECT

private slots:
    void sortingSwitchAtThousandProducts_data();
    void sortingSwitchAtThousandProducts();
    void searchCombinesFieldsLiterally_data();
    void searchCombinesFieldsLiterally();
    void showAllKeepsCategory();
    void sortedListMatchesAPlainSort_data();
    void sortedListMatchesAPlainSort();
    void failedListIsReportedAndEmptiesTheStockTab();
    void stockTabFollowsCurrentProduct();
    void failedReadGivesTheServersReason_data();
    void failedReadGivesTheServersReason();
    void stockHeaderClickThatFailsIsReadAgain_data();
    void stockHeaderClickThatFailsIsReadAgain();
    void flagsShownAsYesOrNo();
    void deleteRefusesProductsWithStockAndGoesOn();
    void failedDeleteReportsTheDriverText();
    void failedStockDeleteIsReported();
    void longListIsExportedWhole();
    void longListIsPrintedWhole();
    void addAndEditFollowTheTab();
    void stockDialogSearchUsesThePicker();
    void stockTabEditKeepsSubItemsSoldMeanwhile();
    void pickerReturnsProductCode_data();
    void pickerReturnsProductCode();

private:
    void addSearchRows();
};

void TestProductManagement::sortingSwitchAtThousandProducts_data()
{
    QTest::addColumn<int>("products");
    QTest::addColumn<bool>("switchShown");
    QTest::newRow("999 products: sorted by category, no switch") << 999 << false;
    QTest::newRow("1000 products: database order, switch offered") << 1000 << true;
}

void TestProductManagement::sortingSwitchAtThousandProducts()
{
    QFETCH(int, products);
    QFETCH(bool, switchShown);
    QCOMPARE(run(QStringLiteral("INSERT INTO tblProductCategories (NAME) VALUES ('Zeta'), ('Alpha')")), QString());
    QCOMPARE(run(QStringLiteral("INSERT INTO tblProducts (CATEGORY_ID, PRODUCT_CODE, NAME) SELECT 2 - seq % 2, "
                                "CONCAT('C', seq), CONCAT('Product ', seq) FROM seq_1_to_%1").arg(products)),
             QString());
    ProductManagement page(nullptr, false);
    page.show();
    auto* view = Child<QTableView>(&page, "tableViewProducts");
    QCOMPARE(Child<QCheckBox>(&page, "checkEnableSorting")->isVisible(), switchShown);
    QCOMPARE(view->isSortingEnabled(), !switchShown);
    auto* proxy = qobject_cast<QSortFilterProxyModel*>(view->model());
    QCOMPARE(proxy->sortColumn(), switchShown ? -1 : CATEGORY);
    if (switchShown) {
        Child<QCheckBox>(&page, "checkEnableSorting")->setChecked(true);
        QCOMPARE(proxy->sortColumn(), CATEGORY);
    }
    QCOMPARE(view->model()->index(0, CATEGORY).data().toString(), QStringLiteral("Alpha"));
    QCOMPARE(view->model()->index(view->model()->rowCount() - 1, CATEGORY).data().toString(), QStringLiteral("Zeta"));
}

void TestProductManagement::addSearchRows()
{
    QString error = addProduct(QStringLiteral("T'1"), QStringLiteral("O'Brien tea"), QStringLiteral("Drinks"));
    error += addProduct(QStringLiteral("J100"), QStringLiteral("100% juice"), QStringLiteral("Drinks"));
    error += addProduct(QStringLiteral("J1000"), QStringLiteral("1000 juice"), QStringLiteral("Drinks"));
    error += addProduct(QStringLiteral("A_B"), QStringLiteral("a_b"), QStringLiteral("Misc"));
    error += addProduct(QStringLiteral("AXB"), QStringLiteral("axb juice"), QStringLiteral("Misc"));
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void TestProductManagement::searchCombinesFieldsLiterally_data()
{
    QTest::addColumn<QString>("category");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QStringList>("found");
    QTest::newRow("all empty lists every product") << "" << "" << ""
        << QStringList{QStringLiteral("O'Brien tea"), QStringLiteral("100% juice"), QStringLiteral("1000 juice"),
                       QStringLiteral("a_b"), QStringLiteral("axb juice")};
    QTest::newRow("apostrophe in the name") << "" << "'B" << "" << QStringList{QStringLiteral("O'Brien tea")};
    QTest::newRow("apostrophe in the code") << "" << "" << "T'" << QStringList{QStringLiteral("O'Brien tea")};
    QTest::newRow("percent sign") << "" << "0%" << "" << QStringList{QStringLiteral("100% juice")};
    QTest::newRow("underscore") << "" << "" << "_" << QStringList{QStringLiteral("a_b")};
    QTest::newRow("name and category") << "isc" << "juice" << "" << QStringList{QStringLiteral("axb juice")};
    QTest::newRow("all three") << "Drinks" << "juice" << "1000" << QStringList{QStringLiteral("1000 juice")};
}

void TestProductManagement::searchCombinesFieldsLiterally()
{
    QFETCH(QString, category);
    QFETCH(QString, name);
    QFETCH(QString, code);
    QFETCH(QStringList, found);
    addSearchRows();
    ProductManagement page(nullptr, false);
    Child<QLineEdit>(&page, "lineEditCategory")->setText(category);
    Child<QLineEdit>(&page, "editName")->setText(name);
    Child<QLineEdit>(&page, "editCode")->setText(code);
    QTest::keyClick(Child<QLineEdit>(&page, "editName"), Qt::Key_Return);
    QStringList shown = Column(Child<QTableView>(&page, "tableViewProducts"), PRODUCT_NAME);
    shown.sort();
    found.sort();
    QCOMPARE(shown, found);
    QCOMPARE(answerer->messages(), QStringList());
}

void TestProductManagement::sortedListMatchesAPlainSort_data()
{
    QTest::addColumn<int>("clicked"); // header clicked after ticking the box; -1: none
    QTest::addColumn<int>("products");
    QTest::newRow("box: by category") << -1 << 1000;
    QTest::newRow("box, then a header click: by name") << PRODUCT_NAME << 1000;
    QTest::newRow("box, then a header click: by code") << PRODUCT_CODE << 1000;
    QTest::newRow("box, then a header click: by tax rate, a number") << TAX_RATE << 1000;
    QTest::newRow("three blocks of rows: box, then a header click by name") << PRODUCT_NAME << 2100;
}

// Several products a category and names that differ only in case: the page's sorted list is, row for row and
// cell for cell, what a plain proxy makes of the same statement sorted the same way, after the box and again
// after a header click.
void TestProductManagement::sortedListMatchesAPlainSort()
{
    QFETCH(int, clicked);
    QFETCH(int, products);
    QCOMPARE(run(QStringLiteral("INSERT INTO tblProductCategories (NAME) VALUES ('Drinks'), ('Bakery'), ('apples')")),
             QString());
    QCOMPARE(run(QStringLiteral("INSERT INTO tblProducts (CATEGORY_ID, PRODUCT_CODE, NAME, ITEMS_PER_UNIT, TAX_RATE) "
                                "SELECT c.ID, CONCAT(ELT(1 + seq % 3, 'c', 'C', 'b'), LEFT(MD5(seq), 4), seq), "
                                "CONCAT(ELT(1 + seq % 4, 'Tea', 'tea', 'TEA', 'Rice'), ' ', seq % 5), seq % 7, seq % 11 "
                                "FROM seq_1_to_%1 JOIN tblProductCategories c "
                                "ON c.NAME = ELT(1 + seq % 3, 'Drinks', 'Bakery', 'apples')").arg(products)),
             QString());
    ProductManagement page(nullptr, false);
    page.show();
    auto* view = Child<QTableView>(&page, "tableViewProducts");
    auto* box = Child<QCheckBox>(&page, "checkEnableSorting");
    QVERIFY(box->isVisible());
    box->click();
    auto* proxy = qobject_cast<QSortFilterProxyModel*>(view->model());
    QCOMPARE(proxy->sortColumn(), CATEGORY);

    auto* source = qobject_cast<QSqlQueryModel*>(proxy->sourceModel());
    QSqlQueryModel plain;
    plain.setQuery(source->query().lastQuery(), *DatabaseManager::Instance()->InventoryDatabase());
    QSortFilterProxyModel reference;
    reference.setSourceModel(&plain);
    reference.sort(CATEGORY);
    // The page formats these columns for display; the others show the stored values.
    const QVector<int> formatted{4, TAX_RATE, PRINT_UNIT, SERVICE_ITEM};
    const auto rows = [&formatted](const QAbstractItemModel* model) {
        QStringList out;
        for (int row = 0; row < model->rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < model->columnCount(); ++column) {
                cells << model->index(row, column).data(Qt::EditRole).toString();
                if (!formatted.contains(column))
                    cells << model->index(row, column).data().toString();
            }
            out << cells.join(QLatin1Char('|'));
        }
        return out;
    };
    const QStringList expected = rows(&reference);
    QCOMPARE(expected.size(), products);
    QCOMPARE(rows(proxy), expected);
    if (clicked < 0)
        return;
    QHeaderView* header = view->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(header->sectionViewportPosition(clicked) + 5, header->height() / 2));
    QCOMPARE(proxy->sortColumn(), clicked);
    reference.sort(clicked);
    QCOMPARE(rows(proxy), rows(&reference));
}

void TestProductManagement::showAllKeepsCategory()
{
    addSearchRows();
    ProductManagement page(nullptr, false);
    Child<QLineEdit>(&page, "lineEditCategory")->setText(QStringLiteral("Misc"));
    Child<QLineEdit>(&page, "editName")->setText(QStringLiteral("juice"));
    Child<QLineEdit>(&page, "editCode")->setText(QStringLiteral("AXB"));
    // Each reads the list once.
    QSignalSpy reads(static_cast<QSortFilterProxyModel*>(Child<QTableView>(&page, "tableViewProducts")->model())->sourceModel(),
                     &QAbstractItemModel::modelReset);
    Child<QPushButton>(&page, "buttonSearch")->click();
    QCOMPARE(Child<QTableView>(&page, "tableViewProducts")->model()->rowCount(), 1);
    QCOMPARE(reads.count(), 1);
    Child<QPushButton>(&page, "buttonShowAll")->click();
    QCOMPARE(Child<QTableView>(&page, "tableViewProducts")->model()->rowCount(), 5);
    QCOMPARE(reads.count(), 2);
    QCOMPARE(Child<QLineEdit>(&page, "lineEditCategory")->text(), QStringLiteral("Misc"));
    QCOMPARE(Child<QLineEdit>(&page, "editName")->text(), QString());
    QCOMPARE(Child<QLineEdit>(&page, "editCode")->text(), QString());
}

void TestProductManagement::failedListIsReportedAndEmptiesTheStockTab()
{
    addSearchRows();
    QCOMPARE(addStock(QStringLiteral("J100"), QStringLiteral("S-J1"), 4), QString());
    ProductManagement page(nullptr, false);
    QVERIFY(SelectRow(Child<QTableView>(&page, "tableViewProducts"), PRODUCT_CODE, QStringLiteral("J100")));
    auto* stock = Child<QTableView>(&page, "tableViewInventory");
    QCOMPARE(stock->model()->rowCount(), 1);
    QCOMPARE(run(QStringLiteral("RENAME TABLE tblProductCategories TO tblCategoriesAway")), QString());
    answerer->pressButton(QMessageBox::Ok);
    Child<QPushButton>(&page, "buttonSearch")->click();
    QCOMPARE(run(QStringLiteral("RENAME TABLE tblCategoriesAway TO tblProductCategories")), QString());
    const QStringList messages = answerer->messages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().startsWith(QStringLiteral("Product Management|The list could not be read from the database:")),
             qPrintable(messages.first()));
    // The stock of a product no longer listed goes with it.
    QCOMPARE(stock->model()->rowCount(), 0);
}

void TestProductManagement::stockTabFollowsCurrentProduct()
{
    addSearchRows();
    QCOMPARE(addStock(QStringLiteral("J100"), QStringLiteral("S-J1"), 4, 1234567.89), QString());
    QCOMPARE(addStock(QStringLiteral("J100"), QStringLiteral("S-J2"), 2), QString());
    QCOMPARE(addStock(QStringLiteral("AXB"), QStringLiteral("S-X"), 1), QString());
    ProductManagement page(nullptr, false);
    auto* stock = Child<QTableView>(&page, "tableViewInventory");
    QCOMPARE(stock->model()->rowCount(), 0);
    QVERIFY(!Child<QPushButton>(&page, "buttonEdit")->isEnabled());

    QVERIFY(SelectRow(Child<QTableView>(&page, "tableViewProducts"), PRODUCT_CODE, QStringLiteral("J100")));
    QCOMPARE(page.GetSelectedProductCode(), QStringLiteral("J100"));
    QCOMPARE(Column(stock, STOCK_CODE), (QStringList{QStringLiteral("S-J1"), QStringLiteral("S-J2")}));
    // Double precision: a single-precision price would read 1,234,567.88.
    QCOMPARE(stock->model()->index(0, SALE_PRICE).data().toString(), QLocale().toString(1234567.89, 'f', 2));
    QCOMPARE(stock->horizontalHeader()->visualIndex(POS_BUTTON), 14);
    QVERIFY(Child<QPushButton>(&page, "buttonDelete")->isEnabled());
}

void TestProductManagement::stockHeaderClickThatFailsIsReadAgain_data()
{
    QTest::addColumn<bool>("dropped"); // the connection was dropped; otherwise the table is away
    QTest::newRow("connection dropped: read again, in the clicked order") << true;
    QTest::newRow("table away: told, and empty") << false;
}

// A header click sorts the stock tab by a read of its own, which does not reopen a dropped connection: when it fails
// the page reads the list itself, which tells why or, once it has read, sorts the list as clicked.
void TestProductManagement::stockHeaderClickThatFailsIsReadAgain()
{
    QFETCH(bool, dropped);
    addSearchRows();
    for (const char* code : {"S-J1", "S-J3", "S-J2"})
        QCOMPARE(addStock(QStringLiteral("J100"), QLatin1String(code), 1), QString());
    ProductManagement page(nullptr, false);
    page.show();
    QVERIFY(SelectRow(Child<QTableView>(&page, "tableViewProducts"), PRODUCT_CODE, QStringLiteral("J100")));
    auto* stock = Child<QTableView>(&page, "tableViewInventory");
    QCOMPARE(Column(stock, STOCK_CODE), (QStringList{"S-J1", "S-J3", "S-J2"}));
    if (dropped) {
        QSqlQuery id(*DatabaseManager::Instance()->InventoryDatabase());
        QVERIFY(id.exec(QStringLiteral("SELECT CONNECTION_ID()")) && id.next());
        QCOMPARE(run(QStringLiteral("KILL ") + id.value(0).toString()), QString());
    } else {
        QCOMPARE(run(QStringLiteral("RENAME TABLE tblInventory TO tblInventoryAway")), QString());
    }
    const auto restore = qScopeGuard([this, dropped] {
        if (!dropped)
            run(QStringLiteral("RENAME TABLE tblInventoryAway TO tblInventory"));
    });
    QHeaderView* header = stock->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(STOCK_CODE) + 4, header->height() / 2));
    QCOMPARE(header->sortIndicatorSection(), STOCK_CODE);
    if (dropped) {
        QCOMPARE(answerer->messages(), QStringList());
        QStringList sorted{"S-J1", "S-J2", "S-J3"};
        if (header->sortIndicatorOrder() == Qt::DescendingOrder)
            std::reverse(sorted.begin(), sorted.end());
        QCOMPARE(Column(stock, STOCK_CODE), sorted);
    } else {
        QCOMPARE(answerer->messages().size(), 1);
        QVERIFY2(answerer->messages().first().startsWith(
                     QStringLiteral("Product Management|The list could not be read from the database:")),
                 qPrintable(answerer->messages().first()));
        QCOMPARE(stock->model()->rowCount(), 0);
    }
}

void TestProductManagement::failedReadGivesTheServersReason_data()
{
    QTest::addColumn<QString>("table"); // taken away before the read
    QTest::addColumn<bool>("stock");    // the stock tab's read, else the products list's
    QTest::newRow("products list, its categories away") << "tblProductCategories" << false;
    QTest::newRow("stock tab, its vendors away") << "tblVendors" << true;
}

// The server is there and refuses the statement: the box gives its words.
void TestProductManagement::failedReadGivesTheServersReason()
{
    QFETCH(QString, table);
    QFETCH(bool, stock);
    addSearchRows();
    QCOMPARE(addStock(QStringLiteral("J100"), QStringLiteral("S-J1"), 4), QString());
    ProductManagement page(nullptr, false);
    auto* products = Child<QTableView>(&page, "tableViewProducts");
    if (stock)
        QVERIFY(SelectRow(products, PRODUCT_CODE, QStringLiteral("J1000")));
    QCOMPARE(run(QStringLiteral("RENAME TABLE %1 TO tblAway").arg(table)), QString());
    const auto restore = qScopeGuard([this, table] { run(QStringLiteral("RENAME TABLE tblAway TO %1").arg(table)); });
    if (stock)
        QVERIFY(SelectRow(products, PRODUCT_CODE, QStringLiteral("J100")));
    else
        Child<QPushButton>(&page, "buttonSearch")->click();
    QCOMPARE(answerer->messages().size(), 1);
    const QString told = answerer->messages().first();
    QVERIFY2(told.contains(table + QStringLiteral("' doesn't exist")), qPrintable(told));
}

void TestProductManagement::flagsShownAsYesOrNo()
{
    QCOMPARE(addProduct(QStringLiteral("F"), QStringLiteral("Flags")), QString());
    QCOMPARE(run(QStringLiteral("UPDATE tblProducts SET SERVICE_ITEM = 2, PRINT_UNIT_NAME = 0")), QString());
    QCOMPARE(addStock(QStringLiteral("F"), QStringLiteral("S2"), 1), QString());
    QCOMPARE(run(QStringLiteral("UPDATE tblInventory SET SHOW_ON_POS = 2")), QString());
    ProductManagement page(nullptr, false);
    auto* products = Child<QTableView>(&page, "tableViewProducts");
    QCOMPARE(products->model()->index(0, SERVICE_ITEM).data().toString(), QStringLiteral("YES"));
    QCOMPARE(products->model()->index(0, PRINT_UNIT).data().toString(), QStringLiteral("NO"));
    QVERIFY(SelectRow(products, PRODUCT_CODE, QStringLiteral("F")));
    QCOMPARE(Child<QTableView>(&page, "tableViewInventory")->model()->index(0, POS_BUTTON).data().toString(),
             QStringLiteral("NO"));
}

void TestProductManagement::deleteRefusesProductsWithStockAndGoesOn()
{
    addSearchRows();
    QCOMPARE(addStock(QStringLiteral("J100"), QStringLiteral("S-J1"), 4), QString());
    ProductManagement page(nullptr, false);
    auto* view = Child<QTableView>(&page, "tableViewProducts");
    for (const char* code : {"T'1", "J100", "A_B"}) {
        const QModelIndexList found = view->model()->match(view->model()->index(0, PRODUCT_CODE), Qt::DisplayRole,
                                                           QLatin1String(code), 1, Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        view->selectionModel()->setCurrentIndex(found.first(), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    answerer->pressButton(QMessageBox::Yes);
    answerer->pressButton(QMessageBox::Ok);
    Child<QPushButton>(&page, "buttonDelete")->click();
    QCOMPARE(answerer->messages(),
             (QStringList{QStringLiteral("Delete Product|Do you really want to delete [3] selected products?"),
                          QStringLiteral("Error|Can not delete product with code [J100] because inventory exists against "
                                         "this product. Please delete stock first from inventory tab and then delete product.")}));
    QCOMPARE(rows(QStringLiteral("SELECT PRODUCT_CODE FROM tblProducts ORDER BY ID")),
             (QStringList{QStringLiteral("J100"), QStringLiteral("J1000"), QStringLiteral("AXB")}));
    QCOMPARE(view->model()->rowCount(), 3);
}

void TestProductManagement::failedDeleteReportsTheDriverText()
{
    addSearchRows();
    QCOMPARE(fixture.exec({QStringLiteral("CREATE TRIGGER held BEFORE DELETE ON tblProducts FOR EACH ROW "
                                          "IF OLD.PRODUCT_CODE = 'J1000' THEN SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = "
                                          "'listed in a price file'; END IF")}),
             QString());
    ProductManagement page(nullptr, false);
    auto* view = Child<QTableView>(&page, "tableViewProducts");
    for (const char* code : {"J1000", "AXB"}) {
        const QModelIndexList found = view->model()->match(view->model()->index(0, PRODUCT_CODE), Qt::DisplayRole,
                                                           QLatin1String(code), 1, Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        view->selectionModel()->setCurrentIndex(found.first(), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    answerer->pressButton(QMessageBox::Yes);
    answerer->pressButton(QMessageBox::Ok);
    Child<QPushButton>(&page, "buttonDelete")->click();
    const QStringList messages = answerer->messages();
    QCOMPARE(messages.size(), 2);
    QVERIFY2(messages.at(1).startsWith(QStringLiteral("Error|Can not delete this product due to some system error.\n"))
                 && messages.at(1).contains(QStringLiteral("listed in a price file")),
             qPrintable(messages.at(1)));
    QCOMPARE(rows(QStringLiteral("SELECT PRODUCT_CODE FROM tblProducts WHERE PRODUCT_CODE IN ('J1000', 'AXB')")),
             QStringList{QStringLiteral("J1000")});
}

void TestProductManagement::failedStockDeleteIsReported()
{
    addSearchRows();
    for (const char* code : {"S-1", "S-2", "S-3"})
        QCOMPARE(addStock(QStringLiteral("J100"), QLatin1String(code), 1), QString());
    QCOMPARE(fixture.exec({QStringLiteral("CREATE TRIGGER held BEFORE DELETE ON tblInventory FOR EACH ROW "
                                          "IF OLD.BAR_CODE = 'S-2' THEN SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = "
                                          "'counted in a stock take'; END IF")}),
             QString());
    ProductManagement page(nullptr, false);
    QVERIFY(SelectRow(Child<QTableView>(&page, "tableViewProducts"), PRODUCT_CODE, QStringLiteral("J100")));
    Child<QTabWidget>(&page, "tabWidget")->setCurrentIndex(1);
    Child<QTableView>(&page, "tableViewInventory")->selectAll();
    answerer->pressButton(QMessageBox::Yes);
    answerer->pressButton(QMessageBox::Ok);
    Child<QPushButton>(&page, "buttonDelete")->click();
    const QStringList messages = answerer->messages();
    QCOMPARE(messages.size(), 2);
    QCOMPARE(messages.first(), QStringLiteral("Delete Inventory|Do you really want to delete [3] selected stocks?"));
    QVERIFY2(messages.at(1).startsWith(QStringLiteral("Error|Can not delete stock [S-2]: counted in a stock take")),
             qPrintable(messages.at(1)));
    QCOMPARE(rows(QStringLiteral("SELECT BAR_CODE FROM tblInventory")), QStringList{QStringLiteral("S-2")});
    QCOMPARE(Child<QTableView>(&page, "tableViewInventory")->model()->rowCount(), 1);
}

void TestProductManagement::longListIsExportedWhole()
{
    QCOMPARE(run(QStringLiteral("INSERT INTO tblProductCategories (NAME) VALUES ('Bulk')")), QString());
    QCOMPARE(run(QStringLiteral("INSERT INTO tblProducts (CATEGORY_ID, PRODUCT_CODE, NAME) SELECT 1, "
                                "CONCAT('C', LPAD(seq, 3, '0')), 'Bulk product' FROM seq_1_to_310")),
             QString());
    ProductManagement page(nullptr, false);
    const QString folder = TestSupport::ScratchDir() + QStringLiteral("/export");
    QDir(folder).removeRecursively();
    QVERIFY(QDir().mkpath(folder));
    answerer->handle([&folder](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        if (!dialog)
            return false;
        dialog->setDirectory(folder);
        static_cast<QDialog*>(dialog)->accept();
        return true;
    });
    answerer->pressButton(QMessageBox::Ok);
    Child<QPushButton>(&page, "pushExport")->click();
    const QStringList files = QDir(folder).entryList({QStringLiteral("Products_data_export_*.csv")});
    QCOMPARE(files.size(), 1);
    const QStringList lines = QString::fromUtf8(TestSupport::ReadFile(folder + QLatin1Char('/') + files.first()))
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 311);
    QVERIFY2(lines.last().contains(QStringLiteral("C310")) || lines.join(QLatin1Char(' ')).contains(QStringLiteral("C310")),
             qPrintable(lines.last()));
}

void TestProductManagement::longListIsPrintedWhole()
{
    QCOMPARE(run(QStringLiteral("INSERT INTO tblProductCategories (NAME) VALUES ('Bulk')")), QString());
    QCOMPARE(run(QStringLiteral("INSERT INTO tblProducts (CATEGORY_ID, PRODUCT_CODE, NAME) SELECT 1, "
                                "CONCAT('C', LPAD(seq, 3, '0')), 'Bulk' FROM seq_1_to_310")),
             QString());
    // Only the product code: one narrow column keeps every code on one line of the printed table.
    ColumnVisibility& columns = AppSettings::Instance()->productColumns;
    for (int column = 0; column < 12; ++column)
        columns.append(qMakePair(QString::number(column), column == PRODUCT_CODE));
    ProductManagement page(nullptr, false);
    columns.clear();
    UrlRecorder opened;
    answerer->handleClass("Selector", [](QWidget* selector) { Child<QPushButton>(selector, "pushOk")->click(); });
    Child<QPushButton>(&page, "pushSaveAsPDF")->click();
    QTRY_COMPARE_WITH_TIMEOUT(opened.urls.size(), 1, 60000);
    const QString text = PdfReader::Text(ReportPrinter::PdfPath());
    QVERIFY(text.contains(QStringLiteral("PRODUCTS REPORT")));
    QCOMPARE(text.count(QRegularExpression(QStringLiteral("\\bC\\d{3}\\b"))), 310);
}

void TestProductManagement::pickerReturnsProductCode_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("code");
    QTest::newRow("double click on a row") << "double click" << "J1000";
    QTest::newRow("Close after a row was current") << "close" << "A_B";
    QTest::newRow("Close with no row ever current") << "close" << "";
}

void TestProductManagement::pickerReturnsProductCode()
{
    QFETCH(QString, how);
    QFETCH(QString, code);
    addSearchRows();
    // A caller of its own, as the purchase-order item dialog runs the picker.
    answerer->handle([how, code](QWidget* modal) {
        auto* page = modal->findChild<ProductManagement*>();
        if (!page || page->findChild<QWidget*>(QStringLiteral("groupBox_3"))->isVisible())
            return false;
        auto* view = Child<QTableView>(page, "tableViewProducts");
        if (!code.isEmpty() && !SelectRow(view, PRODUCT_CODE, code))
            return false;
        if (how == QLatin1String("double click"))
            emit view->doubleClicked(view->currentIndex());
        else
            Child<QPushButton>(page, "pushButton")->click();
        return true;
    });
    QCOMPARE(ProductManagement::PickProductCode(nullptr), code);
}

void TestProductManagement::addAndEditFollowTheTab()
{
    addSearchRows();
    QCOMPARE(addStock(QStringLiteral("J100"), QStringLiteral("S-J1"), 4), QString());
    QCOMPARE(addStock(QStringLiteral("J100"), QStringLiteral("S-J2"), 2), QString());
    ProductManagement page(nullptr, false);
    auto* tabs = Child<QTabWidget>(&page, "tabWidget");
    auto* status = Child<QLabel>(&page, "labelStatus");

    // Stock tab before any product was current: the user is told what to do.
    tabs->setCurrentIndex(1);
    Child<QPushButton>(&page, "buttonAddNew")->click();
    QCOMPARE(status->text(), QStringLiteral("SELECT PRODUCT FROM PRODUCTS TAB, THEN CLICK ON INVENTORY TAB TO EDIT STOCK."));
    QVERIFY(!Child<QPushButton>(&page, "buttonEdit")->isEnabled());

    tabs->setCurrentIndex(0);
    auto* products = Child<QTableView>(&page, "tableViewProducts");
    QVERIFY(SelectRow(products, PRODUCT_CODE, QStringLiteral("J100")));
    QStringList opened;
    const auto record = [&opened](const char* field) {
        return [&opened, field](QWidget* dialog) {
            opened << QString::fromLatin1(dialog->metaObject()->className()) + QLatin1Char(' ')
                          + Child<QLineEdit>(dialog, field)->text();
            static_cast<QDialog*>(dialog)->reject();
        };
    };
    answerer->handleClass("AddEditProductDialog", record("editCode"));
    emit products->doubleClicked(products->currentIndex());
    answerer->handleClass("AddEditProductDialog", record("editCode"));
    Child<QPushButton>(&page, "buttonAddNew")->click();

    tabs->setCurrentIndex(1);
    auto* stock = Child<QTableView>(&page, "tableViewInventory");
    Child<QPushButton>(&page, "buttonEdit")->click();
    QCOMPARE(status->text(), QStringLiteral("SELECT THE STOCK FROM INVENTORY TAB TO EDIT"));
    QVERIFY(SelectRow(stock, STOCK_CODE, QStringLiteral("S-J2")));
    answerer->handleClass("CAddNewItemsBatch", record("lineEditBarCode"));
    Child<QPushButton>(&page, "buttonEdit")->click();
    answerer->handleClass("CAddNewItemsBatch", record("editProductCode"));
    Child<QPushButton>(&page, "buttonAddNew")->click();
    QCOMPARE(opened, (QStringList{QStringLiteral("AddEditProductDialog J100"), QStringLiteral("AddEditProductDialog "),
                                  QStringLiteral("CAddNewItemsBatch S-J2"), QStringLiteral("CAddNewItemsBatch J100")}));
}

void TestProductManagement::stockDialogSearchUsesThePicker()
{
    addSearchRows();
    CAddNewItemsBatch dialog(nullptr);
    answerer->handle([](QWidget* modal) {
        auto* page = modal->findChild<ProductManagement*>();
        if (!page || modal->size() != QSize(800, 600))
            return false;
        auto* view = Child<QTableView>(page, "tableViewProducts");
        if (!SelectRow(view, PRODUCT_CODE, QStringLiteral("AXB")))
            return false;
        emit view->doubleClicked(view->currentIndex());
        return true;
    });
    auto* search = Child<QPushButton>(&dialog, "pushSelectProduct");
    QVERIFY(search->isEnabled());
    search->click();
    QCOMPARE(Child<QLineEdit>(&dialog, "editProductCode")->text(), QStringLiteral("AXB"));
    QCOMPARE(Child<QLineEdit>(&dialog, "lineName")->text(), QStringLiteral("axb juice"));
}

void TestProductManagement::stockTabEditKeepsSubItemsSoldMeanwhile()
{
    QCOMPARE(addProduct(QStringLiteral("P1"), QStringLiteral("cider")), QString());
    QCOMPARE(addStock(QStringLiteral("P1"), QStringLiteral("S1"), 10), QString());
    QCOMPARE(run(QStringLiteral("UPDATE tblProducts SET ITEMS_PER_UNIT = 12")), QString());
    QCOMPARE(run(QStringLiteral("UPDATE tblInventory SET SUB_ITEMS = 5")), QString());
    AppSettings::Instance()->settings->setValue(QStringLiteral("SUB_ITEMS_MODE"), QStringLiteral("y"));
    ProductManagement page(nullptr, false);
    QVERIFY(SelectRow(Child<QTableView>(&page, "tableViewProducts"), PRODUCT_CODE, QStringLiteral("P1")));
    Child<QTabWidget>(&page, "tabWidget")->setCurrentIndex(1);
    QVERIFY(SelectRow(Child<QTableView>(&page, "tableViewInventory"), STOCK_CODE, QStringLiteral("S1")));

    // A till sells 7 of the 12 pieces while the dialog is open; the user adds 2 units.
    QString shown;
    answerer->handleClass("CAddNewItemsBatch", [this, &shown](QWidget* dialog) {
        QVERIFY(!Child<QLineEdit>(dialog, "editSubItems")->isHidden());
        QCOMPARE(run(QStringLiteral("UPDATE tblInventory SET QUANTITY = 9, SUB_ITEMS = 10")), QString());
        Child<QLineEdit>(dialog, "lineQuantity")->setText(QStringLiteral("12"));
        Child<QPushButton>(dialog, "pushButtonUpdate")->click();
        shown = Child<QLabel>(dialog, "labelStatus")->text() + QLatin1Char('|')
                + Child<QLineEdit>(dialog, "lineQuantity")->text() + QLatin1Char('|')
                + Child<QLineEdit>(dialog, "editSubItems")->text();
        static_cast<QDialog*>(dialog)->reject();
    });
    Child<QPushButton>(&page, "buttonEdit")->click();
    QCOMPARE(shown, QStringLiteral("Stock with code S1 updated successfully|11|10"));
    QCOMPARE(rows(QStringLiteral("SELECT QUANTITY, SUB_ITEMS FROM tblInventory")), QStringList{"11|10"});
}

VORANTEL_TEST_MAIN(TestProductManagement)
#include "tst_productmanagement.moc"
