#include "cli/Commands.h"

#include <cstdio>

#include <QFile>
#include <QFileInfo>

#include "cli/AvatarJob.h"
#include "cli/Batch.h"
#include "cli/JobsFile.h"
#include "cli/ProgressReport.h"

namespace avatrix::cli {
namespace {

// A jobs file is text; anything this large is a mistake.
constexpr qint64 kLargestJobsFile = qint64{64} << 20;

void Complain(const QString& message) {
    std::fprintf(stderr, "avatrix-render: %s\n", message.toUtf8().constData());
}

}  // namespace

int RunSingle(const Invocation& run) {
    const QString error = MakeAvatar(run.picture, run.settings, run.format, run.output, run.force);
    if (!error.isEmpty()) {
        Complain(error);
        return kSomeFailed;
    }
    return kAllWritten;
}

int RunBatch(const Invocation& run) {
    QFile file(run.jobsFile);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kLargestJobsFile) {
        Complain(QStringLiteral("cannot read jobs file %1").arg(run.jobsFile));
        return kBadUsage;
    }
    const QByteArray bytes = file.readAll();
    const JobList list =
        ParseJobs(bytes, run.settings, run.format, QFileInfo(run.jobsFile).absoluteDir());
    QDir outDir(run.outDir);
    if (!QDir().mkpath(run.outDir)) {
        Complain(QStringLiteral("cannot make folder %1").arg(run.outDir));
        return kBadUsage;
    }

    ProgressReport report(run.jobsFile, static_cast<int>(list.jobs.size()),
                          ProgressReport::StderrIsTerminal());
    RunJobs(list.jobs, list.bad, outDir, run.force, run.jobs, report);
    report.Close();
    return report.failed() == 0 ? kAllWritten : kSomeFailed;
}

}  // namespace avatrix::cli
