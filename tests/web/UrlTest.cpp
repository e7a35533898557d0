#include <gtest/gtest.h>

#include "text/Primitives.h"
#include "web/Url.h"

namespace avatrix::web {
namespace {

struct Split {
    std::string normalized;
    bool secure;
    std::string host;
    std::string object;
    int port;
};

Split SplitUrl(const char* url) {
    const Text normalized = NormalizeUrl(Text(url));
    return {normalized.bytes(), IsSecureUrl(normalized), GetUrlHost(normalized).bytes(),
            GetUrlObject(normalized).bytes(), GetUrlPort(normalized)};
}

TEST(Url, SchemeIsAddedOnlyWhenMissingInExactCase) {
    EXPECT_EQ(NormalizeUrl(Text("http://a/")), Text("http://a/"));
    EXPECT_EQ(NormalizeUrl(Text("https://a/")), Text("https://a/"));
    EXPECT_EQ(NormalizeUrl(Text("a/b")), Text("http://a/b"));
    EXPECT_EQ(NormalizeUrl(Text(" http://a")), Text("http:// http://a"));  // not trimmed
    EXPECT_EQ(NormalizeUrl(Text("Http://a")), Text("http://Http://a"));
}

TEST(Url, HostPortAndObjectOfPlainUrls) {
    const Split bare = SplitUrl("h:81/p");
    EXPECT_EQ(bare.normalized, "http://h:81/p");
    EXPECT_EQ(bare.host, "h");
    EXPECT_EQ(bare.port, 81);
    EXPECT_EQ(bare.object, "/p");
    EXPECT_FALSE(bare.secure);

    const Split noPath = SplitUrl("http://example.org");
    EXPECT_EQ(noPath.host, "example.org");
    EXPECT_EQ(noPath.object, "/");
    EXPECT_EQ(noPath.port, 80);

    const Split colonInPath = SplitUrl("http://example.org/a:99/b?x=1");
    EXPECT_EQ(colonInPath.port, 80);
    EXPECT_EQ(colonInPath.object, "/a:99/b?x=1");

    const Split capitals = SplitUrl("http://WWW.Example.ORG:8080/Some/Path?Q=A");
    EXPECT_EQ(capitals.host, "www.example.org");
    EXPECT_EQ(capitals.object, "/Some/Path?Q=A");
    EXPECT_EQ(capitals.port, 8080);
}

TEST(Url, ShortHostsAreNotFoundInsideTheScheme) {
    for (const char* host : {"h", "t", "p", "s", "ht", "http", "ps"}) {
        const std::string url = std::string("http://") + host + "/x";
        EXPECT_EQ(SplitUrl(url.c_str()).object, "/x") << host;
        const std::string secure = std::string("https://") + host + ":9/y";
        EXPECT_EQ(SplitUrl(secure.c_str()).object, "/y") << host;
    }
}

TEST(Url, SecureAnywhereInTheUrl) {
    EXPECT_TRUE(SplitUrl("https://a:8443/x").secure);
    EXPECT_TRUE(SplitUrl("HTTPS://a/x").secure);  // scheme in capitals, found ignoring case

    const Split query = SplitUrl("http://a/b?next=https://c/d");
    EXPECT_TRUE(query.secure);
    EXPECT_EQ(query.host, "a");
    EXPECT_EQ(query.object, "/b?next=https://c/d");
}

TEST(Url, SchemeInCapitalsBecomesTheHost) {
    const Split split = SplitUrl("HTTP://Example.org/x");
    EXPECT_EQ(split.normalized, "http://HTTP://Example.org/x");
    EXPECT_EQ(split.host, "http");
    EXPECT_EQ(split.port, 0);
    EXPECT_EQ(split.object.front(), '/');
}

TEST(Url, PortTextIsReadAsANumber) {
    EXPECT_EQ(SplitUrl("http://a:81abc/").port, 81);
    EXPECT_EQ(SplitUrl("http://a:abc/").port, 0);
    EXPECT_EQ(SplitUrl("http://a:/").port, 0);
    EXPECT_EQ(SplitUrl("http://a:99999/").port, 99999);  // no range check
    EXPECT_EQ(SplitUrl("http://a:-5/").port, -5);
    EXPECT_EQ(SplitUrl("http://a:8080.9/").port, 8080);  // truncated
    EXPECT_EQ(SplitUrl("http://a:1:2/").port, 1);
    // Full-width digits count as digits.
    EXPECT_EQ(GetUrlPort(Text("http://a:\xA3\xB8\xA3\xB1/")), 81);
    // Without an http scheme the authority is what precedes the first "/".
    EXPECT_EQ(GetUrlPort(Text("https://a:8443/")), 0);
    EXPECT_EQ(GetUrlPort(Text("a:81")), 81);
}

TEST(Url, EveryObjectBeginsWithASlashAndHostsAreLowerCase) {
    for (const char* odd : {"", "http://", "https://", ":", "/", "http:///", "a:b:c", "?q",
                            "http://\xB0/\xC1", "http://A\xB0Z/", "http://x.com?u=http://y"}) {
        const Text normalized = NormalizeUrl(Text(odd));
        EXPECT_EQ(GetUrlObject(normalized).bytes().substr(0, 1), "/") << odd;
        const Text host = GetUrlHost(normalized);
        EXPECT_EQ(ToLowerAscii(host), host) << odd;
    }
}

}  // namespace
}  // namespace avatrix::web
