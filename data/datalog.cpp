#include "datalog.h"

Q_LOGGING_CATEGORY(lcData, "ostrel.data", QtInfoMsg)
