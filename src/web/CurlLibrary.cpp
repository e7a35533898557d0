// libcurl is opened when the first HTTP request is made, not when the program
// starts: a program that only reads its notice page from disk never loads
// libcurl, the TLS library or anything else under them. The definitions here
// stand in for the entry points of libcurl the web layer calls and forward to
// the library once it is open; when it cannot be opened they fail as libcurl
// itself fails when it has no memory, and requests end without an answer.

#include <curl/curl.h>
#include <dlfcn.h>

#include <cstdarg>
#include <mutex>

namespace {

struct Entries {
    decltype(&curl_global_init) globalInit = nullptr;
    decltype(&curl_easy_init) easyInit = nullptr;
    decltype(&curl_easy_setopt) easySetopt = nullptr;
    decltype(&curl_easy_getinfo) easyGetinfo = nullptr;
    decltype(&curl_easy_perform) easyPerform = nullptr;
    decltype(&curl_easy_cleanup) easyCleanup = nullptr;
    decltype(&curl_share_init) shareInit = nullptr;
    decltype(&curl_share_setopt) shareSetopt = nullptr;
    decltype(&curl_share_cleanup) shareCleanup = nullptr;
    decltype(&curl_slist_append) slistAppend = nullptr;
    decltype(&curl_slist_free_all) slistFreeAll = nullptr;
    decltype(&curl_url) url = nullptr;
    decltype(&curl_url_set) urlSet = nullptr;
    decltype(&curl_url_get) urlGet = nullptr;
    decltype(&curl_url_cleanup) urlCleanup = nullptr;
    decltype(&curl_free) free = nullptr;
};

template <typename T>
bool Find(void* library, const char* name, T& entry) {
    entry = reinterpret_cast<T>(dlsym(library, name));
    return entry != nullptr;
}

// All of them or none: a library without one of them is not used at all.
const Entries* Library() {
    static Entries entries;
    static bool complete = false;
    static std::once_flag once;
    std::call_once(once, [] {
        // Never closed: handles and the TLS library's state live until the
        // process ends.
        void* library = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) {
            return;
        }
        Entries found;
        complete = Find(library, "curl_global_init", found.globalInit) &&
                   Find(library, "curl_easy_init", found.easyInit) &&
                   Find(library, "curl_easy_setopt", found.easySetopt) &&
                   Find(library, "curl_easy_getinfo", found.easyGetinfo) &&
                   Find(library, "curl_easy_perform", found.easyPerform) &&
                   Find(library, "curl_easy_cleanup", found.easyCleanup) &&
                   Find(library, "curl_share_init", found.shareInit) &&
                   Find(library, "curl_share_setopt", found.shareSetopt) &&
                   Find(library, "curl_share_cleanup", found.shareCleanup) &&
                   Find(library, "curl_slist_append", found.slistAppend) &&
                   Find(library, "curl_slist_free_all", found.slistFreeAll) &&
                   Find(library, "curl_url", found.url) &&
                   Find(library, "curl_url_set", found.urlSet) &&
                   Find(library, "curl_url_get", found.urlGet) &&
                   Find(library, "curl_url_cleanup", found.urlCleanup) &&
                   Find(library, "curl_free", found.free);
        if (complete) {
            entries = found;
        }
    });
    return complete ? &entries : nullptr;
}

}  // namespace

extern "C" {

CURLcode curl_global_init(long flags) {
    const Entries* curl = Library();
    return curl ? curl->globalInit(flags) : CURLE_FAILED_INIT;
}

CURL* curl_easy_init(void) {
    const Entries* curl = Library();
    return curl ? curl->easyInit() : nullptr;
}

// An option's number says the type of its one argument.
CURLcode curl_easy_setopt(CURL* handle, CURLoption option, ...) {
    const Entries* curl = Library();
    if (curl == nullptr) {
        return CURLE_FAILED_INIT;
    }
    va_list args;
    va_start(args, option);
    CURLcode result;
    if (option < CURLOPTTYPE_OBJECTPOINT) {
        result = curl->easySetopt(handle, option, va_arg(args, long));
    } else if (option < CURLOPTTYPE_FUNCTIONPOINT) {
        result = curl->easySetopt(handle, option, va_arg(args, void*));
    } else if (option < CURLOPTTYPE_OFF_T) {
        result = curl->easySetopt(handle, option, va_arg(args, void (*)()));
    } else if (option < CURLOPTTYPE_BLOB) {
        result = curl->easySetopt(handle, option, va_arg(args, curl_off_t));
    } else {
        result = curl->easySetopt(handle, option, va_arg(args, void*));
    }
    va_end(args);
    return result;
}

// Every piece of information is written through the one pointer given.
CURLcode curl_easy_getinfo(CURL* handle, CURLINFO info, ...) {
    const Entries* curl = Library();
    if (curl == nullptr) {
        return CURLE_FAILED_INIT;
    }
    va_list args;
    va_start(args, info);
    const CURLcode result = curl->easyGetinfo(handle, info, va_arg(args, void*));
    va_end(args);
    return result;
}

CURLcode curl_easy_perform(CURL* handle) {
    const Entries* curl = Library();
    return curl ? curl->easyPerform(handle) : CURLE_FAILED_INIT;
}

void curl_easy_cleanup(CURL* handle) {
    if (const Entries* curl = Library()) {
        curl->easyCleanup(handle);
    }
}

CURLSH* curl_share_init(void) {
    const Entries* curl = Library();
    return curl ? curl->shareInit() : nullptr;
}

CURLSHcode curl_share_setopt(CURLSH* share, CURLSHoption option, ...) {
    const Entries* curl = Library();
    if (curl == nullptr) {
        return CURLSHE_NOT_BUILT_IN;
    }
    va_list args;
    va_start(args, option);
    CURLSHcode result;
    switch (option) {
        case CURLSHOPT_SHARE:
        case CURLSHOPT_UNSHARE:
            result = curl->shareSetopt(share, option, va_arg(args, int));
            break;
        case CURLSHOPT_LOCKFUNC:
        case CURLSHOPT_UNLOCKFUNC:
            result = curl->shareSetopt(share, option, va_arg(args, void (*)()));
            break;
        default:
            result = curl->shareSetopt(share, option, va_arg(args, void*));
            break;
    }
    va_end(args);
    return result;
}

CURLSHcode curl_share_cleanup(CURLSH* share) {
    const Entries* curl = Library();
    return curl ? curl->shareCleanup(share) : CURLSHE_NOT_BUILT_IN;
}

curl_slist* curl_slist_append(curl_slist* list, const char* line) {
    const Entries* curl = Library();
    return curl ? curl->slistAppend(list, line) : nullptr;
}

void curl_slist_free_all(curl_slist* list) {
    if (const Entries* curl = Library()) {
        curl->slistFreeAll(list);
    }
}

CURLU* curl_url(void) {
    const Entries* curl = Library();
    return curl ? curl->url() : nullptr;
}

CURLUcode curl_url_set(CURLU* url, CURLUPart part, const char* content, unsigned int flags) {
    const Entries* curl = Library();
    return curl ? curl->urlSet(url, part, content, flags) : CURLUE_OUT_OF_MEMORY;
}

CURLUcode curl_url_get(CURLU* url, CURLUPart part, char** content, unsigned int flags) {
    const Entries* curl = Library();
    return curl ? curl->urlGet(url, part, content, flags) : CURLUE_OUT_OF_MEMORY;
}

void curl_url_cleanup(CURLU* url) {
    if (const Entries* curl = Library()) {
        curl->urlCleanup(url);
    }
}

void curl_free(void* pointer) {
    if (const Entries* curl = Library()) {
        curl->free(pointer);
    }
}

}  // extern "C"
