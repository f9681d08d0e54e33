#include "databasemanager.h"
#include "inventoryfixture.h"
#include "manageroles.h"
#include "manageusers.h"
#include "modalanswerer.h"
#include "securityquestions.h"
#include "storedhash.h"
#include "testdatabase.h"
#include "testsupport.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

// The users dialog against a real inventory database: names and hashes that need bound
// values, the password rules, deleting with the security answers, and the reporting of
// failed statements.
class TestManageUsers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void addedUsersLogInAndUpdate_data();
    void addedUsersLogInAndUpdate();
    void unstorablePasswordIsRefused_data();
    void unstorablePasswordIsRefused();
    void loginNames_data();
    void loginNames();
    void passwords_data();
    void passwords();
    void requiredFields_data();
    void requiredFields();
    void selectingLoadsTheUser();
    void updateWithoutSelectionShowsTheNotice();
    void administratorGetsThePasswordNote();
    void deleteRemovesTheAnswers_data();
    void deleteRemovesTheAnswers();
    void deleteAnsweredNo();
    void failedDeleteKeepsUserAndAnswers();
    void failedWritesShowTheDriverText_data();
    void failedWritesShowTheDriverText();
    void recoveryQuestions_data();
    void recoveryQuestions();
    void rolesDialogReloadsTheRoles();

private:
    template<typename T> static T* child(QWidget* w, const char* name)
    {
        T* c = w->findChild<T*>(QString::fromLatin1(name));
        if (!c)
            qWarning() << "missing" << name;
        return c;
    }
    static QString findPassword(const QString& mustContain);
    static void fill(ManageUsers& dialog, const QString& first, const QString& last, const QString& login,
                     const QString& password, const QString& repeat, const QString& role);
    static bool selectUser(ManageUsers& dialog, const QString& login);
    static void click(ManageUsers& dialog, const char* button) { child<QPushButton>(&dialog, button)->click(); }
    void addUser(const QString& first, const QString& last, const QString& login, const QString& password, int roleId);
    // The login statement: name in any letter case, the hash exactly. Returns "LOGIN_NAME|role" or empty.
    QString logIn(const QString& typedName, const QString& password) const;
    QString storedHash(const QString& login) const;
    void addAnswers(const QString& userId);

    InventoryFixture fixture;
    ModalAnswerer* answerer = nullptr;
};

static const QString ADMINISTRATOR = QStringLiteral("ADMINISTRATOR");
static const QString PASSWORD_NOTE = QStringLiteral(
    "Password|Please make a note of your password. In the next \n LOGIN session you would need to enter this password. "
    "Please also set password recovery questions and \nanswers for this user.");

void TestManageUsers::initTestCase()
{
    REQUIRE_TEST_SERVER();
    TestSupport::ClearSettings();
    answerer = new ModalAnswerer(this);
    const QString error = fixture.create();
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void TestManageUsers::init()
{
    const QString error = fixture.reset();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    answerer->clear();
}

void TestManageUsers::cleanup()
{
    QVERIFY2(answerer->failures.isEmpty(), qPrintable(answerer->failures.join(QLatin1Char('\n'))));
    QCOMPARE(answerer->pendingAnswers(), 0);
}

void TestManageUsers::cleanupTestCase()
{
    fixture.drop();
}

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
    child<QLineEdit>(&dialog, "editFirstName")->setText(first);
    child<QLineEdit>(&dialog, "editLastName")->setText(last);
    child<QLineEdit>(&dialog, "editLoginName")->setText(login);
    child<QLineEdit>(&dialog, "editPassword")->setText(password);
    child<QLineEdit>(&dialog, "editRepeastPassword")->setText(repeat);
    auto* combo = child<QComboBox>(&dialog, "comboRole");
    combo->setCurrentIndex(combo->findText(role));
}

bool TestManageUsers::selectUser(ManageUsers& dialog, const QString& login)
{
    auto* view = child<QTableView>(&dialog, "tableView");
    QAbstractItemModel* model = view->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->index(row, 3).data().toString() == login) {
            view->setCurrentIndex(model->index(row, 1));
            return true;
        }
    }
    return false;
}

void TestManageUsers::addUser(const QString& first, const QString& last, const QString& login, const QString& password,
                              int roleId)
{
    QSqlQuery insert(*DatabaseManager::Instance()->InventoryDatabase());
    insert.prepare(QStringLiteral("INSERT INTO tblUsers (FIRST_NAME, LAST_NAME, LOGIN_NAME, PASSWORD, ROLE_ID) "
                                  "VALUES (:f, :l, :n, :p, :r)"));
    insert.bindValue(QStringLiteral(":f"), first);
    insert.bindValue(QStringLiteral(":l"), last);
    insert.bindValue(QStringLiteral(":n"), login);
    insert.bindValue(QStringLiteral(":p"), HashPassword(password));
    insert.bindValue(QStringLiteral(":r"), roleId);
    QVERIFY_SQL(insert, exec());
}

QString TestManageUsers::logIn(const QString& typedName, const QString& password) const
{
    QSqlDatabase db = TestDatabase::connect(QStringLiteral("login_") + fixture.name(), fixture.name());
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT u.ID, u.FIRST_NAME, u.LAST_NAME, u.LOGIN_NAME, u.PASSWORD, r.NAME, u.ROLE_ID "
                                 "FROM tblUsers as u, tblRoles as r WHERE UPPER(LOGIN_NAME) = :login AND PASSWORD = "
                                 ":password AND u.ROLE_ID = r.ID"));
    query.bindValue(QStringLiteral(":login"), typedName.toUpper());
    query.bindValue(QStringLiteral(":password"), HashPassword(password));
    if (!query.exec())
        return QStringLiteral("ERROR ") + query.lastError().text();
    if (!query.next())
        return QString();
    // The collation would also let a hash in other letter case through: the stored text must be the hash itself.
    if (query.value(4).toString() != HashPassword(password))
        return QStringLiteral("hash differs");
    return query.value(3).toString() + QLatin1Char('|') + query.value(5).toString();
}

QString TestManageUsers::storedHash(const QString& login) const
{
    QSqlDatabase db = TestDatabase::connect(QStringLiteral("login_") + fixture.name(), fixture.name());
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT PASSWORD FROM tblUsers WHERE LOGIN_NAME = :login"));
    query.bindValue(QStringLiteral(":login"), login);
    if (!query.exec() || !query.next())
        return QStringLiteral("no row");
    return query.value(0).toString();
}

void TestManageUsers::addAnswers(const QString& userId)
{
    const QString error =
        fixture.exec({QStringLiteral("INSERT INTO tblQuestions (USER_ID, QUESTION_ID, ANSWER) VALUES (%1, 0, 'a'), "
                                     "(%1, 1, 'b'), (%1, 2, 'c')")
                           .arg(userId.toInt())});
    QVERIFY2(error.isEmpty(), qPrintable(error));
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
    QTest::newRow("backslash before quote in the name") << "x\\' OR '1'='1" << quote << backslash << "SALES PERSON";
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
    QCOMPARE(storedHash(login), HashPassword(password));
    QCOMPARE(logIn(login.toLower(), password), login + QLatin1Char('|') + role);
    QCOMPARE(logIn(login, password + QLatin1Char('x')), QString());
    // The form is ready for the next user.
    QCOMPARE(child<QLineEdit>(&dialog, "editLoginName")->text(), QString());
    QCOMPARE(child<QComboBox>(&dialog, "comboRole")->currentIndex(), -1);

    QVERIFY(selectUser(dialog, login));
    child<QLineEdit>(&dialog, "editFirstName")->setText(QStringLiteral("Changed"));
    child<QLineEdit>(&dialog, "editPassword")->setText(newPassword);
    child<QLineEdit>(&dialog, "editRepeastPassword")->setText(newPassword);
    child<QComboBox>(&dialog, "comboRole")->setCurrentText(QStringLiteral("PURCHASE MANAGER"));
    click(dialog, "pushButtonUpdate");
    QCOMPARE(answerer->messages(), QStringList());

    QCOMPARE(fixture.rows(QStringLiteral("SELECT FIRST_NAME, LAST_NAME, LOGIN_NAME, ROLE_ID FROM tblUsers")),
             QStringList{QStringLiteral("Changed|O'Neil|") + login + QStringLiteral("|3")});
    QCOMPARE(storedHash(login), HashPassword(newPassword));
    QCOMPARE(logIn(login.toUpper(), newPassword), login + QStringLiteral("|PURCHASE MANAGER"));
    QCOMPARE(logIn(login, password), QString());
}

void TestManageUsers::unstorablePasswordIsRefused_data()
{
    QTest::addColumn<bool>("update");
    QTest::newRow("add") << false;
    QTest::newRow("update") << true;
}

void TestManageUsers::unstorablePasswordIsRefused()
{
    QFETCH(bool, update);
    // Its hash holds a 4-byte UTF-8 character, which the PASSWORD column cannot keep.
    const QString password = QStringLiteral("pw381");
    QVERIFY(!HashFitsColumn(HashPassword(password)));
    if (update)
        addUser(QStringLiteral("Ann"), QStringLiteral("Lee"), QStringLiteral("ann"), QStringLiteral("old"), 2);

    ManageUsers dialog(nullptr);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    if (update)
        QVERIFY(selectUser(dialog, QStringLiteral("ann")));
    fill(dialog, QStringLiteral("Ann"), QStringLiteral("Lee"), QStringLiteral("ann"), password, password,
         ADMINISTRATOR);
    click(dialog, update ? "pushButtonUpdate" : "pushButtonAdd");

    QCOMPARE(answerer->messages(),
             QStringList{QStringLiteral("Password|This password can not be stored. Please choose another password.")});
    QCOMPARE(dialog.focusWidget(), child<QLineEdit>(&dialog, "editPassword"));
    if (update) {
        QCOMPARE(storedHash(QStringLiteral("ann")), HashPassword(QStringLiteral("old")));
        QCOMPARE(fixture.rows(QStringLiteral("SELECT ROLE_ID FROM tblUsers")), QStringList{"2"});
    } else {
        QCOMPARE(fixture.rows(QStringLiteral("SELECT LOGIN_NAME FROM tblUsers")), QStringList());
    }
    // The fields stay for another password.
    QCOMPARE(child<QLineEdit>(&dialog, "editLoginName")->text(), QStringLiteral("ann"));
}

void TestManageUsers::loginNames_data()
{
    QTest::addColumn<QString>("selected"); // empty: add
    QTest::addColumn<QString>("login");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("stored");
    const QStringList before{"admin", "sam"};
    QTest::newRow("add: taken in other letter case")
        << "" << "SAM"
        << QStringList{"User Name|This user already exists in the system. Please choose some other user name."}
        << before;
    QTest::newRow("add: new name") << "" << "Sammy" << QStringList() << QStringList{"admin", "sam", "Sammy"};
    QTest::newRow("update: another user's name in other case")
        << "sam" << "Admin" << QStringList{"User Name|This user already exists in the system. Please choose some other."}
        << before;
    QTest::newRow("update: own name in other letter case") << "sam" << "Sam" << QStringList() << QStringList{"admin", "Sam"};
    QTest::newRow("update: new name") << "sam" << "samuel" << QStringList() << QStringList{"admin", "samuel"};
}

void TestManageUsers::loginNames()
{
    QFETCH(QString, selected);
    QFETCH(QString, login);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, stored);
    addUser(QStringLiteral("Ada"), QStringLiteral("Admin"), QStringLiteral("admin"), QStringLiteral("a"), 1);
    addUser(QStringLiteral("Sam"), QStringLiteral("Seller"), QStringLiteral("sam"), QStringLiteral("s"), 2);

    ManageUsers dialog(nullptr);
    dialog.show();
    if (!selected.isEmpty()) {
        QVERIFY(selectUser(dialog, selected));
        child<QLineEdit>(&dialog, "editLoginName")->setText(login);
        click(dialog, "pushButtonUpdate");
    } else {
        fill(dialog, QStringLiteral("New"), QStringLiteral("User"), login, QStringLiteral("n"), QStringLiteral("n"),
             QStringLiteral("MANAGER"));
        click(dialog, "pushButtonAdd");
    }
    QCOMPARE(answerer->messages(), messages);
    QCOMPARE(fixture.rows(QStringLiteral("SELECT LOGIN_NAME FROM tblUsers ORDER BY ID")), stored);
    // A renamed user keeps the password.
    if (!selected.isEmpty() && messages.isEmpty())
        QCOMPARE(logIn(login, QStringLiteral("s")), login + QStringLiteral("|SALES PERSON"));
}

void TestManageUsers::passwords_data()
{
    QTest::addColumn<bool>("update");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("repeat");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("logsInWith"); // empty: nothing added or changed
    const QStringList mismatch{
        "Error|Password does not match with the 'Repeat Password'. Please double check the value."};
    QTest::newRow("add: repeat differs") << false << "abc" << "abd" << mismatch << "";
    QTest::newRow("add: repeat differs in letter case") << false << "abc" << "ABC" << mismatch << "";
    QTest::newRow("add: repeat empty") << false << "abc" << "" << mismatch << "";
    QTest::newRow("update: both empty keep the password") << true << "" << "" << QStringList() << "old";
    QTest::newRow("update: only the repeat") << true << "" << "new" << mismatch << "old";
    QTest::newRow("update: repeat differs") << true << "new" << "new " << mismatch << "old";
    QTest::newRow("update: blank password is a password") << true << " " << " " << QStringList() << " ";
}

void TestManageUsers::passwords()
{
    QFETCH(bool, update);
    QFETCH(QString, password);
    QFETCH(QString, repeat);
    QFETCH(QStringList, messages);
    QFETCH(QString, logsInWith);
    if (update)
        addUser(QStringLiteral("Ann"), QStringLiteral("Lee"), QStringLiteral("ann"), QStringLiteral("old"), 2);

    ManageUsers dialog(nullptr);
    dialog.show();
    if (update)
        QVERIFY(selectUser(dialog, QStringLiteral("ann")));
    fill(dialog, QStringLiteral("Ann"), QStringLiteral("Lee"), QStringLiteral("ann"), password, repeat,
         QStringLiteral("SALES PERSON"));
    click(dialog, update ? "pushButtonUpdate" : "pushButtonAdd");

    QCOMPARE(answerer->messages(), messages);
    if (logsInWith.isEmpty())
        QCOMPARE(fixture.rows(QStringLiteral("SELECT LOGIN_NAME FROM tblUsers")), QStringList());
    else
        QCOMPARE(logIn(QStringLiteral("ANN"), logsInWith), QStringLiteral("ann|SALES PERSON"));
}

void TestManageUsers::requiredFields_data()
{
    QTest::addColumn<bool>("update");
    QTest::addColumn<int>("empty"); // 0 first, 1 last, 2 login, 3 password, 4 role
    QTest::addColumn<QString>("focus");
    const QStringList addMessage{"Error|No data provided. Please enter valid data."};
    QTest::newRow("add: first name") << false << 0 << "editFirstName";
    QTest::newRow("add: last name") << false << 1 << "editLastName";
    QTest::newRow("add: login name") << false << 2 << "editLoginName";
    QTest::newRow("add: password") << false << 3 << "editPassword";
    QTest::newRow("add: role") << false << 4 << "comboRole";
    QTest::newRow("update: login name") << true << 2 << "editLoginName";
    QTest::newRow("update: role") << true << 4 << "comboRole";
}

void TestManageUsers::requiredFields()
{
    QFETCH(bool, update);
    QFETCH(int, empty);
    QFETCH(QString, focus);
    addUser(QStringLiteral("Ann"), QStringLiteral("Lee"), QStringLiteral("ann"), QStringLiteral("old"), 2);

    ManageUsers dialog(nullptr);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    if (update)
        QVERIFY(selectUser(dialog, QStringLiteral("ann")));
    QStringList values{"Bob", "Day", "bob", "pw", "MANAGER"};
    values[empty].clear();
    fill(dialog, values[0], values[1], values[2], values[3], values[3], values[4]);
    click(dialog, update ? "pushButtonUpdate" : "pushButtonAdd");

    QCOMPARE(answerer->messages(),
             QStringList{update ? QStringLiteral("Error|No data provided. Please enter valid data. If you do not want "
                                                 "to change the password, please leave it empty.")
                                : QStringLiteral("Error|No data provided. Please enter valid data.")});
    QCOMPARE(dialog.focusWidget()->objectName(), focus);
    QCOMPARE(fixture.rows(QStringLiteral("SELECT LOGIN_NAME, ROLE_ID FROM tblUsers")), QStringList{"ann|2"});
}

void TestManageUsers::selectingLoadsTheUser()
{
    addUser(QStringLiteral("Ann"), QStringLiteral("Lee"), QStringLiteral("ann"), QStringLiteral("old"), 3);
    ManageUsers dialog(nullptr);
    dialog.show();
    auto* view = child<QTableView>(&dialog, "tableView");
    QVERIFY(view->isColumnHidden(0));
    QVERIFY(view->isColumnHidden(4));
    QCOMPARE(view->model()->index(0, 5).data().toString(), QStringLiteral("PURCHASE MANAGER"));
    QCOMPARE(child<QComboBox>(&dialog, "comboRole")->currentIndex(), -1);
    QCOMPARE(child<QComboBox>(&dialog, "comboRole")->count(), 5);
    QVERIFY(!child<QPushButton>(&dialog, "pushButtonUpdate")->isEnabled());
    QVERIFY(!child<QPushButton>(&dialog, "pushButtonDelete")->isEnabled());

    child<QLineEdit>(&dialog, "editPassword")->setText(QStringLiteral("typed"));
    QVERIFY(selectUser(dialog, QStringLiteral("ann")));
    QCOMPARE(child<QLineEdit>(&dialog, "editFirstName")->text(), QStringLiteral("Ann"));
    QCOMPARE(child<QLineEdit>(&dialog, "editLastName")->text(), QStringLiteral("Lee"));
    QCOMPARE(child<QLineEdit>(&dialog, "editLoginName")->text(), QStringLiteral("ann"));
    QCOMPARE(child<QComboBox>(&dialog, "comboRole")->currentText(), QStringLiteral("PURCHASE MANAGER"));
    QCOMPARE(child<QLineEdit>(&dialog, "editPassword")->text(), QStringLiteral("typed"));
    QVERIFY(child<QPushButton>(&dialog, "pushButtonUpdate")->isEnabled());
    QVERIFY(child<QPushButton>(&dialog, "pushButtonDelete")->isEnabled());
}

void TestManageUsers::updateWithoutSelectionShowsTheNotice()
{
    addUser(QStringLiteral("Ann"), QStringLiteral("Lee"), QStringLiteral("ann"), QStringLiteral("old"), 2);
    ManageUsers dialog(nullptr);
    dialog.show();
    // An update reloads the table: no row is current, and the buttons stay enabled.
    QVERIFY(selectUser(dialog, QStringLiteral("ann")));
    click(dialog, "pushButtonUpdate");
    QVERIFY(!child<QTableView>(&dialog, "tableView")->currentIndex().isValid());
    QVERIFY(child<QPushButton>(&dialog, "pushButtonUpdate")->isEnabled());
    QCOMPARE(answerer->seen.size(), 0);

    fill(dialog, QStringLiteral("Ann"), QStringLiteral("Lee"), QStringLiteral("ann"), QString(), QString(),
         QStringLiteral("MANAGER"));
    click(dialog, "pushButtonUpdate");
    QCOMPARE(answerer->seen.size(), 1);
    QCOMPARE(answerer->seen.first().className, QStringLiteral("ErrorDialog"));
    QCOMPARE(answerer->seen.first().title, QStringLiteral("Update User"));
    QCOMPARE(fixture.rows(QStringLiteral("SELECT ROLE_ID FROM tblUsers")), QStringList{"2"});
}

void TestManageUsers::administratorGetsThePasswordNote()
{
    addUser(QStringLiteral("Ann"), QStringLiteral("Lee"), QStringLiteral("ann"), QStringLiteral("old"), 1);
    ManageUsers dialog(nullptr);
    dialog.show();
    // On every update of a user shown as administrator, a new password or not.
    QVERIFY(selectUser(dialog, QStringLiteral("ann")));
    click(dialog, "pushButtonUpdate");
    QCOMPARE(answerer->messages(), QStringList{PASSWORD_NOTE});
    QCOMPARE(logIn(QStringLiteral("ann"), QStringLiteral("old")), QStringLiteral("ann|ADMINISTRATOR"));
    answerer->clear();

    // On add, before the insert, so also when it then fails.
    fill(dialog, QString(51, QLatin1Char('F')), QStringLiteral("Lee"), QStringLiteral("bob"), QStringLiteral("p"),
         QStringLiteral("p"), ADMINISTRATOR);
    click(dialog, "pushButtonAdd");
    QCOMPARE(answerer->messages().size(), 2);
    QCOMPARE(answerer->messages().first(), PASSWORD_NOTE);
    QVERIFY(answerer->messages().last().startsWith(QStringLiteral("Error|This user can not be added to system")));
}

void TestManageUsers::deleteRemovesTheAnswers_data()
{
    QTest::addColumn<int>("roleId");
    QTest::addColumn<QString>("shownRole"); // what the combo shows at the click
    QTest::newRow("administrator") << 1 << ADMINISTRATOR;
    QTest::newRow("former administrator") << 2 << "SALES PERSON";
    QTest::newRow("administrator shown as another role") << 1 << "MANAGER";
}

void TestManageUsers::deleteRemovesTheAnswers()
{
    QFETCH(int, roleId);
    QFETCH(QString, shownRole);
    addUser(QStringLiteral("Ann"), QStringLiteral("Lee"), QStringLiteral("ann"), QStringLiteral("a"), roleId);
    addUser(QStringLiteral("Bob"), QStringLiteral("Day"), QStringLiteral("bob"), QStringLiteral("b"), 1);
    const QString ann = fixture.userId(QStringLiteral("ann"));
    const QString bob = fixture.userId(QStringLiteral("bob"));
    addAnswers(ann);
    addAnswers(bob);

    ManageUsers dialog(nullptr);
    dialog.show();
    QVERIFY(selectUser(dialog, QStringLiteral("ann")));
    child<QComboBox>(&dialog, "comboRole")->setCurrentText(shownRole);
    answerer->pressButton(QMessageBox::Yes);
    click(dialog, "pushButtonDelete");

    QCOMPARE(answerer->messages(),
             (QStringList{"Delete User|Are you sure you want to remove this user from system?",
                          "Delete User|User deleted from the system."}));
    QCOMPARE(fixture.rows(QStringLiteral("SELECT LOGIN_NAME FROM tblUsers")), QStringList{"bob"});
    QCOMPARE(fixture.rows(QStringLiteral("SELECT DISTINCT USER_ID FROM tblQuestions")), QStringList{bob});
    QCOMPARE(child<QLineEdit>(&dialog, "editLoginName")->text(), QString());
    QCOMPARE(child<QTableView>(&dialog, "tableView")->model()->rowCount(), 1);
}

void TestManageUsers::deleteAnsweredNo()
{
    addUser(QStringLiteral("Ann"), QStringLiteral("Lee"), QStringLiteral("ann"), QStringLiteral("a"), 1);
    addAnswers(fixture.userId(QStringLiteral("ann")));
    ManageUsers dialog(nullptr);
    dialog.show();
    QVERIFY(selectUser(dialog, QStringLiteral("ann")));
    answerer->pressButton(QMessageBox::No);
    click(dialog, "pushButtonDelete");
    QCOMPARE(answerer->messages(),
             QStringList{"Delete User|Are you sure you want to remove this user from system?"});
    QCOMPARE(fixture.rows(QStringLiteral("SELECT COUNT(*) FROM tblQuestions")), QStringList{"3"});
    QCOMPARE(fixture.rows(QStringLiteral("SELECT LOGIN_NAME FROM tblUsers")), QStringList{"ann"});
}

void TestManageUsers::failedDeleteKeepsUserAndAnswers()
{
    addUser(QStringLiteral("Ann"), QStringLiteral("Lee"), QStringLiteral("ann"), QStringLiteral("a"), 1);
    addAnswers(fixture.userId(QStringLiteral("ann")));
    const QString error = fixture.exec({QStringLiteral("CREATE TRIGGER keep_users BEFORE DELETE ON tblUsers FOR EACH "
                                                       "ROW SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'users are kept'")});
    QVERIFY2(error.isEmpty(), qPrintable(error));

    ManageUsers dialog(nullptr);
    dialog.show();
    QVERIFY(selectUser(dialog, QStringLiteral("ann")));
    answerer->pressButton(QMessageBox::Yes);
    click(dialog, "pushButtonDelete");

    QCOMPARE(answerer->messages().size(), 2);
    const QString shown = answerer->messages().last();
    QVERIFY2(shown.startsWith(QStringLiteral("Delete User|This user can not be deleted from the system.")),
             qPrintable(shown));
    QVERIFY2(shown.contains(QStringLiteral("users are kept")), qPrintable(shown));
    QCOMPARE(fixture.rows(QStringLiteral("SELECT LOGIN_NAME FROM tblUsers")), QStringList{"ann"});
    QCOMPARE(fixture.rows(QStringLiteral("SELECT COUNT(*) FROM tblQuestions")), QStringList{"3"});
    QCOMPARE(child<QTableView>(&dialog, "tableView")->model()->rowCount(), 1);
}

void TestManageUsers::failedWritesShowTheDriverText_data()
{
    QTest::addColumn<bool>("update");
    QTest::addColumn<QString>("message");
    QTest::newRow("add") << false << "Error|This user can not be added to system";
    QTest::newRow("update") << true << "Update User|This user can not be updated.";
}

void TestManageUsers::failedWritesShowTheDriverText()
{
    QFETCH(bool, update);
    QFETCH(QString, message);
    addUser(QStringLiteral("Ann"), QStringLiteral("Lee"), QStringLiteral("ann"), QStringLiteral("a"), 2);

    ManageUsers dialog(nullptr);
    dialog.show();
    if (update)
        QVERIFY(selectUser(dialog, QStringLiteral("ann")));
    const QString tooLong(51, QLatin1Char('L')); // LAST_NAME holds 50 characters
    fill(dialog, QStringLiteral("Bob"), tooLong, update ? QStringLiteral("ann") : QStringLiteral("bob"),
         QStringLiteral("p"), QStringLiteral("p"), QStringLiteral("MANAGER"));
    click(dialog, update ? "pushButtonUpdate" : "pushButtonAdd");

    QCOMPARE(answerer->messages().size(), 1);
    const QString shown = answerer->messages().first();
    QVERIFY2(shown.startsWith(message), qPrintable(shown));
    QVERIFY2(shown.contains(QStringLiteral("Data too long")), qPrintable(shown));
    QCOMPARE(fixture.rows(QStringLiteral("SELECT FIRST_NAME, LAST_NAME, LOGIN_NAME, ROLE_ID FROM tblUsers")),
             QStringList{"Ann|Lee|ann|2"});
    QCOMPARE(storedHash(QStringLiteral("ann")), HashPassword(QStringLiteral("a")));
    // The typed values stay to be corrected.
    QCOMPARE(child<QLineEdit>(&dialog, "editLastName")->text(), tooLong);
}

void TestManageUsers::recoveryQuestions_data()
{
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("shownRole");
    QTest::addColumn<bool>("opens");
    QTest::newRow("administrator") << "O'Brien" << ADMINISTRATOR << true;
    QTest::newRow("other role") << "sam" << "SALES PERSON" << false;
    QTest::newRow("nobody selected") << "" << ADMINISTRATOR << false;
}

void TestManageUsers::recoveryQuestions()
{
    QFETCH(QString, selected);
    QFETCH(QString, shownRole);
    QFETCH(bool, opens);
    addUser(QStringLiteral("Ann"), QStringLiteral("Lee"), QStringLiteral("O'Brien"), QStringLiteral("a"), 1);
    addUser(QStringLiteral("Sam"), QStringLiteral("Seller"), QStringLiteral("sam"), QStringLiteral("s"), 2);

    ManageUsers dialog(nullptr);
    dialog.show();
    if (!selected.isEmpty())
        QVERIFY(selectUser(dialog, selected));
    child<QComboBox>(&dialog, "comboRole")->setCurrentText(shownRole);

    QString shownName;
    bool saveMode = false;
    if (opens) {
        answerer->handle([&](QWidget* w) {
            auto* questions = qobject_cast<SecurityQuestions*>(w);
            if (!questions)
                return false;
            shownName = questions->findChild<QLabel*>(QStringLiteral("labelUserName"))->text();
            saveMode = !questions->verifyMode
                       && questions->findChild<QPushButton*>(QStringLiteral("pushSave"))->text() == QLatin1String("Save");
            questions->findChild<QPushButton*>(QStringLiteral("pushClose"))->click();
            return true;
        });
    }
    click(dialog, "pushPasswordRecovery");

    if (opens) {
        QCOMPARE(shownName, selected);
        QVERIFY(saveMode);
        QCOMPARE(answerer->messages(), QStringList());
    } else {
        QCOMPARE(answerer->messages(),
                 QStringList{QStringLiteral(
                     "Recovery Questions|Please select the user first from the above table. The  user must be of "
                     "ADMINISTRATOR type. You can set recovery questions only for ADMINISTRATOR type user, While "
                     "ADMINISTRATOR type user can set password for all other users.")});
    }
}

void TestManageUsers::rolesDialogReloadsTheRoles()
{
    addUser(QStringLiteral("Ann"), QStringLiteral("Lee"), QStringLiteral("ann"), QStringLiteral("a"), 4);
    ManageUsers dialog(nullptr);
    dialog.show();
    QVERIFY(selectUser(dialog, QStringLiteral("ann")));

    // Renamed and added while the roles dialog is open.
    answerer->handle([this](QWidget* w) {
        if (!qobject_cast<ManageRoles*>(w))
            return false;
        const QString error = fixture.exec({QStringLiteral("UPDATE tblRoles SET NAME = 'STORE MANAGER' WHERE ID = 4"),
                                            QStringLiteral("INSERT INTO tblRoles (NAME) VALUES ('CASHIER')")});
        qobject_cast<QDialog*>(w)->reject();
        return error.isEmpty();
    });
    click(dialog, "pushRolesManagement");

    auto* combo = child<QComboBox>(&dialog, "comboRole");
    QCOMPARE(combo->currentIndex(), -1);
    QVERIFY(combo->findText(QStringLiteral("STORE MANAGER")) >= 0);
    QCOMPARE(child<QLineEdit>(&dialog, "editLoginName")->text(), QString());
    QCOMPARE(child<QTableView>(&dialog, "tableView")->model()->index(0, 5).data().toString(),
             QStringLiteral("STORE MANAGER"));

    // The new role can be given at once.
    QVERIFY(selectUser(dialog, QStringLiteral("ann")));
    combo->setCurrentText(QStringLiteral("CASHIER"));
    QCOMPARE(combo->currentText(), QStringLiteral("CASHIER"));
    click(dialog, "pushButtonUpdate");
    QCOMPARE(answerer->messages(), QStringList());
    QCOMPARE(logIn(QStringLiteral("ann"), QStringLiteral("a")), QStringLiteral("ann|CASHIER"));
}

VORANTEL_TEST_MAIN(TestManageUsers)
#include "tst_manageusers.moc"
