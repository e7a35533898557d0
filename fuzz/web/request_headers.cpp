// Builds request header text from arbitrary caller lines and cookie text and
// turns it into the lines sent: nothing may crash, and no line sent may hold
// a line break or lack a name.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "web/RequestHeaders.h"
#include "web/UpdateCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace avatrix;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\x01');
    const Text headers(input.substr(0, split));
    const Text cookies(split == std::string_view::npos ? std::string_view()
                                                       : input.substr(split + 1));
    const ByteSet body(input.begin(), input.end());
    const bool post = size % 2 == 1;

    const Text text = web::BuildHeaderText(headers, Text("http://h/x"), post, body, cookies);
    for (const std::string& line : web::SplitHeaderLines(text)) {
        if (line.find_first_of("\r\n") != std::string::npos || line.empty() || line[0] == ':' ||
            line.find(':') == std::string::npos) {
            std::abort();
        }
    }
    const Text between = web::TextBetween(headers, Text("User-Agent:"), Text("\r\n"));
    if (between.size() > headers.size()) {
        std::abort();
    }
    return 0;
}
