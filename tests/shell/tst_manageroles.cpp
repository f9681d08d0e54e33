#include "appsettings.h"
#include "inventoryfixture.h"
#include "manageroles.h"
#include "modalanswerer.h"
#include "modules.h"
#include "selector.h"
#include "testdatabase.h"
#include "testsupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>

// The roles dialog against a real inventory database: the system role, name rules,
// deleting, and the module permissions chosen through the column chooser.
class TestManageRoles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void selectingLoadsTheRole();
    void administratorIsProtected_data();
    void administratorIsProtected();
    void namesRefused_data();
    void namesRefused();
    void namesAreBoundValues_data();
    void namesAreBoundValues();
    void failedStatementsShowTheDriverText_data();
    void failedStatementsShowTheDriverText();
    void roleWithUsersIsNotDeleted();
    void deleteRemovesRoleAndPermissions();
    void failedDeleteKeepsThePermissions();
    void chooserOffersTheModules();
    void permissions_data();
    void permissions();
    void failedPermissionSaveKeepsTheOldSet();
    void permissionsNeedASelectedRole();

private:
    template<typename T> static T* child(QWidget* w, const char* name)
    {
        T* c = w->findChild<T*>(QString::fromLatin1(name));
        if (!c)
            qWarning() << "missing" << name;
        return c;
    }
    static bool selectRole(ManageRoles& dialog, const QString& name);
    static void type(ManageRoles& dialog, const QString& text);
    static void click(ManageRoles& dialog, const char* button);
    QStringList roleNames() const;
    QStringList modulesOf(int roleId) const;
    void setModules(int roleId, const QList<int>& modules);

    InventoryFixture fixture;
    ModalAnswerer* answerer = nullptr;
};

// Seeded role IDs.
static const int SALES_PERSON = 2;
static const int MANAGER = 4;
static const int ASSISTANT_MANAGER = 5;
static const QStringList SEEDED_ROLES = {QStringLiteral("ADMINISTRATOR"), QStringLiteral("SALES PERSON"),
                                         QStringLiteral("PURCHASE MANAGER"), QStringLiteral("MANAGER"),
                                         QStringLiteral("ASSISTANT MANAGER")};

void TestManageRoles::initTestCase()
{
    REQUIRE_TEST_SERVER();
    TestSupport::ClearSettings();
    answerer = new ModalAnswerer(this);
    const QString error = fixture.create();
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void TestManageRoles::init()
{
    const QString error = fixture.reset();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    answerer->clear();
}

void TestManageRoles::cleanup()
{
    QVERIFY2(answerer->failures.isEmpty(), qPrintable(answerer->failures.join(QLatin1Char('\n'))));
    QCOMPARE(answerer->pendingAnswers(), 0);
}

void TestManageRoles::cleanupTestCase()
{
    fixture.drop();
}

bool TestManageRoles::selectRole(ManageRoles& dialog, const QString& name)
{
    auto* view = child<QTableView>(&dialog, "tableView");
    QAbstractItemModel* model = view->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->index(row, 1).data().toString() == name) {
            view->setCurrentIndex(model->index(row, 1));
            return true;
        }
    }
    return false;
}

void TestManageRoles::type(ManageRoles& dialog, const QString& text)
{
    child<QLineEdit>(&dialog, "lineEdit")->setText(text);
}

void TestManageRoles::click(ManageRoles& dialog, const char* button)
{
    child<QPushButton>(&dialog, button)->click();
}

QStringList TestManageRoles::roleNames() const
{
    return fixture.rows(QStringLiteral("SELECT NAME FROM tblRoles ORDER BY ID"));
}

QStringList TestManageRoles::modulesOf(int roleId) const
{
    return fixture.rows(
        QStringLiteral("SELECT MODULE_ID FROM tblPermissions WHERE ROLE_ID = %1 ORDER BY MODULE_ID").arg(roleId));
}

void TestManageRoles::setModules(int roleId, const QList<int>& modules)
{
    QStringList statements{QStringLiteral("DELETE FROM tblPermissions WHERE ROLE_ID = %1").arg(roleId)};
    for (int module : modules)
        statements << QStringLiteral("INSERT INTO tblPermissions (ROLE_ID, MODULE_ID) VALUES (%1, %2)")
                          .arg(roleId)
                          .arg(module);
    const QString error = fixture.exec(statements);
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void TestManageRoles::selectingLoadsTheRole()
{
    ManageRoles dialog(nullptr);
    dialog.show();
    QVERIFY(!child<QPushButton>(&dialog, "pushButtonUpdate")->isEnabled());
    QVERIFY(!child<QPushButton>(&dialog, "pushButtonDelete")->isEnabled());
    QVERIFY(child<QTableView>(&dialog, "tableView")->isColumnHidden(0));

    QVERIFY(selectRole(dialog, QStringLiteral("MANAGER")));
    QCOMPARE(child<QLineEdit>(&dialog, "lineEdit")->text(), QStringLiteral("MANAGER"));
    QVERIFY(child<QPushButton>(&dialog, "pushButtonUpdate")->isEnabled());
    QVERIFY(child<QPushButton>(&dialog, "pushButtonDelete")->isEnabled());
}

void TestManageRoles::administratorIsProtected_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("newName");
    QTest::addColumn<QString>("message");
    QTest::newRow("rename") << "pushButtonUpdate" << "OWNER"
                            << "Update Role|This is system role and can not be edited.";
    QTest::newRow("delete") << "pushButtonDelete" << ""
                            << "Delete Role|This is system role and can not be deleted.";
    QTest::newRow("permissions") << "pushSetPermissions" << ""
                                 << "Set Permissions|This is system role and has access to all modules.";
}

void TestManageRoles::administratorIsProtected()
{
    QFETCH(QString, button);
    QFETCH(QString, newName);
    QFETCH(QString, message);
    const QStringList permissionsBefore = fixture.rows(QStringLiteral("SELECT ROLE_ID, MODULE_ID FROM tblPermissions"));

    ManageRoles dialog(nullptr);
    dialog.show();
    QVERIFY(selectRole(dialog, QStringLiteral("ADMINISTRATOR")));
    if (!newName.isEmpty())
        type(dialog, newName);
    click(dialog, qPrintable(button));

    QCOMPARE(answerer->messages(), QStringList{message});
    QCOMPARE(roleNames(), SEEDED_ROLES);
    QCOMPARE(fixture.rows(QStringLiteral("SELECT ROLE_ID, MODULE_ID FROM tblPermissions")), permissionsBefore);
}

void TestManageRoles::namesRefused_data()
{
    QTest::addColumn<QString>("selected"); // empty: add, otherwise rename this role
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("messages");
    const QStringList exists{QStringLiteral("Error|Role already exists in the system")};
    QTest::newRow("add: other letter case") << "" << "sales person" << exists;
    QTest::newRow("add: empty") << "" << "" << QStringList();
    QTest::newRow("add: blanks only") << "" << "   " << QStringList();
    QTest::newRow("rename: another role's name") << "MANAGER" << "Purchase Manager" << exists;
    QTest::newRow("rename: own name in other case") << "MANAGER" << "Manager" << exists;
    QTest::newRow("rename: blanks only") << "MANAGER" << "  " << QStringList();
    QTest::newRow("rename administrator: taken name") << "ADMINISTRATOR" << "manager" << exists;
}

void TestManageRoles::namesRefused()
{
    QFETCH(QString, selected);
    QFETCH(QString, name);
    QFETCH(QStringList, messages);

    ManageRoles dialog(nullptr);
    dialog.show();
    if (!selected.isEmpty())
        QVERIFY(selectRole(dialog, selected));
    type(dialog, name);
    click(dialog, selected.isEmpty() ? "pushButtonAdd" : "pushButtonUpdate");

    QCOMPARE(answerer->messages(), messages);
    QCOMPARE(roleNames(), SEEDED_ROLES);
}

void TestManageRoles::namesAreBoundValues_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("quote") << "O'Brien's Crew";
    QTest::newRow("backslash") << "Front\\Back";
    QTest::newRow("backslash before quote") << "Till\\' OR 1=1 --";
    QTest::newRow("non-ASCII") << QString::fromUtf8("Kassierer \xc3\xa4\xc3\xb6\xc3\xbc");
}

void TestManageRoles::namesAreBoundValues()
{
    QFETCH(QString, name);
    {
        ManageRoles dialog(nullptr);
        dialog.show();
        type(dialog, name);
        click(dialog, "pushButtonAdd");
        QCOMPARE(answerer->messages(), QStringList());
        QCOMPARE(roleNames(), SEEDED_ROLES + QStringList{name});
        QCOMPARE(child<QLineEdit>(&dialog, "lineEdit")->text(), QString());

        // The same name again is found by the duplicate check.
        type(dialog, name.toUpper());
        click(dialog, "pushButtonAdd");
        QCOMPARE(answerer->messages(), QStringList{QStringLiteral("Error|Role already exists in the system")});
        answerer->clear();

        QVERIFY(selectRole(dialog, QStringLiteral("MANAGER")));
        type(dialog, name + QStringLiteral(" 2"));
        click(dialog, "pushButtonUpdate");
        QCOMPARE(answerer->messages(), QStringList());
    }
    QStringList expected = SEEDED_ROLES + QStringList{name};
    expected[3] = name + QStringLiteral(" 2");
    QCOMPARE(roleNames(), expected);
}

void TestManageRoles::failedStatementsShowTheDriverText_data()
{
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("message");
    QTest::newRow("add") << "" << "Error|This role can not be added.";
    QTest::newRow("rename") << "MANAGER" << "Update Role|This role can not be changed.";
}

void TestManageRoles::failedStatementsShowTheDriverText()
{
    QFETCH(QString, selected);
    QFETCH(QString, message);
    ManageRoles dialog(nullptr);
    dialog.show();
    if (!selected.isEmpty())
        QVERIFY(selectRole(dialog, selected));
    type(dialog, QString(101, QLatin1Char('R'))); // NAME holds 100 characters
    click(dialog, selected.isEmpty() ? "pushButtonAdd" : "pushButtonUpdate");

    QCOMPARE(answerer->messages().size(), 1);
    const QString shown = answerer->messages().first();
    QVERIFY2(shown.startsWith(message), qPrintable(shown));
    QVERIFY2(shown.contains(QStringLiteral("Data too long")), qPrintable(shown));
    QCOMPARE(roleNames(), SEEDED_ROLES);
}

void TestManageRoles::roleWithUsersIsNotDeleted()
{
    const QString error = fixture.exec({QStringLiteral(
        "INSERT INTO tblUsers (FIRST_NAME, LAST_NAME, LOGIN_NAME, PASSWORD, ROLE_ID) VALUES ('A', 'B', 'ab', 'x', 4)")});
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const QStringList modules = modulesOf(MANAGER);
    QVERIFY(!modules.isEmpty());

    ManageRoles dialog(nullptr);
    dialog.show();
    QVERIFY(selectRole(dialog, QStringLiteral("MANAGER")));
    click(dialog, "pushButtonDelete");

    QCOMPARE(answerer->messages(),
             QStringList{QStringLiteral("Error|Role can not be deleted because users exist for this role in the system")});
    QCOMPARE(roleNames(), SEEDED_ROLES);
    QCOMPARE(modulesOf(MANAGER), modules);
}

void TestManageRoles::deleteRemovesRoleAndPermissions()
{
    QVERIFY(!modulesOf(ASSISTANT_MANAGER).isEmpty());
    ManageRoles dialog(nullptr);
    dialog.show();
    QVERIFY(selectRole(dialog, QStringLiteral("ASSISTANT MANAGER")));
    click(dialog, "pushButtonDelete");

    QCOMPARE(answerer->messages(), QStringList());
    QCOMPARE(roleNames(), SEEDED_ROLES.mid(0, 4));
    QCOMPARE(modulesOf(ASSISTANT_MANAGER), QStringList());
    QCOMPARE(child<QTableView>(&dialog, "tableView")->model()->rowCount(), 4);
}

void TestManageRoles::failedDeleteKeepsThePermissions()
{
    QString error = fixture.exec({QStringLiteral("CREATE TRIGGER keep_roles BEFORE DELETE ON tblRoles FOR EACH ROW "
                                                 "SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'roles are kept'")});
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const QStringList modules = modulesOf(ASSISTANT_MANAGER);

    ManageRoles dialog(nullptr);
    dialog.show();
    QVERIFY(selectRole(dialog, QStringLiteral("ASSISTANT MANAGER")));
    click(dialog, "pushButtonDelete");

    QCOMPARE(answerer->messages().size(), 1);
    const QString shown = answerer->messages().first();
    QVERIFY2(shown.startsWith(QStringLiteral("Delete Role|This role can not be deleted.")), qPrintable(shown));
    QVERIFY2(shown.contains(QStringLiteral("roles are kept")), qPrintable(shown));
    QCOMPARE(roleNames(), SEEDED_ROLES);
    QCOMPARE(modulesOf(ASSISTANT_MANAGER), modules);
}

void TestManageRoles::chooserOffersTheModules()
{
    setModules(SALES_PERSON, {0, 9, 16, 17, 40});
    QStringList texts;
    QList<int> ticked;
    QString title;
    QString message;
    answerer->handle([&](QWidget* w) {
        auto* selector = qobject_cast<Selector*>(w);
        if (!selector)
            return false;
        title = selector->windowTitle();
        message = selector->findChild<QLabel*>(QStringLiteral("labelMessage"))->text();
        auto* list = selector->findChild<QListWidget*>(QStringLiteral("listWidget"));
        for (int row = 0; row < list->count(); ++row) {
            texts << list->item(row)->text();
            if (list->item(row)->checkState() == Qt::Checked)
                ticked << row;
        }
        selector->findChild<QPushButton*>(QStringLiteral("pushCancel"))->click();
        return true;
    });

    ManageRoles dialog(nullptr);
    dialog.show();
    QVERIFY(selectRole(dialog, QStringLiteral("SALES PERSON")));
    click(dialog, "pushSetPermissions");

    QCOMPARE(title, QStringLiteral("Module Permissions"));
    QCOMPARE(message, QStringLiteral("Please check all the modules which are allowed for this role"));
    const QStringList expected{"POINT OF SALE",         "PRODUCT MANAGEMENT",   "INVENTORY MANAGEMENT",
                               "SALES MANAGEMENT",      "PURCHASE MANAGEMENT",  "EXPENSE MANAGEMENT",
                               "ROLES MANAGEMENT",      "CATEGORIES MANAGEMENT", "REPORTS MANAGEMENT",
                               "CUSTOMERS MANAGEMENT",  "VENDORS MANAGEMENT",   "USERS MANAGEMENT",
                               "DATABASE MANAGEMENT",   "SETTINGS",             "BARCODE GENERATOR",
                               "BACKUP",                "SALES & INVENTORY OVERVIEW"};
    QCOMPARE(texts, expected);
    // Rows 0, 9 and 16 are modules 0, 9 and 17; 16 and 40 are no modules.
    QCOMPARE(ticked, (QList<int>{0, 9, 16}));
}

void TestManageRoles::permissions_data()
{
    QTest::addColumn<QList<int>>("stored");
    QTest::addColumn<bool>("keepTicks"); // OK pressed without changing anything
    QTest::addColumn<QList<int>>("ticks"); // otherwise the modules ticked at OK
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("tick 0 and 17") << QList<int>{3} << false << QList<int>{0, 17} << false << QStringList{"0", "17"};
    QTest::newRow("stored 16 and 40 disappear") << QList<int>{3, 16, 40} << true << QList<int>() << false
                                                << QStringList{"3"};
    QTest::newRow("everything cleared") << QList<int>{0, 1, 2} << false << QList<int>() << false << QStringList();
    QTest::newRow("every module") << QList<int>() << false
                                  << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 17} << false
                                  << QStringList{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12",
                                                 "13", "14", "15", "17"};
    QTest::newRow("cancel keeps the rows") << QList<int>{3, 16, 40} << false << QList<int>{0} << true
                                           << QStringList{"3", "16", "40"};
}

void TestManageRoles::permissions()
{
    QFETCH(QList<int>, stored);
    QFETCH(bool, keepTicks);
    QFETCH(QList<int>, ticks);
    QFETCH(bool, cancel);
    QFETCH(QStringList, expected);
    setModules(SALES_PERSON, stored);
    const QStringList otherRoles = modulesOf(MANAGER);

    const QVector<ModuleEntry> modules = PermissionModules();
    answerer->handle([&](QWidget* w) {
        auto* selector = qobject_cast<Selector*>(w);
        if (!selector)
            return false;
        auto* list = selector->findChild<QListWidget*>(QStringLiteral("listWidget"));
        for (int row = 0; !keepTicks && row < list->count(); ++row)
            list->item(row)->setCheckState(ticks.contains(modules.at(row).number) ? Qt::Checked : Qt::Unchecked);
        selector->findChild<QPushButton*>(cancel ? QStringLiteral("pushCancel") : QStringLiteral("pushOk"))->click();
        return true;
    });

    ManageRoles dialog(nullptr);
    dialog.show();
    QVERIFY(selectRole(dialog, QStringLiteral("SALES PERSON")));
    click(dialog, "pushSetPermissions");

    QCOMPARE(answerer->messages(), QStringList());
    QCOMPARE(modulesOf(SALES_PERSON), expected);
    QCOMPARE(modulesOf(MANAGER), otherRoles);
}

void TestManageRoles::failedPermissionSaveKeepsTheOldSet()
{
    setModules(SALES_PERSON, {0, 3});
    const QString error = fixture.exec(
        {QStringLiteral("CREATE TRIGGER no_overview BEFORE INSERT ON tblPermissions FOR EACH ROW "
                        "BEGIN IF NEW.MODULE_ID = 17 THEN SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'overview refused'; "
                        "END IF; END")});
    QVERIFY2(error.isEmpty(), qPrintable(error));
    answerer->handle([](QWidget* w) {
        auto* selector = qobject_cast<Selector*>(w);
        if (!selector)
            return false;
        auto* list = selector->findChild<QListWidget*>(QStringLiteral("listWidget"));
        for (int row = 0; row < list->count(); ++row)
            list->item(row)->setCheckState(row == 1 || row == 16 ? Qt::Checked : Qt::Unchecked);
        selector->findChild<QPushButton*>(QStringLiteral("pushOk"))->click();
        return true;
    });

    ManageRoles dialog(nullptr);
    dialog.show();
    QVERIFY(selectRole(dialog, QStringLiteral("SALES PERSON")));
    click(dialog, "pushSetPermissions");

    QCOMPARE(answerer->messages().size(), 1);
    const QString shown = answerer->messages().first();
    QVERIFY2(shown.startsWith(QStringLiteral("Set Permissions|The permissions of this role can not be saved.")),
             qPrintable(shown));
    QVERIFY2(shown.contains(QStringLiteral("overview refused")), qPrintable(shown));
    QCOMPARE(modulesOf(SALES_PERSON), (QStringList{"0", "3"}));
}

void TestManageRoles::permissionsNeedASelectedRole()
{
    const QString noRole = QStringLiteral("Set Permissions|No role selected. Please select a role first.");
    ManageRoles dialog(nullptr);
    dialog.show();
    click(dialog, "pushSetPermissions");
    QCOMPARE(answerer->messages(), QStringList{noRole});
    answerer->clear();

    // After an add, update or delete the selection is gone until a row is selected again.
    QVERIFY(selectRole(dialog, QStringLiteral("MANAGER")));
    type(dialog, QStringLiteral("CASHIER"));
    click(dialog, "pushButtonAdd");
    click(dialog, "pushSetPermissions");
    QCOMPARE(answerer->messages(), QStringList{noRole});
    QCOMPARE(child<QLineEdit>(&dialog, "lineEdit")->text(), QString());
}

VORANTEL_TEST_MAIN(TestManageRoles)
#include "tst_manageroles.moc"
