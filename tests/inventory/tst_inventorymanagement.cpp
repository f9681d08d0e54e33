#include "appsettings.h"
#include "barcodesettings.h"
#include "inventorymanagement.h"
#include "modalanswerer.h"
#include "pdfreader.h"
#include "reportprinter.h"
#include "stockfixture.h"
#include "testsupport.h"
#include "urlrecorder.h"
#include "voranteldialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>
#include <QPushButton>
#include <QScopeGuard>
#include <QHeaderView>
#include <QSettings>
#include <QTableView>
#include <QTextEdit>
#include <QTextStream>
#include <QtTest>

namespace {
const int STOCK_CODE = 3;
const int PRODUCT_NAME = 6;
const int SALE_PRICE = 13;

QStringList Column(QTableView* view, int column)
{
    QStringList out;
    for (int row = 0; row < view->model()->rowCount(); ++row)
        out << view->model()->index(row, column).data().toString();
    return out;
}
} // namespace

class TestInventoryManagement : public StockTest
{
    Q_OBJECT

private slots:
    void sortingSwitchAtThousandRows_data();
    void sortingSwitchAtThousandRows();
    void searchTakesTextLiterally_data();
    void searchTakesTextLiterally();
    void searchKeepsFilterOnRefresh();
    void failedListIsReported();
    void columnsArrangedOnceAcrossTwoFailedReads();
    void deleteReportsEachFailureAndGoesOn();
    void longListIsPrintedWhole();
    void longListGoesWholeToTheLabels();
    void sortedListShowsTheRowsOfEachSearch();
    void sortedListGoesOutInItsOrder_data();
    void sortedListGoesOutInItsOrder();
    void amountsInTheDisplayLocale();
    void numbersAndDatesSortByValue_data();
    void numbersAndDatesSortByValue();
    void selectModeDoubleClickChoosesAndCloses();
    void missingPictureSaysNotFound();
    void addAndEditOpenTheStockDialog();
    void editKeepsSubItemsSoldMeanwhile();
    void hiddenColumnStaysHiddenInLaterPages();

private:
    void addSearchRows();
};

void TestInventoryManagement::sortingSwitchAtThousandRows_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("switchShown");
    QTest::newRow("999 rows: sorted, no switch") << 999 << false;
    QTest::newRow("1000 rows: database order, switch offered") << 1000 << true;
}

void TestInventoryManagement::sortingSwitchAtThousandRows()
{
    QFETCH(int, rows);
    QFETCH(bool, switchShown);
    QCOMPARE(addManyStock(rows), QString());
    InventoryManagement page(nullptr, false);
    page.show();
    auto* view = Child<QTableView>(&page, "tableViewItems");
    auto* sorting = Child<QCheckBox>(&page, "checkEnableSorting");
    QCOMPARE(sorting->isVisible(), switchShown);
    QCOMPARE(view->isSortingEnabled(), !switchShown);
    QVERIFY(!sorting->isChecked());
    if (switchShown) {
        sorting->setChecked(true);
        QVERIFY(view->isSortingEnabled());
        QCOMPARE(view->horizontalHeader()->sortIndicatorSection(), STOCK_CODE);
    }
}

void TestInventoryManagement::addSearchRows()
{
    const QStringList names{QStringLiteral("O'Brien tea"), QStringLiteral("100% juice"), QStringLiteral("1000 juice"),
                            QStringLiteral("a_b"), QStringLiteral("axb"), QStringLiteral("back\\slash"),
                            QStringLiteral("backslash")};
    QString error;
    for (int i = 0; i < names.size(); ++i) {
        error += addProduct(QStringLiteral("P%1").arg(i), names.at(i), i < 3 ? QStringLiteral("Drinks") : QStringLiteral("Misc"));
        error += addStock(QStringLiteral("P%1").arg(i), QStringLiteral("S%1").arg(i), i, 1.0,
                          i % 2 ? QStringLiteral("Front") : QStringLiteral("Back"));
    }
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void TestInventoryManagement::searchTakesTextLiterally_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("found");
    QTest::newRow("apostrophe") << "editName" << "O'B" << QStringList{QStringLiteral("O'Brien tea")};
    QTest::newRow("percent sign") << "editName" << "0%" << QStringList{QStringLiteral("100% juice")};
    QTest::newRow("underscore") << "editName" << "a_" << QStringList{QStringLiteral("a_b")};
    QTest::newRow("backslash") << "editName" << "k\\s" << QStringList{QStringLiteral("back\\slash")};
    QTest::newRow("stock code") << "editCode" << "S4" << QStringList{QStringLiteral("axb")};
    QTest::newRow("category") << "lineCategory" << "rink"
                              << QStringList{QStringLiteral("O'Brien tea"), QStringLiteral("100% juice"), QStringLiteral("1000 juice")};
    QTest::newRow("location") << "lineLocation" << "Front"
                              << QStringList{QStringLiteral("100% juice"), QStringLiteral("a_b"), QStringLiteral("back\\slash")};
    QTest::newRow("empty fields list all") << "editName" << ""
                                           << QStringList{QStringLiteral("O'Brien tea"), QStringLiteral("100% juice"),
                                                          QStringLiteral("1000 juice"), QStringLiteral("a_b"),
                                                          QStringLiteral("axb"), QStringLiteral("back\\slash"),
                                                          QStringLiteral("backslash")};
}

void TestInventoryManagement::searchTakesTextLiterally()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QStringList, found);
    addSearchRows();
    InventoryManagement page(nullptr, false);
    auto* edit = page.findChild<QLineEdit*>(field);
    QVERIFY(edit);
    edit->setText(text);
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(Column(Child<QTableView>(&page, "tableViewItems"), PRODUCT_NAME), found);
    QCOMPARE(answerer->messages(), QStringList());
}

void TestInventoryManagement::searchKeepsFilterOnRefresh()
{
    addSearchRows();
    InventoryManagement page(nullptr, false);
    auto* view = Child<QTableView>(&page, "tableViewItems");
    Child<QLineEdit>(&page, "editName")->setText(QStringLiteral("juice"));
    Child<QPushButton>(&page, "buttonSearch")->click();
    QCOMPARE(view->model()->rowCount(), 2);

    // Deleting one of the two found rows shows the one left, not the whole list.
    QVERIFY(SelectRow(view, STOCK_CODE, QStringLiteral("S1")));
    view->selectRow(view->currentIndex().row());
    answerer->pressButton(QMessageBox::Yes);
    Child<QPushButton>(&page, "buttonDelete")->click();
    QCOMPARE(Column(view, PRODUCT_NAME), QStringList{QStringLiteral("1000 juice")});
    QCOMPARE(answerer->messages(),
             QStringList{QStringLiteral("Delete Inventory Item|Do you really want to delete 1 selected stock item(s)?")});

    Child<QPushButton>(&page, "buttonShowAll")->click();
    QCOMPARE(view->model()->rowCount(), 6);
}

void TestInventoryManagement::failedListIsReported()
{
    addSearchRows();
    InventoryManagement page(nullptr, false);
    QCOMPARE(run(QStringLiteral("RENAME TABLE tblVendors TO tblVendorsAway")), QString());
    answerer->pressButton(QMessageBox::Ok);
    Child<QPushButton>(&page, "buttonShowAll")->click();
    QCOMPARE(run(QStringLiteral("RENAME TABLE tblVendorsAway TO tblVendors")), QString());
    const QStringList messages = answerer->messages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().startsWith(QStringLiteral("Manage Inventory|The list could not be read from the database:"))
                 && messages.first().contains(QStringLiteral("tblVendors")),
             qPrintable(messages.first()));
}

// A page whose list had no columns arranges them when they first come; a later read that fails takes them away again,
// and they come back as they were, not arranged a second time.
void TestInventoryManagement::columnsArrangedOnceAcrossTwoFailedReads()
{
    addSearchRows();
    const auto table = [this](bool away) {
        return run(away ? QStringLiteral("RENAME TABLE tblInventory TO tblInventoryAway")
                        : QStringLiteral("RENAME TABLE tblInventoryAway TO tblInventory"));
    };
    QCOMPARE(table(true), QString());
    auto restore = qScopeGuard([&table] { table(false); });
    InventoryManagement page(nullptr, false);
    auto* view = Child<QTableView>(&page, "tableViewItems");
    QHeaderView* header = view->horizontalHeader();
    const auto arranged = [header] {
        QStringList titles;
        for (int visual = 0; visual < header->count(); ++visual) {
            const int column = header->logicalIndex(visual);
            titles << header->model()->headerData(column, Qt::Horizontal).toString()
                          + (header->isSectionHidden(column) ? QStringLiteral(" (hidden)") : QString());
        }
        return titles;
    };
    QCOMPARE(header->count(), 0);
    QCOMPARE(table(false), QString());
    Child<QPushButton>(&page, "buttonShowAll")->click();
    const QStringList first = arranged();
    QVERIFY2(first.indexOf(QStringLiteral("Product Code")) < first.indexOf(QStringLiteral("Category")),
             qPrintable(first.join(QLatin1Char(','))));

    QCOMPARE(table(true), QString());
    Child<QPushButton>(&page, "buttonShowAll")->click();
    QCOMPARE(header->count(), 0);
    QCOMPARE(table(false), QString());
    restore.dismiss();
    Child<QPushButton>(&page, "buttonShowAll")->click();
    QCOMPARE(arranged(), first);
    QCOMPARE(answerer->seen.size(), 2); // each run of failed reads is told
}

void TestInventoryManagement::deleteReportsEachFailureAndGoesOn()
{
    addSearchRows();
    QCOMPARE(fixture.exec({QStringLiteral("CREATE TRIGGER held BEFORE DELETE ON tblInventory FOR EACH ROW "
                                          "IF OLD.BAR_CODE = 'S2' THEN SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = "
                                          "'counted in a stock take'; END IF")}),
             QString());
    InventoryManagement page(nullptr, false);
    auto* view = Child<QTableView>(&page, "tableViewItems");
    for (const char* code : {"S1", "S2", "S3"}) {
        const QModelIndexList found = view->model()->match(view->model()->index(0, STOCK_CODE), Qt::DisplayRole,
                                                           QLatin1String(code), 1, Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        view->selectionModel()->setCurrentIndex(found.first(), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    answerer->pressButton(QMessageBox::Yes);
    answerer->pressButton(QMessageBox::Ok);
    Child<QPushButton>(&page, "buttonDelete")->click();
    QCOMPARE(answerer->messages(),
             (QStringList{QStringLiteral("Delete Inventory Item|Do you really want to delete 3 selected stock item(s)?"),
                          QStringLiteral("Delete Inventory Item|Can not delete stock [S2]: counted in a stock take "
                                         "QMYSQL3: Unable to execute statement")}));
    QCOMPARE(rows(QStringLiteral("SELECT BAR_CODE FROM tblInventory WHERE BAR_CODE IN ('S1', 'S2', 'S3')")),
             QStringList{QStringLiteral("S2")});
    QCOMPARE(view->model()->rowCount(), 5);
}

void TestInventoryManagement::longListIsPrintedWhole()
{
    QCOMPARE(addManyStock(310), QString());
    // One narrow column keeps every code on one line of the printed table.
    ColumnVisibility& columns = AppSettings::Instance()->inventoryColumns;
    for (int column = 0; column < 20; ++column)
        columns.append(qMakePair(QString::number(column), column == STOCK_CODE));
    InventoryManagement page(nullptr, false);
    columns.clear();
    UrlRecorder opened;
    answerer->handleClass("Selector", [](QWidget* selector) { Child<QPushButton>(selector, "pushOk")->click(); });
    Child<QPushButton>(&page, "pushSaveAsPDF")->click();
    QTRY_COMPARE_WITH_TIMEOUT(opened.urls.size(), 1, 60000);
    const QString text = PdfReader::Text(ReportPrinter::PdfPath());
    QVERIFY(text.contains(QStringLiteral("INVENTORY REPORT")));
    for (const char* code : {"B0001", "B0256", "B0257", "B0310"})
        QVERIFY2(text.contains(QLatin1String(code)), code);
    QCOMPARE(text.count(QRegularExpression(QStringLiteral("\\bB\\d{4}\\b"))), 310);
}

void TestInventoryManagement::longListGoesWholeToTheLabels()
{
    // Past the sorting limit the list is not sorted, so nothing but the dialog fetches beyond the first rows.
    QCOMPARE(addManyStock(1100), QString());
    InventoryManagement page(nullptr, false);
    QStringList codes;
    answerer->handleClass("BarcodeSettings", [&codes](QWidget* dialog) {
        QVERIFY(Child<QRadioButton>(dialog, "radioPrintingMode")->isChecked());
        codes = BarcodeSettings::Lines(Child<QTextEdit>(dialog, "textEditCodeValues")->toPlainText());
        static_cast<QDialog*>(dialog)->reject();
    });
    Child<QPushButton>(&page, "pushBarcodes")->click();
    QCOMPARE(codes.size(), 1100);
    QCOMPARE(codes.last(), QStringLiteral("B1100"));
}

// Two searches of as many rows, then Show All, on a list sorted by stock code: each shows its own rows.
void TestInventoryManagement::sortedListShowsTheRowsOfEachSearch()
{
    const QStringList codes{QStringLiteral("T3"), QStringLiteral("T1"), QStringLiteral("T2"),
                            QStringLiteral("R2"), QStringLiteral("R3"), QStringLiteral("R1")};
    QString error;
    for (int i = 0; i < codes.size(); ++i) {
        error += addProduct(QStringLiteral("P%1").arg(i), QStringLiteral("%1 %2").arg(i < 3 ? "Tea" : "Rice").arg(i));
        error += addStock(QStringLiteral("P%1").arg(i), codes.at(i), 10 + i);
    }
    QVERIFY2(error.isEmpty(), qPrintable(error));
    InventoryManagement page(nullptr, false);
    page.show();
    auto* view = Child<QTableView>(&page, "tableViewItems");
    QCOMPARE(view->horizontalHeader()->sortIndicatorSection(), STOCK_CODE);
    const auto shown = [view] {
        QStringList rows;
        for (int row = 0; row < view->model()->rowCount(); ++row)
            rows << QStringLiteral("%1|%2|%3").arg(view->model()->index(row, STOCK_CODE).data().toString(),
                                                   view->model()->index(row, PRODUCT_NAME).data().toString(),
                                                   view->model()->index(row, 10).data().toString());
        return rows;
    };
    auto* name = Child<QLineEdit>(&page, "editName");
    name->setText(QStringLiteral("Tea"));
    QTest::keyClick(name, Qt::Key_Return);
    QCOMPARE(shown(), QStringList({"T1|Tea 1|11", "T2|Tea 2|12", "T3|Tea 0|10"}));
    name->setText(QStringLiteral("Rice"));
    QTest::keyClick(name, Qt::Key_Return);
    QCOMPARE(shown(), QStringList({"R1|Rice 5|15", "R2|Rice 3|13", "R3|Rice 4|14"}));
    Child<QPushButton>(&page, "buttonShowAll")->click();
    QCOMPARE(shown(), QStringList({"R1|Rice 5|15", "R2|Rice 3|13", "R3|Rice 4|14", "T1|Tea 1|11", "T2|Tea 2|12",
                                   "T3|Tea 0|10"}));
}

void TestInventoryManagement::sortedListGoesOutInItsOrder_data()
{
    QTest::addColumn<QString>("reader");
    QTest::newRow("print HTML") << "html";
    QTest::newRow("label dialog fill") << "labels";
}

// The list sorted by product name, not in the database's order, prints and labels its rows as shown.
void TestInventoryManagement::sortedListGoesOutInItsOrder()
{
    QFETCH(QString, reader);
    const QStringList names{QStringLiteral("Kiwi"), QStringLiteral("apple"), QStringLiteral("Banana"),
                            QStringLiteral("cherry")};
    QString error;
    for (int i = 0; i < names.size(); ++i) {
        error += addProduct(QStringLiteral("P%1").arg(i), names.at(i));
        error += addStock(QStringLiteral("P%1").arg(i), QStringLiteral("S%1").arg(i), 1, 1.25 + i);
    }
    QVERIFY2(error.isEmpty(), qPrintable(error));
    InventoryManagement page(nullptr, false);
    page.show();
    auto* view = Child<QTableView>(&page, "tableViewItems");
    view->sortByColumn(PRODUCT_NAME, Qt::AscendingOrder);
    QStringList expected;
    for (int i : {2, 0, 1, 3})
        expected << QStringLiteral("S%1|%2|%3").arg(i).arg(names.at(i), QLocale().toString(1.25 + i, 'f', 2));

    QStringList written;
    if (reader == QLatin1String("html")) {
        QString html;
        QTextStream out(&html);
        ReportPrinter(&page).TableViewToHtml(QStringLiteral("T"), &out, view, nullptr);
        out.flush();
        QVector<int> printed;
        for (int column = 0; column < view->model()->columnCount(); ++column) {
            if (!view->isColumnHidden(column))
                printed << column;
        }
        const QRegularExpression cell(QStringLiteral("<td bkcolor=0>(.*?)</td>"));
        for (const QString& row : html.split(QStringLiteral("<tr>")).mid(1)) {
            QStringList cells;
            for (auto match = cell.globalMatch(row); match.hasNext();)
                cells << match.next().captured(1);
            written << QStringLiteral("%1|%2|%3").arg(cells.value(printed.indexOf(STOCK_CODE)),
                                                      cells.value(printed.indexOf(PRODUCT_NAME)),
                                                      cells.value(printed.indexOf(SALE_PRICE)));
        }
    } else {
        BarcodeSettings dialog(nullptr, view);
        const QStringList codes = BarcodeSettings::Lines(Child<QTextEdit>(&dialog, "textEditCodeValues")->toPlainText());
        const QStringList labelNames = BarcodeSettings::Lines(Child<QTextEdit>(&dialog, "textProductNames")->toPlainText());
        const QStringList prices = BarcodeSettings::Lines(Child<QTextEdit>(&dialog, "textPricesValues")->toPlainText());
        QCOMPARE(labelNames.size(), codes.size());
        QCOMPARE(prices.size(), codes.size());
        for (int i = 0; i < codes.size(); ++i)
            written << QStringLiteral("%1|%2|%3").arg(codes.at(i), labelNames.at(i), prices.at(i));
    }
    QCOMPARE(written, expected);
}

void TestInventoryManagement::amountsInTheDisplayLocale()
{
    QCOMPARE(addProduct(QStringLiteral("P"), QStringLiteral("Tractor")), QString());
    QCOMPARE(addStock(QStringLiteral("P"), QStringLiteral("T1"), 1234, 1234567.89), QString());
    InventoryManagement page(nullptr, false);
    auto* view = Child<QTableView>(&page, "tableViewItems");
    QCOMPARE(view->model()->index(0, SALE_PRICE).data().toString(), QLocale().toString(1234567.89, 'f', 2));
    QCOMPARE(view->model()->index(0, 10).data().toString(), QLocale().toString(1234));
}

void TestInventoryManagement::numbersAndDatesSortByValue_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("order");
    QTest::addColumn<QStringList>("shown");
    const int down = Qt::DescendingOrder;
    QTest::newRow("Quantity") << 10 << down << QStringList{"1,000", "900", "7", "5"};
    // 999.40 after 999.20 in the list's own order: the two equal as whole numbers would stay in that order.
    QTest::newRow("Sale Price") << SALE_PRICE << down << QStringList{"2,743.33", "1,000.00", "999.40", "999.20"};
    QTest::newRow("Expiry, day first") << 8 << down << QStringList{"01-12-2026", "08-11-2026", "", ""};
    // Stock without expiry after some with one in the list's own order.
    QTest::newRow("Expiry ascending, none first") << 8 << int(Qt::AscendingOrder)
                                                  << QStringList{"", "", "08-11-2026", "01-12-2026"};
}

void TestInventoryManagement::numbersAndDatesSortByValue()
{
    QFETCH(int, column);
    QFETCH(int, order);
    QFETCH(QStringList, shown);
    const DayFirstFormats formats;
    QCOMPARE(addProduct("P", "Tea"), QString());
    const QString error = addStock("P", "S1", 900, 999.2, "", "2026-11-08")
                          + addStock("P", "S2", 1000, 2743.33, "", "2026-12-01") + addStock("P", "S3", 5, 1000)
                          + addStock("P", "S4", 7, 999.4);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    InventoryManagement page(nullptr, false);
    auto* view = Child<QTableView>(&page, "tableViewItems");
    QCOMPARE(Column(view, STOCK_CODE), QStringList({"S1", "S2", "S3", "S4"}));
    view->sortByColumn(column, Qt::SortOrder(order));
    QCOMPARE(Column(view, column), shown);
}

void TestInventoryManagement::selectModeDoubleClickChoosesAndCloses()
{
    addSearchRows();
    VorantelDialog host;
    auto* layout = new QGridLayout(&host);
    auto* page = new InventoryManagement(&host, true);
    layout->addWidget(page);
    host.show();
    QVERIFY(!Child<QWidget>(page, "groupBoxButtons")->isVisible());
    QVERIFY(Child<QWidget>(page, "frameCloseButton")->isVisible());
    auto* view = Child<QTableView>(page, "tableViewItems");
    QVERIFY(SelectRow(view, STOCK_CODE, QStringLiteral("S5")));
    emit view->doubleClicked(view->currentIndex());
    QVERIFY(!host.isVisible());
    QCOMPARE(page->GetSelectedStockCode(), QStringLiteral("S5"));
}

void TestInventoryManagement::missingPictureSaysNotFound()
{
    const QString folder = TestSupport::ScratchDir() + QStringLiteral("/images");
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(TestSupport::WriteFile(folder + QStringLiteral("/there.png"), "png"));
    AppSettings::Instance()->settings->setValue(QStringLiteral("IMAGES_FOLDER"), folder);
    QString error = addProduct(QStringLiteral("P1"), QStringLiteral("Gone"), QStringLiteral("Misc"), QStringLiteral("/elsewhere/gone.png"));
    error += addProduct(QStringLiteral("P2"), QStringLiteral("There"), QStringLiteral("Misc"), QStringLiteral("C:\\old\\there.png"));
    error += addProduct(QStringLiteral("P3"), QStringLiteral("None"));
    error += addStock(QStringLiteral("P1"), QStringLiteral("S1"), 1) + addStock(QStringLiteral("P2"), QStringLiteral("S2"), 1)
             + addStock(QStringLiteral("P3"), QStringLiteral("S3"), 1);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    InventoryManagement page(nullptr, false);
    AppSettings::Instance()->settings->remove(QStringLiteral("IMAGES_FOLDER"));
    auto* view = Child<QTableView>(&page, "tableViewItems");
    auto* picture = Child<QLabel>(&page, "labelImage");

    QVERIFY(SelectRow(view, STOCK_CODE, QStringLiteral("S1")));
    QCOMPARE(picture->text(), QStringLiteral("NOT FOUND"));
    QCOMPARE(picture->styleSheet(), QStringLiteral("QLabel {border-image:url(); }"));
    QVERIFY(SelectRow(view, STOCK_CODE, QStringLiteral("S3")));
    QCOMPARE(picture->styleSheet(), QStringLiteral("QLabel {border-image:url(:/resources/images/NoImageAvailable.jpg); }"));
    QVERIFY(QFile::exists(QStringLiteral(":/resources/images/NoImageAvailable.jpg")));
    QCOMPARE(picture->text(), QString());
}

void TestInventoryManagement::addAndEditOpenTheStockDialog()
{
    addSearchRows();
    InventoryManagement page(nullptr, false);
    auto* view = Child<QTableView>(&page, "tableViewItems");
    Child<QLineEdit>(&page, "editName")->setText(QStringLiteral("juice"));
    Child<QPushButton>(&page, "buttonSearch")->click();

    // Edit without a current row says so; the button is enabled once a row was current.
    auto* edit = Child<QPushButton>(&page, "buttonEdit");
    QVERIFY(!edit->isEnabled());
    QVERIFY(SelectRow(view, STOCK_CODE, QStringLiteral("S2")));
    QVERIFY(edit->isEnabled());
    QString loaded;
    answerer->handleClass("CAddNewItemsBatch", [&loaded](QWidget* dialog) {
        loaded = Child<QLineEdit>(dialog, "lineEditBarCode")->text() + QLatin1Char('|')
                 + Child<QLineEdit>(dialog, "editProductCode")->text();
        static_cast<QDialog*>(dialog)->reject();
    });
    emit view->doubleClicked(view->currentIndex());
    QCOMPARE(loaded, QStringLiteral("S2|P2"));

    // A row added meanwhile shows after the dialog closes, within the active search.
    answerer->handleClass("CAddNewItemsBatch", [this](QWidget* dialog) {
        QCOMPARE(addProduct(QStringLiteral("P9"), QStringLiteral("apple juice")), QString());
        QCOMPARE(addStock(QStringLiteral("P9"), QStringLiteral("S9"), 1), QString());
        static_cast<QDialog*>(dialog)->reject();
    });
    Child<QPushButton>(&page, "buttonAddNew")->click();
    QCOMPARE(view->model()->rowCount(), 3);
}

void TestInventoryManagement::editKeepsSubItemsSoldMeanwhile()
{
    QCOMPARE(addProduct(QStringLiteral("P1"), QStringLiteral("cider")), QString());
    QCOMPARE(addStock(QStringLiteral("P1"), QStringLiteral("S1"), 10), QString());
    QCOMPARE(run(QStringLiteral("UPDATE tblProducts SET ITEMS_PER_UNIT = 12")), QString());
    QCOMPARE(run(QStringLiteral("UPDATE tblInventory SET SUB_ITEMS = 5")), QString());
    InventoryManagement page(nullptr, false);
    QVERIFY(SelectRow(Child<QTableView>(&page, "tableViewItems"), STOCK_CODE, QStringLiteral("S1")));

    // A till sells 7 of the 12 pieces while the dialog, its sub-items field hidden, is open.
    QString shown;
    answerer->handleClass("CAddNewItemsBatch", [this, &shown](QWidget* dialog) {
        QVERIFY(Child<QLineEdit>(dialog, "editSubItems")->isHidden());
        QCOMPARE(run(QStringLiteral("UPDATE tblInventory SET QUANTITY = 9, SUB_ITEMS = 10")), QString());
        Child<QPushButton>(dialog, "pushButtonUpdate")->click();
        shown = Child<QLabel>(dialog, "labelStatus")->text() + QLatin1Char('|')
                + Child<QLineEdit>(dialog, "lineQuantity")->text();
        static_cast<QDialog*>(dialog)->reject();
    });
    Child<QPushButton>(&page, "buttonEdit")->click();
    QCOMPARE(shown, QStringLiteral("Stock with code S1 updated successfully|9"));
    QCOMPARE(rows(QStringLiteral("SELECT QUANTITY, SUB_ITEMS FROM tblInventory")), QStringList{"9|10"});
}

void TestInventoryManagement::hiddenColumnStaysHiddenInLaterPages()
{
    addSearchRows();
    const int category = 5;
    {
        InventoryManagement page(nullptr, false);
        page.show();
        auto* view = Child<QTableView>(&page, "tableViewItems");
        QVERIFY(!view->isColumnHidden(category));
        // The context menu is a pop-up, not a modal widget: its one entry is chosen from the keyboard.
        QTimer::singleShot(100, [] {
            if (QWidget* menu = QApplication::activePopupWidget()) {
                QTest::keyClick(menu, Qt::Key_Down);
                QTest::keyClick(menu, Qt::Key_Return);
            }
        });
        answerer->handleClass("Selector", [](QWidget* selector) {
            auto* list = Child<QListWidget>(selector, "listWidget");
            const QList<QListWidgetItem*> found = list->findItems(QStringLiteral("Category"), Qt::MatchExactly);
            QCOMPARE(found.size(), 1);
            found.first()->setCheckState(Qt::Unchecked);
            Child<QPushButton>(selector, "pushOk")->click();
        });
        emit view->customContextMenuRequested(QPoint(10, 10));
        QVERIFY(view->isColumnHidden(category));
    }
    InventoryManagement later(nullptr, true);
    QVERIFY(Child<QTableView>(&later, "tableViewItems")->isColumnHidden(category));
    QVERIFY(!Child<QTableView>(&later, "tableViewItems")->isColumnHidden(STOCK_CODE));
    AppSettings::Instance()->inventoryColumns.clear();
}

VORANTEL_TEST_MAIN(TestInventoryManagement)
#include "tst_inventorymanagement.moc"
