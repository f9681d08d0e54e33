#include "databasemanager.h"
#include "inventoryfixture.h"
#include "modalanswerer.h"
#include "securityquestions.h"
#include "storedhash.h"
#include "testdatabase.h"
#include "testsupport.h"

#include <QLineEdit>
#include <QPushButton>

// Security answers against a real inventory database: stored as hashes of the upper-cased
// text, updated in place, and verified exactly for the password recovery.
class TestSecurityQuestions : public InventoryTest
{
    Q_OBJECT

private slots:
    void init();

    void verify_data();
    void verify();
    void blankAnswersAreRefused_data();
    void blankAnswersAreRefused();
    void savingTwiceUpdatesInPlace();
    void unstorableAnswerIsRefused();
    void failedSaveShowsTheDriverText();
    void hashesAreComparedExactly();

private:
    static QLineEdit* answer(QWidget* dialog, int question)
    {
        return dialog->findChild<QLineEdit*>(QStringLiteral("line_a%1").arg(question));
    }
    static void fill(QWidget* dialog, const QStringList& answers)
    {
        for (int i = 0; i < 3; ++i)
            answer(dialog, i)->setText(answers.value(i));
    }
    static void save(QWidget* dialog) { dialog->findChild<QPushButton*>(QStringLiteral("pushSave"))->click(); }
    void storeAnswers(const QString& userId, const QStringList& answers);
    QStringList answerRows(const QString& userId) const;

    QString adminId;
    QString otherId;
};

static const QString ADDED = QStringLiteral(
    "Security Questions|Security answers have been added successfully. You will be asked to answer these questions in "
    "the case of forgotten password. Please write down these answers in a safe place.");
static const QString UPDATED = QStringLiteral(
    "Security Questions|Security answers have been updated successfully. You will be asked to answer these questions "
    "in the case of forgotten password. Please write down these answers in a safe place.");
static const QString VERIFIED = QStringLiteral(
    "Security Questions|Verified successfully. Now you will be logged into the system, and from Users dialog you can "
    "reset you password.");
static const QString NOT_VERIFIED = QStringLiteral("Security Questions|Not verified successfully. Please try again.");
static const QStringList STORED_ANSWERS = {QStringLiteral("Greenfield Primary"), QStringLiteral("Oslo"),
                                           QString::fromUtf8("Mrs Mu\xc3\xb1oz")};

void TestSecurityQuestions::init()
{
    InventoryTest::init();
    if (QTest::currentTestFailed())
        return;
    const QString insert = fixture.exec(
        {QStringLiteral("INSERT INTO tblUsers (FIRST_NAME, LAST_NAME, LOGIN_NAME, PASSWORD, ROLE_ID) "
                        "VALUES ('Ada', 'Admin', 'admin', 'x', 1), ('Sam', 'Seller', 'sam', 'y', 2)")});
    QVERIFY2(insert.isEmpty(), qPrintable(insert));
    adminId = fixture.userId(QStringLiteral("admin"));
    otherId = fixture.userId(QStringLiteral("sam"));
}

void TestSecurityQuestions::storeAnswers(const QString& userId, const QStringList& answers)
{
    SecurityQuestions dialog(nullptr);
    dialog.SetUser(userId, QStringLiteral("someone"));
    dialog.show();
    fill(&dialog, answers);
    save(&dialog);
    QCOMPARE(answerer->messages().size(), 1);
    QVERIFY2(answerer->messages().first() == ADDED || answerer->messages().first() == UPDATED,
             qPrintable(answerer->messages().first()));
    answerer->clear();
}

QStringList TestSecurityQuestions::answerRows(const QString& userId) const
{
    return fixture.rows(
        QStringLiteral("SELECT QUESTION_ID, ANSWER FROM tblQuestions WHERE USER_ID = %1 ORDER BY QUESTION_ID, ID")
            .arg(userId.toInt()));
}

void TestSecurityQuestions::verify_data()
{
    QTest::addColumn<bool>("withAnswers");
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<bool>("expected");
    QTest::newRow("other letter case") << true
                                       << QStringList{"GREENFIELD PRIMARY", "oslo", QString::fromUtf8("mrs mU\xc3\x91OZ")}
                                       << true;
    QTest::newRow("trailing blank") << true << QStringList{STORED_ANSWERS[0], STORED_ANSWERS[1], STORED_ANSWERS[2] + " "}
                                    << false;
    QTest::newRow("one wrong") << true << QStringList{STORED_ANSWERS[0], "Bergen", STORED_ANSWERS[2]} << false;
    QTest::newRow("user without answers") << false << STORED_ANSWERS << false;
}

void TestSecurityQuestions::verify()
{
    QFETCH(bool, withAnswers);
    QFETCH(QStringList, typed);
    QFETCH(bool, expected);
    if (withAnswers)
        storeAnswers(adminId, STORED_ANSWERS);

    SecurityQuestions dialog(nullptr);
    dialog.SetVerifyMode();
    dialog.SetUser(adminId, QStringLiteral("admin"));
    dialog.show();
    fill(&dialog, typed);
    save(&dialog);

    QCOMPARE(dialog.verified, expected);
    QCOMPARE(answerer->messages(), QStringList{expected ? VERIFIED : NOT_VERIFIED});
    // Verified closes the dialog; a failed try leaves it open for another.
    QCOMPARE(dialog.isVisible(), !expected);
    QCOMPARE(answerRows(adminId).size(), withAnswers ? 3 : 0);
}

void TestSecurityQuestions::blankAnswersAreRefused_data()
{
    QTest::addColumn<bool>("verifyMode");
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<int>("focus");
    QTest::newRow("save: second blanks only") << false << QStringList{"a", "   ", "c"} << 1;
    QTest::newRow("verify: second blanks only") << true << QStringList{"a", "  ", ""} << 1;
}

void TestSecurityQuestions::blankAnswersAreRefused()
{
    QFETCH(bool, verifyMode);
    QFETCH(QStringList, typed);
    QFETCH(int, focus);
    if (verifyMode)
        storeAnswers(adminId, STORED_ANSWERS);
    const QStringList before = answerRows(adminId);

    SecurityQuestions dialog(nullptr);
    if (verifyMode)
        dialog.SetVerifyMode();
    dialog.SetUser(adminId, QStringLiteral("admin"));
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    fill(&dialog, typed);
    save(&dialog);

    QCOMPARE(answerer->messages(), QStringList{QStringLiteral("Error|Please answer all questions.")});
    QCOMPARE(dialog.focusWidget(), answer(&dialog, focus));
    QVERIFY(!dialog.verified);
    QCOMPARE(answerRows(adminId), before);
}

void TestSecurityQuestions::savingTwiceUpdatesInPlace()
{
    SecurityQuestions dialog(nullptr);
    dialog.SetUser(adminId, QStringLiteral("admin"));
    dialog.show();
    fill(&dialog, STORED_ANSWERS);
    save(&dialog);
    const QStringList first = answerRows(adminId);
    QCOMPARE(first.size(), 3);

    fill(&dialog, {"Hill School", "Paris", "Mr Lee"});
    save(&dialog);
    QCOMPARE(answerer->messages(), (QStringList{ADDED, UPDATED}));
    const QStringList second = answerRows(adminId);
    QCOMPARE(second.size(), 3);
    QVERIFY(second != first);

    // A new dialog for the same user updates too, and only the new answers verify.
    answerer->clear();
    storeAnswers(adminId, {"Oak School", "Rome", "Ms Kay"});
    QCOMPARE(answerRows(adminId).size(), 3);

    SecurityQuestions check(nullptr);
    check.SetVerifyMode();
    check.SetUser(adminId, QStringLiteral("admin"));
    fill(&check, {"Hill School", "Paris", "Mr Lee"});
    save(&check);
    QVERIFY(!check.verified);
    fill(&check, {"oak school", "ROME", "ms kay"});
    save(&check);
    QVERIFY(check.verified);
    QCOMPARE(answerRows(otherId), QStringList());
}

void TestSecurityQuestions::unstorableAnswerIsRefused()
{
    // An answer whose hash holds a character outside the BMP does not fit the 3-byte column.
    QString unstorable;
    for (int i = 0; i < 5000 && unstorable.isEmpty(); ++i) {
        const QString candidate = QStringLiteral("school %1").arg(i);
        if (!HashFitsColumn(HashPassword(candidate.toUpper())))
            unstorable = candidate;
    }
    QVERIFY(!unstorable.isEmpty());

    SecurityQuestions dialog(nullptr);
    dialog.SetUser(adminId, QStringLiteral("admin"));
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    fill(&dialog, {"Oslo", unstorable, "Mr Lee"});
    save(&dialog);
    QCOMPARE(answerer->messages(),
             QStringList{QStringLiteral("Security Questions|The answer to question 2 can not be stored. Please enter "
                                        "another answer, for example with a word added.")});
    QCOMPARE(dialog.focusWidget(), answer(&dialog, 1));
    QCOMPARE(answerRows(adminId), QStringList());
}

void TestSecurityQuestions::failedSaveShowsTheDriverText()
{
    SecurityQuestions dialog(nullptr);
    dialog.SetUser(QStringLiteral("987654"), QStringLiteral("nobody")); // no such user
    fill(&dialog, STORED_ANSWERS);
    save(&dialog);
    QCOMPARE(answerer->messages().size(), 1);
    const QString shown = answerer->messages().first();
    QVERIFY2(shown.startsWith(QStringLiteral(
                 "Security Questions|Error occurred while saving security answers. Please try again.")),
             qPrintable(shown));
    QVERIFY2(shown.contains(QStringLiteral("foreign key")), qPrintable(shown));
}

void TestSecurityQuestions::hashesAreComparedExactly()
{
    // The column's collation would take a hash that differs only in letter case (or in
    // accents) for the same; verification must not.
    QString typed;
    QString stored;
    for (int i = 0; i < 5000 && typed.isEmpty(); ++i) {
        const QString candidate = QStringLiteral("town %1").arg(i);
        const QString hash = HashPassword(candidate.toUpper());
        if (!HashFitsColumn(hash))
            continue;
        QString swapped = hash;
        for (QChar& c : swapped) {
            if (c.unicode() < 128 && c.isLetter())
                c = c.isUpper() ? c.toLower() : c.toUpper();
        }
        if (swapped != hash) {
            typed = candidate;
            stored = swapped;
        }
    }
    QVERIFY(!typed.isEmpty());

    QSqlQuery insert(*DatabaseManager::Instance()->InventoryDatabase());
    insert.prepare(QStringLiteral("INSERT INTO tblQuestions (USER_ID, QUESTION_ID, ANSWER) VALUES (:u, :q, :a)"));
    for (int question = 0; question < 3; ++question) {
        insert.bindValue(QStringLiteral(":u"), adminId.toInt());
        insert.bindValue(QStringLiteral(":q"), question);
        insert.bindValue(QStringLiteral(":a"), stored);
        QVERIFY_SQL(insert, exec());
    }
    QSqlQuery collation(*DatabaseManager::Instance()->InventoryDatabase());
    collation.prepare(QStringLiteral("SELECT COUNT(*) FROM tblQuestions WHERE ANSWER = :a"));
    collation.bindValue(QStringLiteral(":a"), HashPassword(typed.toUpper()));
    QVERIFY_SQL(collation, exec());
    QVERIFY(collation.next());
    QVERIFY2(collation.value(0).toInt() == 3, "the server no longer ignores letter case here: the test lost its point");

    SecurityQuestions dialog(nullptr);
    dialog.SetVerifyMode();
    dialog.SetUser(adminId, QStringLiteral("admin"));
    fill(&dialog, {typed, typed, typed});
    save(&dialog);
    QVERIFY(!dialog.verified);
    QCOMPARE(answerer->messages(), QStringList{NOT_VERIFIED});
}

VORANTEL_TEST_MAIN(TestSecurityQuestions)
#include "tst_securityquestions.moc"
