// Feeds arbitrary bytes to every code-page conversion: nothing may crash,
// texts stay NUL-free and UTF-16 results stay well formed.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "text/Codepage.h"

namespace {

using avatrix::ByteSet;
using avatrix::Text;

// Reports the failed condition's line before stopping, for the crash report.
void CheckAt(bool condition, int line) {
    if (!condition) {
        std::fprintf(stderr, "check failed at line %d\n", line);
        std::abort();
    }
}
#define Check(condition) CheckAt((condition), __LINE__)

bool NulFree(std::string_view bytes) {
    return bytes.find('\0') == std::string_view::npos;
}

// Even length, a final zero unit and no zero unit before it.
void CheckUtf16(const ByteSet& utf16) {
    Check(utf16.size() >= 2 && utf16.size() % 2 == 0);
    Check(utf16[utf16.size() - 2] == 0 && utf16[utf16.size() - 1] == 0);
    for (std::size_t i = 0; i + 2 < utf16.size(); i += 2) {
        Check(utf16[i] != 0 || utf16[i + 1] != 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view raw(reinterpret_cast<const char*>(data), size);
    const Text text(raw);
    const ByteSet bytes(data, data + size);

    for (const int codePage :
         {avatrix::kCodePageGbk, avatrix::kCodePageBig5, avatrix::kCodePageUtf8}) {
        const ByteSet utf16 = avatrix::TextToUtf16(text, codePage);
        CheckUtf16(utf16);
        Check(utf16.size() <= (text.size() + 1) * 2);
        const Text back = avatrix::Utf16ToText(utf16, codePage);
        Check(NulFree(back.view()));
        Check(NulFree(avatrix::Utf16ToText(bytes, codePage).view()));
    }

    const Text gbk = avatrix::Utf8ToGbk(text);
    Check(NulFree(gbk.view()) && gbk.size() <= 2 * text.size());
    const Text fromBig5 = avatrix::Big5ToGbk(text);
    Check(NulFree(fromBig5.view()) && fromBig5.size() <= 2 * text.size());
    const Text simplified = avatrix::Big5ToSimplifiedGbk(text);
    Check(simplified.size() == fromBig5.size());
    const std::string utf8 = avatrix::GbkToUtf8(text);
    Check(NulFree(utf8) && utf8.size() <= 3 * text.size());
    Check(NulFree(avatrix::Utf8StringToGbk(raw).view()));
    return 0;
}
