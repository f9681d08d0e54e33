#include "inventorylog.h"

Q_LOGGING_CATEGORY(lcInventory, "vorantel.inventory")
