#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

class TavDrawer;
class SortedTavData;

struct TestReportOptions
{
    QString dataFile; // its file name is the title
    QString pdfPath;
    qint64 from = 0; // statistics and events cover [from, to], stamps inclusive
    qint64 to = 0;
    QDateTime generated = QDateTime::currentDateTime();
};

// One row of the report's event list.
struct ReportEvent
{
    qint64 stamp = 0;
    QString kind; // "故障", "故障解除", "系统事件" or "用户事件"
    QString text;
};

// Faults, system and user events of set with stamps in [from, to], in time order (file
// order among equal stamps, faults before system before user events).
QVector<ReportEvent> reportEvents(const SortedTavData& set, qint64 from, qint64 to);

// Writes an A4 landscape PDF test report of the canvas's loaded data: title and generation
// time, the information items, the plot as the canvas paints it (vector, its drawn curves,
// colours, limits and view range) across the page's width on white, with a legend, the statistics
// of the drawn curves and the events over [from, to], and page numbers. With tolerance pairs,
// a section "容差检查" before the events: the plot with the bands, each pair's holds with
// their verdicts and its ramps (the canvas's last check, or one made now when it has none
// for its pairs), and the overall verdict. Text stays text, with its glyphs embedded. False,
// with *error set, when there is no data or the file cannot be written.
bool writeTestReport(TavDrawer& canvas, const TestReportOptions& options, QString* error);
