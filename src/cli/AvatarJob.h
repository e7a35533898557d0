#pragma once

#include <QString>

#include "cli/OutputFormat.h"
#include "cli/RenderSettings.h"

namespace avatrix::cli {

// Everything one avatar takes: read and decode the picture as the main
// program does (an empty `picture` makes a name avatar), draw, encode and
// write. An empty answer means the avatar was
// written; otherwise it says what went wrong. Without `force` an existing
// output is never replaced, even one that appears while the avatar is drawn.
QString MakeAvatar(const QString& picture, const RenderSettings& settings, OutputFormat format,
                   const QString& output, bool force);

}  // namespace avatrix::cli
