#include "media/MusicControl.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "SoundFiles.h"
#include "WaitUntil.h"
#include "media/MusicHandlers.h"
#include "media/MusicTesting.h"
#include "text/Codepage.h"

namespace avatrix::media {
namespace {

using avatrix::test::WaitUntil;
using test::Sounds;

Text PathText(const std::filesystem::path& path) {
    return Utf8StringToGbk(path.string());
}

class MusicControlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        PlayerSettings settings;
        settings.output = OutputSettings{"test", "", 0.0};
        testing::SetPlayerSettings(settings);
    }
    void TearDown() override {
        RemoveLivePlayer();
        testing::SetPlayerSettings(std::nullopt);
    }

    static PlayerStatus Current() {
        return testing::GetPlayerStatus(CurrentPlayer()).value_or(PlayerStatus{});
    }
};

TEST_F(MusicControlTest, AbsentCountPlaysOnceAndEmptyPathsAreLeftOut) {
    StartMusic(std::nullopt,
               {Text(), PathText(Sounds().tone), Text(), PathText(Sounds().shortTone)});
    const PlayerHandle player = CurrentPlayer();
    ASSERT_NE(player, 0);
    ASSERT_TRUE(WaitUntil([&] { return !Current().running; }));
    EXPECT_EQ(Current().passesCompleted, 1);
    EXPECT_EQ(Current().framesPlayed, test::kToneFrames + test::kShortToneFrames);
}

TEST_F(MusicControlTest, CountsAboveOnePlayThatManyTimes) {
    StartMusic(3, {PathText(Sounds().shortTone)});
    ASSERT_TRUE(WaitUntil([&] { return !Current().running; }));
    EXPECT_EQ(Current().framesPlayed, 3 * test::kShortToneFrames);
}

TEST_F(MusicControlTest, MinusOneOrLowerPlaysWithoutEnd) {
    for (const int count : {kPlayEndlessly, -100}) {
        StartMusic(count, {PathText(Sounds().shortTone)});
        EXPECT_TRUE(WaitUntil([&] { return Current().passesCompleted >= 3; })) << count;
        EXPECT_TRUE(Current().running) << count;
    }
}

TEST_F(MusicControlTest, StartingAgainRemovesTheOldPlayerFirst) {
    StartMusic(kPlayEndlessly, {PathText(Sounds().longTone)});
    const PlayerHandle first = CurrentPlayer();
    ASSERT_NE(first, 0);
    StartMusic(kPlayEndlessly, {PathText(Sounds().tone)});
    EXPECT_FALSE(testing::GetPlayerStatus(first).has_value());
    EXPECT_NE(CurrentPlayer(), first);
    EXPECT_NE(CurrentPlayer(), 0);

    // A count of 0, or nothing to play, still stops what was playing.
    StartMusic(0, {PathText(Sounds().tone)});
    EXPECT_EQ(CurrentPlayer(), 0);
    StartMusic(kPlayEndlessly, {PathText(Sounds().tone)});
    const PlayerHandle second = CurrentPlayer();
    StartMusic(kPlayEndlessly, {Text()});
    EXPECT_EQ(CurrentPlayer(), 0);
    EXPECT_FALSE(testing::GetPlayerStatus(second).has_value());
}

TEST_F(MusicControlTest, PathsAreTakenAsGbkAndFoundOnDisk) {
    const auto folder = Sounds().folder / "背景音乐";
    std::filesystem::create_directories(folder);
    const auto song = folder / "歌.mp3";
    std::filesystem::copy_file(Sounds().tone, song,
                               std::filesystem::copy_options::overwrite_existing);
    const Text gbk = PathText(song);
    ASSERT_NE(gbk.bytes(), song.string());  // really a different byte string
    StartMusic(std::nullopt, {gbk});
    ASSERT_TRUE(WaitUntil([&] { return !Current().running; }));
    EXPECT_EQ(Current().framesPlayed, test::kToneFrames);
}

TEST_F(MusicControlTest, APipeIsRefusedWithoutHoldingThePlayer) {
    // Opening a pipe nobody writes to would wait for a writer, and every
    // stop, the program's end included, would wait on that.
    const auto pipe = test::ScratchPath("pipe.mp3");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    StartMusic(kPlayEndlessly, {PathText(pipe)});
    ASSERT_NE(CurrentPlayer(), 0);
    EXPECT_TRUE(WaitUntil([&] { return !Current().running; }));
    EXPECT_EQ(Current().framesPlayed, 0);
    RemoveLivePlayer();
    EXPECT_EQ(CurrentPlayer(), 0);
}

TEST_F(MusicControlTest, RemoveLivePlayerEmptiesTheSlot) {
    // With the slot empty, none of these has anything to act on.
    RemoveLivePlayer();
    PauseCurrentMusic();
    ResumeCurrentMusic();
    EXPECT_EQ(CurrentPlayer(), 0);
    const int threadsBefore = test::ThreadCount();
    StartMusic(kPlayEndlessly, {PathText(Sounds().longTone)});
    const PlayerHandle player = CurrentPlayer();
    ASSERT_NE(player, 0);
    RemoveLivePlayer();
    EXPECT_EQ(CurrentPlayer(), 0);
    EXPECT_FALSE(testing::GetPlayerStatus(player).has_value());
    EXPECT_EQ(test::ThreadCount(), threadsBefore);
}

}  // namespace
}  // namespace avatrix::media
