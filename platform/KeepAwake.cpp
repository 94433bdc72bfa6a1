#include "platform/KeepAwake.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>

namespace platform {

namespace {

// The call blocks start-up; a service that is being activated or hangs must not stall it long.
constexpr int kCallTimeoutMs = 3000;

// Held, never released: the inhibition lasts as long as the process (and its bus connection).
quint32 g_cookie = 0;

} // namespace

bool InhibitScreenSaver() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    // Desktops differ in where they export the interface; the second path is the older one.
    const QString paths[] = {QStringLiteral("/org/freedesktop/ScreenSaver"),
                             QStringLiteral("/ScreenSaver")};
    for (const QString &path : paths) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.ScreenSaver"), path,
            QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("Inhibit"));
        call << QStringLiteral("Tavrell DVD Player")
             << QStringLiteral("Keeping the display awake while the player runs");
        const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            continue;
        bool ok = false;
        const quint32 cookie = reply.arguments().constFirst().toUInt(&ok);
        if (ok) {
            g_cookie = cookie;
            return true;
        }
    }
    return false;
}

} // namespace platform
