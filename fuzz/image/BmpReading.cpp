// Outside BMP bytes through both readers; whatever they accept must also
// survive the writer and the pixel queries.
#include <cstddef>
#include <cstdint>

#include "image/BitmapObject.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using avatrix::ByteSet;
    avatrix::image::BitmapObject bitmaps;
    const ByteSet bytes(data, data + size);
    for (std::uint32_t handle :
         {bitmaps.BitmapFromBmpImage(bytes), bitmaps.LoadBitmapFromBytes(bytes)}) {
        if (handle == 0) {
            continue;
        }
        const ByteSet written = bitmaps.ToBmpImage(handle);
        const int width = bitmaps.GetWidth(handle);
        const int height = bitmaps.GetHeight(handle);
        if (written.size() < 58 || width <= 0 || height <= 0) {
            __builtin_trap();
        }
        bitmaps.ReadPixel(handle, width - 1, height - 1);
        bitmaps.FreeBitmap(handle);
    }
    return 0;
}
