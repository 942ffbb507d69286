#include "commands.h"
#include "render.h"
#include "statscommands.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>
#include <cstring>

namespace {

int dispatch(const QStringList& args)
{
    if (args.isEmpty())
        return toolError(QStringLiteral("no command (see tavtool --help)"), ExitUsage);
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        const QByteArray text = usageText();
        std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
        return ExitOk;
    }
    const QString command = args.first();
    if (command == QLatin1String("dump"))
        return runDump(args.mid(1));
    if (command == QLatin1String("export"))
        return runExport(args.mid(1));
    if (command == QLatin1String("stats"))
        return runStats(args.mid(1));
    return toolError(QStringLiteral("unknown command %1 (see tavtool --help)").arg(command),
                     ExitUsage);
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc > 1 && std::strcmp(argv[1], "render") == 0) {
        // Drawing needs a GUI application, but never a screen.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        return runRender(QApplication::arguments().mid(2));
    }
    if (argc > 1 && std::strcmp(argv[1], "report") == 0) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        const QStringList args = QApplication::arguments().mid(2);
        if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
            const QByteArray text = usageText();
            std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
            return ExitOk;
        }
        return runReport(args);
    }
    QCoreApplication app(argc, argv);
    return dispatch(QCoreApplication::arguments().mid(1));
}
