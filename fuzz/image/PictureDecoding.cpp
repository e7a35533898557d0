// Outside picture bytes (JPEG, PNG, BMP, GIF) through the picture decoder,
// whole and reduced for a small box (its corner, and scaled to cover it).
#include <cstddef>
#include <cstdint>

#include "image/PictureDecoder.h"

namespace {

void CheckShape(const QImage& image) {
    if (!image.isNull() && (image.width() <= 0 || image.height() <= 0)) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const avatrix::ByteSet bytes(data, data + size);
    const QImage whole = avatrix::image::DecodePictureBytes(bytes);
    CheckShape(whole);
    for (const bool cover : {false, true}) {
        const avatrix::image::PictureUse use{QSize(4, 3), 1.0, cover};
        const QImage reduced = avatrix::image::DecodePictureFor(bytes, use);
        CheckShape(reduced);
        // Some kinds (GIF, progressive JPEG) are decoded whole; none comes
        // out larger than the whole picture. A reduced decode may succeed
        // where the whole one fails: it stops before damage further on.
        if (!whole.isNull() &&
            (reduced.width() > whole.width() || reduced.height() > whole.height())) {
            __builtin_trap();
        }
    }
    return 0;
}
