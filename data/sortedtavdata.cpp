#include "sortedtavdata.h"

#include "datalog.h"
#include "tavcsv.h"
#include "tavdata.h"

#include <QHash>
#include <QThread>

#include <algorithm>
#include <limits>
#include <memory>
#include <thread>

SortedTavData::SortedTavData(QObject* parent) : QObject(parent) {}

namespace {

QString threadId()
{
    return QString::number(quintptr(QThread::currentThreadId()), 16);
}

} // namespace

int SortedTavData::readTavData(const QString& path)
{
    qCDebug(lcData) << "SortedTavData::readTavData" << threadId();
    std::unique_ptr<TavData> reader(new TavData);
    connect(reader.get(), &TavData::pushInfoUpward, this, &SortedTavData::pushInfoUpward);

    const QString extension = path.split(QLatin1Char('.')).last();
    qCDebug(lcData) << "File Format" << extension;
    if (extension.toUpper() == QLatin1String("CSV"))
        reader->readFromCsv(path, false);
    else
        reader->readFromBinary(path);

    infoNames = reader->infoNames;
    infoValues = reader->infoValues;
    errors = reader->errors;
    systemEvents = reader->systemEvents;
    userEvents = reader->userEvents;
    if (reader->status > 0) {
        status = reader->status;
        return status;
    }

    mergeBlocks(*reader, path);
    sampleCount = stamps.size();
    if (sampleCount < 4) {
        emit pushInfoUpward(
            QStringLiteral("%1 历史数据长度异常 长度为%2").arg(path).arg(sampleCount), -1);
        status = 1;
        return status;
    }

    for (const Span& span : equalSpacingRuns(stamps)) {
        spanIntervals.append(span.interval);
        spanIndexes.append(qMakePair(span.first, span.last));
        spanStamps.append(qMakePair(stamps.at(span.first), stamps.at(span.last)));
    }
    buildSummaries();
    status = reader->status;
    return status;
}

void SortedTavData::mergeBlocks(TavData& reader, const QString& path)
{
    QList<HistoryBlock>& blocks = reader.blocks;
    // Where each block's columns go; -1 for a repeated name, whose column is dropped so
    // that it cannot push its variable out of step with the stamps.
    QVector<QVector<int>> targets(blocks.size());
    qint64 total = stamps.size();
    // Name lookups by hash: a file may carry a hundred thousand variables.
    QHash<QString, int> indexOfName;
    for (int i = names.size() - 1; i >= 0; --i)
        indexOfName.insert(names.at(i), i);
    for (int b = 0; b < blocks.size(); ++b) {
        const HistoryBlock& block = blocks.at(b);
        QVector<int>& target = targets[b];
        target.reserve(block.names.size());
        QVector<bool> taken(names.size() + block.names.size(), false);
        for (const QString& name : block.names) {
            const auto found = indexOfName.constFind(name);
            int index = found == indexOfName.constEnd() ? -1 : found.value();
            if (index < 0) {
                names.append(name);
                values.append(QVector<float>());
                index = names.size() - 1;
                indexOfName.insert(name, index);
            } else if (taken.at(index)) {
                emit pushInfoUpward(
                    QStringLiteral("%1 变量名称重复，忽略重复的一列：%2").arg(path, name), -1);
                target.append(-1);
                continue;
            }
            taken[index] = true;
            target.append(index);
        }
        total += block.stamps.size();
    }
    // Every variable gets a value for every sample, so a small file that names thousands
    // of variables in one block and carries its samples in another would claim gigabytes
    // of MissingValue filling. Allow a generous multiple of what the file really holds.
    qint64 decoded = 0;
    for (const HistoryBlock& block : qAsConst(blocks))
        decoded += qint64(block.names.size()) * block.stamps.size();
    const qint64 filled = qint64(names.size()) * total - decoded;
    if (total > std::numeric_limits<int>::max() / qint64(sizeof(qint64)) - 1024 ||
        filled > 8 * decoded + (qint64(1) << 24)) {
        emit pushInfoUpward(QStringLiteral("%1 历史数据过长").arg(path), -1);
        return;
    }

    // A file with one block hands its containers over without copying them.
    const bool adopt = blocks.size() == 1 && stamps.isEmpty();
    if (!adopt) {
        stamps.reserve(int(total));
        for (QVector<float>& column : values)
            column.reserve(int(total));
    }
    for (int b = 0; b < blocks.size(); ++b) {
        emit pushInfoUpward(QStringLiteral("%1 整理历史数据...").arg(path),
                            int((b + 1) * 100.0 / blocks.size()));
        HistoryBlock& block = blocks[b];
        const int count = block.stamps.size();
        QVector<bool> carried(values.size(), false);
        for (int j = 0; j < targets.at(b).size(); ++j) {
            const int index = targets.at(b).at(j);
            if (index < 0)
                continue;
            carried[index] = true;
            QVector<float> column = std::move(block.values[j]);
            if (adopt)
                values[index] = std::move(column);
            else
                values[index].append(column);
        }
        for (int v = 0; v < values.size(); ++v) {
            if (!carried.at(v))
                values[v].insert(values[v].end(), count, MissingValue);
        }
        if (adopt)
            stamps = std::move(block.stamps);
        else
            stamps.append(block.stamps);
        block.stamps = QVector<qint64>();
    }
}

QVector<SortedTavData::Span> SortedTavData::equalSpacingRuns(const QVector<qint64>& s)
{
    QVector<Span> runs;
    const int n = s.size();
    auto d = [&s](int k) -> qint64 { return k < 0 ? 0 : s.at(k + 1) - s.at(k); };
    int start = -1;
    for (int k = 1; k <= n - 2; ++k) {
        const qint64 before = d(k - 2);
        const qint64 prev = d(k - 1);
        const qint64 next = d(k);
        if (before != prev) {
            if (next == prev)
                start = k - 1;
        } else if (start >= 0) {
            if (next != prev) {
                runs.append({start, k, prev});
                start = -1;
            } else if (k + 1 == n - 1) {
                runs.append({start, n - 1, prev});
            }
        }
    }
    return runs;
}

void SortedTavData::buildSummaries()
{
    const int columns = values.size();
    summaries = QVector<CurveSummary>(columns);
    qint64 total = stamps.size();
    for (const QVector<float>& column : qAsConst(values))
        total += column.size();
    const bool twoThreads = total > (1 << 20);

    // First the passes over the stamps: the time breaks beside the stretch table of the
    // range statistics.
    int leaves = 0;
    if (twoThreads) {
        std::thread helper([this] { timeBreaks.build(stamps.constData(), stamps.size()); });
        leaves = rangeStats.prepare(stamps, values);
        helper.join();
    } else {
        timeBreaks.build(stamps.constData(), stamps.size());
        leaves = rangeStats.prepare(stamps, values);
    }

    // Then every column once, for both of its summaries: leaf by leaf across the columns,
    // the leaf's samples are read from memory for the min/max pyramid and summed from cache
    // for the moments, and its stamps are read once for all columns. The first core takes
    // the first half of the leaves, the second core the rest.
    CurveSummary* out = summaries.data();
    const QVector<float>* in = values.constData();
    const qint64* t = stamps.constData();
    RangeStats* stats = &rangeStats;
    std::vector<int> joint; // columns with both summaries
    for (int c = 0; c < columns; ++c) {
        out[c].beginBuild(in[c].size());
        if (stats->summarises(c))
            joint.push_back(c);
        else
            out[c].buildBlocks(in[c].constData(), 0, out[c].blockCount());
    }
    constexpr int blocksPerLeaf = RangeStats::LeafSize / CurveSummary::BlockSize;
    static_assert(blocksPerLeaf * CurveSummary::BlockSize == RangeStats::LeafSize,
                  "a leaf is made of whole blocks");
    const auto work = [out, in, t, stats, &joint, leaves](int fromLeaf, int toLeaf) {
        std::vector<double> dt(RangeStats::LeafSize);
        for (int k = fromLeaf; k < toLeaf; ++k) {
            const RangeStats::LeafTimes times = RangeStats::leafTimes(t, k, dt.data());
            for (const int c : joint) {
                const float* v = in[c].constData();
                out[c].buildBlocks(v, k * blocksPerLeaf, (k + 1) * blocksPerLeaf);
                stats->buildLeaf(c, k, t, v, dt.data(), times);
            }
        }
        if (toLeaf == leaves) {
            for (const int c : joint)
                out[c].buildBlocks(in[c].constData(), leaves * blocksPerLeaf, out[c].blockCount());
        }
    };
    if (twoThreads) {
        std::thread helper([&work, leaves] { work(leaves / 2, leaves); });
        work(0, leaves / 2);
        helper.join();
    } else {
        work(0, leaves);
    }
    for (const int c : joint)
        stats->finishColumn(c, t);
    for (int c = 0; c < columns; ++c)
        out[c].finishBuild();
}

const CurveSummary* SortedTavData::summaryOf(int c) const
{
    if (c < 0 || c >= summaries.size() || c >= values.size())
        return nullptr;
    const CurveSummary& s = summaries.at(c);
    return s.count() == values.at(c).size() && !s.isEmpty() ? &s : nullptr;
}

QPair<qint64, qint64> SortedTavData::stampRange() const
{
    if (stamps.isEmpty())
        return {0, 0};
    if (timeBreaks.count() == stamps.size())
        return {timeBreaks.earliest(), timeBreaks.latest()};
    const auto mm = std::minmax_element(stamps.constBegin(), stamps.constEnd());
    return {*mm.first, *mm.second};
}

void SortedTavData::clear()
{
    status = 1;
    timeBreaks.clear();
    summaries.clear();
    spanStamps.clear();
    spanIndexes.clear();
    spanIntervals.clear();
    sampleCount = 0;
    names.clear();
    stamps.clear();
    values.clear();
    infoNames.clear();
    infoValues.clear();
    errors.clear();
    systemEvents.clear();
    userEvents.clear();
    rangeStats.clear();
}

void SortedTavData::debugPrint() const
{
    qCDebug(lcData) << "数据状态" << status;
    qCDebug(lcData) << infoNames;
    qCDebug(lcData) << infoValues;
    qCDebug(lcData) << "数据数目" << stamps.size();
    qCDebug(lcData) << "变量个数" << names.size();
}

void SortedTavData::onReadTrigged(QString path)
{
    qCDebug(lcData) << "SortedTavData::onReadTrigged" << path;
    readTavData(path);
    emit readFinished(path);
}

void SortedTavData::onExportData(QString filePath, QList<int> indexList, qlonglong stampStart,
                                 qlonglong stampEnd)
{
    qCDebug(lcData) << "SortedTavData::onExportData" << threadId() << filePath << indexList
                    << stampStart << stampEnd;
    TavCsv::exportData(*this, filePath, indexList, stampStart, stampEnd);
}
