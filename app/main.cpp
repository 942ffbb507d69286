#include "ostrel.h"
#include "uilanguage.h"

#include <QApplication>
#include <QList>
#include <QMetaType>

#include <cstdio>
#include <cstring>

namespace {

// help2man builds the manual page from these two texts, so they keep its layout: a "Usage:"
// line, a description, then "Options:" with two spaces before each option.
const char HelpText[] =
    "Usage: ostrel [FILE]\n"
    "  or:  ostrel --follow FILE\n"
    "View an environmental test chamber recording: temperature, humidity and the\n"
    "other process variables as curves over time, with verniers, the fault log and\n"
    "the system and user event logs.\n"
    "\n"
    "FILE is a .tavdata recording, or a CSV file when its name ends in .csv. It is\n"
    "opened at start when it names an existing file; any other FILE is ignored, and\n"
    "so is every argument after it.\n"
    "\n"
    "Options:\n"
    "      --follow   follow FILE as it grows: what another program appends to it\n"
    "                 is taken in while the view stays where the user put it\n"
    "                 (the \"Follow live\" box of the file page)\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n"
    "\n"
    "Only the first argument can be an option. To open a file whose name looks like\n"
    "one, write ./ before it.\n";

const char VersionText[] = "ostrel (Ostrel) " OSTREL_VERSION "\n"
                           "Copyright (C) 2026 The Ostrel developers.\n"
                           "License MIT: <https://opensource.org/licenses/MIT>.\n"
                           "This is free software: you are free to change and redistribute it.\n"
                           "There is NO WARRANTY, to the extent permitted by law.\n";

// 0 when the whole text reached stdout, so that `ostrel --help > /dev/full` fails.
int printText(const char* text)
{
    std::fputs(text, stdout);
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

bool isArgument(const char* arg, const char* name)
{
    return std::strcmp(arg, name) == 0;
}

} // namespace

int main(int argc, char* argv[])
{
    // Answered before the application object exists, so they need no display.
    if (argc > 1 && (isArgument(argv[1], "--help") || isArgument(argv[1], "-h")))
        return printText(HelpText);
    if (argc > 1 && isArgument(argv[1], "--version"))
        return printText(VersionText);

    // The export request carries its column list to the worker thread as a queued argument.
    qRegisterMetaType<QList<int>>("QList<int>");
    QApplication app(argc, argv);
    // Before the window, whose canvas starts the worker that translates the readers'
    // messages: the translators are never changed while a worker runs.
    const UiLanguage language;
    const QStringList args = QApplication::arguments();
    const bool follow = args.size() > 2 && args.at(1) == QLatin1String("--follow");
    const QString startPath = args.size() > 1 ? args.at(follow ? 2 : 1) : QString();
    Ostrel window(startPath, follow);
    window.show();
    return app.exec();
}
