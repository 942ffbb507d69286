#pragma once

#include "datasession.h"
#include "sortedtavdata.h"

#include <QList>
#include <QPair>
#include <QString>

using InfoMessages = QList<QPair<QString, int>>;

// A data set on a worker thread of its own, driven by the viewer's own session and hand-off:
// each request waits for its answer.
class ToolSession
{
public:
    ToolSession();
    ~ToolSession();
    ToolSession(const ToolSession&) = delete;
    ToolSession& operator=(const ToolSession&) = delete;

    // Runs onReadTrigged and waits for readFinished; returns the data set's status. Without
    // summaries the samples are the same, but drawing and range statistics are slower.
    int read(const QString& path, bool summaries = true);
    // Runs onExportData; true when exportFinished came.
    bool exportCsv(const QString& filePath, const QList<int>& indexList, qlonglong stampStart,
                   qlonglong stampEnd);

    // Safe to read between requests: the worker is idle then.
    const SortedTavData& data() const { return m_session.dataSet; }
    // Every pushInfoUpward message so far, in the order they were emitted.
    const InfoMessages& messages() const { return m_messages; }

private:
    InfoMessages m_messages;
    DataSession m_session;
};
