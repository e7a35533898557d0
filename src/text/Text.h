#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace avatrix {

// A counted byte array that may hold NUL bytes: picture data, file contents,
// HTTP bodies. Empty and absent are the same value.
using ByteSet = std::vector<std::uint8_t>;

// A NUL-free byte string in GBK (code page 936). A byte of 0x80 or more starts
// a double-byte character together with the byte after it. Lengths and
// positions count bytes. Built from raw bytes it keeps everything before the
// first NUL, so the invariant holds whatever the source. Program literals are
// written in UTF-8 and become GBK through operator""_gbk (Literal.h).
class Text {
  public:
    Text() = default;
    explicit Text(std::string_view bytes) : bytes_(bytes.substr(0, bytes.find('\0'))) {}
    explicit Text(const char* bytes) : Text(std::string_view(bytes)) {}
    explicit Text(std::string&& bytes) : bytes_(std::move(bytes)) {
        if (auto nul = bytes_.find('\0'); nul != std::string::npos) {
            bytes_.resize(nul);
        }
    }

    const std::string& bytes() const { return bytes_; }
    std::string_view view() const { return bytes_; }
    const char* c_str() const { return bytes_.c_str(); }
    std::size_t size() const { return bytes_.size(); }
    bool empty() const { return bytes_.empty(); }
    unsigned char at(std::size_t i) const { return static_cast<unsigned char>(bytes_[i]); }

    Text& operator+=(const Text& other) {
        bytes_ += other.bytes_;
        return *this;
    }
    friend Text operator+(Text a, const Text& b) { return a += b; }
    friend bool operator==(const Text& a, const Text& b) = default;

  private:
    std::string bytes_;
};

}  // namespace avatrix
