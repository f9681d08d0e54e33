#pragma once

#include <QLoggingCategory>

// Developer diagnostics of the printing library.
Q_DECLARE_LOGGING_CATEGORY(lcReporting)
