#pragma once

#include <QApplication>
#include <QTest>

// Widget tests run headless unless a display is asked for (test discovery
// runs the executable at build time, where there may be none).
#define ZELVO_WIDGET_TEST_MAIN(TestObject)                                                                           \
    int main(int argc, char *argv[])                                                                                 \
    {                                                                                                                \
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))                                                           \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                                                 \
        QApplication app(argc, argv);                                                                                \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                                     \
        TestObject tc;                                                                                               \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                   \
        return QTest::qExec(&tc, argc, argv);                                                                        \
    }
