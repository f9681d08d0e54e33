#include "securityquestions.h"
#include "ui_securityquestions.h"

#include "databasemanager.h"
#include "databaselog.h"

#include <QMessageBox>
#include <QScroller>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

namespace {
const int QUESTION_COUNT = 3;
}

SecurityQuestions::SecurityQuestions(QWidget* parent)
    : VorantelDialog(parent)
    , ui(new Ui::SecurityQuestions)
{
    ui->setupUi(this);
    QScroller::grabGesture(ui->scrollArea->viewport(), QScroller::LeftMouseButtonGesture);
    ui->line_a0->setFocus();
}

SecurityQuestions::~SecurityQuestions()
{
    delete ui;
}

bool SecurityQuestions::VerifyUser(QWidget* parent, const QString& userId, const QString& userName)
{
    SecurityQuestions dialog(parent);
    dialog.setModal(true);
    dialog.SetVerifyMode();
    dialog.SetUser(userId, userName);
    dialog.exec();
    return dialog.verified;
}

void SecurityQuestions::SetUser(const QString& id, const QString& name)
{
    userId = id;
    userName = name;
    ui->labelUserName->setText(name);

    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    query->prepare(QStringLiteral("SELECT ID FROM tblQuestions WHERE USER_ID = :uid"));
    query->bindValue(QStringLiteral(":uid"), userId.toInt());
    if (!query->exec())
        LogDatabaseError(query->lastError());
    hasAnswers = query->next();
}

void SecurityQuestions::SetVerifyMode()
{
    verifyMode = true;
    ui->pushSave->setText(tr("Verify"));
}

QLineEdit* SecurityQuestions::AnswerField(int question) const
{
    switch (question) {
    case 0:
        return ui->line_a0;
    case 1:
        return ui->line_a1;
    default:
        return ui->line_a2;
    }
}

QString SecurityQuestions::AnswerText(int question) const
{
    // Not trimmed: an extra blank makes another answer.
    return AnswerField(question)->text().toUpper();
}

bool SecurityQuestions::AllAnswered()
{
    for (int question = 0; question < QUESTION_COUNT; ++question) {
        if (AnswerField(question)->text().trimmed().isEmpty()) {
            AnswerField(question)->setFocus();
            return false;
        }
    }
    return true;
}

void SecurityQuestions::on_pushSave_clicked()
{
    if (!AllAnswered()) {
        QMessageBox::warning(this, tr("Error"), tr("Please answer all questions."));
        return;
    }
    if (verifyMode)
        VerifyAnswers();
    else
        SaveAnswers();
}

void SecurityQuestions::SaveAnswers()
{
    // Per question: update the row the user has, insert the one missing. So a second
    // Save, or a save after a half-failed one, never adds duplicate rows.
    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    query->prepare(QStringLiteral("SELECT QUESTION_ID FROM tblQuestions WHERE USER_ID = :uid"));
    query->bindValue(QStringLiteral(":uid"), userId.toInt());
    QSet<int> stored;
    bool ok = query->exec();
    QSqlError error = query->lastError();
    while (ok && query->next())
        stored.insert(query->value(0).toInt());

    if (ok) {
        for (int question = 0; question < QUESTION_COUNT; ++question) {
            if (stored.contains(question))
                query->prepare(QStringLiteral(
                    "UPDATE tblQuestions SET ANSWER = :a WHERE QUESTION_ID = :qid AND USER_ID = :uid"));
            else
                query->prepare(QStringLiteral(
                    "INSERT INTO tblQuestions (USER_ID, QUESTION_ID, ANSWER) VALUES (:uid, :qid, :a)"));
            query->bindValue(QStringLiteral(":uid"), userId.toInt());
            query->bindValue(QStringLiteral(":qid"), question);
            query->bindValue(QStringLiteral(":a"), StoredPassword(AnswerText(question)));
            if (!query->exec() && ok) {
                ok = false;
                error = query->lastError();
            }
        }
    }

    if (!ok) {
        LogDatabaseError(error);
        QMessageBox::warning(this, tr("Security Questions"),
                             tr("Error occurred while saving security answers. Please try again.")
                                 + QStringLiteral("\n\n") + error.text());
        return;
    }
    if (stored.isEmpty())
        QMessageBox::information(this, tr("Security Questions"),
                                 tr("Security answers have been added successfully. You will be asked to answer "
                                    "these questions in the case of forgotten password. Please write down these "
                                    "answers in a safe place."));
    else
        QMessageBox::information(this, tr("Security Questions"),
                                 tr("Security answers have been updated successfully. You will be asked to answer "
                                    "these questions in the case of forgotten password. Please write down these "
                                    "answers in a safe place."));
    hasAnswers = true;
}

void SecurityQuestions::VerifyAnswers()
{
    verified = false;
    bool allMatch = true;
    for (int question = 0; question < QUESTION_COUNT; ++question) {
        QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
        query->prepare(QStringLiteral(
            "SELECT ANSWER FROM tblQuestions WHERE QUESTION_ID = :qid AND USER_ID = :uid ORDER BY ID"));
        query->bindValue(QStringLiteral(":qid"), question);
        query->bindValue(QStringLiteral(":uid"), userId.toInt());
        if (!query->exec()) {
            LogDatabaseError(query->lastError());
            QMessageBox::warning(this, tr("Security Questions"),
                                 tr("The stored answers can not be read.") + QStringLiteral("\n\n")
                                     + query->lastError().text());
            return;
        }
        // Compared here, not in SQL: the column's collation would ignore letter case and
        // accents of the hash text, and trailing blanks. Both forms, whatever the rule for
        // storing says now, so that answers stored by earlier versions keep working.
        if (!query->next()) {
            allMatch = false;
            continue;
        }
        const QString stored = query->value(0).toString();
        const QString typed = AnswerText(question);
        if (stored != HashPassword(typed) && stored != LongPasswordForm(typed))
            allMatch = false;
    }

    verified = allMatch;
    if (verified) {
        QMessageBox::information(this, tr("Security Questions"),
                                 tr("Verified successfully. Now you will be logged into the system, and from Users "
                                    "dialog you can reset you password."));
        close();
    } else {
        QMessageBox::warning(this, tr("Security Questions"), tr("Not verified successfully. Please try again."));
    }
}

void SecurityQuestions::on_pushClose_clicked()
{
    close();
}
