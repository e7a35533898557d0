// Arbitrary response header lines through the header-block capture, the
// Set-Cookie recognition and the cookie-file lines they would store: nothing
// may crash, the block handed back is the lines or the buffer's spaces, and
// every stored line is bound to the responding host with no line break, no
// extra field and no Secure mark from plain http.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "web/CurlHandles.h"
#include "web/ResponseHeaders.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace avatrix;
    if (size == 0) {
        return 0;
    }
    // The first byte says whether the response came over a secure connection.
    const bool secureOrigin = data[0] & 1;
    std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);

    web::HeaderBlockCollector collector;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::size_t length = end == std::string_view::npos ? rest.size() : end + 1;
        collector.Add(rest.substr(0, length));
        rest.remove_prefix(length);
    }
    const Text block = collector.Block();
    const bool blank = block.bytes() == std::string(web::kHeaderBufferSize, ' ');
    Check(blank || (block.size() < web::kHeaderBufferSize && block.view().ends_with("\r\n")));

    const std::string host = "h.test";
    for (const web::SetCookieValue& cookie : web::SetCookieValues(block)) {
        Check(cookie.name.find_first_of("\r\n=") == std::string::npos);
        Check(cookie.data.find_first_of("\r\n") == std::string::npos);
        for (const std::string& line :
             web::detail::CookieLinesFor(host, cookie.name, cookie.data, secureOrigin)) {
            Check(line.find_first_of("\r\n") == std::string::npos);
            std::size_t tabs = 0;
            for (char c : line) {
                tabs += c == '\t';
            }
            Check(tabs == 6);
            Check(line.starts_with(host + "\t") || line.starts_with("#HttpOnly_" + host + "\t"));
            const std::size_t secureField =
                line.find('\t', line.find('\t', line.find('\t') + 1) + 1);
            Check(secureOrigin || line.compare(secureField + 1, 5, "TRUE\t") != 0);
        }
    }
    return 0;
}
