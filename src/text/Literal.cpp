#include "text/Literal.h"

#include <string_view>

#include "text/Codepage.h"

namespace avatrix {

Text operator""_gbk(const char* utf8, std::size_t length) {
    return Utf8StringToGbk(std::string_view(utf8, length));
}

}  // namespace avatrix
