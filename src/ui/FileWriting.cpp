#include "ui/FileWriting.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace avatrix::ui {
namespace {

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int get() const { return fd_; }
    // Closes now and says whether the close itself went well: on some file
    // systems the last write error shows up only here.
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0 || errno == EINTR;
    }

  private:
    int fd_;
};

FileWrite Failure(int error) {
    return {WriteOutcome::Failed, error};
}

// The temporary file's name: hidden, and unlikely to meet another writer's;
// the exclusive create settles the rest.
std::string TemporaryName(int attempt) {
    static std::atomic<unsigned> counter{0};
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    char name[64];
    std::snprintf(name, sizeof name, ".avatrix-%ld-%u-%llx-%d.tmp", static_cast<long>(::getpid()),
                  counter++, static_cast<unsigned long long>(now), attempt);
    return name;
}

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            if (wrote == 0) {
                errno = EIO;
            }
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

// Moves the finished file into place without touching anything that has the
// name. File systems without the no-replace rename get a hard link, which
// fails the same way on an existing name, and then lose the temporary name.
int MoveIntoFreeName(int dir, const std::string& from, const std::string& to) {
    if (::renameat2(dir, from.c_str(), dir, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
        return errno;
    }
    if (::linkat(dir, from.c_str(), dir, to.c_str(), 0) != 0) {
        return errno;
    }
    ::unlinkat(dir, from.c_str(), 0);
    return 0;
}

}  // namespace

bool IdentifyFile(const std::string& path, FileIdentity& identity) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) {
        return false;
    }
    identity = {info.st_dev, info.st_ino};
    return true;
}

std::string SystemReason(int error) {
    char buffer[256];
    // The GNU strerror_r: the text may or may not be in the buffer.
    return ::strerror_r(error, buffer, sizeof buffer);
}

int SyncFolder(const std::string& path) {
    Descriptor dir(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0 || ::fsync(dir.get()) != 0) {
        return errno;
    }
    return 0;
}

FileWrite WriteFileSafely(const std::string& path, std::span<const std::uint8_t> bytes,
                          bool replace, std::span<const FileIdentity> inputs, bool syncFolder) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") {
        return Failure(path.empty() ? ENOENT : EISDIR);
    }
    // Everything below is relative to the folder opened once, so a folder
    // renamed or swapped meanwhile cannot send the file elsewhere.
    Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0) {
        return Failure(errno);
    }
    struct stat existing {};
    if (::fstatat(dir.get(), name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISLNK(existing.st_mode)) {
            return {WriteOutcome::Link, 0};
        }
        if (std::binary_search(inputs.begin(), inputs.end(),
                               FileIdentity{existing.st_dev, existing.st_ino})) {
            return {WriteOutcome::SameAsInput, 0};
        }
        if (S_ISDIR(existing.st_mode)) {
            return Failure(EISDIR);
        }
        if (!replace) {
            return {WriteOutcome::Exists, 0};
        }
    } else if (errno != ENOENT) {
        return Failure(errno);
    } else {
        existing.st_mode = 0;  // nothing has the name
    }

    std::string temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary = TemporaryName(attempt);
        // Created like any new file: the umask gives its permissions.
        fd = ::openat(dir.get(), temporary.c_str(),
                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            return Failure(errno);
        }
    }
    if (fd < 0) {
        return Failure(EEXIST);
    }
    Descriptor file(fd);
    auto discard = [&](int error) {
        ::unlinkat(dir.get(), temporary.c_str(), 0);
        return Failure(error);
    };
    // A replaced file keeps its permissions, as an edit in place would.
    const bool replacing = replace && existing.st_mode != 0;
    if (replacing && ::fchmod(file.get(), existing.st_mode & 0777) != 0) {
        return discard(errno);
    }
    if (!WriteAll(file.get(), bytes) || ::fsync(file.get()) != 0) {
        return discard(errno);
    }
    if (!file.Close()) {
        return discard(errno);
    }
    if (replace) {
        // A rename replaces a link itself, never what it points to.
        if (::renameat(dir.get(), temporary.c_str(), dir.get(), name.c_str()) != 0) {
            return discard(errno);
        }
    } else if (const int error = MoveIntoFreeName(dir.get(), temporary, name); error != 0) {
        ::unlinkat(dir.get(), temporary.c_str(), 0);
        return error == EEXIST ? FileWrite{WriteOutcome::Exists, 0} : Failure(error);
    }
    // The new name itself is on the disk only once the folder is.
    if (syncFolder) {
        ::fsync(dir.get());
    }
    return {WriteOutcome::Written, 0};
}

}  // namespace avatrix::ui
