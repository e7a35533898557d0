#include "WebTestSupport.h"

namespace avatrix::web::testing {

std::unique_ptr<LoopbackServer> WebTest::server_;

void WebTest::SetUpTestSuite() {
    if (!server_) {
        server_ = std::make_unique<LoopbackServer>();
    }
}

void WebTest::SetUp() {
    ASSERT_TRUE(server_->running()) << "loopback servers did not start";
}

std::vector<std::string> HeadLines(const std::string& echoed) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (;;) {
        const std::size_t end = echoed.find("\r\n", from);
        if (end == std::string::npos || end == from) {
            return lines;
        }
        lines.push_back(echoed.substr(from, end - from));
        from = end + 2;
    }
}

std::vector<std::string> ValuesOf(const std::vector<std::string>& lines, const std::string& name) {
    std::vector<std::string> values;
    for (const std::string& line : lines) {
        if (line.rfind(name + ": ", 0) == 0) {
            values.push_back(line.substr(name.size() + 2));
        } else if (line == name + ":") {
            values.emplace_back();
        }
    }
    return values;
}

}  // namespace avatrix::web::testing
