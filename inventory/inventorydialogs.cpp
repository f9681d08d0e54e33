#include "inventorydialogs.h"

InventoryDialogs::Factory InventoryDialogs::vendors;
