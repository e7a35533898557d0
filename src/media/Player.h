#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "media/AudioOutput.h"
#include "media/MusicPlayer.h"

namespace avatrix::media {

struct PlayerSettings {
    OutputSettings output;
    // Called on the playback thread after each block has gone to the output,
    // with the entry's index in the list and the block's PCM frame count.
    std::function<void(int entry, std::size_t frames)> frameObserver;
};

// What a player is doing, for the tests and benchmarks that watch it.
struct PlayerStatus {
    bool running = false;           // a playback thread is at work
    bool paused = false;            // pause requested
    bool pauseTakenEffect = false;  // the playback thread has fallen silent
    bool silent = false;            // no device took the sound
    std::int64_t framesPlayed = 0;  // PCM frames handed to the output since NewPlay
    int passesCompleted = 0;        // since NewPlay
    int currentEntry = 0;
};

// One player: a play list, the entry it stands on, the passes to play
// (kEndlessPasses for no end) and a paused flag, with a thread of its own doing the playback.
class Player {
  public:
    // `paths` are file-system paths; `passCount` below 0 plays without end too.
    Player(std::vector<std::string> paths, int passCount, PlayerSettings settings);
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Plays from the start of the current entry, not paused, in the
    // background; a playback already running is stopped first.
    void Play();
    void SetPaused(bool paused);
    // Stops playback and waits for its thread to end.
    void Stop();

    PlayerStatus Status() const;

  private:
    enum class EntryEnd { Finished, Stopped };

    void Run();
    EntryEnd PlayEntry(int entry, AudioOutput& output, std::size_t& framesThisPass);
    // Waits out a pause; false when a stop came instead.
    bool WaitWhilePaused(AudioOutput& output);

    const std::vector<std::string> paths_;
    const int passCount_;
    const PlayerSettings settings_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::thread thread_;
    bool stopRequested_ = false;
    PlayerStatus status_;
};

}  // namespace avatrix::media
