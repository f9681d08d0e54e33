#include "../shell/inventoryfixture.h"
#include "managedatabases.h"
#include "modalanswerer.h"
#include "mysqlpage.h"
#include "settingstest.h"

#include <QLineEdit>
#include <QMainWindow>

using namespace SettingsTest;

// The MySQL server page opens the server settings and the database manager.
class TestMySqlPage : public InventoryTest
{
    Q_OBJECT

private slots:
    void storedPasswordShownOnlyToTheAllowed_data();
    void storedPasswordShownOnlyToTheAllowed();
    void databaseManager_data();
    void databaseManager();
};

void TestMySqlPage::storedPasswordShownOnlyToTheAllowed_data()
{
    QTest::addColumn<bool>("loggedIn");
    QTest::addColumn<QString>("role");
    QTest::addColumn<QList<int>>("modules");
    QTest::addColumn<bool>("shown");
    QTest::newRow("administrator") << true << "ADMINISTRATOR" << QList<int>{} << true;
    QTest::newRow("user with settings") << true << "MANAGER" << QList<int>{13} << true;
    QTest::newRow("user without settings") << true << "SALES PERSON" << QList<int>{0, 3} << false;
    QTest::newRow("nobody logged in") << false << "ADMINISTRATOR" << QList<int>{} << false;
}

void TestMySqlPage::storedPasswordShownOnlyToTheAllowed()
{
    QFETCH(bool, loggedIn);
    QFETCH(QString, role);
    QFETCH(QList<int>, modules);
    QFETCH(bool, shown);
    AppSettings* appSettings = AppSettings::Instance();
    const bool wasOpen = appSettings->sessionOpen;
    appSettings->sessionOpen = loggedIn;
    appSettings->roleName = role;
    appSettings->SetPermittedModules(modules);
    const QString stored = QStringLiteral("s3cret-%1").arg(QTest::currentDataTag());
    TestSupport::Settings()->setValue(DB_PASSWORD, stored);

    QString inField;
    bool modal = false;
    answerer->handleClass<QDialog>("ServerSettingsDialog", [&](QDialog* server) {
        modal = server->isModal();
        inField = Child<QLineEdit>(server, "lineUserPassword")->text();
        server->reject();
    });
    {
        SettingsDialog dialog;
        ShowRow(dialog, 10);
        Press(dialog, "pushConfigure");
    }
    appSettings->sessionOpen = wasOpen;
    QVERIFY(modal);
    QCOMPARE(inField, shown ? stored : QString());
    QCOMPARE(TestSupport::Settings()->value(DB_PASSWORD).toString(), stored);
}

void TestMySqlPage::databaseManager_data()
{
    QTest::addColumn<bool>("hosted");
    QTest::addColumn<QString>("role");
    QTest::addColumn<QList<int>>("modules");
    QTest::addColumn<bool>("opens");
    QTest::newRow("administrator") << true << "ADMINISTRATOR" << QList<int>{} << true;
    QTest::newRow("settings and databases") << true << "MANAGER" << QList<int>{13, 12} << true;
    QTest::newRow("settings without databases") << true << "SALES PERSON" << QList<int>{13} << false;
    // The first start's dialog runs before the main window is handed out, every module open until a login.
    QTest::newRow("first start") << false << "ADMINISTRATOR" << QList<int>{} << true;
    QTest::newRow("role without a name") << true << "" << QList<int>{} << false;
}

void TestMySqlPage::databaseManager()
{
    QFETCH(bool, hosted);
    QFETCH(QString, role);
    QFETCH(QList<int>, modules);
    QFETCH(bool, opens);
    AppSettings* appSettings = AppSettings::Instance();
    QMainWindow host;
    appSettings->mainWindow = hosted ? &host : nullptr;
    appSettings->roleName = role;
    appSettings->SetPermittedModules(modules);

    bool fullForm = false;
    QWidget* parent = nullptr;
    if (opens) {
        answerer->handleClass<QDialog>("ManageDatabases", [&](QDialog* manager) {
            parent = manager->parentWidget();
            // The full form, with the new-database button that the login-time form hides.
            fullForm = !Child<QPushButton>(manager, "pushButtonNewInventoryDB")->isHidden();
            manager->reject();
        });
    } else {
        answerer->pressButton(QMessageBox::Ok);
    }
    QWidget* settingsWindow = nullptr;
    {
        SettingsDialog dialog;
        settingsWindow = &dialog;
        ShowRow(dialog, 10);
        Press(dialog, "pushDatabases");
    }
    appSettings->mainWindow = nullptr;
    if (opens) {
        QCOMPARE(parent, hosted ? static_cast<QWidget*>(&host) : settingsWindow);
        QVERIFY(fullForm);
        QCOMPARE(answerer->messages(), QStringList());
    } else {
        QCOMPARE(answerer->messages(),
                 QStringList{"Module Permission|You are not allowed to access this function. Please contact "
                             "ADMINISTRATOR user of Vorantel and request desired permissions."});
    }
}

VORANTEL_TEST_MAIN(TestMySqlPage)
#include "tst_mysqlpage.moc"
