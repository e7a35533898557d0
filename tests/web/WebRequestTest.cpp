#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>

#include "WaitUntil.h"
#include "WebTestSupport.h"
#include "text/Literal.h"
#include "text/Primitives.h"
#include "web/CurlHandles.h"
#include "web/WebRequest.h"

namespace avatrix::web::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

constexpr char kAccept[] =
    "image/gif, image/bmp, image/x-xbitmap, image/jpeg, image/pjpeg, "
    "application/x-shockwave-flash, application/vnd.ms-excel, application/vnd.ms-powerpoint, "
    "application/msword, */*";
constexpr char kDefaultAgent[] =
    "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1; .NET CLR 2.0.50727; .NET CLR "
    "3.0.04506.648; .NET CLR 3.5.21022)";

// The header lines the server received, without Host and in order.
std::vector<std::string> Received(const ByteSet& echoed) {
    std::vector<std::string> lines = HeadLines(AsString(echoed));
    std::erase_if(lines, [](const std::string& line) { return line.rfind("Host: ", 0) == 0; });
    return lines;
}

std::string Count() {
    return AsString(WebRequest(Text(WebTest::server().Url("/count"))));
}

// The names of the cookies in the shared store, for whichever host.
std::vector<std::string> StoredNames() {
    std::vector<std::string> names;
    for (const std::string& line : detail::StoredCookieLines()) {
        std::size_t field = 0;
        for (int tab = 0; tab < 5 && field != std::string::npos; ++tab) {
            field = line.find('\t', field);
            field = field == std::string::npos ? field : field + 1;
        }
        if (field != std::string::npos) {
            names.push_back(line.substr(field, line.find('\t', field) - field));
        }
    }
    return names;
}

std::string HttpCount() {
    const std::string count = Count();
    return count.substr(count.find("http="));
}

// Raw worker call, for what WebRequest itself never asks (no redirects, an
// unknown method).
WebRequestRecord RunWorker(const std::string& url, const std::string& method,
                           const std::string& redirects) {
    WebRequestRecord record(kRecordSlots);
    record[kSlotUrl] = AsBytes(url);
    record[kSlotMethod] = AsBytes(method);
    record[kSlotRedirects] = AsBytes(redirects);
    std::atomic<bool> abort{false};
    WebRequestWorker(record, abort);
    return record;
}

using WebRequestTest = WebTest;

TEST_F(WebRequestTest, BlankUrlReturnsAtOnceWithoutTouchingTheHeaders) {
    Text headers("kept");
    EXPECT_THAT(WebRequest(Text("  "), 0, {}, {}, {}, {}, 1, &headers), IsEmpty());
    EXPECT_THAT(WebRequest(Text("\xA1\xA1 \xA1\xA1"), 0, {}, {}, {}, {}, 1, &headers), IsEmpty());
    EXPECT_EQ(headers, Text("kept"));
}

TEST_F(WebRequestTest, GetSendsTheDefaultLinesInOrder) {
    const std::string url = server().Url("/echo?a=1");
    Text headers;
    const ByteSet body = WebRequest(Text(url), {}, {}, {}, {}, {}, {}, &headers);
    EXPECT_THAT(Received(body),
                ElementsAre("GET /echo?a=1 HTTP/1.1", std::string("User-Agent: ") + kDefaultAgent,
                            std::string("Accept: ") + kAccept, "Referer: " + url,
                            "Accept-Language: zh-cn"));
    EXPECT_THAT(headers.bytes(), StartsWith("HTTP/1.1 200 OK\r\n"));
    EXPECT_THAT(headers.bytes(), HasSubstr("\r\nContent-Type: text/plain\r\n"));
    EXPECT_EQ(headers.bytes().substr(headers.size() - 4), "\r\n\r\n");
}

TEST_F(WebRequestTest, UrlWithoutSchemeIsNormalisedForTheReferer) {
    const std::string bare = "127.0.0.1:" + std::to_string(server().httpPort()) + "/echo";
    const auto lines = Received(WebRequest(Text(bare)));
    EXPECT_THAT(ValuesOf(lines, "Referer"), ElementsAre("http://" + bare));
}

TEST_F(WebRequestTest, PostAddsFormTypeLengthAndCookieLinesInOrder) {
    const std::string sent("a=1&b=\0x", 8);
    const ByteSet echoed =
        WebRequest(Url("/echo"), kMethodPost, {}, {}, AsBytes(sent), Text("k=v; k2=w"));
    const std::string text = AsString(echoed);
    EXPECT_THAT(
        Received(echoed),
        ElementsAre("POST /echo HTTP/1.1", std::string("User-Agent: ") + kDefaultAgent,
                    std::string("Accept: ") + kAccept, "Referer: " + server().Url("/echo"),
                    "Accept-Language: zh-cn", "Content-Type: application/x-www-form-urlencoded",
                    "Content-Length: 8", "Cookie: k=v; k2=w"));
    EXPECT_EQ(text.substr(text.find("\r\n\r\n") + 4), sent);  // byte for byte, NUL included
}

TEST_F(WebRequestTest, PostWithoutBodyAddsNoFormLines) {
    const auto lines = Received(WebRequest(Url("/echo"), kMethodPost, {}, {}, {}, Text("k=v")));
    EXPECT_THAT(ValuesOf(lines, "Content-Type"), IsEmpty());
    EXPECT_THAT(ValuesOf(lines, "Cookie"), IsEmpty());
    EXPECT_THAT(ValuesOf(lines, "Content-Length"), ElementsAre("0"));
}

TEST_F(WebRequestTest, RefererNoMarkerIsNotSent) {
    const auto lines =
        Received(WebRequest(Url("/echo"), 0, {}, Text("X-One: 1\r\nRefererNo\r\nX-Two: 2\r\n")));
    EXPECT_THAT(ValuesOf(lines, "Referer"), IsEmpty());
    EXPECT_THAT(lines, Not(::testing::Contains(HasSubstr("RefererNo"))));
    EXPECT_THAT(ValuesOf(lines, "X-One"), ElementsAre("1"));
    EXPECT_THAT(ValuesOf(lines, "X-Two"), ElementsAre("2"));
}

TEST_F(WebRequestTest, AgentComesFromAUserAgentLineInExactCase) {
    const auto own = Received(WebRequest(Url("/echo"), 0, {}, Text("User-Agent: Tester/1.0\r\n")));
    EXPECT_THAT(ValuesOf(own, "User-Agent"), ElementsAre("Tester/1.0"));

    // Found ignoring case, but cut out in exact case: the agent is empty and
    // only the caller's own line goes out.
    const auto lower = Received(WebRequest(Url("/echo"), 0, {}, Text("user-agent: low\r\n")));
    EXPECT_THAT(ValuesOf(lower, "User-Agent"), IsEmpty());
    EXPECT_THAT(ValuesOf(lower, "user-agent"), ElementsAre("low"));

    const auto other = Received(WebRequest(Url("/echo"), 0, {}, Text("X-user-agent: v\r\n")));
    EXPECT_THAT(ValuesOf(other, "User-Agent"), IsEmpty());
    EXPECT_THAT(ValuesOf(other, "X-user-agent"), ElementsAre("v"));
}

TEST_F(WebRequestTest, RedirectsAreFollowed) {
    Text headers;
    const ByteSet body =
        WebRequest(Url("/redirect?to=/echo%3Fafter"), {}, {}, {}, {}, {}, {}, &headers);
    EXPECT_THAT(Received(body), ::testing::Contains("GET /echo?after HTTP/1.1"));
    EXPECT_THAT(headers.bytes(), StartsWith("HTTP/1.1 200 OK\r\n"));
}

TEST_F(WebRequestTest, RedirectIsNotFollowedUnlessAskedWithTheTrueText) {
    for (const std::string flag : {"", "1", "true"}) {
        const WebRequestRecord record = RunWorker(server().Url("/redirect?to=/echo"), "GET", flag);
        EXPECT_EQ(AsString(record[kSlotUrl]), "moved");
        EXPECT_THAT(AsString(record[kSlotCookies]), StartsWith("HTTP/1.1 302 Moved\r\n"));
        EXPECT_THAT(AsString(record[kSlotCookies]), HasSubstr("\r\nLocation: /echo\r\n"));
        EXPECT_EQ(AsString(record[kSlotRedirects]), flag);
    }
}

TEST_F(WebRequestTest, PostRedirectedBy302BecomesAGetWithoutFormLines) {
    const auto moved = Received(
        WebRequest(Url("/redirect?to=/echo"), kMethodPost, {}, {}, AsBytes("a=1"), Text("c=1")));
    ASSERT_FALSE(moved.empty());
    EXPECT_EQ(moved.front(), "GET /echo HTTP/1.1");
    EXPECT_THAT(ValuesOf(moved, "Content-Length"), IsEmpty());
    EXPECT_THAT(ValuesOf(moved, "Content-Type"), IsEmpty());

    const ByteSet kept =
        WebRequest(Url("/redirect?to=/echo&code=307"), kMethodPost, {}, {}, AsBytes("a=1"));
    EXPECT_EQ(Received(kept).front(), "POST /echo HTTP/1.1");
    EXPECT_THAT(AsString(kept), ::testing::EndsWith("\r\n\r\na=1"));
}

TEST_F(WebRequestTest, UnknownMethodTextSendsNothing) {
    const WebRequestRecord record = RunWorker(server().Url("/echo"), "PUT", "真");
    EXPECT_THAT(record[kSlotUrl], IsEmpty());
    EXPECT_EQ(AsString(record[kSlotCookies]), std::string(2048, ' '));
}

TEST_F(WebRequestTest, SetCookieIsStoredAndSentLater) {
    WebRequest(Url("/cookie?set=stored%3Dabc%3B%20Path%3D%2F&set=second%3Dx"));
    const auto later = Received(WebRequest(Url("/echo")));
    const auto cookie = ValuesOf(later, "Cookie");
    ASSERT_EQ(cookie.size(), 1u);
    EXPECT_THAT(cookie[0], HasSubstr("stored=abc"));
    EXPECT_THAT(cookie[0], HasSubstr("second=x"));
    EXPECT_THAT(cookie[0], Not(HasSubstr("Path")));

    // Cookie text on a plain request keeps the stored cookies back, and a
    // GET sends no Cookie line of its own.
    const auto withText = Received(WebRequest(Url("/echo"), 0, {}, {}, {}, Text("mine=1")));
    EXPECT_THAT(ValuesOf(withText, "Cookie"), IsEmpty());
    // Blank cookie text counts as none.
    const auto blank = Received(WebRequest(Url("/echo"), 0, {}, {}, {}, Text("   ")));
    EXPECT_THAT(ValuesOf(blank, "Cookie"), ::testing::SizeIs(1));
}

TEST_F(WebRequestTest, ExpiredCookieIsForgottenAndNamelessOneIsKept) {
    WebRequest(Url("/cookie?set=fleeting%3D1"));
    WebRequest(
        Url("/cookie?set=fleeting%3D%3B%20expires%3DThu,%2001%20Jan%201970%2000:00:00%20GMT"));
    WebRequest(Url("/cookie?set=nameless"));
    const auto cookie = ValuesOf(Received(WebRequest(Url("/echo"))), "Cookie");
    ASSERT_EQ(cookie.size(), 1u);
    EXPECT_THAT(cookie[0], Not(HasSubstr("fleeting")));
    EXPECT_THAT(cookie[0], HasSubstr("nameless"));
}

TEST_F(WebRequestTest, CookiesAreBoundToTheirHost) {
    WebRequest(Url("/cookie?set=hostbound%3D1"));
    const std::string other = "http://localhost:" + std::to_string(server().httpPort()) + "/echo";
    const auto cookie = ValuesOf(Received(WebRequest(Text(other))), "Cookie");
    for (const std::string& value : cookie) {
        EXPECT_THAT(value, Not(HasSubstr("hostbound")));
    }
}

TEST_F(WebRequestTest, HeaderBlockFitsOnlyBelow2048Bytes) {
    Text headers;
    const ByteSet fits =
        WebRequest(Url("/pad?size=2047&name=padfits"), {}, {}, {}, {}, {}, {}, &headers);
    EXPECT_EQ(AsString(fits), "ok");
    EXPECT_EQ(headers.size(), 2047u);
    EXPECT_THAT(headers.bytes(), StartsWith("HTTP/1.1 200 OK\r\nSet-Cookie: padfits=1\r\n"));

    const ByteSet tooLong =
        WebRequest(Url("/pad?size=2048&name=padlong"), {}, {}, {}, {}, {}, {}, &headers);
    EXPECT_EQ(AsString(tooLong), "ok");
    EXPECT_EQ(headers, BlankText(2048));

    const auto cookie = ValuesOf(Received(WebRequest(Url("/echo"))), "Cookie");
    ASSERT_EQ(cookie.size(), 1u);
    EXPECT_THAT(cookie[0], HasSubstr("padfits=1"));
    EXPECT_THAT(cookie[0], Not(HasSubstr("padlong")));
}

TEST_F(WebRequestTest, HeaderLinesAlwaysEndInCrLf) {
    Text headers;
    EXPECT_EQ(AsString(WebRequest(Url("/lf"), {}, {}, {}, {}, {}, {}, &headers)), "lf");
    EXPECT_EQ(headers, Text("HTTP/1.1 200 OK\r\nX-Line: bare\r\nContent-Length: 2\r\n"
                            "Connection: close\r\n\r\n"));

    EXPECT_EQ(AsString(WebRequest(Url("/interim"), {}, {}, {}, {}, {}, {}, &headers)), "final");
    EXPECT_THAT(headers.bytes(), StartsWith("HTTP/1.1 200 OK\r\nX-After: 1\r\n"));
}

TEST_F(WebRequestTest, BodiesAreConvertedByCharset) {
    EXPECT_EQ(
        WebRequest(Url("/bytes?hex=e4bda0e5a5bd"), {}, {}, {}, {}, {}, {}, nullptr, kCharsetUtf8),
        AsBytes("\xC4\xE3\xBA\xC3"));
    // Big5 traditional characters come back simplified, in GBK.
    EXPECT_EQ(WebRequest(Url("/bytes?hex=c163c5e9"), {}, {}, {}, {}, {}, {}, nullptr, kCharsetBig5),
              AsBytes("\xB7\xB1\xCC\xE5"));
    const ByteSet withNul = AsBytes(std::string("ab\0cd", 5));
    EXPECT_EQ(WebRequest(Url("/bytes?hex=6162006364")), withNul);
    EXPECT_EQ(WebRequest(Url("/bytes?hex=6162006364"), {}, {}, {}, {}, {}, {}, nullptr, 3),
              withNul);
    EXPECT_EQ(
        WebRequest(Url("/bytes?hex=6162006364"), {}, {}, {}, {}, {}, {}, nullptr, kCharsetUtf8),
        AsBytes("ab"));
    EXPECT_EQ(
        WebRequest(Url("/bytes?hex=6162006364"), {}, {}, {}, {}, {}, {}, nullptr, kCharsetBig5),
        AsBytes("ab"));
}

TEST_F(WebRequestTest, SlowAnswerTimesOutAndTheLateWorkerWritesNowhere) {
    Text headers("untouched");
    const auto start = std::chrono::steady_clock::now();
    const ByteSet result =
        WebRequest(Url("/slow?ms=2500"), {}, {}, {}, {}, {}, 1, &headers, kCharsetUtf8);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(result, ToBytes(TimeoutMessage()));
    EXPECT_EQ(TimeoutMessage(), "超时返回，你可以把参数中的超时值设置长一些。"_gbk);
    EXPECT_EQ(headers, Text("untouched"));
    EXPECT_GE(waited, std::chrono::milliseconds(1000));
    EXPECT_LT(waited, std::chrono::milliseconds(2500));

    // The worker gives up soon after; whatever it still does stays its own.
    EXPECT_TRUE(avatrix::test::WaitUntil([] { return OutstandingRequestCount() == 0; }));
    EXPECT_EQ(headers, Text("untouched"));
}

TEST_F(WebRequestTest, ZeroOrNegativeTimeoutTimesOutEvenForAQuickServer) {
    Text headers("untouched");
    EXPECT_EQ(WebRequest(Url("/echo"), {}, {}, {}, {}, {}, 0, &headers), ToBytes(TimeoutMessage()));
    EXPECT_EQ(WebRequest(Url("/echo"), {}, {}, {}, {}, {}, -3, &headers),
              ToBytes(TimeoutMessage()));
    EXPECT_EQ(headers, Text("untouched"));
}

TEST_F(WebRequestTest, StoppingOutstandingRequestsEndsThemWithinTheBound) {
    WebRequest(Url("/slow?ms=20000"), {}, {}, {}, {}, {}, 0);
    WebRequest(Url("/slow?ms=20000"), {}, {}, {}, {}, {}, 0);
    const auto start = std::chrono::steady_clock::now();
    StopOutstandingRequests(std::chrono::seconds(5));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(OutstandingRequestCount(), 0);
}

TEST_F(WebRequestTest, UnreachableServerGivesEmptyBodyAndBlankHeaders) {
    Text headers("untouched");
    const std::string url = "http://127.0.0.1:" + std::to_string(UnusedPort()) + "/";
    EXPECT_THAT(WebRequest(Text(url), {}, {}, {}, {}, {}, 10, &headers), IsEmpty());
    EXPECT_EQ(headers, BlankText(2048));
}

TEST_F(WebRequestTest, NoHandleLeavesTheCookieTextAsHeaders) {
    Text headers;
    EXPECT_THAT(WebRequest(Text("http://:81/x"), {}, {}, {}, {}, Text("c=1"), 10, &headers),
                IsEmpty());
    EXPECT_EQ(headers, Text("c=1"));
}

TEST_F(WebRequestTest, PortTravelsAs16Bits) {
    const std::string wrapped =
        "http://127.0.0.1:" + std::to_string(server().httpPort() + 65536) + "/echo";
    EXPECT_THAT(Received(WebRequest(Text(wrapped))), ::testing::Contains("GET /echo HTTP/1.1"));
}

TEST_F(WebRequestTest, ProxyServesPlainHttpOnly) {
    const Text proxy("127.0.0.1:" + std::to_string(server().proxyPort()));
    Text headers;
    const ByteSet body = WebRequest(Url("/echo"), {}, proxy, {}, {}, {}, 10, &headers);
    EXPECT_THAT(headers.bytes(), HasSubstr("\r\nX-Test-Proxy: 1\r\n"));
    EXPECT_THAT(Received(body), ::testing::Contains("GET /echo HTTP/1.1"));

    const std::string before = Count();
    const std::string secure = "https://127.0.0.1:" + std::to_string(server().tlsPort()) + "/";
    WebRequest(Text(secure), {}, proxy, {}, {}, {}, 10);
    const std::string after = Count();
    EXPECT_EQ(before.substr(0, before.find(' ')), after.substr(0, after.find(' ')));
}

TEST_F(WebRequestTest, SecureRequestsGoToPort443) {
    // The TLS server listens elsewhere, so it sees no connection at all.
    const std::string before = Count();
    Text headers;
    const std::string url = "https://127.0.0.1:" + std::to_string(server().tlsPort()) + "/";
    EXPECT_THAT(WebRequest(Text(url), {}, {}, {}, {}, {}, 10, &headers), IsEmpty());
    EXPECT_EQ(headers, BlankText(2048));
    const std::string queryOnly = server().Url("/echo?next=https://x/");
    EXPECT_THAT(WebRequest(Text(queryOnly), {}, {}, {}, {}, {}, 10), IsEmpty());
    EXPECT_EQ(Count(), before);
}

TEST_F(WebRequestTest, UnverifiedCertificateGivesAnEmptyBody) {
    const std::string before = Count();
    const std::string secure = "https://127.0.0.1:" + std::to_string(server().tlsPort()) + "/";
    Text headers;
    const ByteSet body = WebRequest(Url("/redirect?to=https%3A" + secure.substr(6)), {}, {}, {}, {},
                                    {}, 10, &headers);
    EXPECT_THAT(body, IsEmpty());
    EXPECT_EQ(headers, BlankText(2048));
    EXPECT_NE(Count(), before);  // the handshake was tried, and refused
}

TEST_F(WebRequestTest, BodyOverOneMebibyteFailsAsWithNoNetwork) {
    constexpr int kLimit = 1024 * 1024;
    Text headers;
    const ByteSet whole =
        WebRequest(Url("/stream?size=" + std::to_string(kLimit)), {}, {}, {}, {}, {}, 30, &headers);
    EXPECT_EQ(whole.size(), static_cast<std::size_t>(kLimit));
    EXPECT_THAT(headers.bytes(), StartsWith("HTTP/1.1 200 OK\r\n"));

    // Announced too long, and streamed without end: both end early with
    // what an unreachable server gives, not with the timeout message.
    for (const std::string& path :
         {"/stream?size=" + std::to_string(kLimit + 1), std::string("/stream")}) {
        headers = Text("untouched");
        EXPECT_THAT(WebRequest(Url(path), {}, {}, {}, {}, {}, 30, &headers), IsEmpty()) << path;
        EXPECT_EQ(headers, BlankText(2048)) << path;
    }
}

TEST_F(WebRequestTest, CookiesBelongToTheHostThatSetThemOverTheRightScheme) {
    const std::string port = std::to_string(server().httpPort());
    WebRequest(
        Url("/redirect?to=http%3A%2F%2Flocalhost%3A" + port + "%2Fcookie%3Fset%3Dmoved%253D1"));
    EXPECT_THAT(
        ValuesOf(Received(WebRequest(Text("http://localhost:" + port + "/echo"))), "Cookie"),
        ::testing::Contains(HasSubstr("moved=1")));
    for (const std::string& value : ValuesOf(Received(WebRequest(Url("/echo"))), "Cookie")) {
        EXPECT_THAT(value, Not(HasSubstr("moved")));
    }

    // Secure cookies need a secure origin; only a header named Set-Cookie
    // sets one, in any letter case.
    WebRequest(
        Url("/cookie?set=securenamed%3D1%3B%20Secure&set=securebare%3B%20secure&set=plainkept%3D1"
            "&raw=X-Echo%3A%20Set-Cookie%3A%20echoed%3D1&raw=set-cookie%3A%20lowerkept%3D1"));
    const std::vector<std::string> names = StoredNames();
    EXPECT_THAT(names, ::testing::IsSupersetOf({"plainkept", "lowerkept"}));
    for (const std::string& name : names) {
        EXPECT_THAT(name, Not(HasSubstr("secure")));
        EXPECT_THAT(name, Not(HasSubstr("echoed")));
    }
}

TEST_F(WebRequestTest, LineBreaksInUrlOrCookieTextAreRefusedBeforeAnyRequest) {
    const std::string before = HttpCount();
    Text headers("untouched");
    for (const std::string& url : {server().Url("/echo\r\nX-Injected: 1"),
                                   server().Url("/echo?a=\nb"), server().Url("/echo\r")}) {
        EXPECT_THAT(WebRequest(Text(url), {}, {}, {}, {}, {}, 10, &headers), IsEmpty());
    }
    for (const char* cookies : {"a=1\r\nX-Injected: 1", "a=1\n", "\r"}) {
        EXPECT_THAT(WebRequest(Url("/echo"), kMethodPost, {}, {}, AsBytes("b=2"), Text(cookies), 10,
                               &headers),
                    IsEmpty());
        EXPECT_THAT(WebRequest(Url("/echo"), 0, {}, {}, {}, Text(cookies), 10, &headers),
                    IsEmpty());
    }
    EXPECT_EQ(headers, Text("untouched"));
    EXPECT_EQ(HttpCount(), before);
}

}  // namespace
}  // namespace avatrix::web::testing
