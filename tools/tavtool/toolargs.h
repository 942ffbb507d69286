#pragma once

#include "toolsession.h"

#include <QList>
#include <QString>
#include <QStringList>

// Argument and result helpers shared by the commands.
namespace ToolArgs {

// The last message of a failed read says why it failed.
inline QString failureReason(const ToolSession& session)
{
    return session.messages().isEmpty() ? QStringLiteral("read failed")
                                        : session.messages().last().first;
}

inline bool parseStamp(const QString& text, qlonglong& stamp)
{
    bool ok = false;
    stamp = text.toLongLong(&ok);
    return ok;
}

// "I,J,...": indexes of variables, none negative.
inline bool parseIndexes(const QString& text, QList<int>& indexes)
{
    for (const QString& part : text.split(QLatin1Char(','))) {
        bool ok = false;
        const int index = part.trimmed().toInt(&ok);
        if (!ok || index < 0)
            return false;
        indexes.append(index);
    }
    return !indexes.isEmpty();
}

// What --vars, --from and --to choose, beside the plain arguments.
struct RangeArgs
{
    QStringList positional;
    QList<int> indexes;
    bool hasFrom = false;
    bool hasTo = false;
    qlonglong from = 0;
    qlonglong to = 0;
};

// Takes the value of --vars, --from or --to; empty on success, else the usage error.
inline QString parseRangeValue(const QString& option, const QString& value, RangeArgs& o)
{
    if (option == QLatin1String("--vars") && !parseIndexes(value, o.indexes))
        return QStringLiteral("--vars wants indexes like 0,2,1, not '%1'").arg(value);
    if (option == QLatin1String("--from") && !(o.hasFrom = parseStamp(value, o.from)))
        return QStringLiteral("--from wants a stamp in seconds, not '%1'").arg(value);
    if (option == QLatin1String("--to") && !(o.hasTo = parseStamp(value, o.to)))
        return QStringLiteral("--to wants a stamp in seconds, not '%1'").arg(value);
    return {};
}

// Every variable when none was chosen; else the usage error for an index past the last.
inline QString completeIndexes(const SortedTavData& set, const QString& path, QList<int>& indexes)
{
    if (indexes.isEmpty()) {
        for (int i = 0; i < set.names.size(); ++i)
            indexes.append(i);
    }
    for (int index : indexes) {
        if (index >= set.names.size())
            return QStringLiteral("--vars: %1 has no variable %2 (it has %3)")
                .arg(path, QString::number(index), QString::number(set.names.size()));
    }
    return {};
}

} // namespace ToolArgs
