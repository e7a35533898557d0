#pragma once

#include <curl/curl.h>

#include <memory>
#include <string>
#include <vector>

// libcurl handles owned by RAII wrappers, and the process-wide cookie store
// every request shares.
namespace avatrix::web::detail {

struct EasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;

struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using HeaderList = std::unique_ptr<curl_slist, SlistDeleter>;

// Initialises libcurl (and the TLS library under it) once for the process.
void InitialiseCurl();

// A fresh easy handle after the library has been initialised once for the
// process; null when libcurl cannot provide one.
EasyHandle NewEasyHandle();

// Appends a line to the list; false when libcurl runs out of memory.
bool AppendLine(HeaderList& list, const std::string& line);

// The stored cookies as Netscape cookie-file lines, ready to load into a
// request handle's own cookie engine.
std::vector<std::string> StoredCookieLines();

// The cookie-file lines that store a cookie for `host` alone (no
// subdomains), as a server's Set-Cookie value "name=data" would set it;
// attributes such as path or expiry may follow in `data`. An empty name
// stores the data as a cookie of its own. A cookie marked Secure that did not
// come over a secure connection gives none.
std::vector<std::string> CookieLinesFor(const std::string& host, const std::string& name,
                                        const std::string& data, bool secureOrigin);

// Adds the cookie CookieLinesFor describes to the shared store.
void StoreCookie(const std::string& host, const std::string& name, const std::string& data,
                 bool secureOrigin);

}  // namespace avatrix::web::detail
