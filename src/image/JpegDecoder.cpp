#include "image/JpegDecoder.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

#include <jpeglib.h>

namespace avatrix::image {
namespace {

// libjpeg reports fatal errors through error_exit, which must not return:
// it jumps back to the decode call, which then cleans up.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void ExitOnError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void IgnoreMessage(j_common_ptr) {}

// A crafted progressive file can hold thousands of scans, each a full pass
// over the coefficients; no real picture needs more than a few dozen.
constexpr int kMaxScans = 500;
// Each progressive scan costs about a pass over every pixel, and each byte of
// scan data a few dozen pixels' worth more: a few hundred crafted scans fit in
// a small file and would hold the UI thread for tens of seconds. The budget
// lets through a photo of some 16 megapixels with the usual ten scans and
// holds the worst case to a second or two.
constexpr std::int64_t kMaxProgressiveWork = std::int64_t{1} << 29;
constexpr std::int64_t kWorkPerByte = 32;

// libjpeg's progress hook, with what it needs to weigh the work done.
struct WorkMonitor {
    jpeg_progress_mgr pub;
    const std::uint8_t* data = nullptr;
};

void LimitWork(j_common_ptr info) {
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (!decompress->is_decompressor) {
        return;
    }
    const std::int64_t scans = decompress->input_scan_number;
    if (scans > kMaxScans) {
        ExitOnError(info);
    }
    if (!decompress->progressive_mode) {
        return;
    }
    const auto* monitor = reinterpret_cast<const WorkMonitor*>(decompress->progress);
    const std::int64_t pixels =
        static_cast<std::int64_t>(decompress->image_width) * decompress->image_height;
    const std::int64_t bytes = decompress->src->next_input_byte - monitor->data;
    if (scans * pixels + bytes * kWorkPerByte > kMaxProgressiveWork) {
        ExitOnError(info);
    }
}

// Everything the decode writes lives here, outside the frame that calls
// setjmp, so nothing it touches is indeterminate after a jump.
struct DecodeState {
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    WorkMonitor progress{};
    QImage image;
    bool cmyk = false;
    std::vector<std::uint8_t> cmykRow;
};

void CmykRowToRgb(const std::uint8_t* cmyk, QRgb* out, int width, bool inverted) {
    for (int x = 0; x < width; ++x) {
        int c = cmyk[4 * x], m = cmyk[4 * x + 1], y = cmyk[4 * x + 2], k = cmyk[4 * x + 3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        out[x] = qRgb(c * k / 255, m * k / 255, y * k / 255);
    }
}

// Returns false when libjpeg gave up; the state then holds no image.
bool Decode(DecodeState* s, const std::uint8_t* data, std::size_t size,
            const std::optional<PictureUse>& use) {
    if (setjmp(s->errors.jump)) {
        return false;
    }
    jpeg_create_decompress(&s->info);
    s->info.mem->max_memory_to_use = 512L * 1024 * 1024;
    s->progress.pub.progress_monitor = LimitWork;
    s->progress.data = data;
    s->info.progress = &s->progress.pub;
    jpeg_mem_src(&s->info, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&s->info, TRUE) != JPEG_HEADER_OK) {
        return false;
    }
    if (!WithinPictureLimits(s->info.image_width, s->info.image_height)) {
        return false;
    }
    const QSize full(static_cast<int>(s->info.image_width), static_cast<int>(s->info.image_height));
    QSize shown = full;
    if (use && use->cover) {
        // libjpeg scales in eighths while it decodes, far cheaper and no
        // worse than decoding whole and scaling down.
        const int eighths =
            std::clamp(static_cast<int>(std::ceil(use->CoverFraction(full) * 8)), 1, 8);
        if (eighths < 8) {
            s->info.scale_num = static_cast<unsigned>(eighths);
            s->info.scale_denom = 8;
        }
    } else if (use) {
        shown = use->ShownCorner(full);
    }
    s->cmyk = s->info.jpeg_color_space == JCS_CMYK || s->info.jpeg_color_space == JCS_YCCK;
    if (s->cmyk) {
        s->info.out_color_space = JCS_CMYK;
    } else {
        // Straight into the 32-bit pixel words of the image.
        s->info.out_color_space =
            std::endian::native == std::endian::little ? JCS_EXT_BGRX : JCS_EXT_XRGB;
    }
    jpeg_start_decompress(&s->info);
    // Rows below the shown corner are never decoded; rows come out whole,
    // so the columns are cut afterwards.
    const auto rows = std::min(s->info.output_height, static_cast<JDIMENSION>(shown.height()));
    s->image = QImage(static_cast<int>(s->info.output_width), static_cast<int>(rows),
                      QImage::Format_RGB32);
    if (s->image.isNull()) {
        return false;
    }
    // Adobe writes CMYK inverted; its marker says so.
    const bool inverted = s->info.saw_Adobe_marker;
    if (s->cmyk) {
        s->cmykRow.resize(static_cast<std::size_t>(s->info.output_width) * 4);
    }
    while (s->info.output_scanline < rows) {
        const int y = static_cast<int>(s->info.output_scanline);
        JSAMPROW row = s->cmyk ? s->cmykRow.data() : s->image.scanLine(y);
        if (jpeg_read_scanlines(&s->info, &row, 1) != 1) {
            return false;
        }
        if (s->cmyk) {
            CmykRowToRgb(s->cmykRow.data(), reinterpret_cast<QRgb*>(s->image.scanLine(y)),
                         static_cast<int>(s->info.output_width), inverted);
        }
    }
    if (rows < s->info.output_height) {
        jpeg_abort_decompress(&s->info);
    } else {
        jpeg_finish_decompress(&s->info);
    }
    if (shown.width() < s->image.width()) {
        s->image = s->image.copy(0, 0, shown.width(), s->image.height());
    }
    return true;
}

}  // namespace

QImage DecodeJpeg(std::span<const std::uint8_t> bytes, const std::optional<PictureUse>& use) {
    if (bytes.empty()) {
        return {};
    }
    auto state = std::make_unique<DecodeState>();
    state->info.err = jpeg_std_error(&state->errors.pub);
    state->errors.pub.error_exit = ExitOnError;
    state->errors.pub.output_message = IgnoreMessage;
    const bool ok = Decode(state.get(), bytes.data(), bytes.size(), use);
    jpeg_destroy_decompress(&state->info);
    if (!ok) {
        return {};
    }
    return std::move(state->image);
}

}  // namespace avatrix::image
