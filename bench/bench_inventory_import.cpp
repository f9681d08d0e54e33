// Import of an inventory CSV file of 100,000 lines, its export, and the import of that export (all updates).
//   bench_inventory_import [N]   N lines (default 100000)
// Uses the server named by VORANTEL_TEST_DB_INFO (an info file as scripts/test-db-fixture.sh writes it).
// Run with QT_QPA_PLATFORM=offscreen. Prints seconds and the process's peak resident memory after each step.

#include "appsettings.h"
#include "databasemanager.h"
#include "inventoryexport.h"
#include "inventoryimport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

namespace {

QString InfoValue(const QString& path, const QString& key)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(key + QLatin1Char('=')))
            return line.section(QLatin1Char('='), 1);
    }
    return QString();
}

QString PeakMemory()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return QStringLiteral("?");
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return QString::fromLatin1(line.mid(6).simplified());
    return QStringLiteral("?");
}

int Import(const QString& path, double* seconds)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    QTextStream in(&file);
    in.readLine();
    QElapsedTimer timer;
    timer.start();
    InventoryImport run(DatabaseManager::Instance()->InventoryDatabase(), InventoryImportOptions::FromSettings(), nullptr);
    while (!in.atEnd())
        run.AddLine(in.readLine());
    run.Finish();
    *seconds = timer.nsecsElapsed() / 1e9;
    return run.Clean() ? run.Processed() : -run.Processed();
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const int lines = argc > 1 ? QString::fromLatin1(argv[1]).toInt() : 100000;
    const QString info = qEnvironmentVariable("VORANTEL_TEST_DB_INFO");
    if (info.isEmpty()) {
        std::fprintf(stderr, "set VORANTEL_TEST_DB_INFO to the test server's info file\n");
        return 2;
    }
    DatabaseManager* manager = DatabaseManager::Instance();
    manager->SetConnectionParameters(InfoValue(info, QStringLiteral("VORANTEL_TEST_DB_USER")),
                                     InfoValue(info, QStringLiteral("VORANTEL_TEST_DB_PASSWORD")),
                                     InfoValue(info, QStringLiteral("VORANTEL_TEST_DB_PORT")).toInt(),
                                     InfoValue(info, QStringLiteral("VORANTEL_TEST_DB_HOST")));
    const QString database = QStringLiteral("bench_import_%1").arg(QCoreApplication::applicationPid());
    QString error;
    manager->CreateInventoryDatabase(database, error);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    manager->RemoveInventoryDatabase();

    QTemporaryDir folder;
    folder.setAutoRemove(qEnvironmentVariableIsEmpty("KEEP"));
    std::printf("files in %s\n", qPrintable(folder.path()));
    const QString source = folder.filePath(QStringLiteral("import.csv"));
    {
        QFile file(source);
        file.open(QIODevice::WriteOnly | QIODevice::Text);
        QTextStream out(&file);
        out << "header\n";
        const char* categories[] = {"Food", "Electronics", "Garments", "Service Items", "Toys"};
        for (int n = 0; n < lines; ++n)
            out << categories[n % 5] << ",Product No. " << n << ",,1,a description,,20,,,n,n,,Vendor " << (n % 50)
                << ",B-" << n << ",,shelf " << (n % 100) << ",,12.50,," << (n % 1000) + 0.99 << ',' << (n % 30)
                << ",2.5,1,5,y\n";
    }

    std::printf("peak memory before the import: %s\n", qPrintable(PeakMemory()));
    double seconds = 0;
    int processed = Import(source, &seconds);
    std::printf("import of %d new lines: %.2f s, %d records%s, peak memory %s\n", lines, seconds, qAbs(processed),
                processed < 0 ? " (with errors)" : "", qPrintable(PeakMemory()));

    const QString exported = folder.filePath(QStringLiteral("export.csv"));
    {
        QFile file(exported);
        file.open(QIODevice::WriteOnly | QIODevice::Text);
        QTextStream out(&file);
        QElapsedTimer timer;
        timer.start();
        const bool ok = WriteInventoryCsv(out, false, true);
        out.flush();
        std::printf("export of the %d stock rows: %.2f s%s, peak memory %s\n", lines, timer.nsecsElapsed() / 1e9,
                    ok ? "" : " (failed)", qPrintable(PeakMemory()));
    }

    processed = Import(exported, &seconds);
    std::printf("import of the export (%d updates): %.2f s, %d records%s, peak memory %s\n", lines, seconds,
                qAbs(processed), processed < 0 ? " (with errors)" : "", qPrintable(PeakMemory()));

    manager->RemoveInventoryDatabase();
    QSqlQuery drop(*manager->ServerConnection());
    drop.exec(QStringLiteral("DROP DATABASE `%1`").arg(database));
    return 0;
}
