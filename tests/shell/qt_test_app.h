#pragma once
#include <QApplication>

#include <cstdlib>

#include "support/qt_application.h"

namespace kx::test {

// On Qt's offscreen platform, so that the windows need no display.
inline QApplication& TestApplication() {
    return OneApplication<QApplication>([] { setenv("QT_QPA_PLATFORM", "offscreen", 1); });
}

}  // namespace kx::test
