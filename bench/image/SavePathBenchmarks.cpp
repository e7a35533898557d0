// The whole save path as the user waits on it (screen capture of the shown
// 184 x 184 box at 16 bpp, BMP image, file write) set against ImageMagick's
// `import` doing the same crop of the same display in the same run; the
// composed PNG export beside it; decoding
// the large built-in JPEG; and whether many capture cycles leave handles or
// memory behind.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <unistd.h>
#include <QDir>
#include <QPainter>
#include <QWidget>

#include "WaitUntil.h"
#include "image/AvatarSaving.h"
#include "image/BitmapTable.h"
#include "image/CaptureBackend.h"
#include "image/PictureDecoder.h"
#include "render/AvatarComposer.h"

namespace {

using avatrix::ByteSet;
using Clock = std::chrono::steady_clock;

constexpr int kSide = 184;

class StripedBox : public QWidget {
  public:
    using QWidget::QWidget;

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        for (int y = 0; y < height(); y += 8) {
            painter.fillRect(0, y, width(), 8, QColor::fromHsv((y * 3) % 360, 200, 220));
        }
    }
};

// A frameless window with a native 184 x 184 child, shown and mapped.
class ShownBox {
  public:
    ShownBox() {
        window_.setWindowFlags(Qt::Window | Qt::FramelessWindowHint |
                               Qt::X11BypassWindowManagerHint);
        box_ = new StripedBox(&window_);
        box_->setAttribute(Qt::WA_NativeWindow);
        box_->setGeometry(0, 0, kSide, kSide);
        window_.setGeometry(120, 80, kSide + 16, kSide + 16);
        window_.show();
        handle_ = static_cast<std::uint32_t>(box_->winId());
        avatrix::test::WaitUntil([this] { return State().viewable; });
    }
    std::uint32_t handle() const { return handle_; }
    avatrix::image::WindowState State() const {
        return avatrix::image::Backend().QueryWindow(handle_);
    }

  private:
    QWidget window_;
    StripedBox* box_ = nullptr;
    std::uint32_t handle_ = 0;
};

bool HaveDisplay() {
    return !avatrix::image::Backend().ScreenSize().isEmpty();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::string TempPath(const char* name) {
    return QDir::tempPath().toStdString() + "/avatrix-bench-" + std::to_string(getpid()) + "-" +
           name;
}

bool WriteFile(const std::string& path, const ByteSet& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

// Milliseconds of one `import` run cropping the box's area of the root
// window; negative when the tool is missing or fails.
double ImportOnce(const avatrix::image::WindowState& box, const std::string& target) {
    const std::string command = "import -window root -crop " + std::to_string(kSide) + "x" +
                                std::to_string(kSide) + "+" + std::to_string(box.clientOrigin.x()) +
                                "+" + std::to_string(box.clientOrigin.y()) + " bmp:" + target +
                                " >/dev/null 2>&1";
    const auto start = Clock::now();
    const int status = std::system(command.c_str());
    const auto stop = Clock::now();
    if (status != 0) {
        return -1;
    }
    return std::chrono::duration<double, std::milli>(stop - start).count();
}

// The save path, timed per run so the median is reported, with the median
// of a handful of `import` runs on the same display as the yardstick.
void SaveAvatarPath(benchmark::State& state) {
    if (!HaveDisplay()) {
        state.SkipWithError("needs an X display");
        return;
    }
    ShownBox box;
    const avatrix::image::WindowState where = box.State();
    if (!where.viewable) {
        state.SkipWithError("the box did not show");
        return;
    }
    const std::string ours = TempPath("avatar.jpg");
    const std::string theirs = TempPath("import.bmp");
    std::vector<double> runs;
    std::size_t size = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        const ByteSet bytes = avatrix::image::CaptureToBmpImage(box.handle());
        const bool written = WriteFile(ours, bytes);
        runs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        if (!written || bytes.empty()) {
            state.SkipWithError("capture or write failed");
            break;
        }
        size = bytes.size();
    }
    std::vector<double> imports;
    for (int i = 0; i < 7; ++i) {
        const double ms = ImportOnce(where, theirs);
        if (ms < 0) {
            break;
        }
        imports.push_back(ms);
    }
    std::remove(ours.c_str());
    std::remove(theirs.c_str());
    if (runs.empty()) {
        return;
    }
    state.counters["median_ms"] = Median(runs);
    state.counters["file_bytes"] = static_cast<double>(size);
    if (!imports.empty()) {
        state.counters["import_median_ms"] = Median(imports);
        // How many times faster than the external tool.
        state.counters["import_over_ours"] = Median(imports) / Median(runs);
    }
}
BENCHMARK(SaveAvatarPath)->Unit(benchmark::kMillisecond)->MinTime(2.0);

ByteSet BuiltInPicture(const char* name) {
    const char* dir = std::getenv("AVATRIX_SOURCE_DIR");
    const std::string root = dir ? dir : AVATRIX_SOURCE_DIR;
    std::ifstream file(root + "/src/windows/pictures/" + name, std::ios::binary);
    return ByteSet(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

ByteSet BuiltInSupportPicture() {
    return BuiltInPicture("support.jpg");
}

// The avatar menu's export beside the save path above: the built-in avatar
// with an outlined, shadowed banner over its lower part, composed and encoded
// as a 184 x 184 PNG in process (no screen involved).
void ComposeAvatarPng(benchmark::State& state) {
    const QImage picture = avatrix::image::DecodePictureBytes(BuiltInPicture("avatar.jpg"));
    if (picture.isNull()) {
        state.SkipWithError("avatar.jpg not found or not decodable (set AVATRIX_SOURCE_DIR)");
        return;
    }
    avatrix::render::BannerStyle banner;
    banner.text = QString::fromUtf8("请您点击没有文字的区域移动哦。");
    banner.font.pointSize = 12;
    banner.textColour = QColor(255, 255, 255);
    banner.stripColour = QColor(200, 40, 60);
    banner.opacity = 200;
    banner.stripSize = QSize(kSide, 51);
    banner.labelRect = QRect(0, 0, kSide, 24);
    banner.outline = true;
    banner.shadow = true;
    std::vector<double> runs;
    std::size_t size = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        const QByteArray png = avatrix::render::EncodePng(avatrix::render::ComposeAvatar(
            picture, avatrix::render::PictureFit::Natural, banner, QPoint(0, kSide - 51)));
        runs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        size = static_cast<std::size_t>(png.size());
        benchmark::DoNotOptimize(png.data());
    }
    // The median, as the save path reports it, so the two read side by side.
    state.counters["median_ms"] = Median(runs);
    state.counters["png_bytes"] = static_cast<double>(size);
}
BENCHMARK(ComposeAvatarPng)->Unit(benchmark::kMillisecond);

// The 670 x 502 baseline JPEG shown on the start window.
void DecodeLargeJpeg(benchmark::State& state) {
    const ByteSet jpeg = BuiltInSupportPicture();
    const QImage probe = avatrix::image::DecodePictureBytes(jpeg);
    if (probe.isNull()) {
        state.SkipWithError("support.jpg not found or not decodable (set AVATRIX_SOURCE_DIR)");
        return;
    }
    for (auto _ : state) {
        QImage image = avatrix::image::DecodePictureBytes(jpeg);
        benchmark::DoNotOptimize(image);
    }
    state.counters["width"] = probe.width();
    state.counters["height"] = probe.height();
    state.counters["jpeg_bytes"] = static_cast<double>(jpeg.size());
}
BENCHMARK(DecodeLargeJpeg)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

long ResidentKiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// 1,000 capture / BMP image / release cycles: every bitmap handle is given
// back and the resident size stays where it was after the first hundred.
void CaptureCyclesLeaveNothing(benchmark::State& state) {
    if (!HaveDisplay()) {
        state.SkipWithError("needs an X display");
        return;
    }
    ShownBox box;
    auto& table = avatrix::image::BitmapTable::Instance();
    for (auto _ : state) {
        const std::size_t handlesBefore = table.Count();
        // A warm-up so one-off allocations (X connection buffers, caches)
        // are not counted as growth.
        for (int i = 0; i < 100; ++i) {
            benchmark::DoNotOptimize(avatrix::image::CaptureToBmpImage(box.handle()));
        }
        const long rssBefore = ResidentKiB();
        for (int i = 0; i < 1000; ++i) {
            benchmark::DoNotOptimize(avatrix::image::CaptureToBmpImage(box.handle()));
        }
        const long rssAfter = ResidentKiB();
        const std::size_t handlesAfter = table.Count();
        state.counters["handles_before"] = static_cast<double>(handlesBefore);
        state.counters["handles_after"] = static_cast<double>(handlesAfter);
        state.counters["rss_kib_before"] = static_cast<double>(rssBefore);
        state.counters["rss_kib_after"] = static_cast<double>(rssAfter);
        if (handlesAfter != handlesBefore) {
            state.SkipWithError("bitmap handles left in the table");
        }
    }
}
BENCHMARK(CaptureCyclesLeaveNothing)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
