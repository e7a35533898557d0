#include "image/FileSaving.h"

#include "text/Literal.h"

namespace avatrix::image {
Text QuotedName(const ui::FilePath& path) {
    return "“"_gbk + ui::TextOfPath(path) + "”"_gbk;
}

bool SaveChosenFile(const ui::FilePath& path, const ByteSet& bytes, std::optional<Text> title) {
    const ui::PathKind kind = ui::KindOfPath(path);
    switch (kind) {
        case ui::PathKind::None:
            break;
        case ui::PathKind::Link:
            // Writing through it would change a file the user never chose.
            ui::ShowMessage("无法保存"_gbk + QuotedName(path) +
                                "：它是一个链接，程序不会通过链接写入文件。"_gbk,
                            ui::kIconExclamation, title);
            return false;
        case ui::PathKind::Folder:
            ui::ShowMessage("无法保存"_gbk + QuotedName(path) + "：同名的文件夹已经存在。"_gbk,
                            ui::kIconExclamation, title);
            return false;
        case ui::PathKind::File:
        case ui::PathKind::Other:
            if (ui::ShowMessage(QuotedName(path) + "已经存在。\n要替换它吗？"_gbk,
                                ui::kButtonsYesNo | ui::kIconQuestion, title) != ui::kAnswerYes) {
                return false;
            }
            break;
    }
    // Only a replacement the user has just agreed to may replace anything: a
    // file that appears meanwhile under a free name is kept.
    const Text failure = ui::SaveWholeFile(path, bytes, kind != ui::PathKind::None);
    if (!failure.empty()) {
        ui::ShowMessage("无法保存"_gbk + QuotedName(path) + "："_gbk + failure,
                        ui::kIconExclamation, title);
        return false;
    }
    return true;
}

}  // namespace avatrix::image
