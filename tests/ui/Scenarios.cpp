#include "Scenarios.h"

#include <unistd.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QProcessEnvironment>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "SuiteSetup.h"
#include "Support.h"
#include "text/Literal.h"
#include "ui/Program.h"
#include "ui/Toolkit.h"
#include "windows/Windows.h"

namespace avatrix::uitest {
namespace {

using ui::Prop;

void Say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

int ArgInt(int argc, char** argv, const char* key, int fallback) {
    const std::size_t length = std::strlen(key);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], key, length) == 0) {
            return std::atoi(argv[i] + length);
        }
    }
    return fallback;
}

// Commands from the test on stdin, one a line; answers on stdout.
void ListenForCommands(const std::string& window) {
    auto* notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, [window, notifier] {
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer - 1);
        if (n <= 0) {
            notifier->setEnabled(false);
            ui::EndProgram(0);  // the test went away
        }
        buffer[n] = '\0';
        for (char* line = std::strtok(buffer, "\n"); line != nullptr;
             line = std::strtok(nullptr, "\n")) {
            int value = 0;
            int height = 0;
            unsigned colour = 0;
            if (std::strcmp(line, "ping") == 0) {
                Say("pong");
            } else if (std::sscanf(line, "alpha %d", &value) == 1) {
                ui::SetWindowAlpha(ui::GetWindowHandle(window), value);
                Say("ok");
            } else if (std::sscanf(line, "colour %x", &colour) == 1) {
                ui::SetProperty(window, ui::kWindowUnit, Prop::BackColour, ui::Colour{colour});
                Say("ok");
            } else if (std::sscanf(line, "size %d %d", &value, &height) == 2) {
                // As "调整尺寸" does: the window, then its first unit.
                ui::SetProperty(window, ui::kWindowUnit, Prop::Width, value);
                ui::SetProperty(window, ui::kWindowUnit, Prop::Height, height);
                ui::SetProperty(window, "透明标签1", Prop::Width, value);
                ui::SetProperty(window, "透明标签1", Prop::Height, height);
                Say("ok");
            } else if (std::strcmp(line, "message") == 0) {
                // Later, so this handler returns; the box waits for "close".
                QTimer::singleShot(0, [] {
                    ui::ShowMessage("对话框"_gbk, ui::kIconInformation);
                    Say("answered");
                });
            } else if (std::strcmp(line, "close") == 0) {
                if (QWidget* box = QApplication::activeModalWidget()) {
                    box->close();
                }
            } else if (std::strcmp(line, "pos") == 0) {
                Say("pos " + std::to_string(ui::GetInt(window, "", Prop::Left)) + " " +
                    std::to_string(ui::GetInt(window, "", Prop::Top)));
            } else if (std::strcmp(line, "hide") == 0 || std::strcmp(line, "show") == 0) {
                ui::SetProperty(window, ui::kWindowUnit, Prop::Visible, line[0] == 's');
                Say("ok");
            } else if (std::strcmp(line, "end") == 0) {
                ui::EndProgram(7);
            }
        }
    });
}

int Banner(int argc, char** argv) {
    if (!ui::InitToolkit(argc, argv)) {
        return 1;
    }
    ui::LoadWindow(windows::BannerWindowLayout());
    ListenForCommands(windows::kBannerWindow);
    Say("ready " + std::to_string(ui::GetWindowHandle(windows::kBannerWindow)));
    ui::RunMessageLoop();
}

int HotKey(int argc, char** argv) {
    if (!ui::InitToolkit(argc, argv)) {
        return 1;
    }
    const std::string window = "HotKeyWindow";
    ui::WindowLayout layout = Plain(window, {Row("标签7", ui::Kind::Label, 10, 10, 100, 20)});
    layout.bindings.push_back({"标签7", ui::Event::Feedback, [](const ui::EventArgs& args) {
                                   Say("feedback " + std::to_string(args.param1) + " " +
                                       std::to_string(args.param2));
                                   return true;
                               }});
    ui::LoadWindow(layout);
    ListenForCommands(window);
    const int id = ui::RegisterFeedbackHotKey(
        ui::GetWindowHandle(window), ui::GetWindowHandle(window, "标签7"),
        ArgInt(argc, argv, "--mods=", 4), ArgInt(argc, argv, "--key=", 123));
    Say("registered " + std::to_string(id));
    ui::RunMessageLoop();
}

// The banner over a plain window that owns the program's dialogs.
int Dialogs(int argc, char** argv) {
    if (!ui::InitToolkit(argc, argv)) {
        return 1;
    }
    const std::string owner = "DialogOwner";
    ui::LoadWindow(Plain(owner, {}));
    ui::LoadWindow(windows::BannerWindowLayout());
    ListenForCommands(windows::kBannerWindow);
    Say("ready " + std::to_string(ui::GetWindowHandle(windows::kBannerWindow)) + " " +
        std::to_string(ui::GetWindowHandle(owner)));
    ui::RunMessageLoop();
}

// A titled window that must not be moved, with its own class name.
int Fixed(int argc, char** argv) {
    if (!ui::InitToolkit(argc, argv)) {
        return 1;
    }
    const std::string window = "FixedWindow";
    ui::WindowLayout layout = Plain(window, {});
    layout.properties = {{Prop::Caption, "固定"_gbk}, {Prop::ClassName, "Mirrowen"_gbk},
                         {Prop::Border, 2},           {Prop::Width, 400},
                         {Prop::Height, 200},         {Prop::Position, 1},
                         {Prop::Movable, false},      {Prop::MaxButton, false},
                         {Prop::MinButton, false},    {Prop::Visible, true}};
    ui::LoadWindow(layout);
    ListenForCommands(window);
    Say("ready " + std::to_string(ui::GetWindowHandle(window)));
    ui::RunMessageLoop();
}

int ProbeDisplay(int argc, char** argv) {
    if (!ui::InitToolkit(argc, argv)) {
        return 3;
    }
    Say("display ok");
    return 0;
}

// `--scenario=<name>` runs one scenario instead of the tests.
std::optional<int> RunScenario(int argc, char** argv) {
    static const std::map<std::string, int (*)(int, char**)> scenarios = {{"banner", Banner},
                                                                          {"dialogs", Dialogs},
                                                                          {"hotkey", HotKey},
                                                                          {"fixed", Fixed},
                                                                          {"probe", ProbeDisplay}};
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--scenario=", 11) == 0) {
            const auto scenario = scenarios.find(argv[i] + 11);
            if (scenario == scenarios.end()) {
                std::fprintf(stderr, "unknown scenario %s\n", argv[i] + 11);
                return 2;
            }
            return scenario->second(argc, argv);
        }
    }
    return std::nullopt;
}

}  // namespace

// The contract tests run offscreen in this process.
const test::RegisterSuiteSetup kSetup({.takeOver = RunScenario});

Scenario::Scenario(const XServer* server, const QString& name, const QStringList& extra) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    // The X keyboard library reads counted, unterminated strings from the
    // server with strndup, which the strict string check takes for an
    // overflow; everything else stays checked.
    if (env.contains(QStringLiteral("ASAN_OPTIONS"))) {
        env.insert(QStringLiteral("ASAN_OPTIONS"), env.value(QStringLiteral("ASAN_OPTIONS")) +
                                                       QStringLiteral(":strict_string_checks=0"));
    }
    if (server != nullptr) {
        env.insert(QStringLiteral("DISPLAY"), QString::fromStdString(server->display()));
    }
    process_.setProcessEnvironment(env);
    process_.start(QCoreApplication::applicationFilePath(),
                   QStringList{QStringLiteral("--scenario=") + name} + extra);
    process_.waitForStarted(10000);
}

Scenario::~Scenario() {
    if (process_.state() != QProcess::NotRunning) {
        process_.closeWriteChannel();  // the scenario ends when its input does
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
}

std::optional<QString> Scenario::Await(const QString& prefix, int ms) {
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        pending_ += process_.readAllStandardOutput();
        qsizetype end;
        while ((end = pending_.indexOf('\n')) >= 0) {
            lines_ << QString::fromUtf8(pending_.left(end));
            pending_.remove(0, end + 1);
        }
        for (qsizetype i = 0; i < lines_.size(); ++i) {
            if (lines_[i].startsWith(prefix)) {
                return lines_.takeAt(i);
            }
        }
        if (timer.elapsed() > ms) {
            return std::nullopt;
        }
        if (process_.state() == QProcess::NotRunning) {
            if (process_.bytesAvailable() == 0) {
                return std::nullopt;
            }
        } else {
            process_.waitForReadyRead(50);
        }
    }
}

void Scenario::Send(const QString& line) {
    process_.write((line + QLatin1Char('\n')).toUtf8());
    process_.waitForBytesWritten(5000);
}

}  // namespace avatrix::uitest
