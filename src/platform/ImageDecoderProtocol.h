#pragma once
#include <cstddef>
#include <cstdint>

// What the application and its image decoder (src/platform/decoder) agree on: the bounds an
// image file is decoded within and the answer the decoder writes. The decoder is a program
// of its own so that a damaged or hostile file costs that process, never the application.
namespace platform::ImageDecoderProtocol {

// The most pixels an image may hold. A file whose header declares more is refused before it
// is decoded: some decoders (PNG's) hold the whole picture at once whatever size it is loaded
// at, and a tiny file can declare a huge one. A 48-megapixel camera photo passes.
constexpr int64_t kMostPixels = 50'000'000;
// Whether width x height pixels are at most kMostPixels, for sides of any size: the product
// is never formed, so that no two sides can wrap it into range.
constexpr bool withinMostPixels(uint64_t width, uint64_t height) {
    return width > 0 && height > 0 && width <= static_cast<uint64_t>(kMostPixels) / height;
}
// A file larger than this on its longer side is loaded at this size (its proportions kept):
// nothing draws a file's picture larger than a few hundred points, and a photo at full size
// would cost tens of megabytes for as long as it is shown.
constexpr int kLongestLoadedSide = 1024;
// The decoder's address space. The largest picture that passes (50 megapixels, 200 MB as
// RGBA) decodes well within it; an SVG of a million shapes does not.
constexpr uint64_t kMostBytes = 512ull << 20;
// Processor time the decoder may use; the kernel stops it after that. A photo of 48
// megapixels takes about half a second here; an SVG filter of a billion octaves takes forever.
constexpr int kMostProcessorSeconds = 2;
// Time from start to answer, after which the decoder is killed whatever it is doing. Longer
// than the processor bound, so that a decoder that merely waits for a busy machine's
// processors still finishes.
constexpr double kMostSeconds = 4;

// The answer on the decoder's standard output: this header, then height rows of width
// pixels of straight (not premultiplied) RGBA; exit status 0. Anything else is a refusal.
struct Header {
    char magic[4];
    uint32_t width;  // of the pixels, at most kLongestLoadedSide on either side
    uint32_t height;
    uint32_t fileWidth;  // of the picture in the file
    uint32_t fileHeight;
};
constexpr char kMagic[4] = {'T', 'V', 'I', '1'};

// Whether the application takes an answer that begins with this header: the magic, pixels at
// most kLongestLoadedSide a side and no more than the file's picture, which is within
// kMostPixels. Anything else is read as a refusal, whatever numbers the header holds.
constexpr bool isAcceptable(const Header& header) {
    for (size_t i = 0; i < sizeof kMagic; ++i) {
        if (header.magic[i] != kMagic[i]) return false;
    }
    const auto longest = static_cast<uint32_t>(kLongestLoadedSide);
    return header.width > 0 && header.height > 0 && header.width <= longest && header.height <= longest &&
           header.fileWidth >= header.width && header.fileHeight >= header.height &&
           withinMostPixels(header.fileWidth, header.fileHeight);
}

}  // namespace platform::ImageDecoderProtocol
