#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "text/Literal.h"
#include "text/Primitives.h"
#include "web/CurlHandles.h"
#include "web/RequestHeaders.h"
#include "web/ResponseHeaders.h"
#include "web/UpdateCheck.h"
#include "web/Url.h"
#include "web/WebRequest.h"

namespace avatrix::web {

namespace {

using detail::EasyHandle;
using detail::HeaderList;

constexpr char kDefaultAgent[] =
    "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1; .NET CLR 2.0.50727; .NET CLR "
    "3.0.04506.648; .NET CLR 3.5.21022)";
constexpr int kMaxRedirects = 20;
// A notice page is a few kilobytes; a body beyond this is cut off and the
// request fails as if nothing had answered, rather than filling memory for
// the whole time limit.
constexpr std::size_t kMaxBodyBytes = 1024 * 1024;

struct UrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlDeleter>;

struct PartDeleter {
    void operator()(char* part) const { curl_free(part); }
};

// Scheme and host of an absolute URL in lower case; empty when it does not
// parse.
struct Origin {
    std::string scheme;
    std::string host;
};
Origin OriginOf(const std::string& url) {
    UrlHandle handle(curl_url());
    if (!handle || curl_url_set(handle.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) {
        return {};
    }
    Origin origin;
    char* part = nullptr;
    if (curl_url_get(handle.get(), CURLUPART_SCHEME, &part, 0) == CURLUE_OK) {
        origin.scheme = std::unique_ptr<char, PartDeleter>(part).get();
    }
    if (curl_url_get(handle.get(), CURLUPART_HOST, &part, 0) == CURLUE_OK) {
        origin.host = std::unique_ptr<char, PartDeleter>(part).get();
    }
    for (char& c : origin.host) {
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return origin;
}

// Bytes a request line cannot carry raw are percent-encoded; everything
// else of the object is sent as written.
std::string EscapeObject(std::string_view object) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string escaped;
    for (char c : object) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F) {
            escaped += '%';
            escaped += kHex[byte >> 4];
            escaped += kHex[byte & 0x0F];
        } else {
            escaped += c;
        }
    }
    return escaped;
}

// The port travels as a 16-bit number, and 0 stands for the scheme's default.
int EffectivePort(int port, bool secure) {
    const auto wire = static_cast<std::uint16_t>(static_cast<unsigned int>(port));
    if (wire == 0) {
        return secure ? 443 : 80;
    }
    return wire;
}

// What one transfer delivers: the body, and the header block of the latest
// response it saw.
struct Transfer {
    const std::atomic<bool>* abort = nullptr;
    std::string url;  // where the response came from
    ByteSet body;
    HeaderBlockCollector headers;
    bool tooLarge = false;
};

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    if (transfer->abort->load()) {
        return 0;
    }
    const std::size_t length = size * count;
    if (length > kMaxBodyBytes - transfer->body.size()) {
        transfer->tooLarge = true;
        return 0;  // ends the transfer at once
    }
    transfer->body.insert(transfer->body.end(), data, data + length);
    return length;
}

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
    static_cast<Transfer*>(user)->headers.Add(std::string_view(data, size * count));
    return size * count;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<const std::atomic<bool>*>(user)->load() ? 1 : 0;
}

bool IsRedirect(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

struct RequestPlan {
    bool post = false;
    bool secure = false;
    std::string url;  // what libcurl is asked for
    std::string agent;
    std::string proxy;  // empty: direct
    bool sendStoredCookies = false;
    bool followRedirects = false;
    std::vector<std::string> headerLines;
    ByteSet body;
};

void ApplyHop(CURL* handle, const RequestPlan& plan, const std::string& url, bool post,
              const HeaderList& headers) {
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    const bool viaProxy = !plan.proxy.empty() && OriginOf(url).scheme == "http";
    curl_easy_setopt(handle, CURLOPT_PROXY, viaProxy ? plan.proxy.c_str() : "");
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get());
    if (post) {
        static const char kNoBody[] = "";
        const char* body =
            plan.body.empty() ? kNoBody : reinterpret_cast<const char*>(plan.body.data());
        curl_easy_setopt(handle, CURLOPT_POSTFIELDS, body);
        curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(plan.body.size()));
        curl_easy_setopt(handle, CURLOPT_POST, 1L);
    } else {
        curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
    }
}

// Performs the request, following redirects by hand so that each hop gets
// the proxy, method and header lines that fit it. Returns the last
// response's transfer.
Transfer Perform(CURL* handle, const RequestPlan& plan, const std::atomic<bool>& abort) {
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(handle, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_NOPROXY, "");
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L);
    if (!plan.agent.empty()) {
        curl_easy_setopt(handle, CURLOPT_USERAGENT, plan.agent.c_str());
    }
    if (plan.sendStoredCookies) {
        curl_easy_setopt(handle, CURLOPT_COOKIEFILE, "");
        for (const std::string& line : detail::StoredCookieLines()) {
            curl_easy_setopt(handle, CURLOPT_COOKIELIST, line.c_str());
        }
    }
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &OnProgress);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &abort);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &OnBody);
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &OnHeader);
    // A length announced beyond the limit fails before any of the body is read.
    curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxBodyBytes));

    std::string url = plan.url;
    bool post = plan.post;
    std::vector<std::string> lines = plan.headerLines;
    Transfer transfer;
    for (int hop = 0;; ++hop) {
        transfer = Transfer{&abort, url, {}, {}, false};
        curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);
        curl_easy_setopt(handle, CURLOPT_HEADERDATA, &transfer);
        HeaderList headers = BuildHeaderList(lines, post);
        ApplyHop(handle, plan, url, post, headers);
        const CURLcode result = curl_easy_perform(handle);
        if (result == CURLE_FILESIZE_EXCEEDED) {
            transfer.tooLarge = true;
        }
        if (result != CURLE_OK || !plan.followRedirects || hop >= kMaxRedirects || abort.load()) {
            return transfer;
        }
        long status = 0;
        char* location = nullptr;
        curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
        curl_easy_getinfo(handle, CURLINFO_REDIRECT_URL, &location);
        if (!IsRedirect(status) || !location) {
            return transfer;
        }
        const std::string next = location;
        const Origin from = OriginOf(url);
        const Origin to = OriginOf(next);
        // Plain requests may move to https; secure ones never fall back to
        // plain http.
        if (to.host.empty() || (to.scheme != "http" && to.scheme != "https") ||
            (plan.secure && to.scheme != "https")) {
            return transfer;
        }
        if (post && status != 307 && status != 308) {
            post = false;
            DropHeaderLines(lines, {"Content-Type", "Content-Length"});
        }
        if (to.host != from.host) {
            DropHeaderLines(lines, {"Cookie", "Authorization"});
        }
        url = next;
    }
}

// Cookies the final response sets are kept for later requests, bound to the
// host that response came from (after a redirect, the host redirected to).
void CaptureCookies(const Text& headerBlock, const std::string& responseUrl) {
    const Origin origin = OriginOf(responseUrl);
    for (const SetCookieValue& cookie : SetCookieValues(headerBlock)) {
        detail::StoreCookie(origin.host, cookie.name, cookie.data, origin.scheme == "https");
    }
}

}  // namespace

void WebRequestWorker(WebRequestRecord& record, const std::atomic<bool>& abort) {
    record.resize(kRecordSlots);
    const Text method = ToText(record[kSlotMethod]);
    const Text headers = ToText(record[kSlotHeaders]);
    const Text cookies = ToText(record[kSlotCookies]);
    const Text proxy = ToText(record[kSlotProxy]);

    const Text url = NormalizeUrl(ToText(record[kSlotUrl]));
    RequestPlan plan;
    plan.secure = IsSecureUrl(url);
    const Text host = GetUrlHost(url);
    const Text object = GetUrlObject(url);

    if (FindText(headers, Text("User-Agent:"), 1, true) > 0) {
        plan.agent = TrimSpaces(TextBetween(headers, Text("User-Agent:"), Text("\r\n"))).bytes();
    } else {
        plan.agent = kDefaultAgent;
    }
    if (!plan.secure) {
        // The proxy serves plain http only; secure requests go direct.
        plan.proxy = proxy.bytes();
    }
    // A secure request carries nothing but its secure flag: it sends stored
    // cookies and follows redirects whatever the caller asked.
    plan.sendStoredCookies = plan.secure || TrimSpaces(cookies).empty();
    plan.followRedirects = plan.secure || ToText(record[kSlotRedirects]) == "真"_gbk;

    const int port = plan.secure ? 443 : GetUrlPort(url);
    plan.url = std::string(plan.secure ? "https://" : "http://") + host.bytes() + ":" +
               std::to_string(EffectivePort(port, plan.secure)) + EscapeObject(object.view());

    EasyHandle handle = detail::NewEasyHandle();
    if (!handle || OriginOf(plan.url).host.empty()) {
        // No handle for this request: nothing is sent, and the cookie text
        // stays where the response headers would have gone.
        record[kSlotUrl].clear();
        record[kSlotRedirects].clear();
        return;
    }

    const bool get = method == Text("GET");
    plan.post = method == Text("POST");
    ByteSet body = record[kSlotBody];
    const Text headerText = BuildHeaderText(headers, url, plan.post, body, cookies);
    plan.headerLines = SplitHeaderLines(headerText);
    if (plan.post) {
        plan.body = std::move(body);
    }

    Transfer transfer;
    if (get || plan.post) {
        transfer = Perform(handle.get(), plan, abort);
    }
    handle.reset();

    if (transfer.tooLarge) {
        // As if nothing had answered: no body, no header block, no cookie.
        transfer.body.clear();
        transfer.headers = HeaderBlockCollector();
    }
    const Text headerBlock = transfer.headers.Block();
    if (!abort.load() && !transfer.tooLarge) {
        CaptureCookies(headerBlock, transfer.url);
    }
    record[kSlotUrl] = std::move(transfer.body);
    record[kSlotCookies] = ToBytes(headerBlock);
}

}  // namespace avatrix::web
