// Outside picture bytes (JPEG, PNG, BMP, GIF) through the picture decoder.
#include <cstddef>
#include <cstdint>

#include "image/PictureDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const avatrix::ByteSet bytes(data, data + size);
    const QImage image = avatrix::image::DecodePictureBytes(bytes);
    if (!image.isNull() && (image.width() <= 0 || image.height() <= 0)) {
        __builtin_trap();
    }
    return 0;
}
