#include "databaseerror.h"
#include "databasetest.h"
#include "inventoryfixture.h"
#include "logindialog.h"
#include "loginresult.h"
#include "manageusers.h"
#include "modalanswerer.h"
#include "storedhash.h"
#include "testdatabase.h"
#include "testsupport.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableView>

// The users dialog against a real inventory database: names and hashes that need bound
// values, the password rules, deleting with the answers, and failed statements reported.
class TestManageUsers : public InventoryTest
{
    Q_OBJECT

private slots:
    void addedUsersLogInAndUpdate_data();
    void addedUsersLogInAndUpdate();
    void formRules_data();
    void formRules();
    void deleteRemovesTheAnswers_data();
    void deleteRemovesTheAnswers();
    void failedWritesShowTheDriverText_data();
    void failedWritesShowTheDriverText();
    void weakPasswordsStoredLong_data();
    void weakPasswordsStoredLong();
    void selectingUserForgetsTypedPassword();
    void lastAdministratorStays_data();
    void lastAdministratorStays();
    void failedCommitIsNotReportedAsDone();
    void usersThatCanNotBeReadAreSaidSo();
    void refusedReadGivesTheServersReason();
    void namesKeptToTheirColumns_data();
    void namesKeptToTheirColumns();

private:
    static QString findPassword(const QString& mustContain);
    static void fill(ManageUsers& dialog, const QString& first, const QString& last, const QString& login,
                     const QString& password, const QString& repeat, const QString& role);
    static bool selectUser(ManageUsers& dialog, const QString& login)
    {
        return SelectRow(Child<QTableView>(&dialog, "tableView"), 3, login);
    }
    static void click(ManageUsers& dialog, const char* button) { Child<QPushButton>(&dialog, button)->click(); }
    void addUser(const QString& login, const QString& password, int roleId)
    {
        const QString error = fixture.addUser(login, password, roleId);
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }
    // Through the login dialog. Returns "LOGIN_NAME|role", or empty when the login fails.
    static QString logIn(const QString& typedName, const QString& password);
    void addAnswers(const QString& userId)
    {
        QCOMPARE(fixture.exec({QStringLiteral("INSERT INTO tblQuestions (USER_ID, QUESTION_ID, ANSWER) VALUES "
                                              "(%1, 0, 'a'), (%1, 1, 'b'), (%1, 2, 'c')").arg(userId.toInt())}),
                 QString());
    }
};

static const QString ADMINISTRATOR = QStringLiteral("ADMINISTRATOR");
static const QString PASSWORD_NOTE = QStringLiteral(
    "Password|Please make a note of your password. In the next \n LOGIN session you would need to enter this password. "
    "Please also set password recovery questions and \nanswers for this user.");

QString TestManageUsers::findPassword(const QString& mustContain)
{
    for (int i = 0; i < 10000; ++i) {
        const QString candidate = QStringLiteral("pw%1").arg(i);
        const QString hash = HashPassword(candidate);
        bool all = HashFitsColumn(hash);
        for (const QChar c : mustContain)
            all = all && hash.contains(c);
        if (all)
            return candidate;
    }
    return QString();
}

void TestManageUsers::fill(ManageUsers& dialog, const QString& first, const QString& last, const QString& login,
                           const QString& password, const QString& repeat, const QString& role)
{
    Child<QLineEdit>(&dialog, "editFirstName")->setText(first);
    Child<QLineEdit>(&dialog, "editLastName")->setText(last);
    Child<QLineEdit>(&dialog, "editLoginName")->setText(login);
    Child<QLineEdit>(&dialog, "editPassword")->setText(password);
    Child<QLineEdit>(&dialog, "editRepeastPassword")->setText(repeat);
    auto* combo = Child<QComboBox>(&dialog, "comboRole");
    combo->setCurrentIndex(combo->findText(role));
}

QString TestManageUsers::logIn(const QString& typedName, const QString& password)
{
    TestDatabase::writeServerSettings(); // the dialog hands them to the connection manager
    LoginResult result;
    LoginDialog dialog(nullptr);
    dialog.loginResult = &result;
    dialog.show();
    Child<QLineEdit>(&dialog, "editUserName")->setText(typedName);
    Child<QLineEdit>(&dialog, "editPassword")->setText(password);
    Child<QPushButton>(&dialog, "buttonLogin")->click();
    if (result.cancelled)
        return QString();
    return result.loginName + QLatin1Char('|') + result.roleName;
}

void TestManageUsers::addedUsersLogInAndUpdate_data()
{
    const QString backslash = findPassword(QStringLiteral("\\"));
    const QString quote = findPassword(QStringLiteral("'"));
    const QString both = findPassword(QStringLiteral("\\'"));
    QVERIFY(!backslash.isEmpty() && !quote.isEmpty() && !both.isEmpty());

    QTest::addColumn<QString>("login");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("newPassword");
    QTest::addColumn<QString>("role");
    QTest::newRow("O'Brien") << "O'Brien" << "secret" << quote << "MANAGER";
    QTest::newRow("backslash in the name") << "back\\slash" << backslash << both << ADMINISTRATOR;
    QTest::newRow("hash with backslash and quote") << "Plain" << both << "secret" << ADMINISTRATOR;
}

void TestManageUsers::addedUsersLogInAndUpdate()
{
    QFETCH(QString, login);
    QFETCH(QString, password);
    QFETCH(QString, newPassword);
    QFETCH(QString, role);

    ManageUsers dialog(nullptr);
    dialog.show();
    fill(dialog, QStringLiteral("Seán"), QStringLiteral("O'Neil"), login, password, password, role);
    click(dialog, "pushButtonAdd");
    if (role == ADMINISTRATOR)
        QCOMPARE(answerer->messages(), QStringList{PASSWORD_NOTE});
    else
        QCOMPARE(answerer->messages(), QStringList());
    QCOMPARE(answerer->seen.last().title, QStringLiteral("User Role")); // the notice after a successful add
    answerer->clear();

    QCOMPARE(fixture.rows(QStringLiteral("SELECT FIRST_NAME, LAST_NAME, LOGIN_NAME FROM tblUsers")),
             QStringList{QStringLiteral("Seán|O'Neil|") + login});
    QCOMPARE(logIn(login.toLower(), password), login + QLatin1Char('|') + role);
    QCOMPARE(logIn(login, password + QLatin1Char('x')), QString());
    // The form is ready for the next user.
    QCOMPARE(Child<QLineEdit>(&dialog, "editLoginName")->text(), QString());
    QCOMPARE(Child<QComboBox>(&dialog, "comboRole")->currentIndex(), -1);

    // The last ADMINISTRATOR keeps her role: another one takes over first.
    if (role == ADMINISTRATOR)
        addUser(QStringLiteral("keeper"), QStringLiteral("keeper1"), 1);
    QVERIFY(selectUser(dialog, login));
    fill(dialog, QStringLiteral("Changed"), QStringLiteral("O'Neil"), login, newPassword, newPassword,
         QStringLiteral("PURCHASE MANAGER"));
    click(dialog, "pushButtonUpdate");
    QCOMPARE(answerer->messages(), QStringList());

    QCOMPARE(fixture.rows(QStringLiteral("SELECT FIRST_NAME, LAST_NAME, LOGIN_NAME, ROLE_ID FROM tblUsers WHERE "
                                         "LOGIN_NAME <> 'keeper'")),
             QStringList{QStringLiteral("Changed|O'Neil|") + login + QStringLiteral("|3")});
    QCOMPARE(logIn(login.toUpper(), newPassword), login + QStringLiteral("|PURCHASE MANAGER"));
    QCOMPARE(logIn(login, password), QString());
}

void TestManageUsers::formRules_data()
{
    QTest::addColumn<QString>("selected"); // updated to role MANAGER; empty: added as MANAGER
    QTest::addColumn<QString>("login");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("repeat");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("users"); // "LOGIN_NAME|role" afterwards, in ID order
    QTest::addColumn<bool>("focusPassword"); // the fields stay for another password
    const QStringList before{"admin|ADMINISTRATOR", "sam|SALES PERSON"};
    const QString mismatch = "Error|Password does not match with the 'Repeat Password'. Please double check the value.";
    // pw381's hash holds a 4-byte UTF-8 character, which the PASSWORD column cannot keep: it is stored
    // in the long form and opens with its password.
    QVERIFY(!HashFitsColumn(HashPassword(QStringLiteral("pw381"))));
    QTest::newRow("add: name taken in other letter case")
        << "" << "SAM" << "n" << "n" << "User Name|This user already exists in the system. Please choose some other user name."
        << before << false;
    QTest::newRow("update: another user's name in other case")
        << "sam" << "Admin" << "" << "" << "User Name|This user already exists in the system. Please choose some other."
        << before << false;
    QTest::newRow("update: own name in other letter case")
        << "sam" << "Sam" << "" << "" << "" << QStringList{before[0], "Sam|MANAGER"} << false;
    QTest::newRow("add: repeat differs in letter case") << "" << "ann" << "abc" << "ABC" << mismatch << before << false;
    QTest::newRow("add: hash the column can not hold")
        << "" << "ann" << "pw381" << "pw381" << "" << QStringList{before[0], before[1], "ann|MANAGER"} << false;
    QTest::newRow("update: both empty keep the password")
        << "sam" << "sam" << "" << "" << "" << QStringList{before[0], "sam|MANAGER"} << false;
    QTest::newRow("update: only the repeat") << "sam" << "sam" << "" << "new" << mismatch << before << false;
    QTest::newRow("update: hash the column can not hold")
        << "sam" << "sam" << "pw381" << "pw381" << "" << QStringList{before[0], "sam|MANAGER"} << false;
}

void TestManageUsers::formRules()
{
    QFETCH(QString, selected);
    QFETCH(QString, login);
    QFETCH(QString, password);
    QFETCH(QString, repeat);
    QFETCH(QString, message);
    QFETCH(QStringList, users);
    QFETCH(bool, focusPassword);
    addUser(QStringLiteral("admin"), QStringLiteral("a"), 1);
    addUser(QStringLiteral("sam"), QStringLiteral("s"), 2);

    ManageUsers dialog(nullptr);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    if (!selected.isEmpty())
        QVERIFY(selectUser(dialog, selected));
    fill(dialog, QStringLiteral("New"), QStringLiteral("User"), login, password, repeat, QStringLiteral("MANAGER"));
    click(dialog, selected.isEmpty() ? "pushButtonAdd" : "pushButtonUpdate");

    QCOMPARE(answerer->messages(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(fixture.rows(QStringLiteral("SELECT u.LOGIN_NAME, r.NAME FROM tblUsers u JOIN tblRoles r ON r.ID = u.ROLE_ID "
                                         "ORDER BY u.ID")),
             users);
    // The last user has the password typed, when it was taken, or keeps "s".
    const QString kept = message.isEmpty() && !password.isEmpty() ? password : QStringLiteral("s");
    QCOMPARE(logIn(users.last().section(QLatin1Char('|'), 0, 0).toUpper(), kept), users.last());
    if (focusPassword) {
        QCOMPARE(dialog.focusWidget(), Child<QLineEdit>(&dialog, "editPassword"));
        QCOMPARE(Child<QLineEdit>(&dialog, "editLoginName")->text(), login);
    }
}

void TestManageUsers::deleteRemovesTheAnswers_data()
{
    QTest::addColumn<int>("roleId");
    QTest::addColumn<QString>("shownRole"); // what the combo shows at the click
    QTest::newRow("former administrator") << 2 << "SALES PERSON";
    QTest::newRow("administrator shown as another role") << 1 << "MANAGER";
}

void TestManageUsers::deleteRemovesTheAnswers()
{
    QFETCH(int, roleId);
    QFETCH(QString, shownRole);
    addUser(QStringLiteral("ann"), QStringLiteral("a"), roleId);
    addUser(QStringLiteral("bob"), QStringLiteral("b"), 1);
    const QString ann = fixture.userId(QStringLiteral("ann"));
    const QString bob = fixture.userId(QStringLiteral("bob"));
    addAnswers(ann);
    addAnswers(bob);

    ManageUsers dialog(nullptr);
    dialog.show();
    QVERIFY(selectUser(dialog, QStringLiteral("ann")));
    Child<QComboBox>(&dialog, "comboRole")->setCurrentText(shownRole);
    answerer->pressButton(QMessageBox::Yes);
    click(dialog, "pushButtonDelete");

    QCOMPARE(answerer->messages(),
             (QStringList{"Delete User|Are you sure you want to remove this user from system?",
                          "Delete User|User deleted from the system."}));
    QCOMPARE(fixture.rows(QStringLiteral("SELECT LOGIN_NAME FROM tblUsers")), QStringList{"bob"});
    QCOMPARE(fixture.rows(QStringLiteral("SELECT DISTINCT USER_ID FROM tblQuestions")), QStringList{bob});
    QCOMPARE(Child<QLineEdit>(&dialog, "editLoginName")->text(), QString());
    QCOMPARE(Child<QTableView>(&dialog, "tableView")->model()->rowCount(), 1);
}

void TestManageUsers::failedWritesShowTheDriverText_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("driverText");
    QTest::newRow("add") << "pushButtonAdd" << "Error|This user can not be added to system" << "no new users";
    QTest::newRow("update") << "pushButtonUpdate" << "Update User|This user can not be updated." << "users stay";
    QTest::newRow("delete") << "pushButtonDelete" << "Delete User|This user can not be deleted from the system."
                            << "users are kept";
}

void TestManageUsers::failedWritesShowTheDriverText()
{
    QFETCH(QString, button);
    QFETCH(QString, message);
    QFETCH(QString, driverText);
    const bool add = button == QLatin1String("pushButtonAdd");
    const bool remove = button == QLatin1String("pushButtonDelete");
    addUser(QStringLiteral("ann"), QStringLiteral("a"), 2);
    addAnswers(fixture.userId(QStringLiteral("ann")));

    ManageUsers dialog(nullptr);
    dialog.show();
    const QString refused = QStringLiteral("Refused");
    if (!remove) {
        QCOMPARE(fixture.exec({QStringLiteral("CREATE TRIGGER refuse_users BEFORE %1 ON tblUsers FOR EACH ROW SIGNAL "
                                              "SQLSTATE '45000' SET MESSAGE_TEXT = '%2'")
                                   .arg(add ? QStringLiteral("INSERT") : QStringLiteral("UPDATE"), driverText)}),
                 QString());
    }
    if (remove) {
        QCOMPARE(fixture.exec({QStringLiteral("CREATE TRIGGER keep_users BEFORE DELETE ON tblUsers FOR EACH ROW "
                                              "SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'users are kept'")}),
                 QString());
        QVERIFY(selectUser(dialog, QStringLiteral("ann")));
        answerer->pressButton(QMessageBox::Yes);
    } else {
        if (!add)
            QVERIFY(selectUser(dialog, QStringLiteral("ann")));
        fill(dialog, QStringLiteral("Bob"), refused, add ? QStringLiteral("bob") : QStringLiteral("ann"),
             QStringLiteral("p"), QStringLiteral("p"), QStringLiteral("MANAGER"));
    }
    click(dialog, qPrintable(button));

    const QStringList shown = answerer->messages();
    QCOMPARE(shown.size(), remove ? 2 : 1);
    QVERIFY2(shown.last().startsWith(message), qPrintable(shown.last()));
    QVERIFY2(shown.last().contains(driverText), qPrintable(shown.last()));
    QCOMPARE(fixture.rows(QStringLiteral("SELECT FIRST_NAME, LAST_NAME, LOGIN_NAME, ROLE_ID FROM tblUsers")),
             QStringList{"F|L|ann|2"});
    QCOMPARE(logIn(QStringLiteral("ann"), QStringLiteral("a")), QStringLiteral("ann|SALES PERSON"));
    QCOMPARE(fixture.rows(QStringLiteral("SELECT COUNT(*) FROM tblQuestions")), QStringList{"3"});
    QCOMPARE(Child<QTableView>(&dialog, "tableView")->model()->rowCount(), 1);
    if (!remove) // the typed values stay to be corrected
        QCOMPARE(Child<QLineEdit>(&dialog, "editLastName")->text(), refused);
}

// First "pwN" whose stored form has exactly that many characters.
static QString passwordWithHashLength(int length)
{
    for (int i = 0; i < 100000; ++i) {
        const QString candidate = QStringLiteral("pw%1").arg(i);
        if (HashPassword(candidate).size() == length)
            return candidate;
    }
    return QString();
}

// Another "pwN" whose HashPassword text is the same; empty when none is near.
static QString sharingHash(const QString& password)
{
    for (int i = 0; i < 10000; ++i) {
        const QString candidate = QStringLiteral("pw%1").arg(i);
        if (candidate != password && HashPassword(candidate) == HashPassword(password))
            return candidate;
    }
    return QString();
}

void TestManageUsers::weakPasswordsStoredLong_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("refusal"); // empty: added
    QTest::addColumn<bool>("longForm"); // otherwise stored as its HashPassword text
    QTest::addColumn<QString>("other"); // a password with the same HashPassword text, which must not log in
    for (int length : {0, 1, 2, 3, 4}) {
        const QString weak = passwordWithHashLength(length);
        QVERIFY(!weak.isEmpty());
        QTest::addRow("hash of %d characters", length) << weak << "" << true << sharingHash(weak);
    }
    // Refused for the control character alone; the tab could not be typed at the login.
    const QString control = QStringLiteral("Password|This password can not be stored: it contains a control "
                                           "character, such as a tab, that can not be typed at the login. Please "
                                           "choose another password.");
    for (const QString& controlled : {QStringLiteral("abc") + QChar(0) + QStringLiteral("def"), QStringLiteral("pass\tword1")})
        QTest::addRow("control character %d", controlled.contains(QChar(0)) ? 0 : 9) << controlled << control << false << "";
    QTest::newRow("ordinary") << QStringLiteral("Secret1") << "" << false << "";
    QTest::newRow("c7189, c3487 typed") << "c7189" << "" << true << "c3487";
    QTest::newRow("c7189, c18602 typed") << "c7189" << "" << true << "c18602";
    QTest::newRow("c17774, c22139 typed") << "c17774" << "" << true << "c22139";
    QTest::newRow("Shop2026!, a 3-character hash") << "Shop2026!" << "" << true << "";
}

void TestManageUsers::weakPasswordsStoredLong()
{
    QFETCH(QString, password);
    QFETCH(QString, refusal);
    QFETCH(bool, longForm);
    QFETCH(QString, other);
    ManageUsers dialog(nullptr);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    fill(dialog, QStringLiteral("New"), QStringLiteral("User"), QStringLiteral("ann"), password, password,
         QStringLiteral("MANAGER"));
    click(dialog, "pushButtonAdd");
    if (!refusal.isEmpty()) {
        QCOMPARE(answerer->messages(), QStringList{refusal});
        QCOMPARE(fixture.rows(QStringLiteral("SELECT COUNT(*) FROM tblUsers WHERE LOGIN_NAME = 'ann'")),
                 QStringList{"0"});
        QCOMPARE(dialog.focusWidget(), Child<QLineEdit>(&dialog, "editPassword"));
        return;
    }
    QCOMPARE(answerer->messages(), QStringList());
    const QString stored = fixture.rows(QStringLiteral("SELECT PASSWORD FROM tblUsers WHERE LOGIN_NAME = 'ann'")).value(0);
    if (longForm)
        QCOMPARE(stored.size(), 44);
    else // byte for byte as before
        QCOMPARE(stored, HashPassword(password));
    QCOMPARE(logIn(QStringLiteral("ANN"), password), QStringLiteral("ann|MANAGER"));
    if (other.isEmpty())
        return;
    QVERIFY(other != password);
    QCOMPARE(HashPassword(other), HashPassword(password));
    QCOMPARE(logIn(QStringLiteral("ann"), other), QString());
}

void TestManageUsers::selectingUserForgetsTypedPassword()
{
    addUser(QStringLiteral("admin"), QStringLiteral("Secret1"), 1);
    addUser(QStringLiteral("sam"), QStringLiteral("s"), 2);
    ManageUsers dialog(nullptr);
    dialog.show();
    // A failed Add (the name is taken) leaves the typed password in both fields.
    fill(dialog, QStringLiteral("New"), QStringLiteral("User"), QStringLiteral("SAM"), QStringLiteral("typed1"),
         QStringLiteral("typed1"), QStringLiteral("MANAGER"));
    click(dialog, "pushButtonAdd");
    QCOMPARE(answerer->messages().size(), 1);
    answerer->clear();

    QVERIFY(selectUser(dialog, QStringLiteral("sam")));
    QCOMPARE(Child<QLineEdit>(&dialog, "editPassword")->text(), QString());
    QCOMPARE(Child<QLineEdit>(&dialog, "editRepeastPassword")->text(), QString());
    Child<QLineEdit>(&dialog, "editFirstName")->setText(QStringLiteral("Samuel"));
    click(dialog, "pushButtonUpdate");
    QCOMPARE(answerer->messages(), QStringList());
    QCOMPARE(fixture.rows(QStringLiteral("SELECT FIRST_NAME FROM tblUsers WHERE LOGIN_NAME = 'sam'")),
             QStringList{"Samuel"});
    QCOMPARE(logIn(QStringLiteral("sam"), QStringLiteral("s")), QStringLiteral("sam|SALES PERSON"));
    QCOMPARE(logIn(QStringLiteral("sam"), QStringLiteral("typed1")), QString());
}

void TestManageUsers::lastAdministratorStays_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("secondAdministrator");
    QTest::addColumn<QString>("message"); // empty: done
    const QString last = QStringLiteral(
        "|This is the last ADMINISTRATOR user. It can not be deleted or given another role: without an "
        "ADMINISTRATOR user login would be off and every user would have every right. Please add another "
        "ADMINISTRATOR user first.");
    QTest::newRow("delete the last") << "pushButtonDelete" << false << "Delete User" + last;
    QTest::newRow("demote the last") << "pushButtonUpdate" << false << "Update User" + last;
    QTest::newRow("delete one of two") << "pushButtonDelete" << true << "Delete User|User deleted from the system.";
    QTest::newRow("demote one of two") << "pushButtonUpdate" << true << "";
}

void TestManageUsers::lastAdministratorStays()
{
    QFETCH(QString, button);
    QFETCH(bool, secondAdministrator);
    QFETCH(QString, message);
    const bool remove = button == QLatin1String("pushButtonDelete");
    addUser(QStringLiteral("boss"), QStringLiteral("Secret1"), 1);
    addUser(QStringLiteral("sam"), QStringLiteral("s"), 2);
    if (secondAdministrator)
        addUser(QStringLiteral("deputy"), QStringLiteral("Secret2"), 1);

    ManageUsers dialog(nullptr);
    dialog.show();
    QVERIFY(selectUser(dialog, QStringLiteral("boss")));
    if (remove)
        answerer->pressButton(QMessageBox::Yes);
    else
        Child<QComboBox>(&dialog, "comboRole")->setCurrentText(QStringLiteral("MANAGER"));
    click(dialog, qPrintable(button));

    QStringList expected;
    if (remove)
        expected << QStringLiteral("Delete User|Are you sure you want to remove this user from system?");
    if (!message.isEmpty())
        expected << message;
    QCOMPARE(answerer->messages(), expected);
    const QString boss = fixture.rows(QStringLiteral("SELECT r.NAME FROM tblUsers u JOIN tblRoles r ON r.ID = u.ROLE_ID "
                                                     "WHERE u.LOGIN_NAME = 'boss'"))
                             .join(QString());
    if (secondAdministrator)
        QCOMPARE(boss, remove ? QString() : QStringLiteral("MANAGER"));
    else
        QCOMPARE(boss, QStringLiteral("ADMINISTRATOR"));
}

void TestManageUsers::failedCommitIsNotReportedAsDone()
{
    addUser(QStringLiteral("ann"), QStringLiteral("a"), 2);
    DatabaseManager* manager = DatabaseManager::Instance();
    QSqlDatabase* db = manager->InventoryDatabase();
    QSqlQuery* query = manager->InventoryQuery();
    QVERIFY(query->exec(QStringLiteral("SELECT CONNECTION_ID()")) && query->next());
    const QString id = query->value(0).toString();
    QWidget parent;
    QVERIFY(BeginTransaction(db, &parent, QStringLiteral("Delete User"), QStringLiteral("not deleted")));
    query = manager->InventoryQuery();
    QVERIFY(query->exec(QStringLiteral("DELETE FROM tblUsers WHERE LOGIN_NAME = 'ann'")));
    // The server goes away before the commit.
    QCOMPARE(TestDatabase::exec(QString(), {QStringLiteral("KILL %1").arg(id)}), QString());
    QVERIFY(!EndTransaction(db, true, *query, &parent, QStringLiteral("Delete User"), QStringLiteral("not deleted")));
    const QStringList shown = answerer->messages();
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown.first().startsWith(QLatin1String("Delete User|not deleted")), qPrintable(shown.first()));
    QCOMPARE(fixture.rows(QStringLiteral("SELECT LOGIN_NAME FROM tblUsers")), QStringList{"ann"});
}

void TestManageUsers::usersThatCanNotBeReadAreSaidSo()
{
    addUser(QStringLiteral("ann"), QStringLiteral("a"), 2);
    QCOMPARE(fixture.exec({QStringLiteral("RENAME TABLE tblRoles TO tblRolesAway")}), QString());
    const auto restore = qScopeGuard([this] { fixture.exec({QStringLiteral("RENAME TABLE tblRolesAway TO tblRoles")}); });
    ManageUsers dialog(nullptr);
    const QStringList shown = answerer->messages();
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown.first().startsWith(QLatin1String("Users|The users can not be read.")), qPrintable(shown.first()));
}

// The users list refused once the dialog has its columns (read again after the roles dialog): the server's words.
void TestManageUsers::refusedReadGivesTheServersReason()
{
    ManageUsers dialog(nullptr);
    QCOMPARE(fixture.exec({QStringLiteral("RENAME TABLE tblUsers TO tblUsersAway")}), QString());
    const auto restore = qScopeGuard([this] { fixture.exec({QStringLiteral("RENAME TABLE tblUsersAway TO tblUsers")}); });
    Child<QPushButton>(&dialog, "pushRolesManagement")->click();
    const QStringList shown = answerer->messages();
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown.first().startsWith(QLatin1String("Users|The users can not be read.")), qPrintable(shown.first()));
    QVERIFY2(shown.first().contains(QLatin1String("tblUsers' doesn't exist")), qPrintable(shown.first()));
}

void TestManageUsers::namesKeptToTheirColumns_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message"); // empty: stored as the field holds it
    QTest::addColumn<QString>("stored");
    const QString emoji = QStringLiteral("Ann \U0001F600");
    const QString tail = QStringLiteral("' can not hold characters such as emoji. Please remove them.");
    QTest::newRow("add: emoji in the first name") << "pushButtonAdd" << "editFirstName" << emoji
                                                  << "Error|The field 'First Name" + tail << "";
    QTest::newRow("update: emoji in the login name") << "pushButtonUpdate" << "editLoginName" << emoji
                                                     << "Update User|The field 'Login Name" + tail << "";
    QTest::newRow("add: 54 characters of last name") << "pushButtonAdd" << "editLastName" << QString(54, QLatin1Char('L'))
                                                     << "" << QString(50, QLatin1Char('L'));
    QTest::newRow("update: Greek last name") << "pushButtonUpdate" << "editLastName" << QStringLiteral("Ζωή") << ""
                                             << QStringLiteral("Ζωή");
}

void TestManageUsers::namesKeptToTheirColumns()
{
    QFETCH(QString, button);
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(QString, stored);
    const bool add = button == QLatin1String("pushButtonAdd");
    addUser(QStringLiteral("admin"), QStringLiteral("Secret1"), 1);
    addUser(QStringLiteral("ann"), QStringLiteral("Secret2"), 2);
    ManageUsers dialog(nullptr);
    dialog.show();
    if (!add)
        QVERIFY(selectUser(dialog, QStringLiteral("ann")));
    fill(dialog, QStringLiteral("New"), QStringLiteral("User"), add ? QStringLiteral("bob") : QStringLiteral("ann"),
         add ? QStringLiteral("Secret3") : QString(), add ? QStringLiteral("Secret3") : QString(),
         QStringLiteral("SALES PERSON"));
    Child<QLineEdit>(&dialog, qPrintable(field))->setText(typed);
    click(dialog, qPrintable(button));

    if (!message.isEmpty()) {
        // Refused before any statement, and the cursor waits in the field.
        QCOMPARE(answerer->messages(), QStringList{message});
        QCOMPARE(fixture.rows(QStringLiteral("SELECT FIRST_NAME, LOGIN_NAME FROM tblUsers ORDER BY ID")),
                 (QStringList{"F|admin", "F|ann"}));
        QCOMPARE(dialog.focusWidget(), Child<QLineEdit>(&dialog, qPrintable(field)));
        return;
    }
    QVERIFY2(answerer->messages().isEmpty(), qPrintable(answerer->messages().join(QLatin1Char('\n'))));
    QCOMPARE(fixture.rows(QStringLiteral("SELECT LAST_NAME FROM tblUsers WHERE LOGIN_NAME = '%1'")
                              .arg(add ? QStringLiteral("bob") : QStringLiteral("ann"))),
             QStringList{stored});
}

VORANTEL_TEST_MAIN(TestManageUsers)
#include "tst_manageusers.moc"
