#include <gtest/gtest.h>

#include "text/Literal.h"
#include "text/Primitives.h"

namespace avatrix {
namespace {

Text T(const char* bytes) {
    return Text(bytes);
}

TEST(FindText, PositionsAreOneBasedAndMinusOneForNotFound) {
    EXPECT_EQ(FindText(T("abc"), T("c")), 3);
    EXPECT_EQ(FindText(T("abc"), T("d")), -1);
    EXPECT_EQ(FindText(T("abc"), T(""), 3), 1);
    EXPECT_EQ(FindText(T("abc"), T("a"), 4), -1);
    EXPECT_EQ(FindText(T("abc"), T(""), 4), -1);
}

TEST(FindText, NeverMatchesOnTheSecondByteOfADoubleByteCharacter) {
    EXPECT_EQ(FindText(T("\xB0"
                         "aa"),
                       T("a")),
              3);
}

TEST(FindText, IgnoreCaseFoldsAsciiLetters) {
    const Text header = T("HTTP/1.1 200 OK\r\nuser-agent: x\r\n");
    EXPECT_EQ(FindText(header, T("User-Agent:")), -1);
    EXPECT_EQ(FindText(header, T("User-Agent:"), std::nullopt, true), 18);
}

TEST(ReplaceAll, ReplacesEveryOccurrenceOrUpToTheLimit) {
    EXPECT_EQ(ReplaceAll(T("a</p><p>b</P><P>c</p><p>"), T("</p><p>"), T("\r\n")),
              T("a\r\nb</P><P>c\r\n"));
    EXPECT_EQ(ReplaceAll(T("x-x-x"), T("-"), T("+"), std::nullopt, 1), T("x+x-x"));
}

TEST(TrimSpaces, RemovesOnlyAsciiAndFullWidthSpaces) {
    EXPECT_EQ(TrimSpaces(T("\xA1\xA1"
                           "ab\t ")),
              T("ab\t"));
}

TEST(Literal, BecomesGbk) {
    EXPECT_EQ("你好"_gbk, T("\xC4\xE3\xBA\xC3"));
    EXPECT_EQ(ToText(true), "真"_gbk);
}

}  // namespace
}  // namespace avatrix
