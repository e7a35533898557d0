#include "web/CurlHandles.h"

#include <array>
#include <mutex>
#include <string_view>

#include "text/Primitives.h"
#include "trace/StartupTrace.h"

namespace avatrix::web::detail {

namespace {

struct ShareDeleter {
    void operator()(CURLSH* share) const { curl_share_cleanup(share); }
};

// One cookie jar for the whole process. libcurl guards it through these
// callbacks, so workers on different threads can read and add cookies at the
// same time.
class CookieShare {
  public:
    CookieShare() : share_(curl_share_init()) {
        if (share_) {
            curl_share_setopt(share_.get(), CURLSHOPT_LOCKFUNC, &CookieShare::Lock);
            curl_share_setopt(share_.get(), CURLSHOPT_UNLOCKFUNC, &CookieShare::Unlock);
            curl_share_setopt(share_.get(), CURLSHOPT_USERDATA, this);
            curl_share_setopt(share_.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
        }
    }

    // An easy handle that sees the shared jar; null when none can be made.
    EasyHandle Attach() const {
        EasyHandle handle(curl_easy_init());
        if (handle && share_) {
            curl_easy_setopt(handle.get(), CURLOPT_SHARE, share_.get());
            curl_easy_setopt(handle.get(), CURLOPT_COOKIEFILE, "");
            return handle;
        }
        return nullptr;
    }

  private:
    static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
        static_cast<CookieShare*>(self)->MutexFor(data).lock();
    }
    static void Unlock(CURL*, curl_lock_data data, void* self) {
        static_cast<CookieShare*>(self)->MutexFor(data).unlock();
    }
    std::mutex& MutexFor(curl_lock_data data) {
        const auto index = static_cast<std::size_t>(data);
        return mutexes_[index < mutexes_.size() ? index : 0];
    }

    std::array<std::mutex, CURL_LOCK_DATA_LAST> mutexes_;
    std::unique_ptr<CURLSH, ShareDeleter> share_;
};

CookieShare& Share() {
    InitialiseCurl();
    // Never destroyed: a worker that outlives main may still reach it.
    static CookieShare* share = new CookieShare();
    return *share;
}

std::vector<std::string> ListOf(CURL* handle) {
    std::vector<std::string> lines;
    curl_slist* raw = nullptr;
    if (curl_easy_getinfo(handle, CURLINFO_COOKIELIST, &raw) == CURLE_OK) {
        HeaderList list(raw);
        for (const curl_slist* item = raw; item; item = item->next) {
            lines.emplace_back(item->data);
        }
    }
    return lines;
}

// Splits a Netscape cookie line at its tabs.
std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t from = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', from);
        fields.push_back(line.substr(from, tab - from));
        if (tab == std::string::npos) {
            return fields;
        }
        from = tab + 1;
    }
}

std::string Joined(const std::vector<std::string>& fields) {
    std::string line;
    for (const std::string& field : fields) {
        if (!line.empty()) {
            line += '\t';
        }
        line += field;
    }
    return line;
}

bool HasLineBreak(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

// Whether an attribute after the value is a bare Secure, in any letter case.
bool HasSecureAttribute(std::string_view data) {
    constexpr auto npos = std::string_view::npos;
    for (std::size_t from = data.find(';'); from != npos;) {
        const std::size_t end = data.find(';', from + 1);
        std::string_view attribute = data.substr(from + 1, end == npos ? npos : end - from - 1);
        const std::size_t first = attribute.find_first_not_of(" \t");
        attribute = first == npos
                        ? std::string_view()
                        : attribute.substr(first, attribute.find_last_not_of(" \t") - first + 1);
        if (EqualIgnoringAsciiCase(attribute, "secure")) {
            return true;
        }
        from = end;
    }
    return false;
}

}  // namespace

void InitialiseCurl() {
    static std::once_flag once;
    std::call_once(once, [] {
        trace::Span span("http library start");
        curl_global_init(CURL_GLOBAL_DEFAULT);
    });
}

EasyHandle NewEasyHandle() {
    InitialiseCurl();
    return EasyHandle(curl_easy_init());
}

bool AppendLine(HeaderList& list, const std::string& line) {
    curl_slist* grown = curl_slist_append(list.get(), line.c_str());
    if (!grown) {
        return false;
    }
    list.release();
    list.reset(grown);
    return true;
}

std::vector<std::string> StoredCookieLines() {
    EasyHandle handle = Share().Attach();
    return handle ? ListOf(handle.get()) : std::vector<std::string>();
}

std::vector<std::string> CookieLinesFor(const std::string& host, const std::string& name,
                                        const std::string& data, bool secureOrigin) {
    if (host.empty() || HasLineBreak(host) || HasLineBreak(name) || HasLineBreak(data) ||
        host.find('\t') != std::string::npos) {
        return {};
    }
    std::vector<std::string> parsed;
    if (name.empty()) {
        // libcurl refuses nameless cookies, so the data up to its first
        // attribute becomes the cookie's name with an empty value.
        const std::string bare = data.substr(0, data.find(';'));
        if (bare.empty() || bare.find('\t') != std::string::npos) {
            return {};
        }
        const bool secure = HasSecureAttribute(data);
        parsed.push_back(Joined({host, "FALSE", "/", secure ? "TRUE" : "FALSE", "0", bare, ""}));
    } else {
        // A private jar parses the attributes exactly as a response's
        // Set-Cookie would be parsed.
        EasyHandle scratch = NewEasyHandle();
        if (!scratch) {
            return {};
        }
        curl_easy_setopt(scratch.get(), CURLOPT_COOKIEFILE, "");
        // The domain put last only lets libcurl accept the cookie; the
        // stored line is bound to the host below whatever it says.
        const std::string header = "Set-Cookie: " + name + "=" + data + "; domain=" + host;
        curl_easy_setopt(scratch.get(), CURLOPT_COOKIELIST, header.c_str());
        parsed = ListOf(scratch.get());
    }
    std::vector<std::string> lines;
    for (const std::string& line : parsed) {
        std::vector<std::string> fields = Fields(line);
        // A Secure cookie from plain http could overwrite one a secure site
        // set; it is not kept.
        if (fields.size() != 7 || (fields[3] == "TRUE" && !secureOrigin)) {
            continue;
        }
        // Bound to the host the cookie came from, whatever domain its
        // attributes named.
        const bool httpOnly = fields[0].rfind("#HttpOnly_", 0) == 0;
        fields[0] = (httpOnly ? "#HttpOnly_" : "") + host;
        fields[1] = "FALSE";
        lines.push_back(Joined(fields));
    }
    return lines;
}

void StoreCookie(const std::string& host, const std::string& name, const std::string& data,
                 bool secureOrigin) {
    const std::vector<std::string> lines = CookieLinesFor(host, name, data, secureOrigin);
    if (lines.empty()) {
        return;
    }
    EasyHandle shared = Share().Attach();
    if (!shared) {
        return;
    }
    for (const std::string& line : lines) {
        curl_easy_setopt(shared.get(), CURLOPT_COOKIELIST, line.c_str());
    }
}

}  // namespace avatrix::web::detail
