#pragma once

#include <cstdint>

namespace avatrix::ui::platform {

// The X keysym of a desktop virtual-key code (123 is F12), 0 for a code
// without one.
std::uint32_t KeysymOfVirtualKey(int virtualKey);

}  // namespace avatrix::ui::platform
