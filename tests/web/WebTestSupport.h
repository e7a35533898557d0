#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "LoopbackServer.h"
#include "text/Text.h"

namespace avatrix::web::testing {

// Starts the loopback servers once for the whole test program.
class WebTest : public ::testing::Test {
  public:
    static void SetUpTestSuite();
    void SetUp() override;
    static LoopbackServer& server() { return *server_; }
    static Text Url(const std::string& path) { return Text(server_->Url(path)); }

  private:
    static std::unique_ptr<LoopbackServer> server_;
};

inline std::string AsString(const ByteSet& bytes) {
    return {bytes.begin(), bytes.end()};
}
inline ByteSet AsBytes(const std::string& text) {
    return {text.begin(), text.end()};
}

// The header lines of a request head that /echo sent back, request line
// first, without the empty line that ends the head.
std::vector<std::string> HeadLines(const std::string& echoed);

// The values of the header lines named `name` (exact case) in head lines.
std::vector<std::string> ValuesOf(const std::vector<std::string>& lines, const std::string& name);

}  // namespace avatrix::web::testing
