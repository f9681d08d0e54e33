#pragma once

#include "voranteldialog.h"

namespace Ui {
class ErrorDialog;
}

// Shows one numbered notice with its "Do not show me this message again" box,
// or, with the box hidden, a plain scrollable message.
class ErrorDialog : public VorantelDialog
{
    Q_OBJECT
public:
    ErrorDialog(const QString& messageId, const QString& title, const QString& text, QWidget* parent,
                bool hideCheckBox = false, bool html = true);
    ~ErrorDialog() override;

public slots:
    int exec() override;
    void OnBlinkingTimeout();

private slots:
    void on_pushButton_clicked();

private:
    Ui::ErrorDialog* ui;
    QString messageId;
    bool hideCheckBox;
    QString theme;
    static bool blinkToggle;
};
