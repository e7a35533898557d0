#include "ui/Kinds.h"

#include "trace/StartupTrace.h"
#include "ui/UnitKinds.h"

namespace avatrix::ui::detail {
namespace {

struct KindEntry {
    Kind kind;
    const char* name;  // in the start-up trace
    UnitFactory factory;
};

}  // namespace

std::unique_ptr<Unit> MakeUnit(FormWindow* form, Unit* parent, const UnitLayout& row,
                               QWidget* container) {
    const KindEntry kinds[] = {
        {Kind::EditBox, "EditBox", kEditBoxFactory},
        {Kind::PicBox, "PicBox", kPicBoxFactory},
        {Kind::Label, "Label", kLabelFactory},
        {Kind::Button, "Button", kButtonFactory},
        {Kind::ColorPicker, "ColorPicker", kColorPickerFactory},
        {Kind::HyperLinker, "HyperLinker", kHyperLinkerFactory},
        {Kind::CommonDlg, "CommonDlg", kCommonDlgFactory},
        {Kind::TransLabel, "TransLabel", kTransLabelFactory},
        {Kind::DropTarget, "DropTarget", kDropTargetFactory},
    };
    for (const KindEntry& entry : kinds) {
        if (entry.kind == row.kind) {
            trace::Span span("unit", entry.name);
            std::unique_ptr<Unit> unit = entry.factory(form, parent, row, container);
            unit->initialise(row);
            return unit;
        }
    }
    return nullptr;  // a window is no unit of another
}

}  // namespace avatrix::ui::detail
