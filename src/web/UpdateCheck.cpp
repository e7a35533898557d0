#include "web/UpdateCheck.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "text/Codepage.h"
#include "text/Literal.h"
#include "text/Primitives.h"
#include "trace/StartupTrace.h"
#include "ui/Program.h"
#include "ui/Toolkit.h"
#include "web/FileAddress.h"
#include "web/ProductInfo.h"
#include "web/UpdateCheckInternal.h"
#include "web/WebRequest.h"

namespace avatrix::web {

namespace {

// Archive tools that run a program straight from an archive unpack it into
// a temporary folder whose name holds a "$".
constexpr char kArchiveMark[] = "$";

Text NoticeSeparator() {
    return Text(std::string(63, '='));
}

// The page's bytes: a file: address is read from disk, with no HTTP stack set
// up at all; any other goes through WebRequest with every rule it keeps.
// Everything after the fetch is the same for both.
ByteSet FetchNoticePage(const Text& address) {
    return IsFileAddress(address) ? ReadFileAddress(address) : WebRequest(address);
}

Text CleanNotice(const Text& notice) {
    Text cleaned = ReplaceAll(notice, Text("</p><p>"), Text("\r\n"));
    cleaned = ReplaceAll(cleaned, Text("<br />"), Text("\r\n"));
    return ReplaceAll(cleaned, Text("&nbsp;"));
}

}  // namespace

namespace detail {

std::optional<Text> NoticeFromPage(const ByteSet& page) {
    const Text notice = TextBetween(ToText(page), NoticeSeparator(), NoticeSeparator());
    if (notice.empty()) {
        return std::nullopt;
    }
    return CleanNotice(notice);
}

Text RunDirectory() {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return Text();
    }
    return Utf8StringToGbk(executable.parent_path().string());
}

bool CheckUpdateAndNoticeFrom(const VersionBoxes& boxes, const Text& runDirectory,
                              const Text& noticeUrl) {
    if (FindText(runDirectory, Text(kArchiveMark)) > 0) {
        ui::ShowMessage("请你解压后运行"_gbk, ui::kIconExclamation,
                        Text("MirrowenQQ") + ContactNumber() + "温馨提示"_gbk);
        ui::EndProgram(0);
    }

    trace::Mark("notice request");
    const ByteSet page = FetchNoticePage(noticeUrl);
    trace::Mark("notice read");
    const std::optional<Text> notice = NoticeFromPage(page);
    if (!notice) {
        ui::ShowMessage("获取更新失败请您稍后重试！"_gbk, ui::kButtonsOk);
        return false;
    }
    ui::SetProperty(boxes.newest, ui::Prop::Content, *notice);

    const double current = ToNumber(ui::GetText(boxes.current, ui::Prop::Content));
    const Text newestNotice = ui::GetText(boxes.newest, ui::Prop::Content);
    const double newest = ToNumber(newestNotice);
    if (current - newest < -1e-7) {
        ui::ShowMessage(
            "本软件有更新，请到官网下载更新！文件名："_gbk +
                "2012年最新Mirrowen给力软件，轻松做属于你自己的文字头像 —Avatrix！"_gbk +
                newestNotice,
            ui::kButtonsOk);
        ui::OpenAddress(ProductSiteUrl());
        ui::EndProgram(0);
    }
    return true;
}

}  // namespace detail

bool CheckUpdateAndNotice(const VersionBoxes& boxes) {
    return detail::CheckUpdateAndNoticeFrom(boxes, detail::RunDirectory(), NoticePageUrl());
}

}  // namespace avatrix::web
