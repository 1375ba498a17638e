#pragma once

namespace platform {

// The standard editing commands that a menu item sends to no target in particular: the
// application hands them to the first responder of its key window, which performs them or
// not (AppKit's nil-targeted undo:, redo:, cut:, copy:, paste: and selectAll:). Text fields
// get these commands only this way, so an application without an Edit menu has none.
enum class ResponderAction { undo, redo, cut, copy, paste, selectAll };

}  // namespace platform
