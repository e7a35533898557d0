#include "XServer.h"

#include <xcb/xcb_keysyms.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "WaitUntil.h"

extern char** environ;

namespace avatrix::test {
namespace {

const std::chrono::seconds kStartLimit{std::atoi(AVATRIX_XSERVER_START_SECONDS)};

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) {
        words.push_back(word);
    }
    return words;
}

// The window manager announces itself before it has finished starting, and a
// window mapped meanwhile can be left unmapped for good (seen under load).
// Once a window mapped here is framed promptly, new windows are handled as
// they come; until then probe windows are mapped afresh.
bool FramesNewWindows(XClient& probe) {
    xcb_connection_t* c = probe.connection();
    auto framedWithin = [&](std::chrono::milliseconds limit) {
        const xcb_window_t window = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window, probe.root(), 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_map_window(c, window);
        xcb_flush(c);
        const bool framed = WaitUntil(
            [&] {
                xcb_query_tree_reply_t* tree =
                    xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr);
                const bool reparented = tree != nullptr && tree->parent != probe.root();
                std::free(tree);
                return reparented;
            },
            limit);
        xcb_destroy_window(c, window);
        xcb_flush(c);
        return framed;
    };
    return WaitUntil([&] { return framedWithin(std::chrono::milliseconds(500)); }, kStartLimit);
}

// Starts `args` quietly on `display` (empty: this process's own); `passed`,
// if given, becomes the child's descriptor 3. Everything is prepared before
// the fork, as the child of a threaded process may only make system calls.
pid_t Spawn(std::vector<std::string> args, const std::string& display, int passed = -1) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        if (display.empty() || std::strncmp(*e, "DISPLAY=", 8) != 0) {
            env.emplace_back(*e);
        }
    }
    if (!display.empty()) {
        env.push_back("DISPLAY=" + display);
    }
    std::vector<char*> argv, envp;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    for (auto& e : env) {
        envp.push_back(e.data());
    }
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    const int quiet = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        ::dup2(quiet, STDOUT_FILENO);
        ::dup2(quiet, STDERR_FILENO);
        if (passed == 3) {
            ::fcntl(3, F_SETFD, 0);
        } else if (passed >= 0) {
            ::dup2(passed, 3);
        }
        ::execvpe(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(quiet);
    return pid;
}

// Whether a child has ended; reaps it. A child reaped before is ended too,
// so its number, free for other processes by then, is never signalled.
bool Ended(pid_t pid) {
    const pid_t reaped = pid > 0 ? ::waitpid(pid, nullptr, WNOHANG) : -1;
    return reaped == pid || reaped < 0;
}

void Stop(pid_t pid) {
    ::kill(pid, SIGTERM);
    if (!WaitUntil([pid] { return Ended(pid); }, std::chrono::seconds(5))) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
}

}  // namespace

std::unique_ptr<XServer> XServer::Start(std::string& problem, bool windowManager, bool compositor) {
    for (const char* program : {"Xvfb", windowManager ? AVATRIX_XSERVER_WINDOW_MANAGER : "",
                                compositor ? AVATRIX_XSERVER_COMPOSITOR : ""}) {
        if (*program != '\0' &&
            QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty()) {
            problem = std::string(program) + " is not installed";
            return nullptr;
        }
    }
    std::unique_ptr<XServer> server(new XServer);
    // The server picks a free display number itself and reports it on a
    // pipe, so servers starting side by side never race for a number.
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        problem = "no pipe";
        return nullptr;
    }
    std::vector<std::string> args{"Xvfb",    "-displayfd", "3",
                                  "-screen", "0",          AVATRIX_XSERVER_SCREEN};
    for (std::string& word : Words(AVATRIX_XSERVER_XVFB_ARGUMENTS)) {
        args.push_back(std::move(word));
    }
    server->processes_.push_back(Spawn(args, "", fds[1]));
    ::close(fds[1]);
    const std::string number = ReadLine(fds[0], kStartLimit);
    ::close(fds[0]);
    server->display_ = ":" + number;
    if (number.empty()) {
        problem = "Xvfb did not report a display";
        return nullptr;
    }
    if (!WaitUntil([&] { return XClient(server->display_).ok(); }, kStartLimit)) {
        problem = "the private X server cannot be reached";
        return nullptr;
    }
    XClient probe(server->display_);
    if (windowManager) {
        // It can give up when it starts alongside others; then it is started
        // again.
        int attempts = 0;
        const bool managed = WaitUntil(
            [&] {
                if (probe.HasWindowManager()) {
                    return true;
                }
                if ((attempts == 0 || Ended(server->processes_.back())) && attempts < 5) {
                    ++attempts;
                    server->processes_.push_back(
                        Spawn({AVATRIX_XSERVER_WINDOW_MANAGER}, server->display_));
                }
                return false;
            },
            kStartLimit);
        if (!managed || !FramesNewWindows(probe)) {
            problem = AVATRIX_XSERVER_WINDOW_MANAGER " did not come up";
            return nullptr;
        }
    }
    if (compositor) {
        server->processes_.push_back(Spawn({AVATRIX_XSERVER_COMPOSITOR}, server->display_));
        if (!WaitUntil([&] { return probe.HasCompositor(); }, kStartLimit)) {
            problem = AVATRIX_XSERVER_COMPOSITOR " did not come up";
            return nullptr;
        }
    }
    return server;
}

XServer::~XServer() {
    for (auto pid = processes_.rbegin(); pid != processes_.rend(); ++pid) {
        if (!Ended(*pid)) {
            Stop(*pid);
        }
    }
}

QString XServer::Run(const QString& program, const QStringList& args) const {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), QString::fromStdString(display_));
    process.setProcessEnvironment(env);
    process.start(program, args);
    process.waitForFinished(20000);
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

XClient::XClient(const std::string& display) {
    connection_ = xcb_connect(display.c_str(), nullptr);
    if (xcb_connection_has_error(connection_) != 0) {
        xcb_disconnect(connection_);
        connection_ = nullptr;
        return;
    }
    root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
}

XClient::~XClient() {
    if (connection_ != nullptr) {
        xcb_disconnect(connection_);
    }
}

xcb_atom_t XClient::Atom(const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection_,
        xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
        nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : 0;
    std::free(reply);
    return atom;
}

std::vector<xcb_window_t> XClient::TopLevels() {
    std::vector<xcb_window_t> result;
    xcb_query_tree_reply_t* tree =
        xcb_query_tree_reply(connection_, xcb_query_tree(connection_, root_), nullptr);
    if (tree != nullptr) {
        const xcb_window_t* children = xcb_query_tree_children(tree);
        result.assign(children, children + xcb_query_tree_children_length(tree));
        std::free(tree);
    }
    return result;
}

std::uint32_t XClient::Pixel(int x, int y) {
    xcb_get_image_reply_t* image = xcb_get_image_reply(
        connection_,
        xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, root_, static_cast<std::int16_t>(x),
                      static_cast<std::int16_t>(y), 1, 1, ~0u),
        nullptr);
    if (image == nullptr) {
        return 0xFFFFFFFFu;
    }
    std::uint32_t pixel = 0;
    std::memcpy(&pixel, xcb_get_image_data(image), 4);
    std::free(image);
    return pixel & 0xFFFFFF;
}

xcb_window_t XClient::MapWindow(int x, int y, int width, int height) {
    const xcb_window_t window = xcb_generate_id(connection_);
    const std::uint32_t values[] = {0x00808080, 1};
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window, root_,
                      static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
                      static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(connection_, window);
    xcb_flush(connection_);
    return window;
}

bool XClient::GrabKey(std::uint32_t keysym, std::uint16_t modifiers) {
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection_);
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym);
    bool ok = false;
    if (codes != nullptr && codes[0] != XCB_NO_SYMBOL) {
        xcb_generic_error_t* error = xcb_request_check(
            connection_, xcb_grab_key_checked(connection_, 1, root_, modifiers, codes[0],
                                              XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        ok = error == nullptr;
        std::free(error);
    }
    std::free(codes);
    xcb_key_symbols_free(symbols);
    return ok;
}

bool XClient::HasWindowManager() {
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection_,
        xcb_get_property(connection_, 0, root_, Atom("_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW,
                         0, 1),
        nullptr);
    const bool set = reply != nullptr && xcb_get_property_value_length(reply) == 4;
    std::free(reply);
    return set;
}

bool XClient::HasCompositor() {
    xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
        connection_, xcb_get_selection_owner(connection_, Atom("_NET_WM_CM_S0")), nullptr);
    const bool owned = owner != nullptr && owner->owner != 0;
    std::free(owner);
    return owned;
}

}  // namespace avatrix::test
