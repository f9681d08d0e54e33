#include "backofficelog.h"

Q_LOGGING_CATEGORY(lcBackoffice, "vorantel.backoffice")
