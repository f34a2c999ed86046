#pragma once

// The program's command line: --help, --version and one optional path.

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

struct StartRequest
{
    QString folder; // where the lists start; empty: the current folder
    QString file;   // the file to choose once the window is up; empty: none
};

// The request, or nullopt when the program should end at once with `exitCode`
// after `output` (help and version on standard output, mistakes on standard
// error). Needs a QCoreApplication.
struct CommandLine
{
    std::optional<StartRequest> start;
    int exitCode = 0;
    QString output;
    bool toStandardError = false;
};

// `raw` are the arguments as the system gave them (argv), when known: a path
// whose bytes are not UTF-8 is opened by those bytes, which Qt's own
// decoding of the arguments loses.
CommandLine parseCommandLine(const QStringList &arguments, const QList<QByteArray> &raw = {});
