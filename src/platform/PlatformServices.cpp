// Accessors of the simulated services added to Platform.h; `install`, `services` and
// `workspace` live in Platform.cpp.
#include <cstdio>
#include <cstdlib>

#include "platform/Platform.h"

namespace platform {

namespace {
template <class T>
T& require(T* service, const char* name) {
    if (!service) {
        std::fprintf(stderr, "platform: the %s service is not installed\n", name);
        std::abort();
    }
    return *service;
}
}  // namespace

Application& application() { return require(services().application, "application"); }
StatusBar& statusBar() { return require(services().statusBar, "status bar"); }
Screens& screens() { return require(services().screens, "screens"); }
Events& events() { return require(services().events, "events"); }
Accessibility& accessibility() { return require(services().accessibility, "accessibility"); }
WindowServer& windowServer() { return require(services().windowServer, "window server"); }
SyntheticEvents& syntheticEvents() { return require(services().syntheticEvents, "synthetic events"); }
LoginItems& loginItems() { return require(services().loginItems, "login items"); }
UpdaterFramework& updaterFramework() { return require(services().updaterFramework, "updater"); }

}  // namespace platform
