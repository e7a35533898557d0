#include "media/Player.h"

#include <exception>

namespace avatrix::media {

namespace {

// Sound that only the clock paces may run this far ahead of it, so that the
// thread wakes a few times a second rather than once per decoded block.
constexpr auto kPacingLead = std::chrono::milliseconds(200);

}  // namespace

Player::Player(std::vector<std::string> paths, int passCount, PlayerSettings settings)
    : paths_(std::move(paths)),
      passCount_(passCount < 0 ? kEndlessPasses : passCount),
      settings_(std::move(settings)) {}

Player::~Player() {
    Stop();
}

void Player::Play() {
    Stop();
    std::lock_guard lock(mutex_);
    stopRequested_ = false;
    status_.running = true;
    status_.paused = false;
    status_.pauseTakenEffect = false;
    status_.silent = false;
    status_.framesPlayed = 0;
    status_.passesCompleted = 0;
    if (paths_.empty()) {
        status_.running = false;
        return;
    }
    try {
        thread_ = std::thread([this] { Run(); });
    } catch (const std::exception&) {
        // No thread to be had: the player stays quiet.
        status_.running = false;
    }
}

void Player::SetPaused(bool paused) {
    {
        std::lock_guard lock(mutex_);
        status_.paused = paused;
    }
    wake_.notify_all();
}

void Player::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopRequested_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

PlayerStatus Player::Status() const {
    std::lock_guard lock(mutex_);
    return status_;
}

void Player::Run() {
    try {
        AudioOutput output(settings_.output);
        int entry = Status().currentEntry;
        std::size_t framesThisPass = 0;
        for (;;) {
            if (PlayEntry(entry, output, framesThisPass) == EntryEnd::Stopped) {
                break;
            }
            std::unique_lock lock(mutex_);
            entry = (entry + 1) % static_cast<int>(paths_.size());
            status_.currentEntry = entry;
            if (entry != 0) {
                continue;
            }
            ++status_.passesCompleted;
            // A list in which nothing could be played would otherwise be
            // retried without end and keep a core busy.
            if ((passCount_ != kEndlessPasses && status_.passesCompleted >= passCount_) ||
                framesThisPass == 0) {
                break;
            }
            framesThisPass = 0;
        }
        output.Close();
        std::lock_guard lock(mutex_);
        status_.silent = output.Silent();
    } catch (const std::exception&) {
        // Out of memory in the middle of playback: the music just ends.
    }
    std::lock_guard lock(mutex_);
    status_.running = false;
}

bool Player::WaitWhilePaused(AudioOutput& output) {
    std::unique_lock lock(mutex_);
    if (!status_.paused || stopRequested_) {
        return !stopRequested_;
    }
    lock.unlock();
    output.Pause();
    lock.lock();
    status_.pauseTakenEffect = true;
    wake_.wait(lock, [this] { return !status_.paused || stopRequested_; });
    status_.pauseTakenEffect = false;
    if (stopRequested_) {
        return false;
    }
    lock.unlock();
    output.Resume();
    return true;
}

Player::EntryEnd Player::PlayEntry(int entry, AudioOutput& output, std::size_t& framesThisPass) {
    MpegDecoder decoder;
    if (!decoder.Open(paths_[static_cast<std::size_t>(entry)])) {
        return WaitWhilePaused(output) ? EntryEnd::Finished : EntryEnd::Stopped;
    }
    std::vector<unsigned char> block(decoder.BlockBytes());
    for (;;) {
        if (!WaitWhilePaused(output)) {
            return EntryEnd::Stopped;
        }
        const std::size_t bytes = decoder.Read(block);
        if (bytes == 0) {
            return EntryEnd::Finished;
        }
        const PcmFormat format = decoder.Format();
        const std::size_t frames = bytes / static_cast<std::size_t>(format.FrameBytes());
        const auto due = output.Play(format, block.data(), bytes);
        framesThisPass += frames;
        if (settings_.frameObserver) {
            settings_.frameObserver(entry, frames);
        }
        std::unique_lock lock(mutex_);
        status_.framesPlayed += static_cast<std::int64_t>(frames);
        status_.silent = output.Silent();
        if (due && *due - PlaybackClock::Clock::now() > kPacingLead) {
            wake_.wait_until(lock, *due - kPacingLead / 2,
                             [this] { return stopRequested_ || status_.paused; });
        }
        if (stopRequested_) {
            return EntryEnd::Stopped;
        }
    }
}

}  // namespace avatrix::media
