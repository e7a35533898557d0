#pragma once

#include <sys/types.h>

#include <string>

namespace avatrix::image::testing {

// An X server (Xvfb) of this process's own, so that pixel read-backs cannot
// be disturbed by windows other test processes show on a shared display. No
// window manager runs there: windows appear exactly where they are put.
// The server is stopped by its PID.
class PrivateXSession {
  public:
    // Starts the session and points DISPLAY at it; false if it did not come up.
    bool Start();
    ~PrivateXSession();

  private:
    pid_t server_ = -1;
    std::string display_;
};

}  // namespace avatrix::image::testing
