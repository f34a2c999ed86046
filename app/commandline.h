#pragma once

// The program's command line: --help, --version and one optional path.

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

CommandLine parseCommandLine(const QStringList &arguments);
