#include "SoundFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace avatrix::media::test {

namespace fs = std::filesystem;

namespace {

void Run(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        throw std::runtime_error("failed: " + command);
    }
}

std::string Quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

fs::path MakeTone(const fs::path& folder, const std::string& stem, const std::string& seconds,
                  const std::string& frequency) {
    const fs::path wav = folder / (stem + ".wav");
    const fs::path mp3 = folder / (stem + ".mp3");
    Run("sox -n -r 44100 -c 2 " + Quoted(wav) + " synth " + seconds + " sine " + frequency);
    Run("lame --quiet " + Quoted(wav) + " " + Quoted(mp3));
    return mp3;
}

SoundFiles MakeSounds() {
    SoundFiles files;
    std::string pattern = (fs::temp_directory_path() / "avatrix-media-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("no scratch folder");
    }
    files.folder = pattern;
    files.tone = MakeTone(files.folder, "tone", "0.5", "440");
    files.shortTone = MakeTone(files.folder, "short", "0.3", "660");
    files.longTone = MakeTone(files.folder, "long", "3", "330");
    files.notMp3 = files.folder / "not-music.mp3";
    fs::copy_file(files.folder / "tone.wav", files.notMp3);
    files.truncated = files.folder / "truncated.mp3";
    {
        std::ifstream in(files.tone, std::ios::binary);
        std::vector<char> bytes(std::istreambuf_iterator<char>(in), {});
        bytes.resize(bytes.size() / 3);
        std::ofstream(files.truncated, std::ios::binary).write(bytes.data(), bytes.size());
    }
    files.empty = files.folder / "empty.mp3";
    std::ofstream(files.empty).close();
    files.missing = files.folder / "no-such-file.mp3";
    return files;
}

class ScratchCleanup : public ::testing::Environment {
  public:
    void TearDown() override {
        std::error_code ignored;
        if (!folder.empty()) {
            fs::remove_all(folder, ignored);
        }
    }
    fs::path folder;
};

ScratchCleanup* cleanup =
    static_cast<ScratchCleanup*>(::testing::AddGlobalTestEnvironment(new ScratchCleanup));

}  // namespace

const SoundFiles& Sounds() {
    static const SoundFiles files = [] {
        SoundFiles made = MakeSounds();
        cleanup->folder = made.folder;
        return made;
    }();
    return files;
}

fs::path ScratchPath(const std::string& stem) {
    static int counter = 0;
    return Sounds().folder / (stem + "-" + std::to_string(++counter));
}

int ThreadCount() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/task")) {
        ++count;
    }
    return count;
}

std::vector<char> WavData(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<char> bytes(std::istreambuf_iterator<char>(in), {});
    // Walk the RIFF chunks to the "data" chunk.
    std::size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const std::string id(bytes.data() + at, 4);
        const auto size = static_cast<std::size_t>(static_cast<unsigned char>(bytes[at + 4])) |
                          static_cast<std::size_t>(static_cast<unsigned char>(bytes[at + 5])) << 8 |
                          static_cast<std::size_t>(static_cast<unsigned char>(bytes[at + 6]))
                              << 16 |
                          static_cast<std::size_t>(static_cast<unsigned char>(bytes[at + 7])) << 24;
        if (id == "data") {
            const std::size_t end = std::min(bytes.size(), at + 8 + size);
            return std::vector<char>(bytes.begin() + at + 8, bytes.begin() + end);
        }
        at += 8 + size + (size & 1);
    }
    return {};
}

}  // namespace avatrix::media::test
