#include "tavdrawer.h"

#include "axislabels.h"
#include "paintlanes.h"
#include "plotmapping.h"
#include "tolerancepainter.h"
#include "viewnavigation.h"

#include <QDateTime>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace {

QPen makePen(const QColor& color, qreal width, Qt::PenStyle style)
{
    return QPen(QBrush(color), width, style, Qt::SquareCap, Qt::BevelJoin);
}

QRect corners(int left, int top, int right, int bottom)
{
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

QString stampText(qint64 stamp)
{
    return QDateTime::fromSecsSinceEpoch(stamp, Qt::UTC)
        .toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"));
}

// More grid lines than pixels draw nothing new; a count from the INI may be anything.
int gridCount(int count, int extent)
{
    return std::max(0, std::min(count, extent));
}

// A run of one point is a dot, so that a lone sample between gaps stays visible.
void flushRun(QPainter& painter, const QPoint* pts, int r)
{
    if (r > 1)
        painter.drawPolyline(pts, r);
    else if (r == 1)
        painter.drawPoint(pts[0]);
}

} // namespace

void TavDrawer::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event)
    QPainter painter(this);
    if (!paintView(painter, size()))
        return;
    painter.end();
    emit repaintFinished();
    emit vernRefreshed();
}

// Everything a paint draws, into area from (0, 0). False when there is no data to draw.
bool TavDrawer::paintView(QPainter& painter, const QSize& area)
{
    vernValuesA.clear();
    vernValuesB.clear();
    vernStampA = 0;
    vernStampB = 0;

    const QColor background = DarkMode ? QColor(0x20, 0x20, 0x20) : QColor(0xFF, 0xFF, 0xFF);
    const QColor ink = DarkMode ? QColor(0xFF, 0xFF, 0xFF) : QColor(0x00, 0x00, 0x00);
    const QPen axisPen = makePen(ink, 1.0, Qt::SolidLine);
    const QPen gridPen = makePen(DarkMode ? QColor(0x6E, 0x6E, 0x6E) : QColor(0x50, 0x50, 0x50),
                                 0.75, Qt::SolidLine);

    painter.setPen(Qt::NoPen);
    painter.fillRect(QRect(QPoint(0, 0), area), background);
    if (WaterMark)
        painter.fillRect(QRect(QPoint(0, 0), area), DarkMode ? darkWaterBrush : lightWaterBrush);
    if (!hasData())
        return false;

    paintGrid(painter, gridPen);
    // Under the curves, so that no band hides a curve's ink.
    TolerancePainter::paint(painter, TimeMapping{stampStart, stampEnd, plotLeft, plotRight},
                            plotTop, plotBottom, upperLimits, lowerLimits, tolerance,
                            toleranceResults, curveInfoList);
    painter.setRenderHint(QPainter::Antialiasing, true);
    paintCurves(painter);
    painter.setRenderHint(QPainter::Antialiasing, false);
    paintFrame(painter, area, background, axisPen);
    paintLabels(painter, area.width());
    paintEvents(painter);
    paintVerniers(painter, ink);
    return true;
}

void TavDrawer::renderForPrint(QPainter& painter, const QSize& area)
{
    // A paint sets the plot edges, clamps the verniers and reads them: all of that is the
    // screen's and comes back as it was, so the side panel never sees the print's values.
    const int plotRight0 = plotRight;
    const int plotBottom0 = plotBottom;
    const int vernPosA0 = vernPosA;
    const int vernPosB0 = vernPosB;
    const qint64 vernStampA0 = vernStampA;
    const qint64 vernStampB0 = vernStampB;
    const QList<float> vernValuesA0 = vernValuesA;
    const QList<float> vernValuesB0 = vernValuesB;
    const bool dark0 = DarkMode;
    const bool waterMark0 = WaterMark;

    const int width0 = plotRight + marginRight;
    plotRight = area.width() - marginRight;
    plotBottom = area.height() - marginBottom;
    vernPosA =
        ViewNavigation::rescaleVernier(vernPosA, marginLeft, marginRight, width0, area.width());
    vernPosB =
        ViewNavigation::rescaleVernier(vernPosB, marginLeft, marginRight, width0, area.width());
    // Paper is white, and a tiled brand image would only hide the curves on it.
    DarkMode = false;
    WaterMark = false;
    painter.save();
    paintView(painter, area);
    painter.restore();

    plotRight = plotRight0;
    plotBottom = plotBottom0;
    vernPosA = vernPosA0;
    vernPosB = vernPosB0;
    vernStampA = vernStampA0;
    vernStampB = vernStampB0;
    vernValuesA = vernValuesA0;
    vernValuesB = vernValuesB0;
    DarkMode = dark0;
    WaterMark = waterMark0;
}

void TavDrawer::onRepaintRequestedByData()
{
    blockSignals(true);
    repaint();
    blockSignals(false);
    emit vernRefreshed();
}

void TavDrawer::paintGrid(QPainter& painter, const QPen& gridPen)
{
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(gridPen);
    const int h = plotBottom - plotTop;
    const int w = plotRight - plotLeft;
    const int ny = gridCount(ySplCount, h);
    for (int k = 1; k <= ny; ++k) {
        const int y = plotTop + int(qint64(h) * k / (ny + 1));
        painter.drawLine(plotLeft, y, plotRight, y);
    }
    const int nx = gridCount(xSplCount, w);
    for (int k = 1; k <= nx; ++k) {
        const int x = plotLeft + int(qint64(w) * k / (nx + 1));
        painter.drawLine(x, plotTop, x, plotBottom);
    }
}

// The data set's breaks, or the canvas's own when its bridgeGap differs or the data set
// was filled without them.
const TimeBreaks& TavDrawer::paintBreaks(int samples)
{
    const TimeBreaks& own = dataSet.timeBreaks;
    if (own.count() == samples && own.bridgeGap() == bridgeGap)
        return own;
    ownBreaks.build(dataSet.stamps.constData(), samples, bridgeGap);
    return ownBreaks;
}

void TavDrawer::paintCurves(QPainter& painter)
{
    drawnCurves.clear();
    for (int i = 0; i < curveInfoList.size(); ++i) {
        if (curveInfoList[i].ToDraw)
            drawnCurves.append(i);
    }
    const int count = drawnCurves.size();
    for (int j = 0; j < count; ++j) {
        vernValuesA.append(999.0f);
        vernValuesB.append(999.0f);
    }
    const TimeMapping tm{stampStart, stampEnd, plotLeft, plotRight};
    vernStampA = tm.timeAt(vernPosA);
    vernStampB = tm.timeAt(vernPosB);
    const int samples = std::min(dataSet.sampleCount, dataSet.stamps.size());
    if (samples <= 0)
        return;
    const TimeBreaks& breaks = paintBreaks(samples);
    readVerniers(breaks);
    if (!tm.valid() || upperLimits.isEmpty() || lowerLimits.isEmpty())
        return; // a zero-width range or plot maps nothing

    // The pixel columns of each stretch, shared by all curves.
    const qint64* stamps = dataSet.stamps.constData();
    stretchViews.clear();
    columnBuffer.clear();
    const QVector<int>& starts = breaks.stretchStarts();
    for (int s = 0; s < starts.size(); ++s) {
        StretchView v;
        v.first = starts[s];
        v.last = breaks.stretchEnd(s);
        const qint64* begin = stamps + v.first;
        const qint64* end = stamps + v.last + 1;
        v.visFirst = int(std::lower_bound(begin, end, stampStart) - stamps);
        v.visLast = int(std::upper_bound(begin, end, stampEnd) - stamps) - 1;
        v.columnOffset = columnBuffer.size();
        if (v.visFirst <= v.visLast)
            CurveAggregator::columns(stamps, v.visFirst, v.visLast, tm, breaks, columnBuffer);
        v.columnCount = columnBuffer.size() - v.columnOffset;
        stretchViews.append(v);
    }

    prepareCurveJobs(samples);
    qint64 visible = 0;
    for (const StretchView& v : qAsConst(stretchViews))
        visible += v.columnCount;
    CurvePainter* inks = curveInks.data();
    const CurveJob* jobs = curveJobs.constData();
    lanes.run(count, PaintLanes::lanesFor(visible * count), [&](int j, int lane) {
        if (jobs[j].values)
            inkCurve(inks[j], jobs[j], breaks, markBuffers[lane]);
    });
    CurvePainter::hideCovered(curveInks.data(), count,
                              QRect(QPoint(plotLeft, plotTop), QPoint(plotRight, plotBottom)),
                              coverTop, coverBottom);
    for (int j = 0; j < count; ++j)
        curveInks[j].paint(painter);
}

// Pen, value mapping and column of each drawn curve; a curve that cannot be placed gets
// no column and draws nothing.
void TavDrawer::prepareCurveJobs(int samples)
{
    const int count = drawnCurves.size();
    if (curveInks.size() < count)
        curveInks.resize(count);
    curveJobs.resize(count);
    CurveJob* jobs = curveJobs.data();
    for (int j = 0; j < count; ++j) {
        const int c = drawnCurves[j];
        const CurveInfo& info = curveInfoList[c];
        CurveJob& job = jobs[j];
        job.values = nullptr;
        curveInks[j].begin(QPen(Qt::NoPen));
        if (c >= dataSet.values.size() || dataSet.values.at(c).size() < samples)
            continue;
        const int axis = info.RefIndex >= 0 && info.RefIndex < upperLimits.size() &&
                                 info.RefIndex < lowerLimits.size()
                             ? info.RefIndex
                             : 0;
        job.vm = ValueMapping(upperLimits[axis], lowerLimits[axis], plotTop, plotBottom);
        if (!job.vm.valid())
            continue; // equal limits: nothing of this curve can be placed
        curveInks[j].begin(
            makePen(QColor(info.CurveColor), info.CurveWeight, Qt::PenStyle(info.CurveStyle)));
        job.values = dataSet.values.at(c).constData();
        job.summary = dataSet.summaryOf(c);
    }
}

// The ink of one curve over every visible stretch. Runs on any paint lane: it reads the
// data set and the paint's column buffers, and writes only ink and marks.
void TavDrawer::inkCurve(CurvePainter& ink, const CurveJob& job, const TimeBreaks& breaks,
                         QVector<CurveAggregator::Mark>& marks) const
{
    for (int s = 0; s < stretchViews.size(); ++s) {
        const StretchView& v = stretchViews[s];
        addLeads(ink, breaks, job.values, s, job.vm);
        marks.clear();
        CurveAggregator::aggregate(job.values, job.summary, breaks,
                                   columnBuffer.constData() + v.columnOffset, v.columnCount, marks);
        ink.add(marks.constData(), marks.size(), job.vm);
    }
}

// The lines from the last sample left of the range to the first one in it, and from the
// last one in it to the next: they enter and leave the plot at their true slope.
void TavDrawer::addLeads(CurvePainter& ink, const TimeBreaks& breaks, const float* values,
                         int stretch, const ValueMapping& vm) const
{
    const StretchView& v = stretchViews[stretch];
    const qint64* stamps = dataSet.stamps.constData();
    const double span = double(stampEnd - stampStart);
    const double width = double(plotRight - plotLeft);
    const auto exactX = [&](int i) {
        return double(stamps[i] - stampStart) * width / span + plotLeft;
    };
    const auto lead = [&](int p, int q) {
        if (p < v.first || q > v.last || !breaks.joined(p) || !CurveSummary::isValid(values[p]) ||
            !CurveSummary::isValid(values[q]))
            return;
        const bool pIn = p >= v.visFirst && p <= v.visLast;
        const bool qIn = q >= v.visFirst && q <= v.visLast;
        const TimeMapping tm{stampStart, stampEnd, plotLeft, plotRight};
        double x0 = pIn ? tm.curveX(stamps[p]) : exactX(p);
        double x1 = qIn ? tm.curveX(stamps[q]) : exactX(q);
        double y0 = vm.y(values[p]);
        double y1 = vm.y(values[q]);
        if (x1 <= x0)
            return;
        // Clip to a little beyond the plot: the margins hide the rest.
        const double lo = plotLeft - 2.0;
        const double hi = plotRight + 2.0;
        const double slope = (y1 - y0) / (x1 - x0);
        if (x0 < lo) {
            y0 += (lo - x0) * slope;
            x0 = lo;
        }
        if (x1 > hi) {
            y1 -= (x1 - hi) * slope;
            x1 = hi;
        }
        ink.addLine(QPointF(x0, y0), QPointF(x1, y1));
    };
    if (v.visFirst > v.visLast) {
        lead(v.visFirst - 1, v.visFirst); // nothing inside: a line may still cross the plot
        return;
    }
    lead(v.visFirst - 1, v.visFirst);
    lead(v.visLast, v.visLast + 1);
}

// Each reading comes from the data: the latest sample at or before the vernier's time.
void TavDrawer::readVerniers(const TimeBreaks& breaks)
{
    const qint64* stamps = dataSet.stamps.constData();
    const auto read = [&](bool on, qint64& stamp, QList<float>& readings) {
        if (!on)
            return;
        const qint64 t = stamp;
        const int j = CurveAggregator::sampleAtOrBefore(stamps, breaks, t);
        for (int k = 0; k < drawnCurves.size(); ++k) {
            const int c = drawnCurves[k];
            if (c >= dataSet.values.size() || dataSet.values[c].size() < breaks.count())
                continue;
            const float r =
                CurveAggregator::readingAt(dataSet.values[c].constData(), stamps, breaks, j, t);
            readings[k] = r;
            if (r != CurveAggregator::NoReading)
                stamp = stamps[j];
        }
    };
    read(DrawA, vernStampA, vernValuesA);
    read(DrawB, vernStampB, vernValuesB);
}

void TavDrawer::paintFrame(QPainter& painter, const QSize& area, const QColor& background,
                           const QPen& axisPen)
{
    const int w = area.width();
    const int h = area.height();
    painter.setPen(Qt::NoPen);
    painter.setBrush(background);
    painter.fillRect(corners(0, 0, w - 1, plotTop - 1), background);
    painter.fillRect(corners(0, 0, plotLeft - 1, h - 1), background);
    painter.fillRect(corners(0, plotBottom, w - 1, plotBottom + h - 1), background);
    painter.fillRect(corners(plotRight, plotTop, plotRight + w - 1, plotTop + h - 1), background);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(axisPen);
    painter.drawLine(plotLeft, plotTop, plotLeft, plotBottom);
    painter.drawLine(plotLeft, plotBottom, plotRight, plotBottom);
    painter.drawLine(plotRight, plotTop, plotRight, plotBottom);
    painter.drawLine(plotLeft, plotTop, plotRight, plotTop);
}

void TavDrawer::paintLabels(QPainter& painter, int w)
{
    painter.setFont(titleFont);
    painter.drawStaticText(QPointF(8.0, 5.0), titleText);
    painter.setFont(unitFont);
    painter.drawStaticText(QPointF(plotLeft + 3, plotTop + 1), unitTextY1);
    painter.drawStaticText(QPointF(plotRight - 42, plotTop + 1), unitTextY2);

    // Intermediate labels sit on their grid lines; where they would run into each other
    // every s-th is shown; the end labels always are. Y labels wider than their margin
    // are moved inwards rather than cut.
    painter.setFont(valueFont);
    const QFontMetrics metrics = painter.fontMetrics();
    const auto number = [](float v) { return QString::number(v, 'f', 1); };
    const int n = gridCount(ySplCount, plotBottom - plotTop);
    const QVector<int> shownY = AxisLabels::shownLabels(n, plotTop, plotBottom, 30);
    for (int axis = 0; axis < 2 && axis < upperLimits.size() && axis < lowerLimits.size(); ++axis) {
        const float upper = upperLimits[axis];
        const float lower = lowerLimits[axis];
        const int side = axis == 0 ? Qt::AlignRight : Qt::AlignLeft;
        const auto label = [&](int top, int bottom, int vertical, const QString& text) {
            const int tw = metrics.horizontalAdvance(text);
            const AxisLabels::Span x = axis == 0 ? AxisLabels::leftAxisLabel(plotLeft, tw)
                                                 : AxisLabels::rightAxisLabel(plotRight, w, tw);
            painter.drawText(corners(x.left, top, x.right, bottom),
                             side | vertical | Qt::TextDontClip, text);
        };
        label(plotTop, plotTop + 19, Qt::AlignTop, number(upper));
        label(plotBottom - 20, plotBottom - 1, Qt::AlignBottom, number(lower));
        for (int m : shownY) {
            const int y = AxisLabels::gridPosition(plotTop, plotBottom, m, n);
            const float value = (lower - upper) / float(n + 1) * float(m) + upper;
            label(y - 10, y + 9, Qt::AlignVCenter, number(value));
        }
    }

    const auto timeLabel = [&](int x, const QStringList& parts) {
        painter.drawText(corners(x - 90, plotBottom + 3, x + 89, plotBottom + 22),
                         Qt::AlignHCenter | Qt::AlignTop | Qt::TextDontClip, parts.first());
        painter.drawText(corners(x - 90, plotBottom + 18, x + 89, plotBottom + 37),
                         Qt::AlignHCenter | Qt::AlignTop | Qt::TextDontClip, parts.last());
    };
    const QStringList first = stampText(stampStart).split(QLatin1Char(' '));
    const int labelWidth =
        std::max(metrics.horizontalAdvance(first.first()), metrics.horizontalAdvance(first.last()));
    timeLabel(plotLeft, first);
    timeLabel(plotRight, stampText(stampEnd).split(QLatin1Char(' ')));
    const int nx = gridCount(xSplCount, plotRight - plotLeft);
    for (int m : AxisLabels::shownLabels(nx, plotLeft, plotRight, labelWidth + 12)) {
        const qint64 stamp = stampStart + (stampEnd - stampStart) * m / (nx + 1);
        timeLabel(AxisLabels::gridPosition(plotLeft, plotRight, m, nx),
                  stampText(stamp).split(QLatin1Char(' ')));
    }
}

void TavDrawer::paintEvents(QPainter& painter)
{
    const TimeMapping tm{stampStart, stampEnd, plotLeft, plotRight};
    if (!tm.valid())
        return;
    const int top = plotBottom - iconSize;
    // A marker at either end of the view would spill half an icon over the bottom Y labels
    // and hide a minus sign; it is cut at the frame instead and stays centred on its time.
    painter.save();
    painter.setClipRect(QRect(plotLeft + 1, top, plotRight - plotLeft - 1, iconSize));
    const auto place = [&](quint32 stamp, const QPixmap& icon) {
        const qint64 t = stamp;
        if (t < stampStart || t > stampEnd)
            return;
        painter.drawPixmap(tm.markerX(t) - iconSize / 2, top, icon);
    };
    if (showError) {
        for (const ErrorRecord& e : qAsConst(dataSet.errors)) {
            if (e.state == 0)
                place(e.stamp, solveIcon);
            else if (e.state == 1)
                place(e.stamp, errIcon);
        }
    }
    if (showSys) {
        for (const EventRecord& e : qAsConst(dataSet.systemEvents))
            place(e.stamp, sysIcon);
    }
    if (showUser) {
        for (const EventRecord& e : qAsConst(dataSet.userEvents))
            place(e.stamp, userIcon);
    }
    painter.restore();
}

void TavDrawer::paintVerniers(QPainter& painter, const QColor& ink)
{
    const auto clampInside = [this](int& pos) {
        if (pos <= plotLeft)
            pos = plotLeft + 1;
        else if (pos >= plotRight)
            pos = plotRight - 1;
    };
    clampInside(vernPosA);
    clampInside(vernPosB);
    painter.setBrush(Qt::NoBrush);
    painter.setFont(vernFont);
    const auto draw = [&](int pos, bool wide, const QString& letter) {
        painter.setPen(makePen(ink, wide ? 4.0 : 2.0, Qt::DashLine));
        painter.drawLine(pos, plotTop - 1, pos, plotBottom + 2);
        painter.drawText(corners(pos - 10, plotTop - 20, pos + 9, plotTop - 3),
                         Qt::AlignHCenter | Qt::AlignBottom, letter);
    };
    if (DrawA)
        draw(vernPosA, hoverA || dragA, QStringLiteral("A"));
    if (DrawB)
        draw(vernPosB, hoverB || dragB, QStringLiteral("B"));
}
