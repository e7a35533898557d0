#include "cli/Commands.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>

#include "cli/AvatarJob.h"
#include "cli/Batch.h"
#include "cli/JobsFile.h"
#include "cli/ProgressReport.h"

namespace avatrix::cli {
namespace {

// A jobs file is text; anything this large is a mistake.
constexpr qsizetype kLargestJobsFile = qsizetype{64} << 20;

void Complain(const QString& message) {
    std::fprintf(stderr, "avatrix-render: %s\n", PrintableText(message).toUtf8().constData());
}

enum class JobsRead { Read, Unreadable, TooLarge };

// Reads at most one byte past the limit whatever the file is (a pipe, a
// device, a file still growing), so nothing makes the read unbounded.
JobsRead ReadJobsFile(const QString& path, QByteArray& bytes) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return JobsRead::Unreadable;
    }
    constexpr qsizetype kChunk = qsizetype{1} << 16;
    JobsRead outcome = JobsRead::Read;
    qsizetype filled = 0;
    for (;;) {
        const qsizetype room = std::min<qsizetype>(kChunk, kLargestJobsFile + 1 - filled);
        if (room == 0) {
            outcome = JobsRead::TooLarge;
            break;
        }
        bytes.resize(filled + room);
        const ssize_t got = ::read(fd, bytes.data() + filled, static_cast<std::size_t>(room));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            outcome = JobsRead::Unreadable;
            break;
        }
        if (got == 0) {
            break;
        }
        filled += got;
    }
    ::close(fd);
    bytes.resize(outcome == JobsRead::Read ? filled : 0);
    bytes.squeeze();
    return outcome;
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
    QByteArray bytes;
    switch (ReadJobsFile(run.jobsFile, bytes)) {
        case JobsRead::Read:
            break;
        case JobsRead::Unreadable:
            Complain(QStringLiteral("cannot read jobs file %1").arg(run.jobsFile));
            return kBadUsage;
        case JobsRead::TooLarge:
            Complain(QStringLiteral("jobs file %1 is too large (more than %2 MB)")
                         .arg(run.jobsFile)
                         .arg(kLargestJobsFile >> 20));
            return kBadUsage;
    }
    // The jobs keep their lines in the file's own bytes, so no second copy
    // of it stays alive while they run.
    const JobList list = ParseJobs(std::move(bytes), run.settings, run.format,
                                   QFileInfo(run.jobsFile).absoluteDir());
    QDir outDir(run.outDir);
    if (!QDir().mkpath(run.outDir)) {
        Complain(QStringLiteral("cannot make folder %1").arg(run.outDir));
        return kBadUsage;
    }

    ProgressReport report(run.jobsFile, static_cast<int>(list.size()),
                          ProgressReport::StderrIsTerminal());
    RunJobs(list, outDir, run.force, run.jobs, report);
    report.Close();
    return report.failed() == 0 ? kAllWritten : kSomeFailed;
}

std::optional<Invocation> ParseArguments(const QStringList& arguments) {
    QString error;
    std::optional<Invocation> run = ParseCommandLine(arguments, error);
    if (!run) {
        std::fprintf(stderr, "avatrix-render: %s\nTry 'avatrix-render --help'.\n",
                     error.toUtf8().constData());
    }
    return run;
}

int RunInvocation(const Invocation& run) {
    switch (run.mode) {
        case Mode::Help:
        case Mode::Version:
            std::fputs((run.mode == Mode::Help ? HelpText() : VersionText()).toUtf8().constData(),
                       stdout);
            return std::fflush(stdout) == 0 ? kAllWritten : kSomeFailed;
        case Mode::Batch:
            return RunBatch(run);
        case Mode::Single:
            break;
    }
    return RunSingle(run);
}

int RunCommandLine(const QStringList& arguments) {
    const std::optional<Invocation> run = ParseArguments(arguments);
    return run ? RunInvocation(*run) : kBadUsage;
}

}  // namespace avatrix::cli
