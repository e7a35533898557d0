#pragma once

#include "text/Text.h"
#include "ui/Toolkit.h"

namespace avatrix::web {

// The text between the first `begin` marker and the next `end` marker after
// it; empty when either is missing.
Text TextBetween(const Text& text, const Text& begin, const Text& end);

// The edit boxes the check reads the running version from and shows the
// notice in, handed over by the window that holds them.
struct VersionBoxes {
    ui::UnitRef current;
    ui::UnitRef newest;
};

// First half of the start window's Created handler: the unpacked-run guard,
// then the notice and update check. May end the program. Returns false, after
// telling the user, when no notice could be obtained; true when start-up may
// finish.
bool CheckUpdateAndNotice(const VersionBoxes& boxes);

}  // namespace avatrix::web
