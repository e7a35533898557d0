#include "LoopbackServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "WaitUntil.h"

namespace avatrix::web::testing {

LoopbackServer::LoopbackServer() {
    int in[2];
    int out[2];
    if (pipe(in) != 0) {
        return;
    }
    if (pipe(out) != 0) {
        close(in[0]);
        close(in[1]);
        return;
    }
    const char* script = AVATRIX_SOURCE_DIR "/tests/web/loopback_server.py";
    child_ = fork();
    if (child_ == 0) {
        dup2(in[0], STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        close(in[1]);
        close(out[0]);
        execlp("python3", "python3", script, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    toChild_ = in[1];
    if (child_ > 0) {
        const std::string line = avatrix::test::ReadLine(out[0], std::chrono::seconds(20));
        if (std::sscanf(line.c_str(), "PORTS %d %d %d", &httpPort_, &proxyPort_, &tlsPort_) != 3) {
            httpPort_ = 0;
        }
    }
    close(out[0]);
}

LoopbackServer::~LoopbackServer() {
    if (toChild_ >= 0) {
        close(toChild_);
    }
    if (child_ > 0) {
        kill(child_, SIGTERM);
        waitpid(child_, nullptr, 0);
    }
}

std::string LoopbackServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(httpPort_) + path;
}

int UnusedPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    close(fd);
    return port;
}

}  // namespace avatrix::web::testing
