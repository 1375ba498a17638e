#pragma once
#include <optional>
#include <string>

namespace ui {

enum class Weight { ultraLight, thin, light, regular, medium, semibold, bold, heavy, black };
enum class Design { standard, monospaced, rounded, serif };

// The text styles of the system, each with its macOS point size and weight.
enum class TextStyle { none, largeTitle, title, title2, title3, headline, subheadline, body, callout, caption, caption2, footnote };

// A font as views ask for it: a text style or an explicit system size, a weight and a design.
struct Font {
    double size = 13;
    Weight weight = Weight::regular;
    Design design = Design::standard;
    TextStyle style = TextStyle::none;

    static Font system(double size, Weight weight = Weight::regular, Design design = Design::standard) {
        return Font{size, weight, design, TextStyle::none};
    }
    static Font ofStyle(TextStyle style);
    static Font largeTitle() { return ofStyle(TextStyle::largeTitle); }
    static Font title() { return ofStyle(TextStyle::title); }
    static Font title2() { return ofStyle(TextStyle::title2); }
    static Font title3() { return ofStyle(TextStyle::title3); }
    static Font headline() { return ofStyle(TextStyle::headline); }
    static Font subheadline() { return ofStyle(TextStyle::subheadline); }
    static Font body() { return ofStyle(TextStyle::body); }
    static Font callout() { return ofStyle(TextStyle::callout); }
    static Font caption() { return ofStyle(TextStyle::caption); }
    static Font caption2() { return ofStyle(TextStyle::caption2); }
    static Font footnote() { return ofStyle(TextStyle::footnote); }

    Font withWeight(Weight w) const { Font f = *this; f.weight = w; return f; }
    Font bold() const { return withWeight(Weight::bold); }

    bool operator==(const Font&) const = default;
};

const char* name(Weight weight);
const char* name(Design design);
const char* name(TextStyle style);

}  // namespace ui
