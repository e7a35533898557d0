#pragma once

#include "text/Text.h"

// The two pictures that are part of MainWindow's layout, as complete JPEG
// file bytes compiled into the program.
namespace avatrix::windows {

ByteSet DefaultAvatarPicture();  // 200 x 200, the girl of 图片框1
ByteSet SupportPicture();        // 670 x 502, the picture of 图片框3

}  // namespace avatrix::windows
