#pragma once

#include "voranteldialog.h"
#include "ui_moreposoptions.h"

class CPOS;

// The "More Options" menu of the sale screen: guide, number pad, calculator, settings.
class MorePOSOptions : public VorantelDialog
{
    Q_OBJECT
public:
    explicit MorePOSOptions(QWidget* parent);

private slots:
    void on_pushShortcutKeys_clicked();
    void on_pushNumbPad_clicked();
    void on_pushCalculator_clicked();
    void on_pushSettings_clicked();
    void on_pushClose_clicked();

private:
    Ui::MorePOSOptions ui;
    CPOS* posScreen = nullptr;
};
