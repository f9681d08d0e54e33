#include "settingspagedialogs.h"

SettingsPageDialogs::Factory SettingsPageDialogs::quickPayShortcuts;
SettingsPageDialogs::Factory SettingsPageDialogs::userRoles;
