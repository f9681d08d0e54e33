#pragma once

#include "voranteldialog.h"

class Progress;
class VersionWebServiceClient;

namespace Ui {
class AboutDialog;
}

// The busy box of the update check: made by the first check of a dialog,
// hidden by every reply and destroyed with the dialog.
extern Progress* versionCheckProgress;

// Product name, version, logo, the maker's links and notices, and the update check.
class AboutDialog : public VorantelDialog
{
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent);
    ~AboutDialog() override;

private slots:
    void on_buttonOK_clicked();
    void on_pushCheckVersion_clicked();

private:
    // Not declared a slot, so that connectSlotsByName does not look for a "HyperLink" object.
    void on_HyperLink_clicked(const QString& link);

    Ui::AboutDialog* ui;
    VersionWebServiceClient* versionClient;
};
