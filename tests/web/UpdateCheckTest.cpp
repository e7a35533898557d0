#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "WebTestSupport.h"
#include "avatrix/Version.h"
#include "text/Literal.h"
#include "ui/TestHooks.h"
#include "ui/Toolkit.h"
#include "web/FileAddress.h"
#include "web/ProductInfo.h"
#include "web/UpdateCheck.h"
#include "web/UpdateCheckInternal.h"

namespace avatrix::web::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr char kWindow[] = "VersionWindow";
constexpr char kCurrent[] = "CurrentVersion";
constexpr char kNewest[] = "NewestVersion";
constexpr VersionBoxes kBoxes{{kWindow, kCurrent}, {kWindow, kNewest}};

const std::string kSeparator(63, '=');

// A window holding the two version boxes.
void LoadVersionBoxes() {
    if (ui::IsWindowLoaded(kWindow)) {
        return;
    }
    ui::WindowLayout layout;
    layout.name = kWindow;
    layout.properties = {{ui::Prop::Visible, false}};
    layout.units = {
        {kCurrent, ui::Kind::EditBox, 0, 0, 50, 20, {{ui::Prop::Content, Text("1.3")}}, ""},
        {kNewest, ui::Kind::EditBox, 0, 30, 50, 20, {}, ""}};
    ui::LoadWindow(layout);
}

std::string Hex(const std::string& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += kDigits[c >> 4];
        hex += kDigits[c & 15];
    }
    return hex;
}

class UpdateCheckTest : public WebTest {
  protected:
    void SetUp() override {
        WebTest::SetUp();
        LoadVersionBoxes();
        ui::SetProperty(kWindow, kCurrent, ui::Prop::Content, Text("1.3"));
        ui::SetProperty(kWindow, kNewest, ui::Prop::Content, Text());
        ui::testing::SetMessageResponder([this](const ui::testing::MessageRecord& message) {
            messages_.push_back(message);
            return 0;
        });
        ui::testing::SetEndProgramInterceptor(
            [](int code) { throw ui::testing::ProgramEnded{code}; });
        ui::testing::RecordOpenedAddresses(true);
        ui::testing::SetUnknownUnitHandler([](std::string_view window, std::string_view unit) {
            ADD_FAILURE() << "no unit " << unit << " in " << window;
        });
    }
    void TearDown() override {
        ui::testing::SetMessageResponder({});
        ui::testing::SetEndProgramInterceptor({});
        ui::testing::RecordOpenedAddresses(false);
        ui::testing::SetUnknownUnitHandler({});
    }

    // Serves `page` (GBK bytes) from the loopback server and runs the check.
    bool CheckWithPage(const Text& page, const Text& runDirectory = Text("/opt/avatrix")) {
        return detail::CheckUpdateAndNoticeFrom(kBoxes, runDirectory,
                                                Url("/bytes?hex=" + Hex(page.bytes())));
    }
    static Text Page(const Text& notice) {
        return Text("<html><body><p>") + Text(kSeparator) + notice + Text(kSeparator) +
               Text("</p></body></html>");
    }
    static Text Newest() { return ui::GetText(kWindow, kNewest, ui::Prop::Content); }

    std::vector<ui::testing::MessageRecord> messages_;
};

TEST_F(UpdateCheckTest, NewerVersionIsAnnouncedThenTheSiteOpensAndTheProgramEnds) {
    const Text notice = "1.4</p><p>新功能<br />修正&nbsp;错误"_gbk;
    const Text cleaned = "1.4\r\n新功能\r\n修正错误"_gbk;
    int endCode = -1;
    try {
        CheckWithPage(Page(notice));
    } catch (const ui::testing::ProgramEnded& ended) {
        endCode = ended.code;
    }
    EXPECT_EQ(endCode, 0);
    EXPECT_EQ(Newest(), cleaned);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text,
              "本软件有更新，请到官网下载更新！文件名："_gbk +
                  "2012年最新Mirrowen给力软件，轻松做属于你自己的文字头像 —Avatrix！"_gbk +
                  cleaned);
    EXPECT_EQ(messages_[0].flags, 0);
    EXPECT_EQ(messages_[0].title, "信息："_gbk);
    EXPECT_THAT(ui::testing::OpenedAddresses(), ElementsAre(ProductSiteUrl()));
}

TEST_F(UpdateCheckTest, VersionsCompareAsRealNumbers) {
    struct Case {
        const char* notice;
        bool announces;
    };
    for (const Case& c : {Case{"1.3 same", false}, Case{"1.10", false}, Case{"1.31", true},
                          Case{"2", true}, Case{"1.4.2", true}, Case{"1.2999999999", false},
                          Case{"news without number", false}, Case{"=1.9", false}}) {
        messages_.clear();
        bool ended = false;
        bool result = false;
        try {
            result = CheckWithPage(Page(Text(c.notice)));
        } catch (const ui::testing::ProgramEnded&) {
            ended = true;
        }
        EXPECT_EQ(ended, c.announces) << c.notice;
        EXPECT_EQ(result, !c.announces) << c.notice;
        EXPECT_EQ(messages_.size(), c.announces ? 1u : 0u) << c.notice;
        EXPECT_EQ(Newest(), Text(c.notice)) << c.notice;
    }
}

TEST_F(UpdateCheckTest, OnlyTheExactTagsAreReplaced) {
    EXPECT_TRUE(CheckWithPage(Page(Text("1.0<BR />a<br/>b</P><P>c&NBSP;d&nbsp;&nbsp;e"))));
    EXPECT_EQ(Newest(), Text("1.0<BR />a<br/>b</P><P>c&NBSP;de"));
}

TEST_F(UpdateCheckTest, PageWithoutANoticeAsksToRetryAndStartUpStops) {
    for (const Text& page :
         {Text("<html>no separators</html>"), Text("x" + kSeparator + "1.9 only one"),
          Text(kSeparator + kSeparator), Text()}) {
        messages_.clear();
        EXPECT_FALSE(CheckWithPage(page));
        ASSERT_EQ(messages_.size(), 1u);
        EXPECT_EQ(messages_[0].text, "获取更新失败请您稍后重试！"_gbk);
        EXPECT_EQ(messages_[0].flags, 0);
        EXPECT_EQ(messages_[0].title, "信息："_gbk);
        EXPECT_EQ(Newest(), Text());
    }
    EXPECT_THAT(ui::testing::OpenedAddresses(), IsEmpty());
}

TEST_F(UpdateCheckTest, EndlessNoticeBodyIsCutAndTheCheckFails) {
    // A newer version up front, then bytes without end: nothing of it is used.
    const std::string hex = Hex(Page(Text("9.9")).bytes());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(
        detail::CheckUpdateAndNoticeFrom(kBoxes, Text("/opt/avatrix"), Url("/stream?head=" + hex)));
    // Cut at the size limit, not left to run into the 60-second time limit.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, "获取更新失败请您稍后重试！"_gbk);
    EXPECT_EQ(Newest(), Text());
    EXPECT_THAT(ui::testing::OpenedAddresses(), IsEmpty());
}

TEST_F(UpdateCheckTest, UnreachableServerAsksToRetry) {
    const std::string url = "http://127.0.0.1:" + std::to_string(UnusedPort()) + "/notice";
    EXPECT_FALSE(detail::CheckUpdateAndNoticeFrom(kBoxes, Text("/opt/avatrix"), Text(url)));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, "获取更新失败请您稍后重试！"_gbk);
}

// The page that ships with the program is read from disk. Present, it is
// checked like a served page; missing, not a regular file, on another host or
// over the size limit, the check fails exactly as with no network.
TEST_F(UpdateCheckTest, PagesOnDiskAreCheckedAndUnreadableOnesAskToRetry) {
    namespace fs = std::filesystem;
    std::string pattern = (fs::temp_directory_path() / "avatrix-web-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    // Bytes an address must escape: a space, "%", "#", "?" and UTF-8.
    const fs::path folder = fs::path(pattern) / "共享 100%#?";
    fs::create_directories(folder);
    const auto write = [&](const std::string& name, const std::string& bytes) {
        std::ofstream(folder / name, std::ios::binary) << bytes;
        return (folder / name).string();
    };
    const std::string page = Page("1.3</p><p>欢迎<br />使用"_gbk).bytes();
    const std::string exact =
        write("exact.html", page + std::string(kMaxFilePageBytes - page.size(), ' '));
    const std::string large = write("large.html", page + std::string(kMaxFilePageBytes, ' '));
    const std::string fifo = (folder / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    for (const Text& address :
         {FileAddressOf(write("notice.html", page)), FileAddressOf(exact),
          Text("FILE://localhost" + FileAddressOf(exact).bytes().substr(7))}) {
        messages_.clear();
        EXPECT_TRUE(detail::CheckUpdateAndNoticeFrom(kBoxes, Text("/opt/avatrix"), address));
        EXPECT_THAT(messages_, IsEmpty()) << address.bytes();
        EXPECT_EQ(Newest(), "1.3\r\n欢迎\r\n使用"_gbk);
    }
    for (const Text& address :
         {FileAddressOf((folder / "missing.html").string()), FileAddressOf(folder.string()),
          FileAddressOf(fifo), FileAddressOf(large),
          Text("file://elsewhere" + FileAddressOf(exact).bytes().substr(7))}) {
        messages_.clear();
        ui::SetProperty(kWindow, kNewest, ui::Prop::Content, Text());
        EXPECT_FALSE(detail::CheckUpdateAndNoticeFrom(kBoxes, Text("/opt/avatrix"), address));
        ASSERT_EQ(messages_.size(), 1u) << address.bytes();
        EXPECT_EQ(messages_[0].text, "获取更新失败请您稍后重试！"_gbk);
        EXPECT_EQ(Newest(), Text());
    }
    fs::remove_all(pattern);

    // The page the build puts next to the program announces its own version.
    messages_.clear();
    ui::SetProperty(kWindow, kCurrent, ui::Prop::Content, Text(AVATRIX_VERSION));
    EXPECT_TRUE(detail::CheckUpdateAndNoticeFrom(
        kBoxes, Text("/opt/avatrix"),
        FileAddressOf(AVATRIX_BINARY_DIR "/share/avatrix/notice.html")));
    EXPECT_THAT(messages_, IsEmpty());
    EXPECT_EQ(Newest().bytes().rfind(AVATRIX_VERSION "\r\n", 0), 0u) << Newest().bytes();
}

TEST_F(UpdateCheckTest, RunFromAnArchiveFolderEndsBeforeAnyRequest) {
    int endCode = -1;
    try {
        // Were a request made, the page would announce a newer version.
        CheckWithPage(Page(Text("9.9")), Text("/tmp/Rar$EXa0.123"));
    } catch (const ui::testing::ProgramEnded& ended) {
        endCode = ended.code;
    }
    EXPECT_EQ(endCode, 0);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, "请你解压后运行"_gbk);
    EXPECT_EQ(messages_[0].flags, 0x30);
    EXPECT_EQ(messages_[0].title, "MirrowenQQ"_gbk + ContactNumber() + "温馨提示"_gbk);
    EXPECT_EQ(Newest(), Text());
    EXPECT_THAT(ui::testing::OpenedAddresses(), IsEmpty());
}

TEST_F(UpdateCheckTest, RunDirectoryIsTheExecutablesFolder) {
    const Text directory = detail::RunDirectory();
    EXPECT_EQ(directory, Text(AVATRIX_BINARY_DIR "/tests/web"));
}

}  // namespace
}  // namespace avatrix::web::testing
