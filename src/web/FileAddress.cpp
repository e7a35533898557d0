#include "web/FileAddress.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <optional>

#include "text/Primitives.h"

namespace avatrix::web {

namespace {

constexpr char kScheme[] = "file:";
constexpr std::size_t kSchemeLength = sizeof(kScheme) - 1;

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int get() const { return fd_; }

  private:
    int fd_;
};

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
    // Non-blocking, so that opening a pipe with no writer returns at once; it
    // is then refused as not being a regular file.
    const FileDescriptor file(::open(path->c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat status {};
    if (file.get() < 0 || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode) ||
        static_cast<std::size_t>(status.st_size) > kMaxFilePageBytes) {
        return {};
    }
    // Read to the end rather than trusting the size fstat gave: the file may
    // have grown since.
    ByteSet bytes;
    std::uint8_t chunk[16384];
    for (;;) {
        const ssize_t got = ::read(file.get(), chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return {};
        }
        if (got == 0) {
            return bytes;
        }
        if (bytes.size() + static_cast<std::size_t>(got) > kMaxFilePageBytes) {
            return {};
        }
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
}

}  // namespace avatrix::web
