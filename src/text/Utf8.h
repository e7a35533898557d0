#pragma once

#include <string>
#include <string_view>

// UTF-8 to and from UTF-16 with the platform converter's handling of bad
// input: each maximal ill-formed subsequence of UTF-8 decodes to one U+FFFD,
// and a UTF-16 surrogate without its partner encodes as U+FFFD (EF BF BD).
namespace avatrix::utf8 {

void AppendDecoded(std::string_view bytes, std::u16string& units);
void AppendEncoded(std::u16string_view units, std::string& bytes);

}  // namespace avatrix::utf8
