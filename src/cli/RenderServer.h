#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>

#include <sys/socket.h>
#include <unistd.h>

// A run that draws pays for loading the toolkit and reading the font
// configuration, many times what drawing one avatar takes. When runs follow
// one another (a script making one avatar a call), the launcher starts a
// helper that has done all that once and stays for a while: each later run
// hands it its command line, working folder, umask and standard streams over
// a socket only the user can reach, and the helper draws the avatar with them
// as the run itself would have, one run at a time. Batches are not handed
// over. Nothing here needs the toolkit: the launcher includes it too.
namespace avatrix::cli::server {

// The hidden first argument that makes the renderer a helper:
//   avatrix-render --serve-renders SOCKET LOCK
inline constexpr char kServeArgument[] = "--serve-renders";

// Set to 0, runs never use or start a helper.
inline constexpr char kSwitchVariable[] = "AVATRIX_RENDER_SERVER";

// How long a helper waits for the next run before it ends, how close
// together two runs must come for the second to start one, how many runs it
// draws before making way for a fresh one, and how long a run waits for a
// busy helper before drawing itself.
inline constexpr int kIdleSeconds = 60;
inline constexpr int kFollowSeconds = 30;
inline constexpr int kMostRuns = 10000;
inline constexpr int kPatienceMilliseconds = 1000;

// The exchange: the helper first says it is ready with its process number
// (or kDeclined: the run draws itself); the run then sends this header, with
// the descriptors of standard input, output and error and of the working
// folder passed beside it, and `bytes` bytes of arguments, each ended by a
// NUL; the helper answers with the run's exit status. Both numbers are
// 32-bit. Batches are never sent: the launcher keeps them.
struct RequestHeader {
    std::uint32_t magic;
    std::uint32_t umask;
    std::uint32_t argc;
    std::uint32_t bytes;
};
inline constexpr std::uint32_t kMagic = 0x31525641;  // "AVR1"
inline constexpr int kPassedDescriptors = 4;
// Arguments a request may carry at most, in bytes (the system's own limit
// on a command line is 2 MiB).
inline constexpr std::uint32_t kMostArgumentBytes = 4u << 20;
inline constexpr std::int32_t kDeclined = -1;

// The request's header as one message, with room beside it for the passed
// descriptors.
struct RequestMessage {
    RequestHeader header{};
    iovec part{&header, sizeof header};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * kPassedDescriptors)] = {};
    msghdr message{};

    RequestMessage() {
        message.msg_iov = &part;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
    }
    RequestMessage(const RequestMessage&) = delete;
    RequestMessage& operator=(const RequestMessage&) = delete;
};

// The whole of `size` bytes read from, or sent to, a socket; false at its
// end or on an error. Sending never raises SIGPIPE.
inline bool Transfer(int fd, void* data, std::size_t size, bool sending) {
    auto* bytes = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t done =
            sending ? ::send(fd, bytes, size, MSG_NOSIGNAL) : ::read(fd, bytes, size);
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done <= 0) {
            return false;
        }
        bytes += done;
        size -= static_cast<std::size_t>(done);
    }
    return true;
}

inline bool ReadFully(int fd, void* data, std::size_t size) {
    return Transfer(fd, data, size, false);
}

inline bool SendFully(int fd, const void* data, std::size_t size) {
    return Transfer(fd, const_cast<void*>(data), size, true);
}

}  // namespace avatrix::cli::server

namespace avatrix::cli {

// One helper for a socket: whoever holds its lock. Takes the lock at
// `lockPath` for the rest of this process's life and writes the process
// number in it; false when another helper holds it.
bool TakeHelperLock(const char* lockPath);

// The helper's life, in the renderer with the toolkit ready and the lock
// taken: serves runs on the socket at `socketPath` and ends once no run has
// come for a while. The exit status.
int ServeRenders(const char* socketPath);

}  // namespace avatrix::cli
