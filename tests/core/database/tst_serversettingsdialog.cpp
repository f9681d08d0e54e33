#include "appsettings.h"
#include "constants.h"
#include "databasemanager.h"
#include "messagesettings.h"
#include "modalanswerer.h"
#include "serversettingsdialog.h"
#include "testdatabase.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTcpServer>
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
    void tabOrder();
    void showPassword();
    void testConnection_data();
    void testConnection();
    void testTwiceInARow();
    void saveWritesAsTyped_data();
    void saveWritesAsTyped();
    void saveUnchangedKeepsConnections();
    void cancelWritesNothing();
    void helpNotice();

private:
    template<typename T> static T* child(QWidget* dialog, const char* name)
    {
        T* w = dialog->findChild<T*>(QString::fromLatin1(name));
        if (!w)
            qWarning() << "missing" << name;
        return w;
    }
    static void setNotice(bool show);
    void openDatabases();
    static int closedPort();

    QString inventoryDb;
    QString salesDb;
    ModalAnswerer* answerer = nullptr;
};

void TestServerSettingsDialog::setNotice(bool show)
{
    MessageSettings::Instance()->Load();
    (*MessageSettings::Instance())[QStringLiteral("err_msg_21")].show = show;
}

int TestServerSettingsDialog::closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const int port = probe.serverPort();
    probe.close();
    return port;
}

void TestServerSettingsDialog::initTestCase()
{
    REQUIRE_TEST_SERVER();
    TestSupport::ClearSettings();
    answerer = new ModalAnswerer(this);
    const TestDatabase::Server s = TestDatabase::server();
    DatabaseManager* manager = DatabaseManager::Instance();
    manager->SetConnectionParameters(s.user, s.password, s.port, s.host);
    inventoryDb = TestDatabase::uniqueName(QStringLiteral("inv"));
    salesDb = TestDatabase::uniqueName(QStringLiteral("sales"));
    QString error;
    manager->CreateInventoryDatabase(inventoryDb, error);
    QCOMPARE(error, QString());
    manager->CreateSalesDatabase(salesDb, error, QStringLiteral("1"));
    QCOMPARE(error, QString());
}

void TestServerSettingsDialog::init()
{
    TestSupport::ClearSettings();
    TestDatabase::writeServerSettings();
    const TestDatabase::Server s = TestDatabase::server();
    DatabaseManager::Instance()->SetConnectionParameters(s.user, s.password, s.port, s.host);
    setNotice(false);
    answerer->clear();
}

void TestServerSettingsDialog::cleanup()
{
    QVERIFY2(answerer->failures.isEmpty(), qPrintable(answerer->failures.join(QLatin1Char('\n'))));
    DatabaseManager* manager = DatabaseManager::Instance();
    manager->CloseInventoryDatabase();
    manager->CloseSalesDatabase();
    manager->CloseServerConnection();
}

void TestServerSettingsDialog::cleanupTestCase()
{
    TestDatabase::dropDatabase(inventoryDb);
    TestDatabase::dropDatabase(salesDb);
}

void TestServerSettingsDialog::openDatabases()
{
    QSettings* store = AppSettings::Instance()->settings;
    store->setValue(ACTIVE_INVENTORY_DB, inventoryDb);
    store->setValue(ACTIVE_SALES_DB, salesDb);
    DatabaseManager* manager = DatabaseManager::Instance();
    QVERIFY(manager->InventoryDatabase()->isOpen());
    QVERIFY(manager->SalesDatabase()->isOpen());
    QVERIFY(manager->ServerConnection()->isOpen());
}

void TestServerSettingsDialog::formAsStored()
{
    QSettings* store = AppSettings::Instance()->settings;
    store->setValue(DB_SERVER, QStringLiteral("db.example"));
    store->setValue(DB_PORT, QStringLiteral("33o6"));
    store->setValue(DB_USER, QStringLiteral("shop"));
    store->setValue(DB_PASSWORD, QStringLiteral("s3cret"));
    ServerSettingsDialog dialog(nullptr);
    dialog.show();

    QCOMPARE(dialog.windowTitle(), QStringLiteral("Server Settings"));
    QCOMPARE(dialog.size(), QSize(665, 424));
    QVERIFY(dialog.isSizeGripEnabled());
    QVERIFY(!dialog.settingsChanged);
    QCOMPARE(child<QLineEdit>(&dialog, "lineServerAddress")->text(), QStringLiteral("db.example"));
    QCOMPARE(child<QLineEdit>(&dialog, "linePort")->text(), QStringLiteral("33o6"));
    QCOMPARE(child<QLineEdit>(&dialog, "lineUserName")->text(), QStringLiteral("shop"));
    QLineEdit* password = child<QLineEdit>(&dialog, "lineUserPassword");
    QCOMPARE(password->text(), QStringLiteral("s3cret"));
    QCOMPARE(password->echoMode(), QLineEdit::Password);
    QVERIFY(!child<QLineEdit>(&dialog, "lineConnectionName")->isVisible());
    QVERIFY(!child<QCheckBox>(&dialog, "checkShowPassword")->isChecked());

    QStringList visibleLabels;
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->isVisible())
            visibleLabels << label->text();
    }
    visibleLabels.sort();
    QCOMPARE(visibleLabels, (QStringList{"MySQL Database Server Connection", "Password", "Server Address",
                                         "Server Port", "User Name"}));
}

void TestServerSettingsDialog::tabOrder()
{
    ServerSettingsDialog dialog(nullptr);
    const QStringList order{"lineConnectionName", "lineServerAddress", "linePort", "lineUserName", "lineUserPassword",
                            "checkShowPassword", "pushButtonTest", "pushButtonSave", "pushCancel", "scrollArea"};
    for (int i = 0; i + 1 < order.size(); ++i) {
        QWidget* from = dialog.findChild<QWidget*>(order.at(i));
        QVERIFY2(from, qPrintable(order.at(i)));
        QWidget* next = from->nextInFocusChain();
        while (next != from && !(next->focusPolicy() & Qt::TabFocus))
            next = next->nextInFocusChain();
        QCOMPARE(next->objectName(), order.at(i + 1));
    }
}

void TestServerSettingsDialog::showPassword()
{
    ServerSettingsDialog dialog(nullptr);
    QCheckBox* check = child<QCheckBox>(&dialog, "checkShowPassword");
    QLineEdit* password = child<QLineEdit>(&dialog, "lineUserPassword");
    check->setChecked(true);
    QCOMPARE(password->echoMode(), QLineEdit::Normal);
    check->setChecked(false);
    QCOMPARE(password->echoMode(), QLineEdit::Password);
}

void TestServerSettingsDialog::testConnection_data()
{
    QTest::addColumn<QString>("port"); // "@fixture", "@closed"
    QTest::addColumn<QString>("password"); // "@fixture" or as typed
    QTest::addColumn<QString>("expected");
    QTest::newRow("fixture server") << "@fixture" << "@fixture" << "Connection to server SUCCEEDED!";
    QTest::newRow("closed port") << "@closed" << "@fixture" << "Connection to server FAILED!. Please check all parameters.";
    QTest::newRow("wrong password") << "@fixture" << "wrong" << "Connection to server FAILED!. Please check all parameters.";
    QTest::newRow("port not a number") << "3306x" << "@fixture" << "Connection to server FAILED!. Please check all parameters.";
}

void TestServerSettingsDialog::testConnection()
{
    QFETCH(QString, port);
    QFETCH(QString, password);
    QFETCH(QString, expected);
    const TestDatabase::Server s = TestDatabase::server();
    if (port == QLatin1String("@fixture"))
        port = QString::number(s.port);
    else if (port == QLatin1String("@closed"))
        port = QString::number(closedPort());
    if (password == QLatin1String("@fixture"))
        password = s.password;

    DatabaseManager* manager = DatabaseManager::Instance();
    ServerSettingsDialog dialog(nullptr);
    child<QLineEdit>(&dialog, "lineServerAddress")->setText(s.host);
    child<QLineEdit>(&dialog, "linePort")->setText(port);
    child<QLineEdit>(&dialog, "lineUserName")->setText(s.user);
    child<QLineEdit>(&dialog, "lineUserPassword")->setText(password);
    answerer->pressButton(QMessageBox::Ok);
    child<QPushButton>(&dialog, "pushButtonTest")->click();

    QCOMPARE(answerer->messages(), QStringList{QStringLiteral("Server Connection|") + expected});
    QVERIFY(!QSqlDatabase::contains(QStringLiteral("TEST_CONNECTION")));
    // Testing writes nothing and leaves the manager alone.
    QCOMPARE(AppSettings::Instance()->settings->value(DB_PORT).toString(), QString::number(s.port));
    QCOMPARE(AppSettings::Instance()->settings->value(DB_PASSWORD).toString(), s.password);
    QCOMPARE(manager->port, s.port);
    QCOMPARE(manager->password, s.password);
    QVERIFY(!dialog.settingsChanged);
}

void TestServerSettingsDialog::testTwiceInARow()
{
    ServerSettingsDialog dialog(nullptr);
    answerer->pressButton(QMessageBox::Ok);
    answerer->pressButton(QMessageBox::Ok);
    child<QPushButton>(&dialog, "pushButtonTest")->click();
    child<QPushButton>(&dialog, "pushButtonTest")->click();
    QCOMPARE(answerer->messages(), (QStringList{"Server Connection|Connection to server SUCCEEDED!",
                                                "Server Connection|Connection to server SUCCEEDED!"}));
    QVERIFY(!QSqlDatabase::contains(QStringLiteral("TEST_CONNECTION")));
}

void TestServerSettingsDialog::saveWritesAsTyped_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("managerPort"); // -1: the fixture's port
    QTest::newRow("address") << "lineServerAddress" << " localhost " << -1;
    QTest::newRow("port with letters") << "linePort" << "33a06" << 0;
    QTest::newRow("empty port") << "linePort" << "" << 0;
    QTest::newRow("other port") << "linePort" << "3307" << 3307;
    QTest::newRow("user") << "lineUserName" << "cashier" << -1;
    QTest::newRow("only the password") << "lineUserPassword" << "new password" << -1;
}

void TestServerSettingsDialog::saveWritesAsTyped()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(int, managerPort);
    const TestDatabase::Server s = TestDatabase::server();
    openDatabases();
    DatabaseManager* manager = DatabaseManager::Instance();

    ServerSettingsDialog dialog(nullptr);
    dialog.show();
    dialog.findChild<QLineEdit*>(field)->setText(typed);
    child<QPushButton>(&dialog, "pushButtonSave")->click();

    QVERIFY(dialog.settingsChanged);
    QVERIFY(!dialog.isVisible());
    QSettings* store = AppSettings::Instance()->settings;
    const QString address = field == QLatin1String("lineServerAddress") ? typed : s.host;
    const QString port = field == QLatin1String("linePort") ? typed : QString::number(s.port);
    const QString user = field == QLatin1String("lineUserName") ? typed : s.user;
    const QString password = field == QLatin1String("lineUserPassword") ? typed : s.password;
    QCOMPARE(store->value(DB_SERVER).toString(), address);
    QCOMPARE(store->value(DB_PORT).toString(), port);
    QCOMPARE(store->value(DB_USER).toString(), user);
    QCOMPARE(store->value(DB_PASSWORD).toString(), password);

    // Every connection dropped, the new parameters handed over.
    QVERIFY(!manager->inventoryDb && !manager->salesDb && !manager->serverDb);
    QVERIFY(!manager->inventoryOpen && !manager->salesOpen && !manager->serverOpen);
    QCOMPARE(manager->hostName, address);
    QCOMPARE(manager->port, managerPort < 0 ? s.port : managerPort);
    QCOMPARE(manager->userName, user);
    QCOMPARE(manager->password, password);
}

void TestServerSettingsDialog::saveUnchangedKeepsConnections()
{
    openDatabases();
    DatabaseManager* manager = DatabaseManager::Instance();
    QSqlDatabase* inventory = manager->inventoryDb;
    ServerSettingsDialog dialog(nullptr);
    dialog.show();
    // Save writes all four keys, changed or not.
    AppSettings::Instance()->settings->remove(DB_USER);
    child<QPushButton>(&dialog, "pushButtonSave")->click();

    QVERIFY(!dialog.settingsChanged);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(AppSettings::Instance()->settings->value(DB_USER).toString(), TestDatabase::server().user);
    QCOMPARE(manager->inventoryDb, inventory);
    QVERIFY(manager->inventoryOpen && manager->salesOpen && manager->serverOpen);
}

void TestServerSettingsDialog::cancelWritesNothing()
{
    openDatabases();
    DatabaseManager* manager = DatabaseManager::Instance();
    ServerSettingsDialog dialog(nullptr);
    dialog.show();
    child<QLineEdit>(&dialog, "lineUserPassword")->setText(QStringLiteral("typed but cancelled"));
    child<QPushButton>(&dialog, "pushCancel")->click();
    QVERIFY(!dialog.isVisible());
    QVERIFY(!dialog.settingsChanged);
    QCOMPARE(AppSettings::Instance()->settings->value(DB_PASSWORD).toString(), TestDatabase::server().password);
    QCOMPARE(manager->password, TestDatabase::server().password);
    QVERIFY(manager->inventoryOpen && manager->salesOpen && manager->serverOpen);
}

void TestServerSettingsDialog::helpNotice()
{
    setNotice(true);
    QString text;
    answerer->handle([&text](QWidget* w) {
        auto* message = w->findChild<QTextEdit*>(QStringLiteral("txtMessage"));
        if (!message)
            return false;
        text = message->toPlainText();
        return QMetaObject::invokeMethod(w, "reject");
    });
    {
        ServerSettingsDialog dialog(nullptr);
        dialog.show();
        QTRY_COMPARE_WITH_TIMEOUT(answerer->seen.size(), 1, 5000);
    }
    QCOMPARE(answerer->seen.at(0).className, QStringLiteral("ErrorDialog"));
    QCOMPARE(answerer->seen.at(0).title, QStringLiteral("Server Settings"));
    QVERIFY2(text.startsWith(QLatin1String("Please make sure you have installed MySql Server and it is running.")),
             qPrintable(text));
    QVERIFY2(text.contains(QLatin1String("Please Visit Website for Complete MySql Istallation Guide and Tutorials http")),
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
