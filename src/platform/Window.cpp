#include "platform/Window.h"

#include "platform/Application.h"
#include "platform/Platform.h"
#include "platform/Popover.h"

namespace platform {

std::shared_ptr<Window> Window::make(Rect contentRect, WindowStyleMask style) {
    return application().makeWindow(contentRect, style);
}

std::shared_ptr<Popover> Popover::make() { return application().makePopover(); }

}  // namespace platform
