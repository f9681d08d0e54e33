#include "logindialog.h"
#include "securityquestions.h"
#include "ui_logindialog.h"

#include "appsettings.h"
#include "constants.h"
#include "databasemanager.h"
#include "errordialog.h"
#include "loginresult.h"
#include "managedatabases.h"
#include "reportparameterdialog.h"
#include "serversettingsdialog.h"
#include "statuslabel.h"
#include "storedhash.h"
#include "databaselog.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QSettings>
#include <QShortcut>
#include <QSqlError>
#include <QSqlQuery>

namespace {

const QString ADMINISTRATOR = QStringLiteral("ADMINISTRATOR");

// The stored hash is compared byte for byte: the column's collation ignores letter case,
// accents and trailing blanks, so a plain comparison would let some wrong passwords in.
// A password whose hash is weak is stored in its stronger form since the upgrade; its weak
// hash is still compared for users whose password was set before then.
const QString LOGIN_QUERY = QStringLiteral(
    "SELECT u.ID, u.FIRST_NAME, u.LAST_NAME, u.LOGIN_NAME, u.PASSWORD, r.NAME, u.ROLE_ID "
    "FROM tblUsers as u, tblRoles as r "
    "WHERE UPPER(LOGIN_NAME) = :login AND (BINARY u.PASSWORD = :password OR BINARY u.PASSWORD = :stored) "
    "AND u.ROLE_ID = r.ID");

const QString RECOVERY_USER_QUERY = QStringLiteral(
    "SELECT u.ID, r.NAME FROM tblUsers as u, tblRoles as r WHERE u.ROLE_ID = r.ID AND u.LOGIN_NAME = :login");

const QString RECOVERED_USER_QUERY = QStringLiteral(
    "SELECT u.ID, u.FIRST_NAME, u.LAST_NAME, u.LOGIN_NAME, r.NAME, u.ROLE_ID "
    "FROM tblUsers as u, tblRoles as r WHERE UPPER(LOGIN_NAME) = :login AND u.ROLE_ID = r.ID");

QWidget* MainWindowParent()
{
    return AppSettings::Instance()->mainWindow;
}

} // namespace

LoginDialog::LoginDialog(QWidget* parent)
    : VorantelDialog(parent)
    , ui(new Ui::LoginDialog)
{
    ui->setupUi(this);
    // A failed attempt's message leaves the buttons below where they were.
    KeepStatusRoom(ui->labelStatus, 1);
    ui->editUserName->setFocus();
    ui->buttonLogin->setDefault(true);

    ReadConnectionSettings();
    failedAttempts = 0;

    connect(ui->label_forgot_password, &QLabel::linkActivated, this, &LoginDialog::on_Password_Forgot_Clicked);
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL + Qt::Key_B), this);
    connect(shortcut, &QShortcut::activated, this, &LoginDialog::on_CtrlB);
}

// The themes' style sheets give line edits a text colour, and Qt then draws the hints in
// that colour too, so that an empty field looks filled in. Hints are drawn halfway between
// the text and the field's background instead; the palette is complete only once the style
// sheet has polished the fields, just before they are shown.
void LoginDialog::showEvent(QShowEvent* event)
{
    for (QLineEdit* edit : {ui->editUserName, ui->editPassword}) {
        QPalette palette = edit->palette();
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            const QColor text = palette.color(group, QPalette::Text);
            const QColor base = palette.color(group, QPalette::Base);
            palette.setColor(group, QPalette::PlaceholderText,
                             QColor((text.red() + base.red()) / 2, (text.green() + base.green()) / 2,
                                    (text.blue() + base.blue()) / 2));
        }
        edit->setPalette(palette);
    }
    VorantelDialog::showEvent(event);
}

LoginDialog::~LoginDialog()
{
    delete ui;
}

void LoginDialog::ReadConnectionSettings()
{
    QSettings* store = AppSettings::Instance()->settings;
    server = store->value(DB_SERVER, QString()).toString();
    port = store->value(DB_PORT, QString()).toString();
    user = store->value(DB_USER, QString()).toString();
    password = store->value(DB_PASSWORD, QString()).toString();
    DatabaseManager::Instance()->SetConnectionParameters(user, password, PortOwner::PortFromText(port), server);
}

void LoginDialog::on_buttonLogin_clicked()
{
    ClearStatus(ui->labelStatus);

    // No trimming: a single blank is a password like any other.
    const QString typedName = ui->editUserName->text();
    const QString typedPassword = ui->editPassword->text();
    if (typedName.isEmpty() || typedPassword.isEmpty()) {
        ++failedAttempts;
        ui->labelStatus->setText(tr("Please enter valid User Name or Password (") + QString::number(failedAttempts)
                                 + QLatin1Char(')'));
        return;
    }

    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    query->prepare(LOGIN_QUERY);
    query->bindValue(QStringLiteral(":login"), typedName.toUpper());
    // Both forms, whatever the rule for storing says now: every form stored so far keeps working.
    // A hash the column can not hold is never sent: the server would cut it short.
    const QString longForm = LongPasswordForm(typedPassword);
    const QString hash = HashPassword(typedPassword);
    query->bindValue(QStringLiteral(":password"), HashFitsColumn(hash) ? hash : longForm);
    query->bindValue(QStringLiteral(":stored"), longForm);
    if (!query->exec())
        LogDatabaseError(query->lastError());

    if (query->next()) {
        loginResult->firstName = query->value(1).toString();
        loginResult->lastName = query->value(2).toString();
        loginResult->loginName = query->value(3).toString();
        loginResult->roleName = query->value(5).toString();
        loginResult->roleId = query->value(6).toString();
        loginResult->cancelled = false;
        close();
        return;
    }

    ++failedAttempts;
    ui->labelStatus->setText(tr("Login failed. Please try again (") + QString::number(failedAttempts)
                             + QLatin1Char(')'));
}

void LoginDialog::on_buttonCancel_clicked()
{
    loginResult->cancelled = true;
    close();
}

void LoginDialog::on_Password_Forgot_Clicked(const QString& /*link*/)
{
    ReportParameterDialog prompt(MainWindowParent(), false);
    prompt.setWindowTitle(tr("Password Recovery"));
    prompt.ui->label->setText(tr("Enter your username"));
    prompt.setModal(true);
    prompt.exec();
    // Empty when the prompt was cancelled or left empty: no such user then.
    const QString typedName = prompt.GetValue();

    // Asked before anyone has logged in, so the name must never become part of the statement.
    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    query->prepare(RECOVERY_USER_QUERY);
    query->bindValue(QStringLiteral(":login"), typedName);
    if (!query->exec())
        LogDatabaseError(query->lastError());

    if (!query->next()) {
        QMessageBox::information(this, tr("Error"), tr("This user does not exist in the system."), QMessageBox::Ok);
        return;
    }
    const QString userId = query->value(0).toString();
    if (query->value(1).toString() != ADMINISTRATOR) {
        QMessageBox::information(this, tr("Password Recovery"),
                                 tr("Please contact ADMINISTRATOR user of Vorantel for resetting your password. Only "
                                    "ADMINISTRATOR user has privileges to change or reset user's password."),
                                 QMessageBox::Ok);
        return;
    }

    QMessageBox::information(this, tr("Password Recovery"),
                             tr("You will asked to answer the security questions which you set at the time of user "
                                "creation. On successful verification, you will be logged into the system."),
                             QMessageBox::Ok);
    if (VerifySecurityAnswers(userId, typedName))
        FinishRecovery(typedName);
}

bool LoginDialog::VerifySecurityAnswers(const QString& userId, const QString& userName)
{
    return SecurityQuestions::VerifyUser(AppSettings::Instance()->mainWindow, userId, userName);
}

void LoginDialog::FinishRecovery(const QString& userName)
{
    // Logged in without the password, which the administrator then changes in user management.
    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    query->prepare(RECOVERED_USER_QUERY);
    query->bindValue(QStringLiteral(":login"), userName.toUpper());
    if (!query->exec())
        LogDatabaseError(query->lastError());
    // Without the user's row there is nobody to log in: an empty role would pass for a login.
    if (!query->next())
        return;
    loginResult->firstName = query->value(1).toString();
    loginResult->lastName = query->value(2).toString();
    loginResult->loginName = query->value(3).toString();
    loginResult->roleName = query->value(4).toString();
    loginResult->roleId = query->value(5).toString();
    loginResult->cancelled = false;
    close();
}

void LoginDialog::on_pushButtonEditConnection_clicked()
{
    ServerSettingsDialog dialog(MainWindowParent());
    dialog.setModal(true);
    dialog.exec();
    // Whatever happened there: the next login attempt connects with what is stored now.
    ReadConnectionSettings();
}

void LoginDialog::on_pushHelp_clicked()
{
    ErrorDialog notice(QString(), tr("Login"),
                       tr("<p>You can change the main inventory database which is currently active by pressing the "
                          "button on left. Inventory database is the main database against which your login "
                          "credentials will be verified. On pressing the button on left, another dialog will be "
                          "displayed. You will be able to select other existing Vorantel inventory database located "
                          "on your database server on your local PC, other PC on network, or even in the "
                          "cloud..</p>"),
                       MainWindowParent(), true, false);
    notice.exec();
}

void LoginDialog::on_CtrlB()
{
    ui->editUserName->setFocus();
    ui->editUserName->selectAll();
}

void LoginDialog::on_pushChangeDB_clicked()
{
    ManageDatabases dialog(AppSettings::Instance()->mainWindow, true);
    dialog.exec();
    // Whatever happened there: the caller starts over on the active database.
    loginResult->roleName = QStringLiteral("DB_CHANGED");
    loginResult->cancelled = false;
    close();
}
