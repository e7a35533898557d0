#include "ui/Registry.h"

#include "ui/FormWindow.h"
#include "ui/TestSeams.h"

namespace avatrix::ui::detail {
namespace {

std::vector<FormWindow*>& FormList() {
    // Never destroyed: windows outlive everything but the process itself.
    static auto* forms = new std::vector<FormWindow*>;
    return *forms;
}

}  // namespace

void AddForm(FormWindow* form) {
    FormList().push_back(form);
}

const std::vector<FormWindow*>& Forms() {
    return FormList();
}

FormWindow* FindForm(std::string_view name) {
    for (FormWindow* form : FormList()) {
        if (form->name() == name) {
            return form;
        }
    }
    return nullptr;
}

Unit* FindUnit(std::string_view window, std::string_view unit) {
    // A window not loaded (yet) is no mistake: the banner's handlers run
    // before it exists when the notice check fails.
    FormWindow* form = FindForm(window);
    if (form == nullptr) {
        return nullptr;
    }
    Unit* found = form->unit(unit);
    if (found == nullptr) {
        ReportUnknownUnit(window, unit);
    }
    return found;
}

Unit* FindUnitByHandle(std::uint32_t handle) {
    if (handle == 0) {
        return nullptr;
    }
    for (FormWindow* form : FormList()) {
        if (form->internalWinId() == handle) {
            return form;
        }
        for (const auto& unit : form->units()) {
            QWidget* w = unit->widget();
            if (w != nullptr && w->internalWinId() == handle) {
                return unit.get();
            }
        }
    }
    return nullptr;
}

}  // namespace avatrix::ui::detail
