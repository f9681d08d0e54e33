// Opening and searching the products and inventory pages with 100,000 products, each with one stock row, and the
// inventory page's first read after its connection was dropped (as by a server restart) while the stock report is
// open in the report viewer.
//   bench_inventory_pages [N]   N products (default 100000)
// Uses the server named by VORANTEL_TEST_DB_INFO (the test fixture's info file); without one it starts a
// throw-away server through scripts/test-db-fixture.sh and stops it at the end. Run with QT_QPA_PLATFORM=offscreen.

#include "appsettings.h"
#include "databasemanager.h"
#include "fixtureserver.h"
#include "inventorymanagement.h"
#include "messagesettings.h"
#include "productmanagement.h"
#include "reportgenerator.h"
#include "reportviewer.h"
#include "testsupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

void Print(const char* what, QVector<qint64> times)
{
    std::sort(times.begin(), times.end());
    std::printf("%-58s median %5lld ms   worst %5lld ms\n", what, times.at(times.size() / 2), times.last());
}

// Median and worst of several runs, in milliseconds.
void Report(const char* what, const std::function<void()>& step, int runs = 5)
{
    QVector<qint64> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        step();
        times << clock.elapsed();
    }
    Print(what, times);
}

// Until the rows are painted.
void Paint(QWidget* page)
{
    page->show();
    QCoreApplication::processEvents();
    page->repaint();
}

// Drops the manager's inventory connection from another one, as a server restart would.
void DropInventoryConnection()
{
    QSqlDatabase* db = DatabaseManager::Instance()->InventoryDatabase();
    QSqlQuery id(*db);
    if (!id.exec(QStringLiteral("SELECT CONNECTION_ID()")) || !id.next())
        return;
    const QString killer = QStringLiteral("bench_killer");
    {
        QSqlDatabase other = QSqlDatabase::cloneDatabase(*db, killer);
        if (other.open())
            QSqlQuery(other).exec(QStringLiteral("KILL %1").arg(id.value(0).toLongLong()));
    }
    QSqlDatabase::removeDatabase(killer);
}

template <typename Page>
void Search(Page& page, const char* field, const QString& text, const char* button)
{
    page.template findChild<QLineEdit*>(QLatin1String(field))->setText(text);
    page.template findChild<QPushButton*>(QLatin1String(button))->click();
    Paint(&page);
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir scratch;
    UseScratchEnvironment(scratch.path());
    QApplication app(argc, argv);
    const int products = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;

    FixtureServer server;
    if (!server.Start(scratch.path()))
        return 1;
    DatabaseManager* manager = DatabaseManager::Instance();
    const QString name = QStringLiteral("bench_inventory_%1").arg(QCoreApplication::applicationPid());
    const QString sales = name + QStringLiteral("_sales"); // the report viewer reads it too
    if (!CreateDatabases(name, sales))
        return 1;
    for (const char* id : {"err_msg_14", "err_msg_42", "err_msg_45"})
        (*MessageSettings::Instance())[QLatin1String(id)].show = false;

    QElapsedTimer seeding;
    seeding.start();
    QSqlQuery seed(*manager->InventoryDatabase());
    const bool seeded =
        Run(seed, QStringLiteral("INSERT INTO tblProductCategories (NAME) SELECT CONCAT('Category ', seq) FROM seq_1_to_50"))
        && Run(seed, QStringLiteral("INSERT INTO tblProducts (CATEGORY_ID, PRODUCT_CODE, NAME, DESCRIPTION) "
                                    "SELECT 1 + seq % 50, CONCAT('P', LPAD(seq, 6, '0')), CONCAT('Product ', seq), "
                                    "'Bench product' FROM seq_1_to_%1").arg(products))
        && Run(seed, QStringLiteral("INSERT INTO tblInventory (PRODUCT_ID, VENDOR_ID, BAR_CODE, BATCH_NUMBER, "
                                    "STORAGE_LOCATION, PURCHASE_PRICE, SALE_PRICE, QUANTITY) SELECT p.ID, 1, "
                                    "CONCAT('S', p.PRODUCT_CODE), 'B1', CONCAT('Shelf ', p.ID % 40), 1.5, 2.25, p.ID % 90 "
                                    "FROM tblProducts p"));
    std::printf("%d products and stock rows seeded in %lld ms\n\n", products, seeding.elapsed());

    if (seeded) {
        QSqlQuery raw(*manager->InventoryDatabase());
        raw.setForwardOnly(true);
        Report("server alone: products LIKE on name, 100,000 rows scanned", [&] {
            raw.exec(QStringLiteral("SELECT COUNT(*) FROM tblProducts WHERE NAME LIKE '%uct 4711%'"));
        });
        Report("server alone: products LIKE on code", [&] {
            raw.exec(QStringLiteral("SELECT COUNT(*) FROM tblProducts WHERE PRODUCT_CODE LIKE '%0815%'"));
        });
        Report("products page: opened, first rows shown", [] {
            ProductManagement page(nullptr, false);
            Paint(&page);
        });
        {
            ProductManagement page(nullptr, false);
            Paint(&page);
            Report("products page: search by name (substring)", [&] { Search(page, "editName", QStringLiteral("uct 4711"), "buttonSearch"); });
            page.findChild<QLineEdit*>(QStringLiteral("editName"))->clear();
            Report("products page: search by product code (substring)", [&] { Search(page, "editCode", QStringLiteral("0815"), "buttonSearch"); });
            page.findChild<QLineEdit*>(QStringLiteral("editCode"))->clear();
            Report("products page: search by category (substring)", [&] { Search(page, "lineEditCategory", QStringLiteral("ory 17"), "buttonSearch"); });
            Report("products page: Show All", [&] { page.findChild<QPushButton*>(QStringLiteral("buttonShowAll"))->click(); Paint(&page); });
        }
        Report("inventory page: opened, first rows shown", [] {
            InventoryManagement page(nullptr, false);
            Paint(&page);
        });
        {
            InventoryManagement page(nullptr, false);
            Paint(&page);
            Report("inventory page: search by product name (substring)", [&] { Search(page, "editName", QStringLiteral("uct 4711"), "buttonSearch"); });
            page.findChild<QLineEdit*>(QStringLiteral("editName"))->clear();
            Report("inventory page: search by stock code (substring)", [&] { Search(page, "editCode", QStringLiteral("0815"), "buttonSearch"); });
            page.findChild<QLineEdit*>(QStringLiteral("editCode"))->clear();
            Report("inventory page: search by location (many rows)", [&] { Search(page, "lineLocation", QStringLiteral("Shelf 7"), "buttonSearch"); });
            Report("inventory page: Show All", [&] { page.findChild<QPushButton*>(QStringLiteral("buttonShowAll"))->click(); Paint(&page); });

            // The stock report open beside it: its statement is read again once, after the Show All has ended.
            ReportGenerator reports(nullptr);
            InModalDialog<ReportViewer>([&] { reports.StockCountAndValueReport(); }, [&](ReportViewer*) {
                QVector<qint64> firstReads, rereads;
                for (int run = 0; run < 5; ++run) {
                    DropInventoryConnection();
                    QElapsedTimer clock;
                    clock.start();
                    page.findChild<QPushButton*>(QStringLiteral("buttonShowAll"))->click();
                    Paint(&page);
                    firstReads << clock.restart();
                    TestSupport::Idle();
                    rereads << clock.elapsed();
                }
                Report("inventory page: Show All, stock report open", [&] {
                    page.findChild<QPushButton*>(QStringLiteral("buttonShowAll"))->click();
                    Paint(&page);
                });
                Print("inventory page: Show All, connection dropped before", firstReads);
                Print("  then the stock report read again, once it ended", rereads);
            });
        }
        Report("stock picker: opened, first rows shown", [] {
            InventoryManagement page(nullptr, true);
            Paint(&page);
        });
    }

    DropDatabases({name, sales});
    server.Stop();
    return seeded ? 0 : 1;
}
