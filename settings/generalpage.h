#pragma once

#include "settingspage.h"
#include "ui_generalpage.h"

// Date and time formats, interface language, CSV delimiter, scaling, theme, sub-items
// mode and search matching. Unlike the other pages it reads the store when it is built.
class GeneralPage : public SettingsPage
{
    Q_OBJECT
public:
    explicit GeneralPage(QWidget* parent);

    bool SaveSettings() override;
    void LoadSettings() override;

    // A Yes to a restart question, kept until a whole save succeeds and the dialog relaunches.
    bool RelaunchRequested() const { return relaunchRequested; }
    void ClearRelaunchRequest() { relaunchRequested = false; }

private slots:
    void on_radio_auto_clicked(bool checked);
    void on_radio_manual_clicked(bool checked);
    void on_slider_scaling_valueChanged(int value);
    void on_slider_scaling_sliderMoved(int position);
    void on_pudhWhatIsSubItemsMode_clicked();

private:
    bool AskRestart(const QString& title, const QString& text);

    Ui::GeneralPage ui;
    int initialScalingMode = 0;
    int initialScalingFactor = 1;
    bool relaunchRequested = false;
};
