#pragma once

#include "ui/TestHooks.h"

// The toolkit's side of the test seams.
namespace avatrix::ui::detail {

const std::function<int(const testing::MessageRecord&)>& MessageResponder();
const std::function<testing::DialogAnswer(const testing::DialogRequest&)>& DialogResponder();
const std::function<void(int)>& EndProgramInterceptor();
void ReportUnknownUnit(std::string_view window, std::string_view unit);
// True when the address was recorded instead of opened.
bool RecordAddress(const Text& address);

}  // namespace avatrix::ui::detail
