#include "cli/PngEncoding.h"

#include <csetjmp>

#include <png.h>
#include <zlib.h>

namespace avatrix::cli {
namespace {

void Append(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<QByteArray*>(png_get_io_ptr(png));
    out->append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(length));
}

void NoFlush(png_structp) {}

// Everything the encoder touches lives here, outside the frame that calls
// setjmp, so nothing is indeterminate after libpng jumps back on an error.
struct EncodeState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    QImage rgb;
    QByteArray out;

    ~EncodeState() { png_destroy_write_struct(&png, &info); }
};

bool Encode(EncodeState* s) {
    if (setjmp(png_jmpbuf(s->png))) {
        return false;
    }
    png_set_write_fn(s->png, &s->out, Append, NoFlush);
    png_set_IHDR(s->png, s->info, static_cast<png_uint_32>(s->rgb.width()),
                 static_cast<png_uint_32>(s->rgb.height()), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // On photographs the average filter leaves files within a few percent of
    // Paeth's, the best single filter, at a fraction of its cost; after
    // filtering long matches are rare, so deflate's search buys little over
    // run lengths.
    png_set_filter(s->png, PNG_FILTER_TYPE_BASE, PNG_FILTER_AVG);
    png_set_compression_strategy(s->png, Z_RLE);
    png_write_info(s->png, s->info);
    for (int y = 0; y < s->rgb.height(); ++y) {
        png_write_row(s->png, const_cast<png_bytep>(s->rgb.constScanLine(y)));
    }
    png_write_end(s->png, s->info);
    return true;
}

}  // namespace

QByteArray EncodeFastPng(const QImage& image) {
    if (image.isNull()) {
        return {};
    }
    EncodeState state;
    state.rgb = image.convertToFormat(QImage::Format_RGB888);
    state.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (state.png == nullptr) {
        return {};
    }
    state.info = png_create_info_struct(state.png);
    if (state.info == nullptr || state.rgb.isNull() || !Encode(&state)) {
        return {};
    }
    state.out.squeeze();
    return state.out;
}

}  // namespace avatrix::cli
