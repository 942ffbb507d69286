#include "plotlog.h"

Q_LOGGING_CATEGORY(lcPlot, "ostrel.plot", QtInfoMsg)
