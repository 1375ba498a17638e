#pragma once
#include <optional>
#include <string>
#include <vector>

#include "platform/Color.h"
#include "platform/Event.h"

namespace ui {

enum class ControlSize { mini, small, regular, large };
enum class ButtonStyle { automatic, plain, bordered, borderedProminent, borderless, link };
enum class ButtonRole { none, destructive, cancel };
enum class ToggleStyle { automatic, switchStyle, checkbox, button };
enum class PickerStyle { automatic, segmented, menu, radioGroup, inline_ };
enum class TextFieldStyle { automatic, roundedBorder, plain };
enum class MenuStyle { automatic, button, borderlessButton };
enum class ProgressStyle { automatic, circular, linear };
enum class Visibility { automatic, visible, hidden };
enum class ContentMode { fit, fill };
enum class ImageRendering { original, templateImage };
enum class SymbolRendering { monochrome, hierarchical, palette, multicolor };
enum class Interpolation { none, low, medium, high };
enum class ColorScheme { light, dark };
enum class Cursor { arrow, pointingHand, iBeam };

// A key equivalent of a button. Return is the default action, Escape the cancel action.
struct KeyboardShortcut {
    enum class Kind { key, defaultAction, cancelAction };
    Kind kind = Kind::key;
    std::string key;  // for Kind::key: a character ("q", ",")
    platform::ModifierFlags modifiers = platform::Modifier::command;
    static KeyboardShortcut defaultAction() { return {Kind::defaultAction, "\r", 0}; }
    static KeyboardShortcut cancelAction() { return {Kind::cancelAction, "\x1b", 0}; }
    static KeyboardShortcut of(std::string key, platform::ModifierFlags modifiers = platform::Modifier::command) {
        return {Kind::key, std::move(key), modifiers};
    }
    bool operator==(const KeyboardShortcut&) const = default;
};

// The shapes views draw, clip to and hit-test by.
struct Shape {
    enum class Kind { rectangle, roundedRectangle, circle, capsule, ellipse };
    Kind kind = Kind::rectangle;
    double cornerRadius = 0;
    bool continuous = true;
    bool operator==(const Shape&) const = default;
};

struct Shadow {
    platform::Color color = platform::Color::black().opacity(0.33);
    double radius = 0;
    double x = 0;
    double y = 0;
};

// How a shape is painted: filled, stroked along its edge, or stroked inside its edge.
struct StrokeStyle {
    double lineWidth = 1;
    std::vector<double> dash;
};

const char* name(ControlSize v);
const char* name(ButtonStyle v);
const char* name(ButtonRole v);
const char* name(ToggleStyle v);
const char* name(PickerStyle v);
const char* name(TextFieldStyle v);
const char* name(MenuStyle v);
const char* name(ProgressStyle v);
const char* name(Visibility v);
const char* name(Shape::Kind v);
const char* name(Cursor v);

}  // namespace ui
