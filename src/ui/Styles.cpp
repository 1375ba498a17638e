#include "ui/Styles.h"

#include "ui/Geometry.h"

namespace ui {

EdgeInsets EdgeInsets::of(Edges edges, double amount) {
    EdgeInsets e;
    if (contains(edges, Edges::top)) e.top = amount;
    if (contains(edges, Edges::leading)) e.leading = amount;
    if (contains(edges, Edges::bottom)) e.bottom = amount;
    if (contains(edges, Edges::trailing)) e.trailing = amount;
    return e;
}

const char* name(HorizontalAlignment a) {
    switch (a) {
        case HorizontalAlignment::leading: return "leading";
        case HorizontalAlignment::center: return "center";
        case HorizontalAlignment::trailing: return "trailing";
    }
    return "center";
}

const char* name(VerticalAlignment a) {
    switch (a) {
        case VerticalAlignment::top: return "top";
        case VerticalAlignment::center: return "center";
        case VerticalAlignment::bottom: return "bottom";
        case VerticalAlignment::firstTextBaseline: return "firstTextBaseline";
    }
    return "center";
}

const char* name(Alignment a) {
    switch (a) {
        case Alignment::topLeading: return "topLeading";
        case Alignment::top: return "top";
        case Alignment::topTrailing: return "topTrailing";
        case Alignment::leading: return "leading";
        case Alignment::center: return "center";
        case Alignment::trailing: return "trailing";
        case Alignment::bottomLeading: return "bottomLeading";
        case Alignment::bottom: return "bottom";
        case Alignment::bottomTrailing: return "bottomTrailing";
    }
    return "center";
}

const char* name(TextAlignment a) {
    switch (a) {
        case TextAlignment::leading: return "leading";
        case TextAlignment::center: return "center";
        case TextAlignment::trailing: return "trailing";
    }
    return "leading";
}

const char* name(LayoutDirection d) { return d == LayoutDirection::rightToLeft ? "rightToLeft" : "leftToRight"; }

const char* name(ControlSize v) {
    switch (v) {
        case ControlSize::mini: return "mini";
        case ControlSize::small: return "small";
        case ControlSize::regular: return "regular";
        case ControlSize::large: return "large";
    }
    return "regular";
}

const char* name(ButtonStyle v) {
    switch (v) {
        case ButtonStyle::automatic: return "automatic";
        case ButtonStyle::plain: return "plain";
        case ButtonStyle::bordered: return "bordered";
        case ButtonStyle::borderedProminent: return "borderedProminent";
        case ButtonStyle::borderless: return "borderless";
        case ButtonStyle::link: return "link";
    }
    return "automatic";
}

const char* name(ButtonRole v) {
    switch (v) {
        case ButtonRole::none: return "";
        case ButtonRole::destructive: return "destructive";
        case ButtonRole::cancel: return "cancel";
    }
    return "";
}

const char* name(ToggleStyle v) {
    switch (v) {
        case ToggleStyle::automatic: return "automatic";
        case ToggleStyle::switchStyle: return "switch";
        case ToggleStyle::checkbox: return "checkbox";
        case ToggleStyle::button: return "button";
    }
    return "automatic";
}

const char* name(PickerStyle v) {
    switch (v) {
        case PickerStyle::automatic: return "automatic";
        case PickerStyle::segmented: return "segmented";
        case PickerStyle::menu: return "menu";
        case PickerStyle::radioGroup: return "radioGroup";
        case PickerStyle::inline_: return "inline";
    }
    return "automatic";
}

const char* name(TextFieldStyle v) {
    switch (v) {
        case TextFieldStyle::automatic: return "automatic";
        case TextFieldStyle::roundedBorder: return "roundedBorder";
        case TextFieldStyle::plain: return "plain";
    }
    return "automatic";
}

const char* name(MenuStyle v) {
    switch (v) {
        case MenuStyle::automatic: return "automatic";
        case MenuStyle::button: return "button";
        case MenuStyle::borderlessButton: return "borderlessButton";
    }
    return "automatic";
}

const char* name(ProgressStyle v) {
    switch (v) {
        case ProgressStyle::automatic: return "automatic";
        case ProgressStyle::circular: return "circular";
        case ProgressStyle::linear: return "linear";
    }
    return "automatic";
}

const char* name(Visibility v) {
    switch (v) {
        case Visibility::automatic: return "automatic";
        case Visibility::visible: return "visible";
        case Visibility::hidden: return "hidden";
    }
    return "automatic";
}

const char* name(Shape::Kind v) {
    switch (v) {
        case Shape::Kind::rectangle: return "rectangle";
        case Shape::Kind::roundedRectangle: return "roundedRectangle";
        case Shape::Kind::circle: return "circle";
        case Shape::Kind::capsule: return "capsule";
        case Shape::Kind::ellipse: return "ellipse";
    }
    return "rectangle";
}

const char* name(Cursor v) {
    switch (v) {
        case Cursor::arrow: return "arrow";
        case Cursor::pointingHand: return "pointingHand";
        case Cursor::iBeam: return "iBeam";
    }
    return "arrow";
}

}  // namespace ui
