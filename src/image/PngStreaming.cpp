#include "image/PngStreaming.h"

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include <png.h>

namespace avatrix::image {
namespace {

struct Source {
    const ByteSet* bytes = nullptr;
    std::size_t at = 0;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
    auto* source = static_cast<Source*>(png_get_io_ptr(png));
    if (length > source->bytes->size() - source->at) {
        png_error(png, "truncated");
    }
    std::memcpy(out, source->bytes->data() + source->at, length);
    source->at += length;
}

void IgnoreWarning(png_structp, png_const_charp) {}

// Everything the read writes lives here, outside the frame that calls
// setjmp, so nothing it touches is indeterminate after a jump.
struct ReadState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    Source source;
    std::vector<png_byte> row;
    std::vector<std::uint32_t> sums;
    QImage image;
};

// Sets up the read for 32-bit BGRA words (ARGB32 on a little-endian machine)
// and returns whether the picture has any transparency.
bool StartRows(ReadState* s, png_uint_32& width, png_uint_32& height) {
    png_set_read_fn(s->png, &s->source, ReadFromMemory);
    png_read_info(s->png, s->info);
    int depth = 0, colour = 0, interlace = 0;
    png_get_IHDR(s->png, s->info, &width, &height, &depth, &colour, &interlace, nullptr, nullptr);
    if (interlace != PNG_INTERLACE_NONE) {
        png_error(s->png, "interlaced");
    }
    const bool alpha =
        (colour & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(s->png, s->info, PNG_INFO_tRNS) != 0;
    png_set_expand(s->png);
    png_set_strip_16(s->png);
    png_set_gray_to_rgb(s->png);
    // Straight into the 32-bit pixel words of the image, as Qt's reader lays them.
    png_set_bgr(s->png);
    png_set_filler(s->png, 0xFF, PNG_FILLER_AFTER);
    png_read_update_info(s->png, s->info);
    if (png_get_rowbytes(s->png, s->info) != static_cast<png_size_t>(width) * 4) {
        png_error(s->png, "unexpected row layout");
    }
    s->row.resize(static_cast<std::size_t>(width) * 4);
    return alpha;
}

bool ReadCorner(ReadState* s, QSize corner) {
    if (setjmp(png_jmpbuf(s->png))) {
        return false;
    }
    png_uint_32 width = 0, height = 0;
    const bool alpha = StartRows(s, width, height);
    const QSize shown = corner.boundedTo(QSize(static_cast<int>(width), static_cast<int>(height)));
    s->image = QImage(shown, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (s->image.isNull()) {
        return false;
    }
    for (int y = 0; y < shown.height(); ++y) {
        png_read_row(s->png, s->row.data(), nullptr);
        std::memcpy(s->image.scanLine(y), s->row.data(),
                    static_cast<std::size_t>(shown.width()) * 4);
    }
    return true;
}

bool ReadShrunk(ReadState* s, int factor) {
    if (setjmp(png_jmpbuf(s->png))) {
        return false;
    }
    png_uint_32 width = 0, height = 0;
    const bool alpha = StartRows(s, width, height);
    const int outWidth = static_cast<int>(width) / factor;
    const int outHeight = static_cast<int>(height) / factor;
    if (outWidth == 0 || outHeight == 0) {
        return false;
    }
    s->image = QImage(outWidth, outHeight, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (s->image.isNull()) {
        return false;
    }
    s->sums.assign(static_cast<std::size_t>(outWidth) * 4, 0);
    const std::uint32_t block = static_cast<std::uint32_t>(factor * factor);
    for (int y = 0; y < outHeight * factor; ++y) {
        png_read_row(s->png, s->row.data(), nullptr);
        const png_byte* in = s->row.data();
        for (int x = 0; x < outWidth; ++x) {
            std::uint32_t* sum = &s->sums[static_cast<std::size_t>(x) * 4];
            for (int i = 0; i < factor; ++i, in += 4) {
                sum[0] += in[0];
                sum[1] += in[1];
                sum[2] += in[2];
                sum[3] += in[3];
            }
        }
        if ((y + 1) % factor == 0) {
            auto* out = s->image.scanLine(y / factor);
            for (std::size_t i = 0; i < s->sums.size(); ++i) {
                out[i] = static_cast<std::uint8_t>((s->sums[i] + block / 2) / block);
            }
            std::fill(s->sums.begin(), s->sums.end(), 0);
        }
    }
    return true;
}

template <typename Read>
QImage WithReader(const ByteSet& bytes, Read read) {
    auto state = std::make_unique<ReadState>();
    state->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, IgnoreWarning);
    if (state->png == nullptr) {
        return {};
    }
    state->info = png_create_info_struct(state->png);
    state->source.bytes = &bytes;
    const bool ok = state->info != nullptr && read(state.get());
    png_destroy_read_struct(&state->png, &state->info, nullptr);
    return ok ? std::move(state->image) : QImage();
}

}  // namespace

QImage ReadPngCorner(const ByteSet& bytes, QSize corner) {
    return WithReader(bytes, [&](ReadState* s) { return ReadCorner(s, corner); });
}

QImage ReadPngShrunk(const ByteSet& bytes, int factor) {
    if (factor < 2) {
        return {};
    }
    return WithReader(bytes, [&](ReadState* s) { return ReadShrunk(s, factor); });
}

}  // namespace avatrix::image
