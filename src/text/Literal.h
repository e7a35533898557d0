#pragma once

#include <cstddef>

#include "text/Text.h"

namespace avatrix {

// The one place where the program's UTF-8 source literals become GBK Text:
// "请输入文字"_gbk. A reader sees the characters; the program holds GBK.
Text operator""_gbk(const char* utf8, std::size_t length);

}  // namespace avatrix
