#include "app/SingleInstance.h"

#include <unistd.h>

#include <csignal>
#include <cstring>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>

#include "ui/Program.h"

namespace avatrix::app {
namespace {

constexpr char kRequest[] = "show\n";
constexpr char kAnswer[] = "shown\n";
// A running copy answers as soon as its event loop runs, and even modal boxes
// and the notice check keep that loop running. One that stays silent this
// long is hung, and this start goes on as the program.
constexpr int kAnswerMs = 5000;
constexpr int kConnectMs = 1000;

// The display the windows would show on, without its screen number: ":1",
// ":1.0" and "unix:1" are one display to the user.
QString DisplayKey() {
    QString display = qEnvironmentVariable("DISPLAY");
    display.remove(QRegularExpression(QStringLiteral("\\.\\d+$")));
    if (display.startsWith(QLatin1String("unix:"))) {
        display.remove(0, 4);
    }
    display.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9:._-]")), QStringLiteral("_"));
    return display;
}

// The user's runtime folder is theirs alone and emptied at log-out; without
// one, the temporary folder, with the user's id in the name and access for
// the user only.
QString SocketPath() {
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QDir::isAbsolutePath(folder) || !QFileInfo(folder).isDir()) {
        folder = QDir::tempPath();
    }
    return QDir(folder).filePath(QStringLiteral("avatrix-%1-%2").arg(::getuid()).arg(DisplayKey()));
}

// For the signal handler, which may only unlink a path prepared beforehand.
char socketPathForSignals[256] = {};

extern "C" void RemoveSocketAndDie(int signal) {
    if (socketPathForSignals[0] != '\0') {
        ::unlink(socketPathForSignals);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void RemoveSocketOnSignals(const QString& path) {
    const QByteArray bytes = QFile::encodeName(path);
    if (static_cast<std::size_t>(bytes.size()) >= sizeof socketPathForSignals) {
        return;
    }
    std::memcpy(socketPathForSignals, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        std::signal(signal, RemoveSocketAndDie);
    }
}

void Serve(QLocalSocket* socket, const std::function<void()>& bringBack) {
    QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket, bringBack] {
        if (!socket->canReadLine()) {
            return;
        }
        if (socket->readLine(64) == QByteArray(kRequest)) {
            bringBack();
            socket->write(kAnswer);
            socket->flush();
        }
        socket->disconnectFromServer();
    });
}

}  // namespace

bool HandOverToRunningCopy() {
    const QString path = SocketPath();
    // In a shared temporary folder another user could have put a socket
    // under this name; only the user's own is asked.
    const QFileInfo info(path);
    if (info.exists() && info.ownerId() != ::getuid()) {
        return false;
    }
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(kConnectMs)) {
        return false;
    }
    socket.write(kRequest);
    if (!socket.waitForBytesWritten(kConnectMs)) {
        return false;
    }
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(kAnswerMs)) {
            return false;
        }
    }
    return socket.readLine(64) == QByteArray(kAnswer);
}

void ListenForLaterStarts(std::function<void()> bringBack) {
    const QString path = SocketPath();
    // Lives as long as the program: EndProgram never returns to unwind it.
    auto* server = new QLocalServer;
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(path)) {
        // Nobody answered there a moment ago: a copy that crashed or hung
        // left it. This start takes the name over.
        QLocalServer::removeServer(path);
        if (!server->listen(path)) {
            delete server;
            return;
        }
    }
    QObject::connect(server, &QLocalServer::newConnection, server, [server, bringBack] {
        while (QLocalSocket* socket = server->nextPendingConnection()) {
            Serve(socket, bringBack);
        }
    });
    RemoveSocketOnSignals(path);
    ui::AddCleanup([server] { server->close(); });
}

}  // namespace avatrix::app
