#pragma once

#include <optional>

#include "text/Text.h"
#include "ui/Toolkit.h"

namespace avatrix::image {

// Saves bytes under a name the user has chosen, so that nothing is lost: asks
// before replacing an existing file, writes through a temporary file that
// replaces the target only when complete, and tells the user of every failure
// with the file's name and the reason. True when the file was written.
// Its messages carry `title`, or the default caption when there is none.
bool SaveChosenFile(const ui::FilePath& path, const ByteSet& bytes,
                    std::optional<Text> title = std::nullopt);

// "“name”" for messages: the name as the user sees it, in the program's quotes.
Text QuotedName(const ui::FilePath& path);

}  // namespace avatrix::image
