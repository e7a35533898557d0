#pragma once

#include <chrono>
#include <cstdio>

#include <QString>

namespace avatrix::cli {

// `text` fit for a terminal: control characters (NUL, escape, line breaks, C1
// controls) of names taken from files come out as visible escapes such as
// \x1b, so they can neither cut a message nor command the terminal.
QString PrintableText(const QString& text);

// How a batch tells the user where it stands, on standard error: on a
// terminal a progress bar, with each failure printed above it; elsewhere
// (a log, a pipe) only a line per failure.
class ProgressReport {
  public:
    ProgressReport(QString source, int total, bool terminal, std::FILE* out = stderr);

    // "JOBS:LINE: reason".
    void Failure(int line, const QString& reason);
    void Finished(bool written);
    // Ends the bar's line and sums up any failures.
    void Close();

    int written() const { return written_; }
    int failed() const { return failed_; }

    // Whether standard error is a terminal the bar can be drawn on.
    static bool StderrIsTerminal();

  private:
    void Draw(bool now);
    void ClearBar();

    QString source_;
    int total_;
    bool terminal_;
    std::FILE* out_;
    int written_ = 0;
    int failed_ = 0;
    int done_ = 0;
    bool barShown_ = false;
    std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace avatrix::cli
