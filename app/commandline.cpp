#include "app/commandline.h"

#include "common/texts.h"
#include "platform/platform.h"

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
    // The path as the file system spells it: Qt's own decoding loses bytes
    // that are not UTF-8, and the folder or file would not be found.
    QString given = paths.first();
    for (const QByteArray &argument : raw.mid(1)) {
        if (QFile::decodeName(argument) == paths.first()) {
            given = platform::decodePath(argument);
            break;
        }
    }
    const QString absolute = QDir::cleanPath(QDir::current().absoluteFilePath(given));
    const std::optional<platform::FileStamp> stamp = platform::fileStamp(absolute);
    if (!stamp)
        return fail(texts::CommandLineMissing.arg(paths.first()));
    if (stamp->folder) {
        if (!platform::mayRead(absolute, true))
            return fail(texts::CommandLineUnreadable.arg(paths.first()));
        return {StartRequest{absolute, {}}, 0, {}, false};
    }
    if (!stamp->regular || !platform::mayRead(absolute, false))
        return fail(texts::CommandLineUnreadable.arg(paths.first()));
    const QFileInfo path(absolute); // names only: the file system is not asked
    return {StartRequest{path.path(), path.fileName()}, 0, {}, false};
}
