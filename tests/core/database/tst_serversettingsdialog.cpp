#include "appsettings.h"
#include "constants.h"
#include "databasetest.h"
#include "messagesettings.h"
#include "modalanswerer.h"
#include "serversettingsdialog.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTextEdit>

class TestServerSettingsDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void formAsStored();
    void storedPasswordShownOnlyToPermitted_data();
    void storedPasswordShownOnlyToPermitted();
    void settingsFileIsOwnerOnly();
    void testConnection_data();
    void testConnection();
    void saveWritesAsTyped_data();
    void saveWritesAsTyped();
    void helpNotice();

private:
    static QLineEdit* edit(QWidget* dialog, const char* name) { return dialog->findChild<QLineEdit*>(name); }
    static void click(QWidget* dialog, const char* name) { dialog->findChild<QPushButton*>(name)->click(); }
    static QString stored(const QString& key) { return AppSettings::Instance()->settings->value(key).toString(); }
    static void setNotice(bool show)
    {
        MessageSettings::Instance()->Load();
        (*MessageSettings::Instance())[QStringLiteral("err_msg_21")].show = show;
    }

    QString inventoryDb;
    QString salesDb;
    ModalAnswerer* answerer = nullptr;
};

void TestServerSettingsDialog::initTestCase()
{
    REQUIRE_TEST_SERVER();
    TestSupport::ClearSettings();
    answerer = new ModalAnswerer(this);
    DatabaseTest::UseFixtureServer();
    inventoryDb = TestDatabase::uniqueName(QStringLiteral("inv"));
    salesDb = TestDatabase::uniqueName(QStringLiteral("sales"));
    QCOMPARE(DatabaseTest::Create(1, inventoryDb), QString());
    QCOMPARE(DatabaseTest::Create(2, salesDb), QString());
}

void TestServerSettingsDialog::init()
{
    TestSupport::ClearSettings();
    TestDatabase::writeServerSettings();
    DatabaseTest::UseFixtureServer();
    setNotice(false);
    answerer->clear();
    AppSettings* appSettings = AppSettings::Instance();
    appSettings->sessionOpen = true;
    appSettings->roleName = QStringLiteral("ADMINISTRATOR");
    appSettings->SetPermittedModules({});
}

void TestServerSettingsDialog::cleanup()
{
    QVERIFY2(answerer->failures.isEmpty(), qPrintable(answerer->failures.join(QLatin1Char('\n'))));
    DatabaseTest::ResetManager();
}

void TestServerSettingsDialog::cleanupTestCase()
{
    TestDatabase::dropDatabase(inventoryDb);
    TestDatabase::dropDatabase(salesDb);
}

void TestServerSettingsDialog::formAsStored()
{
    const QList<std::pair<QString, const char*>> fields{
        {DB_SERVER, "lineServerAddress"}, {DB_PORT, "linePort"}, {DB_USER, "lineUserName"}, {DB_PASSWORD, "lineUserPassword"}};
    for (const auto& f : fields)
        AppSettings::Instance()->settings->setValue(f.first, f.first + QStringLiteral(" 33o6"));
    ServerSettingsDialog dialog(nullptr);
    QVERIFY(!dialog.settingsChanged);
    for (const auto& f : fields)
        QCOMPARE(edit(&dialog, f.second)->text(), f.first + QStringLiteral(" 33o6"));
    QLineEdit* password = edit(&dialog, "lineUserPassword");
    QCOMPARE(password->echoMode(), QLineEdit::Password);
    dialog.findChild<QCheckBox*>(QStringLiteral("checkShowPassword"))->setChecked(true);
    QCOMPARE(password->echoMode(), QLineEdit::Normal);
}

void TestServerSettingsDialog::storedPasswordShownOnlyToPermitted_data()
{
    QTest::addColumn<bool>("loggedIn");
    QTest::addColumn<QString>("role");
    QTest::addColumn<QList<int>>("modules");
    QTest::addColumn<bool>("shown");
    QTest::newRow("administrator") << true << "ADMINISTRATOR" << QList<int>{} << true;
    QTest::newRow("manager with the settings module") << true << "MANAGER" << QList<int>{1, 13} << true;
    QTest::newRow("cashier") << true << "SALES PERSON" << QList<int>{0} << false;
    QTest::newRow("login screen after an administrator's logout") << false << "ADMINISTRATOR" << QList<int>{} << false;
}

void TestServerSettingsDialog::storedPasswordShownOnlyToPermitted()
{
    QFETCH(bool, loggedIn);
    QFETCH(QString, role);
    QFETCH(QList<int>, modules);
    QFETCH(bool, shown);
    AppSettings* appSettings = AppSettings::Instance();
    appSettings->sessionOpen = loggedIn;
    appSettings->roleName = role;
    appSettings->SetPermittedModules(modules);
    const QString secret = stored(DB_PASSWORD);
    QVERIFY(!secret.isEmpty());

    {
        ServerSettingsDialog dialog(nullptr);
        QLineEdit* password = edit(&dialog, "lineUserPassword");
        dialog.findChild<QCheckBox*>(QStringLiteral("checkShowPassword"))->setChecked(true);
        QCOMPARE(password->text(), shown ? secret : QString());
        QVERIFY(!password->placeholderText().contains(secret));
        // Saving without typing keeps the stored password, whoever saves.
        click(&dialog, "pushButtonSave");
        QVERIFY(!dialog.settingsChanged);
        QCOMPARE(stored(DB_PASSWORD), secret);
    }
    // Everyone may replace it.
    ServerSettingsDialog dialog(nullptr);
    edit(&dialog, "lineUserPassword")->setText(QStringLiteral("replaced"));
    click(&dialog, "pushButtonSave");
    QVERIFY(dialog.settingsChanged);
    QCOMPARE(stored(DB_PASSWORD), QStringLiteral("replaced"));
    QCOMPARE(DatabaseManager::Instance()->password, QStringLiteral("replaced"));
}

void TestServerSettingsDialog::settingsFileIsOwnerOnly()
{
    QSettings* store = AppSettings::Instance()->settings;
    for (const char* typed : {"first secret", "second secret"}) {
        ServerSettingsDialog dialog(nullptr);
        edit(&dialog, "lineUserPassword")->setText(QLatin1String(typed));
        click(&dialog, "pushButtonSave");
        store->sync();
        const QFileInfo info(store->fileName());
        QVERIFY(info.exists());
        QCOMPARE(stored(DB_PASSWORD), QLatin1String(typed));
        const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther
                                          | QFile::WriteOther | QFile::ExeOther;
        QCOMPARE(int(info.permissions() & others), 0);
        QVERIFY(info.permissions() & QFile::ReadOwner);
    }
}

void TestServerSettingsDialog::testConnection_data()
{
    QTest::addColumn<QString>("port"); // "@fixture", "@wrapped" (+ 65536), "@closed", "@silent" (never answers)
    QTest::addColumn<QString>("password"); // "@fixture" or as typed
    QTest::addColumn<QString>("expected");
    const QString failed = QStringLiteral("Connection to server FAILED!. Please check all parameters.");
    QTest::newRow("fixture server") << "@fixture" << "@fixture" << "Connection to server SUCCEEDED!";
    QTest::newRow("closed port") << "@closed" << "@fixture" << failed;
    QTest::newRow("port that takes the connection and never answers") << "@silent" << "@fixture" << failed;
    // A refused login is told as such: the server answered.
    QTest::newRow("wrong password") << "@fixture" << "wrong"
                                    << QStringLiteral("Connection to server FAILED!. The database server refused the login "
                                                      "of user %1: the password given is not the server's. Please check "
                                                      "the user name and password in the MySQL Server settings.")
                                           .arg(TestDatabase::server().user);
    QTest::newRow("port not a number") << "3306x" << "@fixture" << failed;
    // The client library would take it modulo 65536, reaching the fixture's server.
    QTest::newRow("fixture's port + 65536") << "@wrapped" << "@fixture" << failed;
}

void TestServerSettingsDialog::testConnection()
{
    QFETCH(QString, port);
    QFETCH(QString, password);
    QFETCH(QString, expected);
    const TestDatabase::Server s = TestDatabase::server();
    QTcpServer silent;
    if (port == QLatin1String("@silent")) {
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        port = QString::number(silent.serverPort());
    }
    port.replace(QLatin1String("@wrapped"), QString::number(s.port + 65536));
    port.replace(QLatin1String("@fixture"), QString::number(s.port)).replace(QLatin1String("@closed"), QString::number(DatabaseTest::ClosedPort()));
    password.replace(QLatin1String("@fixture"), s.password);
    ServerSettingsDialog dialog(nullptr);
    edit(&dialog, "lineServerAddress")->setText(s.host);
    edit(&dialog, "linePort")->setText(port);
    edit(&dialog, "lineUserName")->setText(s.user);
    edit(&dialog, "lineUserPassword")->setText(password);
    // A second test in a row gives the same answer: the test connection does not linger.
    answerer->pressButton(QMessageBox::Ok);
    answerer->pressButton(QMessageBox::Ok);
    for (int i = 0; i < 2; ++i) {
        QElapsedTimer told;
        told.start();
        click(&dialog, "pushButtonTest");
        // Within the connect bound, whatever is on the port.
        QVERIFY2(told.elapsed() < 12000, qPrintable(QString::number(told.elapsed())));
    }

    const QString message = QStringLiteral("Server Connection|") + expected;
    QCOMPARE(answerer->messages(), (QStringList{message, message}));
    QVERIFY(!QSqlDatabase::contains(QStringLiteral("TEST_CONNECTION")));
    QCOMPARE(stored(DB_PORT), QString::number(s.port));
    QCOMPARE(stored(DB_PASSWORD), s.password);
    QCOMPARE(DatabaseManager::Instance()->port, s.port);
    QCOMPARE(DatabaseManager::Instance()->password, s.password);
    QVERIFY(!dialog.settingsChanged);
}

void TestServerSettingsDialog::saveWritesAsTyped_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("saved"); // Save pressed, otherwise Cancel
    QTest::addColumn<int>("managerPort"); // -1: the fixture's port
    QTest::newRow("address") << "lineServerAddress" << " localhost " << true << -1;
    QTest::newRow("port with letters") << "linePort" << "33a06" << true << 0;
    QTest::newRow("other port") << "linePort" << "3307" << true << 3307;
    QTest::newRow("user") << "lineUserName" << "cashier" << true << -1;
    QTest::newRow("only the password") << "lineUserPassword" << "new password" << true << -1;
    QTest::newRow("nothing changed") << "" << "" << true << -1;
    QTest::newRow("cancelled") << "lineUserPassword" << "typed but cancelled" << false << -1;
}

// Save writes all four keys, changed or not; the connections are dropped only when something changed.
void TestServerSettingsDialog::saveWritesAsTyped()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(bool, saved);
    QFETCH(int, managerPort);
    const TestDatabase::Server s = TestDatabase::server();
    AppSettings::Instance()->settings->setValue(ACTIVE_INVENTORY_DB, inventoryDb);
    AppSettings::Instance()->settings->setValue(ACTIVE_SALES_DB, salesDb);
    DatabaseManager* manager = DatabaseManager::Instance();
    QVERIFY(manager->InventoryDatabase()->isOpen() && manager->SalesDatabase()->isOpen() && manager->ServerConnection()->isOpen());
    QSqlDatabase* inventory = manager->inventoryDb;
    ServerSettingsDialog dialog(nullptr);
    dialog.show();
    if (!field.isEmpty())
        dialog.findChild<QLineEdit*>(field)->setText(typed);
    if (saved)
        AppSettings::Instance()->settings->remove(DB_USER);
    click(&dialog, saved ? "pushButtonSave" : "pushCancel");
    const bool changed = saved && !field.isEmpty();
    QCOMPARE(dialog.settingsChanged, changed);
    QVERIFY(!dialog.isVisible());
    const auto typedOr = [&](const char* name, const QString& value) { return changed && field == QLatin1String(name) ? typed : value; };
    const QString address = typedOr("lineServerAddress", s.host);
    const QString user = typedOr("lineUserName", s.user);
    const QString password = typedOr("lineUserPassword", s.password);
    QCOMPARE(stored(DB_SERVER), address);
    QCOMPARE(stored(DB_PORT), typedOr("linePort", QString::number(s.port)));
    QCOMPARE(stored(DB_USER), user);
    QCOMPARE(stored(DB_PASSWORD), password);
    QCOMPARE(manager->hostName, address);
    QCOMPARE(manager->port, managerPort < 0 ? s.port : managerPort);
    QCOMPARE(manager->userName, user);
    QCOMPARE(manager->password, password);
    if (changed) {
        QVERIFY(!manager->inventoryDb && !manager->salesDb && !manager->serverDb);
        QVERIFY(!manager->inventoryOpen && !manager->salesOpen && !manager->serverOpen);
    } else {
        QCOMPARE(manager->inventoryDb, inventory);
        QVERIFY(manager->inventoryOpen && manager->salesOpen && manager->serverOpen);
    }
}

void TestServerSettingsDialog::helpNotice()
{
    setNotice(true);
    QString text;
    answerer->handle([&text](QWidget* w) {
        auto* message = w->findChild<QTextEdit*>(QStringLiteral("txtMessage"));
        text = message ? message->toPlainText() : QString();
        return message && QMetaObject::invokeMethod(w, "reject");
    });
    {
        ServerSettingsDialog dialog(nullptr);
        dialog.show();
        QTRY_COMPARE_WITH_TIMEOUT(answerer->seen.size(), 1, 5000);
    }
    QCOMPARE(answerer->seen.at(0).title, QStringLiteral("Server Settings"));
    QVERIFY2(text.startsWith(QLatin1String("Please make sure you have installed MySql Server and it is running."))
                 && text.contains(QLatin1String("Please Visit Website for Complete MySql Istallation Guide and Tutorials http")),
             qPrintable(text));

    // Switched off by its check box: opening the dialog shows nothing.
    answerer->clear();
    setNotice(false);
    ServerSettingsDialog dialog(nullptr);
    dialog.show();
    dialog.ShowMessage();
    QVERIFY(answerer->seen.isEmpty());
}

VORANTEL_TEST_MAIN(TestServerSettingsDialog)
#include "tst_serversettingsdialog.moc"
