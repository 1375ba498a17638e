#include "ui/Font.h"

namespace ui {

Font Font::ofStyle(TextStyle style) {
    switch (style) {
        case TextStyle::largeTitle: return {26, Weight::regular, Design::standard, style};
        case TextStyle::title: return {22, Weight::regular, Design::standard, style};
        case TextStyle::title2: return {17, Weight::regular, Design::standard, style};
        case TextStyle::title3: return {15, Weight::regular, Design::standard, style};
        case TextStyle::headline: return {13, Weight::bold, Design::standard, style};
        case TextStyle::subheadline: return {11, Weight::regular, Design::standard, style};
        case TextStyle::callout: return {12, Weight::regular, Design::standard, style};
        case TextStyle::caption:
        case TextStyle::caption2:
        case TextStyle::footnote: return {10, Weight::regular, Design::standard, style};
        case TextStyle::body:
        case TextStyle::none: break;
    }
    return {13, Weight::regular, Design::standard, style};
}

const char* name(Weight weight) {
    switch (weight) {
        case Weight::ultraLight: return "ultraLight";
        case Weight::thin: return "thin";
        case Weight::light: return "light";
        case Weight::regular: return "regular";
        case Weight::medium: return "medium";
        case Weight::semibold: return "semibold";
        case Weight::bold: return "bold";
        case Weight::heavy: return "heavy";
        case Weight::black: return "black";
    }
    return "regular";
}

const char* name(Design design) {
    switch (design) {
        case Design::standard: return "default";
        case Design::monospaced: return "monospaced";
        case Design::rounded: return "rounded";
        case Design::serif: return "serif";
    }
    return "default";
}

const char* name(TextStyle style) {
    switch (style) {
        case TextStyle::none: return "";
        case TextStyle::largeTitle: return "largeTitle";
        case TextStyle::title: return "title";
        case TextStyle::title2: return "title2";
        case TextStyle::title3: return "title3";
        case TextStyle::headline: return "headline";
        case TextStyle::subheadline: return "subheadline";
        case TextStyle::body: return "body";
        case TextStyle::callout: return "callout";
        case TextStyle::caption: return "caption";
        case TextStyle::caption2: return "caption2";
        case TextStyle::footnote: return "footnote";
    }
    return "";
}

}  // namespace ui
