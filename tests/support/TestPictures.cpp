#include "support/TestPictures.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace testsupport {
namespace {

void putBigEndian(std::string& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

void writeChunk(std::ofstream& out, const char* type, const std::string& data) {
    std::string chunk;
    putBigEndian(chunk, static_cast<uint32_t>(data.size()));
    chunk.append(type, 4);
    chunk += data;
    const auto* crcFrom = reinterpret_cast<const Bytef*>(chunk.data() + 4);
    putBigEndian(chunk, static_cast<uint32_t>(crc32(0, crcFrom, static_cast<uInt>(data.size() + 4))));
    out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
}

// `row(y, bytes)` fills one row's pixel bytes (without the filter byte).
void writePNG(const std::filesystem::path& file, int width, int height, int bitDepth, int colourType,
              size_t rowBytes, int level, const std::function<void(int, std::vector<uint8_t>&)>& row) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    putBigEndian(header, static_cast<uint32_t>(width));
    putBigEndian(header, static_cast<uint32_t>(height));
    header += {static_cast<char>(bitDepth), static_cast<char>(colourType), 0, 0, 0};
    writeChunk(out, "IHDR", header);

    z_stream z{};
    if (deflateInit(&z, level) != Z_OK) throw std::runtime_error("deflateInit");
    std::vector<uint8_t> line(rowBytes + 1, 0);  // filter byte 0: none
    std::vector<uint8_t> pixels(rowBytes);
    std::string compressed;
    std::vector<uint8_t> buffer(1 << 16);
    auto pump = [&](int flush) {
        do {
            z.next_out = buffer.data();
            z.avail_out = static_cast<uInt>(buffer.size());
            deflate(&z, flush);
            compressed.append(reinterpret_cast<const char*>(buffer.data()), buffer.size() - z.avail_out);
        } while (z.avail_out == 0);
    };
    for (int y = 0; y < height; ++y) {
        row(y, pixels);
        std::copy(pixels.begin(), pixels.end(), line.begin() + 1);
        z.next_in = line.data();
        z.avail_in = static_cast<uInt>(line.size());
        pump(Z_NO_FLUSH);
    }
    pump(Z_FINISH);
    deflateEnd(&z);
    writeChunk(out, "IDAT", compressed);
    writeChunk(out, "IEND", "");
    if (!out) throw std::runtime_error("cannot write " + file.string());
}

}  // namespace

void writeNoisePNG(const std::filesystem::path& file, int width, int height, uint32_t seed) {
    uint32_t state = seed ? seed : 1;
    // Noise does not compress: stored as it is, which is also the fastest to write.
    writePNG(file, width, height, 8, 2, static_cast<size_t>(width) * 3, Z_NO_COMPRESSION,
             [&](int, std::vector<uint8_t>& bytes) {
                 for (size_t i = 0; i < bytes.size(); i += 4) {  // xorshift32, four bytes at a time
                     state ^= state << 13;
                     state ^= state >> 17;
                     state ^= state << 5;
                     std::memcpy(bytes.data() + i, &state, std::min<size_t>(4, bytes.size() - i));
                 }
             });
}

bool sameBytes(const std::filesystem::path& one, const std::filesystem::path& other) {
    std::ifstream a(one, std::ios::binary), b(other, std::ios::binary);
    if (!a || !b) return false;
    std::vector<char> x(1 << 16), y(1 << 16);
    while (a && b) {
        a.read(x.data(), static_cast<std::streamsize>(x.size()));
        b.read(y.data(), static_cast<std::streamsize>(y.size()));
        if (a.gcount() != b.gcount() || !std::equal(x.begin(), x.begin() + a.gcount(), y.begin())) return false;
    }
    return a.eof() && b.eof();
}

void writeBlankPNG(const std::filesystem::path& file, int width, int height) {
    writePNG(file, width, height, 1, 0, (static_cast<size_t>(width) + 7) / 8, Z_BEST_SPEED,
             [](int, std::vector<uint8_t>&) {});
}

std::vector<NamedBytes> cutShortImages() {
    std::ifstream logo(std::string(TESSIVANE_RESOURCES_DIR) + "/AppLogo.png", std::ios::binary);
    std::string png(200, '\0');
    logo.read(png.data(), static_cast<std::streamsize>(png.size()));
    // A 16 x 16 BMP of 24 bits a pixel: the file and information headers, 54 bytes.
    std::string bmp = "BM";
    auto little = [&bmp](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) bmp.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    little(54 + 16 * 16 * 3, 4), little(0, 4), little(54, 4);
    little(40, 4), little(16, 4), little(16, 4), little(1, 2), little(24, 2), little(0, 4), little(16 * 16 * 3, 4);
    little(2835, 4), little(2835, 4), little(0, 4), little(0, 4);
    return {{"cut.png", png}, {"bare.bmp", bmp}, {"bare.pgm", "P5\n16 16\n255\n"}};
}

const char* const kEndlessFilterSVG =
    R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64"><filter id="f"><feTurbulence )svg"
    R"svg(baseFrequency="0.05" numOctaves="1000000000"/></filter><rect width="64" height="64" filter="url(#f)"/></svg>)svg";

}  // namespace testsupport
