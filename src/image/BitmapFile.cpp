#include "image/BitmapObject.h"
#include "ui/Toolkit.h"

namespace avatrix::image {

std::uint32_t BitmapObject::LoadBitmapFile(const Text& path) {
    return LoadBitmapFromBytes(ui::ReadWholeFile(path));
}

}  // namespace avatrix::image
