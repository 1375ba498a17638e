#pragma once
#include <string>
#include <vector>

#include "platform/WindowServer.h"

namespace tessivane {

// The private window-server functions, bound late by name: first in SkyLight, then in
// CoreGraphics. Nothing is cached, so a function that appears or vanishes is seen at once.
namespace MenuBarSkyLight {

// The address of the named function, or null when neither framework has it.
void* lookup(const std::string& name);

// The named function cast to the wanted C signature (one of the platform's `...Fn` types),
// or null when it is not available.
template <class Function>
Function symbol(const std::string& name) {
    return reinterpret_cast<Function>(lookup(name));
}

// The window numbers of every process's menu bar item windows, in the window server's
// order, without level-24 windows and without the number 0; empty when the functions are
// missing or fail.
std::vector<platform::CGWindowID> menuBarItemWindowIDs();

}  // namespace MenuBarSkyLight

}  // namespace tessivane
