// Costs of background music: the CPU share of playback in real time, and how
// quickly a pause falls silent and a removal returns.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "media/MusicPlayer.h"
#include "media/MusicTesting.h"

namespace {

namespace fs = std::filesystem;
using namespace avatrix::media;
using Clock = std::chrono::steady_clock;

// A 30 s stretch of broadband sound at 44.1 kHz stereo, 128 kbit/s, made once.
const fs::path& SoundFile() {
    static const fs::path file = [] {
        std::string folder = (fs::temp_directory_path() / "avatrix-bench-XXXXXX").string();
        if (mkdtemp(folder.data()) == nullptr) {
            std::abort();
        }
        const fs::path wav = fs::path(folder) / "noise.wav";
        const fs::path mp3 = fs::path(folder) / "noise.mp3";
        const std::string make = "sox -n -r 44100 -c 2 '" + wav.string() +
                                 "' synth 30 pinknoise vol 0.5 && lame --quiet -b 128 '" +
                                 wav.string() + "' '" + mp3.string() + "'";
        if (std::system(make.c_str()) != 0) {
            std::abort();
        }
        std::atexit([] { fs::remove_all(SoundFile().parent_path()); });
        return mp3;
    }();
    return file;
}

std::string PlayList() {
    return SoundFile().string() + std::string(2, '\0');
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void Route(const std::string& modules, const std::string& device, double clockSpeed) {
    PlayerSettings settings;
    settings.output = OutputSettings{modules, device, clockSpeed};
    testing::SetPlayerSettings(settings);
}

PlayerStatus Status(PlayerHandle player) {
    return testing::GetPlayerStatus(player).value_or(PlayerStatus{});
}

template <typename Condition>
void Await(Condition condition) {
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (!condition() && Clock::now() < deadline) {
        std::this_thread::yield();
    }
}

// Playback in real time as on a machine without a sound device (the silent,
// clock-paced path) or into the discarding module paced by the clock. The
// benchmark thread sleeps meanwhile, so the process's CPU time is the
// player's. Reported as percent of one core.
void BM_PlaybackCpuShare(benchmark::State& state, std::string modules, std::string device) {
    const auto seconds = std::chrono::seconds(state.range(0));
    Route(modules, device, 1.0);
    SoundFile();
    double share = 0.0;
    for (auto _ : state) {
        const PlayerHandle player = CreatePlayer(PlayList(), 0);
        const double cpuBefore = CpuSeconds();
        const auto start = Clock::now();
        NewPlay(player);
        std::this_thread::sleep_for(seconds);
        const double cpu = CpuSeconds() - cpuBefore;
        const double wall = std::chrono::duration<double>(Clock::now() - start).count();
        RemovePlayer(player);
        share = 100.0 * cpu / wall;
    }
    state.counters["cpu_percent_of_core"] = share;
    testing::SetPlayerSettings(std::nullopt);
}
BENCHMARK_CAPTURE(BM_PlaybackCpuShare, silent_device, std::string("alsa"),
                  std::string("avatrix-no-such-device"))
    ->Arg(20)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_PlaybackCpuShare, null_sound_device, std::string("alsa"), std::string("null"))
    ->Arg(20)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_PlaybackCpuShare, discarding_module, std::string("test"), std::string())
    ->Arg(20)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

// Decoding alone, as fast as it goes: CPU seconds per second of sound.
void BM_DecodeCostPerSecondOfSound(benchmark::State& state) {
    Route("test", "", 0.0);
    SoundFile();
    double share = 0.0;
    for (auto _ : state) {
        const PlayerHandle player = CreatePlayer(PlayList(), 1);
        const double cpuBefore = CpuSeconds();
        NewPlay(player);
        Await([&] { return !Status(player).running; });
        const double cpu = CpuSeconds() - cpuBefore;
        const double soundSeconds = static_cast<double>(Status(player).framesPlayed) / 44100.0;
        RemovePlayer(player);
        share = 100.0 * cpu / soundSeconds;
    }
    state.counters["cpu_percent_of_core"] = share;
    testing::SetPlayerSettings(std::nullopt);
}
BENCHMARK(BM_DecodeCostPerSecondOfSound)->Iterations(3)->Unit(benchmark::kMillisecond);

// From SetPauseState(1) until the playback thread has dropped what the output
// held and stopped handing it sound.
void BM_PauseToSilence(benchmark::State& state, std::string modules, std::string device) {
    Route(modules, device, 1.0);
    SoundFile();
    const PlayerHandle player = CreatePlayer(PlayList(), 0);
    NewPlay(player);
    for (auto _ : state) {
        SetPauseState(player, 0);
        Await([&] { return !Status(player).pauseTakenEffect; });
        const auto frames = Status(player).framesPlayed;
        Await([&] { return Status(player).framesPlayed > frames; });
        const auto start = Clock::now();
        SetPauseState(player, 1);
        Await([&] { return Status(player).pauseTakenEffect; });
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    RemovePlayer(player);
    testing::SetPlayerSettings(std::nullopt);
}
BENCHMARK_CAPTURE(BM_PauseToSilence, discarding_module, std::string("test"), std::string())
    ->UseManualTime()
    ->Iterations(50)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PauseToSilence, null_sound_device, std::string("alsa"), std::string("null"))
    ->UseManualTime()
    ->Iterations(50)
    ->Unit(benchmark::kMillisecond);

// RemovePlayer during playback, from the call until it returns.
void BM_RemoveDuringPlayback(benchmark::State& state, std::string modules, std::string device) {
    Route(modules, device, 1.0);
    SoundFile();
    for (auto _ : state) {
        const PlayerHandle player = CreatePlayer(PlayList(), 0);
        NewPlay(player);
        Await([&] { return Status(player).framesPlayed > 0; });
        const auto start = Clock::now();
        RemovePlayer(player);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    testing::SetPlayerSettings(std::nullopt);
}
BENCHMARK_CAPTURE(BM_RemoveDuringPlayback, discarding_module, std::string("test"), std::string())
    ->UseManualTime()
    ->Iterations(50)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RemoveDuringPlayback, null_sound_device, std::string("alsa"),
                  std::string("null"))
    ->UseManualTime()
    ->Iterations(50)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
