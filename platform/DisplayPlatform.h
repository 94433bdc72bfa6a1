#pragma once

namespace platform {

// The player embeds through an X11 window id: under Wayland go through XWayland unless the
// user chose a platform plugin. Must run before the application object exists.
void PreferXcbUnderWayland();

} // namespace platform
