#include "web/RequestWait.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <chrono>

namespace avatrix::web::detail {

void FinishRequest(RequestState& state) {
    std::lock_guard lock(state.mutex);
    state.done = true;
    if (state.waiter) {
        state.waiter->wakeUp();
    }
    state.ended.notify_all();
}

namespace {

bool IsDone(RequestState& state) {
    std::lock_guard lock(state.mutex);
    return state.done;
}

// One pass: returns when the worker has ended, an event has arrived (and
// been dispatched) or the whole limit has passed.
void WaitOnePass(RequestState& state, QAbstractEventDispatcher* dispatcher, int limitMs) {
    const auto limit = std::chrono::milliseconds(limitMs > 0 ? limitMs : 0);
    if (!dispatcher) {
        // No event loop on this thread: nothing to dispatch, just wait.
        std::unique_lock lock(state.mutex);
        state.ended.wait_for(lock, limit, [&] { return state.done; });
        return;
    }
    if (IsDone(state)) {
        return;
    }
    QTimer limitTimer;
    limitTimer.setSingleShot(true);
    limitTimer.start(limit);
    // The worker wakes the dispatcher when it ends; the wake-up is kept if
    // it comes before the dispatcher starts to block.
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

}  // namespace

WaitOutcome WaitForWorker(RequestState& state, int limitMs) {
    QAbstractEventDispatcher* dispatcher =
        QAbstractEventDispatcher::instance(QThread::currentThread());
    {
        std::lock_guard lock(state.mutex);
        state.waiter = dispatcher;
    }
    const auto start = std::chrono::steady_clock::now();
    WaitOutcome outcome = WaitOutcome::TimedOut;
    for (;;) {
        WaitOnePass(state, dispatcher, limitMs);
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - start)
                                 .count();
        const bool timedOut = elapsed >= limitMs;
        const bool ended = IsDone(state);
        if (dispatcher) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        }
        if (timedOut || ended) {
            outcome = timedOut ? WaitOutcome::TimedOut : WaitOutcome::Ended;
            break;
        }
    }
    std::lock_guard lock(state.mutex);
    state.waiter = nullptr;
    return outcome;
}

}  // namespace avatrix::web::detail
