#include "cli/ProgressReport.h"

#include <cstdlib>

#include <unistd.h>

namespace avatrix::cli {
namespace {

constexpr int kBarWidth = 30;
// Often enough to look alive, rarely enough to cost nothing.
constexpr auto kRedrawInterval = std::chrono::milliseconds(80);

}  // namespace

ProgressReport::ProgressReport(QString source, int total, bool terminal, std::FILE* out)
    : source_(std::move(source)), total_(total), terminal_(terminal), out_(out) {
    Draw(true);
}

bool ProgressReport::StderrIsTerminal() {
    const char* term = std::getenv("TERM");
    return isatty(STDERR_FILENO) == 1 && !(term != nullptr && QByteArray(term) == "dumb");
}

void ProgressReport::Failure(int line, const QString& reason) {
    ++failed_;
    ClearBar();
    std::fprintf(out_, "%s:%d: %s\n", source_.toUtf8().constData(), line,
                 reason.toUtf8().constData());
    Draw(true);
}

void ProgressReport::Finished(bool written) {
    ++done_;
    if (written) {
        ++written_;
    }
    Draw(done_ == total_);
}

void ProgressReport::Close() {
    if (barShown_) {
        std::fputc('\n', out_);
        barShown_ = false;
    }
    if (failed_ > 0) {
        std::fprintf(out_, "avatrix-render: %d written, %d failed\n", written_, failed_);
    }
    std::fflush(out_);
}

void ProgressReport::ClearBar() {
    if (barShown_) {
        std::fputs("\r\033[K", out_);
    }
}

void ProgressReport::Draw(bool now) {
    if (!terminal_) {
        return;
    }
    const auto time = std::chrono::steady_clock::now();
    if (!now && barShown_ && time - lastDraw_ < kRedrawInterval) {
        return;
    }
    lastDraw_ = time;
    const int filled = total_ > 0 ? done_ * kBarWidth / total_ : kBarWidth;
    char bar[kBarWidth + 1];
    for (int i = 0; i < kBarWidth; ++i) {
        bar[i] = i < filled ? '#' : '.';
    }
    bar[kBarWidth] = '\0';
    std::fprintf(out_, "\r\033[K[%s] %d/%d", bar, done_, total_);
    if (failed_ > 0) {
        std::fprintf(out_, "  %d failed", failed_);
    }
    std::fflush(out_);
    barShown_ = true;
}

}  // namespace avatrix::cli
