#include "panelslog.h"

Q_LOGGING_CATEGORY(lcPanels, "ostrel.panels", QtInfoMsg)
