#pragma once

#include <cstddef>
#include <string>

#include "text/Text.h"

// Addresses of pages on this machine ("file:///usr/share/avatrix/notice.html"),
// read straight from disk with no HTTP machinery at all.
namespace avatrix::web {

// The most a page read from disk may hold; a larger file is not read.
inline constexpr std::size_t kMaxFilePageBytes = 1 << 20;

// True when the address's scheme is "file" (in any letter case).
bool IsFileAddress(const Text& address);

// The file: address of an absolute path given as its file-system bytes. Every
// byte but letters, digits, "/" and "-._~" is percent-encoded, so any path,
// whatever its encoding, comes back unchanged from ReadFileAddress.
Text FileAddressOf(const std::string& path);

// The bytes of the regular file the address names. Empty when the address
// names another host or no readable regular file, or when the file holds more
// than kMaxFilePageBytes. Never blocks on a pipe or a device.
ByteSet ReadFileAddress(const Text& address);

}  // namespace avatrix::web
