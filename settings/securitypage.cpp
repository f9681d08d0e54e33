#include "securitypage.h"

#include "appsettings.h"
#include "settingspagedialogs.h"

#include <QDialog>
#include <QMainWindow>
#include <QMessageBox>
#include <QScroller>

namespace {

// The module number of roles management: the settings module alone must not open the editor
// that grants modules, or a user with settings could give himself everything.
const int MODULE_ROLES_MANAGEMENT = 6;

} // namespace

SecurityPage::SecurityPage(QWidget* parent)
    : SettingsPage(parent)
{
    ui.setupUi(this);
    QScroller::grabGesture(viewport(), QScroller::LeftMouseButtonGesture);
    ui.pushUserRoles->setEnabled(bool(SettingsPageDialogs::userRoles));
}

bool SecurityPage::SaveSettings()
{
    return true;
}

void SecurityPage::LoadSettings()
{
}

void SecurityPage::on_pushUserRoles_clicked()
{
    if (!SettingsPageDialogs::userRoles)
        return;
    if (!AppSettings::Instance()->HasPermission(MODULE_ROLES_MANAGEMENT)) {
        QMessageBox::information(this, tr("Module Permission"),
                                 tr("You are not allowed to access this function. Please contact ADMINISTRATOR user of "
                                    "Vorantel and request desired permissions."),
                                 QMessageBox::Ok);
        return;
    }
    QDialog* roles = SettingsPageDialogs::userRoles(AppSettings::Instance()->mainWindow);
    roles->setModal(true);
    roles->exec();
    delete roles;
}
