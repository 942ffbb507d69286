#pragma once

#include "tavdata.h"
#include "tavwriter.h"

#include <QtTest>

#include <algorithm>

inline QTemporaryDir scratch; // holds every file the suites read
using Columns = QVector<QVector<float>>;

// Writes bytes to a scratch file of that name and gives its path.
inline QString saveScratch(const QString& name, const QByteArray& bytes)
{
    const QString path = scratch.filePath(name);
    if (!TavWriter{bytes}.save(path))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// Saves bytes to a scratch file (unless it holds them already), reads it with the binary
// reader, block bytes at a time, and keeps every message and where the read left off.
struct BinaryRead
{
    explicit BinaryRead(const QByteArray& bytes, qint64 block = TavBinary::ReadBlock,
                        bool saved = false)
    {
        // A new file each time: one cut short and rewritten in place is written out to
        // the disk when it is closed, which made the tests wait.
        if (!saved) {
            QFile::remove(path);
            TavWriter{bytes}.save(path);
        }
        QSignalSpy spy(&data, &TavData::pushInfoUpward);
        result = data.readFromBinary(path, &tail, block);
        for (const QList<QVariant>& args : spy)
            messages << args.at(0).toString();
    }

    const QString path = scratch.filePath("读取 测试.tavdata");
    TavData data;
    int result = -1;
    QStringList messages;
    TavBinary::TailLayout tail;
};

// One line per item of a read, kinds in the order I, H, A, S, U: "I name=value",
// "H<version> name/scale ...", "h<block> stamp: value ...", "A stamp code state",
// "S stamp text", "U stamp text"; then "! message" for each message not about the path.
inline QStringList lines(const BinaryRead& r)
{
    const TavData& d = r.data;
    QStringList out;
    for (int i = 0; i < d.infoNames.size(); ++i)
        out << "I " + d.infoNames[i] + "=" + d.infoValues.value(i);
    for (int b = 0; b < d.blocks.size(); ++b) {
        const HistoryBlock& block = d.blocks[b];
        out << "H" + QString::number(block.version);
        for (int j = 0; j < block.names.size(); ++j)
            out.last() += " " + block.names[j] + "/" + QString::number(block.scales.value(j));
        for (int i = 0; i < block.stamps.size(); ++i) {
            out << QStringLiteral("h%1 %2:").arg(b).arg(block.stamps[i]);
            for (const QVector<float>& column : block.values)
                out.last() += " " + QString::number(double(column.value(i)), 'g', 7);
        }
    }
    for (const ErrorRecord& e : d.errors)
        out << QStringLiteral("A %1 %2 %3").arg(e.stamp).arg(e.code).arg(e.state);
    for (const auto& [kind, events] :
         {qMakePair('S', &d.systemEvents), qMakePair('U', &d.userEvents)})
        for (const EventRecord& e : *events)
            out << QStringLiteral("%1 %2 ").arg(kind).arg(e.stamp) + e.text;
    for (const QString& m : r.messages)
        if (!m.startsWith(r.path))
            out << "! " + m;
    return out;
}

// Result, status and messages agree, and every complete block is well formed.
inline QString readFault(const BinaryRead& r)
{
    if (r.result < 0 || r.result > 1 || r.data.status != r.result ||
        r.messages.value(0) != r.path + " 正在打开" ||
        (r.messages.last() == r.path + " 读取完毕") != (r.result == 0))
        return QStringLiteral("result %1, status %2: ").arg(r.result).arg(r.data.status) +
               r.messages.join(" / ");
    for (int i = 0; i < r.data.blocks.size() - r.result; ++i) {
        const HistoryBlock& b = r.data.blocks[i];
        const QVector<qint64>& s = b.stamps;
        if (b.scales.size() != b.names.size() || b.values.size() != b.names.size() ||
            std::adjacent_find(s.begin(), s.end(), std::greater_equal<>()) != s.end() ||
            (!s.isEmpty() && (s.first() < 0 || s.last() > qint64(0xFFFFFFFFu))) ||
            std::any_of(b.values.begin(), b.values.end(),
                        [&](const QVector<float>& c) { return c.size() != s.size(); }))
            return QStringLiteral("block %1 is malformed").arg(i);
    }
    return {};
}
