#include "platform/DisplayPlatform.h"

#include <QByteArray>
#include <QtGlobal>

namespace platform {

void PreferXcbUnderWayland() {
    if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY") &&
        !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("xcb"));
}

} // namespace platform
