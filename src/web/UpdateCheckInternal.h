#pragma once

#include "text/Text.h"
#include "web/UpdateCheck.h"

namespace avatrix::web::detail {

// CheckUpdateAndNotice with its inputs given: the directory the program runs
// from (GBK) and the notice page address.
bool CheckUpdateAndNoticeFrom(const VersionBoxes& boxes, const Text& runDirectory,
                              const Text& noticeUrl);

// The directory of the running executable, as GBK text.
Text RunDirectory();

}  // namespace avatrix::web::detail
