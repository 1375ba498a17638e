#pragma once

namespace platform {
class Window;
}

namespace tessivane {

// The application runs as a menu bar agent (no Dock icon, no application menu) and turns
// into an ordinary application only while one of its titled windows is on screen.
namespace MenuBarAppWindows {

// On a later turn of the main queue, returns the application to the accessory policy unless
// a titled window is still visible. Running later lets a window that is closing right now
// count as gone. Returns at once.
void restoreAccessoryIfIdle();
// Switches to the regular policy, activates the application and brings the window to the
// front, as the settings and welcome windows do whenever they are shown.
void bringForward(platform::Window& window);

}  // namespace MenuBarAppWindows

}  // namespace tessivane
