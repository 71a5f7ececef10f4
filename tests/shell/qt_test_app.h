#pragma once
#include <QApplication>

#include <cstdlib>

namespace kx::test {

// One application object for the whole test program, on Qt's offscreen
// platform so the windows need no display.
inline QApplication& TestApplication()
{
    static int argc = 1;
    static char name[] = "kx_tests_shell";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return new QApplication(argc, argv);  // lives until the program ends
    }();
    return *app;
}

}  // namespace kx::test
