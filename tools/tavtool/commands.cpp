#include "commands.h"

#include "dumpjson.h"
#include "toolargs.h"
#include "toolsession.h"

#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using namespace ToolArgs;

using ExportOptions = RangeArgs;

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
            const QString bad = parseRangeValue(a, value, o);
            if (!bad.isEmpty())
                return bad;
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

struct OptionHelp
{
    const char* option;
    const char* meaning; // "\n" between lines; --help indents each to the meaning's column
};

// One command of `tavtool --help`: its command line, what it does and each of its options.
struct CommandHelp
{
    const char* synopsis; // begins with the command's name
    const char* description;
    std::vector<OptionHelp> options;
};

// In the order --help lists them.
const CommandHelp Commands[] = {
    {"dump FILE [--values]",
     "Read FILE as the viewer does and print one JSON object: status, messages,\n"
     "names, sampleCount, stamps, values (with --values only), spans, info, errors,\n"
     "systemEvents and userEvents. A failed read still prints what was read.",
     {{"--values", "list every stamp and every value column (else stamps holds\n"
                   "the first and the last stamp only)"}}},

    {"export FILE OUT.csv [--vars I,J,...] [--from STAMP] [--to STAMP]",
     "Read FILE and write the samples of the chosen variables within the time range\n"
     "to OUT.csv, in the viewer's own CSV export format.",
     {{"--vars I,J,...", "the variables to write, by index, in this order (default:\n"
                         "all, in file order); dump lists the names by index"},
      {"--from STAMP", "the first stamp to write (default: the first one)"},
      {"--to STAMP", "the last stamp to write, inclusive (default: the last one)"}}},

    {"stats FILE [--from STAMP] [--to STAMP] [--vars I,J,...]",
     "Read FILE and print one JSON object {\"from\", \"to\", \"variables\": [...]}\n"
     "with, per variable, name, count, min, minStamp, max, maxStamp, mean, std\n"
     "(population), first, last and ratePerMinute (least-squares slope x 60) over\n"
     "its valid samples (missing values left out) with stamps in the range,\n"
     "inclusive. minStamp and maxStamp give the earliest of equal extremes. Without\n"
     "samples every field but name and count is null; ratePerMinute is null when\n"
     "the samples share one stamp.",
     {{"--from STAMP", "the first stamp of the range (default: the first one)"},
      {"--to STAMP", "the last stamp of the range, inclusive (default: the last)"},
      {"--vars I,J,...", "the variables, by index, in this order (default: all, in\n"
                         "file order)"}}},

    {"verify FILE... [--pair MEASURED=SETPOINT[:BELOW[:ABOVE]]]... [--dwell S] [--min-hold S] "
     "[--config INI]",
     "Read each FILE and check that every measured variable held its setpoint within\n"
     "its band. A hold is a run of one valid setpoint lasting at least the minimum\n"
     "hold; it settled at the first valid in-band sample after which every valid\n"
     "sample stays in band for the dwell time; from there on each run of valid\n"
     "samples outside the band is an excursion. A hold passes when it settled without\n"
     "an excursion; a pair when it has holds and all pass. Prints one JSON line per\n"
     "file: {\"file\", \"dwell\", \"minHold\", \"pass\", \"pairs\": [{\"measured\",\n"
     "\"setpoint\", \"below\", \"above\", \"pass\", \"holds\": [{\"from\", \"to\",\n"
     "\"setpoint\", \"stableAt\", \"settling\", \"count\", \"min\", \"max\", \"mean\",\n"
     "\"meanDeviation\", \"fluctuation\", \"excursions\": [{\"from\", \"to\", \"peak\"}],\n"
     "\"outOfBand\", \"pass\"}], \"ramps\": [{\"from\", \"to\", \"start\", \"end\",\n"
     "\"programmedRate\", \"achievedRate\", \"overshoot\"}]}]}. Stamps are whole\n"
     "seconds, rates per minute; a figure without data is null. Exit status 3 when\n"
     "any pair fails.",
     {{"--pair PAIR", "PAIR is MEASURED=SETPOINT[:BELOW[:ABOVE]]: check MEASURED\n"
                      "against SETPOINT (names or indexes) with the band\n"
                      "SETPOINT-BELOW..SETPOINT+ABOVE (BELOW alone: both sides;\n"
                      "default: 3 for a curve on the Y2 axis, else 2); repeat\n"
                      "for more pairs. Without it: every variable M with one\n"
                      "named M设定 or M设定值, or, for M ending in PV, the same\n"
                      "name ending in SV, in the order of the M"},
      {"--dwell S", "seconds a value must stay in band to settle (default: 600)"},
      {"--min-hold S", "shortest hold, seconds (default: 300)"},
      {"--config INI", "take the curves' Y axes, for the default bands, from INI, as\n"
                       "render does (default: the viewer's settings file)"}}},

    {"render FILE OUT.png [--size WxH] [--config INI] [--tolerance [--pair PAIR]... "
     "[--dwell S] [--min-hold S]]",
     "Read FILE and draw it as the viewer's plot would, over the whole recording, to\n"
     "the PNG image OUT.png. Needs no display. When the plot settings draw no curve,\n"
     "every variable is drawn, each in its own colour.",
     {{"--size WxH", "the image size in pixels, from 480x360 to 16384x16384\n"
                     "(default: 1280x720)"},
      {"--config INI", "take the plot settings from INI (default: the viewer's\n"
                       "tav_drawer_config.ini beside tavtool, or in\n"
                       "~/.config/tavtool/ when that folder cannot be written;\n"
                       "without either, the settings installed in share/ostrel)"},
      {"--tolerance", "check the pairs as verify does and draw each band over its\n"
                      "holds, translucent in the measured curve's colour, and the\n"
                      "excursions as red stripes, under the curves; --pair,\n"
                      "--dwell and --min-hold as for verify (no pair found: usage\n"
                      "error)"}}},

    {"follow FILE [--interval MS] [--idle S] [--values]",
     "Read FILE, then follow it as another program appends to it, with the viewer's\n"
     "own follow: only what was appended is read, unless the file was replaced,\n"
     "shrank, or changed where it was read, when it is read whole. After the first\n"
     "read, and after every update that took in new data, one JSON line:\n"
     "{\"update\", \"reread\", \"appended\", \"sampleCount\", \"firstStamp\",\n"
     "\"lastStamp\", \"errors\", \"systemEvents\", \"userEvents\", \"millis\"}: the\n"
     "update's number (0: the first read), whether the file was read whole, the\n"
     "samples added, the counts after the update, and the time the worker took, in\n"
     "milliseconds. Exit status 1 when the first read fails or the file disappears.",
     {{"--interval MS", "check the file every MS milliseconds (default: 1000; change\n"
                        "notifications also start a check at once)"},
      {"--idle S", "after S seconds without new data, print what is held as dump\n"
                   "does and exit 0 (default: follow until interrupted)"},
      {"--values", "with --idle, the stamps and values too, as for dump"}}},

    {"report FILE OUT.pdf [--config INI] [--from STAMP] [--to STAMP] [--pair PAIR]... "
     "[--dwell S] [--min-hold S]",
     "Read FILE and write an A4 landscape PDF test report to OUT.pdf: the file name\n"
     "and generation time, the information items, the plot as render draws it over\n"
     "the range (without verniers: the plot spans the range) with a legend of the\n"
     "drawn curves, their statistics (as stats), the events in the range and page\n"
     "numbers. When the file has pairs (as verify finds them), a tolerance section:\n"
     "the plot with the bands, each pair's holds with their verdicts, its ramps and\n"
     "the overall verdict. Needs no display.",
     {{"--config INI", "take the plot settings from INI, as render does (when they\n"
                       "draw no curve, every variable is drawn)"},
      {"--from STAMP", "the first stamp of the range (default: the first one)"},
      {"--to STAMP", "the last stamp of the range, inclusive (default: the last)"},
      {"--pair PAIR", "the pairs of the tolerance section, as for verify (default:\n"
                      "the automatic pairs; without any, no section)"},
      {"--dwell S", "as for verify (default: 600)"},
      {"--min-hold S", "as for verify (default: 300)"}}},
};

const char Description[] =
    "Read, export and draw environmental test chamber recordings with the viewer's\n"
    "own data code, for batch work and checks.\n"
    "\n"
    "FILE is read as CSV when its name ends in .csv (in any case), else as .tavdata.\n"
    "STAMP is a time in whole seconds since 1970-01-01 00:00:00, read as UTC\n"
    "wall-clock time, as the viewer shows it.\n";

const char ExitStatus[] = "Exit status:\n"
                          "  0   success (verify: every pair of every file passed)\n"
                          "  1   the read failed or the output could not be written (dump\n"
                          "      still prints its JSON)\n"
                          "  2   usage error (verify: also an unknown variable, a bad band,\n"
                          "      dwell or minimum hold, or no pair found; it then prints nothing)\n"
                          "  3   verify: some pair of some file did not pass\n"
                          "Every error is one line on standard error, beginning \"tavtool: \".\n";

const char Options[] = "Options:\n"
                       "  -h, --help     show this help and exit (also after a command)\n"
                       "      --version  show the version and exit\n";

QByteArray indented(const char* text, int column)
{
    const QByteArray margin(column, ' ');
    return margin + QByteArray(text).replace('\n', '\n' + margin);
}

} // namespace

// help2man makes the manual page from this text, so it keeps to what help2man reads: the
// "Usage:" and "or:" lines first, then the description, then one block per command headed
// "name:" (a heading wants its next line indented), options as "  --opt  meaning" with the
// meaning's further lines at the meaning's column, blocks apart by empty lines, and
// "Options:" last, since everything after it lands in the page's OPTIONS section.
QByteArray usageText()
{
    const int textColumn = 2;
    const int meaningColumn = 20;
    QByteArray text;
    for (const CommandHelp& c : Commands)
        text += (text.isEmpty() ? "Usage: tavtool " : "  or:  tavtool ") + QByteArray(c.synopsis) +
                '\n';
    text += "  or:  tavtool --help | --version\n";
    text += Description;
    for (const CommandHelp& c : Commands) {
        const QByteArray synopsis(c.synopsis);
        text += '\n' + synopsis.left(synopsis.indexOf(' ')) + ":\n";
        text += indented(c.description, textColumn) + '\n';
        if (!c.options.empty())
            text += '\n';
        for (const OptionHelp& o : c.options) {
            const QByteArray option = QByteArray(textColumn, ' ') + o.option + "  ";
            text += option.leftJustified(meaningColumn) +
                    indented(o.meaning, meaningColumn).mid(meaningColumn) + '\n';
        }
    }
    return text + '\n' + ExitStatus + '\n' + Options;
}

QByteArray versionText()
{
    return "tavtool (Ostrel) " OSTREL_VERSION "\n"
           "Copyright (C) 2026 The Ostrel developers.\n"
           "License MIT: <https://opensource.org/licenses/MIT>.\n"
           "This is free software: you are free to change and redistribute it.\n"
           "There is NO WARRANTY, to the extent permitted by law.\n";
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
    const int status = session.read(path, false);
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
    if (session.read(path, false) != 0)
        return toolError(QStringLiteral("cannot read %1: %2").arg(path, failureReason(session)),
                         ExitFailed);
    const SortedTavData& set = session.data();
    const QString badIndex = completeIndexes(set, path, o.indexes);
    if (!badIndex.isEmpty())
        return toolError(badIndex, ExitUsage);
    const auto range = std::minmax_element(set.stamps.cbegin(), set.stamps.cend());
    const qlonglong from = o.hasFrom ? o.from : *range.first;
    const qlonglong to = o.hasTo ? o.to : *range.second;
    if (!session.exportCsv(out, o.indexes, from, to))
        return toolError(QStringLiteral("cannot write %1").arg(out), ExitFailed);
    return ExitOk;
}
