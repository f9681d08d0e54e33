#include "databasemanager.h"
#include "inventoryfixture.h"
#include "manageusers.h"
#include "modalanswerer.h"
#include "storedhash.h"
#include "testdatabase.h"
#include "testsupport.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

// The users dialog against a real inventory database: names and hashes that need bound
// values, the password rules, deleting with the answers, and failed statements reported.
class TestManageUsers : public InventoryTest
{
    Q_OBJECT

private slots:
    void addedUsersLogInAndUpdate_data();
    void addedUsersLogInAndUpdate();
    void unstorablePasswordIsRefused_data();
    void unstorablePasswordIsRefused();
    void loginNames_data();
    void loginNames();
    void passwords_data();
    void passwords();
    void deleteRemovesTheAnswers_data();
    void deleteRemovesTheAnswers();
    void failedWritesShowTheDriverText_data();
    void failedWritesShowTheDriverText();

private:
    static QString findPassword(const QString& mustContain);
    static void fill(ManageUsers& dialog, const QString& first, const QString& last, const QString& login,
                     const QString& password, const QString& repeat, const QString& role);
    static bool selectUser(ManageUsers& dialog, const QString& login);
    static void click(ManageUsers& dialog, const char* button) { Child<QPushButton>(&dialog, button)->click(); }
    void addUser(const QString& first, const QString& last, const QString& login, const QString& password, int roleId);
    // The login statement: name in any letter case, the hash exactly. Returns "LOGIN_NAME|role" or empty.
    QString logIn(const QString& typedName, const QString& password) const;
    QString storedHash(const QString& login) const;
    void addAnswers(const QString& userId);
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

bool TestManageUsers::selectUser(ManageUsers& dialog, const QString& login)
{
    auto* view = Child<QTableView>(&dialog, "tableView");
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
    QCOMPARE(Child<QLineEdit>(&dialog, "editLoginName")->text(), QString());
    QCOMPARE(Child<QComboBox>(&dialog, "comboRole")->currentIndex(), -1);

    QVERIFY(selectUser(dialog, login));
    Child<QLineEdit>(&dialog, "editFirstName")->setText(QStringLiteral("Changed"));
    Child<QLineEdit>(&dialog, "editPassword")->setText(newPassword);
    Child<QLineEdit>(&dialog, "editRepeastPassword")->setText(newPassword);
    Child<QComboBox>(&dialog, "comboRole")->setCurrentText(QStringLiteral("PURCHASE MANAGER"));
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
    QCOMPARE(dialog.focusWidget(), Child<QLineEdit>(&dialog, "editPassword"));
    if (update) {
        QCOMPARE(storedHash(QStringLiteral("ann")), HashPassword(QStringLiteral("old")));
        QCOMPARE(fixture.rows(QStringLiteral("SELECT ROLE_ID FROM tblUsers")), QStringList{"2"});
    } else {
        QCOMPARE(fixture.rows(QStringLiteral("SELECT LOGIN_NAME FROM tblUsers")), QStringList());
    }
    // The fields stay for another password.
    QCOMPARE(Child<QLineEdit>(&dialog, "editLoginName")->text(), QStringLiteral("ann"));
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
    QTest::newRow("update: another user's name in other case")
        << "sam" << "Admin" << QStringList{"User Name|This user already exists in the system. Please choose some other."}
        << before;
    QTest::newRow("update: own name in other letter case") << "sam" << "Sam" << QStringList() << QStringList{"admin", "Sam"};
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
        Child<QLineEdit>(&dialog, "editLoginName")->setText(login);
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
    QTest::newRow("add: repeat differs in letter case") << false << "abc" << "ABC" << mismatch << "";
    QTest::newRow("update: both empty keep the password") << true << "" << "" << QStringList() << "old";
    QTest::newRow("update: only the repeat") << true << "" << "new" << mismatch << "old";
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
    addUser(QStringLiteral("Ann"), QStringLiteral("Lee"), QStringLiteral("ann"), QStringLiteral("a"), roleId);
    addUser(QStringLiteral("Bob"), QStringLiteral("Day"), QStringLiteral("bob"), QStringLiteral("b"), 1);
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
    QTest::newRow("add") << "pushButtonAdd" << "Error|This user can not be added to system" << "Data too long";
    QTest::newRow("update") << "pushButtonUpdate" << "Update User|This user can not be updated." << "Data too long";
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
    addUser(QStringLiteral("Ann"), QStringLiteral("Lee"), QStringLiteral("ann"), QStringLiteral("a"), 2);
    addAnswers(fixture.userId(QStringLiteral("ann")));

    ManageUsers dialog(nullptr);
    dialog.show();
    const QString tooLong(51, QLatin1Char('L')); // LAST_NAME holds 50 characters
    if (remove) {
        QCOMPARE(fixture.exec({QStringLiteral("CREATE TRIGGER keep_users BEFORE DELETE ON tblUsers FOR EACH ROW "
                                              "SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'users are kept'")}),
                 QString());
        QVERIFY(selectUser(dialog, QStringLiteral("ann")));
        answerer->pressButton(QMessageBox::Yes);
    } else {
        if (!add)
            QVERIFY(selectUser(dialog, QStringLiteral("ann")));
        fill(dialog, QStringLiteral("Bob"), tooLong, add ? QStringLiteral("bob") : QStringLiteral("ann"),
             QStringLiteral("p"), QStringLiteral("p"), QStringLiteral("MANAGER"));
    }
    click(dialog, qPrintable(button));

    const QStringList shown = answerer->messages();
    QCOMPARE(shown.size(), remove ? 2 : 1);
    QVERIFY2(shown.last().startsWith(message), qPrintable(shown.last()));
    QVERIFY2(shown.last().contains(driverText), qPrintable(shown.last()));
    QCOMPARE(fixture.rows(QStringLiteral("SELECT FIRST_NAME, LAST_NAME, LOGIN_NAME, ROLE_ID FROM tblUsers")),
             QStringList{"Ann|Lee|ann|2"});
    QCOMPARE(storedHash(QStringLiteral("ann")), HashPassword(QStringLiteral("a")));
    QCOMPARE(fixture.rows(QStringLiteral("SELECT COUNT(*) FROM tblQuestions")), QStringList{"3"});
    QCOMPARE(Child<QTableView>(&dialog, "tableView")->model()->rowCount(), 1);
    if (!remove) // the typed values stay to be corrected
        QCOMPARE(Child<QLineEdit>(&dialog, "editLastName")->text(), tooLong);
}

VORANTEL_TEST_MAIN(TestManageUsers)
#include "tst_manageusers.moc"
