#include <array>
#include <memory>
#include <string>

#include "text/CodePageTables.h"
#include "text/Codepage.h"
#include "text/SimplifiedTable.h"

namespace avatrix {

namespace {

// The pair table spread over every possible two-byte code: 0 where a
// character has no simplified form of its own.
std::unique_ptr<std::array<std::uint16_t, 65536>> BuildLookup() {
    auto lookup = std::make_unique<std::array<std::uint16_t, 65536>>();
    for (std::size_t i = 0; i < simplified::kPairCount; ++i) {
        (*lookup)[simplified::kPairs[i].traditional] = simplified::kPairs[i].simplified;
    }
    return lookup;
}

}  // namespace

Text ToSimplifiedChinese(const Text& gbk) {
    static const std::unique_ptr<std::array<std::uint16_t, 65536>> lookup = BuildLookup();
    std::string result = gbk.bytes();
    // Every mapping is between two-byte characters, so the text keeps its
    // length and its character boundaries.
    for (std::size_t i = 0; i + 1 < result.size(); ++i) {
        const auto lead = static_cast<unsigned char>(result[i]);
        // The walk follows the code page: 0x80 (the euro sign) and 0xFF are
        // characters of one byte.
        if (!codepage::IsLeadByte(lead)) {
            continue;
        }
        const auto trail = static_cast<unsigned char>(result[i + 1]);
        if (const std::uint16_t simple = (*lookup)[lead << 8 | trail]; simple != 0) {
            result[i] = static_cast<char>(simple >> 8);
            result[i + 1] = static_cast<char>(simple & 0xFF);
        }
        ++i;
    }
    return Text(std::move(result));
}

}  // namespace avatrix
