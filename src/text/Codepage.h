#pragma once

#include <string>
#include <string_view>

#include "text/Text.h"

// Code-page conversions that reproduce the desktop platform's converter byte
// for byte: 936 is GBK, 950 is Big5, 65001 is UTF-8.
namespace avatrix {

inline constexpr int kCodePageGbk = 936;
inline constexpr int kCodePageBig5 = 950;
inline constexpr int kCodePageUtf8 = 65001;
// The program's ANSI code page: what a conversion without a code page targets.
inline constexpr int kAnsiCodePage = kCodePageGbk;

// UTF-16LE code units including a final 2-byte zero unit.
ByteSet TextToUtf16(const Text& text, int codePage = kCodePageUtf8);
Text Utf16ToText(const ByteSet& utf16, int codePage = kAnsiCodePage);

Text Utf8ToGbk(const Text& utf8);
Text Big5ToGbk(const Text& big5);
Text ToSimplifiedChinese(const Text& gbk);
Text Big5ToSimplifiedGbk(const Text& big5);

// For the platform boundary (file names, the toolkit): GBK text as UTF-8
// bytes and back. Unmappable characters become "?" going to GBK.
std::string GbkToUtf8(const Text& gbk);
Text Utf8StringToGbk(std::string_view utf8);

}  // namespace avatrix
