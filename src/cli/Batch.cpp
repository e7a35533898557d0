#include "cli/Batch.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <limits>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>

#include <QFile>
#include <QThread>

#include "cli/AvatarJob.h"

namespace avatrix::cli {
namespace {

struct Outcome {
    std::size_t job;
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

// Holds back what finishes early so that failures are printed in line order:
// the jobs' (whose lines increase with their index) merged with the bad
// lines', each printed once every line before it is done.
class InLineOrder {
  public:
    InLineOrder(const JobList& jobs, ProgressReport& report)
        : jobs_(jobs), bad_(jobs.bad), report_(report), done_(jobs.size()) {}

    void Done(Outcome outcome) {
        report_.Finished(outcome.error.isEmpty());
        if (!outcome.error.isEmpty()) {
            errors_.emplace(outcome.job, std::move(outcome.error));
        }
        done_[outcome.job] = true;
        for (; nextJob_ < jobs_.size() && done_[nextJob_]; ++nextJob_) {
            BadLinesBefore(jobs_.LineOf(nextJob_));
            if (const auto error = errors_.find(nextJob_); error != errors_.end()) {
                report_.Failure(jobs_.LineOf(nextJob_), error->second);
                errors_.erase(error);
            }
        }
    }

    // The bad lines after the last job.
    void Finish() { BadLinesBefore(std::numeric_limits<int>::max()); }

  private:
    void BadLinesBefore(int line) {
        for (; nextBad_ < bad_.size() && bad_[nextBad_].line < line; ++nextBad_) {
            report_.Failure(bad_[nextBad_].line, bad_[nextBad_].reason);
        }
    }

    const JobList& jobs_;
    const std::vector<BadLine>& bad_;
    ProgressReport& report_;
    // Only the failures not yet printed, so a large batch holds no text a job.
    std::unordered_map<std::size_t, QString> errors_;
    std::vector<bool> done_;
    std::size_t nextJob_ = 0;
    std::size_t nextBad_ = 0;
};

// Memory the workers may hold between them: a job waits until what it may
// need fits beside the others', so many workers on large pictures cannot add
// up past it. A job larger than the whole runs alone.
constexpr std::int64_t kBatchMemoryBudget = std::int64_t{256} << 20;

class MemoryBudget {
  public:
    void Take(std::int64_t amount) {
        std::unique_lock lock(mutex_);
        freed_.wait(lock, [&] { return used_ == 0 || used_ + amount <= kBatchMemoryBudget; });
        used_ += amount;
    }
    void Give(std::int64_t amount) {
        {
            std::lock_guard lock(mutex_);
            used_ -= amount;
        }
        freed_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable freed_;
    std::int64_t used_ = 0;
};

// An avatar drawn and waiting to be written.
struct PendingWrite {
    std::size_t job = 0;
    std::int64_t memory = 0;  // what it holds of the memory budget
    QString picture;
    QString output;
    QByteArray bytes;
};

// Writing waits on the disk, as every file is flushed before it takes its
// name, so it has threads of its own and the drawing keeps the processors
// busy meanwhile. Few are held waiting: each holds its share of the memory
// budget until written.
constexpr int kWriters = 4;
constexpr std::size_t kMostPendingWrites = 2 * kWriters;

class WriteQueue {
  public:
    void Put(PendingWrite write) {
        std::unique_lock lock(mutex_);
        room_.wait(lock, [this] { return queue_.size() < kMostPendingWrites; });
        queue_.push_back(std::move(write));
        lock.unlock();
        ready_.notify_one();
    }
    // The next write, or none once the queue is closed and empty.
    std::optional<PendingWrite> Take() {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [this] { return !queue_.empty() || closed_; });
        if (queue_.empty()) {
            return std::nullopt;
        }
        PendingWrite write = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        room_.notify_one();
        return write;
    }
    void Close() {
        {
            std::lock_guard lock(mutex_);
            closed_ = true;
        }
        ready_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::condition_variable room_;
    std::deque<PendingWrite> queue_;
    bool closed_ = false;
};

// Every picture the batch reads, so no job's output replaces another's input.
std::vector<ui::FileIdentity> PicturesOf(const JobList& jobs) {
    std::vector<ui::FileIdentity> pictures;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        if (ui::FileIdentity identity;
            ui::IdentifyFile(QFile::encodeName(jobs.PictureOf(i)).toStdString(), identity)) {
            pictures.push_back(identity);
        }
    }
    std::sort(pictures.begin(), pictures.end());
    pictures.erase(std::unique(pictures.begin(), pictures.end()), pictures.end());
    return pictures;
}

}  // namespace

void RunJobs(const JobList& jobs, const QDir& outDir, bool force, int workers,
             ProgressReport& report) {
    InLineOrder ordered(jobs, report);
    if (jobs.empty()) {
        ordered.Finish();
        return;
    }
    const int count = std::clamp(workers > 0 ? workers : QThread::idealThreadCount(), 1,
                                 static_cast<int>(jobs.size()));
    const std::vector<ui::FileIdentity> pictures = PicturesOf(jobs);
    MemoryBudget budget;
    std::atomic<std::size_t> next{0};
    Outcomes outcomes;
    WriteQueue writes;
    auto draw = [&] {
        for (std::size_t i = next++; i < jobs.size(); i = next++) {
            const Job job = jobs.At(i);
            const std::int64_t need = AvatarMemoryEstimate(job.picture, job.settings);
            budget.Take(need);
            PendingWrite write{i, need, job.picture, outDir.filePath(job.output), {}};
            QString error =
                DrawAvatar(job.picture, job.settings, job.format, write.output, force, write.bytes);
            if (error.isEmpty()) {
                writes.Put(std::move(write));
            } else {
                budget.Give(need);
                outcomes.Put({i, std::move(error)});
            }
        }
    };
    auto write = [&] {
        while (std::optional<PendingWrite> pending = writes.Take()) {
            QString error = WriteAvatar(pending->picture, pending->output, pending->bytes, force,
                                        pictures, false);
            pending->bytes.clear();
            budget.Give(pending->memory);
            outcomes.Put({pending->job, std::move(error)});
        }
    };
    std::vector<std::thread> drawers;
    drawers.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        drawers.emplace_back(draw);
    }
    std::vector<std::thread> writers;
    for (int i = 0; i < kWriters; ++i) {
        writers.emplace_back(write);
    }
    for (std::size_t received = 0; received < jobs.size(); ++received) {
        ordered.Done(outcomes.Take());
    }
    for (std::thread& thread : drawers) {
        thread.join();
    }
    writes.Close();
    for (std::thread& thread : writers) {
        thread.join();
    }
    // The files' bytes went to the disk one by one; their names go once,
    // before the run says it is done.
    ui::SyncFolder(QFile::encodeName(outDir.absolutePath()).toStdString());
    ordered.Finish();
}

}  // namespace avatrix::cli
