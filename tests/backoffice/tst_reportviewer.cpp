#include "appsettings.h"
#include "backofficefixture.h"
#include "constants.h"
#include "databasemanager.h"
#include "messagesettings.h"
#include "modalanswerer.h"
#include "pdfreader.h"
#include "progress.h"
#include "reportprinter.h"
#include "reporttest.h"
#include "reportviewer.h"
#include "testsupport.h"
#include "urlrecorder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QTimer>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSettings>
#include <QSqlQuery>
#include <QTableView>
#include <QTextStream>
#include <QWindow>

using ReportSeed::Day;

namespace {

// Every row of the viewer's table as its display texts joined by '|', in screen order.
QStringList Rows(ReportViewer& viewer)
{
    auto* view = Child<QTableView>(&viewer, "tableViewItems");
    QAbstractItemModel* model = view->model();
    QStringList rows;
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model->columnCount(); ++c)
            cells << model->index(r, c).data().toString();
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

QStringList Headers(ReportViewer& viewer)
{
    QAbstractItemModel* model = Child<QTableView>(&viewer, "tableViewItems")->model();
    QStringList headers;
    for (int c = 0; c < model->columnCount(); ++c)
        headers << model->headerData(c, Qt::Horizontal).toString();
    return headers;
}

QStringList Sorted(QStringList rows)
{
    rows.sort();
    return rows;
}

// Switches ONLY_FULL_GROUP_BY on or off for the session of one of the program's connections.
bool SetStrictGrouping(QSqlDatabase* db, bool on)
{
    QSqlQuery query(*db);
    return query.exec(on ? QStringLiteral("SET SESSION sql_mode = CONCAT(@@SESSION.sql_mode, ',ONLY_FULL_GROUP_BY')")
                         : QStringLiteral("SET SESSION sql_mode = REPLACE(@@SESSION.sql_mode, 'ONLY_FULL_GROUP_BY', '')"));
}

QString Html(ReportViewer& viewer)
{
    QString html;
    QTextStream out(&html);
    viewer.WriteHtmlReport(out);
    out.flush();
    return html;
}

} // namespace

// The report viewer on real databases: the sales groupings with and without returns (also under
// ONLY_FULL_GROUP_BY), the expense views, the stock filters, failures, and the printed document.
class TestReportViewer : public ReportTest
{
    Q_OBJECT

private slots:
    void init();
    void salesGroupings_data();
    void salesGroupings();
    void subItemsMode_data();
    void subItemsMode();
    void salesSummary_data();
    void salesSummary();
    void expenseViews_data();
    void expenseViews();
    void daysSortAsDays();
    void stockFilters();
    void stockCountAndValue();
    void failedReportQueryIsShown();
    void failedReportReadsItsExpensesAgain();
    void failedStockReportsBringTheTotalsBack();
    void htmlIsEscapedAndLogoOptional_data();
    void htmlIsEscapedAndLogoOptional();
    void printedTableFollowsTheScreen();
    void pdfOutput_data();
    void pdfOutput();
    void lockedPdfIsNotOpened();
    void busyBoxStaysAboveTheViewer_data();
    void busyBoxStaysAboveTheViewer();
    void columnChooserHidesColumns_data();
    void columnChooserHidesColumns();
    void exportWritesTheShownColumns();
    void columnMenuOpensAtTheClick();
    void buttonsFitTheDialog_data();
    void buttonsFitTheDialog();
};

void TestReportViewer::init()
{
    ReportTest::init();
    QVERIFY(SetStrictGrouping(DatabaseManager::Instance()->SalesDatabase(), false));
    QVERIFY(SetStrictGrouping(DatabaseManager::Instance()->InventoryDatabase(), false));
}

void TestReportViewer::salesGroupings_data()
{
    QTest::addColumn<QString>("radio");
    QTest::addColumn<bool>("returns");
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<QStringList>("rows"); // sorted
    // Seven days before today: yesterday's sales (one of them unfinished) and one 7 days back.
    const QStringList sold{"SALES", "ITEMS SOLD", "DISCOUNT", "PURCHASE COST"};
    const QStringList returned{"RETURNS", "ITEMS RETURNED"};
    QTest::newRow("category") << "radioSalesCategory" << false << QStringList{"CATEGORY"} + sold
                              << QStringList{"Drinks|22.00|4|1.00|12.00", "Food|88.00|4|2.00|48.00"};
    QTest::newRow("category, returns") << "radioSalesCategory" << true << QStringList{"CATEGORY"} + returned
                                       << QStringList{"Food|22.00|1"};
    QTest::newRow("product") << "radioProduct" << false << QStringList{"PRODUCT"} + sold
                             << QStringList{"Coffee|5.50|1|0.00|3.00", "Rice|88.00|4|2.00|48.00",
                                            "Tea|16.50|3|1.00|9.00"};
    QTest::newRow("product, returns") << "radioProduct" << true << QStringList{"PRODUCT"} + returned
                                      << QStringList{"Rice|22.00|1"};
    QTest::newRow("customer") << "radioCustomer" << false << QStringList{"CUSTOMER"} + sold
                              << QStringList{"Alice|5.50|1|0.00|3.00", "Bob|104.50|7|3.00|57.00"};
    QTest::newRow("user") << "radioUser" << false << QStringList{"USER"} + sold
                          << QStringList{"ann|93.50|5|2.00|51.00", "ben|16.50|3|1.00|9.00"};
    QTest::newRow("user, returns") << "radioUser" << true << QStringList{"USER"} + returned
                                   << QStringList{"ben|22.00|1"};
    QTest::newRow("date") << "radioDate" << false << QStringList{"DATE"} + sold
                          << QStringList{Day(7) + "|88.00|4|2.00|48.00", Day(1) + "|22.00|4|1.00|12.00"};
    QTest::newRow("date, returns") << "radioDate" << true << QStringList{"DATE"} + returned
                                   << QStringList{Day(1) + "|22.00|1"};
}

void TestReportViewer::salesGroupings()
{
    QFETCH(QString, radio);
    QFETCH(bool, returns);
    QFETCH(QStringList, headers);
    QFETCH(QStringList, rows);
    for (const bool strict : {false, true}) {
        QVERIFY(SetStrictGrouping(DatabaseManager::Instance()->SalesDatabase(), strict));
        ReportViewer viewer(nullptr);
        viewer.SetDates(QDate::currentDate().addDays(-7), QDate::currentDate().addDays(-1));
        viewer.showSalesSummary = true;
        viewer.SetSalesMode();
        // Sales mode opens on the category grouping.
        QCOMPARE(Sorted(Rows(viewer)), QStringList({"Drinks|22.00|4|1.00|12.00", "Food|88.00|4|2.00|48.00"}));
        Child<QRadioButton>(&viewer, qPrintable(radio))->setChecked(true);
        Child<QCheckBox>(&viewer, "checkViewReturns")->setChecked(returns);
        const QString mode = strict ? QStringLiteral("ONLY_FULL_GROUP_BY") : QStringLiteral("default mode");
        QVERIFY2(answerer->seen.isEmpty(), qPrintable(mode + ": " + answerer->messages().join(',')));
        QCOMPARE(Headers(viewer), headers);
        QCOMPARE(Sorted(Rows(viewer)), rows);
        // The period's expenses beside the sales figures.
        QCOMPARE(Child<QLineEdit>(&viewer, "lineEditExpenses")->text(), QStringLiteral("50.00"));
    }
}

void TestReportViewer::subItemsMode_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("radio");
    QTest::addColumn<bool>("returns");
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<QString>("firstRow"); // sorted
    QTest::newRow("y, category") << "y" << "radioSalesCategory" << false
                                 << QStringList{"CATEGORY", "SALES", "ITEMS SOLD", "SUB ITEMS SOLD", "DISCOUNT",
                                                "PURCHASE COST"}
                                 << "Drinks|22.00|4|2|1.00|12.00";
    // The category view's caption has always been spelled so.
    QTest::newRow("y, category, returns") << "y" << "radioSalesCategory" << true
                                          << QStringList{"CATEGORY", "RETURNS", "ITEMS RETURNED", "SUB ITEMS REUTRNED"}
                                          << "Food|22.00|1|1";
    QTest::newRow("y, product, returns") << "y" << "radioProduct" << true
                                         << QStringList{"PRODUCT", "RETURNS", "ITEMS RETURNED", "SUB ITEMS RETURNED"}
                                         << "Rice|22.00|1|1";
    QTest::newRow("Y is not y") << "Y" << "radioSalesCategory" << false
                                << QStringList{"CATEGORY", "SALES", "ITEMS SOLD", "DISCOUNT", "PURCHASE COST"}
                                << "Drinks|22.00|4|1.00|12.00";
}

void TestReportViewer::subItemsMode()
{
    QFETCH(QString, setting);
    QFETCH(QString, radio);
    QFETCH(bool, returns);
    QFETCH(QStringList, headers);
    QFETCH(QString, firstRow);
    AppSettings::Instance()->settings->setValue(SUB_ITEMS_MODE, setting);
    ReportViewer viewer(nullptr);
    viewer.SetDates(QDate::currentDate().addDays(-7), QDate::currentDate().addDays(-1));
    viewer.SetSalesMode();
    Child<QRadioButton>(&viewer, qPrintable(radio))->setChecked(true);
    Child<QCheckBox>(&viewer, "checkViewReturns")->setChecked(returns);
    QCOMPARE(Headers(viewer), headers);
    QCOMPARE(Sorted(Rows(viewer)).value(0), firstRow);
}

void TestReportViewer::salesSummary_data()
{
    QTest::addColumn<QStringList>("given"); // seven texts; six when the returns total is left out
    QTest::addColumn<QStringList>("shown"); // total, cost, net, discount, items sold, returned, tax
    QTest::newRow("seven texts") << QStringList{"1,234.50", "234.25", "3.00", "10.50", "7", "22.00", "1"}
                                 << QStringList{"1,234.50", "234.25", "1,000.25", "3.00", "7", "1", "10.50"};
    QTest::newRow("six texts") << QStringList{"20.00", "5.00", "1.00", "2.00", "3", "0"}
                               << QStringList{"20.00", "5.00", "15.00", "1.00", "3", "0", "2.00"};
    QTest::newRow("empty texts") << QStringList{"", "", "", "", "", "", ""}
                                 << QStringList{"0.0", "0.00", "0.00", "0.00", "0", "", "0.00"};
}

void TestReportViewer::salesSummary()
{
    QFETCH(QStringList, given);
    QFETCH(QStringList, shown);
    ReportViewer viewer(nullptr);
    if (given.size() == 7)
        viewer.SetSalesSummary(given[0], given[1], given[2], given[3], given[4], given[5], given[6]);
    else
        viewer.SetSalesSummary(given[0], given[1], given[2], given[3], given[4], given[5]);
    QStringList texts;
    for (const char* field : {"lineTotalSales", "linePurchaseCost", "lineProfit", "lineDiscount", "lineItemsSold",
                              "lineItemsReturned", "lineEditSalesTax"})
        texts << Child<QLineEdit>(&viewer, field)->text();
    QCOMPARE(texts, shown);
    QCOMPARE(viewer.TotalReturns(), given.size() == 7 ? given[5] : QString());

    viewer.SetDates(QDate(2026, 11, 28), QDate(2026, 12, 5));
    QCOMPARE(Child<QLabel>(&viewer, "labelStarDate")->text(), QStringLiteral("START DATE : 2026-11-28"));
    QCOMPARE(Child<QLabel>(&viewer, "labelEndDate")->text(), QStringLiteral("END DATE : 2026-12-05"));
    QVERIFY(Child<QLabel>(&viewer, "labelStarDate")->isHidden());
    viewer.ShowDateLabels();
    QVERIFY(!Child<QLabel>(&viewer, "labelStarDate")->isHidden());
    QVERIFY(!Child<QLabel>(&viewer, "labelEndDate")->isHidden());
}

void TestReportViewer::expenseViews_data()
{
    QTest::addColumn<QString>("radio");
    QTest::addColumn<QStringList>("rows"); // in screen order, except the individual view (sorted)
    QTest::newRow("individual") << "radioIndividualExpenses"
                                << QStringList{"Rent|12.25|Key|" + Day(1), "Rent|500.00|Rent|" + Day(8),
                                               "Travel|30.00|Train|" + Day(7), "Travel|7.75|Bus|" + Day(1)};
    // The groups come largest expense first.
    QTest::newRow("category") << "radioCategory" << QStringList{"Rent|512.25", "Travel|37.75"};
    QTest::newRow("date") << "radioDate_2" << QStringList{Day(8) + "|500.00", Day(7) + "|30.00", Day(1) + "|20.00"};
}

void TestReportViewer::expenseViews()
{
    QFETCH(QString, radio);
    QFETCH(QStringList, rows);
    for (const bool strict : {false, true}) {
        QVERIFY(SetStrictGrouping(DatabaseManager::Instance()->InventoryDatabase(), strict));
        ReportViewer viewer(nullptr);
        viewer.SetDates(QDate::currentDate().addDays(-8), QDate::currentDate().addDays(-1));
        viewer.SetExpenseMode();
        QVERIFY(Child<QRadioButton>(&viewer, "radioIndividualExpenses")->isChecked());
        Child<QRadioButton>(&viewer, qPrintable(radio))->setChecked(true);
        QVERIFY2(answerer->seen.isEmpty(), qPrintable(answerer->messages().join(',')));
        const QStringList shown = Rows(viewer);
        QCOMPARE(radio == QLatin1String("radioIndividualExpenses") ? Sorted(shown) : shown, rows);
        QCOMPARE(Child<QLineEdit>(&viewer, "lineTotalExpensesSummary")->text(), QStringLiteral("550.00"));
        QVERIFY(Html(viewer).contains(QStringLiteral("Total Expenses : $550.00")));
    }
}

// The days of a month and the month before, written day first by the statement.
void TestReportViewer::daysSortAsDays()
{
    const DayFirstFormats formats;
    ReportViewer viewer(nullptr);
    viewer.SetDates(QDate::currentDate().addDays(-31), QDate::currentDate());
    viewer.SetSalesMode();
    Child<QRadioButton>(&viewer, "radioDate")->setChecked(true);
    Child<QCheckBox>(&viewer, "checkEnableSorting")->setChecked(true);
    QStringList days;
    for (const int back : {31, 30, 8, 7, 1, 0})
        days << QDate::currentDate().addDays(-back).toString(QStringLiteral("dd-MM-yyyy"));
    QCOMPARE(ColumnTexts(Child<QTableView>(&viewer, "tableViewItems"), 0), days);
}

void TestReportViewer::stockFilters()
{
    ReportViewer viewer(nullptr);
    viewer.reportQuery = QStringLiteral(
        "SELECT i.BAR_CODE as 'STOCK CODE', p.NAME as PRODUCT, i.QUANTITY as QUANTITY, v.NAME as VENDOR FROM "
        "tblInventory as i, tblProducts as p , tblVendors as v  WHERE i.PRODUCT_ID = p.ID AND i.VENDOR_ID = v.ID AND "
        "i.QUANTITY < :threshold");
    viewer.reportBindings = {{QStringLiteral(":threshold"), 5}};
    viewer.SetStockMode(false);
    auto* combo = Child<QComboBox>(&viewer, "comboBoxVendors");
    QCOMPARE(combo->currentIndex(), -1);
    const QStringList all{"B1|Tea|3|Acme", "B3|Rice|0|Acme", "B4|Rice|-2|NONE"};
    QCOMPARE(Sorted(Rows(viewer)), all);
    combo->setCurrentIndex(combo->findText(QStringLiteral("Acme")));
    QCOMPARE(Sorted(Rows(viewer)), QStringList({"B1|Tea|3|Acme", "B3|Rice|0|Acme"}));
    // NONE stands for every vendor.
    combo->setCurrentIndex(combo->findText(QStringLiteral("NONE")));
    QCOMPARE(Sorted(Rows(viewer)), all);
    QVERIFY(answerer->seen.isEmpty());
}

void TestReportViewer::stockCountAndValue()
{
    ReportViewer viewer(nullptr);
    viewer.reportQuery = QStringLiteral(
        "SELECT i.BAR_CODE as 'STOCK CODE', p.NAME as PRODUCT, i.QUANTITY as QUANTITY, i.PURCHASE_PRICE as 'PURCHASE "
        "COST', ROUND (i.SALE_PRICE * (1+ p.TAX_RATE/100) , 2) as 'SALE VALUE', i.QUANTITY * i.PURCHASE_PRICE AS "
        "'STOCK VALUE'   FROM tblInventory as i, tblProducts as p , tblProductCategories as c  WHERE i.PRODUCT_ID = "
        "p.ID AND p.CATEGORY_ID = c.ID");
    viewer.SetStockMode(true);
    QCOMPARE(Child<QLabel>(&viewer, "label_FilterResults")->text(), QStringLiteral("Filter by Category"));
    QCOMPARE(Rows(viewer).size(), 5);
    QCOMPARE(Child<QLineEdit>(&viewer, "lineStockCount")->text(), QStringLiteral("14"));
    QCOMPARE(Child<QLineEdit>(&viewer, "lineTotalPurchaseValue")->text(), QStringLiteral("21.5"));
    auto* combo = Child<QComboBox>(&viewer, "comboBoxVendors");
    combo->setCurrentIndex(combo->findText(QStringLiteral("Food")));
    QCOMPARE(Sorted(Rows(viewer)),
             QStringList({"B3|Rice|0|40.00|50.00|0.00", "B4|Rice|-2|3.00|5.00|-6.00", "B5|Rice|5|2.00|3.33|10.00"}));
    QCOMPARE(Child<QLineEdit>(&viewer, "lineStockCount")->text(), QStringLiteral("3"));
    QCOMPARE(Child<QLineEdit>(&viewer, "lineTotalPurchaseValue")->text(), QStringLiteral("4"));
    const QString html = Html(viewer);
    QVERIFY(html.contains(QStringLiteral("STOCK COUNT : 3")));
    QVERIFY(html.contains(QStringLiteral("CATEGORY : Food")));
}

void TestReportViewer::failedReportQueryIsShown()
{
    ReportViewer viewer(nullptr);
    viewer.reportQuery = QStringLiteral("SELECT NOTHING FROM tblNowhere WHERE 1");
    answerer->pressButton(QMessageBox::Ok);
    viewer.SetStockMode(false);
    QCOMPARE(answerer->seen.size(), 1);
    QVERIFY2(answerer->messages().first().startsWith(QStringLiteral("Report Viewer|The report could not be made.")),
             qPrintable(answerer->messages().first()));
    QVERIFY(answerer->messages().first().contains(QStringLiteral("tblNowhere")));
    QCOMPARE(Rows(viewer).size(), 0);
}

// Two failed reports, then the period's expenses change: the next report shows them as they are now, not the figure
// shown before the failures.
void TestReportViewer::failedReportReadsItsExpensesAgain()
{
    ReportViewer viewer(nullptr);
    viewer.SetDates(QDate::currentDate().addDays(-8), QDate::currentDate().addDays(-1));
    viewer.SetExpenseMode();
    auto* total = Child<QLineEdit>(&viewer, "lineTotalExpensesSummary");
    QCOMPARE(total->text(), QStringLiteral("550.00"));
    QCOMPARE(fixture.execInventory({QStringLiteral("RENAME TABLE tblExpenseCategories TO tblExpenseCategoriesAway")}),
             QString());
    auto restore = qScopeGuard([this] {
        fixture.execInventory({QStringLiteral("RENAME TABLE tblExpenseCategoriesAway TO tblExpenseCategories")});
    });
    Child<QRadioButton>(&viewer, "radioCategory")->setChecked(true);
    QCOMPARE(total->text(), QStringLiteral("0"));
    Child<QRadioButton>(&viewer, "radioDate_2")->setChecked(true);
    QCOMPARE(answerer->seen.size(), 1);
    restore.dismiss();
    QCOMPARE(fixture.execInventory(
                 {QStringLiteral("RENAME TABLE tblExpenseCategoriesAway TO tblExpenseCategories"),
                  QStringLiteral("INSERT INTO tblExpenses (ID, CATEGORY_ID, DATED, AMOUNT, DESCRIPTION) "
                                 "VALUES (90, 1, '%1', 10, 'Lamp')")
                      .arg(Day(2))}),
             QString());
    const auto removeAgain =
        qScopeGuard([this] { fixture.execInventory({QStringLiteral("DELETE FROM tblExpenses WHERE ID = 90")}); });
    Child<QRadioButton>(&viewer, "radioIndividualExpenses")->setChecked(true);
    QCOMPARE(Rows(viewer).size(), 5);
    QCOMPARE(total->text(), QStringLiteral("560.00"));
}

// The stock count and value read "0" while reports fail, also when no category is chosen (the report alone is read
// then); a second failure in a row keeps what the first put aside, and the next report brings it back.
void TestReportViewer::failedStockReportsBringTheTotalsBack()
{
    ReportViewer viewer(nullptr);
    viewer.reportQuery = QStringLiteral(
        "SELECT i.BAR_CODE as 'STOCK CODE', p.NAME as PRODUCT, i.QUANTITY as QUANTITY FROM tblInventory as i, "
        "tblProducts as p , tblProductCategories as c  WHERE i.PRODUCT_ID = p.ID AND p.CATEGORY_ID = c.ID");
    viewer.SetStockMode(true);
    auto* combo = Child<QComboBox>(&viewer, "comboBoxVendors");
    combo->setCurrentIndex(combo->findText(QStringLiteral("Food")));
    const auto totals = [&viewer] {
        return QStringList{Child<QLineEdit>(&viewer, "lineStockCount")->text(),
                           Child<QLineEdit>(&viewer, "lineTotalPurchaseValue")->text()};
    };
    const QStringList before = totals();
    QCOMPARE(before, (QStringList{"3", "4"}));
    QCOMPARE(fixture.execInventory({QStringLiteral("RENAME TABLE tblInventory TO tblInventoryAway")}), QString());
    auto restore = qScopeGuard(
        [this] { fixture.execInventory({QStringLiteral("RENAME TABLE tblInventoryAway TO tblInventory")}); });
    combo->setCurrentIndex(-1);
    QCOMPARE(totals(), (QStringList{"0", "0"}));
    combo->setCurrentIndex(combo->findText(QStringLiteral("Drinks")));
    QCOMPARE(totals(), (QStringList{"0", "0"}));
    QCOMPARE(answerer->seen.size(), 1);
    restore.dismiss();
    QCOMPARE(fixture.execInventory({QStringLiteral("RENAME TABLE tblInventoryAway TO tblInventory")}), QString());
    combo->setCurrentIndex(-1);
    QCOMPARE(Rows(viewer).size(), 5);
    QCOMPARE(totals(), before);
}

void TestReportViewer::htmlIsEscapedAndLogoOptional_data()
{
    QTest::addColumn<QString>("logo"); // empty: the sample logo
    QTest::addColumn<int>("logoSize");
    QTest::addColumn<QString>("image"); // the <img> written, empty for none
    QTest::addColumn<QSize>("shown");   // the logo on screen
    const QString picture = TestSupport::ScratchDir() + QStringLiteral("/logo 300x100.png");
    QTest::newRow("300 by 100 at size 20") << picture << 20
                                           << QStringLiteral("<img src=\"%1\" alt=\"Logo\" align=\"left\" width=\"120\" "
                                                             "height=\"40\">").arg(picture)
                                           << QSize(120, 40);
    QTest::newRow("size 0") << picture << 0 << QString() << QSize();
    QTest::newRow("missing file") << TestSupport::ScratchDir() + QStringLiteral("/none.png") << 20 << QString()
                                  << QSize();
    QTest::newRow("not an image") << TestSupport::ScratchDir() + QStringLiteral("/notes.txt") << 20 << QString()
                                  << QSize();
}

void TestReportViewer::htmlIsEscapedAndLogoOptional()
{
    QFETCH(QString, logo);
    QFETCH(int, logoSize);
    QFETCH(QString, image);
    QFETCH(QSize, shown);
    QImage picture(300, 100, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    QVERIFY(picture.save(TestSupport::ScratchDir() + QStringLiteral("/logo 300x100.png")));
    QVERIFY(TestSupport::WriteFile(TestSupport::ScratchDir() + QStringLiteral("/notes.txt"), "no picture"));
    QSettings* store = AppSettings::Instance()->settings;
    store->setValue(REPORT_COMPANY_LOGO, logo);
    store->setValue(QStringLiteral("logoSizeLarge"), logoSize);
    store->setValue(REPORT_COMPANY_NAME, QStringLiteral("A<B & Sons"));
    store->setValue(REPORT_COMPANY_ADDRESS, QStringLiteral("1 <Main> St\nR&D Park"));

    ReportViewer viewer(nullptr);
    viewer.reportTitle = QStringLiteral("R&D <stock>");
    viewer.reportQuery = QStringLiteral("SELECT 'A<B' AS 'X&Y', 'R&D' AS Q FROM tblVendors as i WHERE i.NAME = 'NONE'");
    viewer.SetStockMode(false);
    const QPixmap pixmap = Child<QLabel>(&viewer, "labelLogo")->pixmap(Qt::ReturnByValue);
    QCOMPARE(pixmap.isNull() ? QSize() : pixmap.size(), shown);

    const QString html = Html(viewer);
    QVERIFY2(image.isEmpty() ? !html.contains(QStringLiteral("<img")) : html.contains(image), qPrintable(html));
    for (const char* text : {"<title>R&amp;D &lt;stock&gt;</title>", "<H1 align=\"right\">R&amp;D &lt;stock&gt;</H1>",
                             "<H3>A&lt;B &amp; Sons</H3>", "<H3>1 &lt;Main&gt; St<br>R&amp;D Park</H3>",
                             "<th>X&amp;Y</th>", "<td bkcolor=0>A&lt;B</td><td bkcolor=0>R&amp;D</td>"})
        QVERIFY2(html.contains(QLatin1String(text)), text);
}

void TestReportViewer::printedTableFollowsTheScreen()
{
    ReportViewer viewer(nullptr);
    viewer.SetDates(QDate::currentDate().addDays(-7), QDate::currentDate().addDays(-1));
    viewer.showSalesSummary = true;
    viewer.SetSalesMode();
    Child<QRadioButton>(&viewer, "radioProduct")->setChecked(true);
    auto* view = Child<QTableView>(&viewer, "tableViewItems");
    Child<QCheckBox>(&viewer, "checkEnableSorting")->setChecked(true);
    view->sortByColumn(1, Qt::DescendingOrder);
    view->hideColumn(3);
    const QString html = Html(viewer);
    QVERIFY(html.contains(QStringLiteral("<th>PRODUCT</th><th>SALES</th><th>ITEMS SOLD</th><th>PURCHASE COST</th></tr>")));
    const int rice = html.indexOf(QStringLiteral("<td bkcolor=0>Rice</td><td bkcolor=0>88.00</td><td bkcolor=0>4</td>"
                                                 "<td bkcolor=0>48.00</td>"));
    const int tea = html.indexOf(QStringLiteral("<td bkcolor=0>Tea</td>"));
    const int coffee = html.indexOf(QStringLiteral("<td bkcolor=0>Coffee</td>"));
    QVERIFY(rice > 0 && rice < tea && tea < coffee);
    QVERIFY(html.contains(QStringLiteral("<h3>RESULTS GROUPED BY PRODUCT</h3>")));
    QVERIFY(html.contains(QStringLiteral("START DATE : %1").arg(Day(7))));
}

void TestReportViewer::pdfOutput_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("Save as PDF") << "pushPrintToPDF";
    QTest::newRow("Print while it prints to PDF") << "buttonPrint";
}

void TestReportViewer::pdfOutput()
{
    QFETCH(QString, button);
    QFile::remove(ReportPrinter::PdfPath());
    ReportViewer viewer(nullptr);
    viewer.reportTitle = QStringLiteral("FINANCIAL REPORT (LAST 7 DAYS)");
    viewer.SetSalesSummary(QStringLiteral("110.00"), QStringLiteral("60.00"), QStringLiteral("3.00"),
                           QStringLiteral("10.00"), QStringLiteral("8"), QStringLiteral("22.00"), QStringLiteral("1"));
    viewer.SetDates(QDate::currentDate().addDays(-7), QDate::currentDate().addDays(-1));
    viewer.showSalesSummary = true;
    viewer.SetSalesMode();
    UrlRecorder urls;
    Child<QPushButton>(&viewer, qPrintable(button))->click();
    QCOMPARE(urls.urls, QList<QUrl>{QUrl::fromLocalFile(ReportPrinter::PdfPath())});
    // Simplified: a long heading wraps beside the logo.
    const QString text = PdfReader::Text(ReportPrinter::PdfPath()).simplified();
    for (const QString& line : {QStringLiteral("FINANCIAL REPORT (LAST 7 DAYS)"), QStringLiteral("RESULTS GROUPED BY CATEGORY"),
                                QStringLiteral("Total Expenses : $50.00"), QStringLiteral("Total Sales : $110.00"),
                                QStringLiteral("Net Sales (for sold items) : $50.00"), QStringLiteral("Food")})
        QVERIFY2(text.contains(line), qPrintable(line + QStringLiteral(" missing in\n") + text));
}

void TestReportViewer::lockedPdfIsNotOpened()
{
    // A folder in the file's place can be neither removed nor written, as a PDF held open elsewhere.
    const QString path = ReportPrinter::PdfPath();
    QFile::remove(path);
    QVERIFY(QDir().mkpath(path + QStringLiteral("/held")));
    ReportViewer viewer(nullptr);
    viewer.reportQuery = QStringLiteral("SELECT NAME FROM tblVendors as i WHERE 1");
    viewer.SetStockMode(false);
    UrlRecorder urls;
    answerer->pressButton(QMessageBox::Ok);
    Child<QPushButton>(&viewer, "pushPrintToPDF")->click();
    const QStringList messages = answerer->messages();
    QVERIFY(QDir(path).removeRecursively());
    // The report written beside it cannot take its name: it is told as not written.
    QCOMPARE(messages,
             (QStringList{QStringLiteral("PDF Print|File [%1] is already opened, or locked. Please close this PDF file "
                                         "and print again.").arg(path),
                          QStringLiteral("PDF Print|The PDF file %1 could not be written: Is a directory. Nothing was "
                                         "saved.").arg(path)}));
    QVERIFY(urls.urls.isEmpty());
}

void TestReportViewer::busyBoxStaysAboveTheViewer_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("printing"); // the box's text while the document printer works
    QTest::newRow("Save as PDF") << "pushPrintToPDF" << "Generating PDF document, please wait...";
    QTest::newRow("Print while it prints to PDF") << "buttonPrint" << "Printing document, please wait...";
}

// The viewer runs modally over the main window: a busy box that is only the main window's would be
// stacked beneath the viewer by a window manager, unseen for the whole run.
void TestReportViewer::busyBoxStaysAboveTheViewer()
{
    QFETCH(QString, button);
    QFETCH(QString, printing);
    QMainWindow main;
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    AppSettings::Instance()->mainWindow = &main;
    const auto noMain = qScopeGuard([] { AppSettings::Instance()->mainWindow = nullptr; });
    ReportViewer viewer(&main);
    viewer.reportQuery = QStringLiteral("SELECT seq AS N, CONCAT('Line ', seq) AS T FROM seq_1_to_3000 WHERE 1");
    viewer.SetStockMode(false);
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));

    // Every text a visible box showed, and every box seen that was not above the viewer.
    QStringList texts;
    QStringList below;
    QTimer events;
    connect(&events, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* busy = qobject_cast<Progress*>(widget);
            if (!busy || !busy->isVisible())
                continue;
            if (texts.isEmpty() || texts.last() != busy->message())
                texts << busy->message();
            const QWindow* window = busy->windowHandle();
            bool above = false;
            for (const QWidget* up = busy->parentWidget(); up && !above; up = up->parentWidget())
                above = up == &viewer;
            if (!above && !(window && window->transientParent() == viewer.windowHandle()))
                below << busy->message();
        }
    });
    events.start(0);
    UrlRecorder urls;
    Child<QPushButton>(&viewer, qPrintable(button))->click();
    events.stop();
    QCOMPARE(urls.urls, QList<QUrl>{QUrl::fromLocalFile(ReportPrinter::PdfPath())});
    QVERIFY2(below.isEmpty(), qPrintable(below.join(QLatin1Char('\n'))));
    QVERIFY2(texts.contains(printing), qPrintable(texts.join(QLatin1Char('\n'))));
    // The count moves while the rows are written, up to the last row.
    const QStringList counts = texts.filter(QStringLiteral(" for printing..."));
    QVERIFY2(counts.size() > 2, qPrintable(texts.join(QLatin1Char('\n'))));
    QCOMPARE(counts.last(), QStringLiteral("Processing line 2999 of 3000 for printing..."));
    QCOMPARE(texts.last(), printing);
}

void TestReportViewer::columnChooserHidesColumns_data()
{
    QTest::addColumn<bool>("confirmed");
    QTest::newRow("OK") << true;
    QTest::newRow("Cancel") << false;
}

void TestReportViewer::columnChooserHidesColumns()
{
    QFETCH(bool, confirmed);
    ReportViewer viewer(nullptr);
    viewer.SetDates(QDate::currentDate().addDays(-7), QDate::currentDate().addDays(-1));
    viewer.SetSalesMode();
    auto* view = Child<QTableView>(&viewer, "tableViewItems");
    // The menu is a pop-up, not a modal dialog: its one entry is chosen from the keyboard.
    QTimer menuWatch;
    connect(&menuWatch, &QTimer::timeout, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            menuWatch.stop();
            QCOMPARE(menu->actions().value(0)->text(), QStringLiteral("Hide and Show Columns..."));
            QTest::keyClick(menu, Qt::Key_Down);
            QTest::keyClick(menu, Qt::Key_Return);
        }
    });
    menuWatch.start(10);
    QStringList offered;
    answerer->handleClass("Selector", [&](QWidget* chooser) {
        auto* list = chooser->findChild<QListWidget*>(QStringLiteral("listWidget"));
        for (int row = 0; row < list->count(); ++row)
            offered << list->item(row)->text();
        list->item(2)->setCheckState(Qt::Unchecked);
        chooser->findChild<QPushButton*>(QLatin1String(confirmed ? "pushOk" : "pushCancel"))->click();
    });
    emit view->customContextMenuRequested(QPoint(5, 5));
    QCOMPARE(offered, QStringList({"CATEGORY", "SALES", "ITEMS SOLD", "DISCOUNT", "PURCHASE COST"}));
    QCOMPARE(view->isColumnHidden(2), confirmed);
    QCOMPARE(Html(viewer).contains(QStringLiteral("<th>ITEMS SOLD</th>")), !confirmed);
    AppSettings::Instance()->reportColumns.clear();
}

void TestReportViewer::exportWritesTheShownColumns()
{
    const QString folder = EmptyScratchFolder(QStringLiteral("report_export"));
    QVERIFY(!folder.isEmpty());
    ReportViewer viewer(nullptr);
    viewer.reportTitle = QStringLiteral("EXPENSE REPORT (LAST DAY)");
    viewer.SetDates(QDate::currentDate().addDays(-1), QDate::currentDate().addDays(-1));
    viewer.SetExpenseMode();
    Child<QRadioButton>(&viewer, "radioCategory")->setChecked(true);
    AnswerFileDialogIn(answerer, folder);
    answerer->pressButton(QMessageBox::Ok);
    Child<QPushButton>(&viewer, "pushExport")->click();
    // The title names the file, with the characters a file name should not hold replaced.
    const QStringList files = QDir(folder).entryList({QStringLiteral("EXPENSE_REPORT__LAST_DAY__data_export_*.csv")});
    QCOMPARE(files.size(), 1);
    QCOMPARE(TestSupport::ReadFile(folder + QLatin1Char('/') + files.first()),
             QByteArray("CATEGORY,TOTAL EXPENSES\nRent,12.25\nTravel,7.75\n"));
}

void TestReportViewer::columnMenuOpensAtTheClick()
{
    ReportViewer viewer(nullptr);
    viewer.SetDates(QDate::currentDate().addDays(-7), QDate::currentDate().addDays(-1));
    viewer.SetSalesMode();
    viewer.move(0, 0);
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    auto* view = Child<QTableView>(&viewer, "tableViewItems");
    QPoint shownAt;
    QTimer menuWatch;
    connect(&menuWatch, &QTimer::timeout, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            menuWatch.stop();
            shownAt = menu->pos();
            menu->close();
        }
    });
    menuWatch.start(10);
    // The table reports a right click in the coordinates of its viewport, below the header.
    const QPoint click(40, 10);
    emit view->customContextMenuRequested(click);
    QCOMPARE(shownAt, view->viewport()->mapToGlobal(click));
}

void TestReportViewer::buttonsFitTheDialog_data()
{
    QTest::addColumn<QString>("styleSheet");
    QTest::newRow("light") << ":/resources/stylesheets/WindowsStyleSheetLight.txt";
    QTest::newRow("dark") << ":/resources/stylesheets/WindowsStyleSheet.txt";
    QTest::newRow("no theme") << QString();
}

void TestReportViewer::buttonsFitTheDialog()
{
    QFETCH(QString, styleSheet);
    QWidget mainWindow; // carries the theme
    if (!styleSheet.isEmpty()) {
        QFile file(styleSheet);
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        mainWindow.setStyleSheet(QString::fromUtf8(file.readAll()));
    }
    auto* viewer = new ReportViewer(&mainWindow);
    viewer->SetDates(QDate::currentDate().addDays(-7), QDate::currentDate().addDays(-1));
    viewer->SetSalesMode();
    viewer->show();
    QVERIFY(QTest::qWaitForWindowExposed(viewer));
    QCOMPARE(viewer->size(), QSize(900, 650));
    // Each button lies whole inside the button row and the dialog.
    for (const char* name : {"buttonClose", "pushPrintToPDF", "buttonPrint", "pushExport"}) {
        auto* button = Child<QPushButton>(viewer, name);
        const QRect inDialog(button->mapTo(viewer, QPoint(0, 0)), button->size());
        QVERIFY2(button->parentWidget()->rect().contains(button->geometry()) && viewer->rect().contains(inDialog), name);
    }
}

VORANTEL_TEST_MAIN(TestReportViewer)
#include "tst_reportviewer.moc"
