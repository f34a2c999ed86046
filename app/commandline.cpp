#include "app/commandline.h"

#include "common/texts.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>

CommandLine parseCommandLine(const QStringList &arguments, const QList<QByteArray> &raw)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(texts::CommandLineDescription);
    // Our own options rather than Qt's, whose descriptions have no Japanese.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, texts::CommandLineHelp);
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, texts::CommandLineVersion);
    parser.addOption(help);
    parser.addOption(version);
    parser.addPositionalArgument(texts::CommandLinePathName, texts::CommandLinePathHelp,
                                 texts::CommandLinePathSyntax);
    const auto fail = [](const QString &message) { return CommandLine{std::nullopt, 2, message + u'\n', true}; };
    if (!parser.parse(arguments))
        return fail(QStringLiteral("Zelvoviewer: ") + parser.errorText());
    if (parser.isSet(help))
        return {std::nullopt, 0, parser.helpText(), false};
    if (parser.isSet(version))
        return {std::nullopt, 0, texts::ExecutableName + u' ' + texts::Version + u'\n', false};

    const QStringList paths = parser.positionalArguments();
    if (paths.size() > 1)
        return fail(texts::CommandLineTooMany);
    if (paths.isEmpty())
        return {StartRequest{}, 0, {}, false};
    for (const QByteArray &argument : raw.mid(1)) {
        if (QFile::encodeName(QFile::decodeName(argument)) != argument)
            return fail(texts::CommandLineNotUtf8.arg(QFile::decodeName(argument)));
    }
    const QFileInfo path(paths.first());
    if (!path.exists())
        return fail(texts::CommandLineMissing.arg(paths.first()));
    if (path.isDir()) {
        if (!path.isReadable() || !path.isExecutable())
            return fail(texts::CommandLineUnreadable.arg(paths.first()));
        return {StartRequest{path.absoluteFilePath(), {}}, 0, {}, false};
    }
    if (!path.isFile() || !path.isReadable())
        return fail(texts::CommandLineUnreadable.arg(paths.first()));
    return {StartRequest{path.absolutePath(), path.fileName()}, 0, {}, false};
}
