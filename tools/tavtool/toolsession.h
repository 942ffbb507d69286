#pragma once

#include "sortedtavdata.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QThread>

using InfoMessages = QList<QPair<QString, int>>;

// A data set on a worker thread of its own, driven exactly as the viewer drives it: requests
// go to its slots as queued calls, and the caller waits for the answering signals.
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
    const SortedTavData& data() const { return m_set; }
    // Every pushInfoUpward message so far, in the order they were emitted.
    const InfoMessages& messages() const { return m_messages; }

private:
    SortedTavData m_set;
    QThread m_worker;
    InfoMessages m_messages;
};
