// Arbitrary response header lines through the header-block capture, the
// Set-Cookie recognition and the cookie-file lines they would store: nothing
// may crash, the block handed back is the lines or the buffer's spaces, and
// every stored line is bound to the responding host with no line break, no
// extra field and no Secure mark from plain http.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "web/CurlHandles.h"
#include "web/ResponseHeaders.h"

namespace {

// Says which rule broke, so that a crash report needs no debugger.
void Check(bool condition, const char* rule) {
    if (!condition) {
        std::fprintf(stderr, "broken: %s\n", rule);
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
    // Read as text, the block ends at a NUL one of the lines may hold.
    const bool nul = std::string_view(reinterpret_cast<const char*>(data), size).find('\0', 1) !=
                     std::string_view::npos;
    Check(
        blank || (block.size() < web::kHeaderBufferSize && (nul || block.view().ends_with("\r\n"))),
        "block is the lines or spaces");

    const std::string host = "h.test";
    for (const web::SetCookieValue& cookie : web::SetCookieValues(block)) {
        // Lines end at LF; a lone CR inside one stays, and is refused below.
        // (The "=" is searched character by character, so a double-byte
        // character can hide one in the name.)
        Check(cookie.name.find('\n') == std::string::npos, "name holds no LF");
        Check(cookie.data.find('\n') == std::string::npos, "data holds no LF");
        for (const std::string& line :
             web::detail::CookieLinesFor(host, cookie.name, cookie.data, secureOrigin)) {
            Check(line.find_first_of("\r\n") == std::string::npos,
                  "stored line holds no line break");
            std::size_t tabs = 0;
            for (char c : line) {
                tabs += c == '\t';
            }
            Check(tabs == 6, "stored line has seven fields");
            Check(line.starts_with(host + "\t") || line.starts_with("#HttpOnly_" + host + "\t"),
                  "stored line is bound to the host");
            const std::size_t secureField =
                line.find('\t', line.find('\t', line.find('\t') + 1) + 1);
            Check(secureOrigin || line.compare(secureField + 1, 5, "TRUE\t") != 0,
                  "no Secure mark from plain http");
        }
    }
    return 0;
}
