#include "appsettings.h"
#include "backofficefixture.h"
#include "messagesettings.h"
#include "modalanswerer.h"
#include "pdfreader.h"
#include "reportgenerator.h"
#include "reportparameterdialog.h"
#include "reportprinter.h"
#include "reporttest.h"
#include "reportsmanagement.h"
#include "reportviewer.h"
#include "testsupport.h"
#include "urlrecorder.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTableView>

using ReportSeed::Day;

namespace {

// What a report viewer showed when it ran.
struct Shown
{
    QString heading;
    QString title;
    QStringList figures; // total sales, cost, discount, tax, items sold, total returns, items returned
    QString start;
    QString end;
    bool datesShown = false;
    QString expenses;        // the expense report's total
    QStringList firstColumn; // sorted
    QStringList headers;
};

Shown Read(ReportViewer* viewer)
{
    Shown shown;
    shown.heading = Child<QLabel>(viewer, "labelHeading")->text();
    shown.title = viewer->reportTitle;
    for (const char* field : {"lineTotalSales", "linePurchaseCost", "lineDiscount", "lineEditSalesTax", "lineItemsSold"})
        shown.figures << Child<QLineEdit>(viewer, field)->text();
    shown.figures << viewer->TotalReturns() << Child<QLineEdit>(viewer, "lineItemsReturned")->text();
    shown.start = Child<QLabel>(viewer, "labelStarDate")->text();
    shown.end = Child<QLabel>(viewer, "labelEndDate")->text();
    shown.datesShown = !Child<QLabel>(viewer, "labelStarDate")->isHidden()
                       && !Child<QLabel>(viewer, "labelEndDate")->isHidden();
    shown.expenses = Child<QLineEdit>(viewer, "lineTotalExpensesSummary")->text();
    QAbstractItemModel* model = Child<QTableView>(viewer, "tableViewItems")->model();
    for (int r = 0; r < model->rowCount(); ++r)
        shown.firstColumn << model->index(r, 0).data().toString();
    shown.firstColumn.sort();
    for (int c = 0; c < model->columnCount(); ++c)
        shown.headers << model->headerData(c, Qt::Horizontal).toString();
    return shown;
}

QString Period(int startBack, int endBack)
{
    return QStringLiteral("START DATE : %1 END DATE : %2").arg(Day(startBack), Day(endBack));
}

} // namespace

// The quick reports and the reports page on seeded databases: the figures and period each
// financial report hands the viewer, the expense reports, and the inventory lists with their
// bound thresholds.
class TestReportGenerator : public ReportTest
{
    Q_OBJECT

private slots:
    void financialReports_data();
    void financialReports();
    void financialReportOutput();
    void failedFinancialQueryShowsAnError();
    void expenseReports_data();
    void expenseReports();
    void stockCountAndValueRoundsByDecimalPlaces();
    void pageStartsWithItsSelection();
    void pageRunsTheChosenReport_data();
    void pageRunsTheChosenReport();
    void roundingNoticeComesBeforeFinancialReports_data();
    void roundingNoticeComesBeforeFinancialReports();
    void inventoryLists_data();
    void inventoryLists();

private:
    // Runs the report and reads the viewer it opened; a date range is answered with the two dates.
    Shown RunReport(const std::function<void()>& report, const QDate& rangeStart = QDate(),
                    const QDate& rangeEnd = QDate(), const std::function<void(ReportViewer*)>& inViewer = nullptr);
};

Shown TestReportGenerator::RunReport(const std::function<void()>& report, const QDate& rangeStart,
                                     const QDate& rangeEnd, const std::function<void(ReportViewer*)>& inViewer)
{
    if (rangeStart.isValid()) {
        answerer->handleClass<ReportParameterDialog>("ReportParameterDialog", [=](ReportParameterDialog* prompt) {
            prompt->findChild<QDateEdit*>(QStringLiteral("dateEditStart"))->setDate(rangeStart);
            prompt->findChild<QDateEdit*>(QStringLiteral("dateEditEnd"))->setDate(rangeEnd);
            prompt->findChild<QPushButton*>(QStringLiteral("pushButton_2"))->click();
        });
    }
    Shown shown;
    answerer->handleClass<ReportViewer>("ReportViewer", [&](ReportViewer* viewer) {
        shown = Read(viewer);
        if (inViewer)
            inViewer(viewer);
        viewer->reject();
    });
    report();
    return shown;
}

void TestReportGenerator::financialReports_data()
{
    QTest::addColumn<QString>("report");
    QTest::addColumn<int>("rangeStart"); // days back; -1 for the fixed periods
    QTest::addColumn<int>("rangeEnd");
    QTest::addColumn<QString>("heading");
    QTest::addColumn<QStringList>("figures");
    QTest::addColumn<QString>("period");
    QTest::addColumn<QStringList>("categories");
    QTest::newRow("current day") << "FinancialReportCurrentDay" << -1 << -1 << "FINANCIAL REPORT (CURRENT DAY)"
                                 << QStringList{"33.00", "18.00", "0.50", "3.00", "3", "0.00", "0"} << Period(0, 0)
                                 << QStringList{"Drinks", "Food"};
    // Yesterday holds an unfinished sale (status -1): its line counts like any other.
    QTest::newRow("last day") << "FinancialReportLastDay" << -1 << -1 << "FINANCIAL REPORT (LAST DAY)"
                              << QStringList{"22.00", "12.00", "1.00", "2.00", "4", "22.00", "1"} << Period(1, 1)
                              << QStringList{"Drinks"};
    // Seven whole days before today; the sale eight days back is not one of them.
    QTest::newRow("last 7 days") << "FinancialReportLast7Days" << -1 << -1 << "FINANCIAL REPORT (LAST 7 DAYS)"
                                 << QStringList{"110.00", "60.00", "3.00", "10.00", "8", "22.00", "1"} << Period(7, 1)
                                 << QStringList{"Drinks", "Food"};
    QTest::newRow("last 30 days") << "FinancialReportLast30Days" << -1 << -1 << "FINANCIAL REPORT (LAST 30 DAYS)"
                                  << QStringList{"275.00", "150.00", "3.00", "25.00", "19", "22.00", "1"}
                                  << Period(30, 1) << QStringList{"Drinks", "Food"};
    QTest::newRow("date range") << "FinancialReportDateRange" << 8 << 7 << "FINANCIAL REPORT"
                                << QStringList{"143.00", "78.00", "2.00", "13.00", "14", "0.00", "0"} << Period(8, 7)
                                << QStringList{"Drinks", "Food"};
    QTest::newRow("period without sales") << "FinancialReportDateRange" << -3 << -5 << "FINANCIAL REPORT"
                                          << QStringList{"0.00", "0.00", "0.00", "0.00", "0", "0.00", "0"}
                                          << Period(-3, -5) << QStringList();
}

void TestReportGenerator::financialReports()
{
    QFETCH(QString, report);
    QFETCH(int, rangeStart);
    QFETCH(int, rangeEnd);
    QFETCH(QString, heading);
    QFETCH(QStringList, figures);
    QFETCH(QString, period);
    QFETCH(QStringList, categories);
    const bool range = rangeStart != -1;
    ReportGenerator generator(nullptr);
    const QMap<QString, void (ReportGenerator::*)()> reports{
        {"FinancialReportCurrentDay", &ReportGenerator::FinancialReportCurrentDay},
        {"FinancialReportLastDay", &ReportGenerator::FinancialReportLastDay},
        {"FinancialReportLast7Days", &ReportGenerator::FinancialReportLast7Days},
        {"FinancialReportLast30Days", &ReportGenerator::FinancialReportLast30Days},
        {"FinancialReportDateRange", &ReportGenerator::FinancialReportDateRange}};
    const Shown shown = RunReport([&] { (generator.*reports.value(report))(); },
                                  range ? QDate::currentDate().addDays(-rangeStart) : QDate(),
                                  range ? QDate::currentDate().addDays(-rangeEnd) : QDate());
    QCOMPARE(shown.heading, heading);
    QCOMPARE(shown.title, heading);
    QCOMPARE(shown.figures, figures);
    QCOMPARE(shown.start + QLatin1Char(' ') + shown.end, period);
    QCOMPARE(shown.datesShown, range);
    QCOMPARE(shown.firstColumn, categories);
}

void TestReportGenerator::financialReportOutput()
{
    QFile::remove(ReportPrinter::PdfPath());
    UrlRecorder urls;
    ReportGenerator generator(nullptr);
    QString salesPerCategory;
    QStringList returnHeaders;
    RunReport([&] { generator.FinancialReportLast7Days(); }, QDate(), QDate(), [&](ReportViewer* viewer) {
        QAbstractItemModel* model = Child<QTableView>(viewer, "tableViewItems")->model();
        for (int r = 0; r < model->rowCount(); ++r)
            salesPerCategory += model->index(r, 0).data().toString() + '=' + model->index(r, 1).data().toString() + ' ';
        Child<QPushButton>(viewer, "pushPrintToPDF")->click();
        Child<QCheckBox>(viewer, "checkViewReturns")->setChecked(true);
        for (int c = 0; c < model->columnCount(); ++c)
            returnHeaders << model->headerData(c, Qt::Horizontal).toString();
    });
    // Per category, the sum of the lines' sub-total and tax.
    QVERIFY2(salesPerCategory.contains(QStringLiteral("Drinks=22.00")), qPrintable(salesPerCategory));
    QVERIFY2(salesPerCategory.contains(QStringLiteral("Food=88.00")), qPrintable(salesPerCategory));
    QCOMPARE(returnHeaders, QStringList({"CATEGORY", "RETURNS", "ITEMS RETURNED"}));
    QCOMPARE(urls.urls, QList<QUrl>{QUrl::fromLocalFile(ReportPrinter::PdfPath())});
    // Simplified: a long heading wraps beside the logo.
    const QString text = PdfReader::Text(ReportPrinter::PdfPath()).simplified();
    for (const char* line : {"RESULTS GROUPED BY CATEGORY", "Total Expenses : $50.00", "Total Sales : $110.00",
                             "FINANCIAL REPORT (LAST 7 DAYS)"})
        QVERIFY2(text.contains(QLatin1String(line)), qPrintable(QLatin1String(line) + " missing in\n" + text));
    QVERIFY(text.contains(QStringLiteral("START DATE : %1").arg(Day(7))));
}

void TestReportGenerator::failedFinancialQueryShowsAnError()
{
    QCOMPARE(fixture.execSales({QStringLiteral("RENAME TABLE tblSalesInvoice TO tblSalesInvoiceAway")}), QString());
    answerer->pressButton(QMessageBox::Ok);
    ReportGenerator generator(nullptr);
    generator.FinancialReportLastDay();
    QCOMPARE(fixture.execSales({QStringLiteral("RENAME TABLE tblSalesInvoiceAway TO tblSalesInvoice")}), QString());
    // An error, and no report of zeros.
    QCOMPARE(answerer->seen.size(), 1);
    QVERIFY2(answerer->messages().value(0).startsWith(QStringLiteral("Financial Report|The sales figures could not be read.")),
             qPrintable(answerer->messages().join(',')));
}

void TestReportGenerator::expenseReports_data()
{
    QTest::addColumn<QString>("report");
    QTest::addColumn<QString>("heading");
    QTest::addColumn<QString>("total");
    QTest::addColumn<QString>("period");
    QTest::addColumn<int>("rows");
    QTest::newRow("current day") << "ExpenseReportCurrentDay" << "EXPENSE REPORT (CURRENT DAY)" << "0.00" << Period(0, 0) << 0;
    QTest::newRow("last day") << "ExpenseReportLastDay" << "EXPENSE REPORT (LAST DAY)" << "20.00" << Period(1, 1) << 2;
    QTest::newRow("last 7 days") << "ExpenseReportLast7Days" << "EXPENSE REPORT (LAST 7 DAYS)" << "50.00" << Period(7, 1) << 3;
    QTest::newRow("last 30 days") << "ExpenseReportLast30Days" << "EXPENSE REPORT (LAST 30 DAYS)" << "550.00"
                                  << Period(30, 1) << 4;
    QTest::newRow("date range") << "ExpenseReportDateRange" << "EXPENSE REPORT" << "500.00" << Period(8, 8) << 1;
}

void TestReportGenerator::expenseReports()
{
    QFETCH(QString, report);
    QFETCH(QString, heading);
    QFETCH(QString, total);
    QFETCH(QString, period);
    QFETCH(int, rows);
    ReportGenerator generator(nullptr);
    const bool range = report == QLatin1String("ExpenseReportDateRange");
    const QMap<QString, void (ReportGenerator::*)()> reports{
        {"ExpenseReportCurrentDay", &ReportGenerator::ExpenseReportCurrentDay},
        {"ExpenseReportLastDay", &ReportGenerator::ExpenseReportLastDay},
        {"ExpenseReportLast7Days", &ReportGenerator::ExpenseReportLast7Days},
        {"ExpenseReportLast30Days", &ReportGenerator::ExpenseReportLast30Days},
        {"ExpenseReportDateRange", &ReportGenerator::ExpenseReportDateRange}};
    const Shown shown = RunReport([&] { (generator.*reports.value(report))(); },
        range ? QDate::currentDate().addDays(-8) : QDate(), range ? QDate::currentDate().addDays(-8) : QDate());
    QCOMPARE(shown.heading, heading);
    QCOMPARE(shown.expenses, total);
    QCOMPARE(shown.start + QLatin1Char(' ') + shown.end, period);
    QCOMPARE(shown.datesShown, range);
    QCOMPARE(shown.firstColumn.size(), rows);
    QCOMPARE(shown.headers, QStringList({"CATEGORY", "AMOUNT", "DESCRIPTION", "DATE"}));
}

void TestReportGenerator::stockCountAndValueRoundsByDecimalPlaces()
{
    AppSettings::Instance()->settings->setValue(QStringLiteral("decimal_places"), QStringLiteral("0"));
    ReportGenerator generator(nullptr);
    QString saleValue;
    const Shown shown = RunReport([&] { generator.StockCountAndValueReport(); }, QDate(), QDate(),
                                  [&](ReportViewer* viewer) {
                                      QAbstractItemModel* model = Child<QTableView>(viewer, "tableViewItems")->model();
                                      for (int r = 0; r < model->rowCount(); ++r) {
                                          if (model->index(r, 0).data().toString() == QLatin1String("B1"))
                                              saleValue = model->index(r, 4).data(Qt::EditRole).toString();
                                      }
                                  });
    QCOMPARE(shown.heading, QStringLiteral("Stock Count and Value Report"));
    QCOMPARE(shown.firstColumn, QStringList({"B1", "B2", "B3", "B4", "B5"}));
    // 4 with 10 % tax is 4.4, rounded by the server to whole numbers.
    QCOMPARE(saleValue, QStringLiteral("4"));
}

void TestReportGenerator::pageStartsWithItsSelection()
{
    ReportsManagement page(nullptr);
    for (const char* radio : {"radioLastSevenDays", "radioExpenseLastDay", "radioSixMonths"})
        QVERIFY2(Child<QRadioButton>(&page, radio)->isChecked(), radio);
    for (const char* radio : {"radioFinancialReportForLastDay", "radioLowStock"})
        QVERIFY2(!Child<QRadioButton>(&page, radio)->isChecked(), radio);
}

void TestReportGenerator::pageRunsTheChosenReport_data()
{
    QTest::addColumn<QString>("radio");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("heading");
    QTest::newRow("financial, 30 days") << "radioLastThirtyDays" << "buttonSaleView" << "FINANCIAL REPORT (LAST 30 DAYS)";
    QTest::newRow("financial, current day") << "radioFinancialReportForCurrentDay" << "buttonSaleView"
                                            << "FINANCIAL REPORT (CURRENT DAY)";
    QTest::newRow("expenses, 7 days") << "radioExpenseLast7Days" << "pushViewExpenseReport"
                                      << "EXPENSE REPORT (LAST 7 DAYS)";
    QTest::newRow("stock count and value") << "radioStockCountAndValue" << "buttonInventoryView"
                                           << "Stock Count and Value Report";
}

void TestReportGenerator::pageRunsTheChosenReport()
{
    QFETCH(QString, radio);
    QFETCH(QString, button);
    QFETCH(QString, heading);
    ReportsManagement page(nullptr);
    Child<QRadioButton>(&page, qPrintable(radio))->setChecked(true);
    const Shown shown = RunReport([&] { Child<QPushButton>(&page, qPrintable(button))->click(); });
    QCOMPARE(shown.heading, heading);
    QCOMPARE(answerer->seen.size(), 1);
}

void TestReportGenerator::roundingNoticeComesBeforeFinancialReports_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("opened");
    QTest::newRow("financial") << "buttonSaleView" << QStringList{"ErrorDialog", "ReportViewer"};
    QTest::newRow("expenses") << "pushViewExpenseReport" << QStringList{"ReportViewer"};
}

void TestReportGenerator::roundingNoticeComesBeforeFinancialReports()
{
    QFETCH(QString, button);
    QFETCH(QStringList, opened);
    AppSettings::Instance()->settings->setValue(QStringLiteral("err_msg_28"), true);
    MessageSettings::Instance()->Load();
    ReportsManagement page(nullptr);
    if (opened.size() == 2)
        answerer->handleClass("ErrorDialog", [](QWidget* notice) { static_cast<QDialog*>(notice)->reject(); });
    RunReport([&] { Child<QPushButton>(&page, qPrintable(button))->click(); });
    QStringList seen;
    for (const ModalAnswerer::Seen& modal : qAsConst(answerer->seen))
        seen << modal.className;
    QCOMPARE(seen, opened);
}

void TestReportGenerator::inventoryLists_data()
{
    QTest::addColumn<QString>("radio");
    QTest::addColumn<QString>("typed"); // null: no prompt
    QTest::addColumn<QString>("heading"); // empty: no report
    QTest::addColumn<QStringList>("codes");
    QTest::addColumn<QString>("message");
    const QString low = QStringLiteral("radioLowStock");
    const QString days = QStringLiteral("radioSixMonths");
    QTest::newRow("low stock 5") << low << "5" << "STOCK LEVEL LESS THAN (5)" << QStringList{"B1", "B3", "B4"} << "";
    QTest::newRow("low stock 0") << low << " 0 " << "STOCK LEVEL LESS THAN (0)" << QStringList{"B4"} << "";
    QTest::newRow("low stock with SQL") << low << "5; DROP TABLE tblInventory" << "" << QStringList() << "Inventory "
        "Report|Please enter a whole number, such as 5. \"5; DROP TABLE tblInventory\" is not one.";
    QTest::newRow("low stock 2.5") << low << "2.5" << "" << QStringList()
                                   << "Inventory Report|Please enter a whole number, such as 5. \"2.5\" is not one.";
    QTest::newRow("low stock, no value") << low << "" << "" << QStringList() << "";
    // Stock already expired is listed too; stock without an expiry date is not.
    QTest::newRow("expiring in 30 days") << days << "30" << "EXPIRING ITEMS IN (30) DAYS" << QStringList{"B1", "B2"} << "";
    QTest::newRow("expiring in x days") << days << "x" << "" << QStringList()
                                        << "Inventory Report|Please enter a whole number, such as 5. \"x\" is not one.";
    QTest::newRow("expiring in six months") << "radioStockExpiringInNextSixMonths" << QString()
                                            << "EXPIRING ITEMS IN SIX MONTHS" << QStringList{"B1", "B2", "B5"} << "";
    QTest::newRow("out of stock") << "radioOutofStock" << QString() << "OUT OF STOCK ITEMS" << QStringList{"B3", "B4"}
                                  << "";
}

void TestReportGenerator::inventoryLists()
{
    QFETCH(QString, radio);
    QFETCH(QString, typed);
    QFETCH(QString, heading);
    QFETCH(QStringList, codes);
    QFETCH(QString, message);
    ReportsManagement page(nullptr);
    Child<QRadioButton>(&page, qPrintable(radio))->setChecked(true);
    QString caption;
    if (!typed.isNull()) {
        answerer->handleClass<ReportParameterDialog>("ReportParameterDialog", [&](ReportParameterDialog* prompt) {
            caption = prompt->findChild<QLabel*>(QStringLiteral("label"))->text();
            prompt->findChild<QLineEdit*>(QStringLiteral("lineEditValue"))->setText(typed);
            prompt->findChild<QPushButton*>(QStringLiteral("pushButton"))->click();
        });
    }
    if (!message.isEmpty())
        answerer->pressButton(QMessageBox::Ok);
    Shown shown;
    if (!heading.isEmpty()) {
        answerer->handleClass<ReportViewer>("ReportViewer", [&](ReportViewer* viewer) {
            shown = Read(viewer);
            viewer->reject();
        });
    }
    Child<QPushButton>(&page, "buttonInventoryView")->click();
    QCOMPARE(shown.heading, heading);
    QCOMPARE(shown.firstColumn, codes);
    QStringList messages = answerer->messages();
    QCOMPARE(messages, message.isEmpty() ? QStringList() : QStringList{message});
    if (radio == QLatin1String("radioLowStock"))
        QCOMPARE(caption, QStringLiteral("Enter low stock value"));
    QCOMPARE(fixture.inventoryRows(QStringLiteral("SELECT COUNT(*) FROM tblInventory")), QStringList{"5"});
}

VORANTEL_TEST_MAIN(TestReportGenerator)
#include "tst_reportgenerator.moc"
