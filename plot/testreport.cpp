#include "testreport.h"

#include "plotlog.h"
#include "rangestats.h"
#include "statsrange.h"
#include "tavdrawer.h"
#include "tolerancepairs.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>

namespace {

// The context of the report's texts.
struct TestReport
{
    Q_DECLARE_TR_FUNCTIONS(TestReport)
};

// A page holds about 35 events and each costs the GUI thread some 0.1 ms to lay out: a log
// of a hundred thousand events would freeze the window for seconds for pages nobody reads.
// The rest is counted in a closing line; the event page and `tavtool dump` list them all.
constexpr int MaxReportEvents = 5000;
// The same for the holds and the ramps of one pair: a profile of short cycles has thousands.
constexpr int MaxToleranceRows = 5000;

QString stampText(qint64 stamp)
{
    return QDateTime::fromSecsSinceEpoch(stamp, Qt::UTC)
        .toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"));
}

// Lays the report out top to bottom, page by page. A dry run only counts the pages, so
// that the real run can print "第 n 页 / 共 m 页" on every page.
class Composer
{
public:
    Composer(QPdfWriter& writer, QPainter* painter, int pages)
        : m_writer(writer), m_painter(painter), m_pages(pages)
    {
        m_width = writer.width();
        m_height = writer.height();
        m_body = QFont(QStringLiteral("微软雅黑"));
        m_body.setPointSizeF(9);
        m_bold = m_body;
        m_bold.setBold(true);
        m_title = m_bold;
        m_title.setPointSizeF(16);
        m_line = QFontMetricsF(m_body, &writer).height() + 4;
    }

    bool dry() const { return m_painter == nullptr; }
    int page() const { return m_page; }
    qreal width() const { return m_width; }
    qreal room() const { return bottom() - m_y; }
    qreal line() const { return m_line; }
    qreal y() const { return m_y; }
    void advance(qreal h) { m_y += h; }

    // Starts a new page unless h more fits on this one.
    void ensure(qreal h)
    {
        if (m_y > 0 && m_y + h > bottom())
            newPage();
    }

    void newPage()
    {
        footer();
        if (!dry())
            m_writer.newPage();
        ++m_page;
        m_y = 0;
    }

    void finish() { footer(); }

    void text(const QRectF& r, const QString& s, const QFont& font, int flags = Qt::AlignLeft)
    {
        if (dry())
            return;
        m_painter->setFont(font);
        m_painter->setPen(Qt::black);
        const QString shown =
            QFontMetricsF(font, &m_writer).elidedText(s, Qt::ElideRight, r.width() - 2);
        m_painter->drawText(r, flags | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    }

    // A line of text across the page.
    void paragraph(const QString& s, const QFont& font)
    {
        const qreal h = QFontMetricsF(font, &m_writer).height() + 6;
        ensure(h);
        text(QRectF(0, m_y, m_width, h), s, font);
        m_y += h;
    }

    // One table row: cells left to right with the given widths; a rule under it.
    void row(const QStringList& cells, const QVector<qreal>& widths, const QFont& font)
    {
        ensure(m_line);
        qreal x = 0;
        for (int c = 0; c < cells.size() && c < widths.size(); ++c) {
            text(QRectF(x + 2, m_y, widths[c] - 4, m_line), cells[c], font);
            x += widths[c];
        }
        if (!dry()) {
            m_painter->setPen(QPen(QColor(0xC0, 0xC0, 0xC0), 0.5));
            m_painter->drawLine(QPointF(0, m_y + m_line), QPointF(x, m_y + m_line));
        }
        m_y += m_line;
    }

    QPainter* painter() const { return m_painter; }
    const QFont& body() const { return m_body; }
    const QFont& bold() const { return m_bold; }
    const QFont& title() const { return m_title; }

private:
    qreal bottom() const { return m_height - m_line - 4; }

    void footer()
    {
        if (dry())
            return;
        text(QRectF(0, m_height - m_line, m_width, m_line),
             TestReport::tr("第 %1 页 / 共 %2 页").arg(m_page).arg(m_pages), m_body,
             Qt::AlignHCenter);
    }

    QPdfWriter& m_writer;
    QPainter* m_painter;
    int m_pages;
    int m_page = 1;
    qreal m_y = 0;
    qreal m_width = 0;
    qreal m_height = 0;
    qreal m_line = 0;
    QFont m_body;
    QFont m_bold;
    QFont m_title;
};

// Widths that share the page in the given proportions.
QVector<qreal> columnWidths(const QVector<qreal>& weights, qreal total)
{
    qreal sum = 0;
    for (qreal w : weights)
        sum += w;
    QVector<qreal> widths;
    for (qreal w : weights)
        widths.append(total * w / sum);
    return widths;
}

void composeHeading(Composer& c, const TestReportOptions& o)
{
    c.paragraph(QFileInfo(o.dataFile).fileName(), c.title());
    c.paragraph(TestReport::tr("生成时间：%1")
                    .arg(o.generated.toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"))),
                c.body());
    c.paragraph(TestReport::tr("统计区间：%1 至 %2").arg(stampText(o.from), stampText(o.to)),
                c.body());
}

// Information items, three "name：value" pairs to a row.
void composeInfo(Composer& c, const SortedTavData& set)
{
    const int n = std::min(set.infoNames.size(), set.infoValues.size());
    if (n == 0)
        return;
    c.paragraph(TestReport::tr("文件信息"), c.bold());
    const int perRow = 3;
    const QVector<qreal> widths = columnWidths({1, 1, 1}, c.width());
    for (int i = 0; i < n; i += perRow) {
        QStringList cells;
        for (int k = i; k < i + perRow && k < n; ++k)
            cells.append(TestReport::tr("%1：%2").arg(set.infoNames.at(k), set.infoValues.at(k)));
        c.row(cells, widths, c.body());
    }
    c.advance(c.line() / 2);
}

// The canvas paints its view into the PDF painter as vectors, at the page's width and as
// tall as the page leaves room for, on white: the window's own shape (often taller than
// wide) would fill a third of a landscape page, and its dark mode would print a dark block.
void composePlot(Composer& c, TavDrawer& canvas, qreal maxHeight = 1e9)
{
    const qreal legend = 2 * c.line();
    if (c.room() < 0.45 * (c.room() + c.y()))
        c.newPage();
    const QSize size(int(c.width()), int(std::min(maxHeight, c.room() - legend)));
    if (size.isEmpty())
        return;
    if (!c.dry()) {
        QPainter* p = c.painter();
        p->save();
        p->translate(0, c.y());
        canvas.renderForPrint(*p, size);
        // The canvas fills its margins generously past its own edges. A clip would keep
        // that in, but the PDF engine then loses the text drawn after a clipped label, so
        // the page is whitened again beyond the plot's right and bottom edges instead.
        const qreal w = size.width();
        const qreal h = size.height();
        p->fillRect(QRectF(w, -1, 2 * w + 2, 2 * h + 2), Qt::white);
        p->fillRect(QRectF(-w, h, 4 * w, h + 2), Qt::white);
        p->restore();
    }
    c.advance(size.height() + 4);
}

// A swatch and the name of every drawn curve, wrapping at the page edge.
void composeLegend(Composer& c, const TavDrawer& canvas)
{
    const QFontMetricsF metrics(c.body(), c.painter() ? c.painter()->device() : nullptr);
    qreal x = 0;
    c.ensure(c.line());
    for (int index : drawnCurveIndexes(canvas.curveInfoList)) {
        const CurveInfo& info = canvas.curveInfoList.at(index);
        const qreal w = 28 + metrics.horizontalAdvance(info.CurveName) + 16;
        if (x > 0 && x + w > c.width()) {
            c.advance(c.line());
            c.ensure(c.line());
            x = 0;
        }
        if (!c.dry()) {
            QPainter* p = c.painter();
            const qreal mid = c.y() + c.line() / 2;
            p->setPen(QPen(QColor(info.CurveColor), 2.5));
            p->drawLine(QPointF(x + 2, mid), QPointF(x + 24, mid));
        }
        c.text(QRectF(x + 28, c.y(), w - 28, c.line()), info.CurveName, c.body());
        x += w;
    }
    c.advance(c.line() * 1.5);
}

void composeStatistics(Composer& c, const TavDrawer& canvas, qint64 from, qint64 to)
{
    c.ensure(4 * c.line());
    c.paragraph(TestReport::tr("区间统计"), c.bold());
    const QVector<qreal> widths = columnWidths({13, 6, 6, 13, 6, 13, 6, 6, 6, 6, 6, 8}, c.width());
    c.row({TestReport::tr("名称"), TestReport::tr("数量"), TestReport::tr("最小"),
           TestReport::tr("最小时刻"), TestReport::tr("最大"), TestReport::tr("最大时刻"),
           TestReport::tr("平均"), TestReport::tr("峰峰值"), TestReport::tr("标准差"),
           TestReport::tr("首值"), TestReport::tr("末值"), TestReport::tr("速率(/min)")},
          widths, c.bold());
    const QString none = QStringLiteral("-");
    for (int index : drawnCurveIndexes(canvas.curveInfoList)) {
        const RangeSummary s = rangeSummary(canvas.dataSet, index, from, to);
        const QStringList f = statisticsTexts(s);
        const bool any = s.count > 0;
        c.row({canvas.curveInfoList.at(index).CurveName, QString::number(s.count), f[0],
               any ? stampText(s.minStamp) : none, f[1], any ? stampText(s.maxStamp) : none, f[2],
               f[3], f[4], any ? statisticText(s.first, 2) : none,
               any ? statisticText(s.last, 2) : none, f[5]},
              widths, c.body());
    }
    c.advance(c.line());
}

void composeEvents(Composer& c, const SortedTavData& set, qint64 from, qint64 to)
{
    const QVector<ReportEvent> events = reportEvents(set, from, to);
    c.ensure(3 * c.line());
    c.paragraph(TestReport::tr("事件（%1）").arg(events.size()), c.bold());
    const QVector<qreal> widths = columnWidths({15, 10, 75}, c.width());
    c.row({TestReport::tr("时间"), TestReport::tr("类型"), TestReport::tr("内容")}, widths,
          c.bold());
    const int listed = std::min(events.size(), MaxReportEvents);
    for (int k = 0; k < listed; ++k) {
        const ReportEvent& e = events.at(k);
        QString text = e.text;
        text.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\t'), ' ');
        c.row({stampText(e.stamp), e.kind, text}, widths, c.body());
    }
    if (listed < events.size())
        c.paragraph(TestReport::tr("另有 %n 条事件未列出（区间内共 %1 条）", nullptr,
                                   events.size() - listed)
                        .arg(events.size()),
                    c.bold());
}

QString verdictText(bool pass)
{
    return pass ? TestReport::tr("合格") : TestReport::tr("不合格");
}

// Whole seconds as h:mm:ss.
QString durationText(qint64 seconds)
{
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString figureText(const std::optional<double>& v)
{
    return v ? statisticText(*v, 2) : QStringLiteral("-");
}

// What the tolerance section reports: the pairs and timing, and a result per pair.
struct ToleranceReport
{
    ToleranceSettings settings;
    QVector<ToleranceResult> results;

    bool any() const { return !settings.pairs.isEmpty(); }
    bool pass() const
    {
        bool all = any();
        for (const ToleranceResult& r : results)
            all = all && r.pass;
        return all;
    }
};

// The canvas's pairs with the check that belongs to them: its last one when it is current,
// else one made now, so that a report asked for before a check came back still has it.
ToleranceReport toleranceReport(const TavDrawer& canvas)
{
    ToleranceReport t;
    t.settings = canvas.tolerance;
    if (canvas.toleranceResults.size() == t.settings.pairs.size()) {
        t.results = canvas.toleranceResults;
        return t;
    }
    for (const TolerancePair& pair : qAsConst(t.settings.pairs))
        t.results.append(TolerancePairs::check(canvas.dataSet, pair, t.settings.timing));
    return t;
}

// The plot with the bands on, whatever the window shows.
void composeTolerancePlot(Composer& c, TavDrawer& canvas, const ToleranceReport& t)
{
    const ToleranceSettings settings = canvas.tolerance;
    const QVector<ToleranceResult> results = canvas.toleranceResults;
    canvas.tolerance = t.settings;
    canvas.tolerance.showBands = true;
    canvas.toleranceResults = t.results;
    composePlot(c, canvas, 0.55 * (c.room() + c.y()));
    canvas.tolerance = settings;
    canvas.toleranceResults = results;
    composeLegend(c, canvas);
}

void composeHolds(Composer& c, const ToleranceResult& r, const ToleranceTiming& timing)
{
    if (r.holds.isEmpty()) {
        c.paragraph(
            TestReport::tr("没有保持段：设定值没有一段有效且不变地持续 %1 秒以上，判为不合格")
                .arg(timing.minHold),
            c.body());
        return;
    }
    const QVector<qreal> widths = columnWidths({5, 13, 13, 7, 13, 8, 8, 8, 6, 8, 7}, c.width());
    c.row({TestReport::tr("序号"), TestReport::tr("开始"), TestReport::tr("结束"),
           TestReport::tr("设定值"), TestReport::tr("稳定时刻"), TestReport::tr("稳定用时"),
           TestReport::tr("平均偏差"), TestReport::tr("波动度"), TestReport::tr("超差次数"),
           TestReport::tr("超差时长"), TestReport::tr("结论")},
          widths, c.bold());
    const QString none = QStringLiteral("-");
    const int listed = std::min(r.holds.size(), MaxToleranceRows);
    for (int k = 0; k < listed; ++k) {
        const ToleranceHold& h = r.holds.at(k);
        const bool any = h.count > 0;
        c.row({QString::number(k + 1), stampText(h.from), stampText(h.to),
               statisticText(h.setpoint, 2), h.stableAt ? stampText(*h.stableAt) : none,
               h.settling ? durationText(*h.settling) : none,
               any ? statisticText(h.meanDeviation, 2) : none,
               any ? QStringLiteral("±%1").arg(statisticText(h.fluctuation, 2)) : none,
               QString::number(h.excursions.size()), durationText(h.outOfBand),
               verdictText(h.pass)},
              widths, c.body());
    }
    if (listed < r.holds.size())
        c.paragraph(
            TestReport::tr("另有 %n 个保持段未列出（共 %1 个）", nullptr, r.holds.size() - listed)
                .arg(r.holds.size()),
            c.bold());
}

void composeRamps(Composer& c, const ToleranceResult& r)
{
    if (r.ramps.isEmpty())
        return;
    c.advance(c.line() / 2);
    const QVector<qreal> widths = columnWidths({13, 13, 8, 8, 10, 10, 8}, c.width());
    c.row({TestReport::tr("斜坡开始"), TestReport::tr("斜坡结束"), TestReport::tr("起始设定"),
           TestReport::tr("目标设定"), TestReport::tr("设定速率(/min)"),
           TestReport::tr("实际速率(/min)"), TestReport::tr("过冲")},
          widths, c.bold());
    const int listed = std::min(r.ramps.size(), MaxToleranceRows);
    for (int k = 0; k < listed; ++k) {
        const ToleranceRamp& p = r.ramps.at(k);
        c.row({stampText(p.from), stampText(p.to), statisticText(p.start, 2),
               statisticText(p.end, 2), figureText(p.programmedRate), figureText(p.achievedRate),
               figureText(p.overshoot)},
              widths, c.body());
    }
    if (listed < r.ramps.size())
        c.paragraph(
            TestReport::tr("另有 %n 段斜坡未列出（共 %1 段）", nullptr, r.ramps.size() - listed)
                .arg(r.ramps.size()),
            c.bold());
}

// From a page of its own: the plot with the bands, per pair its holds with their verdicts and
// its ramps, and the verdict over all pairs.
void composeTolerance(Composer& c, TavDrawer& canvas, const ToleranceReport& t)
{
    if (!t.any())
        return;
    c.newPage();
    c.paragraph(TestReport::tr("容差检查"), c.title());
    c.paragraph(TestReport::tr("判稳时间 %1 秒，最短保持 %2 秒")
                    .arg(t.settings.timing.dwell)
                    .arg(t.settings.timing.minHold),
                c.body());
    composeTolerancePlot(c, canvas, t);
    const QStringList& names = canvas.dataSet.names;
    for (int p = 0; p < t.settings.pairs.size() && p < t.results.size(); ++p) {
        const TolerancePair& pair = t.settings.pairs.at(p);
        const ToleranceResult& r = t.results.at(p);
        c.ensure(4 * c.line());
        c.paragraph(TestReport::tr("%1 对设定值 %2，容差带 -%3 / +%4：%5")
                        .arg(names.value(pair.measured), names.value(pair.setpoint),
                             QString::number(pair.band.below), QString::number(pair.band.above),
                             verdictText(r.pass)),
                    c.bold());
        composeHolds(c, r, t.settings.timing);
        composeRamps(c, r);
        c.advance(c.line());
    }
    c.ensure(2 * c.line());
    c.paragraph(TestReport::tr("总结论：%1").arg(verdictText(t.pass())), c.title());
}

void compose(Composer& c, TavDrawer& canvas, const TestReportOptions& o,
             const ToleranceReport& tolerance)
{
    composeHeading(c, o);
    composeInfo(c, canvas.dataSet);
    composePlot(c, canvas);
    composeLegend(c, canvas);
    composeStatistics(c, canvas, o.from, o.to);
    composeTolerance(c, canvas, tolerance);
    composeEvents(c, canvas.dataSet, o.from, o.to);
    c.finish();
}

} // namespace

QVector<ReportEvent> reportEvents(const SortedTavData& set, qint64 from, qint64 to)
{
    QVector<ReportEvent> events;
    auto inRange = [&](qint64 stamp) { return stamp >= from && stamp <= to; };
    for (const ErrorRecord& e : set.errors) {
        if (!inRange(e.stamp))
            continue;
        if (e.state == 1)
            events.append(
                {e.stamp, TestReport::tr("故障"), TestReport::tr("故障[%1] 发生").arg(e.code)});
        else if (e.state == 0)
            events.append(
                {e.stamp, TestReport::tr("故障解除"), TestReport::tr("故障[%1] 解除").arg(e.code)});
        else
            events.append({e.stamp, TestReport::tr("故障"),
                           TestReport::tr("故障[%1] 状态%2").arg(e.code).arg(e.state)});
    }
    for (const EventRecord& e : set.systemEvents) {
        if (inRange(e.stamp))
            events.append({e.stamp, TestReport::tr("系统事件"), e.text});
    }
    for (const EventRecord& e : set.userEvents) {
        if (inRange(e.stamp))
            events.append({e.stamp, TestReport::tr("用户事件"), e.text});
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const ReportEvent& a, const ReportEvent& b) { return a.stamp < b.stamp; });
    return events;
}

bool writeTestReport(TavDrawer& canvas, const TestReportOptions& options, QString* error)
{
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (!canvas.hasData())
        return fail(QStringLiteral("no data"));

    QPdfWriter writer(options.pdfPath);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageOrientation(QPageLayout::Landscape);
    writer.setPageMargins(QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter);
    // Canvas pixels become points of a 96-dpi page, so the plot's fonts and pens keep
    // the proportions they have on screen.
    writer.setResolution(96);
    writer.setTitle(QFileInfo(options.dataFile).fileName());
    writer.setCreator(QStringLiteral("Ostrel"));

    const ToleranceReport tolerance = toleranceReport(canvas);
    Composer counting(writer, nullptr, 0);
    compose(counting, canvas, options, tolerance);

    QPainter painter;
    if (!painter.begin(&writer))
        return fail(QStringLiteral("cannot write %1").arg(options.pdfPath));
    Composer real(writer, &painter, counting.page());
    compose(real, canvas, options, tolerance);
    if (!painter.end())
        return fail(QStringLiteral("cannot write %1").arg(options.pdfPath));
    qCDebug(lcPlot) << "writeTestReport" << options.pdfPath << real.page() << "pages";
    return true;
}
