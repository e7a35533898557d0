#pragma once

#include <xcb/xcb.h>

#include <QProcess>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A private X server (optionally with a window manager) for one test, a
// child process of this test program running a scenario on it, and a plain
// X client to look at the screen from outside.
namespace avatrix::uitest {

class XServer {
  public:
    // Null, with `problem` set, when Xvfb is not available.
    static std::unique_ptr<XServer> Start(bool windowManager, std::string& problem,
                                          bool compositor = false);
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    const QString& display() const { return display_; }

    // Runs a command-line tool against this display; its standard output.
    QString Run(const QString& program, const QStringList& args) const;

  private:
    XServer() = default;
    QString display_;
    std::unique_ptr<QProcess> server_;
    std::unique_ptr<QProcess> windowManager_;
    std::unique_ptr<QProcess> compositor_;
};

class Scenario {
  public:
    Scenario(const XServer* server, const QString& name, const QStringList& extra = {});
    ~Scenario();

    // The next output line that starts with `prefix`, within `ms`.
    std::optional<QString> Await(const QString& prefix, int ms = 10000);
    void Send(const QString& line);
    QProcess& process() { return process_; }

  private:
    QProcess process_;
    QStringList lines_;
    QByteArray pending_;
};

class XClient {
  public:
    explicit XClient(const QString& display);
    ~XClient();
    bool ok() const { return connection_ != nullptr; }
    xcb_connection_t* connection() const { return connection_; }
    xcb_window_t root() const { return root_; }

    xcb_atom_t Atom(const char* name);
    // The top-level windows in stacking order, bottom first.
    std::vector<xcb_window_t> TopLevels();
    // The root child (a frame, or the window itself) that holds `window`.
    xcb_window_t TopLevelOf(xcb_window_t window);
    // Pixel at screen (x, y) as 0xRRGGBB.
    std::uint32_t Pixel(int x, int y);
    xcb_window_t MapWindow(int x, int y, int width, int height);
    // Grabs a key on the root window as another program would; false on an
    // error.
    bool GrabKey(std::uint32_t keysym, std::uint16_t modifiers);

  private:
    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = 0;
};

}  // namespace avatrix::uitest
