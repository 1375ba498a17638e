#pragma once
#include <string>
#include <vector>

namespace platform {

// NSApplication.ModalResponse values.
using ModalResponse = int;
namespace Modal {
inline constexpr ModalResponse ok = 1;
inline constexpr ModalResponse cancel = 0;
inline constexpr ModalResponse stop = -1000;
inline constexpr ModalResponse abort = -1001;
inline constexpr ModalResponse alertFirstButtonReturn = 1000;
inline constexpr ModalResponse alertSecondButtonReturn = 1001;
inline constexpr ModalResponse alertThirdButtonReturn = 1002;
}  // namespace Modal

enum class AlertStyle : int { warning = 0, informational = 1, critical = 2 };

// A modal alert. The first button answers Return; a button titled "Cancel" (or "Don't
// Save") answers Escape.
class Alert {
public:
    std::string messageText;
    std::string informativeText;
    AlertStyle alertStyle = AlertStyle::warning;
    std::vector<std::string> buttons;

    void addButton(std::string title) { buttons.push_back(std::move(title)); }
    // Shows the alert and runs the run loop in the modal-panel mode until a button is
    // chosen; returns alertFirstButtonReturn + the button's index (an alert without buttons
    // gets an "OK" button). The desktop decides who answers (a person, a test's queued
    // answer or its handler).
    ModalResponse runModal();
};

}  // namespace platform
