#include "app/form1.h"
#include "common/texts.h"
#include "host/qt/qthost.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstdio>

namespace {

// Without a display Qt would abort with a plugin trace; say what to do instead.
bool displayAvailable()
{
#ifdef Q_OS_LINUX
    return qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qEnvironmentVariableIsSet("DISPLAY")
           || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
#else
    return true;
#endif
}

} // namespace

int main(int argc, char *argv[])
{
    if (!displayAvailable()) {
        std::fprintf(stderr,
                     "Zelvoviewer needs a graphical display, and none was found (DISPLAY is not set).\n"
                     "To run it without a screen, start it under a virtual X server:\n"
                     "    xvfb-run -a %s\n",
                     argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(texts::ExecutableName);
    QApplication::setApplicationVersion(texts::Version);

    // The program speaks Japanese: so do Qt's own buttons in its dialogs.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    qthost::QtHost host;
    Form1 form(host);
    host.attach(Form1::design(), &form);
    host.show();
    return QApplication::exec();
}
