#include "desktop/FileType.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

namespace desktop::FileType {

namespace {

struct KnownType {
    std::string_view extension;
    std::string_view type;
    bool isImage;
};

constexpr std::array kKnownTypes{
    KnownType{"png", "public.png", true},         KnownType{"jpg", "public.jpeg", true},
    KnownType{"jpeg", "public.jpeg", true},       KnownType{"heic", "public.heic", true},
    KnownType{"heif", "public.heif", true},       KnownType{"icns", "com.apple.icns", true},
    KnownType{"gif", "com.compuserve.gif", true}, KnownType{"tif", "public.tiff", true},
    KnownType{"tiff", "public.tiff", true},       KnownType{"bmp", "com.microsoft.bmp", true},
    KnownType{"ico", "com.microsoft.ico", true},  KnownType{"svg", "public.svg-image", true},
    KnownType{"webp", "org.webmproject.webp", true}, KnownType{"pdf", "com.adobe.pdf", false},
    KnownType{"txt", "public.plain-text", false}, KnownType{"json", "public.json", false},
};
constexpr std::string_view kFolder = "public.folder";

const KnownType* knownTypeOf(const std::filesystem::path& file) {
    std::string extension = file.extension().string();
    if (!extension.empty()) extension.erase(0, 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const auto& known : kKnownTypes) {
        if (known.extension == extension) return &known;
    }
    return nullptr;
}

}  // namespace

std::string contentTypeOf(const std::filesystem::path& file) {
    std::error_code error;
    if (std::filesystem::is_directory(file, error)) return std::string(kFolder);
    const KnownType* known = knownTypeOf(file);
    return known ? std::string(known->type) : std::string();
}

bool isAllowed(const std::filesystem::path& file, const std::vector<std::string>& allowedContentTypes) {
    if (allowedContentTypes.empty()) return true;
    const std::string type = contentTypeOf(file);
    const bool isFolder = type == kFolder;
    const KnownType* known = isFolder ? nullptr : knownTypeOf(file);
    return std::any_of(allowedContentTypes.begin(), allowedContentTypes.end(), [&](const std::string& allowed) {
        if (!type.empty() && allowed == type) return true;
        if (allowed == "public.item") return true;
        if (allowed == "public.data") return !isFolder;
        if (allowed == "public.image") return known && known->isImage;
        return false;
    });
}

}  // namespace desktop::FileType
