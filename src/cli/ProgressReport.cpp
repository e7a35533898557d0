#include "cli/ProgressReport.h"

#include <cstdlib>

#include <unistd.h>

namespace avatrix::cli {
namespace {

constexpr int kBarWidth = 30;
// Often enough to look alive, rarely enough to cost nothing.
constexpr auto kRedrawInterval = std::chrono::milliseconds(80);

}  // namespace

QString PrintableText(const QString& text) {
    QString printable;
    printable.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0x20 && u != 0x7F && (u < 0x80 || u >= 0xA0)) {
            printable += c;
        } else if (u == u'\n') {
            printable += QStringLiteral("\\n");
        } else if (u == u'\t') {
            printable += QStringLiteral("\\t");
        } else {
            printable += QStringLiteral("\\x%1").arg(static_cast<int>(u), 2, 16, QLatin1Char('0'));
        }
    }
    return printable;
}

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
    std::fprintf(out_, "%s:%d: %s\n", PrintableText(source_).toUtf8().constData(), line,
                 PrintableText(reason).toUtf8().constData());
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
