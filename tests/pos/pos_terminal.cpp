// One till in a process of its own, for the test and the benchmark of several terminals at once:
//   pos_terminal HOST PORT USER PASSWORD INVENTORY_DB SALES_DB COUNT CODE...
// Scans COUNT codes, cycling through the CODEs, through the scanner line into one sale. Prints
// "scanned N failed M sale ID" at the end and, with POS_TERMINAL_TIMES set, "t MICROSECONDS" per scan.
// VORANTEL_TEST_SCRATCH must name a folder of this process's own (its settings store).

#include "appsettings.h"
#include "constants.h"
#include "cpos.h"
#include "databasemanager.h"
#include "messagesettings.h"
#include "qposdialog.h"
#include "testsupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>

#include <cstdio>

int main(int argc, char* argv[])
{
    TestSupport::PrepareEnvironment();
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 9) {
        std::fprintf(stderr, "usage: pos_terminal HOST PORT USER PASSWORD INVENTORY_DB SALES_DB COUNT CODE...\n");
        return 2;
    }
    QSettings* store = AppSettings::Instance()->settings;
    store->setValue(ACTIVE_INVENTORY_DB, args.at(5));
    store->setValue(ACTIVE_SALES_DB, args.at(6));
    store->setValue(QStringLiteral("err_msg_13"), false);
    store->setValue(QStringLiteral("show_warning_for_out_of_stock_item"), false);
    MessageSettings::Instance()->Load();
    AppSettings::Instance()->loginName = QStringLiteral("terminal %1").arg(QCoreApplication::applicationPid());
    DatabaseManager::Instance()->SetConnectionParameters(args.at(3), args.at(4), args.at(2).toInt(), args.at(1));

    const int count = args.at(7).toInt();
    const QStringList codes = args.mid(8);
    const bool times = qEnvironmentVariableIsSet("POS_TERMINAL_TIMES");

    QPOSDialog host(nullptr, false);
    auto* screen = new CPOS(&host);
    auto* layout = new QGridLayout(&host);
    layout->addWidget(screen);
    host.resize(1366, 768);
    host.show();
    auto* scanner = screen->findChild<QLineEdit*>(QStringLiteral("lineBarcodeScannerInput"));
    auto* status = screen->findChild<QLabel*>(QStringLiteral("labelStatus"));
    int failed = 0;
    QElapsedTimer clock;
    for (int i = 0; i < count; ++i) {
        scanner->setText(codes.at(i % codes.size()));
        clock.start();
        screen->on_lineBarcodeScannerInput_returnPressed();
        const qint64 elapsed = clock.nsecsElapsed() / 1000;
        if (!status->text().isEmpty()) {
            ++failed;
            std::fprintf(stderr, "scan %d: %s\n", i, qPrintable(status->text()));
        }
        if (times)
            std::printf("t %lld\n", static_cast<long long>(elapsed));
    }
    std::printf("scanned %d failed %d sale %s\n", count, failed, qPrintable(screen->transactionId));
    std::fflush(stdout);
    return failed == 0 ? 0 : 1;
}
