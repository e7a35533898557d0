#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace avatrix::ui::detail {

class FormWindow;
class Unit;

// Every window loaded so far; windows live until the process ends.
void AddForm(FormWindow* form);
const std::vector<FormWindow*>& Forms();
FormWindow* FindForm(std::string_view name);
Unit* FindUnit(std::string_view window, std::string_view unit);
// The unit whose widget has this native handle, or null.
Unit* FindUnitByHandle(std::uint32_t handle);

// One-time set-up the units rely on (font substitutes, the application's
// closing policy); safe to call again.
void EnsureToolkitReady();

}  // namespace avatrix::ui::detail
