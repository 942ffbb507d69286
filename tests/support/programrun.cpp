#include "programrun.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace TestUtil {

ProgramRun runProgram(const QString& program, const QStringList& args, bool noDisplay,
                      const QString& stdoutFile, QProcessEnvironment env)
{
    QProcess p;
    if (env.isEmpty())
        env = QProcessEnvironment::systemEnvironment();
    if (noDisplay) {
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(name);
    }
    p.setProcessEnvironment(env);
    if (!stdoutFile.isEmpty())
        p.setStandardOutputFile(stdoutFile);
    p.start(QCoreApplication::applicationDirPath() + '/' + program, args);
    ProgramRun r;
    r.finished = p.waitForFinished(60000);
    if (!r.finished) {
        p.kill();
        p.waitForFinished();
    }
    r.code = r.finished && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QString pdfText(const QString& pdf, bool layout)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        return {};
    QStringList args = {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")};
    if (layout)
        args.prepend(QStringLiteral("-layout"));
    QProcess p;
    p.start(QStringLiteral("pdftotext"), args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QStringLiteral(""); // empty, not null: the check then fails
    return QString::fromUtf8(p.readAllStandardOutput());
}

QImage pdfPage(const QString& pdf, int page, int dpi)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
        return {};
    QTemporaryDir dir;
    const QString prefix = dir.filePath(QStringLiteral("page"));
    QProcess p;
    p.start(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"),
             QString::number(page), QStringLiteral("-l"), QString::number(page),
             QStringLiteral("-png"), QStringLiteral("-singlefile"), pdf, prefix});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QImage(1, 1, QImage::Format_RGB32); // not null: the checks then fail
    return QImage(prefix + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

} // namespace TestUtil
