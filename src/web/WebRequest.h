#pragma once

#include <atomic>
#include <chrono>
#include <optional>
#include <vector>

#include "text/Text.h"

namespace avatrix::web {

// What the caller and the worker of one request exchange: seven byte sets.
// Texts are stored as their bytes; reading a slot as text stops at its first
// NUL byte.
//   slot      written by the caller         after the worker
//   0         the URL                       the response body
//   1         "POST" or "GET"               unchanged
//   2         proxy                         unchanged
//   3         extra header lines            unchanged
//   4         request body                  unchanged
//   5         cookie text                   raw response header block (left as
//                                           the cookie text when no handle was had)
//   6         "真" to follow redirects      unchanged (emptied when no handle)
using WebRequestRecord = std::vector<ByteSet>;

enum RecordSlot : std::size_t {
    kSlotUrl = 0,
    kSlotMethod = 1,
    kSlotProxy = 2,
    kSlotHeaders = 3,
    kSlotBody = 4,
    kSlotCookies = 5,
    kSlotRedirects = 6,
    kRecordSlots = 7,
};

inline constexpr int kMethodPost = 1;
inline constexpr int kCharsetUtf8 = 1;
inline constexpr int kCharsetBig5 = 2;
inline constexpr int kDefaultTimeoutSeconds = 60;

// One HTTP or HTTPS request on a worker thread. The calling thread waits for
// it for at most the time limit while it keeps dispatching its Qt events, so
// windows stay responsive and other handlers (another request included) can
// run meanwhile.
//
// url             normalised and split as Url.h says; blank gives an empty
//                 result at once
// method          kMethodPost for POST, anything else GET
// proxy           "host:port", used for http requests only
// headers         extra request header lines, each ended by CRLF
// postData        request body, sent byte for byte
// cookies         Cookie header text (sent with a POST body); when not blank,
//                 stored cookies are not sent over http
// timeoutSeconds  limit for the whole transaction; absent means 60 s, 0 is
//                 used as given
// responseHeaders receives the raw response header block, untouched on
//                 timeout
// charset         kCharsetUtf8 or kCharsetBig5 convert the body to GBK (cut
//                 at its first NUL); anything else returns it unchanged
//
// Returns the body, the bytes of the timeout message, or an empty set.
ByteSet WebRequest(const Text& url, std::optional<int> method = std::nullopt,
                   std::optional<Text> proxy = std::nullopt,
                   std::optional<Text> headers = std::nullopt,
                   std::optional<ByteSet> postData = std::nullopt,
                   std::optional<Text> cookies = std::nullopt,
                   std::optional<int> timeoutSeconds = std::nullopt,
                   Text* responseHeaders = nullptr, std::optional<int> charset = std::nullopt);

// The text a request that ran out of time returns.
Text TimeoutMessage();

// The worker's procedure: performs the request the record describes and
// writes the results into it. Runs on the worker thread; gives up early, and
// stores no cookie, once `abort` is set. WebRequest has already refused a
// URL or cookie text holding a line break, so none reaches it.
void WebRequestWorker(WebRequestRecord& record, const std::atomic<bool>& abort);

// Stops the requests that ran out of time and are still running: asks each
// to give up and waits for them up to `bound`. Registered as a clean-up of
// the program on the first request.
void StopOutstandingRequests(std::chrono::milliseconds bound);

// Workers that ran out of time and have not ended yet.
int OutstandingRequestCount();

}  // namespace avatrix::web
