#pragma once

#include <sys/types.h>

#include <string>

namespace avatrix::web::testing {

// The loopback test servers (loopback_server.py) in a child process: an HTTP
// server, a forward proxy and a TLS server with a self-signed certificate,
// all on 127.0.0.1.
class LoopbackServer {
  public:
    LoopbackServer();
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    bool running() const { return httpPort_ > 0; }
    int httpPort() const { return httpPort_; }
    int proxyPort() const { return proxyPort_; }
    int tlsPort() const { return tlsPort_; }

    // "http://127.0.0.1:<port>" + path.
    std::string Url(const std::string& path) const;

  private:
    pid_t child_ = -1;
    int toChild_ = -1;
    int httpPort_ = 0;
    int proxyPort_ = 0;
    int tlsPort_ = 0;
};

// A loopback port on which nothing listens.
int UnusedPort();

}  // namespace avatrix::web::testing
