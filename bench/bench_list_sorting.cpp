// Sorting the long lists: the products page, the inventory page, the sales records page and the report viewer.
//   bench_list_sorting [PRODUCTS...]
// seeds PRODUCTS products (default 100000, then 10000) in 50 categories, one to three stock rows each (164,286
// at 100,000 products), and two sales a product (200,000 at 100,000 products) of two lines each, over the last 30
// days. Names, stock codes and customers come in no order of their own. For each list it times, until the list
// is painted: ticking "Enable sorting of data table", a header click on a text column, Show All with the list
// sorted, a type-ahead key in that column that matches no row, sorted and unsorted, and one that moves far down
// the sorted list; for the products and inventory pages also the list print's HTML (into a string), with the
// longest time the window went without processing events while the HTML was built (its rows already fetched),
// and, for the inventory page, the label dialog's fill, each with the list sorted and unsorted.
// BENCH_LISTS=products,inventory,sales,viewer-products,viewer-stock picks lists; BENCH_RUNS sets the runs per
// figure (default 3); BENCH_NO_READERS leaves out the print and label figures. Figures are printed as they are
// taken.
// Uses the server named by VORANTEL_TEST_DB_INFO (the test fixture's info file); without one it starts a
// throw-away server through scripts/test-db-fixture.sh and stops it at the end.

#include "appsettings.h"
#include "barcodesettings.h"
#include "databasemanager.h"
#include "fixtureserver.h"
#include "inventorymanagement.h"
#include "inventorymodel.h"
#include "messagesettings.h"
#include "productmanagement.h"
#include "productmodels.h"
#include "reportgenerator.h"
#include "reportprinter.h"
#include "reportviewer.h"
#include "salesmanagement.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QPushButton>
#include <QRadioButton>
#include <QSortFilterProxyModel>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

int runs = 3;

void Paint(QWidget* window)
{
    QCoreApplication::processEvents();
    window->repaint();
}

void Report(const QString& what, QVector<qint64> times)
{
    std::sort(times.begin(), times.end());
    std::printf("  %-56s median %6lld ms   worst %6lld ms\n", qPrintable(what), times.at(times.size() / 2), times.last());
    std::fflush(stdout);
}

// Median and worst of the runs, in milliseconds; untimed runs before each timed one.
void Time(const QString& what, const std::function<void()>& step, const std::function<void()>& untimed = nullptr)
{
    QVector<qint64> times;
    for (int i = 0; i < runs; ++i) {
        if (untimed)
            untimed();
        QElapsedTimer clock;
        clock.start();
        step();
        times << clock.elapsed();
    }
    Report(what, times);
}

// The longest time the window went without processing events while step ran, as Time reports times: a
// zero-interval timer fires at every pass of the event loop.
void TimeWithoutEvents(const QString& what, const std::function<void()>& step, const std::function<void()>& untimed)
{
    QVector<qint64> longest;
    for (int i = 0; i < runs; ++i) {
        untimed();
        QElapsedTimer clock;
        qint64 last = 0;
        qint64 gap = 0;
        const auto tick = [&] {
            const qint64 now = clock.elapsed();
            gap = std::max(gap, now - last);
            last = now;
        };
        QTimer events;
        QObject::connect(&events, &QTimer::timeout, tick);
        events.start(0);
        clock.start();
        step();
        tick();
        longest << gap;
    }
    Report(what, longest);
}

template <typename T>
T* Child(QObject* parent, const char* name)
{
    return parent->findChild<T*>(QLatin1String(name));
}

QSortFilterProxyModel* Proxy(QTableView* view)
{
    return static_cast<QSortFilterProxyModel*>(view->model());
}

void ClickHeader(QTableView* view, int column)
{
    QHeaderView* header = view->horizontalHeader();
    view->scrollTo(view->model()->index(0, column));
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

// The box from an unsorted list, a header click on a text column, and Show All on the sorted list (after
// beforeShowAll, untimed, where Show All needs another list first).
void TimeSorting(QWidget* window, QTableView* view, QCheckBox* box, int textColumn, const std::function<void()>& showAll,
                 const std::function<void()>& beforeShowAll = nullptr)
{
    std::printf("  %d rows\n", view->model()->rowCount());
    Time(QStringLiteral("Show All, unsorted (for comparison)"), [&] {
        showAll();
        Paint(window);
    }, beforeShowAll);
    Time(QStringLiteral("tick \"Enable sorting of data table\""), [&] {
        box->click();
        Paint(window);
    }, [&] {
        if (box->isChecked())
            box->click();
        Proxy(view)->sort(-1);
        Paint(window);
    });
    Time(QStringLiteral("header click on \"%1\"").arg(view->model()->headerData(textColumn, Qt::Horizontal).toString()), [&] {
        ClickHeader(view, textColumn);
        Paint(window);
    });
    Time(QStringLiteral("Show All, sorted"), [&] {
        showAll();
        Paint(window);
    }, beforeShowAll);

    // A key in the clicked column that no row starts with: every row is compared. Each is the first key since
    // the list was sorted, as after a search or a header click.
    const auto key = [&] {
        QTest::keyClick(view, '~');
        Paint(window);
    };
    const auto inColumn = [&] {
        const int column = Proxy(view)->sortColumn();
        const Qt::SortOrder order = Proxy(view)->sortOrder();
        Proxy(view)->sort(-1);
        Proxy(view)->sort(column, order);
        view->setCurrentIndex(view->model()->index(0, textColumn));
        Paint(window);
    };
    Time(QStringLiteral("type-ahead key matching no row, sorted"), key, inColumn);
    // A key that moves far down the list: the first letter of the last row, typed at the first row. The
    // list's first and last rows are read untimed, as a user scrolling there would.
    char far = 0;
    Time(QStringLiteral("type-ahead key moving far down, sorted"), [&] {
        QTest::keyClick(view, far);
        Paint(window);
    }, [&] {
        inColumn();
        const QAbstractItemModel* shown = view->model();
        const QString last = shown->index(shown->rowCount() - 1, textColumn).data().toString();
        far = last.isEmpty() ? '~' : last.at(0).toLatin1();
        view->setCurrentIndex(shown->index(0, textColumn));
        Paint(window);
    });
    Time(QStringLiteral("type-ahead key matching no row, unsorted"), key, [&] {
        if (box->isChecked())
            box->click();
        Proxy(view)->sort(-1);
        inColumn();
    });
}

// The list print's HTML and, when labels, the label dialog's fill, sorted and unsorted.
void TimeReaders(QWidget* page, QTableView* view, QCheckBox* box, bool labels)
{
    const auto html = [&] {
        QString text;
        QTextStream out(&text);
        ReportPrinter(page).TableViewToHtml(QStringLiteral("REPORT"), &out, view, nullptr);
    };
    const auto sorted = [&] {
        if (!box->isChecked())
            box->click();
    };
    const auto unsorted = [&] {
        if (box->isChecked())
            box->click();
        Proxy(view)->sort(-1);
    };
    Time(QStringLiteral("print HTML, unsorted"), html, unsorted);
    Time(QStringLiteral("print HTML, sorted"), html, sorted);
    // Without the rows' fetch, which reads the result in before any row is written.
    const auto fetched = [&](const std::function<void()>& order) {
        return [&, order] {
            order();
            QAbstractItemModel* source = Proxy(view)->sourceModel();
            while (source->canFetchMore(QModelIndex()))
                source->fetchMore(QModelIndex());
        };
    };
    TimeWithoutEvents(QStringLiteral("print HTML, longest without events, unsorted"), html, fetched(unsorted));
    TimeWithoutEvents(QStringLiteral("print HTML, longest without events, sorted"), html, fetched(sorted));
    if (!labels)
        return;
    const auto fill = [&] { BarcodeSettings dialog(nullptr, view); };
    Time(QStringLiteral("label dialog fill, unsorted"), fill, unsorted);
    Time(QStringLiteral("label dialog fill, sorted"), fill, sorted);
}

bool Seed(int products)
{
    DatabaseManager* manager = DatabaseManager::Instance();
    QSqlQuery inventory(*manager->InventoryDatabase());
    QSqlQuery sales(*manager->SalesDatabase());
    const int salesCount = 2 * products;
    // Names, codes and customers from a hash, so that no column is already in order.
    return Run(inventory, QStringLiteral("INSERT INTO tblProductCategories (NAME) SELECT CONCAT('Category ', "
                                         "LEFT(MD5(seq), 4)) FROM seq_1_to_50"))
        && Run(inventory, QStringLiteral("INSERT INTO tblProducts (CATEGORY_ID, PRODUCT_CODE, NAME, DESCRIPTION, "
                                         "TAX_RATE) SELECT 1 + seq % 50, CONCAT('P', seq), CONCAT(ELT(1 + seq % 4, "
                                         "'Tea ', 'tea ', 'Rice ', 'rice '), LEFT(MD5(seq), 8)), 'Bench product', 15 "
                                         "FROM seq_1_to_%1")
                                  .arg(products))
        && Run(inventory, QStringLiteral("INSERT INTO tblInventory (PRODUCT_ID, VENDOR_ID, BAR_CODE, BATCH_NUMBER, "
                                         "STORAGE_LOCATION, PURCHASE_PRICE, SALE_PRICE, QUANTITY) "
                                         "SELECT p.ID, 1, CONCAT(UPPER(LEFT(MD5(CONCAT(p.ID, '-', b.seq)), 8)), '-', "
                                         "p.ID, '-', b.seq), 'B1', CONCAT('Shelf ', p.ID % 40), 6.5, 9.99, p.ID % 90 "
                                         "FROM tblProducts p JOIN seq_0_to_2 b ON b.seq = 0 OR (b.seq = 1 AND p.ID % 2 = 0) "
                                         "OR (b.seq = 2 AND p.ID % 7 = 0)"))
        && Run(sales, QStringLiteral("INSERT INTO tblSalesTransactions (ID, USER_ID, CUSTOMER, TIME_STAMP, "
                                     "GRAND_TOTAL, PAID, STATUS) SELECT seq, CONCAT('user', seq % 5), CONCAT('Customer ', "
                                     "LEFT(MD5(seq % 5000), 6)), NOW() - INTERVAL 30 DAY + INTERVAL (seq - 1) * %2 "
                                     "SECOND, 19.98, 19.98, 2 FROM seq_1_to_%1")
                              .arg(salesCount)
                              .arg(29 * 86400 / salesCount))
        && Run(sales, QStringLiteral("INSERT INTO tblSalesInvoice (TRANSACTION_ID, ITEM_INDEX, PRODUCT_NAME, QUANTITY, "
                                     "PURCHASE_PRICE, SALE_PRICE, SUB_ITEMS, DISCOUNT, SUB_TOTAL, PURCHASE_SUB_TOTAL, "
                                     "SUB_TAX, CATEGORY) SELECT 1 + (seq - 1) DIV 2, seq % 2, CONCAT(ELT(1 + seq % 4, "
                                     "'Tea ', 'tea ', 'Rice ', 'rice '), LEFT(MD5(seq % %2), 8)), 1, 6.5, 9.99, '0', 0, "
                                     "9.99, 6.5, 1.5, CONCAT('Category ', seq % 50) FROM seq_1_to_%1")
                              .arg(2 * salesCount)
                              .arg(products))
        && Run(inventory, QStringLiteral("ANALYZE TABLE tblProducts, tblInventory"))
        && Run(sales, QStringLiteral("ANALYZE TABLE tblSalesTransactions, tblSalesInvoice"));
}

// A list page at the window's size: its sorting, and its readers unless readers is "none".
void TimePage(QWidget& page, const char* view, int textColumn, const QString& readers)
{
    page.resize(1366, 768);
    page.show();
    Paint(&page);
    auto* table = Child<QTableView>(&page, view);
    auto* box = Child<QCheckBox>(&page, "checkEnableSorting");
    TimeSorting(&page, table, box, textColumn, [&] { Child<QPushButton>(&page, "buttonShowAll")->click(); });
    if (readers != QLatin1String("none") && !qEnvironmentVariableIsSet("BENCH_NO_READERS"))
        TimeReaders(&page, table, box, readers == QLatin1String("print and labels"));
}

void TimeLists(const QStringList& lists)
{
    if (lists.contains(QLatin1String("products"))) {
        std::printf("Products page\n");
        ProductManagement page(nullptr, false);
        TimePage(page, "tableViewProducts", ProductModel::NAME, QStringLiteral("print"));
    }
    if (lists.contains(QLatin1String("inventory"))) {
        std::printf("Inventory page\n");
        InventoryManagement page(nullptr, false);
        TimePage(page, "tableViewItems", InventoryModel::P_NAME, QStringLiteral("print and labels"));
    }
    if (lists.contains(QLatin1String("sales"))) {
        std::printf("Sales records page\n");
        SalesManagement page(nullptr, false, false, 0);
        TimePage(page, "tableViewSales", 2, QStringLiteral("none"));
    }
    ReportGenerator reports(nullptr);
    if (lists.contains(QLatin1String("viewer-products"))) {
        std::printf("Report viewer, sales grouped by product\n");
        InModalDialog<ReportViewer>([&] { reports.FinancialReportLast30Days(); }, [&](ReportViewer* viewer) {
            auto* byProduct = Child<QRadioButton>(viewer, "radioProduct");
            byProduct->setChecked(true);
            Paint(viewer);
            TimeSorting(viewer, Child<QTableView>(viewer, "tableViewItems"), Child<QCheckBox>(viewer, "checkEnableSorting"),
                        0, [&] { byProduct->setChecked(true); },
                        [&] { Child<QRadioButton>(viewer, "radioDate")->setChecked(true); });
        });
    }
    if (lists.contains(QLatin1String("viewer-stock"))) {
        std::printf("Report viewer, Stock Count and Value Report\n");
        InModalDialog<ReportViewer>([&] { reports.StockCountAndValueReport(); }, [&](ReportViewer* viewer) {
            auto* filter = Child<QComboBox>(viewer, "comboBoxVendors");
            TimeSorting(viewer, Child<QTableView>(viewer, "tableViewItems"), Child<QCheckBox>(viewer, "checkEnableSorting"),
                        1, [&] { filter->setCurrentIndex(-1); }, [&] { filter->setCurrentIndex(0); });
        });
    }
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir scratch;
    UseScratchEnvironment(scratch.path());
    QApplication app(argc, argv);
    QList<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes << QString::fromLocal8Bit(argv[i]).toInt();
    if (sizes.isEmpty())
        sizes = {100000, 10000};
    if (qEnvironmentVariableIsSet("BENCH_RUNS"))
        runs = std::max(1, qEnvironmentVariableIntValue("BENCH_RUNS"));
    QStringList lists = qEnvironmentVariable("BENCH_LISTS").split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (lists.isEmpty())
        lists = QStringList{QStringLiteral("products"), QStringLiteral("inventory"), QStringLiteral("sales"),
                            QStringLiteral("viewer-products"), QStringLiteral("viewer-stock")};

    FixtureServer server;
    if (!server.Start(scratch.path()))
        return 1;
    for (const char* id : {"err_msg_14", "err_msg_42", "err_msg_45"})
        (*MessageSettings::Instance())[QLatin1String(id)].show = false;

    bool ok = true;
    for (int products : qAsConst(sizes)) {
        const QString inventory = QStringLiteral("bench_sort_inv_%1_%2").arg(QCoreApplication::applicationPid()).arg(products);
        const QString sales = QStringLiteral("bench_sort_sales_%1_%2").arg(QCoreApplication::applicationPid()).arg(products);
        if (!CreateDatabases(inventory, sales))
            return 1;
        QElapsedTimer seeding;
        seeding.start();
        ok = Seed(products);
        std::printf("\n%d products, their stock rows and %d sales seeded in %lld ms\n", products, 2 * products,
                    seeding.elapsed());
        if (ok)
            TimeLists(lists);
        DropDatabases({inventory, sales});
        if (!ok)
            break;
    }
    server.Stop();
    return ok ? 0 : 1;
}
