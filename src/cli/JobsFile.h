#pragma once

#include <cstddef>
#include <vector>

#include <QByteArray>
#include <QDir>
#include <QString>

#include "cli/OutputFormat.h"
#include "cli/RenderSettings.h"

// The jobs file of a batch: one avatar a line, tab-separated columns
//   PICTURE, TEXT, [OUT, [NAME=VALUE ...]]
// in UTF-8; an empty PICTURE makes a name avatar, and then needs OUT. Lines are numbered from 1 as
// an editor numbers them.
namespace avatrix::cli {

struct Job {
    int line = 0;
    QString picture;  // as a path to open; empty for a name avatar
    QString output;   // a file name inside the output folder
    OutputFormat format = OutputFormat::Png;
    RenderSettings settings;
};

struct BadLine {
    int line = 0;
    QString reason;
};

// The jobs of a jobs file, kept small enough for a million lines: each job is
// only its line's bytes and where they lie. A job's settings, output and
// picture path are made again from its line when asked for; most lines share
// the run's defaults, and a copy of them a line would cost more than the rest.
class JobList {
  public:
    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    int LineOf(std::size_t index) const { return entries_[index].line; }
    // The job in full, its picture path resolved; safe from several threads.
    Job At(std::size_t index) const;
    // The picture's path alone, empty for a name avatar.
    QString PictureOf(std::size_t index) const;

    std::vector<BadLine> bad;  // in line order

  private:
    friend JobList ParseJobs(QByteArray bytes, const RenderSettings& defaults,
                             OutputFormat defaultFormat, const QDir& pictureDir);

    struct Entry {
        qsizetype offset = 0;
        int length = 0;
        int line = 0;
    };
    QString LineText(const Entry& entry) const;

    QByteArray lines_;  // the jobs' lines, one after another
    std::vector<Entry> entries_;
    RenderSettings defaults_;
    OutputFormat defaultFormat_ = OutputFormat::Png;
    // A path, not a QDir: each thread makes its own QDir of it.
    QString pictureDir_;
};

// Every line of `bytes` as a job over `defaults`, or as a bad line with the
// reason. Relative picture paths are taken from `pictureDir`. Two lines with
// one output: the later is bad, so no job overwrites another's avatar. The
// jobs keep their lines in `bytes`' own memory, so pass it moved when it is
// not needed after.
JobList ParseJobs(QByteArray bytes, const RenderSettings& defaults, OutputFormat defaultFormat,
                  const QDir& pictureDir);

// The banner text of a TEXT column: \n, \t and \\ become a line break, a
// tab and a backslash; any other backslash stays as it is.
QString UnescapeText(const QString& column);

}  // namespace avatrix::cli
