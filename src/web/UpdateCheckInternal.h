#pragma once

#include <optional>

#include "text/Text.h"
#include "web/UpdateCheck.h"

namespace avatrix::web::detail {

// CheckUpdateAndNotice with its inputs given: the directory the program runs
// from (GBK) and the notice page address.
bool CheckUpdateAndNoticeFrom(const VersionBoxes& boxes, const Text& runDirectory,
                              const Text& noticeUrl);

// The notice a notice page's body carries, cleaned of its paragraph and line
// break tags and spaces as the newest-version box shows it; nothing when the
// page holds no notice. The newest version is the number it starts with.
std::optional<Text> NoticeFromPage(const ByteSet& page);

// The directory of the running executable, as GBK text.
Text RunDirectory();

}  // namespace avatrix::web::detail
