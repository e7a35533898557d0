// The helper that draws for runs following one another (RenderServer.h).
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include <fcntl.h>
#include <malloc.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <fontconfig/fontconfig.h>

#include <QStringList>

#include "cli/AvatarRendering.h"
#include "cli/Commands.h"
#include "cli/OutputFormat.h"
#include "cli/RenderServer.h"
#include "cli/RenderSettings.h"

namespace avatrix::cli {
namespace {

constexpr std::size_t kKeptFreeMemory = std::size_t{64} << 20;

void Reply(int fd, std::int32_t value) {
    // A run that has gone away is no concern of the helper's.
    [[maybe_unused]] const ssize_t sent = ::send(fd, &value, sizeof value, MSG_NOSIGNAL);
}

// What every run is likely to need, done once in the helper so each run
// finds it ready: the font list read, the default face opened with the
// glyphs of both scripts, and the PNG writer's tables.
void WarmUp() {
    RenderSettings settings;
    settings.text = QStringLiteral("文字 Aa");
    QString error;
    EncodeAvatar(RenderNameAvatar(settings, error), OutputFormat::Png, settings.quality);
}

// A run's request, read after the helper has said it is ready for it; false
// when the run went away or sent something else.
bool ReadRequest(int connection, server::RequestHeader& header, int (&passed)[4],
                 QStringList& arguments) {
    server::RequestMessage request;
    ssize_t got;
    do {
        got = ::recvmsg(connection, &request.message, MSG_CMSG_CLOEXEC | MSG_WAITALL);
    } while (got < 0 && errno == EINTR);
    header = request.header;
    const cmsghdr* fds = CMSG_FIRSTHDR(&request.message);
    if (fds == nullptr || fds->cmsg_level != SOL_SOCKET || fds->cmsg_type != SCM_RIGHTS) {
        return false;
    }
    const std::size_t count = (fds->cmsg_len - CMSG_LEN(0)) / sizeof(int);
    int received[server::kPassedDescriptors];
    std::memcpy(received, CMSG_DATA(fds), std::min(count, std::size(received)) * sizeof(int));
    const bool whole = got == static_cast<ssize_t>(sizeof header) && count == std::size(received) &&
                       header.magic == server::kMagic && header.bytes <= server::kMostArgumentBytes;
    if (!whole) {
        for (std::size_t i = 0; i < std::min(count, std::size(received)); ++i) {
            ::close(received[i]);
        }
        return false;
    }
    std::vector<char> bytes(header.bytes);
    if (!server::ReadFully(connection, bytes.data(), bytes.size())) {
        for (const int fd : received) {
            ::close(fd);
        }
        return false;
    }
    std::memcpy(passed, received, sizeof passed);
    std::size_t at = 0;
    for (std::uint32_t i = 0; i < header.argc && at < bytes.size(); ++i) {
        const std::size_t length = ::strnlen(bytes.data() + at, bytes.size() - at);
        arguments << QString::fromLocal8Bit(bytes.data() + at, static_cast<qsizetype>(length));
        at += length + 1;
    }
    return true;
}

// One run in the helper itself, with the run's streams, folder and umask
// for its time; afterwards the helper holds none of them, so nobody waits on
// a stream it keeps open.
std::int32_t RunHere(const server::RequestHeader& header, const int (&passed)[4],
                     const QStringList& arguments, int null) {
    for (int stream = 0; stream < 3; ++stream) {
        ::dup2(passed[stream], stream);
        ::close(passed[stream]);
    }
    std::int32_t status = 1;
    if (::fchdir(passed[3]) != 0) {
        std::fprintf(stderr, "avatrix-render: cannot enter the working folder: %s\n",
                     std::strerror(errno));
    } else {
        ::umask(static_cast<mode_t>(header.umask & 0777));
        status = RunCommandLine(arguments);
    }
    ::close(passed[3]);
    std::fflush(nullptr);
    for (int stream = 0; stream < 3; ++stream) {
        ::dup2(null, stream);
    }
    // What a large picture took goes back to the system between runs; the
    // little an ordinary run frees stays for the next.
    if (::mallinfo2().fordblks > kKeptFreeMemory) {
        ::malloc_trim(0);
    }
    return status;
}

}  // namespace

bool TakeHelperLock(const char* lockPath) {
    // Held until the process ends; the descriptor is never closed.
    const int lock = ::open(lockPath, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lock < 0 || ::flock(lock, LOCK_EX | LOCK_NB) != 0) {
        return false;
    }
    const std::string pid = std::to_string(::getpid()) + "\n";
    return ::ftruncate(lock, 0) == 0 && ::write(lock, pid.data(), pid.size()) > 0;
}

int ServeRenders(const char* socketPath) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (std::strlen(socketPath) >= sizeof address.sun_path) {
        return 1;
    }
    std::strcpy(address.sun_path, socketPath);
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    // Ready before it can be reached, so no run waits on the warming up.
    WarmUp();
    // A socket left by a helper that died: its lock went with it.
    ::unlink(socketPath);
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (null < 0 || listener < 0 ||
        ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 64) != 0) {
        return 1;
    }
    ::signal(SIGPIPE, SIG_IGN);

    for (int runs = 0; runs < server::kMostRuns; ++runs) {
        pollfd waiting{listener, POLLIN, 0};
        int ready;
        do {
            ready = ::poll(&waiting, 1, server::kIdleSeconds * 1000);
        } while (ready < 0 && errno == EINTR);
        if (ready <= 0) {
            break;  // idle long enough
        }
        const int connection = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) {
            continue;
        }
        ucred peer{};
        socklen_t peerSize = sizeof peer;
        if (::getsockopt(connection, SOL_SOCKET, SO_PEERCRED, &peer, &peerSize) != 0 ||
            peer.uid != ::getuid()) {
            ::close(connection);
            continue;
        }
        // Fonts installed or removed since the helper read them: the run
        // draws itself, and the helper makes way for a new one.
        if (FcConfigUptoDate(nullptr) != FcTrue) {
            Reply(connection, server::kDeclined);
            ::close(connection);
            break;
        }
        // A run that stops halfway through its request cannot hold the
        // helper for long.
        const timeval patience{5, 0};
        ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
        Reply(connection, static_cast<std::int32_t>(::getpid()));
        server::RequestHeader header{};
        int passed[server::kPassedDescriptors];
        QStringList arguments;
        if (ReadRequest(connection, header, passed, arguments)) {
            Reply(connection, RunHere(header, passed, arguments, null));
        }
        ::close(connection);
    }
    ::unlink(socketPath);
    return 0;
}

}  // namespace avatrix::cli
