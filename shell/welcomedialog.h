#pragma once

#include "voranteldialog.h"

namespace Ui {
class WelcomeDialog;
}

// The greeting shown while the main window starts, until the user turns it off.
class WelcomeDialog : public VorantelDialog
{
    Q_OBJECT
public:
    explicit WelcomeDialog(QWidget* parent);
    ~WelcomeDialog() override;

private slots:
    void on_pushClose_clicked();

private:
    // Not declared a slot, so that connectSlotsByName does not look for a "HyperLink" object.
    void on_HyperLink_clicked(const QString& link);

    Ui::WelcomeDialog* ui;
};
