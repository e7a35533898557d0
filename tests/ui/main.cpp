#include <gtest/gtest.h>

#include <QApplication>
#include <cstring>
#include <string_view>

#include "Scenarios.h"
#include "ui/Program.h"

// The contract tests run offscreen in this process. Tests that need a real
// display start this same program again as a child on a private X server:
// `--scenario=<name>` runs one scenario there instead of the tests.
int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--scenario=", 11) == 0) {
            return avatrix::uitest::RunScenario(argv[i] + 11, argc, argv);
        }
    }
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
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
