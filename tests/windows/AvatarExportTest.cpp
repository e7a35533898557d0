#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include "MainWindowFixture.h"
#include "image/AvatarExport.h"

namespace avatrix::windows::test {
namespace {

// "另存为 PNG…" with the dialog answered in-process: what it asks for, the
// name it writes ("头像" gets ".png", ".PnG" is kept) and, when the write
// fails, a message naming the file. (Replacing is driven end to end.)
TEST_F(MainWindowTest, PngSaveAsksForPngOnTheDesktopAndNamesAFailedFile) {
    EnsureBannerWindow();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const Text folder(dir.path().toStdString());
    Text answer = folder + "/头像"_gbk;
    ui::testing::DialogRequest asked;
    ui::testing::SetDialogResponder([&](const ui::testing::DialogRequest& request) {
        asked = request;
        return ui::testing::DialogAnswer{true, answer, {}, {}};
    });

    image::SaveAvatarAsPng(units::kAvatarUnits);
    EXPECT_EQ(asked.kind, 1);
    EXPECT_EQ(asked.filter, "PNG 图片|*.png|"_gbk);
    EXPECT_EQ(asked.initialDir, ui::DesktopDirectory());
    EXPECT_EQ(QImage(dir.filePath(QString::fromUtf8("头像.png")), "PNG").size(), QSize(184, 184));
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(image::PngFileName(ui::FilePath{"/t/a.PnG"}), ui::FilePath{"/t/a.PnG"});
    EXPECT_EQ(image::PngFileName(ui::FilePath{"png"}), ui::FilePath{"png.png"});

    answer = folder + "/no such folder/a"_gbk;
    image::SaveAvatarAsPng(units::kAvatarUnits);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].flags, 0x30);
    EXPECT_NE(messages_[0].text.bytes().find(answer.bytes() + ".png"), std::string::npos);

    // The name the dialog chose reaches the file system exactly, even where
    // GBK has no spelling for it.
    ui::testing::SetDialogResponder([&](const ui::testing::DialogRequest&) {
        return ui::testing::DialogAnswer{
            true,
            "?"_gbk,
            {},
            ui::FilePath{(dir.path() + QString::fromUtf8("/아바타")).toStdString()}};
    });
    image::SaveAvatarAsPng(units::kAvatarUnits);
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(QString::fromUtf8("아바타.png"))));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QString::fromUtf8("?.png"))));
}

}  // namespace
}  // namespace avatrix::windows::test
