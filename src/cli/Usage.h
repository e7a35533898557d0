#pragma once

// The --help text and the --version line as UTF-8. Nothing here needs the
// toolkit, so the launcher answers them without loading it.
namespace avatrix::cli {

const char* HelpTextUtf8();
const char* VersionTextUtf8();

}  // namespace avatrix::cli
