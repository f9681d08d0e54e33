#include "corelog.h"

Q_LOGGING_CATEGORY(lcCore, "vorantel.core")
