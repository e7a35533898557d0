#pragma once

#include "text/Text.h"

namespace avatrix::web {

// The text between the first `begin` marker and the next `end` marker after
// it; empty when either is missing.
Text TextBetween(const Text& text, const Text& begin, const Text& end);

// First half of MainWindow's Created handler: the unpacked-run guard, then the
// notice and update check. May end the program. Returns false, after telling
// the user, when no notice could be obtained; true when start-up may finish.
bool CheckUpdateAndNotice();

}  // namespace avatrix::web
