#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "web/RequestHeaders.h"

namespace avatrix::web {
namespace {

using ::testing::ElementsAre;

const std::string kAcceptLine =
    "Accept: image/gif, image/bmp, image/x-xbitmap, image/jpeg, image/pjpeg, "
    "application/x-shockwave-flash, application/vnd.ms-excel, application/vnd.ms-powerpoint, "
    "application/msword, */*\r\n";
const Text kUrl("http://h/x");

std::string Build(const char* headers, bool post = false, const std::string& body = "",
                  const char* cookies = "") {
    return BuildHeaderText(Text(headers), kUrl, post, ByteSet(body.begin(), body.end()),
                           Text(cookies))
        .bytes();
}

TEST(RequestHeaders, DefaultsComeInOrderAfterTheCallersLines) {
    EXPECT_EQ(Build(""), kAcceptLine + "Referer: http://h/x\r\nAccept-Language: zh-cn\r\n");
    EXPECT_EQ(Build("X-A: 1\r\n"),
              "X-A: 1\r\n" + kAcceptLine + "Referer: http://h/x\r\nAccept-Language: zh-cn\r\n");
}

TEST(RequestHeaders, PostWithBodyEndsWithFormLengthAndCookie) {
    EXPECT_EQ(Build("", true, "a=1", "c=2"),
              kAcceptLine +
                  "Referer: http://h/x\r\nAccept-Language: zh-cn\r\n"
                  "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 3\r\n"
                  "Cookie: c=2\r\n\r\n");
    // Untrimmed cookie text counts: blanks still make a Cookie line.
    EXPECT_THAT(Build("", true, "a", " "), ::testing::EndsWith("Cookie:  \r\n\r\n"));
    EXPECT_THAT(Build("", true, "", "c=2"), ::testing::EndsWith("Accept-Language: zh-cn\r\n"));
    EXPECT_THAT(Build("", false, "a=1", "c=2"), ::testing::EndsWith("Accept-Language: zh-cn\r\n"));
}

TEST(RequestHeaders, PresenceIsTestedIgnoringCaseAnywhere) {
    // "Accept-Language" also counts as an Accept line.
    EXPECT_EQ(Build("accept-language: en\r\n"), "accept-language: en\r\nReferer: http://h/x\r\n");
    EXPECT_EQ(Build("X-Referer: y\r\n"),
              "X-Referer: y\r\n" + kAcceptLine + "Accept-Language: zh-cn\r\n");
    EXPECT_THAT(Build("content-type: a/b\r\nCONTENT-LENGTH: 9\r\n", true, "abc"),
                ::testing::EndsWith("Accept-Language: zh-cn\r\n"));
}

TEST(RequestHeaders, RefererNoIsRemovedOnceAndOnlyInExactCase) {
    EXPECT_EQ(Build("X-A: 1\r\nRefererNo\r\n"),
              "X-A: 1\r\n\r\n" + kAcceptLine + "Accept-Language: zh-cn\r\n");
    EXPECT_EQ(Build("RefererNoRefererNo"),
              "RefererNo" + kAcceptLine + "Accept-Language: zh-cn\r\n");
    // Present ignoring case: no Referer line, but nothing spelled exactly to remove.
    EXPECT_EQ(Build("refererno\r\n"), "refererno\r\n" + kAcceptLine + "Accept-Language: zh-cn\r\n");
}

TEST(RequestHeaders, OnlyWellFormedLinesAreSent) {
    const auto lines = SplitHeaderLines(
        Text("A: 1\r\n\r\nno colon\r\n: nameless\r\nB:\r\nBad Name: x\r\nC: 3\rD: 4\nE: 5"));
    EXPECT_THAT(lines, ElementsAre("A: 1", "B:", "C: 3", "D: 4", "E: 5"));
}

TEST(RequestHeaders, EmptyValuesAreSentAndLibraryDefaultsSuppressed) {
    const detail::HeaderList list = BuildHeaderList({"A: 1", "B:", "C:   "}, true);
    std::vector<std::string> sent;
    for (const curl_slist* item = list.get(); item; item = item->next) {
        sent.emplace_back(item->data);
    }
    EXPECT_THAT(sent, ElementsAre("A: 1", "B;", "C;", "Accept:", "Expect:", "Content-Type:"));
}

TEST(RequestHeaders, DroppingMatchesWholeNamesIgnoringCase) {
    std::vector<std::string> lines{"Content-Type: a", "content-length: 1", "Content-Typed: b",
                                   "Cookie: x"};
    DropHeaderLines(lines, {"Content-Type", "Content-Length"});
    EXPECT_THAT(lines, ElementsAre("Content-Typed: b", "Cookie: x"));
}

}  // namespace
}  // namespace avatrix::web
