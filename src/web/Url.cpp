#include "web/Url.h"

#include "text/Primitives.h"

namespace avatrix::web {

namespace {

const Text kHttp("http://");
const Text kHttps("https://");

// 1-based position just after a leading scheme marker, 1 when there is none.
int AfterScheme(const Text& url) {
    if (LeftText(url, 8) == kHttps) {
        return 9;
    }
    if (LeftText(url, 7) == kHttp) {
        return 8;
    }
    return 1;
}

}  // namespace

Text NormalizeUrl(const Text& url) {
    if (LeftText(url, 7) == kHttp || LeftText(url, 8) == kHttps) {
        return url;
    }
    return kHttp + url;
}

bool IsSecureUrl(const Text& url) {
    return FindText(ToLowerAscii(url), kHttps, 1) > 0;
}

Text GetUrlHost(const Text& url) {
    Text rest = ReplaceAll(url, kHttps);
    rest = ReplaceAll(rest, kHttp);
    if (int slash = FindText(rest, Text("/")); slash > 0) {
        rest = LeftText(rest, slash - 1);
    }
    if (int colon = FindText(rest, Text(":")); colon > 0) {
        rest = LeftText(rest, colon - 1);
    }
    return ToLowerAscii(rest);
}

Text GetUrlObject(const Text& url) {
    const Text host = GetUrlHost(url);
    // The host is looked for after the scheme marker: a short host such as
    // "h" or "t" would otherwise be found inside "http" itself and the
    // object would start at the scheme's "//".
    const int hostAt = FindText(url, host, AfterScheme(url), true);
    const int slash = FindText(url, Text("/"), hostAt);
    if (slash <= 0) {
        return Text("/");
    }
    return MidText(url, slash, TextLength(url) - slash + 1);
}

int GetUrlPort(const Text& url) {
    Text authority;
    if (CompareText(LeftText(url, 7), kHttp, false) == 0) {
        const int slash = FindText(url, Text("/"), 8);
        authority = slash > 0 ? MidText(url, 8, slash - 8) : RightText(url, TextLength(url) - 7);
    } else {
        const int slash = FindText(url, Text("/"));
        authority = slash > 0 ? LeftText(url, slash - 1) : url;
    }
    Text portText("80");
    if (int colon = FindText(authority, Text(":")); colon > 0) {
        portText = RightText(authority, TextLength(authority) - colon);
    }
    return TruncateToInt(ToNumber(portText));
}

}  // namespace avatrix::web
