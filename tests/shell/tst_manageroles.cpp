#include "appsettings.h"
#include "inventoryfixture.h"
#include "manageroles.h"
#include "modalanswerer.h"
#include "testdatabase.h"
#include "testsupport.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>

// The roles dialog against a real inventory database: the system role, name rules,
// deleting, and the module permissions chosen through the column chooser.
class TestManageRoles : public InventoryTest
{
    Q_OBJECT

private slots:
    void refusedChangesKeepRolesAndPermissions_data();
    void refusedChangesKeepRolesAndPermissions();
    void namesRefused_data();
    void namesRefused();
    void namesAreBoundValues_data();
    void namesAreBoundValues();
    void permissionsNeedASelectedRole();
    void deleteRemovesRoleAndPermissions();
    void namesKeptToTheColumn_data();
    void namesKeptToTheColumn();
    void rolesThatCanNotBeReadAreSaidSo();
    void refusedReadGivesTheServersReason();
    void permissions_data();
    void permissions();

private:
    static bool selectRole(ManageRoles& dialog, const QString& name)
    {
        return SelectRow(Child<QTableView>(&dialog, "tableView"), 1, name);
    }
    static void type(ManageRoles& dialog, const QString& text) { Child<QLineEdit>(&dialog, "lineEdit")->setText(text); }
    static void click(ManageRoles& dialog, const char* button) { Child<QPushButton>(&dialog, button)->click(); }
    QStringList roleNames() const { return fixture.rows(QStringLiteral("SELECT NAME FROM tblRoles ORDER BY ID")); }
    QStringList modulesOf(int roleId) const;
    void setModules(int roleId, const QList<int>& modules);
    // Answers the column chooser: ticks the modules (the list has no module 16) unless keep, then OK or Cancel.
    void answerChooser(const QList<int>& modules, bool keep = false, bool cancel = false);
};

// Seeded role IDs.
static const int SALES_PERSON = 2;
static const int MANAGER = 4; // its modules stay as seeded
static const int ASSISTANT_MANAGER = 5;
static const QStringList SEEDED_ROLES = {QStringLiteral("ADMINISTRATOR"), QStringLiteral("SALES PERSON"),
                                         QStringLiteral("PURCHASE MANAGER"), QStringLiteral("MANAGER"),
                                         QStringLiteral("ASSISTANT MANAGER")};

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

void TestManageRoles::answerChooser(const QList<int>& modules, bool keep, bool cancel)
{
    answerer->handleClass("Selector", [=](QWidget* selector) {
        auto* list = Child<QListWidget>(selector, "listWidget");
        for (int row = 0; !keep && row < list->count(); ++row)
            list->item(row)->setCheckState(modules.contains(row == 16 ? 17 : row) ? Qt::Checked : Qt::Unchecked);
        Child<QPushButton>(selector, cancel ? "pushCancel" : "pushOk")->click();
    });
}

void TestManageRoles::refusedChangesKeepRolesAndPermissions_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("message"); // the whole text, or its start when driverText is given
    QTest::addColumn<QString>("driverText");
    const QString admin = QStringLiteral("ADMINISTRATOR");
    QTest::newRow("administrator: rename") << "" << admin << "OWNER" << "pushButtonUpdate"
                                           << "Update Role|This is system role and can not be edited." << "";
    QTest::newRow("administrator: delete") << "" << admin << "" << "pushButtonDelete"
                                           << "Delete Role|This is system role and can not be deleted." << "";
    QTest::newRow("administrator: permissions")
        << "" << admin << "" << "pushSetPermissions" << "Set Permissions|This is system role and has access to all modules."
        << "";
    QTest::newRow("delete: role has users")
        << "INSERT INTO tblUsers (FIRST_NAME, LAST_NAME, LOGIN_NAME, PASSWORD, ROLE_ID) VALUES ('A', 'B', 'ab', 'x', 4)"
        << "MANAGER" << "" << "pushButtonDelete"
        << "Error|Role can not be deleted because users exist for this role in the system" << "";
    QTest::newRow("add fails") << "CREATE TRIGGER no_new_roles BEFORE INSERT ON tblRoles FOR EACH ROW SIGNAL "
                                  "SQLSTATE '45000' SET MESSAGE_TEXT = 'no new roles'"
                               << "" << "Crew" << "pushButtonAdd" << "Error|This role can not be added." << "no new roles";
    QTest::newRow("rename fails") << "CREATE TRIGGER names_stay BEFORE UPDATE ON tblRoles FOR EACH ROW SIGNAL "
                                     "SQLSTATE '45000' SET MESSAGE_TEXT = 'names stay'"
                                  << "MANAGER" << "Crew" << "pushButtonUpdate"
                                  << "Update Role|This role can not be changed." << "names stay";
    QTest::newRow("delete fails") << "CREATE TRIGGER keep_roles BEFORE DELETE ON tblRoles FOR EACH ROW "
                                     "SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'roles are kept'"
                                  << "ASSISTANT MANAGER" << "" << "pushButtonDelete"
                                  << "Delete Role|This role can not be deleted." << "roles are kept";
    // Ticks modules 1 and 17 over the stored 0 and 3; the second insert fails.
    QTest::newRow("permissions fail") << "CREATE TRIGGER no_overview BEFORE INSERT ON tblPermissions FOR EACH ROW BEGIN "
                                         "IF NEW.MODULE_ID = 17 THEN SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = "
                                         "'overview refused'; END IF; END"
                                      << "SALES PERSON" << "" << "pushSetPermissions"
                                      << "Set Permissions|The permissions of this role can not be saved."
                                      << "overview refused";
}

void TestManageRoles::refusedChangesKeepRolesAndPermissions()
{
    QFETCH(QString, setup);
    QFETCH(QString, selected);
    QFETCH(QString, name);
    QFETCH(QString, button);
    QFETCH(QString, message);
    QFETCH(QString, driverText);
    setModules(SALES_PERSON, {0, 3});
    if (!setup.isEmpty())
        QCOMPARE(fixture.exec({setup}), QString());
    const QString allPermissions = QStringLiteral("SELECT ROLE_ID, MODULE_ID FROM tblPermissions ORDER BY 1, 2");
    const QStringList permissionsBefore = fixture.rows(allPermissions);
    if (button == QLatin1String("pushSetPermissions") && selected != QLatin1String("ADMINISTRATOR"))
        answerChooser({1, 17});

    ManageRoles dialog(nullptr);
    dialog.show();
    if (!selected.isEmpty())
        QVERIFY(selectRole(dialog, selected));
    if (!name.isEmpty())
        type(dialog, name);
    click(dialog, qPrintable(button));

    const QStringList shown = answerer->messages();
    QCOMPARE(shown.size(), 1);
    if (driverText.isEmpty())
        QCOMPARE(shown.first(), message);
    QVERIFY2(shown.first().startsWith(message), qPrintable(shown.first()));
    QVERIFY2(shown.first().contains(driverText), qPrintable(shown.first()));
    QCOMPARE(roleNames(), SEEDED_ROLES);
    QCOMPARE(fixture.rows(allPermissions), permissionsBefore);
}

void TestManageRoles::namesRefused_data()
{
    QTest::addColumn<QString>("selected"); // empty: add, otherwise rename this role
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("messages");
    const QStringList exists{QStringLiteral("Error|Role already exists in the system")};
    QTest::newRow("add: other letter case") << "" << "sales person" << exists;
    QTest::newRow("add: blanks only") << "" << "   " << QStringList();
    QTest::newRow("rename: blanks only") << "MANAGER" << "  " << QStringList();
    QTest::newRow("rename: another role's name") << "MANAGER" << "Purchase Manager" << exists;
    QTest::newRow("rename: own name in other case") << "MANAGER" << "Manager" << exists;
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
    QTest::newRow("backslash before quote") << "Till\\' OR 1=1 --";
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
        QCOMPARE(Child<QLineEdit>(&dialog, "lineEdit")->text(), QString());

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

void TestManageRoles::namesKeptToTheColumn_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored"); // empty: refused
    QTest::newRow("emoji") << QStringLiteral("Crew \U0001F680") << QString();
    QTest::newRow("120 characters") << QString(120, QLatin1Char('R')) << QString(100, QLatin1Char('R'));
    QTest::newRow("Arabic") << QStringLiteral("مريم") << QStringLiteral("مريم");
}

void TestManageRoles::namesKeptToTheColumn()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    ManageRoles dialog(nullptr);
    dialog.show();
    type(dialog, typed);
    click(dialog, "pushButtonAdd");
    if (stored.isEmpty()) {
        QCOMPARE(answerer->messages(),
                 QStringList{"Error|The field 'Role' can not hold characters such as emoji. Please remove them."});
        QCOMPARE(roleNames(), SEEDED_ROLES);
    } else {
        QCOMPARE(answerer->messages(), QStringList());
        QCOMPARE(roleNames(), SEEDED_ROLES + QStringList{stored});
    }
}

void TestManageRoles::rolesThatCanNotBeReadAreSaidSo()
{
    QCOMPARE(fixture.exec({QStringLiteral("RENAME TABLE tblRoles TO tblRolesAway")}), QString());
    {
        ManageRoles dialog(nullptr);
    }
    QCOMPARE(fixture.exec({QStringLiteral("RENAME TABLE tblRolesAway TO tblRoles")}), QString());
    const QStringList shown = answerer->messages();
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown.first().startsWith(QLatin1String("Roles|The roles can not be read.")), qPrintable(shown.first()));
}

// After an add, update or delete the selection is gone until a row is selected again.
// The roles refused once the dialog has its columns (read again after a refused deletion): the server's words.
void TestManageRoles::refusedReadGivesTheServersReason()
{
    ManageRoles dialog(nullptr);
    dialog.show();
    QVERIFY(selectRole(dialog, QStringLiteral("ASSISTANT MANAGER")));
    QCOMPARE(fixture.exec({QStringLiteral("RENAME TABLE tblRoles TO tblRolesAway")}), QString());
    click(dialog, "pushButtonDelete");
    QCOMPARE(fixture.exec({QStringLiteral("RENAME TABLE tblRolesAway TO tblRoles")}), QString());
    const QString read = answerer->messages().value(1);
    QVERIFY2(read.startsWith(QLatin1String("Roles|The roles can not be read.")), qPrintable(answerer->messages().join('\n')));
    QVERIFY2(read.contains(QLatin1String("tblRoles' doesn't exist")), qPrintable(read));
}

void TestManageRoles::permissionsNeedASelectedRole()
{
    const QString noRole = QStringLiteral("Set Permissions|No role selected. Please select a role first.");
    ManageRoles dialog(nullptr);
    dialog.show();
    click(dialog, "pushSetPermissions");
    QCOMPARE(answerer->messages(), QStringList{noRole});
    answerer->clear();

    QVERIFY(selectRole(dialog, QStringLiteral("MANAGER")));
    type(dialog, QStringLiteral("CASHIER"));
    click(dialog, "pushButtonAdd");
    QCOMPARE(answerer->messages(), QStringList());
    click(dialog, "pushSetPermissions");
    QCOMPARE(answerer->messages(), QStringList{noRole});
    QCOMPARE(Child<QLineEdit>(&dialog, "lineEdit")->text(), QString());
    QCOMPARE(modulesOf(MANAGER).isEmpty(), false);
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
    QCOMPARE(Child<QTableView>(&dialog, "tableView")->model()->rowCount(), 4);
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
    answerChooser(ticks, keepTicks, cancel);

    ManageRoles dialog(nullptr);
    dialog.show();
    QVERIFY(selectRole(dialog, QStringLiteral("SALES PERSON")));
    click(dialog, "pushSetPermissions");

    QCOMPARE(answerer->messages(), QStringList());
    QCOMPARE(modulesOf(SALES_PERSON), expected);
    QCOMPARE(modulesOf(MANAGER), otherRoles);
}

VORANTEL_TEST_MAIN(TestManageRoles)
#include "tst_manageroles.moc"
