// tessivane-image-decoder: reads one image file from standard input and writes its pixels
// to standard output (platform/ImageDecoderProtocol.h). The application runs it for every
// image file it shows, under a bound of memory and processor time it sets here itself, and
// kills it when it takes too long: whatever the file makes the image loaders do happens in
// this process.
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/ImageDecoderProtocol.h"

namespace {

using namespace platform::ImageDecoderProtocol;

void limit(int resource, rlim_t soft, rlim_t hard) {
    const rlimit bound{soft, hard};
    setrlimit(resource, &bound);
}

struct Decoding {
    int width = 0, height = 0;  // of the picture in the file
    bool scalable = false;
    // Rows of the file's picture the loader filled. Some loaders end a file cut short without
    // an error, leaving the rest of a picture they allocated blank: only a picture whose every
    // row came from the file is one. Not counted for vector formats, which render once at the
    // end, nor for GIF, whose first frame may cover part of the picture and whose loader tells
    // missing data itself.
    bool countsRows = false;
    std::vector<bool> rowsFilled;
    size_t rowsLeft = 0;
};

// The header has been read and nothing decoded yet: refuse absurd sizes; a vector picture
// is rendered at most kLongestLoadedSide on its longer side, a raster one reduced after it
// is read whole (which PNG's loader does anyway), so that every row it fills can be counted.
void sizePrepared(GdkPixbufLoader* loader, int width, int height, gpointer data) {
    if (width <= 0 || height <= 0 || !withinMostPixels(static_cast<uint64_t>(width), static_cast<uint64_t>(height))) {
        _exit(1);
    }
    auto& decoding = *static_cast<Decoding*>(data);
    decoding.width = width;
    decoding.height = height;
    GdkPixbufFormat* format = gdk_pixbuf_loader_get_format(loader);
    decoding.scalable = format && gdk_pixbuf_format_is_scalable(format);
    gchar* name = format ? gdk_pixbuf_format_get_name(format) : nullptr;
    decoding.countsRows = !decoding.scalable && !(name && std::strcmp(name, "gif") == 0);
    g_free(name);
    decoding.rowsFilled.assign(static_cast<size_t>(height), false);
    decoding.rowsLeft = static_cast<size_t>(height);
    const int longest = std::max(width, height);
    if (!decoding.scalable || longest <= kLongestLoadedSide) return;
    const double scale = static_cast<double>(kLongestLoadedSide) / longest;
    gdk_pixbuf_loader_set_size(loader, std::max(1, static_cast<int>(std::lround(width * scale))),
                               std::max(1, static_cast<int>(std::lround(height * scale))));
}

void areaUpdated(GdkPixbufLoader*, int, int y, int, int height, gpointer data) {
    auto& decoding = *static_cast<Decoding*>(data);
    // Summed wide: a loader's area may end past what an int holds.
    const int64_t end = std::min(static_cast<int64_t>(y) + std::max(height, 0),
                                 static_cast<int64_t>(decoding.rowsFilled.size()));
    for (int64_t row = std::max(y, 0); row < end; ++row) {
        if (!decoding.rowsFilled[static_cast<size_t>(row)]) {
            decoding.rowsFilled[static_cast<size_t>(row)] = true;
            --decoding.rowsLeft;
        }
    }
}

bool writeAll(const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = write(STDOUT_FILENO, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

int main() {
    // Ends with the application, should that go first.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    limit(RLIMIT_AS, kMostBytes, kMostBytes);
    limit(RLIMIT_CPU, kMostProcessorSeconds, kMostProcessorSeconds + 1);
    limit(RLIMIT_CORE, 0, 0);
    limit(RLIMIT_FSIZE, 0, 0);

    GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
    Decoding decoding;
    g_signal_connect(loader, "size-prepared", G_CALLBACK(sizePrepared), &decoding);
    g_signal_connect(loader, "area-updated", G_CALLBACK(areaUpdated), &decoding);
    std::vector<guchar> buffer(64 * 1024);
    for (;;) {
        const ssize_t n = read(STDIN_FILENO, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return 1;
        if (n == 0) break;
        if (!gdk_pixbuf_loader_write(loader, buffer.data(), static_cast<gsize>(n), nullptr)) return 1;
    }
    if (!gdk_pixbuf_loader_close(loader, nullptr)) return 1;
    GdkPixbuf* loaded = gdk_pixbuf_loader_get_pixbuf(loader);
    if (!loaded || decoding.width <= 0 || (decoding.countsRows && decoding.rowsLeft > 0) ||
        gdk_pixbuf_get_colorspace(loaded) != GDK_COLORSPACE_RGB || gdk_pixbuf_get_bits_per_sample(loaded) != 8) {
        return 1;
    }
    int width = gdk_pixbuf_get_width(loaded);
    int height = gdk_pixbuf_get_height(loaded);
    GdkPixbuf* reduced = nullptr;
    if (std::max(width, height) > kLongestLoadedSide) {
        const double scale = static_cast<double>(kLongestLoadedSide) / std::max(width, height);
        width = std::max(1, static_cast<int>(std::lround(width * scale)));
        height = std::max(1, static_cast<int>(std::lround(height * scale)));
        reduced = gdk_pixbuf_scale_simple(loaded, width, height, GDK_INTERP_BILINEAR);
        if (!reduced) return 1;
    }
    GdkPixbuf* pixbuf = gdk_pixbuf_add_alpha(reduced ? reduced : loaded, FALSE, 0, 0, 0);  // four channels
    if (!pixbuf || gdk_pixbuf_get_width(pixbuf) != width || gdk_pixbuf_get_height(pixbuf) != height ||
        gdk_pixbuf_get_n_channels(pixbuf) != 4) {
        return 1;
    }
    Header header{};
    std::memcpy(header.magic, kMagic, sizeof kMagic);
    header.width = static_cast<uint32_t>(width);
    header.height = static_cast<uint32_t>(height);
    header.fileWidth = static_cast<uint32_t>(decoding.width);
    header.fileHeight = static_cast<uint32_t>(decoding.height);
    if (!writeAll(&header, sizeof header)) return 1;
    const guint8* pixels = gdk_pixbuf_read_pixels(pixbuf);
    const size_t stride = static_cast<size_t>(gdk_pixbuf_get_rowstride(pixbuf));
    for (int y = 0; y < height; ++y) {
        if (!writeAll(pixels + y * stride, static_cast<size_t>(width) * 4)) return 1;
    }
    return 0;
}
