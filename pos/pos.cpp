#include "pos.h"

Q_LOGGING_CATEGORY(lcPos, "vorantel.pos")
