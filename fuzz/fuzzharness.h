#pragma once

#include <QByteArray>
#include <QString>

class TavDrawer;

// What both fuzz targets share: one offscreen application, one canvas with its data set,
// and a scratch file the readers can open by path.
namespace FuzzHarness {

// Creates the application and the canvas once; later calls return the same canvas.
TavDrawer& canvas();

// Reads the file through the data set, hands the result to the canvas as a finished
// read would, and paints every curve and marker once.
void readAndShow(const QString& path);

} // namespace FuzzHarness
