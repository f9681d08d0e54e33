#include "appsettings.h"
#include "constants.h"
#include "createsalesdatabasedialog.h"
#include "databasemanager.h"
#include "databasestatuslistener.h"
#include "managedatabases.h"
#include "messagesettings.h"
#include "modalanswerer.h"
#include "reportparameterdialog.h"
#include "serversettingsdialog.h"
#include "testdatabase.h"
#include "testsupport.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTcpServer>

// The database management dialog and the new-sales-database dialog against the test server.
class TestManageDatabases : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void fullModeForm();
    void changeModeForm();
    void noticeInFullModeOnly();
    void selectInventoryDatabase_data();
    void selectInventoryDatabase();
    void selectSalesDatabase_data();
    void selectSalesDatabase();
    void serialNumberRules_data();
    void serialNumberRules();
    void salesDatabaseNameRules_data();
    void salesDatabaseNameRules();
    void createSalesDatabase();
    void createSalesDatabaseCancelled();
    void createdNameRefusedByServer_data();
    void createdNameRefusedByServer();
    void createInventoryDatabase_data();
    void createInventoryDatabase();
    void noServerWhenCreating_data();
    void noServerWhenCreating();
    void serverSettingsRefillLists_data();
    void serverSettingsRefillLists();

private:
    struct Listener : DatabaseStatusListener
    {
        QStringList calls;
        void updateInventoryDbStatus(bool open) override { calls << QStringLiteral("inventory %1").arg(open); }
        void updateSalesDbStatus(bool open) override { calls << QStringLiteral("sales %1").arg(open); }
    };

    template<typename T> static T* child(QObject* parent, const char* name)
    {
        T* w = parent->findChild<T*>(QString::fromLatin1(name));
        if (!w)
            qWarning() << "missing" << name;
        return w;
    }
    static QStringList items(QComboBox* combo);
    static void setNotices(bool show);
    static int closedPort();
    // Clicks after the answering handler has returned, so that the boxes it opens are answered too.
    static void clickLater(QPushButton* button);
    void useFixtureServer();
    void choose(ManageDatabases& dialog, const char* combo, const QString& name);
    QString value(const QString& key) { return AppSettings::Instance()->settings->value(key).toString(); }

    QString inventoryA;
    QString inventoryB;
    QString salesA;
    QString salesB;
    QStringList dropLater;
    Listener listener;
    ModalAnswerer* answerer = nullptr;
};

QStringList TestManageDatabases::items(QComboBox* combo)
{
    QStringList out;
    for (int i = 0; i < combo->count(); ++i)
        out << combo->itemText(i);
    return out;
}

void TestManageDatabases::setNotices(bool show)
{
    MessageSettings::Instance()->Load();
    (*MessageSettings::Instance())[QStringLiteral("err_msg_18")].show = show;
    (*MessageSettings::Instance())[QStringLiteral("err_msg_21")].show = false;
}

int TestManageDatabases::closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const int port = probe.serverPort();
    probe.close();
    return port;
}

void TestManageDatabases::clickLater(QPushButton* button)
{
    QTimer::singleShot(0, button, &QPushButton::click);
}

void TestManageDatabases::initTestCase()
{
    REQUIRE_TEST_SERVER();
    TestSupport::ClearSettings();
    answerer = new ModalAnswerer(this);
    DatabaseManager::Instance()->mainWindow = &listener;
    useFixtureServer();
    inventoryA = TestDatabase::uniqueName(QStringLiteral("md_inv_a"));
    inventoryB = TestDatabase::uniqueName(QStringLiteral("md_inv_b"));
    salesA = TestDatabase::uniqueName(QStringLiteral("md_sales_a"));
    salesB = TestDatabase::uniqueName(QStringLiteral("md_sales_b"));
    QString error;
    DatabaseManager* manager = DatabaseManager::Instance();
    manager->CreateInventoryDatabase(inventoryA, error);
    QCOMPARE(error, QString());
    manager->CreateInventoryDatabase(inventoryB, error);
    QCOMPARE(error, QString());
    manager->CreateSalesDatabase(salesA, error, QStringLiteral("1"));
    QCOMPARE(error, QString());
    manager->CreateSalesDatabase(salesB, error, QStringLiteral("1"));
    QCOMPARE(error, QString());
}

void TestManageDatabases::init()
{
    TestSupport::ClearSettings();
    TestDatabase::writeServerSettings();
    useFixtureServer();
    setNotices(false);
    answerer->clear();
    listener.calls.clear();
}

void TestManageDatabases::cleanup()
{
    QVERIFY2(answerer->failures.isEmpty(), qPrintable(answerer->failures.join(QLatin1Char('\n'))));
    QCOMPARE(answerer->pendingAnswers(), 0);
    DatabaseManager* manager = DatabaseManager::Instance();
    manager->RemoveInventoryDatabase();
    manager->RemoveSalesDatabase();
    manager->CloseServerConnection();
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

void TestManageDatabases::useFixtureServer()
{
    const TestDatabase::Server s = TestDatabase::server();
    DatabaseManager* manager = DatabaseManager::Instance();
    manager->CloseServerConnection();
    manager->SetConnectionParameters(s.user, s.password, s.port, s.host);
}

void TestManageDatabases::choose(ManageDatabases& dialog, const char* combo, const QString& name)
{
    QComboBox* list = child<QComboBox>(&dialog, combo);
    const int index = list->findText(name);
    QVERIFY2(index >= 0, qPrintable(name));
    list->setCurrentIndex(index);
}

// ----- form -----

void TestManageDatabases::fullModeForm()
{
    AppSettings::Instance()->settings->setValue(ACTIVE_INVENTORY_DB, inventoryA);
    ManageDatabases dialog(nullptr, false);
    dialog.show();

    QCOMPARE(dialog.windowTitle(), QStringLiteral("Create Databases"));
    QCOMPARE(dialog.size(), QSize(629, 434));
    QVERIFY(dialog.isSizeGripEnabled());
    QVERIFY(!dialog.databaseChanged);
    QLineEdit* inventory = child<QLineEdit>(&dialog, "lineEditInventoryDB");
    QLineEdit* sales = child<QLineEdit>(&dialog, "lineEdit");
    QCOMPARE(inventory->text(), inventoryA);
    QCOMPARE(sales->text(), QStringLiteral("No Active Sales Database"));
    QVERIFY(!inventory->isEnabled() && !sales->isEnabled());
    QCOMPARE(inventory->placeholderText(), QStringLiteral("No inventory database selected"));
    QCOMPARE(sales->placeholderText(), QStringLiteral("No sales database selected"));
    QVERIFY(child<QGroupBox>(&dialog, "groupBox")->isVisible());
    QVERIFY(child<QPushButton>(&dialog, "pushButtonNewInventoryDB")->isVisible());
    QVERIFY(child<QPushButton>(&dialog, "pushButtonOpenNewRegister")->isVisible());
    for (const char* name : {"pushSelectDatabase", "pushSelectSalesDB"}) {
        QPushButton* hidden = child<QPushButton>(&dialog, name);
        QVERIFY(!hidden->isVisible() && !hidden->isEnabled());
    }
    QCOMPARE(child<QPushButton>(&dialog, "pushMySqlServer")->text(), QStringLiteral("MySqlServer..."));

    // Every database of the server, in both lists, none chosen, nothing selected or written.
    QComboBox* inventories = child<QComboBox>(&dialog, "comboInventoryDatabases");
    QComboBox* salesList = child<QComboBox>(&dialog, "comboSalesDatabases");
    const QStringList listed = items(inventories);
    QCOMPARE(items(salesList), listed);
    for (const QString& name : {inventoryA, inventoryB, salesA, salesB, QStringLiteral("mysql"),
                                QStringLiteral("information_schema")})
        QVERIFY2(listed.contains(name), qPrintable(name));
    QCOMPARE(inventories->currentIndex(), -1);
    QCOMPARE(salesList->currentIndex(), -1);
    QCOMPARE(value(ACTIVE_INVENTORY_DB), inventoryA);
    QVERIFY(!AppSettings::Instance()->settings->contains(ACTIVE_SALES_DB));
    QVERIFY(listener.calls.isEmpty());
    QVERIFY(answerer->seen.isEmpty());

    child<QPushButton>(&dialog, "pushButtonClose")->click();
    QVERIFY(!dialog.isVisible());
}

void TestManageDatabases::changeModeForm()
{
    setNotices(true);
    ManageDatabases dialog(nullptr, true);
    dialog.show();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Change Database"));
    QCOMPARE(dialog.size(), QSize(640, 300));
    QVERIFY(!child<QGroupBox>(&dialog, "groupBox")->isVisible());
    QVERIFY(!child<QPushButton>(&dialog, "pushButtonNewInventoryDB")->isVisible());
    QVERIFY(child<QComboBox>(&dialog, "comboInventoryDatabases")->isVisible());
    QCOMPARE(child<QLineEdit>(&dialog, "lineEditInventoryDB")->text(), QStringLiteral("No Active Inventory Database"));
    // Past the moment the full dialog shows its notice: nothing comes.
    QTest::qWait(1300);
    QVERIFY(answerer->seen.isEmpty());
}

void TestManageDatabases::noticeInFullModeOnly()
{
    setNotices(true);
    ManageDatabases dialog(nullptr, false);
    dialog.show();
    QTRY_COMPARE(answerer->seen.size(), 1);
    QCOMPARE(answerer->seen.first().className, QStringLiteral("ErrorDialog"));
    QCOMPARE(answerer->seen.first().title, QStringLiteral("Databases"));
}

// ----- selecting -----

void TestManageDatabases::selectInventoryDatabase_data()
{
    QTest::addColumn<QString>("chosen"); // "@a", "@b", "@sales", "@old"
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("the active one again") << "@a" << true << false << QStringList{};
    QTest::newRow("another inventory database") << "@b" << true << true << QStringList{};
    QTest::newRow("a sales database")
        << "@sales" << false << false
        << QStringList{"Inventory Database|Seems like this is not a valid inventory database for this version. Select "
                       "database from the list, and make sure the MySql server is running."};
    QTest::newRow("an older inventory database")
        << "@old" << true << true
        << QStringList{"Database Upgrade|Selected inventory database will be upgraded to latest version, and this may "
                       "take several minutes depending upon the size of your database.",
                       "Main Database Upgrade|Your main inventory database has been upgraded successfully. We have "
                       "added payment status field in purchase order. Please review your purchase order and update "
                       "payment status and paid amount fields of purchase orders. "};
}

void TestManageDatabases::selectInventoryDatabase()
{
    QFETCH(QString, chosen);
    QFETCH(bool, accepted);
    QFETCH(bool, changed);
    QFETCH(QStringList, messages);
    QString name = chosen == QLatin1String("@a") ? inventoryA : chosen == QLatin1String("@b") ? inventoryB : salesA;
    if (chosen == QLatin1String("@old")) {
        // A database last opened by version 17 of the program.
        name = TestDatabase::uniqueName(QStringLiteral("md_inv_old"));
        dropLater << name;
        QString error;
        DatabaseManager::Instance()->CreateInventoryDatabase(name, error);
        QCOMPARE(error, QString());
        QCOMPARE(TestDatabase::exec(name, {"UPDATE tblVorantel SET DB_VERSION = 'INVENTORY_17.0.0'"}), QString());
    }
    DatabaseManager* manager = DatabaseManager::Instance();
    AppSettings::Instance()->settings->setValue(ACTIVE_INVENTORY_DB, inventoryA);
    QVERIFY(manager->InventoryDatabase()->isOpen());
    QSqlDatabase* before = manager->inventoryDb;
    listener.calls.clear();

    ManageDatabases dialog(nullptr, false);
    dialog.show();
    choose(dialog, "comboInventoryDatabases", name);

    QCOMPARE(answerer->messages(), messages);
    QCOMPARE(dialog.databaseChanged, changed);
    QCOMPARE(value(ACTIVE_INVENTORY_DB), accepted ? name : inventoryA);
    QCOMPARE(child<QLineEdit>(&dialog, "lineEditInventoryDB")->text(), accepted ? name : inventoryA);
    if (changed) {
        // Reconnected on the new database, status reported.
        QCOMPARE(listener.calls, QStringList{"inventory 1"});
        QVERIFY(manager->inventoryOpen);
        QCOMPARE(manager->inventoryDb->databaseName(), name);
        QSqlQuery q(*manager->inventoryDb);
        QVERIFY_SQL(q, exec(QStringLiteral("SELECT DB_VERSION FROM tblVorantel")));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), INVENTORY_DB_VERSION);
    } else {
        // The open connection stays as it was.
        QVERIFY(listener.calls.isEmpty());
        QCOMPARE(manager->inventoryDb, before);
        QVERIFY(manager->inventoryOpen);
    }
    QVERIFY(!AppSettings::Instance()->settings->contains(ACTIVE_SALES_DB));
}

void TestManageDatabases::selectSalesDatabase_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("the active one again") << "@a" << true;
    QTest::newRow("another sales database") << "@b" << true;
    QTest::newRow("an inventory database") << "@inventory" << false;
}

void TestManageDatabases::selectSalesDatabase()
{
    QFETCH(QString, chosen);
    QFETCH(bool, accepted);
    const QString name = chosen == QLatin1String("@a") ? salesA : chosen == QLatin1String("@b") ? salesB : inventoryA;
    DatabaseManager* manager = DatabaseManager::Instance();
    AppSettings::Instance()->settings->setValue(ACTIVE_SALES_DB, salesA);
    QVERIFY(manager->SalesDatabase()->isOpen());
    listener.calls.clear();

    ManageDatabases dialog(nullptr, false);
    dialog.show();
    choose(dialog, "comboSalesDatabases", name);

    QVERIFY(!dialog.databaseChanged);
    QCOMPARE(value(ACTIVE_SALES_DB), accepted ? name : salesA);
    QCOMPARE(child<QLineEdit>(&dialog, "lineEdit")->text(), accepted ? name : salesA);
    if (accepted) {
        // Even the active one is reconnected.
        QVERIFY(answerer->seen.isEmpty());
        QCOMPARE(listener.calls, QStringList{"sales 1"});
        QCOMPARE(manager->salesDb->databaseName(), name);
        QVERIFY(manager->salesOpen);
    } else {
        QCOMPARE(answerer->messages(),
                 QStringList{"Sales Database|Seems like this is not a valid sales database for this version. Select "
                             "database from the list, and make sure the MySql server is running."});
        QVERIFY(listener.calls.isEmpty());
        QCOMPARE(manager->salesDb->databaseName(), salesA);
    }
    QVERIFY(!AppSettings::Instance()->settings->contains(ACTIVE_INVENTORY_DB));
}

// ----- the new-sales-database dialog -----

void TestManageDatabases::serialNumberRules_data()
{
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QString>("message"); // empty: accepted
    QTest::addColumn<QString>("fieldAfter");
    const QString notNumeric = QStringLiteral("Serial|Please enter valid numeric value greater than zero for the serial "
                                              "number.");
    const QString zero = QStringLiteral("Serial|Please enter numeric value greater than zero for the serial number.");
    QTest::newRow("0") << "0" << zero << "1";
    QTest::newRow("00") << "00" << zero << "1";
    QTest::newRow("ten zeros") << "0000000000" << zero << "1";
    QTest::newRow("-1") << "-1" << notNumeric << "-1";
    QTest::newRow("leading blank") << " 1" << notNumeric << " 1";
    QTest::newRow("eleven digits") << "12345678901" << notNumeric << "12345678901";
    QTest::newRow("empty") << "" << notNumeric << "";
    QTest::newRow("letters") << "1a" << notNumeric << "1a";
    QTest::newRow("007") << "007" << QString() << "007";
    QTest::newRow("ten digits") << "9999999999" << QString() << "9999999999";
    QTest::newRow("1") << "1" << QString() << "1";
}

void TestManageDatabases::serialNumberRules()
{
    QFETCH(QString, serial);
    QFETCH(QString, message);
    QFETCH(QString, fieldAfter);
    CreateSalesDatabaseDialog dialog(nullptr);
    dialog.show();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Sales Database"));
    QLineEdit* field = child<QLineEdit>(&dialog, "lineInvoiceSerial");
    QCOMPARE(field->text(), QStringLiteral("1"));
    QCOMPARE(field->toolTip(),
             QStringLiteral("The serial number shown on sales receipts or invoices will start from this number."));
    child<QLineEdit>(&dialog, "lineSalesDBName")->setText(QStringLiteral("shop"));
    field->setText(serial);
    child<QPushButton>(&dialog, "pushOk")->click();

    QCOMPARE(answerer->messages(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(dialog.okPressed, message.isEmpty());
    QCOMPARE(dialog.isVisible(), !message.isEmpty());
    QCOMPARE(field->text(), fieldAfter);
    // Passed on as typed, leading zeros included.
    QCOMPARE(dialog.GetInvoiceSerial(), fieldAfter);
}

void TestManageDatabases::salesDatabaseNameRules_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("empty") << "" << false;
    QTest::newRow("blanks only") << "   " << false;
    QTest::newRow("blanks around") << " shop " << true;
}

void TestManageDatabases::salesDatabaseNameRules()
{
    QFETCH(QString, name);
    QFETCH(bool, accepted);
    CreateSalesDatabaseDialog dialog(nullptr);
    dialog.show();
    child<QLineEdit>(&dialog, "lineSalesDBName")->setText(name);
    child<QPushButton>(&dialog, "pushOk")->click();
    QCOMPARE(answerer->messages(),
             accepted ? QStringList()
                      : QStringList{"Database Name|Database name is empty. Please enter name for sales database."});
    QCOMPARE(dialog.okPressed, accepted);
    QCOMPARE(dialog.GetDatabaseName(), name);

    // Cancel clears what OK set.
    child<QPushButton>(&dialog, "pushCancel")->click();
    QVERIFY(!dialog.okPressed);
    QVERIFY(!dialog.isVisible());
}

// ----- creating -----

void TestManageDatabases::createSalesDatabase()
{
    const QString name = TestDatabase::uniqueName(QStringLiteral("md_new_sales"));
    dropLater << name;
    AppSettings::Instance()->settings->setValue(ACTIVE_SALES_DB, salesA);
    DatabaseManager* manager = DatabaseManager::Instance();
    QVERIFY(manager->SalesDatabase()->isOpen());
    listener.calls.clear();

    ManageDatabases dialog(nullptr, false);
    dialog.show();
    answerer->handle([name](QWidget* w) {
        if (!qobject_cast<CreateSalesDatabaseDialog*>(w))
            return false;
        child<QLineEdit>(w, "lineSalesDBName")->setText(name);
        child<QLineEdit>(w, "lineInvoiceSerial")->setText(QStringLiteral("007"));
        clickLater(child<QPushButton>(w, "pushOk"));
        return true;
    });
    child<QPushButton>(&dialog, "pushButtonOpenNewRegister")->click();

    QCOMPARE(answerer->messages(), QStringList{"Database|New Sales Database opened successfully"});
    QCOMPARE(value(ACTIVE_SALES_DB), name);
    QCOMPARE(child<QLineEdit>(&dialog, "lineEdit")->text(), name);
    QVERIFY(!dialog.databaseChanged);
    QCOMPARE(listener.calls, QStringList{"sales 1"});
    QVERIFY(manager->salesOpen);
    QCOMPARE(manager->salesDb->databaseName(), name);
    // The lists are not refilled: the new database shows the next time.
    QVERIFY(!items(child<QComboBox>(&dialog, "comboSalesDatabases")).contains(name));

    // Leading zeros are just the number: the first sale is number 7.
    QSqlQuery q(*manager->salesDb);
    QVERIFY_SQL(q, exec(QStringLiteral("INSERT INTO tblSalesTransactions (USER_ID, TIME_STAMP) VALUES ('u', NOW())")));
    QCOMPARE(q.lastInsertId().toInt(), 7);
}

void TestManageDatabases::createSalesDatabaseCancelled()
{
    ManageDatabases dialog(nullptr, false);
    dialog.show();
    answerer->handle([](QWidget* w) {
        if (!qobject_cast<CreateSalesDatabaseDialog*>(w))
            return false;
        child<QLineEdit>(w, "lineSalesDBName")->setText(QStringLiteral("never_made"));
        clickLater(child<QPushButton>(w, "pushCancel"));
        return true;
    });
    child<QPushButton>(&dialog, "pushButtonOpenNewRegister")->click();
    QCOMPARE(answerer->seen.size(), 1);
    QVERIFY(answerer->messages().isEmpty());
    QVERIFY(!AppSettings::Instance()->settings->contains(ACTIVE_SALES_DB));
    QVERIFY(listener.calls.isEmpty());
}

void TestManageDatabases::createdNameRefusedByServer_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("sales") << 2;
    QTest::newRow("inventory") << 1;
}

void TestManageDatabases::createdNameRefusedByServer()
{
    QFETCH(int, kind);
    // A name that exists already: the active database and its connection stay.
    const QString taken = kind == 1 ? inventoryB : salesB;
    const QString activeKey = kind == 1 ? ACTIVE_INVENTORY_DB : ACTIVE_SALES_DB;
    AppSettings::Instance()->settings->setValue(activeKey, kind == 1 ? inventoryA : salesA);
    ManageDatabases dialog(nullptr, false);
    dialog.show();
    answerer->handle([taken](QWidget* w) {
        if (auto* prompt = qobject_cast<ReportParameterDialog*>(w)) {
            prompt->ui->lineEditValue->setText(taken);
            clickLater(prompt->ui->pushButton);
            return true;
        }
        if (!qobject_cast<CreateSalesDatabaseDialog*>(w))
            return false;
        child<QLineEdit>(w, "lineSalesDBName")->setText(taken);
        clickLater(child<QPushButton>(w, "pushOk"));
        return true;
    });
    child<QPushButton>(&dialog, kind == 1 ? "pushButtonNewInventoryDB" : "pushButtonOpenNewRegister")->click();

    const QStringList messages = answerer->messages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().startsWith(QLatin1String("Database|")) && messages.first().contains(taken),
             qPrintable(messages.first()));
    QCOMPARE(answerer->seen.last().className, QStringLiteral("QMessageBox"));
    QCOMPARE(value(activeKey), kind == 1 ? inventoryA : salesA);
    QVERIFY(listener.calls.isEmpty());
}

void TestManageDatabases::createInventoryDatabase_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("confirmed");
    QTest::newRow("a new name") << "@new" << true;
    QTest::newRow("cancelled") << "@new" << false;
    QTest::newRow("confirmed empty") << "" << true;
}

void TestManageDatabases::createInventoryDatabase()
{
    QFETCH(QString, typed);
    QFETCH(bool, confirmed);
    if (typed == QLatin1String("@new")) {
        typed = TestDatabase::uniqueName(QStringLiteral("md_new_inv"));
        dropLater << typed;
    }
    AppSettings::Instance()->settings->setValue(ACTIVE_INVENTORY_DB, inventoryA);
    DatabaseManager* manager = DatabaseManager::Instance();
    QVERIFY(manager->InventoryDatabase()->isOpen());
    listener.calls.clear();

    ManageDatabases dialog(nullptr, false);
    dialog.show();
    QString title;
    QString prompt;
    answerer->handle([&](QWidget* w) {
        auto* dialog = qobject_cast<ReportParameterDialog*>(w);
        if (!dialog)
            return false;
        title = dialog->windowTitle();
        prompt = dialog->ui->label->text();
        dialog->ui->lineEditValue->setText(typed);
        clickLater(confirmed ? dialog->ui->pushButton : dialog->ui->pushButton_2);
        return true;
    });
    child<QPushButton>(&dialog, "pushButtonNewInventoryDB")->click();

    QCOMPARE(title, QStringLiteral("Database Name"));
    QCOMPARE(prompt, QStringLiteral("Inventory Database Name"));
    QVERIFY(!dialog.databaseChanged);
    if (confirmed && !typed.isEmpty()) {
        QCOMPARE(answerer->messages(), QStringList{"Database|New Inventory Database opened successfully"});
        QCOMPARE(value(ACTIVE_INVENTORY_DB), typed);
        QCOMPARE(child<QLineEdit>(&dialog, "lineEditInventoryDB")->text(), typed);
        QCOMPARE(listener.calls, QStringList{"inventory 1"});
        QCOMPARE(manager->inventoryDb->databaseName(), typed);
        QVERIFY(manager->inventoryOpen);
    } else {
        // Silently nothing.
        QVERIFY(answerer->messages().isEmpty());
        QCOMPARE(value(ACTIVE_INVENTORY_DB), inventoryA);
        QVERIFY(listener.calls.isEmpty());
        QCOMPARE(manager->inventoryDb->databaseName(), inventoryA);
    }
}

void TestManageDatabases::noServerWhenCreating_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("sales") << 2;
    QTest::newRow("inventory") << 1;
}

void TestManageDatabases::noServerWhenCreating()
{
    QFETCH(int, kind);
    const TestDatabase::Server s = TestDatabase::server();
    DatabaseManager::Instance()->SetConnectionParameters(s.user, s.password, closedPort(), s.host);
    AppSettings::Instance()->settings->setValue(ACTIVE_INVENTORY_DB, inventoryA);
    const QString name = TestDatabase::uniqueName(QStringLiteral("md_unmade"));
    dropLater << name;

    ManageDatabases dialog(nullptr, false);
    dialog.show();
    // Without a server the lists stay empty; the active names are still shown.
    QCOMPARE(child<QComboBox>(&dialog, "comboInventoryDatabases")->count(), 0);
    QCOMPARE(child<QLineEdit>(&dialog, "lineEditInventoryDB")->text(), inventoryA);
    answerer->handle([name](QWidget* w) {
        if (auto* prompt = qobject_cast<ReportParameterDialog*>(w)) {
            prompt->ui->lineEditValue->setText(name);
            clickLater(prompt->ui->pushButton);
            return true;
        }
        if (!qobject_cast<CreateSalesDatabaseDialog*>(w))
            return false;
        child<QLineEdit>(w, "lineSalesDBName")->setText(name);
        clickLater(child<QPushButton>(w, "pushOk"));
        return true;
    });
    child<QPushButton>(&dialog, kind == 1 ? "pushButtonNewInventoryDB" : "pushButtonOpenNewRegister")->click();

    QCOMPARE(answerer->messages(), QStringList{"Database Error|Can not connect to MySql Server."});
    QCOMPARE(value(ACTIVE_INVENTORY_DB), inventoryA);
    QVERIFY(!AppSettings::Instance()->settings->contains(ACTIVE_SALES_DB));
    QVERIFY(TestDatabase::exec(name, {}).contains(QLatin1String("Unknown database")));
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
    // The dialog opens on a server that does not answer.
    const TestDatabase::Server s = TestDatabase::server();
    const QString wrongPort = QString::number(closedPort());
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
        clickLater(child<QPushButton>(w, saved ? "pushButtonSave" : "pushCancel"));
        return true;
    });
    child<QPushButton>(&dialog, "pushMySqlServer")->click();

    QCOMPARE(answerer->seen.size(), 1);
    if (saved) {
        QVERIFY(items(inventories).contains(inventoryA));
        QCOMPARE(items(child<QComboBox>(&dialog, "comboSalesDatabases")), items(inventories));
        QCOMPARE(inventories->currentIndex(), -1);
        QCOMPARE(value(DB_PORT), QString::number(s.port));
    } else {
        QCOMPARE(inventories->count(), 0);
        QCOMPARE(value(DB_PORT), wrongPort);
    }
    // Refilling selects nothing.
    QVERIFY(listener.calls.isEmpty());
    QVERIFY(!AppSettings::Instance()->settings->contains(ACTIVE_INVENTORY_DB));
}

VORANTEL_TEST_MAIN(TestManageDatabases)
#include "tst_managedatabases.moc"
