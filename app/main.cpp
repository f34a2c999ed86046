#include "app/commandline.h"
#include "app/form1.h"
#include "common/texts.h"
#include "host/qt/base/builtinpng.h"
#include "host/qt/window/qthost.h"
#include "host/qt/window/remembered.h"
#include "picture/window/decodequeue.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>

namespace {

// Without a reachable display Qt prints a plugin trace and aborts; say what
// to do instead, and end with status 2.
void noDisplay(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (context.category && qstrncmp(context.category, "qt.qpa", 6) == 0)
        return; // the reason follows below, in words a user can act on
    if (type != QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
        return;
    }
    const QByteArray display = qgetenv("DISPLAY");
    std::fputs(qUtf8Printable(texts::NoDisplay.arg(display.isEmpty() ? texts::NoDisplayName
                                                                     : QString::fromLocal8Bit(display))),
               stderr);
    std::_Exit(2);
}

void print(const CommandLine &line)
{
    std::fputs(qUtf8Printable(line.output), line.toStandardError ? stderr : stdout);
}

// The program's icon, without Qt's image plugins (see builtInPng).
QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(qthost::builtInPng(QStringLiteral(":/icons/%1.png").arg(size)));
    return icon;
}

} // namespace

int main(int argc, char *argv[])
{
    // Help, version and a wrong path need no display: answered before the window exists.
    // The program speaks Japanese: so do Qt's own texts, in the help and in
    // the dialogs' buttons. Loaded once, for both application objects.
    QTranslator qtTexts;
    const bool translated =
        qtTexts.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    std::optional<StartRequest> start;
    std::vector<picture::StartedHelperProcess> helpers;
    {
        QCoreApplication early(argc, argv);
        QCoreApplication::setApplicationName(texts::ExecutableName);
        QCoreApplication::setApplicationVersion(texts::Version);
        if (translated)
            QCoreApplication::installTranslator(&qtTexts);
        QList<QByteArray> raw;
        for (int i = 0; i < argc; ++i)
            raw.append(QByteArray(argv[i]));
        const CommandLine line = parseCommandLine(QCoreApplication::arguments(), raw);
        if (!line.start) {
            print(line);
            return line.exitCode;
        }
        start = line.start;
        // Opened on a photo: a decoder helper loads its libraries and
        // contains itself while the window is built, on another core, and
        // the photo meets it ready. Without one, the helpers start once the
        // window is up, as they would only slow its building down.
        if (!start->file.isEmpty())
            helpers = picture::DecodeQueue::startHelpersEarly();
    }
    QtMessageHandler previous = qInstallMessageHandler(noDisplay);
    QApplication app(argc, argv);
    qInstallMessageHandler(previous);
    QApplication::setApplicationName(texts::ExecutableName);
    QApplication::setApplicationVersion(texts::Version);
    QGuiApplication::setDesktopFileName(QStringLiteral("org.zelvo.Zelvoviewer"));
    QApplication::setWindowIcon(programIcon());

    if (translated)
        QApplication::installTranslator(&qtTexts);

    qthost::QtHost host;
    host.setStartFolder(start->folder);
    host.startWith(std::move(helpers));
    host.remember(std::make_unique<qthost::RememberedSettings>(qthost::RememberedSettings::defaultFile()));
    Form1 form(host);
    host.attach(Form1::design(), &form);
    host.setStartFile(start->file);
    host.show();
    return QApplication::exec();
}
