#include "appsettings.h"
#include "constants.h"
#include "databasetest.h"
#include "errordialog.h"
#include "logindialog.h"
#include "loginresult.h"
#include "mainwindow.h"
#include "modalanswerer.h"
#include "modules.h"
#include "privateserver.h"
#include "progress.h"
#include "reportparameterdialog.h"
#include "testdatabase.h"
#include "testsupport.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QScopeGuard>
#include <QTextEdit>

#include <functional>

// Start-up, login, logout and the login dialog against a real inventory database.
class TestLogin : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void startWithoutLogin_data();
    void startWithoutLogin();
    void startWithAdministratorLogsIn_data();
    void startWithAdministratorLogsIn();
    void leavingLoginDialogStaysLoggedOut();
    void hintsAreGrey_data();
    void hintsAreGrey();
    void logoutClosesDatabasesAndLogsInAgain();
    void changedDatabaseLogsInAgainOnIt();
    void unreadableDatabaseStaysLoggedOut_data();
    void unreadableDatabaseStaysLoggedOut();
    void serverRestartNeedsNoLogout();

    void loginCheck_data();
    void loginCheck();
    void failureMessagesShareOneCounter();
    void buttonsStayWhileMessagesComeAndGo();
    void upgradedPasswordsOpenOnlyTheirAccounts_data();
    void upgradedPasswordsOpenOnlyTheirAccounts();
    void recovery_data();
    void recovery();

private:
    using DialogAction = std::function<void(LoginDialog*)>;

    // Queues answers for the start-up's dialogs and messages, each by its kind; the server
    // settings get the fixture's server.
    void answerStartUp(int count, const DialogAction& login = {});
    void useActiveInventory(const QString& database);
    // Active inventory database with the users "Admin"/"Secret1" and "Clerk"/"till".
    void useAdminAndClerk();
    // Stored as HashPassword of the password, or in its long form.
    void addUser(const QString& login, const QString& password, const QString& role, QString database = {},
                 bool longForm = false);
    // Widgets whose enabled state differs from the login state's; empty when all agree.
    static QStringList stateMismatches(MainWindow& window, bool loggedIn);
    static bool showsPlaceholder(MainWindow& window);
    // Who is logged in, with which modules, the widget states and the Home page opened.
    static void verifyStartedAs(MainWindow& window, const QString& user, const QString& role, const QList<int>& modules);
    // What the answerer saw, "class" for dialogs and "title|text" for message boxes.
    QStringList seenModals() const;
    static DialogAction typeAndLogin(const QString& name, const QString& password);

    QString inventoryDb;
    QString salesDb;
    ModalAnswerer* answerer = nullptr;
    QStringList problems; // what the answers found wrong along the way
    QStringList notices; // "title|text" of each ErrorDialog, "(no check box)" added when it has none
};

namespace {

// A key the program wrote as 0, told apart from one never written (whose toInt() is 0 too).
bool WrittenAsZero(const QString& key)
{
    QSettings* store = AppSettings::Instance()->settings;
    return store->contains(key) && store->value(key).toString() == QLatin1String("0");
}

const QString NO_INVENTORY_MESSAGE = QStringLiteral(
    "Login/Logout|No Inventory Database Active. Please Create a new database, or select already existing database "
    "from \"Databases\" option");
const QString NO_SUCH_USER = QStringLiteral("Error|This user does not exist in the system.");
const QString CONTACT_ADMINISTRATOR = QStringLiteral(
    "Password Recovery|Please contact ADMINISTRATOR user of Vorantel for resetting your password. Only ADMINISTRATOR "
    "user has privileges to change or reset user's password.");
const QString ANSWER_QUESTIONS = QStringLiteral(
    "Password Recovery|You will asked to answer the security questions which you set at the time of user creation. "
    "On successful verification, you will be logged into the system.");
const QString VERIFIED = QStringLiteral(
    "Security Questions|Verified successfully. Now you will be logged into the system, and from Users dialog you can "
    "reset you password.");
const QString PREVIOUS_USER = QStringLiteral("previous user");
const QString PREVIOUS_ROLE = QStringLiteral("PREVIOUS ROLE");

QString CannotConnect(const QString& database)
{
    return QStringLiteral("Error|Can not connect to '%1' Please make sure MySql server is running. Select a valid "
                          "database for this version, or create a new.")
        .arg(database);
}

const QList<int> ALL_MODULES{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17};

// A login dialog shown over a main window stand-in, as the login action opens it.
struct OpenLogin
{
    QMainWindow host;
    bool hosted = (AppSettings::Instance()->mainWindow = &host, true);
    LoginResult result;
    LoginDialog dialog{&host};
    OpenLogin()
    {
        dialog.loginResult = &result;
        dialog.show();
    }
};

// After one attempt: logged in as expected (names "First <login>" and "Last <login>", the administrator in
// role 1, anyone else a sales person), or still open with expected in the status line and the typed texts.
void VerifyLoginOutcome(OpenLogin& open, const QString& typedName, const QString& typedPassword,
                        const QString& expected, const QString& administrator)
{
    const LoginResult& result = open.result;
    auto* status = Child<QLabel>(&open.dialog, "labelStatus");
    const bool success = !expected.contains(QLatin1Char('('));
    QCOMPARE(result.cancelled, !success);
    QCOMPARE(open.dialog.isVisible(), !success);
    const QStringList got{result.loginName, result.firstName, result.lastName, result.roleName, result.roleId};
    if (success) {
        const bool admin = expected == administrator;
        QCOMPARE(got, (QStringList{expected, "First " + expected, "Last " + expected,
                                   admin ? "ADMINISTRATOR" : "SALES PERSON", admin ? "1" : "2"}));
        QCOMPARE(status->text(), QString());
    } else {
        QCOMPARE(status->text(), expected);
        QCOMPARE(result.loginName, QString());
        QCOMPARE(result.roleName, QString());
        QCOMPARE(Child<QLineEdit>(&open.dialog, "editUserName")->text(), typedName);
        QCOMPARE(Child<QLineEdit>(&open.dialog, "editPassword")->text(), typedPassword);
    }
}

#define QVERIFY_STATE(window, loggedIn)                                                      \
    do {                                                                                     \
        const QStringList mismatches__ = stateMismatches(window, loggedIn);                 \
        QVERIFY2(mismatches__.isEmpty(), qPrintable(mismatches__.join(QStringLiteral(", ")))); \
    } while (false)

} // namespace

void TestLogin::initTestCase()
{
    REQUIRE_TEST_SERVER();
    TestSupport::ClearSettings();
    DatabaseTest::UseFixtureServer();
    inventoryDb = TestDatabase::uniqueName(QStringLiteral("login_inv"));
    salesDb = TestDatabase::uniqueName(QStringLiteral("login_sales"));
    QCOMPARE(DatabaseTest::Create(1, inventoryDb), QString());
    QCOMPARE(DatabaseTest::Create(2, salesDb), QString());
    answerer = new ModalAnswerer(this);
}

void TestLogin::init()
{
    TestSupport::ClearSettings();
    DatabaseTest::ResetManager();
    // A fresh process knows no server until the settings name one.
    DatabaseManager::Instance()->SetConnectionParameters(QString(), QString(), 0, QString());
    AppSettings* appSettings = AppSettings::Instance();
    appSettings->loginName = PREVIOUS_USER;
    appSettings->roleName = PREVIOUS_ROLE;
    appSettings->SetPermittedModules({});
    appSettings->mainWindow = nullptr;
    answerer->clear();
    problems.clear();
    notices.clear();
    QCOMPARE(TestDatabase::exec(inventoryDb, {QStringLiteral("DELETE FROM tblQuestions"),
                                              QStringLiteral("DELETE FROM tblUsers")}),
             QString());
}

void TestLogin::cleanup()
{
    QVERIFY2(answerer->failures.isEmpty(), qPrintable(answerer->failures.join(QLatin1Char('\n'))));
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    QCOMPARE(answerer->pendingAnswers(), 0);
    answerer->clear();
}

void TestLogin::cleanupTestCase()
{
    DatabaseTest::ResetManager();
    TestDatabase::dropDatabase(inventoryDb);
    TestDatabase::dropDatabase(salesDb);
}

void TestLogin::answerStartUp(int count, const DialogAction& login)
{
    for (int i = 0; i < count; ++i) {
        answerer->handle([this, login](QWidget* modal) {
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                box->button(QMessageBox::Ok)->click();
            } else if (auto* notice = qobject_cast<ErrorDialog*>(modal)) {
                notices << notice->windowTitle() + QLatin1Char('|') + Child<QTextEdit>(notice, "txtMessage")->toPlainText()
                               + (Child<QCheckBox>(notice, "checkNotShow")->isVisible() ? "" : " (no check box)");
                Child<QPushButton>(notice, "pushButton")->click();
            } else if (auto* dialog = qobject_cast<LoginDialog*>(modal)) {
                if (!login)
                    return false;
                login(dialog);
            } else if (modal->inherits("ServerSettingsDialog")) {
                const TestDatabase::Server s = TestDatabase::server();
                Child<QLineEdit>(modal, "lineServerAddress")->setText(s.host);
                Child<QLineEdit>(modal, "linePort")->setText(QString::number(s.port));
                Child<QLineEdit>(modal, "lineUserName")->setText(s.user);
                Child<QLineEdit>(modal, "lineUserPassword")->setText(s.password);
                Child<QPushButton>(modal, "pushButtonSave")->click();
            } else if (modal->inherits("SettingsDialog")) {
                // Written before the dialog runs; the busy box waits hidden behind it.
                if (!WrittenAsZero(QStringLiteral("FIRST_TIME_START")))
                    problems << QStringLiteral("FIRST_TIME_START not yet 0 in the settings dialog");
                bool busyBox = false;
                for (Progress* progress : modal->parentWidget()->findChildren<Progress*>())
                    busyBox = busyBox || progress->message() == QLatin1String("Initializing settings...");
                if (!busyBox)
                    problems << QStringLiteral("no \"Initializing settings...\" busy box");
                // Every module is open until the first login, the database manager of this dialog's pages too.
                if (!AppSettings::Instance()->HasPermission(MODULE_DATABASE_MANAGEMENT))
                    problems << QStringLiteral("the database manager refused in the first start's settings dialog");
                Child<QPushButton>(modal, "pushClose")->click();
            } else if (modal->inherits("WelcomeDialog")) {
                Child<QPushButton>(modal, "pushClose")->click();
            } else {
                return false;
            }
            return true;
        });
    }
}

void TestLogin::useActiveInventory(const QString& database)
{
    TestDatabase::writeServerSettings();
    QSettings* store = AppSettings::Instance()->settings;
    store->setValue(ACTIVE_INVENTORY_DB, database);
    store->setValue(ACTIVE_SALES_DB, salesDb); // the Home page after a login reads it too
    store->setValue(QStringLiteral("SHOW_WELCOME"), 0);
    store->setValue(QStringLiteral("FIRST_TIME_START"), 0);
}

void TestLogin::useAdminAndClerk()
{
    useActiveInventory(inventoryDb);
    addUser(QStringLiteral("Admin"), QStringLiteral("Secret1"), QStringLiteral("ADMINISTRATOR"));
    addUser(QStringLiteral("Clerk"), QStringLiteral("till"), QStringLiteral("SALES PERSON"));
}

void TestLogin::addUser(const QString& login, const QString& password, const QString& role, QString database,
                        bool longForm)
{
    if (database.isEmpty())
        database = inventoryDb;
    QSqlQuery insert(TestDatabase::connect(QStringLiteral("login_users_") + database, database));
    QVERIFY_SQL(insert, prepare(QStringLiteral("INSERT INTO tblUsers (FIRST_NAME, LAST_NAME, LOGIN_NAME, PASSWORD, "
                                               "ROLE_ID) SELECT ?, ?, ?, ?, ID FROM tblRoles WHERE NAME = ?")));
    for (const QString& value : {QStringLiteral("First ") + login, QStringLiteral("Last ") + login, login,
                                 longForm ? LongPasswordForm(password) : HashPassword(password), role})
        insert.addBindValue(value);
    QVERIFY_SQL(insert, exec());
    QCOMPARE(insert.numRowsAffected(), 1);
}

QStringList TestLogin::stateMismatches(MainWindow& window, bool loggedIn)
{
    const QStringList followLogin =
        QStringLiteral("pushPointOfSale pushProductManagement pushInventoryManagement pushPurchaseManagement "
                       "pushSalesManagement pushExpenseManagement pushReportManagement menuInventory menuProducts "
                       "menuTools menu_View menu_Expenses menuPurchase menuReports menuSales toolBarInventory "
                       "toolBarProducts toolBarExpenses toolBarTools toolBarPurchase actionHome actionManage_Users "
                       "actionManage_Roles actionLanuch_POS actionLogout")
            .split(QLatin1Char(' '));
    const QStringList alwaysEnabled =
        QStringLiteral("menuUser menuHelof mainToolBar dockNavigator pushInvDBStatus pushSalesDBStatus")
            .split(QLatin1Char(' '));

    QStringList mismatches;
    auto check = [&](const QString& name, bool expected) {
        bool enabled = false;
        if (auto* action = window.findChild<QAction*>(name))
            enabled = action->isEnabled();
        else if (auto* menu = window.findChild<QMenu*>(name)) // the menu and its entry in the menu bar
            enabled = menu->isEnabled() && menu->menuAction()->isEnabled();
        else if (auto* widget = window.findChild<QWidget*>(name))
            enabled = widget->isEnabled();
        else
            return void(mismatches << name + QStringLiteral(" missing"));
        if (enabled != expected)
            mismatches << name + (enabled ? QStringLiteral(" enabled") : QStringLiteral(" disabled"));
    };
    for (const QString& name : followLogin)
        check(name, loggedIn);
    check(QStringLiteral("actionLogin"), !loggedIn);
    for (const QString& name : alwaysEnabled)
        check(name, true);
    return mismatches;
}

bool TestLogin::showsPlaceholder(MainWindow& window)
{
    auto* label = qobject_cast<QLabel*>(window.centralWidget());
    return label && label->styleSheet() == QLatin1String("QLabel { background-color: #323232 }");
}

void TestLogin::verifyStartedAs(MainWindow& window, const QString& user, const QString& role, const QList<int>& modules)
{
    QList<int> permitted;
    for (int module : ALL_MODULES) {
        if (AppSettings::Instance()->HasPermission(module))
            permitted << module;
    }
    QCOMPARE(AppSettings::Instance()->CurrentUser(), user);
    QCOMPARE(AppSettings::Instance()->roleName, role);
    QCOMPARE(permitted, modules);
    QVERIFY_STATE(window, true);
    QVERIFY(!showsPlaceholder(window));
    QVERIFY(window.currentScreenOpener == &MainWindow::on_actionHome_triggered);
}

QStringList TestLogin::seenModals() const
{
    QStringList out;
    for (const ModalAnswerer::Seen& s : answerer->seen) {
        if (s.className == QLatin1String("QMessageBox"))
            out << s.title + QLatin1Char('|') + s.text;
        else
            out << s.className;
    }
    return out;
}

TestLogin::DialogAction TestLogin::typeAndLogin(const QString& name, const QString& password)
{
    return [name, password](LoginDialog* dialog) {
        Child<QLineEdit>(dialog, "editUserName")->setText(name);
        Child<QLineEdit>(dialog, "editPassword")->setText(password);
        Child<QPushButton>(dialog, "buttonLogin")->click();
    };
}

void TestLogin::startWithoutLogin_data()
{
    QTest::addColumn<bool>("activeInventory"); // with a sales person but no administrator
    QTest::addColumn<QStringList>("modals");
    QTest::addColumn<QStringList>("expectedNotices");
    // First start on empty settings; the Home page that ends it finds no sales database either. The
    // server answers: nothing may say it might not be running.
    QTest::newRow("first start") << false
                                 << QStringList{"WelcomeDialog", "SettingsDialog", "ServerSettingsDialog",
                                                NO_INVENTORY_MESSAGE}
                                 << QStringList();
    QTest::newRow("no administrator") << true << QStringList{"ErrorDialog"}
                                      << QStringList{"Login/Logout|Login is disabled at the moment as no 'ADMINISTRATOR' "
                                                     "user exists. Please add 'ADMINISTRATOR' user from the Users dialog "
                                                     "to enable this function."};
}

void TestLogin::startWithoutLogin()
{
    QFETCH(bool, activeInventory);
    QFETCH(QStringList, modals);
    QFETCH(QStringList, expectedNotices);
    if (activeInventory) {
        useActiveInventory(inventoryDb);
        addUser(QStringLiteral("someone"), QStringLiteral("pw"), QStringLiteral("SALES PERSON"));
    }
    answerStartUp(modals.size());

    MainWindow window;

    QCOMPARE(seenModals(), modals);
    QCOMPARE(notices, expectedNotices);
    QSettings* store = AppSettings::Instance()->settings;
    QVERIFY(WrittenAsZero(QStringLiteral("FIRST_TIME_START")));
    QCOMPARE(store->value(DB_SERVER).toString(), TestDatabase::server().host);
    QCOMPARE(DatabaseManager::Instance()->port, TestDatabase::server().port);
    QCOMPARE(DatabaseManager::Instance()->inventoryOpen, activeInventory);
    QCOMPARE(AppSettings::Instance()->mainWindow, &window);
    verifyStartedAs(window, QStringLiteral("NO LOGGED IN USER"), QStringLiteral("ADMINISTRATOR"), ALL_MODULES);
}

void TestLogin::startWithAdministratorLogsIn_data()
{
    QTest::addColumn<QString>("typedName");
    QTest::addColumn<QString>("typedPassword");
    QTest::addColumn<QString>("loginName");
    QTest::addColumn<QString>("roleName");
    QTest::addColumn<QList<int>>("permitted");
    QTest::newRow("administrator, name typed in another case")
        << "aDMIN" << "Secret1" << "Admin" << "ADMINISTRATOR" << ALL_MODULES;
    QTest::newRow("sales person") << "clerk" << "till" << "Clerk" << "SALES PERSON" << QList<int>{0};
}

void TestLogin::startWithAdministratorLogsIn()
{
    QFETCH(QString, typedName);
    QFETCH(QString, typedPassword);
    QFETCH(QString, loginName);
    QFETCH(QString, roleName);
    QFETCH(QList<int>, permitted);
    useAdminAndClerk();
    addUser(QStringLiteral("manager1"), QStringLiteral("boss"), QStringLiteral("MANAGER"));

    QWidget* dialogParent = nullptr;
    bool dialogModal = false;
    const DialogAction login = typeAndLogin(typedName, typedPassword);
    answerStartUp(1, [&](LoginDialog* dialog) {
        dialogParent = dialog->parentWidget();
        dialogModal = dialog->isModal();
        login(dialog);
    });

    MainWindow window;

    QCOMPARE(seenModals(), QStringList{QStringLiteral("LoginDialog")});
    QCOMPARE(answerer->seen.first().title, QStringLiteral("Login"));
    QCOMPARE(dialogParent, &window);
    QVERIFY(dialogModal);
    verifyStartedAs(window, loginName, roleName, permitted);
}

void TestLogin::leavingLoginDialogStaysLoggedOut()
{
    useAdminAndClerk();
    answerStartUp(1, [](LoginDialog* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });

    MainWindow window;

    QCOMPARE(seenModals(), QStringList{QStringLiteral("LoginDialog")});
    QVERIFY(showsPlaceholder(window));
    QVERIFY_STATE(window, false);
    QCOMPARE(AppSettings::Instance()->loginName, PREVIOUS_USER);
    QCOMPARE(AppSettings::Instance()->roleName, PREVIOUS_ROLE);

    answerer->clear();
    answerStartUp(1, typeAndLogin(QStringLiteral("admin"), QStringLiteral("Secret1")));
    window.findChild<QAction*>(QStringLiteral("actionLogin"))->trigger();
    QCOMPARE(seenModals(), QStringList{QStringLiteral("LoginDialog")});
    QCOMPARE(AppSettings::Instance()->CurrentUser(), QStringLiteral("Admin"));
    QVERIFY_STATE(window, true);
}

void TestLogin::hintsAreGrey_data()
{
    QTest::addColumn<QString>("styleSheet"); // resource of the theme; empty: no theme
    QTest::newRow("dark") << ":/resources/stylesheets/WindowsStyleSheet.txt";
    QTest::newRow("light") << ":/resources/stylesheets/WindowsStyleSheetLight.txt";
    QTest::newRow("no theme") << "";
}

// A hint must not pass for typed text: its strongest pixel stands out from the field's
// background clearly less than typed text does.
void TestLogin::hintsAreGrey()
{
    QFETCH(QString, styleSheet);
    QWidget window; // the main window carries the theme; the dialog inherits it
    if (!styleSheet.isEmpty()) {
        QFile file(styleSheet);
        QVERIFY(file.open(QIODevice::ReadOnly));
        window.setStyleSheet(QString::fromUtf8(file.readAll()));
    }
    LoginDialog dialog(&window);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    for (const char* name : {"editUserName", "editPassword"}) {
        auto* edit = Child<QLineEdit>(&dialog, name);
        edit->clearFocus();
        auto contrast = [edit] {
            const QImage image = edit->grab().toImage();
            const int background = qGray(image.pixel(image.width() - 6, image.height() / 2));
            int strongest = 0;
            for (int y = 4; y < image.height() - 4; ++y)
                for (int x = 6; x < image.width() / 2; ++x)
                    strongest = qMax(strongest, qAbs(qGray(image.pixel(x, y)) - background));
            return strongest;
        };
        const int hint = contrast();
        edit->setText(edit->echoMode() == QLineEdit::Password ? QStringLiteral("secret") : QStringLiteral("Enter"));
        const int typed = contrast();
        edit->clear();
        QVERIFY2(typed > 60, qPrintable(QStringLiteral("%1: typed text contrast %2").arg(name).arg(typed)));
        QVERIFY2(hint * 4 < typed * 3, qPrintable(QStringLiteral("%1: hint %2, typed %3").arg(name).arg(hint).arg(typed)));
    }
}

void TestLogin::logoutClosesDatabasesAndLogsInAgain()
{
    useAdminAndClerk();
    answerStartUp(1, typeAndLogin(QStringLiteral("Admin"), QStringLiteral("Secret1")));
    MainWindow window;
    QCOMPARE(AppSettings::Instance()->CurrentUser(), QStringLiteral("Admin"));
    DatabaseManager* manager = DatabaseManager::Instance();
    manager->SalesDatabase();
    QVERIFY(manager->inventoryOpen);
    QVERIFY(manager->salesOpen);
    QVERIFY(manager->SalesQuery()->exec(QStringLiteral("SELECT 1")));

    answerer->clear();
    bool salesClosed = false;
    bool inventoryReopened = false;
    answerStartUp(1, [&](LoginDialog* dialog) {
        salesClosed = !manager->salesOpen && manager->salesDb == nullptr && manager->salesQuery == nullptr;
        inventoryReopened = manager->inventoryOpen;
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    window.findChild<QAction*>(QStringLiteral("actionLogout"))->trigger();

    QCOMPARE(seenModals(), QStringList{QStringLiteral("LoginDialog")});
    QVERIFY(salesClosed);
    QVERIFY(inventoryReopened);
    QVERIFY(showsPlaceholder(window));
    QVERIFY_STATE(window, false);
    // Logout by itself changes no current-user field.
    QCOMPARE(AppSettings::Instance()->loginName, QStringLiteral("Admin"));
}

void TestLogin::changedDatabaseLogsInAgainOnIt()
{
    const QString other = TestDatabase::uniqueName(QStringLiteral("login_inv_other"));
    DatabaseManager* manager = DatabaseManager::Instance();
    DatabaseTest::UseFixtureServer();
    QCOMPARE(DatabaseTest::Create(1, other), QString());
    DatabaseTest::ResetManager();
    manager->SetConnectionParameters(QString(), QString(), 0, QString());
    addUser(QStringLiteral("Owner"), QStringLiteral("Other1"), QStringLiteral("ADMINISTRATOR"), other);
    useAdminAndClerk();

    answerer->handleClass("LoginDialog", [](QWidget* login) { Child<QPushButton>(login, "pushChangeDB")->click(); });
    answerer->handleClass("ManageDatabases", [&other](QWidget* modal) {
        auto* combo = Child<QComboBox>(modal, "comboInventoryDatabases");
        combo->setCurrentIndex(combo->findText(other));
        Child<QPushButton>(modal, "pushButtonClose")->click();
    });
    // Logged in again: the login dialog now checks the other database's users.
    answerer->handleClass<LoginDialog>("LoginDialog", [this](LoginDialog* login) {
        typeAndLogin(QStringLiteral("Admin"), QStringLiteral("Secret1"))(login);
        if (!login->isVisible())
            problems << QStringLiteral("the first database's user logged in on the other one");
        typeAndLogin(QStringLiteral("owner"), QStringLiteral("Other1"))(login);
    });

    MainWindow window;
    QTRY_COMPARE(answerer->pendingAnswers(), 0);

    QCOMPARE(AppSettings::Instance()->settings->value(ACTIVE_INVENTORY_DB).toString(), other);
    QCOMPARE(manager->inventoryDb->databaseName(), other);
    QCOMPARE(AppSettings::Instance()->CurrentUser(), QStringLiteral("Owner"));
    QCOMPARE(AppSettings::Instance()->roleName, QStringLiteral("ADMINISTRATOR"));
    QVERIFY_STATE(window, true);
    manager->RemoveInventoryDatabase();
    TestDatabase::dropDatabase(other);
}

void TestLogin::unreadableDatabaseStaysLoggedOut_data()
{
    QTest::addColumn<QString>("cause");
    QTest::newRow("server down") << "server";
    QTest::newRow("administrator count failing") << "count";
}

void TestLogin::unreadableDatabaseStaysLoggedOut()
{
    QFETCH(QString, cause);
    useAdminAndClerk();
    QSettings* store = AppSettings::Instance()->settings;
    if (cause == QLatin1String("server"))
        store->setValue(DB_PORT, QString::number(DatabaseTest::ClosedPort()));
    else
        QCOMPARE(TestDatabase::exec(inventoryDb, {QStringLiteral("RENAME TABLE tblRoles TO tblRolesAway")}), QString());
    auto restore = qScopeGuard([this] {
        TestDatabase::exec(inventoryDb, {QStringLiteral("RENAME TABLE tblRolesAway TO tblRoles")});
    });
    QStringList serverSettingsShown;
    answerer->pressButton(QMessageBox::Ok);
    if (cause == QLatin1String("server")) {
        answerer->pressButton(QMessageBox::Ok);
        // Its connection settings are offered; here they are left as they are.
        answerer->handleClass("ServerSettingsDialog", [&](QWidget* modal) {
            serverSettingsShown << Child<QLineEdit>(modal, "lineUserPassword")->text();
            Child<QPushButton>(modal, "pushCancel")->click();
        });
    }

    MainWindow window;

    const QStringList shown = seenModals();
    if (cause == QLatin1String("server")) {
        QCOMPARE(shown, (QStringList{CannotConnect(inventoryDb), NO_INVENTORY_MESSAGE, "ServerSettingsDialog"}));
        QCOMPARE(serverSettingsShown, QStringList{QString()}); // nobody logged in: the password stays hidden
    } else {
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().startsWith(QLatin1String("Login/Logout|The users of the inventory database can not be "
                                                        "read, so nobody can log in now.")),
                 qPrintable(shown.first()));
    }
    QVERIFY(showsPlaceholder(window));
    QVERIFY_STATE(window, false);
    QCOMPARE(AppSettings::Instance()->loginName, PREVIOUS_USER);
    QVERIFY(!AppSettings::Instance()->sessionOpen);

    // Once the server answers again, Login works without restarting the program.
    answerer->clear();
    restore.dismiss();
    if (cause == QLatin1String("count"))
        QCOMPARE(TestDatabase::exec(inventoryDb, {QStringLiteral("RENAME TABLE tblRolesAway TO tblRoles")}), QString());
    TestDatabase::writeServerSettings();
    answerStartUp(1, typeAndLogin(QStringLiteral("admin"), QStringLiteral("Secret1")));
    window.findChild<QAction*>(QStringLiteral("actionLogin"))->trigger();
    QCOMPARE(seenModals(), QStringList{QStringLiteral("LoginDialog")});
    QCOMPARE(AppSettings::Instance()->CurrentUser(), QStringLiteral("Admin"));
    QVERIFY_STATE(window, true);
}

void TestLogin::serverRestartNeedsNoLogout()
{
    PrivateServer server;
    QCOMPARE(server.start(), QString());
    TestDatabase::useServer({server.host(), server.port(), server.user(), server.password()});
    DatabaseTest::UseFixtureServer();
    const auto restore = qScopeGuard([] {
        DatabaseTest::ResetManager();
        TestDatabase::useServer({});
        DatabaseTest::UseFixtureServer();
    });
    const QString inventory = TestDatabase::uniqueName(QStringLiteral("restart_inv"));
    const QString sales = TestDatabase::uniqueName(QStringLiteral("restart_sales"));
    QCOMPARE(DatabaseTest::Create(1, inventory), QString());
    QCOMPARE(DatabaseTest::Create(2, sales), QString());
    DatabaseTest::ResetManager();
    useActiveInventory(inventory);
    AppSettings::Instance()->settings->setValue(ACTIVE_SALES_DB, sales);
    addUser(QStringLiteral("Admin"), QStringLiteral("Secret1"), QStringLiteral("ADMINISTRATOR"), inventory);
    addUser(QStringLiteral("Stocker"), QStringLiteral("Secret2"), QStringLiteral("MANAGER"), inventory);
    answerStartUp(1, typeAndLogin(QStringLiteral("admin"), QStringLiteral("Secret1")));

    MainWindow window;
    QCOMPARE(AppSettings::Instance()->CurrentUser(), QStringLiteral("Admin"));
    auto* inventoryStatus = Child<QPushButton>(&window, "pushInvDBStatus");
    auto* salesStatus = Child<QPushButton>(&window, "pushSalesDBStatus");
    const auto products = [&window] { return window.centralWidget()->findChild<QLabel*>(QStringLiteral("labelProduct"))->text(); };
    QVERIFY(inventoryStatus->text().endsWith(QLatin1String("STATUS : ON")));
    QVERIFY(salesStatus->text().endsWith(QLatin1String("STATUS : ON")));
    QCOMPARE(products(), QStringLiteral("0"));
    answerer->clear();

    // While the server is down the buttons and the figures say so; nobody is logged out.
    QCOMPARE(server.stop(), QString());
    window.findChild<QAction*>(QStringLiteral("actionHome"))->trigger();
    QVERIFY(inventoryStatus->text().endsWith(QLatin1String("STATUS : OFF")));
    QVERIFY(salesStatus->text().endsWith(QLatin1String("STATUS : OFF")));
    QCOMPARE(products(), QStringLiteral("NOT AVAILABLE"));
    QVERIFY_STATE(window, true);
    window.findChild<QAction*>(QStringLiteral("actionManage_Users"))->trigger();
    QVERIFY2(seenModals().join(QLatin1Char('\n')).contains(QLatin1String("Users|The users can not be read.")),
             qPrintable(seenModals().join(QLatin1Char('\n'))));
    answerer->clear();

    // Back again: the next action works without logout or login (attempts are a moment apart).
    QCOMPARE(server.start(), QString());
    const auto showHome = [&window, &products] {
        window.findChild<QAction*>(QStringLiteral("actionHome"))->trigger();
        return products();
    };
    QTRY_COMPARE_WITH_TIMEOUT(showHome(), QStringLiteral("0"), 10000);
    QVERIFY(inventoryStatus->text().endsWith(QLatin1String("STATUS : ON")));
    QVERIFY(salesStatus->text().endsWith(QLatin1String("STATUS : ON")));
    QCOMPARE(AppSettings::Instance()->CurrentUser(), QStringLiteral("Admin"));
    QCOMPARE(seenModals(), QStringList());
    DatabaseTest::ResetManager();
}

void TestLogin::loginCheck_data()
{
    QTest::addColumn<QString>("typedName");
    QTest::addColumn<QString>("typedPassword");
    QTest::addColumn<QString>("expected"); // the login name logged in, or the status line
    // For rows about the stored hash: the typed password's hash, which the column's own
    // comparison takes for the stored one (so the row guards what it claims).
    QTest::addColumn<QString>("typedHash");

    const QString failed = QStringLiteral("Login failed. Please try again (1)");
    QTest::newRow("name in capitals") << "ADMIN" << "Secret1" << "Admin" << QString();
    QTest::newRow("password in another case") << "Admin" << "secret1" << failed << QString();
    QTest::newRow("password with a trailing blank") << "Admin" << "Secret1 " << failed << QString();
    QTest::newRow("name written as SQL") << "' OR '1'='1" << "x' OR '1'='1" << failed << QString();
    // User "pair" has the password pw93817, whose stored hash is the one character "a".
    QTest::newRow("pair: its own password") << "pair" << "pw93817" << "pair" << "a";
    QTest::newRow("pair: hash differs in letter case") << "pair" << "pw28488" << failed << "A";
    QTest::newRow("pair: hash has a trailing blank") << "pair" << "pw12946694" << failed << "a ";
    // User "wide" has the ordinary password Secret9 stored in the long form: both forms are compared.
    QTest::newRow("wide: its own password") << "wide" << "Secret9" << "wide" << QString();
    QTest::newRow("wide: another password") << "wide" << "Secret1" << failed << QString();
}

void TestLogin::loginCheck()
{
    QFETCH(QString, typedName);
    QFETCH(QString, typedPassword);
    QFETCH(QString, expected);
    QFETCH(QString, typedHash);
    useActiveInventory(inventoryDb);
    addUser(QStringLiteral("Admin"), QStringLiteral("Secret1"), QStringLiteral("ADMINISTRATOR"));
    addUser(QStringLiteral("pair"), QStringLiteral("pw93817"), QStringLiteral("SALES PERSON"));
    addUser(QStringLiteral("wide"), QStringLiteral("Secret9"), QStringLiteral("SALES PERSON"), QString(), true);
    if (!typedHash.isEmpty()) {
        QCOMPARE(HashPassword(typedPassword), typedHash);
        QCOMPARE(DatabaseTest::Rows(inventoryDb, QStringLiteral("SELECT COUNT(*) FROM tblUsers WHERE LOGIN_NAME = "
                                                                "'pair' AND PASSWORD = ?"), {typedHash}),
                 QStringList{QStringLiteral("1")});
    }

    OpenLogin open;
    typeAndLogin(typedName, typedPassword)(&open.dialog);
    VerifyLoginOutcome(open, typedName, typedPassword, expected, QStringLiteral("Admin"));
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(answerer->seen.size(), 0);
}

void TestLogin::failureMessagesShareOneCounter()
{
    useAdminAndClerk();
    OpenLogin open;
    auto* status = Child<QLabel>(&open.dialog, "labelStatus");
    const char* const attempts[][3] = {{"Admin", "", "Please enter valid User Name or Password (1)"},
                                       {"Admin", "wrong", "Login failed. Please try again (2)"},
                                       {"", "", "Please enter valid User Name or Password (3)"},
                                       {"stranger", "Secret1", "Login failed. Please try again (4)"}};
    for (const auto& attempt : attempts) {
        typeAndLogin(QLatin1String(attempt[0]), QLatin1String(attempt[1]))(&open.dialog);
        QCOMPARE(status->text(), QLatin1String(attempt[2]));
        QVERIFY(open.dialog.isVisible());
        QVERIFY(open.result.cancelled);
    }
    typeAndLogin(QStringLiteral("Admin"), QStringLiteral("Secret1"))(&open.dialog);
    QVERIFY(!open.result.cancelled);
    QCOMPARE(status->text(), QString());
    QVERIFY(!open.dialog.isVisible());
}

void TestLogin::upgradedPasswordsOpenOnlyTheirAccounts_data()
{
    QTest::addColumn<QString>("typedName");
    QTest::addColumn<QString>("typedPassword");
    QTest::addColumn<QString>("expected"); // the login name logged in, or the status line
    const QString failed = QStringLiteral("Login failed. Please try again (1)");
    // "pw54" and "pw345" both hash to an empty text; the hash of "pw381" does not fit the column.
    QTest::newRow("only administrator, her own password") << "boss" << "pw54" << "Boss";
    QTest::newRow("only administrator, another empty-hash password") << "boss" << "pw345" << failed;
    QTest::newRow("unfitting hash, its own password") << "dana" << "pw381" << "Dana";
    QTest::newRow("unfitting hash, an empty-hash password") << "dana" << "pw345" << failed;
    QTest::newRow("ordinary password as before") << "clerk" << "till" << "Clerk";
    QTest::newRow("ordinary password, an empty-hash password") << "clerk" << "pw345" << failed;
}

void TestLogin::upgradedPasswordsOpenOnlyTheirAccounts()
{
    QFETCH(QString, typedName);
    QFETCH(QString, typedPassword);
    QFETCH(QString, expected);
    QCOMPARE(HashPassword(QStringLiteral("pw54")), QString());
    QCOMPARE(HashPassword(QStringLiteral("pw345")), QString());

    // A database of the version that kept passwords in plain text.
    const QString old = TestDatabase::uniqueName(QStringLiteral("login_plain"));
    DatabaseTest::UseFixtureServer();
    QCOMPARE(DatabaseTest::Create(1, old), QString());
    DatabaseTest::ResetManager();
    const auto drop = qScopeGuard([&old] {
        DatabaseTest::ResetManager();
        TestDatabase::dropDatabase(old);
    });
    QCOMPARE(TestDatabase::exec(old, {QStringLiteral("UPDATE tblVorantel SET DB_VERSION = 'INVENTORY_14.0.0'"),
                                      QStringLiteral("INSERT INTO tblUsers (FIRST_NAME, LAST_NAME, LOGIN_NAME, PASSWORD, "
                                                     "ROLE_ID) VALUES ('First Boss', 'Last Boss', 'Boss', 'pw54', 1), "
                                                     "('First Dana', 'Last Dana', 'Dana', 'pw381', 2), ('First Clerk', "
                                                     "'Last Clerk', 'Clerk', 'till', 2)")}),
             QString());
    useActiveInventory(old);

    OpenLogin open;
    for (int notice = 0; notice < 3; ++notice)
        answerer->pressButton(QMessageBox::Ok);
    QVERIFY(DatabaseManager::Instance()->InventoryDatabase()->isOpen());
    QStringList titles;
    for (const ModalAnswerer::Seen& s : qAsConst(answerer->seen))
        titles << s.title;
    answerer->clear();

    typeAndLogin(typedName, typedPassword)(&open.dialog);
    VerifyLoginOutcome(open, typedName, typedPassword, expected, QStringLiteral("Boss"));
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(answerer->seen.size(), 0);

    QCOMPARE(DatabaseTest::Rows(old, QStringLiteral("SELECT LOGIN_NAME FROM tblUsers WHERE BINARY PASSWORD IN "
                                                    "('pw54', 'pw381', 'till') OR CHAR_LENGTH(PASSWORD) < 4")),
             QStringList());
    // Byte for byte the hash the users dialog stores.
    QCOMPARE(DatabaseTest::Rows(old, QStringLiteral("SELECT LOGIN_NAME FROM tblUsers WHERE BINARY PASSWORD = ?"),
                                {HashPassword(QStringLiteral("till"))}),
             QStringList{"Clerk"});
    // Nobody is left to be given a new password.
    QCOMPARE(titles, (QStringList{"Database Upgrade", "Main Database Upgrade", "Main Database Upgrade"}));
}

void TestLogin::recovery_data()
{
    QTest::addColumn<QString>("typedName");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("loggedIn");
    QTest::newRow("unknown user") << "nobody" << QStringList{NO_SUCH_USER} << "";
    QTest::newRow("SQL naming an administrator") << "x' OR r.NAME = 'ADMINISTRATOR" << QStringList{NO_SUCH_USER} << "";
    QTest::newRow("sales person") << "clerk" << QStringList{CONTACT_ADMINISTRATOR} << "";
    QTest::newRow("administrator answers the questions") << "admin" << QStringList{ANSWER_QUESTIONS, VERIFIED} << "Admin";
}

void TestLogin::recovery()
{
    QFETCH(QString, typedName);
    QFETCH(QStringList, messages);
    QFETCH(QString, loggedIn);
    useAdminAndClerk();
    // Answers are stored as the hash of their upper-case text; typed in another case they verify.
    const QStringList stored{QStringLiteral("Rex"), QStringLiteral("Paris"), QStringLiteral("blue car")};
    const QStringList typed{QStringLiteral("rex"), QStringLiteral("PARIS"), QStringLiteral("Blue Car")};
    for (int question = 0; question < 3; ++question)
        QCOMPARE(DatabaseTest::Rows(inventoryDb, QStringLiteral("INSERT INTO tblQuestions (USER_ID, QUESTION_ID, ANSWER) "
                                                                "SELECT ID, ?, ? FROM tblUsers WHERE LOGIN_NAME = 'Admin'"),
                                    {question, HashPassword(stored[question].toUpper())}),
                 QStringList());

    OpenLogin open;
    QString promptLabel;
    QWidget* promptParent = nullptr;
    answerer->handleClass<ReportParameterDialog>("ReportParameterDialog", [&](ReportParameterDialog* prompt) {
        promptLabel = prompt->ui->label->text();
        promptParent = prompt->parentWidget();
        prompt->ui->lineEditValue->setText(typedName);
        Child<QPushButton>(prompt, "pushButton")->click();
    });
    QWidget* boxParent = nullptr;
    answerer->handleClass<QMessageBox>("QMessageBox", [&](QMessageBox* box) {
        boxParent = box->parentWidget();
        box->button(QMessageBox::Ok)->click();
    });
    if (!loggedIn.isEmpty()) {
        answerer->handleClass("SecurityQuestions", [&](QWidget* modal) {
            if (Child<QPushButton>(modal, "pushSave")->text() != QLatin1String("Verify"))
                problems << QStringLiteral("Save is not captioned Verify");
            for (int question = 0; question < 3; ++question)
                Child<QLineEdit>(modal, qPrintable(QStringLiteral("line_a%1").arg(question)))->setText(typed[question]);
            Child<QPushButton>(modal, "pushSave")->click();
            if (modal->isVisible()) // a failed verification leaves the questions open for another try
                Child<QPushButton>(modal, "pushClose")->click();
        });
    }

    Child<QLabel>(&open.dialog, "label_forgot_password")->linkActivated(QStringLiteral("#"));
    QTRY_COMPARE(answerer->pendingAnswers(), 0);

    QCOMPARE(answerer->seen.first().title, QStringLiteral("Password Recovery"));
    QCOMPARE(promptLabel, QStringLiteral("Enter your username"));
    QCOMPARE(promptParent, &open.host);
    QCOMPARE(answerer->messages(), messages);
    QCOMPARE(boxParent, &open.dialog);
    // Otherwise nobody was logged in: the dialog waits for the next try.
    QCOMPARE(open.result.cancelled, loggedIn.isEmpty());
    QCOMPARE(open.result.loginName, loggedIn);
    QCOMPARE(open.result.roleName, loggedIn.isEmpty() ? QString() : QStringLiteral("ADMINISTRATOR"));
    QCOMPARE(open.dialog.isVisible(), loggedIn.isEmpty());
}

void TestLogin::buttonsStayWhileMessagesComeAndGo()
{
    OpenLogin open;
    QCOMPARE(TestSupport::MovedByMessage(&open.dialog, Child<QLabel>(&open.dialog, "labelStatus"),
                                         QStringLiteral("Please enter valid User Name or Password (1)")),
             QString());
}

VORANTEL_TEST_MAIN(TestLogin)
#include "tst_login.moc"
