// Arbitrary notice page bodies through the notice pipeline: the body read as
// text, the notice cut out between the separators, cleaned for the
// newest-version box, and its version read as a number. Nothing may crash,
// cleaning never lengthens the notice, and a body without two separators
// gives no notice.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "text/Primitives.h"
#include "web/UpdateCheckInternal.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace avatrix;
    const ByteSet page(data, data + size);
    const std::optional<Text> notice = web::detail::NoticeFromPage(page);
    const std::string separator(63, '=');
    const std::string text = ToText(page).bytes();
    const std::size_t first = text.find(separator);
    const bool twoSeparators =
        first != std::string::npos && text.find(separator, first + 63) != std::string::npos;
    if (!twoSeparators && notice) {
        std::abort();
    }
    if (notice) {
        if (notice->size() + 2 * 63 > text.size()) {
            std::abort();
        }
        if (std::isnan(ToNumber(*notice))) {
            std::abort();
        }
    }
    return 0;
}
