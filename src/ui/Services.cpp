#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <climits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "text/Literal.h"
#include "text/Primitives.h"
#include "ui/FileWriting.h"
#include "ui/QtText.h"
#include "ui/TestSeams.h"
#include "ui/Toolkit.h"

namespace avatrix::ui {

void OpenAddress(const Text& address) {
    if (detail::RecordAddress(address)) {
        return;
    }
    const QString target = detail::ToQString(address);
    if (target.isEmpty()) {
        return;
    }
    // The desktop's opener first, so the user's default browser is used; Qt's
    // own lookup where that helper is missing.
    if (!QProcess::startDetached(QStringLiteral("xdg-open"), {target})) {
        QDesktopServices::openUrl(QUrl::fromUserInput(target));
    }
}

int TextToInt(const Text& text) {
    const std::string folded = ToHalfWidth(text).bytes();
    std::size_t i = 0;
    while (i < folded.size() && (folded[i] == ' ' || (folded[i] >= '\t' && folded[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < folded.size() && (folded[i] == '+' || folded[i] == '-')) {
        negative = folded[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < folded.size() && folded[i] >= '0' && folded[i] <= '9'; ++i) {
        value = value * 10 + (folded[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            value = static_cast<long long>(INT_MAX) + 1;  // held at the int range
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > INT_MAX) {
        value = INT_MAX;
    }
    return static_cast<int>(value);
}

namespace {

// Closes the descriptor on every way out.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

// Byte sets count their length in a signed 32-bit number.
constexpr std::uint64_t kLargestByteSet = 0x7FFFFFFF;

Text Reason(const QString& why) {
    return detail::FromQString(why);
}

}  // namespace

FilePath PathOfText(const Text& text) {
    return detail::FromQPath(detail::ToQString(text));
}

Text TextOfPath(const FilePath& path) {
    return detail::FromQString(detail::ToQPath(path));
}

FileContents ReadFileContents(const FilePath& path, std::uint64_t limit) {
    FileContents contents;
    if (path.empty()) {
        return contents;
    }
    // Non-blocking, so that opening a pipe with no writer (or a device that
    // waits for a peer) returns at once; it is then refused by its type.
    const FileDescriptor file(
        ::open(path.bytes.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat info {};
    if (file.get() < 0 || ::fstat(file.get(), &info) != 0) {
        return contents;
    }
    if (!S_ISREG(info.st_mode)) {
        contents.outcome = ReadOutcome::NotAFile;
        return contents;
    }
    limit = std::min(limit, kLargestByteSet);
    if (info.st_size < 0 || static_cast<std::uint64_t>(info.st_size) > limit) {
        contents.outcome = ReadOutcome::TooLarge;
        return contents;
    }
    // Read straight into the byte set; one byte more than the size tells a
    // file that grew since the stat.
    ByteSet& bytes = contents.bytes;
    bytes.resize(static_cast<std::size_t>(info.st_size) + 1);
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = ::read(file.get(), bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            bytes.clear();
            return contents;
        }
        if (got == 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
        if (filled == bytes.size() && filled <= limit) {
            bytes.resize(std::min<std::uint64_t>(limit + 1, bytes.size() * 2));
        }
    }
    if (filled > limit) {
        bytes.clear();
        contents.outcome = ReadOutcome::TooLarge;
        return contents;
    }
    bytes.resize(filled);
    contents.outcome = ReadOutcome::Read;
    return contents;
}

Text SaveWholeFile(const FilePath& path, const ByteSet& bytes, bool replace) {
    if (path.empty()) {
        return Reason(QStringLiteral("No file name"));
    }
    const FileWrite write = WriteFileSafely(path.bytes, bytes, replace);
    switch (write.outcome) {
        case WriteOutcome::Written:
            return {};
        case WriteOutcome::Exists:
            return "同名的文件已经存在。"_gbk;
        case WriteOutcome::Link:
            return "它是一个链接，程序不会通过链接写入文件。"_gbk;
        case WriteOutcome::SameAsInput:
        case WriteOutcome::Failed:
            break;
    }
    return Reason(QString::fromLocal8Bit(SystemReason(write.error)));
}

PathKind KindOfPath(const FilePath& path) {
    struct stat info {};
    if (path.empty() || ::lstat(path.bytes.c_str(), &info) != 0) {
        return PathKind::None;
    }
    if (S_ISLNK(info.st_mode)) {
        return PathKind::Link;
    }
    if (S_ISREG(info.st_mode)) {
        return PathKind::File;
    }
    return S_ISDIR(info.st_mode) ? PathKind::Folder : PathKind::Other;
}

ByteSet ReadWholeFile(const Text& path) {
    return ReadFileContents(PathOfText(path), kLargestByteSet).bytes;
}

bool WriteWholeFile(const Text& path, const ByteSet& bytes) {
    return SaveWholeFile(PathOfText(path), bytes).empty();
}

Text DesktopDirectory() {
    QString path = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (path.isEmpty()) {
        path = QDir::homePath();
    }
    if (!path.endsWith(QLatin1Char('/'))) {
        path += QLatin1Char('/');
    }
    return detail::FromQString(path);
}

}  // namespace avatrix::ui
