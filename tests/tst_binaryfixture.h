#pragma once

#include "tavdata.h"
#include "tavwriter.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <cmath>

// Saves bytes to a scratch file, reads it with the binary reader and keeps every message.
class BinaryRead
{
public:
    explicit BinaryRead(const QByteArray& bytes, const QString& name = "read.tavdata")
    {
        path = scratch().filePath(name);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            file.write(bytes);
        }
        file.close();
        QSignalSpy spy(&data, &TavData::pushInfoUpward);
        result = data.readFromBinary(path);
        for (const QList<QVariant>& args : spy) {
            messages << args.at(0).toString();
            percents << args.at(1).toInt();
        }
    }

    bool saw(const QString& message) const { return messages.contains(message); }
    int count(const QString& message) const { return messages.count(message); }

    static QTemporaryDir& scratch()
    {
        static QTemporaryDir dir;
        return dir;
    }

    QString path;
    TavData data;
    int result = -1;
    QStringList messages;
    QList<int> percents;
};

// One line per item of a read, kinds in the order I, H, A, S, U: "I name=value",
// "H<version> name/scale ...", "h<block> stamp: value ...", "A stamp code state",
// "S stamp text", "U stamp text"; then "! message" for each message that does not start
// with the path (dropped records, rejected sections).
inline QStringList lines(const BinaryRead& r)
{
    const TavData& d = r.data;
    QStringList out;
    for (int i = 0; i < d.infoNames.size(); ++i) {
        out << "I " + d.infoNames[i] + "=" + d.infoValues.value(i);
    }
    for (int b = 0; b < d.blocks.size(); ++b) {
        const HistoryBlock& block = d.blocks[b];
        QString head = "H" + QString::number(block.version);
        for (int j = 0; j < block.names.size(); ++j) {
            head += " " + block.names[j] + "/" + QString::number(block.scales.value(j));
        }
        out << head;
        for (int i = 0; i < block.stamps.size(); ++i) {
            QString line = QStringLiteral("h%1 %2:").arg(b).arg(block.stamps[i]);
            for (const QVector<float>& column : block.values) {
                line += " " + QString::number(double(column.value(i)), 'g', 7);
            }
            out << line;
        }
    }
    for (const ErrorRecord& e : d.errors) {
        out << QStringLiteral("A %1 %2 %3").arg(e.stamp).arg(e.code).arg(e.state);
    }
    for (const EventRecord& e : d.systemEvents) {
        out << QStringLiteral("S %1 ").arg(e.stamp) + e.text;
    }
    for (const EventRecord& e : d.userEvents) {
        out << QStringLiteral("U %1 ").arg(e.stamp) + e.text;
    }
    for (const QString& m : r.messages) {
        if (!m.startsWith(r.path)) {
            out << "! " + m;
        }
    }
    return out;
}

// Result, status and messages agree, and every complete block is well formed.
inline QString readFault(const BinaryRead& r)
{
    if (r.result != 0 && r.result != 1) {
        return QStringLiteral("result %1").arg(r.result);
    }
    if (r.data.status != r.result) {
        return QStringLiteral("status %1, result %2").arg(r.data.status).arg(r.result);
    }
    if (r.messages.value(0) != r.path + " 正在打开" ||
        (r.messages.last() == r.path + " 读取完毕") != (r.result == 0)) {
        return "messages: " + r.messages.join(" / ");
    }
    const int complete = r.data.blocks.size() - r.result;
    for (int i = 0; i < complete; ++i) {
        const HistoryBlock& b = r.data.blocks[i];
        bool ok = b.scales.size() == b.names.size() && b.values.size() == b.names.size();
        for (const QVector<float>& column : b.values) {
            ok = ok && column.size() == b.stamps.size();
        }
        for (int k = 0; k < b.stamps.size(); ++k) {
            ok = ok && b.stamps[k] >= 0 && b.stamps[k] <= qint64(0xFFFFFFFFu) &&
                 (k == 0 || b.stamps[k] > b.stamps[k - 1]);
        }
        if (!ok) {
            return QStringLiteral("block %1 is malformed").arg(i);
        }
    }
    return {};
}
