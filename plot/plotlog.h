#pragma once

#include <QLoggingCategory>

// Debug lines of the plot canvas; off unless QT_LOGGING_RULES enables ostrel.plot.debug.
Q_DECLARE_LOGGING_CATEGORY(lcPlot)
