#include "settingslog.h"

Q_LOGGING_CATEGORY(lcSettings, "vorantel.settings")
