#pragma once

#include <memory>
#include <type_traits>

#include "ui/Toolkit.h"
#include "ui/Unit.h"

class QWidget;

// One factory per kind, each set beside its unit class as Construct<Class>;
// Kinds.cpp picks among them.
namespace avatrix::ui::detail {

using UnitFactory = std::unique_ptr<Unit> (*)(FormWindow*, Unit*, const UnitLayout&, QWidget*);

// A unit of class U for the layout row. The kinds that show nothing have no
// widget, so their classes take no container.
template <typename U>
std::unique_ptr<Unit> Construct(FormWindow* form, Unit* parent, const UnitLayout& row,
                                QWidget* container) {
    if constexpr (std::is_constructible_v<U, FormWindow*, Unit*, const UnitLayout&, QWidget*>) {
        return std::make_unique<U>(form, parent, row, container);
    } else {
        return std::make_unique<U>(form, parent, row);
    }
}

extern const UnitFactory kEditBoxFactory, kPicBoxFactory, kLabelFactory, kButtonFactory,
    kColorPickerFactory, kHyperLinkerFactory, kCommonDlgFactory, kTransLabelFactory,
    kDropTargetFactory;

}  // namespace avatrix::ui::detail
