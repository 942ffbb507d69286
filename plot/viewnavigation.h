#pragma once

#include "tavrecords.h"

#include <QList>
#include <QString>
#include <QtGlobal>

// Arithmetic behind the canvas's mouse, wheel and programmatic navigation, kept free of
// widgets so that each rule can be checked on its own.
namespace ViewNavigation {

// Pixels either side of a vernier line within which the mouse grabs or hovers it.
constexpr int VernierReach = 4;

// Zooming out stops before the X range exceeds about a thousand years...
constexpr qint64 MaxRangeSeconds = 1000LL * 36525LL * 864LL; // 1000 * 365.25 days
// ...or before either end leaves the stamps that "yyyy/MM/dd hh:mm:ss" can show (years 1-9999).
constexpr qint64 MinStamp = -62135596800LL; // 0001/01/01 00:00:00 UTC
constexpr qint64 MaxStamp = 253402300799LL; // 9999/12/31 23:59:59 UTC

// Y limits stay within this magnitude whatever the wheel and the drags do, so that the
// limit editors can always show them and never push a clamped value back.
constexpr float MaxYLimit = 99999.9f;
// Zooming in stops before a Y range narrower than this.
constexpr float MinYRange = 0.1f;

struct XRange
{
    qint64 start = 0;
    qint64 end = 0;
};

enum class Grab
{
    None,
    A,
    B
};

// The vernier a left press at x picks up; A wins when both are within reach.
Grab grabAt(int x, bool drawA, int posA, bool drawB, int posB);

struct Hover
{
    bool a = false;
    bool b = false;
    bool splitCursor = false; // false: the cursor is unset
};

// Hover flags and cursor after a move to x; a dragged vernier stays hovered wherever the mouse is.
Hover hoverAt(int x, bool drawA, int posA, bool dragA, bool drawB, int posB, bool dragB);

// Where a dragged vernier lands for a mouse at x: inside [plotLeft, plotRight - 1].
int clampDraggedVernier(int x, int plotLeft, int plotRight);

// Vernier x after the widget width changes, at the same place relative to the plot width.
// Unchanged when the old plot width was not positive (first resize, degenerate widget).
int rescaleVernier(int pos, int marginLeft, int marginRight, int oldWidth, int newWidth);

qint64 roundHalfAway(double v);

struct XPan
{
    qint64 shift = 0;       // seconds to add to both ends
    float remainder = 0.0f; // the new panRemainder
};

// X drag by dx pixels. Less than a second of movement is carried in the remainder; once a
// whole second is reached the fraction is dropped. Moving right shows earlier times.
XPan panX(const XRange& r, int dx, int plotLeft, int plotRight, float remainder);

// Amount both limits of one Y axis move for a drag of dy pixels (down raises them).
float panYShift(float upper, float lower, int dy, int plotTop, int plotBottom);

// Seconds onMoveView adds to both X ends for a shift of sftX pixels.
qint64 moveViewShift(int sftX, const XRange& r, int plotLeft, int plotRight);

// Adds a whole number of seconds to both ends, as the pans do (through double, truncated).
XRange shifted(const XRange& r, double d);

// One wheel step on the X range about the local x. Zooming in stops before the range would
// drop below half a second per pixel; zooming out stops before it would leave the limits
// above. Returns the range unchanged when the step is refused.
XRange zoomX(const XRange& r, int x, int plotLeft, int plotRight, bool zoomIn);

// One wheel step on a Y axis about its middle: 2 % of the range off (in) or on (out) each
// end. A step that would leave MaxYLimit or go below MinYRange is refused.
void zoomY(float& upper, float& lower, bool zoomIn);

// Moves both limits by shift unless that would take either past MaxYLimit.
void panY(float& upper, float& lower, float shift);

// The range centred on stamp with the old width (less one second for odd widths), but never
// narrower than one second.
XRange centredOn(const XRange& r, qint64 stamp);

// True for y strictly inside the marker band just above the X axis.
bool inMarkerBand(int y, int plotBottom, int iconSize);

// Time stamp at pixel x (truncating 64-bit arithmetic); plotLeft's stamp when the plot has no
// width.
qint64 stampAt(int x, const XRange& r, int plotLeft, int plotRight);

// Pixel x of a stamp for the tooltip anchor; plotLeft when the range has no width.
int tipXOf(qint64 stamp, const XRange& r, int plotLeft, int plotRight);

struct TipHit
{
    bool found = false;
    qint64 stamp = 0;
    QString text;
};

struct TipSources
{
    const QList<ErrorRecord>* errors = nullptr; // searched when set
    const QList<EventRecord>* systemEvents = nullptr;
    const QList<EventRecord>* userEvents = nullptr;
};

// The first fault in [low, high], else the first system event, else the first user event.
TipHit findTip(const TipSources& src, qint64 low, qint64 high);

QString stampText(qint64 stamp);

} // namespace ViewNavigation
