#include "web/ResponseHeaders.h"

#include "text/Primitives.h"

namespace avatrix::web {

namespace {

constexpr std::string_view kSetCookie = "Set-Cookie: ";

}  // namespace

void HeaderBlockCollector::Add(std::string_view line) {
    if (line.substr(0, 5) == "HTTP/") {
        // An interim (1xx) response is followed by the real one.
        block_.clear();
        ended_ = false;
    }
    if (ended_) {
        return;  // trailers after a chunked body
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.remove_suffix(1);
    }
    // A block already too long for the buffer is handed back as spaces
    // whatever follows, so nothing more of it needs keeping.
    if (block_.size() < kHeaderBufferSize) {
        block_.append(line);
        block_ += "\r\n";
    }
    ended_ = line.empty();
}

Text HeaderBlockCollector::Block() const {
    const bool fits = !block_.empty() && block_.size() < kHeaderBufferSize;
    return fits ? Text(block_) : BlankText(static_cast<int>(kHeaderBufferSize));
}

std::vector<SetCookieValue> SetCookieValues(const Text& headerBlock) {
    std::vector<SetCookieValue> values;
    std::string_view rest = headerBlock.view();
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string_view raw = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!raw.empty() && raw.back() == '\r') {
            raw.remove_suffix(1);
        }
        // Only the header's own name counts: another header whose value
        // mentions Set-Cookie sets nothing.
        if (!EqualIgnoringAsciiCase(raw.substr(0, kSetCookie.size()), kSetCookie)) {
            continue;
        }
        const Text value(raw.substr(kSetCookie.size()));
        const int equals = FindText(value, Text("="));
        if (equals > 0) {
            values.push_back({LeftText(value, equals - 1).bytes(),
                              RightText(value, TextLength(value) - equals).bytes()});
        } else {
            values.push_back({std::string(), value.bytes()});
        }
    }
    return values;
}

}  // namespace avatrix::web
