#pragma once

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

struct JobList {
    std::vector<Job> jobs;
    std::vector<BadLine> bad;
};

// Every line of `bytes` as a job over `defaults`, or as a bad line with the
// reason. Relative picture paths are taken from `pictureDir`. Two lines with
// one output: the later is bad, so no job overwrites another's avatar.
JobList ParseJobs(const QByteArray& bytes, const RenderSettings& defaults,
                  OutputFormat defaultFormat, const QDir& pictureDir);

// The banner text of a TEXT column: \n, \t and \\ become a line break, a
// tab and a backslash; any other backslash stays as it is.
QString UnescapeText(const QString& column);

}  // namespace avatrix::cli
