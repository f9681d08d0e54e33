// The report viewer's grouped sales reports (by category and by date) over 1,000,000 sale lines.
//   bench_reports [LINES]   LINES sale lines (default 1000000), four to a sale, spread over a year
// Uses the server named by VORANTEL_TEST_DB_INFO (the test fixture's info file); without one it starts a
// throw-away server through scripts/test-db-fixture.sh and stops it at the end. Each report is timed over
// the last 30 days and over the whole year, first on the schema as it is, then with an index of the lines'
// grouping and summed columns (dropped again afterwards).

#include "appsettings.h"
#include "databasemanager.h"
#include "fixtureserver.h"
#include "messagesettings.h"
#include "reportviewer.h"

#include <QAbstractProxyModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QRadioButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QTableView>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

// Median and worst of several runs, in milliseconds.
void Report(const QString& what, const std::function<int()>& step, const std::function<void()>& untimed = nullptr,
            int runs = 5)
{
    QVector<qint64> times;
    int rows = 0;
    for (int i = 0; i < runs; ++i) {
        if (untimed)
            untimed();
        QElapsedTimer clock;
        clock.start();
        rows = step();
        times << clock.elapsed();
    }
    std::sort(times.begin(), times.end());
    std::printf("%-62s median %5lld ms   worst %5lld ms   %d rows\n", qPrintable(what), times.at(times.size() / 2),
                times.last(), rows);
}

int AllRows(ReportViewer& viewer)
{
    auto* model = qobject_cast<QSqlQueryModel*>(
        static_cast<QAbstractProxyModel*>(viewer.findChild<QTableView*>(QStringLiteral("tableViewItems"))->model())
            ->sourceModel());
    while (model->canFetchMore())
        model->fetchMore();
    return model->rowCount();
}

void TimeReports(const QString& label)
{
    const QDate today = QDate::currentDate();
    const QList<QPair<QString, QDate>> periods{{QStringLiteral("last 30 days"), today.addDays(-30)},
                                               {QStringLiteral("whole year"), today.addDays(-366)}};
    for (const auto& period : periods) {
        Report(QStringLiteral("%1: by category, %2").arg(label, period.first), [&] {
            ReportViewer viewer(nullptr);
            viewer.SetDates(period.second, today.addDays(-1));
            viewer.showSalesSummary = true;
            viewer.SetSalesMode();
            return AllRows(viewer);
        });
        ReportViewer viewer(nullptr);
        viewer.SetDates(period.second, today.addDays(-1));
        viewer.showSalesSummary = true;
        viewer.SetSalesMode();
        auto* byDate = viewer.findChild<QRadioButton*>(QStringLiteral("radioDate"));
        auto* byCategory = viewer.findChild<QRadioButton*>(QStringLiteral("radioSalesCategory"));
        Report(
            QStringLiteral("%1: by date, %2").arg(label, period.first),
            [&] {
                byDate->setChecked(true);
                return AllRows(viewer);
            },
            [&] { byCategory->setChecked(true); });
    }
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir scratch;
    UseScratchEnvironment(scratch.path());
    QApplication app(argc, argv);
    const int lines = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1000000;
    const int sales = std::max(1, lines / 4);

    FixtureServer server;
    if (!server.Start(scratch.path()))
        return 1;
    DatabaseManager* manager = DatabaseManager::Instance();
    const QString inventory = QStringLiteral("bench_rep_inv_%1").arg(QCoreApplication::applicationPid());
    const QString salesDb = QStringLiteral("bench_rep_sales_%1").arg(QCoreApplication::applicationPid());
    if (!CreateDatabases(inventory, salesDb))
        return 1;
    (*MessageSettings::Instance())[QStringLiteral("err_msg_45")].show = false;

    QElapsedTimer seeding;
    seeding.start();
    QSqlQuery seed(*manager->SalesDatabase());
    // Sales over the 365 days before today, numbered in time order as the sale screen makes them, four
    // lines each: 20 categories, 500 products, 50 customers, 5 users, one line in nineteen returned.
    const bool seeded =
        Run(seed, QStringLiteral("INSERT INTO tblSalesTransactions (ID, USER_ID, CUSTOMER, TIME_STAMP, STATUS) "
                                 "SELECT seq, CONCAT('user', seq % 5), CONCAT('Customer ', seq % 50), "
                                 "CURDATE() - INTERVAL 365 DAY + INTERVAL (seq - 1) * %2 SECOND, 2 FROM seq_1_to_%1")
                      .arg(sales)
                      .arg(365 * 86400 / sales))
        && Run(seed, QStringLiteral("INSERT INTO tblSalesInvoice (TRANSACTION_ID, ITEM_INDEX, PRODUCT_NAME, QUANTITY, "
                                    "PURCHASE_PRICE, SALE_PRICE, SUB_ITEMS, DISCOUNT, SUB_TOTAL, PURCHASE_SUB_TOTAL, "
                                    "SUB_TAX, CATEGORY, RETURNED) "
                                    "SELECT 1 + (seq - 1) DIV 4, seq % 4, CONCAT('Product ', seq % 500), 1 + seq % 3, 1.5, "
                                    "2.25, '0', 0.1, 2.25 * (1 + seq % 3), 1.5 * (1 + seq % 3), 0.2, "
                                    "CONCAT('Category ', seq % 500 % 20), IF(seq % 19 = 0, 1, 0) FROM seq_1_to_%1")
                         .arg(sales * 4))
        && Run(seed, QStringLiteral("ANALYZE TABLE tblSalesTransactions, tblSalesInvoice"));
    std::printf("%d sales with %d lines seeded in %lld ms\n\n", sales, sales * 4, seeding.elapsed());

    if (seeded) {
        TimeReports(QStringLiteral("schema as it is"));
        // The lines' grouping and summed columns in one index, read in sale order: the server then
        // need not visit the wide line rows at all.
        if (Run(seed, QStringLiteral("CREATE INDEX BENCH_LINE_TOTALS ON tblSalesInvoice (TRANSACTION_ID, RETURNED, "
                                     "CATEGORY, QUANTITY, SUB_TOTAL, SUB_TAX, DISCOUNT, PURCHASE_SUB_TOTAL)"))) {
            std::printf("\n");
            TimeReports(QStringLiteral("index of the line totals"));
            Run(seed, QStringLiteral("DROP INDEX BENCH_LINE_TOTALS ON tblSalesInvoice"));
        }
    }

    DropDatabases({inventory, salesDb});
    server.Stop();
    return seeded ? 0 : 1;
}
