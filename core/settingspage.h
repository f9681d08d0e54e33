#pragma once

#include <QScrollArea>

// Base of every page of the settings dialog.
class SettingsPage : public QScrollArea
{
    Q_OBJECT
public:
    explicit SettingsPage(QWidget* parent) : QScrollArea(parent) {}

    // Until a page has shown the stored values it must not write its design-time values back.
    bool loaded = false;

public slots:
    // Validates and writes the page; reports a bad value itself and returns false.
    virtual bool SaveSettings() = 0;
    // Fills the widgets from the store; called each time the page is selected.
    virtual void LoadSettings() = 0;
};
