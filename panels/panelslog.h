#pragma once

#include <QLoggingCategory>

// Debug lines of the side tables; off unless "ostrel.panels.debug=true" is set.
Q_DECLARE_LOGGING_CATEGORY(lcPanels)
