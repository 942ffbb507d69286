#pragma once

#include <QStringList>

class TavDrawer;

// `tavtool render ...`: args are the arguments after "render". A QApplication exists when
// this runs. Returns the process exit code.
int runRender(const QStringList& args);

// Reads path through the canvas's own hand-off and waits for the answer; true with data.
bool readIntoCanvas(TavDrawer& d, const QString& path);
// When the settings draw no curve, draws every curve in distinct colours.
void drawEveryCurveIfNoneDrawn(TavDrawer& d);
