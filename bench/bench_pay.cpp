// Time of the pay operation on the sale screen for a sale of 20 lines:
//   bench_pay [SALES]   rings up SALES sales (default 200) of 20 lines each and pays each in full.
// Uses the server named by VORANTEL_TEST_DB_INFO (the test fixture's info file); without one it starts a
// throw-away server through scripts/test-db-fixture.sh and stops it at the end.
// Prints the median and the 95th percentile of the pay, in milliseconds.

#include "appsettings.h"
#include "cpos.h"
#include "databasemanager.h"
#include "fixtureserver.h"
#include "messagesettings.h"
#include "qposdialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

const int LINES = 20;

QString Fill(QSqlDatabase& db)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("INSERT IGNORE INTO tblProductCategories (ID, NAME) VALUES (1, 'Bench')"))
        || !q.exec(QStringLiteral("INSERT IGNORE INTO tblVendors (ID, NAME) VALUES (1, 'Bench')")))
        return q.lastError().text();
    for (int p = 1; p <= LINES; ++p) {
        if (!q.exec(QStringLiteral("INSERT INTO tblProducts (ID, CATEGORY_ID, PRODUCT_CODE, NAME, ITEMS_PER_UNIT, "
                                   "TAX_RATE) VALUES (%1, 1, 'P%1', 'Product %1', 1, 15)")
                        .arg(p))
            || !q.exec(QStringLiteral("INSERT INTO tblInventory (PRODUCT_ID, VENDOR_ID, BAR_CODE, BATCH_NUMBER, "
                                      "PURCHASE_PRICE, SALE_PRICE, QUANTITY, REORDER_LEVEL) VALUES (%1, 1, 'S%1', 'B', "
                                      "6.5, 9.99, 10000000, 5)")
                           .arg(p)))
            return q.lastError().text();
    }
    return QString();
}

} // namespace

int main(int argc, char* argv[])
{
    QTemporaryDir scratch;
    UseScratchEnvironment(scratch.path());
    QApplication app(argc, argv);
    const int sales = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 200;
    FixtureServer server;
    if (!server.Start(scratch.path()))
        return 1;
    const QString inventory = QStringLiteral("bench_pay_inv_%1").arg(QCoreApplication::applicationPid());
    const QString salesDb = QStringLiteral("bench_pay_sales_%1").arg(QCoreApplication::applicationPid());
    if (!CreateDatabases(inventory, salesDb))
        return 1;
    DatabaseManager* manager = DatabaseManager::Instance();
    const QString error = Fill(*manager->InventoryDatabase());
    // The sale screen's connections start fresh.
    manager->RemoveInventoryDatabase();
    if (!error.isEmpty()) {
        std::fprintf(stderr, "filling: %s\n", qPrintable(error));
        return 1;
    }
    AppSettings::Instance()->settings->setValue(QStringLiteral("err_msg_13"), false);
    MessageSettings::Instance()->Load();
    AppSettings::Instance()->loginName = QStringLiteral("bench");

    QVector<qint64> micros;
    {
        QPOSDialog host(nullptr, false);
        auto* screen = new CPOS(&host);
        auto* layout = new QGridLayout(&host);
        layout->addWidget(screen);
        host.show();
        auto* scanner = screen->findChild<QLineEdit*>(QStringLiteral("lineBarcodeScannerInput"));
        auto* total = screen->findChild<QLineEdit*>(QStringLiteral("lineEditTotal"));
        auto* paid = screen->findChild<QLineEdit*>(QStringLiteral("lineEditPaid"));
        auto* status = screen->findChild<QLabel*>(QStringLiteral("labelStatus"));
        for (int sale = 0; sale < sales; ++sale) {
            for (int line = 1; line <= LINES; ++line) {
                scanner->setText(QStringLiteral("S%1").arg(line));
                screen->on_lineBarcodeScannerInput_returnPressed();
            }
            if (screen->cartModel && screen->itemIndexes.size() != LINES) {
                std::fprintf(stderr, "sale %d has %d lines\n", sale, int(screen->itemIndexes.size()));
                return 1;
            }
            paid->setText(total->text());
            QElapsedTimer clock;
            clock.start();
            const int result = screen->on_pushButtonPay_clicked();
            micros << clock.nsecsElapsed() / 1000;
            if (result != 0 || status->text() != QLatin1String("Paid successfully and saved.")) {
                std::fprintf(stderr, "pay %d failed: %s\n", sale, qPrintable(status->text()));
                return 1;
            }
        }
    }
    std::sort(micros.begin(), micros.end());
    std::printf("pay of a %d-line sale: %d sales, median %.2f ms, p95 %.2f ms, max %.2f ms\n", LINES, int(micros.size()),
                micros.at(micros.size() / 2) / 1000.0,
                micros.at(std::min<int>(micros.size() - 1, int(micros.size() * 0.95))) / 1000.0, micros.last() / 1000.0);
    DropDatabases({inventory, salesDb});
    server.Stop();
    return 0;
}
