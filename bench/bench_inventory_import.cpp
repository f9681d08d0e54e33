// Import of an inventory CSV file of 100,000 lines, its export, and the import of that export (all updates).
//   bench_inventory_import [N]   N lines (default 100000)
// Uses the server named by VORANTEL_TEST_DB_INFO (the test fixture's info file); without one it starts a
// throw-away server through scripts/test-db-fixture.sh and stops it at the end. Prints seconds and the
// process's peak resident memory after each step.

#include "appsettings.h"
#include "databasemanager.h"
#include "fixtureserver.h"
#include "inventoryexport.h"
#include "inventoryimport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

namespace {

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
    QTemporaryDir scratch;
    UseScratchEnvironment(scratch.path());
    QApplication app(argc, argv);
    const int lines = argc > 1 ? QString::fromLatin1(argv[1]).toInt() : 100000;

    FixtureServer server;
    if (!server.Start(scratch.path()))
        return 1;
    const QString database = QStringLiteral("bench_import_%1").arg(QCoreApplication::applicationPid());
    if (!CreateDatabases(database))
        return 1;

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

    DropDatabases({database});
    server.Stop();
    return 0;
}
