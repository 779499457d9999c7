#include "platform/Display.h"

#include <QGuiApplication>

namespace netrova {

bool HasDisplay() {
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

} // namespace netrova
