#pragma once

#include <QStringList>

// Exit codes of every subcommand.
enum ToolExit
{
    ExitOk = 0,
    ExitFailed = 1,
    ExitUsage = 2,
    ExitFailedCheck = 3 // verify: the recording did not hold its setpoints
};

// `tavtool dump FILE [--values]`; args are the arguments after "dump".
int runDump(const QStringList& args);
// `tavtool export FILE OUT.csv [--vars I,J,...] [--from STAMP] [--to STAMP]`.
int runExport(const QStringList& args);

// The text of `tavtool --help`: every command with all its options.
QByteArray usageText();
// The text of `tavtool --version`.
QByteArray versionText();
// Writes "tavtool: message" as one line on stderr and returns code.
int toolError(const QString& message, int code);
