#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

#include "media/MpegDecoder.h"
#include "media/Mpg123Handles.h"

namespace avatrix::media {

// Where decoded sound goes. The module list is always explicit: letting the
// output library choose by itself can pick a module that keeps a core busy.
struct OutputSettings {
    std::string modules = "pulse,alsa";
    std::string device;  // empty: the module's default (for file modules a file name)
    // How fast the clock paces output that does not pace itself (no device
    // could be opened, or a file module): 1 is real time, 0 not paced at all.
    double clockSpeed = 1.0;
};

// Keeps a stream of PCM on the wall clock when nothing else does.
class PlaybackClock {
  public:
    using Clock = std::chrono::steady_clock;

    explicit PlaybackClock(double speed) : speed_(speed) {}

    // Starts counting from now, as after a pause.
    void Restart();
    // Accounts for `frames` more frames at `rate` and returns when they are
    // due to have been heard; nullopt when pacing is off.
    std::optional<Clock::time_point> Advance(std::size_t frames, long rate);

  private:
    double speed_;
    Clock::time_point start_ = Clock::now();
    double seconds_ = 0.0;
};

// One playback's sound output. Opens the device on first use; when no device
// opens, or one fails while playing, the output goes silent and is paced by
// the clock instead, so that playback neither spins nor stalls.
class AudioOutput {
  public:
    explicit AudioOutput(OutputSettings settings);
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // Hands over one block of PCM in `format`. Returns the moment until which
    // the caller should wait before the next block, or nullopt when pacing is
    // off. `data` may be modified.
    std::optional<PlaybackClock::Clock::time_point> Play(const PcmFormat& format,
                                                         unsigned char* data, std::size_t bytes);

    // Silences at once, dropping what the device still holds.
    void Pause();
    void Resume();
    // Drops pending sound and releases the device.
    void Close();

    // True once it is clear that no device takes the sound.
    bool Silent() const { return silent_; }

  private:
    bool Prepare(const PcmFormat& format);
    void GoSilent();

    OutputSettings settings_;
    OutputHandle device_;
    bool silent_ = false;
    bool opened_ = false;
    bool started_ = false;
    bool devicePaces_ = false;
    PcmFormat format_;
    PlaybackClock clock_;
};

}  // namespace avatrix::media
