#pragma once
// One Qt application object for the whole test program, made on first use and
// kept until the program ends.
#include <QCoreApplication>

namespace kx::test {

// App is QCoreApplication for an event loop alone, QApplication for windows.
// An application of that kind made elsewhere is reused; otherwise `prepare`
// runs first, once (to pick a platform, say).
template <typename App>
App& OneApplication(void (*prepare)() = nullptr) {
    static int argc = 1;
    static char name[] = "kx_tests";
    static char* argv[] = {name, nullptr};
    static App* app = [prepare] {
        if (App* existing = qobject_cast<App*>(QCoreApplication::instance())) return existing;
        if (prepare) prepare();
        return new App(argc, argv);
    }();
    return *app;
}

}  // namespace kx::test
