#pragma once

#include "text/Text.h"

namespace avatrix::image {

// "打开图片": choose a file in the shared dialog and show it in the avatar box.
void OpenPicture();
// The drop target's FilesDropped: the dropped file's bytes go to the avatar box.
void PictureDropped(const Text& paths);

}  // namespace avatrix::image
