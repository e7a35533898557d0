#include "web/WebRequest.h"

#include <cstdlib>
#include <list>
#include <memory>
#include <mutex>
#include <string_view>
#include <system_error>
#include <thread>

#include "text/Codepage.h"
#include "text/Literal.h"
#include "text/Primitives.h"
#include "ui/Program.h"
#include "web/CurlHandles.h"
#include "web/RequestWait.h"

namespace avatrix::web {

namespace {

using detail::RequestState;

// How long the end of the program waits for requests that ran out of time.
constexpr std::chrono::milliseconds kStopBound{3000};

struct Outstanding {
    std::thread thread;
    std::shared_ptr<RequestState> state;
};

// Workers that ran out of time, kept until they end so that each is joined.
// Never destroyed: the program may end while one still runs.
class Registry {
  public:
    void Add(std::thread thread, std::shared_ptr<RequestState> state) {
        std::lock_guard lock(mutex_);
        ReapEnded();
        items_.push_back({std::move(thread), std::move(state)});
    }

    int Count() {
        std::lock_guard lock(mutex_);
        ReapEnded();
        return static_cast<int>(items_.size());
    }

    void StopAll(std::chrono::milliseconds bound) {
        std::lock_guard lock(mutex_);
        for (Outstanding& item : items_) {
            item.state->abort = true;
        }
        const auto deadline = std::chrono::steady_clock::now() + bound;
        for (Outstanding& item : items_) {
            std::unique_lock stateLock(item.state->mutex);
            item.state->ended.wait_until(stateLock, deadline, [&] { return item.state->done; });
        }
        ReapEnded();
        // What is still running cannot be waited for any longer; it holds
        // only its own state and ends with the process.
        for (Outstanding& item : items_) {
            item.thread.detach();
        }
        items_.clear();
    }

  private:
    void ReapEnded() {
        items_.remove_if([](Outstanding& item) {
            bool done = false;
            {
                std::lock_guard stateLock(item.state->mutex);
                done = item.state->done;
            }
            if (done) {
                item.thread.join();
            }
            return done;
        });
    }

    std::mutex mutex_;
    std::list<Outstanding> items_;
};

Registry& Outstandings() {
    static Registry* registry = new Registry();
    return *registry;
}

void StopAtExit() {
    StopOutstandingRequests(kStopBound);
}

// No request may still run when the program ends: EndProgram runs its
// clean-ups (registered here, on the UI thread), and a process that leaves
// main stops them at exit.
void RegisterCleanupOnce() {
    static std::once_flag once;
    std::call_once(once, [] { ui::AddCleanup(&StopAtExit); });
}

// libcurl and the TLS library under it are set up by the first worker, off
// the UI thread and only once a request is really made. The stop at exit is
// registered after them, so that it runs before their own exit handlers.
void PrepareCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        detail::InitialiseCurl();
        std::atexit(&StopAtExit);
    });
}

Text Blank(const Text& text) {
    return TrimSpaces(text);
}

// A CR or LF would end the request line or a header line early and let the
// rest pass as header lines of its own.
bool HoldsLineBreak(const Text& text) {
    return text.view().find_first_of("\r\n") != std::string_view::npos;
}

}  // namespace

Text TimeoutMessage() {
    return "超时返回，你可以把参数中的超时值设置长一些。"_gbk;
}

void StopOutstandingRequests(std::chrono::milliseconds bound) {
    Outstandings().StopAll(bound);
}

int OutstandingRequestCount() {
    return Outstandings().Count();
}

ByteSet WebRequest(const Text& url, std::optional<int> method, std::optional<Text> proxy,
                   std::optional<Text> headers, std::optional<ByteSet> postData,
                   std::optional<Text> cookies, std::optional<int> timeoutSeconds,
                   Text* responseHeaders, std::optional<int> charset) {
    if (Blank(url).empty() || HoldsLineBreak(url) || HoldsLineBreak(cookies.value_or(Text()))) {
        return {};
    }
    RegisterCleanupOnce();

    auto state = std::make_shared<RequestState>();
    WebRequestRecord& record = state->record;
    record.resize(kRecordSlots);
    record[kSlotUrl] = ToBytes(url);
    record[kSlotMethod] = ToBytes(Text(method.value_or(0) == kMethodPost ? "POST" : "GET"));
    record[kSlotProxy] = ToBytes(proxy.value_or(Text()));
    record[kSlotHeaders] = ToBytes(headers.value_or(Text()));
    record[kSlotBody] = postData.value_or(ByteSet());
    record[kSlotCookies] = ToBytes(cookies.value_or(Text()));
    record[kSlotRedirects] = ToBytes("真"_gbk);

    std::thread worker;
    try {
        worker = std::thread([state] {
            PrepareCurlOnce();
            WebRequestWorker(state->record, state->abort);
            detail::FinishRequest(*state);
        });
    } catch (const std::system_error&) {
        // No worker: the wait below runs out of time and says so.
    }

    const int limitMs =
        timeoutSeconds ? TruncateToInt(*timeoutSeconds * 1000.0) : kDefaultTimeoutSeconds * 1000;
    const detail::WaitOutcome outcome = detail::WaitForWorker(*state, limitMs);

    if (outcome == detail::WaitOutcome::TimedOut) {
        state->abort = true;
        // A worker left behind may still be setting up the TLS library, whose
        // own exit handler would then free its tables under it if the program
        // ended now. Finishing that set-up here (or waiting for the worker's)
        // also registers the stop at exit ahead of those handlers.
        PrepareCurlOnce();
        if (worker.joinable()) {
            Outstandings().Add(std::move(worker), std::move(state));
        }
        return ToBytes(TimeoutMessage());
    }
    worker.join();
    WebRequestRecord result = std::move(state->record);
    if (responseHeaders && result.size() >= 6) {
        *responseHeaders = ToText(result[kSlotCookies]);
    }
    ByteSet& body = result[kSlotUrl];
    switch (charset.value_or(0)) {
        case kCharsetUtf8:
            return ToBytes(Utf8ToGbk(ToText(body)));
        case kCharsetBig5:
            return ToBytes(Big5ToSimplifiedGbk(ToText(body)));
        default:
            return std::move(body);
    }
}

}  // namespace avatrix::web
