#pragma once

#include <functional>

class QDialog;
class QWidget;

// Dialogs that pages open but that belong to libraries built on this one: the sale screen's
// quick-pay editor and the role editor, which themselves reach the settings dialog. The shell
// sets both when the main window is built; a page whose dialog is not set disables its button.
struct SettingsPageDialogs
{
    using Factory = std::function<QDialog*(QWidget* parent)>;
    static Factory quickPayShortcuts;
    static Factory userRoles;
};
