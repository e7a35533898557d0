#include "cli/Batch.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include <QThread>

#include "cli/AvatarJob.h"

namespace avatrix::cli {
namespace {

struct Outcome {
    int line;
    QString error;
};

// Workers hand their outcomes to the reporting thread through this.
class Outcomes {
  public:
    void Put(Outcome outcome) {
        {
            std::lock_guard lock(mutex_);
            queue_.push_back(std::move(outcome));
        }
        ready_.notify_one();
    }
    Outcome Take() {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [this] { return !queue_.empty(); });
        Outcome outcome = std::move(queue_.front());
        queue_.pop_front();
        return outcome;
    }

  private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Outcome> queue_;
};

}  // namespace

void RunJobs(const std::vector<Job>& jobs, const QDir& outDir, bool force, int workers,
             ProgressReport& report) {
    if (jobs.empty()) {
        return;
    }
    const int count = std::clamp(workers > 0 ? workers : QThread::idealThreadCount(), 1,
                                 static_cast<int>(jobs.size()));
    std::atomic<std::size_t> next{0};
    Outcomes outcomes;
    auto work = [&] {
        for (std::size_t i = next++; i < jobs.size(); i = next++) {
            const Job& job = jobs[i];
            outcomes.Put({job.line, MakeAvatar(job.picture, job.settings, job.format,
                                               outDir.filePath(job.output), force)});
        }
    };
    std::vector<std::thread> threads;
    threads.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        threads.emplace_back(work);
    }
    for (std::size_t received = 0; received < jobs.size(); ++received) {
        const Outcome outcome = outcomes.Take();
        if (!outcome.error.isEmpty()) {
            report.Failure(outcome.line, outcome.error);
        }
        report.Finished(outcome.error.isEmpty());
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
}

}  // namespace avatrix::cli
