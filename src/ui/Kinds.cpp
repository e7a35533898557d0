#include "ui/Kinds.h"

#include <utility>

#include "ui/UnitKinds.h"

namespace avatrix::ui::detail {

std::unique_ptr<Unit> MakeUnit(FormWindow* form, Unit* parent, const UnitLayout& row,
                               QWidget* container) {
    const std::pair<Kind, UnitFactory> factories[] = {
        {Kind::EditBox, kEditBoxFactory},
        {Kind::PicBox, kPicBoxFactory},
        {Kind::Label, kLabelFactory},
        {Kind::Button, kButtonFactory},
        {Kind::ColorPicker, kColorPickerFactory},
        {Kind::HyperLinker, kHyperLinkerFactory},
        {Kind::CommonDlg, kCommonDlgFactory},
        {Kind::TransLabel, kTransLabelFactory},
        {Kind::DropTarget, kDropTargetFactory},
    };
    for (const auto& [kind, factory] : factories) {
        if (kind == row.kind) {
            std::unique_ptr<Unit> unit = factory(form, parent, row, container);
            unit->initialise(row);
            return unit;
        }
    }
    return nullptr;  // a window is no unit of another
}

}  // namespace avatrix::ui::detail
