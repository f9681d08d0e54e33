#pragma once

#include "settingspage.h"

// Holds a page's place in the dialog until that page is written: it shows nothing,
// reads nothing and accepts every save without writing.
class PlaceholderPage : public SettingsPage
{
    Q_OBJECT
public:
    explicit PlaceholderPage(QWidget* parent);

    bool SaveSettings() override;
    void LoadSettings() override;
};
