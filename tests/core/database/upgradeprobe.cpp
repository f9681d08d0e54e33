// Another workstation: runs the version check and upgrade of one database, answering every
// notice with OK. Usage: upgrade_probe HOST PORT USER PASSWORD DATABASE KIND
// Exit code 0 when the check passed.
#include "databasemanager.h"
#include "constants.h"
#include "modalanswerer.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 7)
        return 2;
    ModalAnswerer answerer; // no queued answers: every notice gets its OK (Escape) button
    DatabaseManager* manager = DatabaseManager::Instance();
    manager->SetConnectionParameters(args.at(3), args.at(4), args.at(2).toInt(), args.at(1));
    const int kind = args.at(6).toInt();
    return manager->CheckAndUpgradeDatabase(args.at(5), kind == 1 ? INVENTORY_DB_VERSION
                                                                   : SALES_DB_VERSION,
                                            kind)
               ? 0
               : 1;
}
