#pragma once

#include <sys/types.h>
#include <xcb/xcb.h>

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A private X server (Xvfb, as tests/support/xserver.conf sets it up),
// optionally with a window manager and a compositor, so that the windows of
// tests running side by side never cover each other. Every process it starts
// ends with the process that started it, even a crashed one.
namespace avatrix::test {

class XServer {
  public:
    // Null, with `problem` set, when the server or a helper does not come up.
    static std::unique_ptr<XServer> Start(std::string& problem, bool windowManager = false,
                                          bool compositor = false);
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    // ":<number>", for DISPLAY.
    const std::string& display() const { return display_; }

    // Runs a command-line tool against this display; its standard output.
    QString Run(const QString& program, const QStringList& args) const;

  private:
    XServer() = default;
    std::string display_;
    std::vector<pid_t> processes_;  // server first
};

// A plain X client, to look at a screen from outside the program under test.
class XClient {
  public:
    explicit XClient(const std::string& display);
    ~XClient();
    XClient(const XClient&) = delete;
    XClient& operator=(const XClient&) = delete;
    bool ok() const { return connection_ != nullptr; }
    xcb_connection_t* connection() const { return connection_; }
    xcb_window_t root() const { return root_; }

    xcb_atom_t Atom(const char* name);
    // The top-level windows in stacking order, bottom first.
    std::vector<xcb_window_t> TopLevels();
    // Pixel at screen (x, y) as 0xRRGGBB.
    std::uint32_t Pixel(int x, int y);
    xcb_window_t MapWindow(int x, int y, int width, int height);
    // Grabs a key on the root window as another program would; false on an
    // error.
    bool GrabKey(std::uint32_t keysym, std::uint16_t modifiers);
    // Whether a window manager has announced itself on the root window.
    bool HasWindowManager();
    // Whether a compositing manager owns screen 0.
    bool HasCompositor();

  private:
    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = 0;
};

}  // namespace avatrix::test
