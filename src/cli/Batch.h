#pragma once

#include <QDir>

#include "cli/JobsFile.h"
#include "cli/ProgressReport.h"

namespace avatrix::cli {

// Makes every job's avatar in `outDir` on `workers` threads (one per
// processor for 0), each thread taking the next job as it finishes one.
// Progress goes to `report` as jobs finish; failures, the jobs' and the
// lines' that made no job (`jobs.bad`), go to it in line order, each as soon as
// every line before it is done.
void RunJobs(const JobList& jobs, const QDir& outDir, bool force, int workers,
             ProgressReport& report);

}  // namespace avatrix::cli
