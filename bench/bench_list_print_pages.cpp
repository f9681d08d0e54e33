// Save As PDF of the long lists, each in a freshly started process: the inventory page (157,277 stock rows at
// 100,000 products) and the sales records page (200,000 sales), every row shown.
//   bench_list_print_pages [PRODUCTS]   (default 100000)
// For each list: the rise of the process's peak memory over its resident size just before Save As PDF, the
// resident size ten seconds after, the time, what the busy boxes say at each second, and the PDF read back to its
// last row (BENCH_PDF_DIR=folder keeps the PDFs there). Run with
// QT_QPA_PLATFORM=xcb on a display to see it as a user would; offscreen otherwise.
// Uses the server named by VORANTEL_TEST_DB_INFO (the test fixture's info file); without one it starts a
// throw-away server through scripts/test-db-fixture.sh and stops it at the end.

#include "appsettings.h"
#include "databasemanager.h"
#include "fixtureserver.h"
#include "inventorymanagement.h"
#include "messagesettings.h"
#include "progress.h"
#include "reportprinter.h"
#include "salesmanagement.h"
#include "selector.h"

#include <QApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cstdio>

namespace {

class Swallow : public QObject
{
    Q_OBJECT
public slots:
    void openUrl(const QUrl&) {}
};

void Settle(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(20);
    }
}

bool Seed(int products)
{
    DatabaseManager* manager = DatabaseManager::Instance();
    QSqlQuery inventory(*manager->InventoryDatabase());
    QSqlQuery sales(*manager->SalesDatabase());
    const int salesCount = 2 * products;
    // A second stock row for the first 57,277 in 100,000 products.
    const int secondRows = int(products * 0.57277);
    return Run(inventory, QStringLiteral("INSERT INTO tblProductCategories (NAME) SELECT CONCAT('Category ', seq) FROM seq_1_to_50"))
        && Run(inventory, QStringLiteral("INSERT INTO tblProducts (CATEGORY_ID, PRODUCT_CODE, NAME, DESCRIPTION, TAX_RATE) "
                                         "SELECT 1 + seq % 50, CONCAT('P', seq), CONCAT(ELT(1 + seq % 4, 'Tea ', 'tea ', "
                                         "'Rice ', 'rice '), LEFT(MD5(seq), 8)), 'Bench product', 15 FROM seq_1_to_%1")
                                  .arg(products))
        && Run(inventory, QStringLiteral("INSERT INTO tblInventory (PRODUCT_ID, VENDOR_ID, BAR_CODE, BATCH_NUMBER, "
                                         "STORAGE_LOCATION, PURCHASE_PRICE, SALE_PRICE, QUANTITY) "
                                         "SELECT p.ID, 1, CONCAT(UPPER(LEFT(MD5(CONCAT(p.ID, '-', b.seq)), 8)), '-', p.ID, '-', "
                                         "b.seq), 'B1', CONCAT('Shelf ', p.ID % 40), 6.5, 9.99, p.ID % 90 FROM tblProducts p "
                                         "JOIN seq_0_to_1 b ON b.seq = 0 OR p.ID <= %1")
                                  .arg(secondRows))
        && Run(sales, QStringLiteral("INSERT INTO tblSalesTransactions (ID, USER_ID, CUSTOMER, TIME_STAMP, GRAND_TOTAL, PAID, "
                                     "STATUS) SELECT seq, CONCAT('user', seq % 5), CONCAT('Customer ', LEFT(MD5(seq % 5000), 6)), "
                                     "NOW() - INTERVAL 30 DAY + INTERVAL (seq - 1) * %2 SECOND, 19.98, 19.98, 2 FROM seq_1_to_%1")
                              .arg(salesCount)
                              .arg(29 * 86400 / salesCount))
        && Run(sales, QStringLiteral("INSERT INTO tblSalesInvoice (TRANSACTION_ID, ITEM_INDEX, PRODUCT_NAME, QUANTITY, "
                                     "PURCHASE_PRICE, SALE_PRICE, SUB_ITEMS, DISCOUNT, SUB_TOTAL, PURCHASE_SUB_TOTAL, SUB_TAX, "
                                     "CATEGORY) SELECT 1 + (seq - 1) DIV 2, seq % 2, CONCAT('Product ', seq % %2), 1, 6.5, 9.99, "
                                     "'0', 0, 9.99, 6.5, 1.5, CONCAT('Category ', seq % 50) FROM seq_1_to_%1")
                              .arg(2 * salesCount)
                              .arg(products));
}

// One list's Save As PDF in this process, its page opened and every row shown first.
int SaveList(const QString& list)
{
    for (const char* id : {"err_msg_14", "err_msg_42", "err_msg_45"})
        (*MessageSettings::Instance())[QLatin1String(id)].show = false;
    Swallow swallow;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &swallow, "openUrl");
    std::unique_ptr<QWidget> page;
    if (list == QLatin1String("inventory"))
        page = std::make_unique<InventoryManagement>(nullptr, false);
    else
        page = std::make_unique<SalesManagement>(nullptr, false, false, 0);
    page->resize(1366, 768);
    page->show();
    Settle(500);
    page->findChild<QPushButton*>(QStringLiteral("buttonShowAll"))->click();
    Settle(3000);
    auto* view = page->findChild<QTableView*>(list == QLatin1String("inventory") ? QStringLiteral("tableViewItems")
                                                                                 : QStringLiteral("tableViewSales"));
    int shownColumns = 0;
    for (int c = 0; c < view->model()->columnCount(); ++c)
        shownColumns += !view->isColumnHidden(c);
    const int rows = view->model()->rowCount();
    // The last row's cells, whitespace taken out: narrow columns break their texts anywhere.
    QStringList lastRow;
    for (int c = 0; c < view->model()->columnCount(); ++c) {
        const QString text = view->model()->index(rows - 1, c).data().toString().simplified().remove(QLatin1Char(' '));
        if (!view->isColumnHidden(c) && !text.isEmpty())
            lastRow << text;
    }

    QFile::remove(ReportPrinter::PdfPath());
    const long before = ProcessStatusKb("VmRSS:");
    ResetPeakResident();
    QElapsedTimer clock;
    clock.start();
    // What the busy boxes say, looked at every second while the list is read and printed.
    QStringList seen;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* busy = qobject_cast<Progress*>(w); busy && busy->isVisible())
                seen << QStringLiteral("%1 s: %2").arg(clock.elapsed() / 1000).arg(busy->message().replace(QLatin1Char('\n'), QLatin1Char(' ')));
        }
    });
    look.start(1000);
    InModalDialog<Selector>([&] { QMetaObject::invokeMethod(page.get(), "on_pushSaveAsPDF_clicked"); },
                            [](Selector* chooser) { chooser->findChild<QPushButton*>(QStringLiteral("pushOk"))->click(); });
    const qint64 ms = clock.elapsed();
    look.stop();
    for (const QString& line : qAsConst(seen))
        std::printf("  %s\n", qPrintable(line));
    // BENCH_PDF_DIR keeps the PDF, to be compared with another checkout's.
    if (qEnvironmentVariableIsSet("BENCH_PDF_DIR"))
        QFile::copy(ReportPrinter::PdfPath(), qEnvironmentVariable("BENCH_PDF_DIR") + QLatin1Char('/') + list + QStringLiteral(".pdf"));
    const long peak = ProcessStatusKb("VmHWM:");
    Settle(10000);
    const long after = ProcessStatusKb("VmRSS:");

    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {ReportPrinter::PdfPath()});
    info.waitForFinished(-1);
    const QString pages = QString::fromUtf8(info.readAllStandardOutput()).section(QStringLiteral("Pages:"), 1).section(QLatin1Char('\n'), 0, 0).trimmed();
    // The last page's text in the order it was drawn, cell after cell, each cell's lines together.
    auto lastPageText = [&](const QString& mode) {
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {QStringLiteral("-f"), pages, QStringLiteral("-l"), pages, mode,
                                                 ReportPrinter::PdfPath(), QStringLiteral("-")});
        text.waitForFinished(-1);
        return QString::fromUtf8(text.readAllStandardOutput());
    };
    QFile copy(list + QStringLiteral("_last_page.txt")); // for a reader's eye
    if (copy.open(QIODevice::WriteOnly))
        copy.write(lastPageText(QStringLiteral("-layout")).toUtf8());
    const QString lastPage = lastPageText(QStringLiteral("-raw")).remove(QRegularExpression(QStringLiteral("\\s")));
    // The row's cells one after the other: each of them, and the whole row in its order.
    int found = 0;
    for (const QString& cell : qAsConst(lastRow))
        found += lastPage.contains(cell);
    const bool whole = !lastRow.isEmpty() && found == lastRow.size() && lastPage.contains(lastRow.join(QString()));
    std::printf("%s: %d rows of %d columns, Save As PDF %lld ms, %s pages; resident %ld KB before, peak %ld KB, rise %ld KB; "
                "resident %ld KB ten seconds after (%.2fx); the last row's cells \"%s\" on the last page: %d of %d%s\n",
                qPrintable(list), rows, shownColumns, static_cast<long long>(ms), qPrintable(pages), before, peak, peak - before,
                after, double(after) / before, qPrintable(lastRow.join(QLatin1Char('|'))), found, int(lastRow.size()),
                whole ? ", in their order" : "");
    return whole ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 2 && qstrcmp(argv[1], "save") == 0) {
        UseScratchEnvironment(QString::fromLocal8Bit(argv[3]));
        QApplication app(argc, argv);
        FixtureServer server;
        if (!server.Start(QString::fromLocal8Bit(argv[3])))
            return 1;
        return SaveList(QString::fromLocal8Bit(argv[2]));
    }
    QTemporaryDir scratch;
    UseScratchEnvironment(scratch.path());
    QApplication app(argc, argv);
    const int products = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    FixtureServer server;
    if (!server.Start(scratch.path()))
        return 1;
    const QString inventory = QStringLiteral("bench_pdf_inv_%1").arg(QCoreApplication::applicationPid());
    const QString sales = QStringLiteral("bench_pdf_sales_%1").arg(QCoreApplication::applicationPid());
    if (!CreateDatabases(inventory, sales))
        return 1;
    QElapsedTimer seeding;
    seeding.start();
    bool ok = Seed(products);
    std::printf("%d products, their stock rows and %d sales seeded in %lld ms\n", products, 2 * products, seeding.elapsed());
    std::fflush(stdout);
    if (ok) {
        AppSettings::Instance()->settings->sync(); // the active databases, for the children
        // The server as the children find it: the fixture's info file.
        QString info = qEnvironmentVariable("VORANTEL_TEST_DB_INFO");
        if (info.isEmpty())
            info = scratch.path() + QStringLiteral("/server.env");
        for (const char* list : {"inventory", "sales"}) {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedChannels);
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("VORANTEL_TEST_DB_INFO"), info);
            child.setProcessEnvironment(environment);
            child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("save"), QLatin1String(list), scratch.path()});
            child.waitForFinished(-1);
            ok = ok && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
        }
    }
    DropDatabases({inventory, sales});
    server.Stop();
    return ok ? 0 : 1;
}

#include "bench_list_print_pages.moc"
