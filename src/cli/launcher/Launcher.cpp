// The avatrix-render that users run. Loading the toolkit and the libraries it
// brings takes many times longer than anything else a short run does, so this
// program links none of them: it answers --help and --version itself and
// hands every other command line, unchanged, to the renderer proper, which
// lies beside it as an installed prefix lays it out, or to the helper that
// renderer leaves behind when runs follow one another (cli/RenderServer.h).
#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iterator>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "cli/RenderServer.h"
#include "cli/Usage.h"

extern char** environ;

namespace {

bool Is(const char* argument, const char* shortName, const char* longName) {
    return std::strcmp(argument, shortName) == 0 || std::strcmp(argument, longName) == 0;
}

// The renderer's path from this executable's own, or false if it is too long.
bool RendererPath(char (&path)[PATH_MAX]) {
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        return false;
    }
    path[length] = '\0';
    char* slash = std::strrchr(path, '/');
    const std::size_t folder = slash != nullptr ? static_cast<std::size_t>(slash - path) + 1 : 0;
    const std::size_t tail = std::strlen(AVATRIX_RENDERER_FROM_BINDIR);
    if (folder + tail >= sizeof path) {
        return false;
    }
    std::memcpy(path + folder, AVATRIX_RENDERER_FROM_BINDIR, tail + 1);
    return true;
}

// --- the helper -------------------------------------------------------------

namespace helper = avatrix::cli::server;

struct Places {
    std::string socket, lock, last;
};

std::uint64_t Mix(std::uint64_t hash, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        hash = (hash ^ bytes[i]) * 0x100000001b3ULL;
    }
    return hash;
}

// What the renderer's drawing depends on beyond its arguments: where fonts and
// their settings are looked up, the locale, the toolkit's own settings, and
// how libraries are loaded. A helper serves only runs that agree on them all.
bool Affects(const char* entry) {
    static const char* const kPrefixes[] = {
        "FONTCONFIG", "FC_",     "QT_",      "LC_",         "LANG=",     "LANGUAGE=",
        "HOME=",      "TMPDIR=", "LD_",      "MALLOC_",     "GLIBC_",    "ASAN_",
        "UBSAN_",     "LSAN_",   "AVATRIX_", "XDG_CONFIG_", "XDG_DATA_", "XDG_CACHE_"};
    return std::any_of(std::begin(kPrefixes), std::end(kPrefixes), [entry](const char* prefix) {
        return std::strncmp(entry, prefix, std::strlen(prefix)) == 0;
    });
}

// A folder only this user can enter.
bool Private(const std::string& folder) {
    struct stat info {};
    return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::getuid() && (info.st_mode & 077) == 0;
}

// The helper's socket, lock and last-run mark for this renderer and this
// environment, in the user's runtime folder; false where there is none.
bool PlacesFor(const char* renderer, Places& places) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || runtime[0] != '/' || !Private(runtime)) {
        return false;
    }
    const std::string folder = std::string(runtime) + "/avatrix-render";
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    struct stat binary {};
    if (!Private(folder) || ::stat(renderer, &binary) != 0) {
        return false;
    }
    // The renderer itself, so a new build or version gets a helper of its own.
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    hash = Mix(hash, renderer, std::strlen(renderer) + 1);
    const std::int64_t identity[] = {
        static_cast<std::int64_t>(binary.st_dev), static_cast<std::int64_t>(binary.st_ino),
        static_cast<std::int64_t>(binary.st_size), static_cast<std::int64_t>(binary.st_mtim.tv_sec),
        static_cast<std::int64_t>(binary.st_mtim.tv_nsec)};
    hash = Mix(hash, identity, sizeof identity);
    std::vector<std::string> settings;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (Affects(*entry)) {
            settings.emplace_back(*entry);
        }
    }
    std::sort(settings.begin(), settings.end());
    for (const std::string& setting : settings) {
        hash = Mix(hash, setting.c_str(), setting.size() + 1);
    }
    char name[32];
    std::snprintf(name, sizeof name, "/%016llx", static_cast<unsigned long long>(hash));
    places.socket = folder + name + ".sock";
    places.lock = folder + name + ".lock";
    places.last = folder + name + ".last";
    return places.socket.size() < sizeof(sockaddr_un{}.sun_path);
}

bool ReadInt(int fd, std::int32_t& value) {
    return helper::ReadFully(fd, &value, sizeof value);
}

volatile sig_atomic_t helperProcess = 0;
volatile sig_atomic_t passedOn = 0;

// Ctrl-C and its kin reach this process, not the helper: passed on, they
// end the drawing as they would end the renderer drawing here.
void PassOn(int signal) {
    passedOn = signal;
    if (helperProcess > 0) {
        ::kill(static_cast<pid_t>(helperProcess), signal);
    }
}

constexpr int kForwarded[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// A batch is never handed over: it pays the start-up once, and a long one
// would keep every other run waiting on the helper.
bool IsBatch(char** argv) {
    for (char** argument = argv + 1; *argument != nullptr; ++argument) {
        if (std::strcmp(*argument, "--") == 0) {
            return false;
        }
        if (std::strcmp(*argument, "--batch") == 0 || std::strncmp(*argument, "--batch=", 8) == 0) {
            return true;
        }
    }
    return false;
}

enum class Handed { None, No, Ended, Stopped };

// The run drawn by a running helper. None: there is no helper. No: it is
// busy, or declined because the fonts changed. Either way nothing has been done and the run draws
// itself. Ended: the helper drew it, `status` is its exit status. Stopped:
// the helper ended halfway, as a renderer here would have on the same signal.
Handed RunByHelper(const Places& places, char** argv, std::int32_t& status) {
    for (int stream = 0; stream < 3; ++stream) {
        if (::fcntl(stream, F_GETFD) < 0) {
            return Handed::No;  // a closed stream cannot be handed over
        }
    }
    const int connection = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (connection < 0) {
        return Handed::No;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, places.socket.c_str(), places.socket.size() + 1);
    const int folder = ::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        ::close(connection);
        return Handed::No;
    }
    if (::connect(connection, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(folder);
        ::close(connection);
        return Handed::None;
    }
    Handed handed = Handed::No;
    std::int32_t helper = helper::kDeclined;
    pollfd ready{connection, POLLIN, 0};
    if (::poll(&ready, 1, helper::kPatienceMilliseconds) == 1 && ReadInt(connection, helper) &&
        helper > 0) {
        std::string arguments;
        std::uint32_t count = 0;
        for (char** argument = argv; *argument != nullptr; ++argument, ++count) {
            arguments.append(*argument).push_back('\0');
        }
        const mode_t mask = ::umask(0);
        ::umask(mask);
        helper::RequestMessage request;
        request.header = {helper::kMagic, static_cast<std::uint32_t>(mask), count,
                          static_cast<std::uint32_t>(arguments.size())};
        const int passed[helper::kPassedDescriptors] = {0, 1, 2, folder};
        cmsghdr* fds = CMSG_FIRSTHDR(&request.message);
        fds->cmsg_level = SOL_SOCKET;
        fds->cmsg_type = SCM_RIGHTS;
        fds->cmsg_len = CMSG_LEN(sizeof passed);
        std::memcpy(CMSG_DATA(fds), passed, sizeof passed);
        // Passed on from before the request leaves: the helper may start
        // drawing the moment it has it. A signal this run ignores (as a
        // script's background job ignores Ctrl-C) stays ignored.
        helperProcess = helper;
        struct sigaction passOn {};
        passOn.sa_handler = PassOn;
        passOn.sa_flags = SA_RESTART;
        struct sigaction before[std::size(kForwarded)] = {};
        for (std::size_t i = 0; i < std::size(kForwarded); ++i) {
            ::sigaction(kForwarded[i], nullptr, &before[i]);
            if (before[i].sa_handler != SIG_IGN) {
                ::sigaction(kForwarded[i], &passOn, nullptr);
            }
        }
        const bool sent = arguments.size() <= helper::kMostArgumentBytes &&
                          ::sendmsg(connection, &request.message, MSG_NOSIGNAL) ==
                              static_cast<ssize_t>(sizeof request.header) &&
                          helper::SendFully(connection, arguments.data(), arguments.size());
        if (sent && ReadInt(connection, status)) {
            handed = Handed::Ended;
        } else if (sent || passedOn != 0) {
            handed = Handed::Stopped;
        }
        helperProcess = 0;
        for (std::size_t i = 0; i < std::size(kForwarded); ++i) {
            ::sigaction(kForwarded[i], &before[i], nullptr);
        }
    }
    ::close(folder);
    ::close(connection);
    return handed;
}

// Starts a helper when this run follows another within a short while: a
// script at work, whose next runs the helper will draw. A run on its own
// leaves nothing behind.
void StartHelperIfRunsFollow(const char* renderer, const Places& places) {
    struct stat info {};
    const bool follows = ::stat(places.last.c_str(), &info) == 0 &&
                         std::time(nullptr) - info.st_mtime <= helper::kFollowSeconds;
    const int mark = ::open(places.last.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (mark >= 0) {
        ::futimens(mark, nullptr);
        ::close(mark);
    }
    if (!follows) {
        return;
    }
    const pid_t first = ::fork();
    if (first == 0) {
        // Its own session, twice removed, holding none of this run's
        // descriptors, so no shell or pipe waits for it.
        ::setsid();
        if (::fork() != 0) {
            ::_exit(0);
        }
        const int null = ::open("/dev/null", O_RDWR);
        for (int stream = 0; stream < 3; ++stream) {
            ::dup2(null, stream);
        }
        ::close_range(3, ~0U, 0);
        // Whatever this run ignores or blocks, the helper ends on the
        // signals runs pass on to it.
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        for (const int signal : kForwarded) {
            ::signal(signal, SIG_DFL);
        }
        // Every library symbol bound once, in the helper, rather than again
        // in each child on first use.
        ::setenv("LD_BIND_NOW", "1", 1);
        ::execl(renderer, "avatrix-render", helper::kServeArgument, places.socket.c_str(),
                places.lock.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (first > 0) {
        ::waitpid(first, nullptr, 0);
    }
}

bool HelperWanted() {
    const char* setting = std::getenv(helper::kSwitchVariable);
    return setting == nullptr || std::strcmp(setting, "0") != 0;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace avatrix::cli;
    // Only when asked alone: with anything else the renderer's parser decides,
    // so a bad option beside them is refused as it always was.
    if (argc == 2 && (Is(argv[1], "-V", "--version") || Is(argv[1], "-h", "--help"))) {
        std::fputs(Is(argv[1], "-V", "--version") ? VersionTextUtf8() : HelpTextUtf8(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    char path[PATH_MAX];
    if (!RendererPath(path)) {
        std::fputs("avatrix-render: cannot find the renderer beside this program\n", stderr);
        return 1;
    }
    Places places;
    if (HelperWanted() && !IsBatch(argv) && PlacesFor(path, places)) {
        std::int32_t status = 0;
        switch (RunByHelper(places, argv, status)) {
            case Handed::Ended:
                return status;
            case Handed::Stopped:
                if (passedOn != 0) {
                    // Ended by the same signal, as the renderer would have.
                    ::signal(passedOn, SIG_DFL);
                    ::raise(passedOn);
                    return 128 + passedOn;
                }
                std::fputs("avatrix-render: the render helper stopped before the run ended\n",
                           stderr);
                return 1;
            case Handed::None:
                StartHelperIfRunsFollow(path, places);
                break;
            case Handed::No:
                break;
        }
    }
    execv(path, argv);
    std::fprintf(stderr, "avatrix-render: cannot start %s: %s\n", path, std::strerror(errno));
    return 1;
}
