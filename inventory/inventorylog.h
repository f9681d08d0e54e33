#pragma once

#include <QLoggingCategory>

// Developer diagnostics of the products and inventory library.
Q_DECLARE_LOGGING_CATEGORY(lcInventory)
