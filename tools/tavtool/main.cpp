#include "commands.h"
#include "followcommand.h"
#include "render.h"
#include "statscommands.h"
#include "uilanguage.h"
#include "verifycommand.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>
#include <cstring>

namespace {

int dispatch(const QStringList& args)
{
    if (args.isEmpty())
        return toolError(QStringLiteral("no command (see tavtool --help)"), ExitUsage);
    const QString command = args.first();
    if (command == QLatin1String("dump"))
        return runDump(args.mid(1));
    if (command == QLatin1String("export"))
        return runExport(args.mid(1));
    if (command == QLatin1String("stats"))
        return runStats(args.mid(1));
    if (command == QLatin1String("verify"))
        return runVerify(args.mid(1));
    return toolError(QStringLiteral("unknown command %1 (see tavtool --help)").arg(command),
                     ExitUsage);
}

// 0 when the whole text reached stdout, so that `tavtool --help > /dev/full` fails.
int printText(const QByteArray& text)
{
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? ExitOk : ExitFailed;
}

} // namespace

int main(int argc, char* argv[])
{
    // Help and version win wherever they stand, for every command, and need no application
    // object: render's would want a display platform.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            return printText(usageText());
        if (std::strcmp(argv[i], "--version") == 0)
            return printText(versionText());
    }
    const char* command = argc > 1 ? argv[1] : "";
    const bool draws = std::strcmp(command, "render") == 0 || std::strcmp(command, "report") == 0;
    // The follow is the viewer's canvas's, which is a widget: never shown.
    if (draws || std::strcmp(command, "follow") == 0) {
        // Drawing needs a GUI application, but never a screen.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        // The readers' messages, which tavtool passes on, are the viewer's and in its
        // language; tavtool's own texts stay English. Installed before any worker starts.
        const UiLanguage language;
        const QStringList args = QApplication::arguments().mid(2);
        if (std::strcmp(command, "render") == 0)
            return runRender(args);
        if (std::strcmp(command, "report") == 0)
            return runReport(args);
        return runFollow(args);
    }
    QCoreApplication app(argc, argv);
    const UiLanguage language;
    return dispatch(QCoreApplication::arguments().mid(1));
}
