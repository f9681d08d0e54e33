#pragma once

#include <QLoggingCategory>

// Developer diagnostics of the purchasing library.
Q_DECLARE_LOGGING_CATEGORY(lcPurchasing)
