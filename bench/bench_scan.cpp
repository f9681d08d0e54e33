// Time per scanned item on the sale screen, through the scanner line, against 100,000 stock rows:
//   bench_scan [ITEMS]   one till scanning ITEMS (default 1000) into one sale, then four tills at once,
//                        each scanning ITEMS into a sale of its own (each till a process: pos_terminal).
// Uses the server named by VORANTEL_TEST_DB_INFO (the test fixture's info file); without one it starts a
// throw-away server through scripts/test-db-fixture.sh and stops it at the end.
// Prints the median and the 95th percentile per item, in milliseconds.

#include "databasemanager.h"
#include "fixtureserver.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

const int STOCK_ROWS = 100000;

QString Fill(QSqlDatabase& db)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("INSERT IGNORE INTO tblProductCategories (ID, NAME) VALUES (1, 'Bench')"))
        || !q.exec(QStringLiteral("INSERT IGNORE INTO tblVendors (ID, NAME) VALUES (1, 'Bench')")))
        return q.lastError().text();
    QStringList values;
    for (int p = 1; p <= 1000; ++p)
        values << QStringLiteral("(%1, 1, 'P%1', 'Product %1', 1, 15)").arg(p);
    if (!q.exec(QStringLiteral("INSERT INTO tblProducts (ID, CATEGORY_ID, PRODUCT_CODE, NAME, ITEMS_PER_UNIT, TAX_RATE) "
                               "VALUES ")
                + values.join(QLatin1Char(','))))
        return q.lastError().text();
    for (int batch = 0; batch < STOCK_ROWS / 1000; ++batch) {
        values.clear();
        for (int i = 0; i < 1000; ++i) {
            const int row = batch * 1000 + i;
            values << QStringLiteral("(%1, 1, 'S%2', 'B', 6.5, 9.99, 1000000)").arg(row % 1000 + 1).arg(row, 6, 10, QLatin1Char('0'));
        }
        if (!q.exec(QStringLiteral("INSERT INTO tblInventory (PRODUCT_ID, VENDOR_ID, BAR_CODE, BATCH_NUMBER, "
                                   "PURCHASE_PRICE, SALE_PRICE, QUANTITY) VALUES ")
                    + values.join(QLatin1Char(','))))
            return q.lastError().text();
    }
    return QString();
}

struct Figures
{
    double median = 0;
    double p95 = 0;
    int count = 0;
};

Figures Measure(QVector<qint64> micros)
{
    Figures f;
    f.count = micros.size();
    if (micros.isEmpty())
        return f;
    std::sort(micros.begin(), micros.end());
    f.median = micros.at(micros.size() / 2) / 1000.0;
    f.p95 = micros.at(std::min<int>(micros.size() - 1, int(micros.size() * 0.95))) / 1000.0;
    return f;
}

// Runs the tills at once; every till's scan times, or an empty list when one failed.
QVector<QVector<qint64>> RunTills(int tills, int items, const FixtureServer::Connection& server,
                                  const QString& inventory, const QString& sales, const QString& scratch)
{
    QList<QProcess*> processes;
    for (int t = 0; t < tills; ++t) {
        QStringList codes;
        for (int i = 0; i < 200; ++i)
            codes << QStringLiteral("S%1").arg(QRandomGenerator::global()->bounded(STOCK_ROWS), 6, 10, QLatin1Char('0'));
        auto* process = new QProcess;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VORANTEL_TEST_SCRATCH"), scratch + QStringLiteral("/till%1").arg(t));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("POS_TERMINAL_TIMES"), QStringLiteral("1"));
        process->setProcessEnvironment(env);
        process->start(QStringLiteral(POS_TERMINAL_PATH),
                       QStringList{server.host, QString::number(server.port), server.user, server.password,
                                   inventory, sales, QString::number(items)}
                           + codes);
        processes << process;
    }
    QVector<QVector<qint64>> times;
    for (QProcess* process : qAsConst(processes)) {
        process->waitForFinished(-1);
        QVector<qint64> till;
        const QList<QByteArray> lines = process->readAllStandardOutput().split('\n');
        for (const QByteArray& line : lines) {
            if (line.startsWith("t "))
                till << line.mid(2).toLongLong();
            else if (line.startsWith("scanned"))
                std::printf("  %s\n", line.constData());
        }
        if (process->exitCode() != 0)
            std::fprintf(stderr, "till failed: %s\n", process->readAllStandardError().constData());
        times << till;
        delete process;
    }
    return times;
}

void Report(const char* what, const QVector<QVector<qint64>>& times)
{
    QVector<qint64> all;
    for (const auto& till : times) {
        const Figures f = Measure(till);
        std::printf("  till: %d items, median %.2f ms, p95 %.2f ms\n", f.count, f.median, f.p95);
        all += till;
    }
    const Figures f = Measure(all);
    std::printf("%s: %d items, median %.2f ms, p95 %.2f ms per item\n", what, f.count, f.median, f.p95);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[])
{
    QTemporaryDir scratch;
    UseScratchEnvironment(scratch.path());
    QApplication app(argc, argv);
    const int items = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1000;

    FixtureServer server;
    if (!server.Start(scratch.path()))
        return 1;
    const QString inventory = QStringLiteral("bench_scan_inv_%1").arg(QCoreApplication::applicationPid());
    const QString sales = QStringLiteral("bench_scan_sales_%1").arg(QCoreApplication::applicationPid());
    if (!CreateDatabases(inventory, sales))
        return 1;
    {
        QElapsedTimer clock;
        clock.start();
        const QString error = Fill(*DatabaseManager::Instance()->InventoryDatabase());
        DatabaseManager::Instance()->RemoveInventoryDatabase();
        if (!error.isEmpty()) {
            std::fprintf(stderr, "filling: %s\n", qPrintable(error));
            return 1;
        }
        std::printf("%d stock rows written in %.1f s\n", STOCK_ROWS, clock.elapsed() / 1000.0);
    }

    Report("one till", RunTills(1, items, server.connection(), inventory, sales, scratch.path()));
    Report("four tills at once", RunTills(4, items, server.connection(), inventory, sales, scratch.path()));
    DropDatabases({inventory, sales});
    server.Stop();
    return 0;
}
