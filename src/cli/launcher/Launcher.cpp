// The avatrix-render that users run. Loading the toolkit and the libraries it
// brings takes many times longer than anything else a short run does, so this
// program links none of them: it answers --help and --version itself and
// hands every other command line, unchanged, to the renderer proper, which
// lies beside it as an installed prefix lays it out.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include <unistd.h>

#include "cli/Usage.h"

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
    execv(path, argv);
    std::fprintf(stderr, "avatrix-render: cannot start %s: %s\n", path, std::strerror(errno));
    return 1;
}
