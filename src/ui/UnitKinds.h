#pragma once

#include <memory>

#include "ui/Toolkit.h"
#include "ui/Unit.h"

class QWidget;

// One factory per kind; Kinds.cpp picks among them.
namespace avatrix::ui::detail {

using UnitFactory = std::unique_ptr<Unit> (*)(FormWindow*, Unit*, const UnitLayout&, QWidget*);

std::unique_ptr<Unit> MakeEditBox(FormWindow*, Unit*, const UnitLayout&, QWidget*);
std::unique_ptr<Unit> MakePicBox(FormWindow*, Unit*, const UnitLayout&, QWidget*);
std::unique_ptr<Unit> MakeLabel(FormWindow*, Unit*, const UnitLayout&, QWidget*);
std::unique_ptr<Unit> MakeButton(FormWindow*, Unit*, const UnitLayout&, QWidget*);
std::unique_ptr<Unit> MakeColorPicker(FormWindow*, Unit*, const UnitLayout&, QWidget*);
std::unique_ptr<Unit> MakeHyperLinker(FormWindow*, Unit*, const UnitLayout&, QWidget*);
std::unique_ptr<Unit> MakeCommonDlg(FormWindow*, Unit*, const UnitLayout&, QWidget*);
std::unique_ptr<Unit> MakeTransLabel(FormWindow*, Unit*, const UnitLayout&, QWidget*);
std::unique_ptr<Unit> MakeDropTarget(FormWindow*, Unit*, const UnitLayout&, QWidget*);

}  // namespace avatrix::ui::detail
