#include "WaitUntil.h"

#include <poll.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <thread>

namespace avatrix::test {

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    const QCoreApplication* app = QCoreApplication::instance();
    const bool dispatch = app != nullptr && QThread::currentThread() == app->thread();
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return done();
        }
        if (dispatch) {
            QEventLoop loop;
            QTimer::singleShot(5, &loop, &QEventLoop::quit);
            loop.exec();
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    return true;
}

std::string ReadLine(int fd, std::chrono::milliseconds limit) {
    std::string line;
    bool complete = false;
    WaitUntil(
        [&] {
            pollfd ready{fd, POLLIN, 0};
            char c = 0;
            while (!complete && ::poll(&ready, 1, 0) > 0) {
                if (::read(fd, &c, 1) != 1) {
                    return true;  // the writer is gone
                }
                complete = c == '\n';
                line += complete ? "" : std::string(1, c);
            }
            return complete;
        },
        limit);
    return complete ? line : std::string();
}

}  // namespace avatrix::test
