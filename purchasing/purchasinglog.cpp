#include "purchasinglog.h"

Q_LOGGING_CATEGORY(lcPurchasing, "vorantel.purchasing")
