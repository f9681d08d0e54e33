#pragma once

#include <QLoggingCategory>

// Developer diagnostics of the point of sale.
Q_DECLARE_LOGGING_CATEGORY(lcPos)
