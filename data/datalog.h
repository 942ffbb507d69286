#pragma once

#include <QLoggingCategory>

// Debug lines of the data layer; off unless QT_LOGGING_RULES enables ostrel.data.debug.
Q_DECLARE_LOGGING_CATEGORY(lcData)
