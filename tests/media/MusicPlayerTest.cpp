#include "media/MusicPlayer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>

#include "SoundFiles.h"
#include "WaitUntil.h"
#include "media/MusicTesting.h"

namespace avatrix::media {
namespace {

using namespace std::chrono_literals;
using avatrix::test::WaitUntil;
using test::Sounds;

std::string PlayList(std::initializer_list<std::filesystem::path> files) {
    std::string list;
    for (const auto& file : files) {
        list += file.string();
        list += '\0';
    }
    list += '\0';
    return list;
}

// Routes players to a chosen output and counts the frames each entry sends.
class MusicPlayerTest : public ::testing::Test {
  protected:
    void TearDown() override {
        for (PlayerHandle player : created_) {
            RemovePlayer(player);
        }
        testing::SetPlayerSettings(std::nullopt);
    }

    void Route(const std::string& modules, const std::string& device, double clockSpeed) {
        PlayerSettings settings;
        settings.output = OutputSettings{modules, device, clockSpeed};
        settings.frameObserver = [this](int entry, std::size_t frames) {
            std::lock_guard lock(mutex_);
            framesByEntry_[entry] += static_cast<std::int64_t>(frames);
        };
        testing::SetPlayerSettings(settings);
    }

    PlayerHandle Create(const std::string& list, int passes) {
        const PlayerHandle player = CreatePlayer(list, passes);
        if (player != 0) {
            created_.push_back(player);
        }
        return player;
    }

    PlayerStatus Status(PlayerHandle player) {
        return testing::GetPlayerStatus(player).value_or(PlayerStatus{});
    }

    bool WaitUntilFinished(PlayerHandle player) {
        return WaitUntil([&] { return !Status(player).running; });
    }

    std::int64_t FramesOf(int entry) {
        std::lock_guard lock(mutex_);
        return framesByEntry_[entry];
    }

    std::vector<PlayerHandle> created_;
    std::mutex mutex_;
    std::map<int, std::int64_t> framesByEntry_;
};

TEST_F(MusicPlayerTest, PlayListWithoutPathsGivesNoPlayer) {
    Route("test", "", 0.0);
    EXPECT_EQ(Create(std::string(), 1), 0);
    EXPECT_EQ(Create(std::string(2, '\0'), 1), 0);
    // Whatever follows the extra NUL is not part of the list.
    const PlayerHandle player =
        Create(Sounds().tone.string() + std::string(2, '\0') + Sounds().shortTone.string(), 1);
    ASSERT_NE(player, 0);
    NewPlay(player);
    ASSERT_TRUE(WaitUntilFinished(player));
    EXPECT_EQ(FramesOf(0), test::kToneFrames);
    EXPECT_EQ(FramesOf(1), 0);
}

TEST_F(MusicPlayerTest, OnePassPlaysEachEntryOnceInOrder) {
    const auto wav = test::ScratchPath("one-pass.wav");
    Route("wav", wav.string(), 0.0);
    const PlayerHandle player = Create(PlayList({Sounds().tone, Sounds().shortTone}), 1);
    ASSERT_NE(player, 0);
    EXPECT_FALSE(Status(player).running);  // nothing plays before NewPlay
    NewPlay(player);
    ASSERT_TRUE(WaitUntilFinished(player));

    EXPECT_EQ(FramesOf(0), test::kToneFrames);
    EXPECT_EQ(FramesOf(1), test::kShortToneFrames);
    const PlayerStatus status = Status(player);
    EXPECT_EQ(status.passesCompleted, 1);
    EXPECT_EQ(status.currentEntry, 0);  // back on the first entry
    EXPECT_EQ(status.framesPlayed, test::kToneFrames + test::kShortToneFrames);
    RemovePlayer(player);
    // Every frame reached the file, 16-bit stereo.
    EXPECT_EQ(test::WavData(wav).size(),
              static_cast<std::size_t>(test::kToneFrames + test::kShortToneFrames) * 4);
}

TEST_F(MusicPlayerTest, PassCountRepeatsTheWholeList) {
    Route("test", "", 0.0);
    const PlayerHandle player = Create(PlayList({Sounds().tone, Sounds().shortTone}), 2);
    NewPlay(player);
    ASSERT_TRUE(WaitUntilFinished(player));
    EXPECT_EQ(FramesOf(0), 2 * test::kToneFrames);
    EXPECT_EQ(FramesOf(1), 2 * test::kShortToneFrames);
    EXPECT_EQ(Status(player).passesCompleted, 2);
}

TEST_F(MusicPlayerTest, ZeroAndNegativeCountsPlayWithoutEnd) {
    Route("test", "", 0.0);
    for (const int passes : {0, -1, -7}) {
        const PlayerHandle player = Create(PlayList({Sounds().shortTone}), passes);
        NewPlay(player);
        EXPECT_TRUE(WaitUntil([&] { return Status(player).passesCompleted >= 4; })) << passes;
        EXPECT_TRUE(Status(player).running) << passes;
        RemovePlayer(player);
        EXPECT_FALSE(testing::GetPlayerStatus(player).has_value());
    }
}

TEST_F(MusicPlayerTest, UnplayableEntriesAreSkipped) {
    Route("test", "", 0.0);
    const PlayerHandle player = Create(PlayList({Sounds().missing, Sounds().empty, Sounds().notMp3,
                                                 Sounds().tone, Sounds().truncated}),
                                       2);
    NewPlay(player);
    ASSERT_TRUE(WaitUntilFinished(player));
    EXPECT_EQ(FramesOf(0), 0);
    EXPECT_EQ(FramesOf(1), 0);
    EXPECT_EQ(FramesOf(2), 0);
    EXPECT_EQ(FramesOf(3), 2 * test::kToneFrames);
    EXPECT_GT(FramesOf(4), 0);
    EXPECT_LT(FramesOf(4), 2 * test::kToneFrames);
    EXPECT_EQ(Status(player).passesCompleted, 2);
}

TEST_F(MusicPlayerTest, EndlessListOfUnplayableFilesFallsQuietInsteadOfLooping) {
    Route("test", "", 0.0);
    const PlayerHandle player =
        Create(PlayList({Sounds().missing, Sounds().empty, Sounds().notMp3}), 0);
    NewPlay(player);
    ASSERT_TRUE(WaitUntilFinished(player));
    EXPECT_EQ(Status(player).framesPlayed, 0);
    EXPECT_EQ(Status(player).passesCompleted, 1);
}

TEST_F(MusicPlayerTest, PauseHoldsThePlaceAndResumeContinuesFromIt) {
    // The reference: the same file played straight through.
    const auto straight = test::ScratchPath("straight.wav");
    Route("wav", straight.string(), 0.0);
    const PlayerHandle reference = Create(PlayList({Sounds().longTone}), 1);
    NewPlay(reference);
    ASSERT_TRUE(WaitUntilFinished(reference));
    RemovePlayer(reference);

    const auto interrupted = test::ScratchPath("interrupted.wav");
    Route("wav", interrupted.string(), 4.0);
    const PlayerHandle player = Create(PlayList({Sounds().longTone}), 1);
    NewPlay(player);
    ASSERT_TRUE(WaitUntil([&] { return Status(player).framesPlayed > 0; }));
    SetPauseState(player, 1);
    ASSERT_TRUE(WaitUntil([&] { return Status(player).pauseTakenEffect; }));
    const std::int64_t held = Status(player).framesPlayed;
    EXPECT_LT(held, test::kLongToneFrames);
    // While paused the count stays where it is.
    EXPECT_FALSE(WaitUntil([&] { return Status(player).framesPlayed != held; }, 300ms));
    EXPECT_TRUE(Status(player).running);

    SetPauseState(player, 0);
    ASSERT_TRUE(WaitUntilFinished(player));
    EXPECT_EQ(Status(player).framesPlayed, test::kLongToneFrames);
    RemovePlayer(player);
    const auto expected = test::WavData(straight);
    ASSERT_EQ(expected.size(), static_cast<std::size_t>(test::kLongToneFrames) * 4);
    EXPECT_TRUE(test::WavData(interrupted) == expected);
}

TEST_F(MusicPlayerTest, RemoveDuringPlaybackLeavesNoThreadBehind) {
    Route("test", "", 1.0);
    const int threadsBefore = test::ThreadCount();
    const PlayerHandle player = Create(PlayList({Sounds().longTone}), 0);
    NewPlay(player);
    ASSERT_TRUE(WaitUntil([&] { return Status(player).framesPlayed > 0; }));
    EXPECT_EQ(test::ThreadCount(), threadsBefore + 1);
    RemovePlayer(player);
    EXPECT_FALSE(testing::GetPlayerStatus(player).has_value());
    EXPECT_EQ(test::ThreadCount(), threadsBefore);

    // The same while paused.
    const PlayerHandle paused = Create(PlayList({Sounds().longTone}), 0);
    NewPlay(paused);
    SetPauseState(paused, 1);
    ASSERT_TRUE(WaitUntil([&] { return Status(paused).pauseTakenEffect; }));
    RemovePlayer(paused);
    EXPECT_EQ(test::ThreadCount(), threadsBefore);
}

TEST_F(MusicPlayerTest, NewPlayRestartsTheCurrentEntryUnpaused) {
    Route("test", "", 2.0);
    const PlayerHandle player = Create(PlayList({Sounds().longTone}), 1);
    NewPlay(player);
    ASSERT_TRUE(WaitUntil([&] { return Status(player).framesPlayed > 4096; }));
    SetPauseState(player, 1);
    ASSERT_TRUE(WaitUntil([&] { return Status(player).pauseTakenEffect; }));
    NewPlay(player);
    const PlayerStatus restarted = Status(player);
    EXPECT_TRUE(restarted.running);
    EXPECT_FALSE(restarted.paused);
    EXPECT_LT(restarted.framesPlayed, 4096);
}

TEST_F(MusicPlayerTest, NoSoundDevicePlaysSilentlyAtTheClocksPace) {
    // A device that cannot be opened: the player goes on in silence, kept to
    // the clock rather than racing through the file.
    Route("alsa", "avatrix-no-such-device", 1.0);
    const PlayerHandle player = Create(PlayList({Sounds().longTone}), 0);
    const auto start = std::chrono::steady_clock::now();
    NewPlay(player);
    ASSERT_TRUE(WaitUntil([&] { return Status(player).framesPlayed >= 44100; }));
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const PlayerStatus status = Status(player);
    EXPECT_TRUE(status.silent);
    EXPECT_TRUE(status.running);
    // A second of sound takes about a second: the player may run up to a
    // fifth of a second ahead of the clock, plus one block.
    EXPECT_GT(elapsed, 0.7);
    EXPECT_LT(static_cast<double>(status.framesPlayed), 44100.0 * (elapsed + 0.2) + 1152.0);
}

TEST_F(MusicPlayerTest, DeviceThatNeverBlocksIsHeldToTheClock) {
    // The sound system's null device takes everything at once; without the
    // clock the player would race through the file and keep a core busy.
    Route("alsa", "null", 1.0);
    const PlayerHandle player = Create(PlayList({Sounds().longTone}), 0);
    const auto start = std::chrono::steady_clock::now();
    NewPlay(player);
    ASSERT_TRUE(WaitUntil([&] { return Status(player).framesPlayed >= 88200; }));
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const PlayerStatus status = Status(player);
    EXPECT_FALSE(status.silent);
    // Two seconds of sound, of which at most a little over one may be lead.
    EXPECT_GT(elapsed, 0.7);
    EXPECT_LT(static_cast<double>(status.framesPlayed), 44100.0 * (elapsed + 1.2) + 1152.0);
}

TEST_F(MusicPlayerTest, UnknownHandlesAreIgnored) {
    Route("test", "", 0.0);
    NewPlay(0);
    SetPauseState(12345, 1);
    RemovePlayer(-3);
    EXPECT_FALSE(testing::GetPlayerStatus(0).has_value());
    const PlayerHandle player = Create(PlayList({Sounds().tone}), 1);
    RemovePlayer(player);
    NewPlay(player);  // already removed
    EXPECT_FALSE(testing::GetPlayerStatus(player).has_value());
    EXPECT_NE(Create(PlayList({Sounds().tone}), 1), player);  // handles are not reused at once
}

}  // namespace
}  // namespace avatrix::media
