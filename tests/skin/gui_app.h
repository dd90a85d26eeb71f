// One application object for the whole test executable (widgets need it;
// tools/test.sh runs the tests on the offscreen platform). It is never
// destroyed: at exit Qt's own statics may already be gone.
#pragma once

#include <QApplication>

inline QApplication &gui_app()
{
    static int argc = 1;
    static char name[] = "tarn_gui_test";
    static char *argv[] = {name, nullptr};
    static QApplication *app = new QApplication(argc, argv);
    return *app;
}
