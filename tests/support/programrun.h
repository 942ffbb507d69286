#pragma once

#include <QByteArray>
#include <QImage>
#include <QProcessEnvironment>
#include <QStringList>

namespace TestUtil {

struct ProgramRun
{
    bool finished = false; // within a minute
    int code = -1;         // -1: crashed or did not finish
    QByteArray out, err;
};

// Runs a program of this build (beside the test binary) in env (the test's own environment
// when empty). With noDisplay, nothing to show a window on and no platform chosen, so a
// program that builds its window stops with an error.
ProgramRun runProgram(const QString& program, const QStringList& args, bool noDisplay = false,
                      const QString& stdoutFile = {},
                      QProcessEnvironment env = QProcessEnvironment());

inline ProgramRun tavtool(const QStringList& args,
                          const QProcessEnvironment& env = QProcessEnvironment())
{
    return runProgram(QStringLiteral("tavtool"), args, false, {}, env);
}

// The text layer of a PDF as pdftotext reads it; a null string when pdftotext is missing.
// With layout, each table row of a page stays one line.
QString pdfText(const QString& pdf, bool layout = false);

// One page of a PDF as pdftoppm rasterises it at dpi; a null image when pdftoppm is missing.
QImage pdfPage(const QString& pdf, int page, int dpi);

} // namespace TestUtil
