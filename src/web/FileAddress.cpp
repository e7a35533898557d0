#include "web/FileAddress.h"

#include <optional>

#include "text/Primitives.h"
#include "ui/Toolkit.h"

namespace avatrix::web {

namespace {

constexpr char kScheme[] = "file:";
constexpr std::size_t kSchemeLength = sizeof(kScheme) - 1;

bool Unreserved(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' ||
           c == '-' || c == '.' || c == '_' || c == '~';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// The file-system path of a file: address: "file:///p", "file://localhost/p"
// or "file:/p", percent escapes decoded, any query or fragment left off.
// Nothing for another host, a relative path or a path holding a NUL.
std::optional<std::string> PathOf(const std::string& address) {
    std::string rest = address.substr(kSchemeLength);
    rest = rest.substr(0, rest.find_first_of("?#"));
    if (rest.rfind("//", 0) == 0) {
        const std::size_t slash = rest.find('/', 2);
        const std::string host = rest.substr(2, slash == std::string::npos ? slash : slash - 2);
        if (slash == std::string::npos ||
            (!host.empty() && !EqualIgnoringAsciiCase(host, "localhost"))) {
            return std::nullopt;
        }
        rest = rest.substr(slash);
    }
    if (rest.empty() || rest[0] != '/') {
        return std::nullopt;
    }
    std::string path;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '%' && i + 2 < rest.size() && HexValue(rest[i + 1]) >= 0 &&
            HexValue(rest[i + 2]) >= 0) {
            path += static_cast<char>(HexValue(rest[i + 1]) * 16 + HexValue(rest[i + 2]));
            i += 2;
        } else {
            path += rest[i];
        }
    }
    if (path.find('\0') != std::string::npos) {
        return std::nullopt;
    }
    return path;
}

}  // namespace

bool IsFileAddress(const Text& address) {
    return EqualIgnoringAsciiCase(address.view().substr(0, kSchemeLength), kScheme);
}

Text FileAddressOf(const std::string& path) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string address = "file://";
    for (unsigned char c : path) {
        if (Unreserved(c)) {
            address += static_cast<char>(c);
        } else {
            address += '%';
            address += kDigits[c >> 4];
            address += kDigits[c & 15];
        }
    }
    return Text(address);
}

ByteSet ReadFileAddress(const Text& address) {
    if (!IsFileAddress(address)) {
        return {};
    }
    const std::optional<std::string> path = PathOf(address.bytes());
    if (!path) {
        return {};
    }
    const ui::FileContents page = ui::ReadFileContents(ui::FilePath{*path}, kMaxFilePageBytes);
    return page.outcome == ui::ReadOutcome::Read ? page.bytes : ByteSet();
}

}  // namespace avatrix::web
