#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "MainWindowFixture.h"
#include "image/AvatarExport.h"

namespace avatrix::windows::test {
namespace {

// "另存为 PNG…" without the real dialog: the name the dialog gives gets
// ".png" unless it ends in it, an existing file is replaced only after a yes,
// and a write that fails says which file it was.
TEST_F(MainWindowTest, PngSaveNamesAsksBeforeReplacingAndReportsFailures) {
    EnsureBannerWindow();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const Text folder(dir.path().toStdString());
    Text answer;
    ui::testing::DialogRequest asked;
    ui::testing::SetDialogResponder([&](const ui::testing::DialogRequest& request) {
        asked = request;
        return ui::testing::DialogAnswer{!answer.empty(), answer, {}};
    });
    int reply = 0;
    ui::testing::SetMessageResponder([&](const ui::testing::MessageRecord& record) {
        messages_.push_back(record);
        return reply;
    });

    answer = folder + "/头像"_gbk;
    image::SaveAvatarAsPng();
    EXPECT_EQ(asked.kind, 1);
    EXPECT_EQ(asked.filter, "PNG 图片|*.png|"_gbk);
    EXPECT_EQ(asked.initialDir, ui::DesktopDirectory());
    const QString written = dir.filePath(QString::fromUtf8("头像.png"));
    const QImage avatar(written, "PNG");
    EXPECT_EQ(avatar.size(), QSize(184, 184));
    EXPECT_TRUE(messages_.empty());

    QFile(written).resize(10);  // so a replacement shows
    reply = 1;                  // Cancel
    image::SaveAvatarAsPng();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].flags, 0x21);
    EXPECT_NE(messages_[0].text.bytes().find(answer.bytes() + ".png"), std::string::npos);
    EXPECT_EQ(QFile(written).size(), 10);
    reply = 0;  // OK
    answer = folder + "/头像.PnG"_gbk;
    EXPECT_EQ(image::PngFileName(answer), answer);
    answer = folder + "/头像.png"_gbk;
    image::SaveAvatarAsPng();
    EXPECT_EQ(messages_.size(), 2u);
    EXPECT_GT(QFile(written).size(), 10);

    answer = folder + "/no such folder/a"_gbk;
    image::SaveAvatarAsPng();
    ASSERT_EQ(messages_.size(), 3u);
    EXPECT_EQ(messages_[2].flags, 0x30);
    EXPECT_NE(messages_[2].text.bytes().find(answer.bytes() + ".png"), std::string::npos);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QString::fromUtf8("头像.png")});

    answer = Text();  // cancelled: nothing written, nothing asked
    image::SaveAvatarAsPng();
    EXPECT_EQ(messages_.size(), 3u);
}

}  // namespace
}  // namespace avatrix::windows::test
