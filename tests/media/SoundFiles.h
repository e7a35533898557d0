#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Sound files made once per test run with sox and lame, in a scratch folder
// removed at exit, plus the small helpers the music tests share.
namespace avatrix::media::test {

struct SoundFiles {
    std::filesystem::path folder;
    std::filesystem::path tone;       // 0.5 s, 44.1 kHz stereo: 22050 frames
    std::filesystem::path shortTone;  // 0.3 s, 44.1 kHz stereo: 13230 frames
    std::filesystem::path longTone;   // 3 s, 44.1 kHz stereo: 132300 frames
    std::filesystem::path notMp3;     // a WAV file named .mp3
    std::filesystem::path truncated;  // the first part of `tone`
    std::filesystem::path empty;      // zero bytes
    std::filesystem::path missing;    // no such file
};
inline constexpr std::int64_t kToneFrames = 22050;
inline constexpr std::int64_t kShortToneFrames = 13230;
inline constexpr std::int64_t kLongToneFrames = 132300;

const SoundFiles& Sounds();

// A fresh file name in the scratch folder.
std::filesystem::path ScratchPath(const std::string& stem);

// Number of threads of this process.
int ThreadCount();

// The PCM data of a WAV file written by the output library's wav module.
std::vector<char> WavData(const std::filesystem::path& file);

}  // namespace avatrix::media::test
