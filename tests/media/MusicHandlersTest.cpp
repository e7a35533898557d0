#include "media/MusicHandlers.h"

#include <gtest/gtest.h>

#include <vector>

#include "SoundFiles.h"
#include "WaitUntil.h"
#include "media/MusicControl.h"
#include "media/MusicTesting.h"
#include "text/Codepage.h"
#include "text/Literal.h"
#include "ui/TestHooks.h"
#include "ui/Toolkit.h"

namespace avatrix::media {
namespace {

using avatrix::test::WaitUntil;
using test::Sounds;
namespace uit = ui::testing;

constexpr char kWindow[] = "MusicWindow";
constexpr MusicUnits kUnits{{kWindow, "FileDialog"},
                            {kWindow, "PathBox"},
                            {kWindow, "PauseButton"},
                            {kWindow, "ResumeButton"}};

// The part of the start window the music buttons touch, with its initial
// states.
ui::WindowLayout MusicWindow() {
    ui::WindowLayout layout;
    layout.name = kWindow;
    layout.properties = {{ui::Prop::Caption, "music"_gbk}, {ui::Prop::Visible, false}};
    layout.units = {
        {"PathBox", ui::Kind::EditBox, 136, 232, 216, 24, {}, {}},
        {"ResumeButton",
         ui::Kind::Button,
         184,
         160,
         40,
         24,
         {{ui::Prop::Caption, "继续"_gbk}, {ui::Prop::Disabled, true}},
         {}},
        {"PauseButton", ui::Kind::Button, 184, 128, 40, 24, {{ui::Prop::Caption, "暂停"_gbk}}, {}},
        {"MusicButton",
         ui::Kind::Button,
         184,
         96,
         56,
         32,
         {{ui::Prop::Caption, "添加背景音乐"_gbk}},
         {}},
        {"FileDialog", ui::Kind::CommonDlg, 0, 0, 0, 0, {}, {}},
    };
    return layout;
}

Text PathText(const std::filesystem::path& path) {
    return Utf8StringToGbk(path.string());
}

class MusicHandlersTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ui::LoadWindow(MusicWindow()); }

    void SetUp() override {
        // Every test starts from the window's first state.
        ui::SetProperty(kWindow, "PathBox", ui::Prop::Content, Text());
        ui::SetProperty(kWindow, "FileDialog", ui::Prop::FileName, Text());
        ui::SetProperty(kWindow, "PauseButton", ui::Prop::Disabled, false);
        ui::SetProperty(kWindow, "ResumeButton", ui::Prop::Disabled, true);
        PlayerSettings settings;
        settings.output = OutputSettings{"test", "", 1.0};
        testing::SetPlayerSettings(settings);
        uit::SetDialogResponder([this](const uit::DialogRequest& request) {
            requests_.push_back(request);
            return nextAnswer_;
        });
        uit::SetMessageResponder([this](const uit::MessageRecord& message) {
            messages_.push_back(message);
            return 0;
        });
        uit::SetUnknownUnitHandler([](std::string_view window, std::string_view unit) {
            ADD_FAILURE() << "no unit " << unit << " in " << window;
        });
    }

    void TearDown() override {
        RemoveLivePlayer();
        uit::SetDialogResponder(nullptr);
        uit::SetMessageResponder(nullptr);
        uit::SetUnknownUnitHandler(nullptr);
        testing::SetPlayerSettings(std::nullopt);
    }

    void Choose(const std::filesystem::path& file) {
        nextAnswer_ = uit::DialogAnswer{true, PathText(file), {}, {file.string()}};
        AddBackgroundMusic(kUnits);
    }
    void Cancel() {
        nextAnswer_ = uit::DialogAnswer{};
        AddBackgroundMusic(kUnits);
    }

    static Text PathBox() { return ui::GetText(kWindow, "PathBox", ui::Prop::Content); }
    static bool PauseDisabled() { return ui::GetBool(kWindow, "PauseButton", ui::Prop::Disabled); }
    static bool ResumeDisabled() {
        return ui::GetBool(kWindow, "ResumeButton", ui::Prop::Disabled);
    }
    static PlayerStatus Current() {
        return testing::GetPlayerStatus(CurrentPlayer()).value_or(PlayerStatus{});
    }
    static bool Sounding() {
        return WaitUntil([] { return Current().framesPlayed > 0; });
    }

    void ExpectNoMusicMessage() {
        ASSERT_EQ(messages_.size(), 1u);
        EXPECT_EQ(messages_[0].text, "请您先选择音乐文件后重试"_gbk);
        EXPECT_EQ(messages_[0].flags, 0x30);
        EXPECT_EQ(messages_[0].title, "Mirrowen腾讯博客QQ315728406温馨提示："_gbk);
    }

    uit::DialogAnswer nextAnswer_;
    std::vector<uit::DialogRequest> requests_;
    std::vector<uit::MessageRecord> messages_;
};

TEST_F(MusicHandlersTest, DialogIsAnOpenDialogForMusicOnTheDesktop) {
    // The same unit serves as the font dialog, so it may come in as one.
    ui::SetProperty(kWindow, "FileDialog", ui::Prop::DialogKind, 2);
    Cancel();
    ASSERT_EQ(requests_.size(), 1u);
    EXPECT_EQ(requests_[0].kind, 0);
    EXPECT_EQ(requests_[0].filter, "音乐文件.mp3|*.mp3*||"_gbk);
    EXPECT_EQ(requests_[0].initialDir, ui::DesktopDirectory());
}

TEST_F(MusicHandlersTest, CancelOnFirstUsePlaysNothingAndPauseAsksForAFile) {
    Cancel();
    EXPECT_EQ(CurrentPlayer(), 0);
    EXPECT_EQ(PathBox(), Text());
    PauseMusic(kUnits);
    ExpectNoMusicMessage();
    EXPECT_FALSE(PauseDisabled());
    EXPECT_TRUE(ResumeDisabled());
}

TEST_F(MusicHandlersTest, ChosenFileLoopsWithoutEndAndIsKeptInTheHiddenBox) {
    ui::SetProperty(kWindow, "PauseButton", ui::Prop::Disabled, false);
    PlayerSettings fast;
    fast.output = OutputSettings{"test", "", 0.0};
    testing::SetPlayerSettings(fast);
    Choose(Sounds().shortTone);
    EXPECT_EQ(PathBox(), PathText(Sounds().shortTone));
    EXPECT_TRUE(WaitUntil([] { return Current().passesCompleted >= 3; }));
    EXPECT_TRUE(Current().running);
    EXPECT_FALSE(PauseDisabled());  // choosing leaves the buttons alone
    EXPECT_TRUE(ResumeDisabled());
    EXPECT_TRUE(messages_.empty());
}

TEST_F(MusicHandlersTest, CancelAfterAChoiceRestartsTheEarlierFile) {
    Choose(Sounds().longTone);
    const PlayerHandle first = CurrentPlayer();
    ASSERT_TRUE(Sounding());
    ASSERT_TRUE(WaitUntil([] { return Current().framesPlayed > 30000; }));
    Cancel();
    EXPECT_NE(CurrentPlayer(), first);
    EXPECT_FALSE(testing::GetPlayerStatus(first).has_value());
    EXPECT_LT(Current().framesPlayed, 30000);  // from its beginning
    EXPECT_TRUE(Current().running);
    EXPECT_EQ(PathBox(), PathText(Sounds().longTone));
    EXPECT_EQ(requests_.back().fileName, PathText(Sounds().longTone));
}

TEST_F(MusicHandlersTest, CapitalisedExtensionPlaysButCannotBePaused) {
    const auto song = Sounds().folder / "SONG.MP3";
    std::filesystem::copy_file(Sounds().longTone, song,
                               std::filesystem::copy_options::overwrite_existing);
    Choose(song);
    ASSERT_TRUE(Sounding());
    PauseMusic(kUnits);
    ExpectNoMusicMessage();
    EXPECT_FALSE(PauseDisabled());
    EXPECT_TRUE(ResumeDisabled());
    EXPECT_FALSE(Current().paused);
    EXPECT_TRUE(Current().running);
}

TEST_F(MusicHandlersTest, PauseAndResumeSwapTheButtons) {
    Choose(Sounds().longTone);
    ASSERT_TRUE(Sounding());
    PauseMusic(kUnits);
    EXPECT_TRUE(messages_.empty());
    EXPECT_TRUE(PauseDisabled());
    EXPECT_FALSE(ResumeDisabled());
    ASSERT_TRUE(WaitUntil([] { return Current().pauseTakenEffect; }));

    ResumeMusic(kUnits);
    EXPECT_FALSE(PauseDisabled());
    EXPECT_TRUE(ResumeDisabled());
    EXPECT_FALSE(Current().paused);
    const auto frames = Current().framesPlayed;
    EXPECT_TRUE(WaitUntil([&] { return Current().framesPlayed > frames; }));
}

TEST_F(MusicHandlersTest, NewChoiceWhilePausedPlaysAtOnceAndKeepsTheButtons) {
    Choose(Sounds().longTone);
    PauseMusic(kUnits);
    ASSERT_TRUE(WaitUntil([] { return Current().pauseTakenEffect; }));
    Choose(Sounds().tone);
    EXPECT_FALSE(Current().paused);
    EXPECT_TRUE(Sounding());
    EXPECT_TRUE(PauseDisabled());
    EXPECT_FALSE(ResumeDisabled());
    ResumeMusic(kUnits);  // nothing to hear change; the buttons swap back
    EXPECT_FALSE(PauseDisabled());
    EXPECT_TRUE(ResumeDisabled());
    EXPECT_FALSE(Current().paused);
    EXPECT_TRUE(Current().running);
}

TEST_F(MusicHandlersTest, Mp3InAFolderNamePassesThePauseCheck) {
    const auto folder = Sounds().folder / "歌曲.mp3收藏";
    std::filesystem::create_directories(folder);
    const auto song = folder / "track";
    std::filesystem::copy_file(Sounds().longTone, song,
                               std::filesystem::copy_options::overwrite_existing);
    Choose(song);
    ASSERT_TRUE(Sounding());
    PauseMusic(kUnits);
    EXPECT_TRUE(messages_.empty());
    EXPECT_TRUE(PauseDisabled());
    EXPECT_TRUE(Current().paused);
}

TEST_F(MusicHandlersTest, UnplayableMp3StaysQuietAndTheButtonsStillSwap) {
    Choose(Sounds().notMp3);
    EXPECT_TRUE(WaitUntil([] { return !Current().running; }));
    EXPECT_EQ(Current().framesPlayed, 0);
    PauseMusic(kUnits);
    EXPECT_TRUE(PauseDisabled());
    EXPECT_FALSE(ResumeDisabled());
    ResumeMusic(kUnits);
    EXPECT_FALSE(PauseDisabled());
    EXPECT_TRUE(ResumeDisabled());
    EXPECT_TRUE(messages_.empty());
}

TEST_F(MusicHandlersTest, ResumeWithNothingPlayingOnlySwapsTheButtons) {
    ui::SetProperty(kWindow, "PauseButton", ui::Prop::Disabled, true);
    ui::SetProperty(kWindow, "ResumeButton", ui::Prop::Disabled, false);
    ResumeMusic(kUnits);
    EXPECT_EQ(CurrentPlayer(), 0);
    EXPECT_FALSE(PauseDisabled());
    EXPECT_TRUE(ResumeDisabled());
}

}  // namespace
}  // namespace avatrix::media
