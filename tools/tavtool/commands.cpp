#include "commands.h"

#include "dumpjson.h"
#include "toolsession.h"

#include <QFileInfo>

#include <algorithm>
#include <cstdio>

namespace {

// The last message of a failed read says why it failed.
QString failureReason(const ToolSession& session)
{
    return session.messages().isEmpty() ? QStringLiteral("read failed")
                                        : session.messages().last().first;
}

bool parseStamp(const QString& text, qlonglong& stamp)
{
    bool ok = false;
    stamp = text.toLongLong(&ok);
    return ok;
}

bool parseIndexes(const QString& text, QList<int>& indexes)
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

struct ExportOptions
{
    QStringList positional;
    QList<int> indexes;
    bool hasFrom = false;
    bool hasTo = false;
    qlonglong from = 0;
    qlonglong to = 0;
};

// Empty on success, else the usage error.
QString parseExportOptions(const QStringList& args, ExportOptions& o)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--vars") || a == QLatin1String("--from") ||
            a == QLatin1String("--to")) {
            if (i + 1 >= args.size())
                return QStringLiteral("%1 needs a value").arg(a);
            const QString value = args.at(++i);
            if (a == QLatin1String("--vars") && !parseIndexes(value, o.indexes))
                return QStringLiteral("--vars wants indexes like 0,2,1, not '%1'").arg(value);
            if (a == QLatin1String("--from") && !(o.hasFrom = parseStamp(value, o.from)))
                return QStringLiteral("--from wants a stamp in seconds, not '%1'").arg(value);
            if (a == QLatin1String("--to") && !(o.hasTo = parseStamp(value, o.to)))
                return QStringLiteral("--to wants a stamp in seconds, not '%1'").arg(value);
        } else if (a.startsWith(QLatin1String("--"))) {
            return QStringLiteral("export: unknown option %1").arg(a);
        } else {
            o.positional.append(a);
        }
    }
    if (o.positional.size() != 2)
        return QStringLiteral("export needs FILE and OUT.csv");
    return QString();
}

} // namespace

QByteArray usageText()
{
    return "Usage:\n"
           "  tavtool dump FILE [--values]\n"
           "      Read FILE (.csv by its extension, else .tavdata) as the viewer does and print\n"
           "      one JSON object: status, messages, names, sampleCount, stamps ([first, last],\n"
           "      or every stamp with --values), values (--values only), spans, info, errors,\n"
           "      systemEvents, userEvents.\n"
           "  tavtool export FILE OUT.csv [--vars I,J,...] [--from STAMP] [--to STAMP]\n"
           "      Read FILE and write the variables I,J,... (default: all, in order) with stamps\n"
           "      from STAMP to STAMP inclusive (seconds; default: the whole recording) to "
           "OUT.csv.\n"
           "  tavtool stats FILE [--from STAMP] [--to STAMP] [--vars I,J,...]\n"
           "      Read FILE and print one JSON object {\"from\", \"to\", \"variables\": [...]} "
           "with,\n"
           "      per variable (default: all), name, count, min, minStamp, max, maxStamp, mean,\n"
           "      std (population), first, last and ratePerMinute (least-squares slope x 60)\n"
           "      over its valid samples with stamps from STAMP to STAMP inclusive (default: the\n"
           "      whole recording). Ties give the earliest stamp; without samples every field\n"
           "      but name and count is null, and ratePerMinute is null when the samples share\n"
           "      one stamp.\n"
           "  tavtool report FILE OUT.pdf [--config INI] [--from STAMP] [--to STAMP]\n"
           "      Read FILE and write an A4 landscape PDF test report: information items, the\n"
           "      plot as render draws it over the range (curves from INI, else all), legend,\n"
           "      statistics of the drawn curves and the events in the range, page numbers.\n"
           "  tavtool render ...\n"
           "      Draw a file to an image (when this build has it).\n"
           "  tavtool --help\n"
           "Exit codes: 0 success, 1 the read or the write failed, 2 usage error.\n";
}

int toolError(const QString& message, int code)
{
    std::fprintf(stderr, "tavtool: %s\n", message.toLocal8Bit().constData());
    return code;
}

int runDump(const QStringList& args)
{
    QString path;
    bool withValues = false;
    for (const QString& a : args) {
        if (a == QLatin1String("--values"))
            withValues = true;
        else if (a.startsWith(QLatin1String("--")))
            return toolError(QStringLiteral("dump: unknown option %1").arg(a), ExitUsage);
        else if (path.isEmpty())
            path = a;
        else
            return toolError(QStringLiteral("dump takes one FILE"), ExitUsage);
    }
    if (path.isEmpty())
        return toolError(QStringLiteral("dump needs FILE"), ExitUsage);

    ToolSession session;
    const int status = session.read(path);
    if (!writeDumpJson(stdout, session.data(), session.messages(), withValues))
        return toolError(QStringLiteral("cannot write the output"), ExitFailed);
    if (status != 0)
        return toolError(QStringLiteral("cannot read %1: %2").arg(path, failureReason(session)),
                         ExitFailed);
    return ExitOk;
}

int runExport(const QStringList& args)
{
    ExportOptions o;
    const QString usage = parseExportOptions(args, o);
    if (!usage.isEmpty())
        return toolError(usage, ExitUsage);
    const QString& path = o.positional.at(0);
    const QString& out = o.positional.at(1);

    ToolSession session;
    if (session.read(path) != 0)
        return toolError(QStringLiteral("cannot read %1: %2").arg(path, failureReason(session)),
                         ExitFailed);
    const SortedTavData& set = session.data();
    if (o.indexes.isEmpty()) {
        for (int i = 0; i < set.names.size(); ++i)
            o.indexes.append(i);
    }
    for (int index : o.indexes) {
        if (index >= set.names.size())
            return toolError(QStringLiteral("--vars: %1 has no variable %2 (it has %3)")
                                 .arg(path)
                                 .arg(index)
                                 .arg(set.names.size()),
                             ExitUsage);
    }
    const auto range = std::minmax_element(set.stamps.cbegin(), set.stamps.cend());
    const qlonglong from = o.hasFrom ? o.from : *range.first;
    const qlonglong to = o.hasTo ? o.to : *range.second;
    if (!session.exportCsv(out, o.indexes, from, to))
        return toolError(QStringLiteral("cannot write %1").arg(out), ExitFailed);
    return ExitOk;
}
