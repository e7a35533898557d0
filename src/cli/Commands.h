#pragma once

#include <optional>

#include <QStringList>

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

// The command line parsed; a usage error is reported on standard error and
// gives nothing.
std::optional<Invocation> ParseArguments(const QStringList& arguments);
// What the invocation asks for: its help or version text printed, or its
// avatars drawn (which needs the toolkit ready). The exit status.
int RunInvocation(const Invocation& run);
// A whole command line (arguments[0] the program), the toolkit ready.
int RunCommandLine(const QStringList& arguments);

}  // namespace avatrix::cli
