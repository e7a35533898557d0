#include <gtest/gtest.h>

#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "SuiteSetup.h"
#include "XServer.h"
#include "ui/Program.h"

namespace avatrix::test {
namespace {

std::optional<SuiteSetup>& Registered() {
    static std::optional<SuiteSetup> setup;
    return setup;
}

bool SelectsAny(const std::string& filter, const std::vector<std::string>& suites) {
    if (suites.empty() || filter.empty() || filter == "*" || filter[0] == '-') {
        return true;
    }
    for (const std::string& suite : suites) {
        if (filter.find(suite) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// Windows of tests running side by side must not cover what a test reads
// back, so the display tests get a server of their own; without one the
// shared display serves.
void StartPrivateDisplay(const SuiteSetup& setup) {
    if (std::getenv("DISPLAY") == nullptr ||
        !SelectsAny(GTEST_FLAG_GET(filter), setup.displaySuites)) {
        return;
    }
    std::string problem;
    // Never stopped here: it ends with this process, after the toolkit's last
    // word to it.
    static const XServer* const server = XServer::Start(problem).release();
    if (server != nullptr) {
        setenv("DISPLAY", server->display().c_str(), 1);
    } else {
        std::fprintf(stderr, "no private X server (%s); using %s\n", problem.c_str(),
                     std::getenv("DISPLAY"));
    }
}

void RunOffscreen() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform says so each time a native child window is
    // restacked; that is expected there and only hides real messages.
    static const QtMessageHandler previous = qInstallMessageHandler(nullptr);
    qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            if (!message.startsWith(QLatin1String("This plugin does not support"))) {
                previous(type, context, message);
            }
        });
}

}  // namespace

RegisterSuiteSetup::RegisterSuiteSetup(SuiteSetup setup) {
    if (Registered().has_value()) {
        std::fprintf(stderr, "a test program registers one set-up\n");
        std::abort();
    }
    Registered() = std::move(setup);
}

}  // namespace avatrix::test

int main(int argc, char** argv) {
    using avatrix::test::SuiteSetup;
    const SuiteSetup setup = avatrix::test::Registered().value_or(SuiteSetup{});
    if (setup.takeOver) {
        if (const std::optional<int> code = setup.takeOver(argc, argv)) {
            return *code;
        }
    }
    // The tests stand for an X11 session: in a Wayland one the program would
    // also ask the desktop's portal for its shortcut, and a developer's own
    // desktop would get it.
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("XDG_SESSION_TYPE");
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) {
        return RUN_ALL_TESTS();
    }
    switch (setup.display) {
        case SuiteSetup::Display::Offscreen:
            avatrix::test::RunOffscreen();
            break;
        case SuiteSetup::Display::Private:
            avatrix::test::StartPrivateDisplay(setup);
            if (std::getenv("DISPLAY") != nullptr) {
                qputenv("QT_QPA_PLATFORM", "xcb");
            } else {
                avatrix::test::RunOffscreen();  // the display tests skip themselves
            }
            break;
        case SuiteSetup::Display::Shared:
            break;
    }
    if (!avatrix::ui::InitToolkit(argc, argv)) {
        return 1;
    }
    return RUN_ALL_TESTS();
}
