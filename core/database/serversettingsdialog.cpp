#include "serversettingsdialog.h"
#include "ui_serversettingsdialog.h"

#include "appsettings.h"
#include "constants.h"
#include "databasefailure.h"
#include "databasemanager.h"
#include "errordialog.h"
#include "progress.h"
#include "databaselog.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QScroller>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QTimer>

namespace {
const QString TEST_CONNECTION = QStringLiteral("TEST_CONNECTION");
// The settings module's number: its users, and ADMINISTRATORs, may see the stored password.
const int SETTINGS_MODULE = 13;
const QString INSTALLATION_GUIDE = QStringLiteral("https://dev.mysql.com/doc/refman/8.0/en/installing.html");

void PaintPendingEvents(int times)
{
    for (int i = 0; i < times; ++i)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
} // namespace

ServerSettingsDialog::ServerSettingsDialog(QWidget* parent)
    : VorantelDialog(parent)
    , ui(new Ui::ServerSettingsDialog)
{
    ui->setupUi(this);
    QScroller::grabGesture(ui->scrollArea->viewport(), QScroller::LeftMouseButtonGesture);

    settingsChanged = false;
    ui->lineConnectionName->hide();
    ui->labelConnectionName->hide();

    QSettings* store = AppSettings::Instance()->settings;
    serverAddress = store->value(DB_SERVER, QString()).toString();
    port = store->value(DB_PORT, QString()).toString();
    user = store->value(DB_USER, QString()).toString();
    password = store->value(DB_PASSWORD, QString()).toString();
    ui->lineServerAddress->setText(serverAddress);
    ui->linePort->setText(port);
    ui->lineUserName->setText(user);
    // Anyone at the till can reach this dialog (at the login screen too): only a logged-in
    // ADMINISTRATOR or a user with the settings module sees the stored password.
    AppSettings* appSettings = AppSettings::Instance();
    passwordHidden = !appSettings->sessionOpen || !appSettings->HasPermission(SETTINGS_MODULE);
    if (passwordHidden)
        ui->lineUserPassword->setPlaceholderText(password.isEmpty() ? QString() : tr("(unchanged)"));
    else
        ui->lineUserPassword->setText(password);

    QTimer::singleShot(500, this, &ServerSettingsDialog::ShowMessage);
}

ServerSettingsDialog::~ServerSettingsDialog()
{
    delete ui;
}

void ServerSettingsDialog::ShowMessage()
{
    const QString text =
        tr("<p>Please make sure you have installed MySql Server and it is running. If installed locally on Windows "
           "computers, you can confirm this by launching Windows services and see if MySql server is in the list and "
           "in the started state. </p><p>MySql server can be hosted in the cloud environment as well. If hosted in "
           "the cloud or on some server with public access, would enable you to access the inventory and sales "
           "databases from anywhere and at anytime from tablet, phone, PC, or laptop.</p><p>You need to provide "
           "following parameters on this dialog for connecting to server:</p><b>Server Address:</b> IP address, or "
           "computer name of the computer where the MySql server is installed. If it is on the same computer where "
           "Vorantel is running, set it to localhost or 127.0.0.1<br>You can also install MySql server on some remote "
           "server and web servers such cPanel, or Amazon Web Services.<b>Port Number:</b> MySql server default port "
           "number is 3306<br><b>User:</b> Default user is root, if you have created some other user, then enter the "
           "user name in this field.<br> <b>Password:</b> Password of the MySql user. During installation of MySql "
           "server or configuration, you might have set that password.<p>After completing above steps, press the "
           "Test button. If the connection to server succeeds, it means all parameters are correct. Save  and Close "
           "the dialog. Next time on start, Vorantel will use these parameters.</p> ")
        + QStringLiteral("<p><a href=\"%1\">").arg(INSTALLATION_GUIDE)
        + tr("Please Visit Website for Complete MySql Istallation Guide and Tutorials")
        + QStringLiteral(" %1</a></p>").arg(INSTALLATION_GUIDE);
    ErrorDialog notice(QStringLiteral("err_msg_21"), tr("Server Settings"), text, AppSettings::Instance()->mainWindow);
    notice.exec();
}

void ServerSettingsDialog::on_pushButtonTest_clicked()
{
    bool opened = false;
    {
        QSqlDatabase db = AddConnection(TEST_CONNECTION);
        db.setUserName(ui->lineUserName->text());
        db.setPassword(EnteredPassword());
        db.setHostName(ui->lineServerAddress->text());
        db.setPort(PortOwner::PortFromText(ui->linePort->text()));
        const PortOwner::Refusal refusal = PortOwner::Check(db);

        Progress busy(AppSettings::Instance()->mainWindow, tr("Connecting to database..."));
        busy.show();
        PaintPendingEvents(3);
        opened = !refusal && OpenConnection(db);
        PaintPendingEvents(2);
        busy.close();

        if (opened) {
            QMessageBox::information(this, tr("Server Connection"), tr("Connection to server SUCCEEDED!"),
                                     QMessageBox::Ok);
        } else if (const PortOwner::Refusal told = refusal.reason == PortOwner::Refusal::OtherAccount
                                                       ? refusal
                                                       : DatabaseFailure::LoginRefusal(db)) {
            QMessageBox::information(this, tr("Server Connection"),
                                     tr("Connection to server FAILED!.") + QLatin1Char(' ')
                                         + DatabaseFailure::RefusalReason(told, false),
                                     QMessageBox::Ok);
        } else {
            LogDatabaseError(db.lastError());
            QMessageBox::information(this, tr("Server Connection"),
                                     tr("Connection to server FAILED!. Please check all parameters."),
                                     QMessageBox::Ok);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(TEST_CONNECTION);
}

void ServerSettingsDialog::on_pushButtonSave_clicked()
{
    settingsChanged = false;
    QSettings* store = AppSettings::Instance()->settings;
    store->setValue(DB_SERVER, ui->lineServerAddress->text());
    store->setValue(DB_PORT, ui->linePort->text());
    store->setValue(DB_USER, ui->lineUserName->text());
    const QString newPassword = EnteredPassword();
    store->setValue(DB_PASSWORD, newPassword);
    store->sync();

    settingsChanged = ui->lineServerAddress->text() != serverAddress || ui->linePort->text() != port
                      || ui->lineUserName->text() != user || newPassword != password;
    if (settingsChanged) {
        DatabaseManager* manager = DatabaseManager::Instance();
        manager->CloseInventoryDatabase();
        manager->CloseSalesDatabase();
        manager->CloseServerConnection();
        manager->SetConnectionParameters(ui->lineUserName->text(), newPassword,
                                         PortOwner::PortFromText(ui->linePort->text()), ui->lineServerAddress->text());
    }
    close();
}

QString ServerSettingsDialog::EnteredPassword() const
{
    const QString typed = ui->lineUserPassword->text();
    return passwordHidden && typed.isEmpty() ? password : typed;
}

void ServerSettingsDialog::on_pushCancel_clicked()
{
    close();
}

void ServerSettingsDialog::on_checkShowPassword_stateChanged(int /*arg1*/)
{
    ui->lineUserPassword->setEchoMode(ui->checkShowPassword->isChecked() ? QLineEdit::Normal : QLineEdit::Password);
}
