// Start-up cost of a window built by the toolkit: time from process start
// to the first paint of a loaded window, and the process's peak memory.
// Each run starts a fresh child process (this program with --child) on a
// private X server, like a user starting the program.

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "XServer.h"
#include "avatrix/Version.h"
#include "text/Literal.h"
#include "ui/Program.h"
#include "ui/Toolkit.h"

namespace {

using avatrix::ByteSet;
using avatrix::Text;
using avatrix::operator""_gbk;
namespace ui = avatrix::ui;

std::string g_pictureDir;

// The pictures are prepared once before the runs, as the program carries
// its own already encoded: a run only reads them.
ByteSet Picture(const char* name) {
    return ui::ReadWholeFile(Text(g_pictureDir + "/" + name));
}

ByteSet Jpeg(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(200, 160, 140));
    QPainter(&image).drawEllipse(10, 10, width - 20, height - 20);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 85);
    return ByteSet(bytes.begin(), bytes.end());
}

// A window of the size and make-up of the program's main window: thirty-odd
// units of every visible kind and two picture boxes with JPEG pictures.
ui::WindowLayout MainLikeWindow() {
    using ui::Kind;
    using ui::Prop;
    ui::WindowLayout layout;
    layout.name = "Bench";
    layout.properties = {{Prop::Caption, "头像"_gbk}, {Prop::Border, 2},   {Prop::Width, 812},
                         {Prop::Height, 215},         {Prop::Position, 1}, {Prop::Visible, true}};
    auto row = [](const char* name, Kind kind, int l, int t, int w, int h,
                  std::vector<ui::PropertyInit> p = {}, const char* parent = "") {
        return ui::UnitLayout{name, kind, l, t, w, h, std::move(p), parent};
    };
    layout.units = {
        row("按钮7", Kind::Button, 568, 160, 56, 24, {{Prop::Caption, "隐藏"_gbk}}),
        row("颜色选择器2", Kind::ColorPicker, 477, 104, 88, 24),
        row("按钮6", Kind::Button, 566, 22, 56, 112, {{Prop::Caption, "设置横批透明"_gbk}}),
        row("编辑框4", Kind::EditBox, 568, 136, 56, 24, {{Prop::InputMode, 3}}),
        row("超级链接框1", Kind::HyperLinker, 230, 160, 343, 24, {{Prop::Caption, "链接"_gbk}}),
        row("编辑框8", Kind::EditBox, 240, 336, 144, 16),
        row("标签9", Kind::Label, 176, 336, 56, 16, {{Prop::Caption, "最新版本"_gbk}}),
        row("编辑框7", Kind::EditBox, 240, 312, 144, 16, {{Prop::Content, Text(AVATRIX_VERSION)}}),
        row("标签8", Kind::Label, 176, 312, 56, 16, {{Prop::Caption, "当前版本"_gbk}}),
        row("图片框3", Kind::PicBox, 624, 0, 184, 184,
            {{Prop::DisplayMode, 1}, {Prop::Picture, Picture("support.jpg")}}),
        row("透明标签2", Kind::TransLabel, 0, 72, 184, 24, {{Prop::Caption, "点击支持"_gbk}},
            "图片框3"),
        row("标签7", Kind::Label, 184, 0, 448, 24, {{Prop::Caption, "你也可以直接拖动图片"_gbk}}),
        row("拖放对象1", Kind::DropTarget, 0, 0, 0, 0),
        row("标签6", Kind::Label, 407, 104, 64, 24, {{Prop::Caption, "横批颜色→"_gbk}}),
        row("编辑框6", Kind::EditBox, 136, 232, 216, 24),
        row("按钮12", Kind::Button, 184, 160, 40, 24, {{Prop::Caption, "继续"_gbk}}),
        row("按钮11", Kind::Button, 184, 128, 40, 24, {{Prop::Caption, "暂停"_gbk}}),
        row("按钮10", Kind::Button, 184, 96, 56, 32, {{Prop::Caption, "添加背景音乐"_gbk}}),
        row("通用对话框2", Kind::CommonDlg, 0, 0, 0, 0),
        row("按钮5", Kind::Button, 416, 71, 144, 24, {{Prop::Caption, "更改字体"_gbk}}),
        row("标签3", Kind::Label, 328, 128, 24, 24, {{Prop::Caption, "高X"_gbk}}),
        row("标签2", Kind::Label, 232, 128, 24, 24, {{Prop::Caption, "宽X"_gbk}}),
        row("编辑框3", Kind::EditBox, 352, 128, 48, 24, {{Prop::InputMode, 3}}),
        row("编辑框2", Kind::EditBox, 256, 128, 48, 24, {{Prop::InputMode, 3}}),
        row("按钮4", Kind::Button, 416, 136, 144, 24, {{Prop::Caption, "调整尺寸"_gbk}}),
        row("标签1", Kind::Label, 192, 56, 64, 24, {{Prop::Caption, "文字颜色→"_gbk}}),
        row("颜色选择器1", Kind::ColorPicker, 264, 56, 136, 24),
        row("通用对话框1", Kind::CommonDlg, 0, 0, 0, 0),
        row("按钮3", Kind::Button, 256, 88, 144, 32, {{Prop::Caption, "保存头像"_gbk}}),
        row("按钮13", Kind::Button, 416, 24, 144, 32, {{Prop::Caption, "打开图片"_gbk}}),
        row("按钮14", Kind::Button, 352, 24, 56, 24, {{Prop::Caption, "加入文字"_gbk}}),
        row("编辑框1", Kind::EditBox, 192, 24, 152, 24),
        row("图片框1", Kind::PicBox, 0, 0, 184, 184,
            {{Prop::DisplayMode, 1}, {Prop::Picture, Picture("avatar.jpg")}}),
    };
    return layout;
}

std::chrono::steady_clock::time_point g_mainStart;

// Reports on stdout once the window has painted, then ends.
class FirstPaint : public QObject {
  public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            QTimer::singleShot(0, [] {
                if (getenv("BENCH_PHASES") != nullptr) {
                    std::fprintf(stderr, "painted %.1f ms after main\n",
                                 std::chrono::duration<double, std::milli>(
                                     std::chrono::steady_clock::now() - g_mainStart)
                                     .count());
                }
                std::printf("painted\n");
                std::fflush(stdout);
                ui::EndProgram(0);
            });
        }
        return false;
    }

  private:
    bool seen_ = false;
};

int MakePictures(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    return ui::WriteWholeFile(Text(g_pictureDir + "/support.jpg"), Jpeg(670, 502)) &&
                   ui::WriteWholeFile(Text(g_pictureDir + "/avatar.jpg"), Jpeg(200, 200))
               ? 0
               : 1;
}

int Child(int argc, char** argv) {
    const auto t0 = std::chrono::steady_clock::now();
    auto phase = [&](const char* what) {
        if (getenv("BENCH_PHASES") != nullptr) {
            std::fprintf(
                stderr, "%s %.1f ms\n", what,
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                    .count());
        }
    };
    if (!ui::InitToolkit(argc, argv)) {
        return 1;
    }
    phase("toolkit");
    static FirstPaint watcher;
    qApp->installEventFilter(&watcher);
    ui::WindowLayout layout = MainLikeWindow();
    phase("layout");
    ui::LoadWindow(layout);
    phase("loaded");
    ui::RunMessageLoop();
}

std::string g_self;
std::unique_ptr<avatrix::test::XServer> g_server;

// One start: spawn, wait for "painted", reap. Seconds and peak kilobytes.
bool RunOnce(double& seconds, long& peakKb) {
    int out[2];
    if (pipe(out) != 0) {
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<std::string> env{"DISPLAY=" + g_server->display(), "QT_QPA_PLATFORM=xcb"};
    for (const char* keep : {"HOME", "PATH", "LANG", "XDG_RUNTIME_DIR"}) {
        if (const char* v = getenv(keep)) {
            env.push_back(std::string(keep) + "=" + v);
        }
    }
    std::vector<char*> envp;
    for (auto& e : env) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);
    std::string flag = "--child";
    char* argv[] = {g_self.data(), flag.data(), nullptr};
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, g_self.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        return false;
    }
    std::string got;
    char buffer[64];
    ssize_t n;
    while (got.find("painted") == std::string::npos &&
           (n = read(out[0], buffer, sizeof buffer)) > 0) {
        got.append(buffer, static_cast<std::size_t>(n));
    }
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    close(out[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    peakKb = usage.ru_maxrss;
    return got.find("painted") != std::string::npos;
}

void BM_StartToFirstPaint(benchmark::State& state) {
    std::string problem;
    if (!g_server && !(g_server = avatrix::test::XServer::Start(problem))) {
        state.SkipWithError(("no X server for the runs: " + problem).c_str());
        return;
    }
    long maxKb = 0;
    double total = 0;
    double fastest = 1e9;
    int runs = 0;
    for (auto _ : state) {
        double seconds = 0;
        long kb = 0;
        if (!RunOnce(seconds, kb)) {
            state.SkipWithError("the child did not paint");
            return;
        }
        state.SetIterationTime(seconds);
        maxKb = std::max(maxKb, kb);
        total += seconds;
        fastest = std::min(fastest, seconds);
        ++runs;
    }
    state.counters["fastest_ms"] = runs > 0 ? fastest * 1000.0 : 0;
    state.counters["peak_MB"] = static_cast<double>(maxKb) / 1024.0;
    state.counters["paint_ms_vs_150"] = runs > 0 ? total / runs * 1000.0 / 150.0 : 0;
    state.counters["peak_vs_60MB"] = static_cast<double>(maxKb) / 1024.0 / 60.0;
}
BENCHMARK(BM_StartToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
    g_mainStart = std::chrono::steady_clock::now();
    g_pictureDir =
        std::string(getenv("TMPDIR") != nullptr ? getenv("TMPDIR") : "/tmp") + "/avatrix-bench-ui";
    if (argc > 1 && std::strcmp(argv[1], "--child") == 0) {
        return Child(argc, argv);
    }
    mkdir(g_pictureDir.c_str(), 0700);
    if (setenv("QT_QPA_PLATFORM", "offscreen", 1) != 0 || MakePictures(argc, argv) != 0) {
        std::fprintf(stderr, "cannot prepare the pictures in %s\n", g_pictureDir.c_str());
        return 1;
    }
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    g_self.assign(self, n > 0 ? static_cast<std::size_t>(n) : 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_server.reset();
    return 0;
}
