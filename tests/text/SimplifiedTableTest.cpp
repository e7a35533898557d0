#include <gtest/gtest.h>

#include <string>

#include "text/Codepage.h"
#include "text/SimplifiedTable.h"

namespace avatrix {
namespace {

// The single UTF-16 unit a two-byte GBK code decodes to, or 0.
char16_t DecodeGbk(std::uint16_t code) {
    const std::string bytes{static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
    const ByteSet utf16 = TextToUtf16(Text(bytes), kCodePageGbk);
    if (utf16.size() != 4) {
        return 0;
    }
    return static_cast<char16_t>(utf16[0] | utf16[1] << 8);
}

bool IsIdeograph(char16_t unit) {
    return (unit >= 0x4E00 && unit <= 0x9FFF) || (unit >= 0xF900 && unit <= 0xFAFF);
}

TEST(SimplifiedTable, IsSortedOneToOneBetweenGbkIdeographs) {
    ASSERT_GT(simplified::kPairCount, 2000u);
    for (std::size_t i = 0; i < simplified::kPairCount; ++i) {
        const simplified::CodePair& pair = simplified::kPairs[i];
        if (i > 0) {
            ASSERT_LT(simplified::kPairs[i - 1].traditional, pair.traditional) << i;
        }
        ASSERT_NE(pair.traditional, pair.simplified) << i;
        EXPECT_TRUE(IsIdeograph(DecodeGbk(pair.traditional))) << std::hex << pair.traditional;
        EXPECT_TRUE(IsIdeograph(DecodeGbk(pair.simplified))) << std::hex << pair.simplified;
    }
}

TEST(SimplifiedTable, MapsEveryTableEntryThroughTheTextFunction) {
    std::string traditional;
    std::string simplifiedText;
    for (std::size_t i = 0; i < simplified::kPairCount; ++i) {
        const simplified::CodePair& pair = simplified::kPairs[i];
        traditional += static_cast<char>(pair.traditional >> 8);
        traditional += static_cast<char>(pair.traditional & 0xFF);
        traditional += 'a';  // keeps the walk honest across character boundaries
        simplifiedText += static_cast<char>(pair.simplified >> 8);
        simplifiedText += static_cast<char>(pair.simplified & 0xFF);
        simplifiedText += 'a';
    }
    EXPECT_EQ(ToSimplifiedChinese(Text(traditional)).bytes(), simplifiedText);
}

}  // namespace
}  // namespace avatrix
