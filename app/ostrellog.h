#pragma once

#include <QLoggingCategory>

// Debug lines of the main window; off unless "ostrel.window.debug=true" is set.
Q_DECLARE_LOGGING_CATEGORY(lcOstrel)
