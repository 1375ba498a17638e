#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

// PNG files made for a test without decoding or holding a picture the size of the file's:
// rows are generated and compressed as they go.

// Random 8-bit RGB noise, which no compression shrinks: a photo's worth of bytes.
void writeNoisePNG(const std::filesystem::path& file, int width, int height, uint32_t seed = 1);
// A black 1-bit greyscale picture: a huge size in a few kilobytes.
void writeBlankPNG(const std::filesystem::path& file, int width, int height);

// Files that begin as images and are none: a PNG cut after 200 bytes, a BMP and a PGM
// header without their pixels. Their loaders end them without an error, on a blank picture.
struct NamedBytes {
    std::string name;  // with the extension
    std::string bytes;
};
std::vector<NamedBytes> cutShortImages();
// A small SVG whose filter would take the renderer forever.
extern const char* const kEndlessFilterSVG;

// Whether two files hold the same bytes.
bool sameBytes(const std::filesystem::path& one, const std::filesystem::path& other);

}  // namespace testsupport
