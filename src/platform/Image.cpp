#include "platform/Image.h"

#include <fcntl.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/ImageDecoder.h"
#include "platform/ImageDecoderProtocol.h"

namespace platform {
namespace {

constexpr double kPixelsPerPoint = 2;

struct PixbufDeleter {
    void operator()(GdkPixbuf* p) const { g_object_unref(p); }
};
using PixbufPtr = std::unique_ptr<GdkPixbuf, PixbufDeleter>;

std::shared_ptr<Bitmap> bitmapFromPixbuf(GdkPixbuf* pixbuf) {
    if (gdk_pixbuf_get_colorspace(pixbuf) != GDK_COLORSPACE_RGB || gdk_pixbuf_get_bits_per_sample(pixbuf) != 8) {
        return nullptr;
    }
    const int width = gdk_pixbuf_get_width(pixbuf);
    const int height = gdk_pixbuf_get_height(pixbuf);
    const int channels = gdk_pixbuf_get_n_channels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    const bool alpha = gdk_pixbuf_get_has_alpha(pixbuf);
    if (width <= 0 || height <= 0 || channels < (alpha ? 4 : 3)) return nullptr;
    const guint8* pixels = gdk_pixbuf_read_pixels(pixbuf);
    auto bitmap = std::make_shared<Bitmap>();
    bitmap->width = width;
    bitmap->height = height;
    bitmap->rgba.resize(static_cast<size_t>(width) * height * 4);
    uint8_t* out = bitmap->rgba.data();
    for (int y = 0; y < height; ++y) {
        const guint8* row = pixels + static_cast<size_t>(y) * stride;
        for (int x = 0; x < width; ++x, out += 4) {
            const guint8* px = row + static_cast<size_t>(x) * channels;
            out[0] = px[0];
            out[1] = px[1];
            out[2] = px[2];
            out[3] = alpha ? px[3] : 255;
        }
    }
    return bitmap;
}

// A pixbuf that reads the bitmap's pixels in place; it must not outlive the bitmap.
PixbufPtr pixbufOver(const Bitmap& bitmap) {
    if (bitmap.width <= 0 || bitmap.height <= 0 || bitmap.width > std::numeric_limits<int>::max() / 4 ||
        bitmap.rgba.size() < static_cast<size_t>(bitmap.width) * bitmap.height * 4) {
        return nullptr;
    }
    return PixbufPtr(gdk_pixbuf_new_from_data(bitmap.rgba.data(), GDK_COLORSPACE_RGB, TRUE, 8, bitmap.width,
                                              bitmap.height, bitmap.width * 4, nullptr, nullptr));
}

}  // namespace

Image Image::symbol(std::string name, Size size, double pointSize, SymbolWeight weight) {
    Image image;
    image.symbolName_ = std::move(name);
    image.size_ = size;
    image.pointSize_ = pointSize;
    image.weight_ = weight;
    return image;
}

Image Image::asset(std::string name, Size size) {
    Image image;
    image.assetName_ = std::move(name);
    image.size_ = size;
    return image;
}

Image Image::pixels(std::shared_ptr<const Bitmap> bitmap, Size size) {
    Image image;
    image.bitmap_ = std::move(bitmap);
    image.size_ = size;
    return image;
}

std::optional<Image> Image::fromFile(const std::filesystem::path& path) {
    // Without blocking: a FIFO at the path is opened and then refused, never waited for.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    auto image = ImageDecoder::decode(fd);
    ::close(fd);
    return image;
}

Image Image::scaled(Size size) const {
    Image copy = *this;
    copy.size_ = size;
    if (!bitmap_) return copy;
    // Counted in doubles until known to fit: a size of any magnitude (or not a number) never
    // wraps into a small count of pixels.
    const double width = std::max(1.0, std::round(size.width * kPixelsPerPoint));
    const double height = std::max(1.0, std::round(size.height * kPixelsPerPoint));
    constexpr auto most = static_cast<double>(ImageDecoderProtocol::kMostPixels);
    if (!(size.width > 0) || !(size.height > 0) || !(width <= most) || !(height <= most) ||
        !ImageDecoderProtocol::withinMostPixels(static_cast<uint64_t>(width), static_cast<uint64_t>(height))) {
        return copy;
    }
    PixbufPtr source = pixbufOver(*bitmap_);
    if (!source) return copy;
    PixbufPtr result(
        gdk_pixbuf_scale_simple(source.get(), static_cast<int>(width), static_cast<int>(height), GDK_INTERP_BILINEAR));
    if (!result) return copy;
    if (auto bitmap = bitmapFromPixbuf(result.get())) copy.bitmap_ = std::move(bitmap);
    return copy;
}

std::vector<uint8_t> Image::pngData() const {
    if (!bitmap_) return {};
    PixbufPtr pixbuf = pixbufOver(*bitmap_);
    if (!pixbuf) return {};
    gchar* buffer = nullptr;
    gsize length = 0;
    GError* error = nullptr;
    gboolean saved = gdk_pixbuf_save_to_buffer(pixbuf.get(), &buffer, &length, "png", &error, nullptr);
    if (error) g_error_free(error);
    std::vector<uint8_t> data;
    if (saved && buffer) data.assign(buffer, buffer + length);
    g_free(buffer);
    return data;
}

bool Image::operator==(const Image& o) const {
    return size_ == o.size_ && isTemplate_ == o.isTemplate_ && tint_ == o.tint_ && symbolName_ == o.symbolName_ &&
           pointSize_ == o.pointSize_ && weight_ == o.weight_ && assetName_ == o.assetName_ && bitmap_ == o.bitmap_;
}

}  // namespace platform
