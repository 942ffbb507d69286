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

// What is wrong with a block that claims to be complete; empty when nothing is.
inline QString blockFault(const HistoryBlock& b)
{
    if (b.scales.size() != b.names.size()) {
        return QStringLiteral("%1 scales for %2 names").arg(b.scales.size()).arg(b.names.size());
    }
    if (b.values.size() != b.names.size()) {
        return QStringLiteral("%1 columns for %2 names").arg(b.values.size()).arg(b.names.size());
    }
    for (const QVector<float>& column : b.values) {
        if (column.size() != b.stamps.size()) {
            return QStringLiteral("column of %1 for %2 stamps")
                .arg(column.size())
                .arg(b.stamps.size());
        }
    }
    for (int i = 0; i < b.stamps.size(); ++i) {
        if (b.stamps[i] < 0 || b.stamps[i] > qint64(0xFFFFFFFFu)) {
            return QStringLiteral("stamp %1 out of range").arg(b.stamps[i]);
        }
        if (i > 0 && b.stamps[i] <= b.stamps[i - 1]) {
            return QStringLiteral("stamp %1 after %2").arg(b.stamps[i]).arg(b.stamps[i - 1]);
        }
    }
    return {};
}

// Result, status and message sequence agree, and every complete block is well formed.
inline QString readFault(const BinaryRead& r)
{
    if (r.result != 0 && r.result != 1) {
        return QStringLiteral("result %1").arg(r.result);
    }
    if (r.data.status != r.result) {
        return QStringLiteral("status %1, result %2").arg(r.data.status).arg(r.result);
    }
    if (r.messages.isEmpty() || r.messages.first() != r.path + " 正在打开") {
        return QStringLiteral("first message is not the opening one");
    }
    const bool finished = r.messages.last() == r.path + " 读取完毕";
    if (finished != (r.result == 0)) {
        return QStringLiteral("last message \"%1\" with result %2")
            .arg(r.messages.last())
            .arg(r.result);
    }
    const int complete = r.data.blocks.size() - (r.result == 0 ? 0 : 1);
    for (int i = 0; i < complete; ++i) {
        const QString fault = blockFault(r.data.blocks[i]);
        if (!fault.isEmpty()) {
            return QStringLiteral("block %1: %2").arg(i).arg(fault);
        }
    }
    return {};
}
