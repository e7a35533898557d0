#pragma once

#include <cstddef>
#include <cstdint>

// The generated traditional-to-simplified table (tools/gen_simplified_table.py).
namespace avatrix::simplified {

struct CodePair {
    std::uint16_t traditional;
    std::uint16_t simplified;
};

// Sorted by the traditional code; both codes are two-byte GBK characters.
extern const CodePair kPairs[];
extern const std::size_t kPairCount;

}  // namespace avatrix::simplified
