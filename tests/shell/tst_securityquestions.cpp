#include "databasetest.h"
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
    void refusedAnswers_data();
    void refusedAnswers();
    void savingTwiceUpdatesInPlace();
    void failedSaveShowsTheDriverText();
    void hashesAreComparedExactly();

private:
    static QLineEdit* answer(QWidget* dialog, int question)
    {
        return dialog->findChild<QLineEdit*>(QStringLiteral("line_a%1").arg(question));
    }
    // Types the answers and presses Save (Verify).
    static void answerWith(QWidget* dialog, const QStringList& answers)
    {
        for (int i = 0; i < 3; ++i)
            answer(dialog, i)->setText(answers.value(i));
        dialog->findChild<QPushButton*>(QStringLiteral("pushSave"))->click();
    }
    static void open(SecurityQuestions& dialog, const QString& userId, bool verify)
    {
        if (verify)
            dialog.SetVerifyMode();
        dialog.SetUser(userId, QStringLiteral("admin"));
        dialog.show();
        QApplication::setActiveWindow(&dialog);
    }
    void storeAnswers(const QString& userId, const QStringList& answers);
    QStringList answerRows(const QString& userId) const;

    QString adminId;
    QString otherId;
};

static const QString SAVED = QStringLiteral(
    "Security Questions|Security answers have been %1 successfully. You will be asked to answer these questions in the "
    "case of forgotten password. Please write down these answers in a safe place.");
static const QString ADDED = SAVED.arg(QStringLiteral("added"));
static const QString UPDATED = SAVED.arg(QStringLiteral("updated"));
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
    QCOMPARE(fixture.addUser(QStringLiteral("admin"), QStringLiteral("x"), 1), QString());
    QCOMPARE(fixture.addUser(QStringLiteral("sam"), QStringLiteral("y"), 2), QString());
    adminId = fixture.userId(QStringLiteral("admin"));
    otherId = fixture.userId(QStringLiteral("sam"));
}

void TestSecurityQuestions::storeAnswers(const QString& userId, const QStringList& answers)
{
    SecurityQuestions dialog(nullptr);
    open(dialog, userId, false);
    answerWith(&dialog, answers);
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
    open(dialog, adminId, true);
    answerWith(&dialog, typed);

    QCOMPARE(dialog.verified, expected);
    QCOMPARE(answerer->messages(), QStringList{expected ? VERIFIED : NOT_VERIFIED});
    // Verified closes the dialog; a failed try leaves it open for another.
    QCOMPARE(dialog.isVisible(), !expected);
    QCOMPARE(answerRows(adminId).size(), withAnswers ? 3 : 0);
}

void TestSecurityQuestions::refusedAnswers_data()
{
    QTest::addColumn<bool>("verifyMode");
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QString>("message");
    // An answer whose hash holds a character outside the BMP does not fit the 3-byte column.
    QString unstorable;
    for (int i = 0; i < 5000 && unstorable.isEmpty(); ++i) {
        const QString candidate = QStringLiteral("school %1").arg(i);
        if (!HashFitsColumn(HashPassword(candidate.toUpper())))
            unstorable = candidate;
    }
    QVERIFY(!unstorable.isEmpty());
    const QString blank = QStringLiteral("Error|Please answer all questions.");
    QTest::newRow("save: second blanks only") << false << QStringList{"a", "   ", "c"} << blank;
    QTest::newRow("verify: second blanks only") << true << QStringList{"a", "  ", ""} << blank;
    QTest::newRow("save: second unstorable")
        << false << QStringList{"Oslo", unstorable, "Mr Lee"}
        << "Security Questions|The answer to question 2 can not be stored. Please enter another answer, for example "
           "with a word added.";
}

void TestSecurityQuestions::refusedAnswers()
{
    QFETCH(bool, verifyMode);
    QFETCH(QStringList, typed);
    QFETCH(QString, message);
    if (verifyMode)
        storeAnswers(adminId, STORED_ANSWERS);
    const QStringList before = answerRows(adminId);

    SecurityQuestions dialog(nullptr);
    open(dialog, adminId, verifyMode);
    answerWith(&dialog, typed);

    QCOMPARE(answerer->messages(), QStringList{message});
    QCOMPARE(dialog.focusWidget(), answer(&dialog, 1));
    QVERIFY(!dialog.verified);
    QCOMPARE(answerRows(adminId), before);
}

void TestSecurityQuestions::savingTwiceUpdatesInPlace()
{
    SecurityQuestions dialog(nullptr);
    open(dialog, adminId, false);
    answerWith(&dialog, STORED_ANSWERS);
    const QStringList first = answerRows(adminId);
    QCOMPARE(first.size(), 3);

    answerWith(&dialog, {"Hill School", "Paris", "Mr Lee"});
    QCOMPARE(answerer->messages(), (QStringList{ADDED, UPDATED}));
    const QStringList second = answerRows(adminId);
    QCOMPARE(second.size(), 3);
    QVERIFY(second != first);

    // A new dialog for the same user updates too, and only the new answers verify.
    answerer->clear();
    storeAnswers(adminId, {"Oak School", "Rome", "Ms Kay"});
    QCOMPARE(answerRows(adminId).size(), 3);

    SecurityQuestions check(nullptr);
    open(check, adminId, true);
    answerWith(&check, {"Hill School", "Paris", "Mr Lee"});
    QVERIFY(!check.verified);
    answerWith(&check, {"oak school", "ROME", "ms kay"});
    QVERIFY(check.verified);
    QCOMPARE(answerRows(otherId), QStringList());
}

void TestSecurityQuestions::failedSaveShowsTheDriverText()
{
    SecurityQuestions dialog(nullptr);
    dialog.SetUser(QStringLiteral("987654"), QStringLiteral("nobody")); // no such user
    answerWith(&dialog, STORED_ANSWERS);
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

    for (int question = 0; question < 3; ++question)
        QCOMPARE(DatabaseTest::Rows(fixture.name(),
                                    QStringLiteral("INSERT INTO tblQuestions (USER_ID, QUESTION_ID, ANSWER) VALUES (?, ?, ?)"),
                                    {adminId.toInt(), question, stored}),
                 QStringList());
    // Otherwise the server no longer ignores letter case here, and the test lost its point.
    QCOMPARE(DatabaseTest::Rows(fixture.name(), QStringLiteral("SELECT COUNT(*) FROM tblQuestions WHERE ANSWER = ?"),
                                {HashPassword(typed.toUpper())}),
             QStringList{QStringLiteral("3")});

    SecurityQuestions dialog(nullptr);
    open(dialog, adminId, true);
    answerWith(&dialog, {typed, typed, typed});
    QVERIFY(!dialog.verified);
    QCOMPARE(answerer->messages(), QStringList{NOT_VERIFIED});
}

VORANTEL_TEST_MAIN(TestSecurityQuestions)
#include "tst_securityquestions.moc"
