#pragma once

namespace platform {

// Asks org.freedesktop.ScreenSaver on the session bus to stay inhibited for the life of the
// process. No bus or no service: nothing happens. Returns true when a cookie was received.
bool InhibitScreenSaver();

} // namespace platform
