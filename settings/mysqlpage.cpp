#include "mysqlpage.h"

#include "appsettings.h"
#include "managedatabases.h"
#include "serversettingsdialog.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QScroller>

namespace {

// The module number of database management, which the main window asks for before the same dialog.
const int MODULE_DATABASE_MANAGEMENT = 12;

} // namespace

MySqlPage::MySqlPage(QWidget* parent)
    : SettingsPage(parent)
{
    ui.setupUi(this);
    QScroller::grabGesture(viewport(), QScroller::LeftMouseButtonGesture);
}

bool MySqlPage::SaveSettings()
{
    return true;
}

void MySqlPage::LoadSettings()
{
}

void MySqlPage::on_pushConfigure_clicked()
{
    // The dialog itself shows the stored password only to a logged-in user who may change settings.
    ServerSettingsDialog dialog(AppSettings::Instance()->mainWindow);
    dialog.setModal(true);
    dialog.exec();
}

void MySqlPage::on_pushDatabases_clicked()
{
    AppSettings* appSettings = AppSettings::Instance();
    if (!appSettings->HasPermission(MODULE_DATABASE_MANAGEMENT)) {
        QMessageBox::information(this, tr("Module Permission"),
                                 tr("You are not allowed to access this function. Please contact ADMINISTRATOR user of "
                                    "Vorantel and request desired permissions."),
                                 QMessageBox::Ok);
        return;
    }
    // The first start's dialog runs before the main window is handed out: the manager stays above this one.
    ManageDatabases dialog(appSettings->mainWindow ? appSettings->mainWindow : window(), false);
    dialog.setModal(true);
    dialog.exec();
}
