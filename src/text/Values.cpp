#include <algorithm>
#include <string>

#include "text/Primitives.h"

// Texts made from other values, and the byte-set primitives.
namespace avatrix {

Text BlankText(int n) {
    if (n < 1) {
        return Text();
    }
    return Text(std::string(static_cast<std::size_t>(n), ' '));
}

Text ToText(const ByteSet& bytes) {
    return Text(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

Text ToText(bool value) {
    // "真" and "假" in GBK.
    return Text(value ? "\xD5\xE6" : "\xBC\xD9");
}

Text ToText(int value) {
    return Text(std::to_string(value));
}

ByteSet ToBytes(const Text& text) {
    return ByteSet(text.bytes().begin(), text.bytes().end());
}

int BytesLength(const ByteSet& bytes) {
    return static_cast<int>(bytes.size());
}

ByteSet BlankBytes(int n) {
    if (n <= 0) {
        return ByteSet();
    }
    return ByteSet(static_cast<std::size_t>(n), 0);
}

ByteSet LeftBytes(const ByteSet& bytes, int n) {
    if (n <= 0) {
        return ByteSet();
    }
    const std::size_t take = std::min(bytes.size(), static_cast<std::size_t>(n));
    return ByteSet(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(take));
}

ByteSet JoinBytes(const ByteSet& a, const ByteSet& b) {
    ByteSet result;
    result.reserve(a.size() + b.size());
    result.insert(result.end(), a.begin(), a.end());
    result.insert(result.end(), b.begin(), b.end());
    return result;
}

}  // namespace avatrix
