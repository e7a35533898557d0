#pragma once

#include <memory>

#include "ui/Toolkit.h"
#include "ui/Unit.h"

class QWidget;

namespace avatrix::ui::detail {

// Creates a unit of the layout row's kind (any kind but window), its widget a
// child of `container` (the window or a picture box). Properties are not yet
// applied.
std::unique_ptr<Unit> MakeUnit(FormWindow* form, Unit* parent, const UnitLayout& row,
                               QWidget* container);

// The dialog of the unit's DialogKind; true when the user confirmed.
bool RunCommonDialog(Unit* unit);
// Serves drops onto `target`; false when the unit already serves a window.
bool ServeDrops(Unit* unit, QWidget* target);
// The exact name behind a text the file dialog or drop target gave out.
FilePath ExactPathOf(const Unit* unit, const Text& name);

}  // namespace avatrix::ui::detail
