#pragma once

#include "cli/CommandLine.h"

namespace avatrix::cli {

// Exit statuses.
inline constexpr int kAllWritten = 0;
inline constexpr int kSomeFailed = 1;
inline constexpr int kBadUsage = 2;

// One avatar, or a batch, as the invocation says; messages go to standard
// error. Needs a QGuiApplication and PrepareRendering() first.
int RunSingle(const Invocation& run);
int RunBatch(const Invocation& run);

}  // namespace avatrix::cli
