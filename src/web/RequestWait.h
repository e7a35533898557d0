#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "web/WebRequest.h"

class QAbstractEventDispatcher;

namespace avatrix::web::detail {

// One request as its worker sees it. The worker owns this state together
// with the caller; after a timeout the caller lets go of it, so whatever the
// worker still writes lands here and nowhere else.
struct RequestState {
    WebRequestRecord record;
    std::atomic<bool> abort{false};

    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;                           // guarded by mutex
    QAbstractEventDispatcher* waiter = nullptr;  // guarded by mutex; woken at the end
};

// Marks the request as ended and wakes whoever waits for it.
void FinishRequest(RequestState& state);

enum class WaitOutcome { Ended, TimedOut };

// Waits for the worker while dispatching the calling thread's events. Every
// pass waits up to the whole limit again (or until the worker ends or an
// event arrives); once a pass ends with the limit reached the outcome is a
// timeout, even if the worker ended in that same pass.
WaitOutcome WaitForWorker(RequestState& state, int limitMs);

}  // namespace avatrix::web::detail
