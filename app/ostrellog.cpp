#include "ostrellog.h"

Q_LOGGING_CATEGORY(lcOstrel, "ostrel.window", QtInfoMsg)
