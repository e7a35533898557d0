#pragma once

#include <vector>

#include <QDir>

#include "cli/JobsFile.h"
#include "cli/ProgressReport.h"

namespace avatrix::cli {

// Makes every job's avatar in `outDir` on `workers` threads (one per
// processor for 0), each thread taking the next job as it finishes one.
// Failures go to `report` with their line numbers as they happen.
void RunJobs(const std::vector<Job>& jobs, const QDir& outDir, bool force, int workers,
             ProgressReport& report);

}  // namespace avatrix::cli
