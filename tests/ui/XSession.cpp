#include "XSession.h"

#include <xcb/xcb_keysyms.h>

#include <poll.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace avatrix::uitest {
namespace {

bool Reachable(const QString& display) {
    xcb_connection_t* c = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    const bool ok = c != nullptr && xcb_connection_has_error(c) == 0;
    if (c != nullptr) {
        xcb_disconnect(c);
    }
    return ok;
}

bool PollUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) {
            return false;
        }
        ::usleep(20000);
    }
    return true;
}

QProcessEnvironment EnvironmentFor(const QString& display) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    return env;
}

void Stop(std::unique_ptr<QProcess>& process) {
    if (process && process->state() != QProcess::NotRunning) {
        process->terminate();
        if (!process->waitForFinished(5000)) {
            process->kill();
            process->waitForFinished(5000);
        }
    }
    process.reset();
}

}  // namespace

std::unique_ptr<XServer> XServer::Start(bool windowManager, std::string& problem, bool compositor) {
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty()) {
        problem = "Xvfb is not installed";
        return nullptr;
    }
    std::unique_ptr<XServer> server(new XServer);
    // The server picks a free display number itself and writes it to the
    // pipe, so tests running side by side never race for a number.
    int fds[2];
    if (::pipe(fds) != 0) {
        problem = "no pipe";
        return nullptr;
    }
    auto process = std::make_unique<QProcess>();
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->setStandardOutputFile(QProcess::nullDevice());
    const int writeEnd = fds[1];
    const int readEnd = fds[0];
    process->setChildProcessModifier([writeEnd, readEnd] {
        ::close(readEnd);
        if (writeEnd != 3) {
            ::dup2(writeEnd, 3);
            ::close(writeEnd);
        }
    });
    process->start(
        xvfb, {QStringLiteral("-displayfd"), QStringLiteral("3"), QStringLiteral("-screen"),
               QStringLiteral("0"), QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
               QStringLiteral("tcp"),
               // No reset when the last client leaves: probes
               // below are such clients.
               QStringLiteral("-noreset")});
    ::close(writeEnd);
    std::string number;
    QElapsedTimer timer;
    timer.start();
    while (number.find('\n') == std::string::npos && timer.elapsed() < 20000) {
        pollfd poller{readEnd, POLLIN, 0};
        if (::poll(&poller, 1, 100) > 0) {
            char buffer[16];
            const ssize_t n = ::read(readEnd, buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            number.append(buffer, static_cast<std::size_t>(n));
        }
    }
    ::close(readEnd);
    if (number.find('\n') == std::string::npos) {
        Stop(process);
        problem = "Xvfb did not report a display";
        return nullptr;
    }
    server->display_ = QStringLiteral(":") + QString::fromStdString(number).trimmed();
    server->server_ = std::move(process);
    if (!PollUntil([&] { return Reachable(server->display_); }, 20000)) {
        problem = "the private X server cannot be reached";
        return nullptr;
    }
    if (windowManager) {
        const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
        if (openbox.isEmpty()) {
            problem = "openbox is not installed";
            return nullptr;
        }
        server->windowManager_ = std::make_unique<QProcess>();
        server->windowManager_->setProcessEnvironment(EnvironmentFor(server->display_));
        server->windowManager_->setStandardOutputFile(QProcess::nullDevice());
        server->windowManager_->setStandardErrorFile(QProcess::nullDevice());
        server->windowManager_->start(openbox, {});
        XClient client(server->display_);
        if (!client.ok()) {
            problem = "cannot connect to the private X server";
            return nullptr;
        }
        const xcb_atom_t check = client.Atom("_NET_SUPPORTING_WM_CHECK");
        const bool managed = PollUntil(
            [&] {
                xcb_get_property_reply_t* reply =
                    xcb_get_property_reply(client.connection(),
                                           xcb_get_property(client.connection(), 0, client.root(),
                                                            check, XCB_ATOM_WINDOW, 0, 1),
                                           nullptr);
                const bool set = reply != nullptr && xcb_get_property_value_length(reply) == 4;
                std::free(reply);
                return set;
            },
            20000);
        if (!managed) {
            problem = "openbox did not come up";
            return nullptr;
        }
    }
    if (compositor) {
        const QString xcompmgr = QStandardPaths::findExecutable(QStringLiteral("xcompmgr"));
        if (xcompmgr.isEmpty()) {
            problem = "xcompmgr is not installed";
            return nullptr;
        }
        server->compositor_ = std::make_unique<QProcess>();
        server->compositor_->setProcessEnvironment(EnvironmentFor(server->display_));
        server->compositor_->setStandardOutputFile(QProcess::nullDevice());
        server->compositor_->setStandardErrorFile(QProcess::nullDevice());
        server->compositor_->start(xcompmgr, {});
        // Ready once it owns the compositing-manager selection of screen 0.
        XClient client(server->display_);
        const xcb_atom_t selection = client.Atom("_NET_WM_CM_S0");
        const bool running =
            client.ok() &&
            PollUntil(
                [&] {
                    xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
                        client.connection(),
                        xcb_get_selection_owner(client.connection(), selection), nullptr);
                    const bool owned = owner != nullptr && owner->owner != 0;
                    std::free(owner);
                    return owned;
                },
                20000);
        if (!running) {
            problem = "xcompmgr did not come up";
            return nullptr;
        }
    }
    return server;
}

XServer::~XServer() {
    Stop(compositor_);
    Stop(windowManager_);
    Stop(server_);
}

QString XServer::Run(const QString& program, const QStringList& args) const {
    QProcess process;
    process.setProcessEnvironment(EnvironmentFor(display_));
    process.start(program, args);
    process.waitForFinished(20000);
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

Scenario::Scenario(const XServer* server, const QString& name, const QStringList& extra) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    if (server != nullptr) {
        env.insert(QStringLiteral("DISPLAY"), server->display());
    }
    process_.setProcessEnvironment(env);
    process_.start(QCoreApplication::applicationFilePath(),
                   QStringList{QStringLiteral("--scenario=") + name} + extra);
    process_.waitForStarted(10000);
}

Scenario::~Scenario() {
    if (process_.state() != QProcess::NotRunning) {
        process_.closeWriteChannel();  // the scenario ends when its input does
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
}

std::optional<QString> Scenario::Await(const QString& prefix, int ms) {
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        pending_ += process_.readAllStandardOutput();
        qsizetype end;
        while ((end = pending_.indexOf('\n')) >= 0) {
            lines_ << QString::fromUtf8(pending_.left(end));
            pending_.remove(0, end + 1);
        }
        for (qsizetype i = 0; i < lines_.size(); ++i) {
            if (lines_[i].startsWith(prefix)) {
                return lines_.takeAt(i);
            }
        }
        if (timer.elapsed() > ms) {
            return std::nullopt;
        }
        if (process_.state() == QProcess::NotRunning) {
            if (process_.bytesAvailable() == 0) {
                return std::nullopt;
            }
        } else {
            process_.waitForReadyRead(50);
        }
    }
}

void Scenario::Send(const QString& line) {
    process_.write((line + QLatin1Char('\n')).toUtf8());
    process_.waitForBytesWritten(5000);
}

XClient::XClient(const QString& display) {
    connection_ = xcb_connect(display.toLocal8Bit().constData(), nullptr);
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

xcb_window_t XClient::TopLevelOf(xcb_window_t window) {
    xcb_window_t current = window;
    for (int depth = 0; depth < 16; ++depth) {
        xcb_query_tree_reply_t* tree =
            xcb_query_tree_reply(connection_, xcb_query_tree(connection_, current), nullptr);
        if (tree == nullptr) {
            return 0;
        }
        const xcb_window_t parent = tree->parent;
        std::free(tree);
        if (parent == root_) {
            return current;
        }
        current = parent;
    }
    return 0;
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

}  // namespace avatrix::uitest
