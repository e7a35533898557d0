#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "text/Text.h"

// What a response's header lines leave behind: the raw header block handed
// back to the caller, and the cookies it sets.
namespace avatrix::web {

// The header block is handed back only when it fits this buffer together
// with its terminating NUL; otherwise the buffer's 2048 spaces are.
inline constexpr std::size_t kHeaderBufferSize = 2048;

// Collects the header block of the latest response from the header lines
// libcurl delivers one by one: every line ends in CRLF, an interim (1xx)
// response is replaced by the one after it, trailers after the body are
// left out. Bytes beyond what the buffer can hold are not kept.
class HeaderBlockCollector {
  public:
    void Add(std::string_view line);

    // The block as the caller receives it: the lines, or the buffer's
    // spaces when nothing arrived or the block does not fit.
    Text Block() const;

  private:
    std::string block_;
    bool ended_ = false;
};

// One cookie a Set-Cookie line asks to store: the bytes before the first
// "=" and the bytes after it (attributes included).
struct SetCookieValue {
    std::string name;
    std::string data;
};

// The cookies of a header block, in order. Only a line whose header name is
// Set-Cookie (any letter case) counts; a line without "=" gives an empty
// name and the whole value as data.
std::vector<SetCookieValue> SetCookieValues(const Text& headerBlock);

}  // namespace avatrix::web
