// Splits arbitrary bytes as a request URL: nothing may crash, every object
// begins with "/", every host is in lower case.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "text/Primitives.h"
#include "web/Url.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace avatrix;
    const Text url(std::string_view(reinterpret_cast<const char*>(data), size));
    const Text normalized = web::NormalizeUrl(url);
    if (LeftText(normalized, 7) != Text("http://") && LeftText(normalized, 8) != Text("https://")) {
        std::abort();
    }
    const Text object = web::GetUrlObject(normalized);
    if (object.empty() || object.at(0) != '/') {
        std::abort();
    }
    const Text host = web::GetUrlHost(normalized);
    if (ToLowerAscii(host) != host) {
        std::abort();
    }
    (void)web::IsSecureUrl(normalized);
    (void)web::GetUrlPort(normalized);
    (void)web::GetUrlPort(url);
    return 0;
}
