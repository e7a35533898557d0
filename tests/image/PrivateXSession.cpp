#include "PrivateXSession.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

extern char** environ;

namespace avatrix::image::testing {
namespace {

// Starts a program quietly; descriptors without close-on-exec (the display
// pipe) are inherited.
pid_t Spawn(std::vector<std::string> args) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

void Stop(pid_t& pid) {
    if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        pid = -1;
    }
}

}  // namespace

bool PrivateXSession::Start() {
    // The server picks a free display number itself and reports it on a pipe.
    int fds[2];
    if (pipe(fds) != 0) {
        return false;
    }
    server_ = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1280x1024x24",
                     "-nolisten", "tcp", "+extension", "Composite", "+extension", "RANDR"});
    close(fds[1]);
    std::string number;
    pollfd wait{fds[0], POLLIN, 0};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (server_ > 0 && std::chrono::steady_clock::now() < deadline) {
        if (poll(&wait, 1, 200) > 0) {
            char buffer[16];
            const ssize_t n = read(fds[0], buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            number.append(buffer, static_cast<std::size_t>(n));
            if (number.find('\n') != std::string::npos) {
                break;
            }
        }
    }
    close(fds[0]);
    if (number.empty() || number.back() != '\n') {
        return false;
    }
    number.pop_back();
    display_ = ":" + number;
    setenv("DISPLAY", display_.c_str(), 1);

    // Ready once a client can connect.
    while (std::chrono::steady_clock::now() < deadline) {
        xcb_connection_t* c = xcb_connect(display_.c_str(), nullptr);
        const bool up = !xcb_connection_has_error(c);
        xcb_disconnect(c);
        if (up) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

PrivateXSession::~PrivateXSession() {
    Stop(server_);
}

}  // namespace avatrix::image::testing
