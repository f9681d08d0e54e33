// Typing a 13-character product code into the purchase-order item dialog at 10 ms a key, as a scanner
// or a quick typist sends it; every prefix is no product yet, so each key shows the status line's message.
//   bench_po_item_typing
// Uses the server named by VORANTEL_TEST_DB_INFO (the test fixture's info file); without one it starts a
// throw-away server through scripts/test-db-fixture.sh and stops it at the end. Run with QT_QPA_PLATFORM=offscreen.

#include "addeditpoitemdialog.h"
#include "databasemanager.h"
#include "fixtureserver.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>

int main(int argc, char** argv)
{
    QTemporaryDir scratch;
    UseScratchEnvironment(scratch.path());
    QApplication app(argc, argv);

    FixtureServer server;
    if (!server.Start(scratch.path()))
        return 1;
    DatabaseManager* manager = DatabaseManager::Instance();
    const QString name = QStringLiteral("bench_po_item_%1").arg(QCoreApplication::applicationPid());
    if (!CreateDatabases(name))
        return 1;

    const QString code = QStringLiteral("4006381333931");
    QSqlQuery seed(*manager->InventoryDatabase());
    const bool seeded =
        Run(seed, QStringLiteral("INSERT INTO tblProductCategories (NAME) VALUES ('Office')"))
        && Run(seed, QStringLiteral("INSERT INTO tblProducts (CATEGORY_ID, PRODUCT_CODE, NAME) SELECT ID, '%1', "
                                    "'Pencils' FROM tblProductCategories")
                         .arg(code));

    if (seeded) {
        QVector<qint64> times;
        bool whole = true;
        for (int run = 0; run < 5; ++run) {
            AddEditPOItemDialog dialog(nullptr, QStringLiteral("1"), false);
            dialog.show();
            QCoreApplication::processEvents();
            auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("lineProductCode"));
            QElapsedTimer clock;
            clock.start();
            // keyClicks waits before each press and each release: 5 ms each makes 10 ms a key.
            QTest::keyClicks(edit, code, Qt::NoModifier, 5);
            times << clock.elapsed();
            whole = whole && edit->text() == code
                    && dialog.findChild<QLineEdit*>(QStringLiteral("lineItemName"))->text() == QLatin1String("Pencils");
        }
        std::sort(times.begin(), times.end());
        std::printf("13-character code typed at 10 ms a key (130 ms of typing): median %lld ms, worst %lld ms%s\n",
                    times.at(times.size() / 2), times.last(), whole ? "" : "  (code NOT complete)");
    }

    DropDatabases({name});
    server.Stop();
    return seeded ? 0 : 1;
}
