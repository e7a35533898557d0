// Time of the two image paths a user waits on: saving the avatar (screen
// capture of the 184 x 184 box, cut out, 16-bit BMP image) and showing a
// 200 x 200 JPEG in a picture box.
#include <cstdlib>
#include <memory>

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QWidget>

#include "WaitUntil.h"
#include "image/AvatarSaving.h"
#include "image/BitmapObject.h"
#include "image/CaptureBackend.h"
#include "image/PictureDecoder.h"

namespace {

using avatrix::ByteSet;

// Something photo-like: smooth gradients with detail, as a portrait has.
QImage Portrait(int side) {
    QImage image(side, side, QImage::Format_RGB32);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            image.setPixel(x, y, qRgb((x * 255) / side, (y * 255) / side, ((x ^ y) * 7) & 0xFF));
        }
    }
    return image;
}

ByteSet JpegBytes(const QImage& image, int quality = 85, bool progressive = false) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpg");
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return ByteSet(data.begin(), data.end());
}

void DecodeAvatarJpeg(benchmark::State& state) {
    const ByteSet jpeg = JpegBytes(Portrait(200));
    if (jpeg.empty()) {
        state.SkipWithError("no JPEG writer to make the input");
        return;
    }
    for (auto _ : state) {
        QImage image = avatrix::image::DecodePictureBytes(jpeg);
        benchmark::DoNotOptimize(image);
    }
    state.counters["jpeg_bytes"] = static_cast<double>(jpeg.size());
}
BENCHMARK(DecodeAvatarJpeg)->Unit(benchmark::kMicrosecond);

// A progressive photo of 1024 x 768 (arg 0), and a 2048 x 2048 one whose last
// scan is repeated to 200 scans (arg 1): the time the UI thread is held before
// the work budget refuses it.
void DecodeProgressiveJpeg(benchmark::State& state) {
    const bool crafted = state.range(0) == 1;
    ByteSet jpeg =
        JpegBytes(crafted ? Portrait(2048) : Portrait(1024).copy(0, 0, 1024, 768), 90, true);
    std::size_t last = 0;
    for (std::size_t i = 0; i + 1 < jpeg.size(); ++i) {
        last = jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA ? i : last;
    }
    if (last == 0) {
        state.SkipWithError("no progressive JPEG writer to make the input");
        return;
    }
    if (crafted) {
        const ByteSet scan(jpeg.begin() + static_cast<std::ptrdiff_t>(last), jpeg.end() - 2);
        jpeg.resize(jpeg.size() - 2);
        for (int i = 0; i < 190; ++i) {
            jpeg.insert(jpeg.end(), scan.begin(), scan.end());
        }
        jpeg.insert(jpeg.end(), {0xFF, 0xD9});
    }
    bool refused = false;
    for (auto _ : state) {
        QImage image = avatrix::image::DecodePictureBytes(jpeg);
        refused = image.isNull();
        benchmark::DoNotOptimize(image);
    }
    state.counters["jpeg_bytes"] = static_cast<double>(jpeg.size());
    state.counters["refused"] = refused ? 1 : 0;
}
BENCHMARK(DecodeProgressiveJpeg)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void AvatarToBmpImage(benchmark::State& state) {
    avatrix::image::BitmapObject bitmaps;
    const std::uint32_t blank = bitmaps.CreateBlankBitmap(184, 184);
    const std::uint32_t avatar = bitmaps.ConvertDepth(blank, 16);
    for (auto _ : state) {
        ByteSet bytes = bitmaps.ToBmpImage(avatar);
        benchmark::DoNotOptimize(bytes);
    }
    bitmaps.FreeBitmap(blank);
    bitmaps.FreeBitmap(avatar);
}
BENCHMARK(AvatarToBmpImage)->Unit(benchmark::kMicrosecond);

class PortraitBox : public QWidget {
  public:
    explicit PortraitBox(QWidget* parent) : QWidget(parent), picture_(Portrait(184)) {}

  protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).drawImage(0, 0, picture_); }

  private:
    QImage picture_;
};

void CaptureAvatarBox(benchmark::State& state) {
    if (avatrix::image::Backend().ScreenSize().isEmpty()) {
        state.SkipWithError("needs an X display");
        return;
    }
    QWidget window;
    window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    auto* box = new PortraitBox(&window);
    box->setAttribute(Qt::WA_NativeWindow);
    box->setGeometry(0, 0, 184, 184);
    window.setGeometry(100, 100, 200, 200);
    window.show();
    const auto handle = static_cast<std::uint32_t>(box->winId());
    avatrix::test::WaitUntil(
        [&] { return avatrix::image::Backend().QueryWindow(handle).viewable; });
    for (auto _ : state) {
        ByteSet bytes = avatrix::image::CaptureToBmpImage(handle);
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(CaptureAvatarBox)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", std::getenv("DISPLAY") ? "xcb" : "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
