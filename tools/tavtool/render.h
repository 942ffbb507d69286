#pragma once

#include <QStringList>

// `tavtool render ...`: args are the arguments after "render". A QApplication exists when
// this runs. Returns the process exit code.
int runRender(const QStringList& args);
