#include "media/AudioOutput.h"

#include <dlfcn.h>

#include <mutex>

namespace avatrix::media {

namespace {

// Device-side buffering: long enough to ride out a busy moment, short
// enough that a device which ignores a drop still falls quiet soon.
constexpr double kDeviceBufferSeconds = 0.3;
// How far a sound device may run ahead of the clock before the clock holds
// it back: well beyond the device buffer, so a working device never waits.
constexpr double kDeviceLeadSeconds = 1.0;
// After a stall this far behind the clock, pacing starts afresh instead of
// rushing to catch up.
constexpr double kMaxLagSeconds = 0.25;

// The output modules are loaded and unloaded with each device, and with them
// the system sound libraries, whose configuration caches would be parsed
// anew every time and lost (leaked) at each unload. Keeping the libraries
// resident makes those caches live for the process instead.
void KeepSoundLibrariesLoaded() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (const char* library : {"libasound.so.2", "libpulse-simple.so.0", "libpulse.so.0"}) {
            dlopen(library, RTLD_LAZY | RTLD_LOCAL);
        }
    });
}

}  // namespace

void PlaybackClock::Restart() {
    start_ = Clock::now();
    seconds_ = 0.0;
}

std::optional<PlaybackClock::Clock::time_point> PlaybackClock::Advance(std::size_t frames,
                                                                       long rate) {
    if (speed_ <= 0.0 || rate <= 0) {
        return std::nullopt;
    }
    const auto now = Clock::now();
    const auto dueNow = start_ + std::chrono::duration_cast<Clock::duration>(
                                     std::chrono::duration<double>(seconds_ / speed_));
    if (now - dueNow > std::chrono::duration<double>(kMaxLagSeconds)) {
        Restart();
    }
    seconds_ += static_cast<double>(frames) / static_cast<double>(rate);
    return start_ + std::chrono::duration_cast<Clock::duration>(
                        std::chrono::duration<double>(seconds_ / speed_));
}

AudioOutput::AudioOutput(OutputSettings settings)
    : settings_(std::move(settings)), clock_(settings_.clockSpeed) {}

AudioOutput::~AudioOutput() {
    Close();
}

bool AudioOutput::Prepare(const PcmFormat& format) {
    if (silent_) {
        return false;
    }
    if (!opened_) {
        opened_ = true;
        KeepSoundLibrariesLoaded();
        device_ = NewOutput();
        if (!device_) {
            GoSilent();
            return false;
        }
        out123_param2(device_.get(), OUT123_DEVICEBUFFER, 0, kDeviceBufferSeconds, nullptr);
        const char* device = settings_.device.empty() ? nullptr : settings_.device.c_str();
        if (out123_open(device_.get(), settings_.modules.c_str(), device) != 0) {
            GoSilent();
            return false;
        }
        long properties = 0;
        double unusedReal = 0.0;
        out123_getparam2(device_.get(), OUT123_PROPFLAGS, &properties, &unusedReal, nullptr);
        devicePaces_ = (properties & OUT123_PROP_LIVE) != 0;
    }
    if (started_ && format == format_) {
        return true;
    }
    if (started_) {
        // A new format only comes with a new entry; the end of the previous
        // one may still be playing, so let it finish.
        out123_stop(device_.get());
        started_ = false;
    }
    if (out123_start(device_.get(), format.rate, format.channels, format.encoding) != 0) {
        GoSilent();
        return false;
    }
    started_ = true;
    format_ = format;
    return true;
}

std::optional<PlaybackClock::Clock::time_point> AudioOutput::Play(const PcmFormat& format,
                                                                  unsigned char* data,
                                                                  std::size_t bytes) {
    const std::size_t frames = bytes / static_cast<std::size_t>(format.FrameBytes());
    if (Prepare(format)) {
        const std::size_t played = out123_play(device_.get(), data, bytes);
        if (played == bytes) {
            const auto due = clock_.Advance(frames, format.rate);
            if (due && devicePaces_) {
                // A sound device blocks until it has room, so the clock only
                // steps in for one that takes sound faster than it can play
                // (a null device), which would otherwise keep a core busy.
                return *due - std::chrono::duration_cast<PlaybackClock::Clock::duration>(
                                  std::chrono::duration<double>(kDeviceLeadSeconds));
            }
            return due;
        }
        // The device went away in mid-play: carry on without it.
        GoSilent();
    }
    return clock_.Advance(frames, format.rate);
}

void AudioOutput::GoSilent() {
    if (device_) {
        out123_drop(device_.get());
    }
    device_.reset();
    silent_ = true;
    started_ = false;
    devicePaces_ = false;
    clock_.Restart();
}

void AudioOutput::Pause() {
    if (device_ && started_) {
        out123_drop(device_.get());
        out123_pause(device_.get());
    }
}

void AudioOutput::Resume() {
    if (device_ && started_) {
        out123_continue(device_.get());
    }
    clock_.Restart();
}

void AudioOutput::Close() {
    if (device_) {
        out123_drop(device_.get());
        out123_close(device_.get());
        device_.reset();
    }
    started_ = false;
}

}  // namespace avatrix::media
