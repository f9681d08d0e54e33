#pragma once

#include <QLoggingCategory>

// Developer diagnostics of the back-office screens.
Q_DECLARE_LOGGING_CATEGORY(lcBackoffice)
