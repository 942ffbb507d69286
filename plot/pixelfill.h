#pragma once

#include <QRect>
#include <QRgb>

class QPainter;

// Opaque rectangles written straight into the pixels of the image a raster painter draws
// on. A noisy curve is hundreds of one-pixel-wide columns, and QPainter fills a rectangle
// row by row through a general span routine: for a column that is one call per pixel.
// Written here, a column costs one store per pixel.
//
// Only where the result is certain to be the painter's own: a raster engine drawing on a
// 32-bit image it alone holds, a transform that only moves by whole pixels, full opacity,
// source-over, and clips that are single rectangles. Elsewhere (PDF, pictures, high-DPI
// scaling, region clips) fill() answers false and the caller draws the rectangles itself.
namespace PixelFill {

// Fills rects (logical coordinates of painter) with color, which must be opaque. False,
// with nothing drawn, when the painter's target does not allow it.
bool fill(QPainter& painter, const QRect* rects, int count, QRgb color);

// Blends rects with the translucent color (source-over, not premultiplied), under the same
// conditions as fill() and only on the premultiplied formats (RGB32 included). Rectangles
// are taken as disjoint. False, with nothing drawn, where the painter's own path must draw.
bool blend(QPainter& painter, const QRect* rects, int count, QRgb color);

// For tests: with false, fill() and blend() always answer false.
void setEnabled(bool enabled);

} // namespace PixelFill
