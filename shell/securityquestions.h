#pragma once

#include "voranteldialog.h"

class QLineEdit;

namespace Ui {
class SecurityQuestions;
}

// The three security questions of one user. In set mode Save stores the answers; in
// verify mode (password recovery) it compares the typed answers with the stored ones.
// Answers are kept only as the StoredPassword form of the upper-cased text, so they match
// in any letter case but otherwise exactly.
class SecurityQuestions : public VorantelDialog
{
    Q_OBJECT
public:
    explicit SecurityQuestions(QWidget* parent);
    ~SecurityQuestions() override;

    // Password recovery in one call: asks the questions of the user modally over parent
    // and returns whether all three were answered as stored. Tries are unlimited; Close
    // ends them.
    static bool VerifyUser(QWidget* parent, const QString& userId, const QString& userName);

    void SetUser(const QString& userId, const QString& userName);
    // Save becomes "Verify". Call before exec().
    void SetVerifyMode();
    bool AllAnswered();

    bool verifyMode = false;
    bool verified = false; // outcome of the last verification

public slots:
    void on_pushSave_clicked();
    void on_pushClose_clicked();

private:
    void SaveAnswers();
    void VerifyAnswers();
    QLineEdit* AnswerField(int question) const;
    QString AnswerText(int question) const;

    Ui::SecurityQuestions* ui;
    QString userId;
    QString userName;
    bool hasAnswers = false;
};
