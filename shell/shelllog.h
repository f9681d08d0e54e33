#pragma once

#include <QLoggingCategory>

// Developer diagnostics of the application shell other than database failures (those go to lcDb).
Q_DECLARE_LOGGING_CATEGORY(lcShell)
