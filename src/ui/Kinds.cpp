#include "ui/Kinds.h"

#include "trace/StartupTrace.h"
#include "ui/UnitKinds.h"

namespace avatrix::ui::detail {
namespace {

const char* KindName(Kind kind) {
    switch (kind) {
        case Kind::Window:
            return "Window";
        case Kind::EditBox:
            return "EditBox";
        case Kind::PicBox:
            return "PicBox";
        case Kind::Label:
            return "Label";
        case Kind::Button:
            return "Button";
        case Kind::ColorPicker:
            return "ColorPicker";
        case Kind::HyperLinker:
            return "HyperLinker";
        case Kind::CommonDlg:
            return "CommonDlg";
        case Kind::TransLabel:
            return "TransLabel";
        case Kind::DropTarget:
            return "DropTarget";
    }
    return "?";
}

}  // namespace

std::unique_ptr<Unit> MakeUnit(FormWindow* form, Unit* parent, const UnitLayout& row,
                               QWidget* container) {
    UnitFactory factory = nullptr;
    switch (row.kind) {
        case Kind::EditBox:
            factory = MakeEditBox;
            break;
        case Kind::PicBox:
            factory = MakePicBox;
            break;
        case Kind::Label:
            factory = MakeLabel;
            break;
        case Kind::Button:
            factory = MakeButton;
            break;
        case Kind::ColorPicker:
            factory = MakeColorPicker;
            break;
        case Kind::HyperLinker:
            factory = MakeHyperLinker;
            break;
        case Kind::CommonDlg:
            factory = MakeCommonDlg;
            break;
        case Kind::TransLabel:
            factory = MakeTransLabel;
            break;
        case Kind::DropTarget:
            factory = MakeDropTarget;
            break;
        case Kind::Window:
            return nullptr;
    }
    trace::Span span("unit", KindName(row.kind));
    std::unique_ptr<Unit> unit = factory(form, parent, row, container);
    unit->initialise(row);
    return unit;
}

}  // namespace avatrix::ui::detail
