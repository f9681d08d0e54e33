#include "appsettings.h"
#include "constants.h"
#include "createsalesdatabasedialog.h"
#include "databasetest.h"
#include "managedatabases.h"
#include "messagesettings.h"
#include "modalanswerer.h"
#include "reportparameterdialog.h"
#include "serversettingsdialog.h"
#include "sqlproxy.h"
#include "testsupport.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>

// The database management dialog and the new-sales-database dialog against the test server.
class TestManageDatabases : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void listing_data();
    void listing();
    void selectDatabase_data();
    void selectDatabase();
    void salesDialogRules_data();
    void salesDialogRules();
    void createDatabase_data();
    void createDatabase();
    void serverSettingsRefillLists_data();
    void serverSettingsRefillLists();
    void serverRestarted_data();
    void serverRestarted();

private:
    template<typename T = QPushButton> static T* child(QObject* parent, const char* name)
    {
        return parent->findChild<T*>(QString::fromLatin1(name));
    }
    static QStringList items(QComboBox* combo)
    {
        QStringList out;
        for (int i = 0; i < combo->count(); ++i)
            out << combo->itemText(i);
        return out;
    }
    static void setNotices(bool show)
    {
        MessageSettings::Instance()->Load();
        (*MessageSettings::Instance())[QStringLiteral("err_msg_18")].show = show;
        (*MessageSettings::Instance())[QStringLiteral("err_msg_21")].show = false;
    }
    // Clicks after the answering handler has returned, so that the boxes it opens are answered too.
    static void clickLater(QPushButton* button) { QTimer::singleShot(0, button, &QPushButton::click); }
    static QString value(const QString& key) { return AppSettings::Instance()->settings->value(key).toString(); }

    QString inventoryA;
    QString inventoryB;
    QString salesA;
    QString salesB;
    QStringList dropLater;
    DatabaseTest::StatusRecorder listener;
    ModalAnswerer* answerer = nullptr;
};

void TestManageDatabases::initTestCase()
{
    REQUIRE_TEST_SERVER();
    TestSupport::ClearSettings();
    answerer = new ModalAnswerer(this);
    DatabaseManager::Instance()->mainWindow = &listener;
    DatabaseTest::UseFixtureServer();
    for (QString* name : {&inventoryA, &inventoryB, &salesA, &salesB}) {
        *name = TestDatabase::uniqueName(QStringLiteral("md_db"));
        QCOMPARE(DatabaseTest::Create(name == &salesA || name == &salesB ? 2 : 1, *name), QString());
    }
}

void TestManageDatabases::init()
{
    TestSupport::ClearSettings();
    TestDatabase::writeServerSettings();
    DatabaseTest::UseFixtureServer();
    setNotices(false);
    answerer->clear();
    listener.calls.clear();
}

void TestManageDatabases::cleanup()
{
    QVERIFY2(answerer->failures.isEmpty(), qPrintable(answerer->failures.join(QLatin1Char('\n'))));
    QCOMPARE(answerer->pendingAnswers(), 0);
    DatabaseTest::ResetManager();
    for (const QString& name : qAsConst(dropLater))
        TestDatabase::dropDatabase(name);
    dropLater.clear();
}

void TestManageDatabases::cleanupTestCase()
{
    for (const QString& name : {inventoryA, inventoryB, salesA, salesB})
        TestDatabase::dropDatabase(name);
    DatabaseManager::Instance()->mainWindow = nullptr;
}

void TestManageDatabases::listing_data()
{
    QTest::addColumn<bool>("changeMode");
    QTest::newRow("full dialog") << false;
    QTest::newRow("change mode") << true;
}

void TestManageDatabases::listing()
{
    QFETCH(bool, changeMode);
    if (!changeMode)
        AppSettings::Instance()->settings->setValue(ACTIVE_INVENTORY_DB, inventoryA);
    setNotices(true);
    ManageDatabases dialog(nullptr, changeMode);
    dialog.show();
    QVERIFY(!dialog.databaseChanged);
    QCOMPARE(child<QLineEdit>(&dialog, "lineEditInventoryDB")->text(),
             changeMode ? QStringLiteral("No Active Inventory Database") : inventoryA);
    QCOMPARE(child<QLineEdit>(&dialog, "lineEdit")->text(), QStringLiteral("No Active Sales Database"));
    QCOMPARE(child<QGroupBox>(&dialog, "groupBox")->isVisible(), !changeMode);
    QCOMPARE(child(&dialog, "pushButtonNewInventoryDB")->isVisible(), !changeMode);

    // Every database of the server, in both lists, none chosen, nothing selected or written.
    QComboBox* inventories = child<QComboBox>(&dialog, "comboInventoryDatabases");
    QComboBox* salesList = child<QComboBox>(&dialog, "comboSalesDatabases");
    QVERIFY(inventories->isVisible());
    const QStringList listed = items(inventories);
    QCOMPARE(items(salesList), listed);
    for (const QString& name : {inventoryA, inventoryB, salesA, salesB, QStringLiteral("mysql")})
        QVERIFY2(listed.contains(name), qPrintable(name));
    QCOMPARE(inventories->currentIndex(), -1);
    QCOMPARE(salesList->currentIndex(), -1);
    QCOMPARE(value(ACTIVE_INVENTORY_DB), changeMode ? QString() : inventoryA);
    QVERIFY(!AppSettings::Instance()->settings->contains(ACTIVE_SALES_DB));
    QVERIFY(listener.calls.isEmpty());
    QVERIFY(answerer->seen.isEmpty());

    // The full dialog shows its notice a moment later; change mode shows none.
    if (changeMode) {
        QVERIFY(!QTest::qWaitFor([&] { return !answerer->seen.isEmpty(); }, 1300));
    } else {
        QTRY_COMPARE(answerer->seen.size(), 1);
        QCOMPARE(answerer->seen.first().title, QStringLiteral("Databases"));
    }
}

void TestManageDatabases::selectDatabase_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("chosen"); // "@a", "@b", "@other" (a database of the other kind), "@old"
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("the active inventory again") << 1 << "@a" << true << false << QStringList{};
    QTest::newRow("another inventory database") << 1 << "@b" << true << true << QStringList{};
    QTest::newRow("a sales database as inventory")
        << 1 << "@other" << false << false
        << QStringList{"Inventory Database|Seems like this is not a valid inventory database for this version. Select "
                       "database from the list, and make sure the MySql server is running."};
    QTest::newRow("an older inventory database")
        << 1 << "@old" << true << true
        << QStringList{"Database Upgrade|Selected inventory database will be upgraded to latest version, and this may "
                       "take several minutes depending upon the size of your database.",
                       "Main Database Upgrade|Your main inventory database has been upgraded successfully. We have "
                       "added payment status field in purchase order. Please review your purchase order and update "
                       "payment status and paid amount fields of purchase orders. "};
    // Choosing a sales database never counts as a change; even the active one is reconnected.
    QTest::newRow("the active sales again") << 2 << "@a" << true << false << QStringList{};
    QTest::newRow("another sales database") << 2 << "@b" << true << false << QStringList{};
    QTest::newRow("an inventory database as sales")
        << 2 << "@other" << false << false
        << QStringList{"Sales Database|Seems like this is not a valid sales database for this version. Select "
                       "database from the list, and make sure the MySql server is running."};
}

void TestManageDatabases::selectDatabase()
{
    QFETCH(int, kind);
    QFETCH(QString, chosen);
    QFETCH(bool, accepted);
    QFETCH(bool, changed);
    QFETCH(QStringList, messages);
    const bool inventory = kind == 1;
    const QString active = inventory ? inventoryA : salesA;
    QString name = chosen == QLatin1String("@a")   ? active
                   : chosen == QLatin1String("@b") ? (inventory ? inventoryB : salesB)
                                                   : (inventory ? salesA : inventoryA);
    if (chosen == QLatin1String("@old")) { // last opened by version 17 of the program
        dropLater << (name = TestDatabase::uniqueName(QStringLiteral("md_inv_old")));
        QCOMPARE(DatabaseTest::Create(1, name), QString());
        QCOMPARE(TestDatabase::exec(name, {"UPDATE tblVorantel SET DB_VERSION = 'INVENTORY_17.0.0'"}), QString());
    }
    const QString key = inventory ? ACTIVE_INVENTORY_DB : ACTIVE_SALES_DB;
    DatabaseManager* manager = DatabaseManager::Instance();
    AppSettings::Instance()->settings->setValue(key, active);
    QVERIFY(inventory ? manager->InventoryDatabase()->isOpen() : manager->SalesDatabase()->isOpen());
    QSqlDatabase* before = inventory ? manager->inventoryDb : manager->salesDb;
    listener.calls.clear();
    ManageDatabases dialog(nullptr, false);
    dialog.show();
    QComboBox* list = child<QComboBox>(&dialog, inventory ? "comboInventoryDatabases" : "comboSalesDatabases");
    QVERIFY2(list->findText(name) >= 0, qPrintable(name));
    list->setCurrentIndex(list->findText(name));
    QCOMPARE(answerer->messages(), messages);
    if (messages.isEmpty())
        QVERIFY(answerer->seen.isEmpty());
    QCOMPARE(dialog.databaseChanged, changed);
    QCOMPARE(value(key), accepted ? name : active);
    QCOMPARE(child<QLineEdit>(&dialog, inventory ? "lineEditInventoryDB" : "lineEdit")->text(), accepted ? name : active);
    QSqlDatabase* now = inventory ? manager->inventoryDb : manager->salesDb;
    if (changed || (accepted && !inventory)) {
        QCOMPARE(listener.calls, QStringList{inventory ? "inventory 1" : "sales 1"});
        QVERIFY(inventory ? manager->inventoryOpen : manager->salesOpen);
        QCOMPARE(now->databaseName(), name);
        QSqlQuery q(*now);
        QVERIFY_SQL(q, exec(QStringLiteral("SELECT DB_VERSION FROM tblVorantel")));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), inventory ? INVENTORY_DB_VERSION : SALES_DB_VERSION);
    } else {
        QVERIFY(listener.calls.isEmpty());
        QCOMPARE(now->databaseName(), active);
        if (inventory)
            QVERIFY(now == before && manager->inventoryOpen);
    }
    QVERIFY(!AppSettings::Instance()->settings->contains(inventory ? ACTIVE_SALES_DB : ACTIVE_INVENTORY_DB));
}

void TestManageDatabases::salesDialogRules_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QString>("message"); // empty: accepted
    QTest::addColumn<QString>("fieldAfter");
    const QString notNumeric = QStringLiteral("Serial|Please enter valid numeric value greater than zero for the serial "
                                              "number.");
    const QString zero = QStringLiteral("Serial|Please enter numeric value greater than zero for the serial number.");
    const QString noName = QStringLiteral("Database Name|Database name is empty. Please enter name for sales database.");
    QTest::newRow("0") << "shop" << "0" << zero << "1";
    QTest::newRow("00") << "shop" << "00" << zero << "1";
    QTest::newRow("-1") << "shop" << "-1" << notNumeric << "-1";
    QTest::newRow("leading blank") << "shop" << " 1" << notNumeric << " 1";
    QTest::newRow("eleven digits") << "shop" << "12345678901" << notNumeric << "12345678901";
    QTest::newRow("empty") << "shop" << "" << notNumeric << "";
    QTest::newRow("007") << "shop" << "007" << QString() << "007";
    QTest::newRow("ten digits") << "shop" << "9999999999" << QString() << "9999999999";
    QTest::newRow("empty name") << "" << "1" << noName << "1";
    QTest::newRow("name of blanks") << "   " << "1" << noName << "1";
    QTest::newRow("name with blanks around") << " shop " << "1" << QString() << "1";
}

void TestManageDatabases::salesDialogRules()
{
    QFETCH(QString, name);
    QFETCH(QString, serial);
    QFETCH(QString, message);
    QFETCH(QString, fieldAfter);
    CreateSalesDatabaseDialog dialog(nullptr);
    dialog.show();
    QLineEdit* field = child<QLineEdit>(&dialog, "lineInvoiceSerial");
    QCOMPARE(field->text(), QStringLiteral("1"));
    child<QLineEdit>(&dialog, "lineSalesDBName")->setText(name);
    field->setText(serial);
    child(&dialog, "pushOk")->click();
    QCOMPARE(answerer->messages(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(dialog.okPressed, message.isEmpty());
    QCOMPARE(dialog.isVisible(), !message.isEmpty());
    QCOMPARE(field->text(), fieldAfter);
    // Passed on as typed, leading zeros and blanks included.
    QCOMPARE(dialog.GetInvoiceSerial(), fieldAfter);
    QCOMPARE(dialog.GetDatabaseName(), name);
    // Cancel clears what OK set.
    child(&dialog, "pushCancel")->click();
    QVERIFY(!dialog.okPressed);
    QVERIFY(!dialog.isVisible());
}

void TestManageDatabases::createDatabase_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("typed"); // "@new": a fresh name, "@taken": an existing database
    QTest::addColumn<bool>("confirmed");
    QTest::addColumn<bool>("server");
    QTest::addColumn<QString>("message"); // the one message expected (its start for a taken name); empty: none
    const QString noServer = QStringLiteral("Database Error|Can not connect to MySql Server.");
    QTest::newRow("inventory") << 1 << "@new" << true << true << "Database|New Inventory Database opened successfully";
    QTest::newRow("inventory cancelled") << 1 << "@new" << false << true << "";
    QTest::newRow("inventory, empty name confirmed") << 1 << "" << true << true << "";
    QTest::newRow("inventory, name taken") << 1 << "@taken" << true << true << "Database|";
    QTest::newRow("inventory without server") << 1 << "@new" << true << false << noServer;
    QTest::newRow("sales") << 2 << "@new" << true << true << "Database|New Sales Database opened successfully";
    QTest::newRow("sales cancelled") << 2 << "@new" << false << true << "";
    QTest::newRow("sales, name taken") << 2 << "@taken" << true << true << "Database|";
    QTest::newRow("sales without server") << 2 << "@new" << true << false << noServer;
}

void TestManageDatabases::createDatabase()
{
    QFETCH(int, kind);
    QFETCH(QString, typed);
    QFETCH(bool, confirmed);
    QFETCH(bool, server);
    QFETCH(QString, message);
    const bool inventory = kind == 1;
    const QString previous = inventory ? inventoryA : salesA;
    const bool taken = typed == QLatin1String("@taken");
    if (taken)
        typed = inventory ? inventoryB : salesB;
    else if (typed == QLatin1String("@new"))
        dropLater << (typed = TestDatabase::uniqueName(QStringLiteral("md_new")));
    const bool made = server && confirmed && typed.startsWith(QLatin1String("md_new"));
    const QString key = inventory ? ACTIVE_INVENTORY_DB : ACTIVE_SALES_DB;
    DatabaseManager* manager = DatabaseManager::Instance();
    AppSettings::Instance()->settings->setValue(key, previous);
    if (server) {
        QVERIFY(inventory ? manager->InventoryDatabase()->isOpen() : manager->SalesDatabase()->isOpen());
        listener.calls.clear();
    } else {
        const TestDatabase::Server s = TestDatabase::server();
        manager->SetConnectionParameters(s.user, s.password, DatabaseTest::ClosedPort(), s.host);
    }

    ManageDatabases dialog(nullptr, false);
    dialog.show();
    QComboBox* salesList = child<QComboBox>(&dialog, "comboSalesDatabases");
    QCOMPARE(salesList->count() > 0, server);
    QCOMPARE(child<QLineEdit>(&dialog, inventory ? "lineEditInventoryDB" : "lineEdit")->text(), previous);
    answerer->handle([typed, confirmed](QWidget* w) {
        if (auto* prompt = qobject_cast<ReportParameterDialog*>(w)) {
            prompt->ui->lineEditValue->setText(typed);
            clickLater(confirmed ? prompt->ui->pushButton : prompt->ui->pushButton_2);
            return true;
        }
        if (!qobject_cast<CreateSalesDatabaseDialog*>(w))
            return false;
        child<QLineEdit>(w, "lineSalesDBName")->setText(typed);
        child<QLineEdit>(w, "lineInvoiceSerial")->setText(QStringLiteral("007"));
        clickLater(child(w, confirmed ? "pushOk" : "pushCancel"));
        return true;
    });
    child(&dialog, inventory ? "pushButtonNewInventoryDB" : "pushButtonOpenNewRegister")->click();
    const QStringList messages = answerer->messages();
    QCOMPARE(messages.size(), message.isEmpty() ? 0 : 1);
    if (message.isEmpty()) {
        QCOMPARE(answerer->seen.size(), 1);
    } else {
        if (taken) // the server's refusal, naming the database
            QVERIFY2(messages.first().startsWith(message) && messages.first().contains(typed), qPrintable(messages.first()));
        else
            QCOMPARE(messages.first(), message);
        QCOMPARE(answerer->seen.last().className, QStringLiteral("QMessageBox"));
    }
    QVERIFY(!dialog.databaseChanged);
    QCOMPARE(value(key), made ? typed : previous);
    QCOMPARE(child<QLineEdit>(&dialog, inventory ? "lineEditInventoryDB" : "lineEdit")->text(), made ? typed : previous);
    QCOMPARE(listener.calls, made ? QStringList{inventory ? "inventory 1" : "sales 1"} : QStringList());
    QSqlDatabase* db = inventory ? manager->inventoryDb : manager->salesDb;
    if (!server)
        QVERIFY(TestDatabase::exec(typed, {}).contains(QLatin1String("Unknown database")));
    else
        QCOMPARE(db->databaseName(), made ? typed : previous);
    if (!made)
        return;
    QVERIFY(inventory ? manager->inventoryOpen : manager->salesOpen);
    if (!inventory) {
        // The lists are not refilled: the new database shows the next time.
        QVERIFY(!items(salesList).contains(typed));
        // Leading zeros are just the number: the first sale is number 7.
        QSqlQuery q(*db);
        QVERIFY_SQL(q, exec(QStringLiteral("INSERT INTO tblSalesTransactions (USER_ID, TIME_STAMP) VALUES ('u', NOW())")));
        QCOMPARE(q.lastInsertId().toInt(), 7);
    }
}

void TestManageDatabases::serverSettingsRefillLists_data()
{
    QTest::addColumn<bool>("saved");
    QTest::newRow("saved") << true;
    QTest::newRow("cancelled") << false;
}

void TestManageDatabases::serverSettingsRefillLists()
{
    QFETCH(bool, saved);
    const TestDatabase::Server s = TestDatabase::server();
    const QString wrongPort = QString::number(DatabaseTest::ClosedPort());
    AppSettings::Instance()->settings->setValue(DB_PORT, wrongPort);
    DatabaseManager::Instance()->SetConnectionParameters(s.user, s.password, wrongPort.toInt(), s.host);
    ManageDatabases dialog(nullptr, false);
    dialog.show();
    QComboBox* inventories = child<QComboBox>(&dialog, "comboInventoryDatabases");
    QCOMPARE(inventories->count(), 0);

    answerer->handle([saved, s](QWidget* w) {
        if (!qobject_cast<ServerSettingsDialog*>(w))
            return false;
        child<QLineEdit>(w, "linePort")->setText(QString::number(s.port));
        clickLater(child(w, saved ? "pushButtonSave" : "pushCancel"));
        return true;
    });
    child(&dialog, "pushMySqlServer")->click();
    QCOMPARE(answerer->seen.size(), 1);
    QCOMPARE(items(inventories).contains(inventoryA), saved);
    QCOMPARE(items(child<QComboBox>(&dialog, "comboSalesDatabases")), items(inventories));
    QCOMPARE(inventories->currentIndex(), -1);
    QCOMPARE(value(DB_PORT), saved ? QString::number(s.port) : wrongPort);
    QVERIFY(listener.calls.isEmpty());
    QVERIFY(!AppSettings::Instance()->settings->contains(ACTIVE_INVENTORY_DB));
}

void TestManageDatabases::serverRestarted_data()
{
    QTest::addColumn<bool>("create");
    QTest::newRow("the dialog lists the databases") << false;
    QTest::newRow("a database is created") << true;
}

// The server connection, open before a restart, is opened again after it.
void TestManageDatabases::serverRestarted()
{
    QFETCH(bool, create);
    const TestDatabase::Server s = TestDatabase::server();
    SqlProxy proxy(s.host, s.port);
    DatabaseManager::Instance()->SetConnectionParameters(s.user, s.password, proxy.port(), proxy.host());
    {
        ManageDatabases dialog(nullptr, false);
        QVERIFY(items(child<QComboBox>(&dialog, "comboInventoryDatabases")).contains(inventoryA));
    }
    proxy.setAway(true);
    proxy.setAway(false);

    if (create) {
        const QString name = TestDatabase::uniqueName(QStringLiteral("md_restart"));
        dropLater << name;
        QCOMPARE(DatabaseTest::Create(1, name), QString());
    } else {
        ManageDatabases dialog(nullptr, false);
        QVERIFY(items(child<QComboBox>(&dialog, "comboInventoryDatabases")).contains(inventoryA));
    }
}

VORANTEL_TEST_MAIN(TestManageDatabases)
#include "tst_managedatabases.moc"
