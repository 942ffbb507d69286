#pragma once

#include "pairoptions.h"

#include <QStringList>

class TavDrawer;

// `tavtool render ...`: args are the arguments after "render". A QApplication exists when
// this runs. Returns the process exit code.
int runRender(const QStringList& args);

// Reads path through the canvas's own hand-off and waits for the answer; true with data.
bool readIntoCanvas(TavDrawer& d, const QString& path);
// When the settings draw no curve, draws every curve in distinct colours.
void drawEveryCurveIfNoneDrawn(TavDrawer& d);
// Finds the file's pairs as options ask (the default bands from the canvas's curve axes)
// and puts them, their timing and their check into the canvas, bands left as they are.
// Empty on success, else the usage error; no pair found is no error here.
QString checkTolerance(TavDrawer& d, const QString& command, const QString& path,
                       const PairOptions::Options& options);
