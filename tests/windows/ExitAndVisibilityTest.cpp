#include <QEvent>

#include "MainWindowFixture.h"
#include "SuiteSetup.h"
#include "windows/ProgramTexts.h"

namespace avatrix::windows::test {

// The handlers run against real windows: moves, maps and the restore key go
// through the session's X server and its window manager.
const avatrix::test::RegisterSuiteSetup kSetup(
    {.display = avatrix::test::SuiteSetup::Display::Shared});

namespace {

using ui::Event;
using ui::Prop;
using ui::testing::MessageRecord;

bool Visible(const char* window) {
    return ui::GetBool(window, ui::kWindowUnit, Prop::Visible);
}

using ExitConfirmation = MainWindowTest;

TEST_F(ExitConfirmation, AnythingButOkKeepsTheProgramRunning) {
    const ui::Handler queryClose = BoundHandler("", Event::QueryClose);
    for (int answer : {1, 6, 2}) {  // Cancel, a closed box's No, Abort
        messages_.clear();
        ui::testing::SetMessageResponder([&](const MessageRecord& record) {
            messages_.push_back(record);
            return answer;
        });
        EXPECT_FALSE(queryClose({})) << "answer " << answer;
        ASSERT_EQ(messages_.size(), 1u);
        EXPECT_EQ(messages_[0].text, "是否要退出，如果还有没有保存的图片请先保存后再退出"_gbk);
        EXPECT_EQ(messages_[0].flags, 0x21);
        EXPECT_EQ(messages_[0].title, "是否要关闭"_gbk);
    }
    EXPECT_TRUE(NewAddresses().empty());
    EXPECT_TRUE(Visible(kMainWindow));
}

TEST_F(ExitConfirmation, OkThanksTheUserOpensTheAuthorsPageAndEndsWithZero) {
    std::vector<std::string> order;
    ui::testing::SetMessageResponder([&](const MessageRecord& record) {
        messages_.push_back(record);
        order.push_back("box");
        return 0;
    });
    ui::testing::SetEndProgramInterceptor([&](int code) {
        // The page is asked for before the process ends.
        order.push_back("opened " + std::to_string(NewAddresses().size()));
        throw ui::testing::ProgramEnded{code};
    });
    try {
        BoundHandler("", Event::QueryClose)({});
        FAIL() << "the program should have ended";
    } catch (const ui::testing::ProgramEnded& ended) {
        EXPECT_EQ(ended.code, 0);
    }
    ASSERT_EQ(messages_.size(), 2u);
    EXPECT_EQ(messages_[1].text, texts::Gbk(texts::kCreditLine));
    EXPECT_EQ(messages_[1].flags, 0x40);
    EXPECT_EQ(messages_[1].title, "温馨提示："_gbk);
    EXPECT_EQ(NewAddresses(), std::vector<Text>{texts::Gbk(texts::kAuthorPageAddress)});
    EXPECT_EQ(order, (std::vector<std::string>{"box", "box", "opened 1"}));
}

TEST_F(MainWindowTest, SupportPictureAndItsCaptionEachOpenBothPages) {
    const std::vector<Text> pair = {texts::Gbk(texts::kSupportShopAddress),
                                    texts::Gbk(texts::kWebSpaceAddress)};
    ui::EventArgs press;
    press.x = 10;
    press.y = 10;
    BoundHandler("图片框3", Event::LeftButtonDown)(press);
    EXPECT_EQ(NewAddresses(), pair);
    BoundHandler("透明标签2", Event::LeftButtonDown)(press);
    std::vector<Text> twice = pair;
    twice.insert(twice.end(), pair.begin(), pair.end());
    EXPECT_EQ(NewAddresses(), twice);
    EXPECT_NE(pair[0], pair[1]);
}

// Records, in order, which of the two windows was hidden or shown.
class VisibilityLog : public QObject {
  public:
    VisibilityLog() {
        banner_ = WidgetOfHandle(ui::GetWindowHandle(kBannerWindow));
        main_ = WidgetOfHandle(ui::GetWindowHandle(kMainWindow));
        for (QWidget* w : {banner_, main_}) {
            if (w != nullptr) {
                w->installEventFilter(this);
            }
        }
    }
    std::vector<std::string> entries;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Hide || event->type() == QEvent::Show) {
            entries.push_back(std::string(watched == banner_ ? "banner" : "main") +
                              (event->type() == QEvent::Hide ? " hidden" : " shown"));
        }
        return false;
    }

  private:
    QWidget* banner_ = nullptr;
    QWidget* main_ = nullptr;
};

class HideAndRestore : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        EnsureBannerWindow();
        RestoreBothWindows();
    }
    void TearDown() override {
        RestoreBothWindows();
        MainWindowTest::TearDown();
    }
};

TEST_F(HideAndRestore, HintBoxShowsWhileBothWindowsAreHidden) {
    SetRestoreHotKeyId(33001);
    const int bannerLeft = ui::GetInt(kBannerWindow, ui::kWindowUnit, Prop::Left);
    const int bannerTop = ui::GetInt(kBannerWindow, ui::kWindowUnit, Prop::Top);
    const Text caption = ui::GetText(kBannerWindow, kBannerLabel, Prop::Caption);
    VisibilityLog log;
    ui::testing::SetMessageResponder([&](const MessageRecord& record) {
        messages_.push_back(record);
        log.entries.push_back(Visible(kBannerWindow) || Visible(kMainWindow) ? "box over a window"
                                                                             : "box");
        return 0;
    });

    BoundHandler("按钮7", Event::Clicked)({});
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, "按ALT键+F12键就可以恢复哦！"_gbk);
    EXPECT_EQ(messages_[0].flags, 0x40);
    EXPECT_EQ(messages_[0].title, "Mirrowen温馨提示"_gbk);
    EXPECT_FALSE(Visible(kBannerWindow));
    EXPECT_FALSE(Visible(kMainWindow));

    BoundHandler("标签7", Event::Feedback)({});
    EXPECT_TRUE(Visible(kBannerWindow));
    EXPECT_TRUE(Visible(kMainWindow));
    EXPECT_EQ(log.entries, (std::vector<std::string>{"banner hidden", "main hidden", "box",
                                                     "banner shown", "main shown"}));
    EXPECT_EQ(ui::GetInt(kBannerWindow, ui::kWindowUnit, Prop::Left), bannerLeft);
    EXPECT_EQ(ui::GetInt(kBannerWindow, ui::kWindowUnit, Prop::Top), bannerTop);
    EXPECT_EQ(ui::GetText(kBannerWindow, kBannerLabel, Prop::Caption), caption);

    // The key again, with both shown, changes nothing.
    BoundHandler("标签7", Event::Feedback)({});
    EXPECT_TRUE(Visible(kBannerWindow));
    EXPECT_TRUE(Visible(kMainWindow));
}

TEST_F(HideAndRestore, WithoutTheRestoreKeyNothingIsHidden) {
    SetRestoreHotKeyId(0);
    BoundHandler("按钮7", Event::Clicked)({});
    EXPECT_TRUE(messages_.empty());
    EXPECT_TRUE(Visible(kBannerWindow));
    EXPECT_TRUE(Visible(kMainWindow));
}

TEST_F(HideAndRestore, TheDesktopsShortcutAloneCanBringThemBack) {
    SetRestoreHotKeyId(0);
    SetDesktopRestoreShortcutBound(true);
    BoundHandler("按钮7", Event::Clicked)({});
    EXPECT_EQ(messages_.size(), 1u);
    EXPECT_FALSE(Visible(kBannerWindow));
    EXPECT_FALSE(Visible(kMainWindow));
}

// These need a process in which the banner has not been loaded yet; ctest
// runs every test in a process of its own.
class BeforeTheBanner : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        if (ui::IsWindowLoaded(kBannerWindow)) {
            GTEST_SKIP() << "the banner is already loaded in this process";
        }
    }
};

TEST_F(BeforeTheBanner, BannerHandlersDoNoHarm) {
    SetContent("编辑框1", "早上好"_gbk);
    SetContent("编辑框2", "100"_gbk);
    SetContent("编辑框3", "20"_gbk);
    SetContent("编辑框4", "100"_gbk);
    ui::testing::SetDialogResponder([](const ui::testing::DialogRequest&) {
        ui::testing::DialogAnswer answer;
        answer.confirmed = true;
        answer.font.face = "DejaVu Sans"_gbk;
        return answer;
    });
    for (const char* unit : {"按钮14", "按钮5", "按钮4", "按钮6", "按钮7"}) {
        BoundHandler(unit, Event::Clicked)({});
    }
    BoundHandler("颜色选择器1", Event::ColourChanged)({});
    BoundHandler("颜色选择器2", Event::ColourChanged)({});
    BoundHandler("标签7", Event::Feedback)({});
    EXPECT_FALSE(ui::IsWindowLoaded(kBannerWindow));
    EXPECT_TRUE(Visible(kMainWindow)) << "nothing could bring a hidden window back";
    EXPECT_TRUE(messages_.empty());
}

TEST_F(BeforeTheBanner, FinishStartupLoadsTheBannerAndAcceptsDrops) {
    EXPECT_FALSE(ui::GetBool(kMainWindow, "拖放对象1", Prop::AcceptFiles));
    FinishStartup();
    EXPECT_TRUE(ui::GetBool(kMainWindow, "拖放对象1", Prop::AcceptFiles));
    ASSERT_TRUE(ui::IsWindowLoaded(kBannerWindow));
    EXPECT_TRUE(Visible(kBannerWindow));
    EXPECT_TRUE(WaitUntil([] {
        return ui::GetInt(kBannerWindow, ui::kWindowUnit, Prop::Left) == 318 &&
               ui::GetInt(kBannerWindow, ui::kWindowUnit, Prop::Top) == 500;
    })) << "banner at "
        << ui::GetInt(kBannerWindow, ui::kWindowUnit, Prop::Left) << ","
        << ui::GetInt(kBannerWindow, ui::kWindowUnit, Prop::Top);
    // The restore key may be held by another client of a shared display; the
    // id kept is whatever the registration answered.
    const int id = RestoreHotKeyId();
    EXPECT_TRUE(id == 0 || id >= 33001) << id;
}

}  // namespace
}  // namespace avatrix::windows::test
