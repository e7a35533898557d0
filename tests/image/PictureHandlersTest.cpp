#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QPainter>
#include <QTemporaryDir>
#include <QUrl>
#include <QWidget>

#include "TestPictures.h"
#include "WindowFixtures.h"
#include "image/AvatarSaving.h"
#include "image/BmpImage.h"
#include "image/CaptureBackend.h"
#include "image/PictureDecoder.h"
#include "image/PictureLoading.h"
#include "text/Codepage.h"
#include "text/Literal.h"
#include "text/Primitives.h"
#include "ui/PictureDecoding.h"
#include "ui/TestHooks.h"
#include "ui/Toolkit.h"

namespace avatrix::image {
namespace {

constexpr const char* kMain = "PictureWindow";
constexpr const char* kBox = "AvatarBox";
constexpr const char* kDialog = "PictureDialog";
constexpr const char* kDrop = "Drop";
// No banner window: the handlers here never reach it.
constexpr AvatarUnits kUnits{
    {kMain, kBox}, {kMain, kDialog}, {kMain, kDrop}, {"NoBanner", "Label"}};

ui::WindowLayout TestMainWindow() {
    ui::WindowLayout layout;
    layout.name = kMain;
    layout.properties = {{ui::Prop::Border, 0},   {ui::Prop::Left, 60},
                         {ui::Prop::Top, 60},     {ui::Prop::Width, 400},
                         {ui::Prop::Height, 220}, {ui::Prop::Visible, true}};
    layout.units = {
        {kBox,
         ui::Kind::PicBox,
         0,
         0,
         184,
         184,
         {{ui::Prop::Border, 0}, {ui::Prop::DisplayMode, 1}},
         ""},
        {kDialog, ui::Kind::CommonDlg, 0, 0, 0, 0, {}, ""},
        {kDrop, ui::Kind::DropTarget, 0, 0, 0, 0, {}, ""},
    };
    layout.bindings = {{kDrop, ui::Event::FilesDropped, [](const ui::EventArgs& args) {
                            PictureDropped(kUnits, args.text);
                            return true;
                        }}};
    return layout;
}

Text PathText(const QString& path) {
    return Utf8StringToGbk(path.toStdString());
}

// The exact name, as the real dialog hands it over beside its GBK text.
ui::FilePath FsPath(const QString& path) {
    return ui::FilePath{path.toStdString()};
}

void WriteFile(const QString& path, const ByteSet& bytes) {
    std::ofstream out(path.toStdString(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

ByteSet ReadFile(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    return ByteSet(std::istreambuf_iterator<char>(in), {});
}

QImage Solid(QColor colour) {
    QImage image(200, 200, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

class PictureHandlers : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!testing::HaveX11Display()) {
            GTEST_SKIP() << "needs an X display";
        }
        ui::SetPictureDecoder(DecodePictureBytes);
        if (!ui::IsWindowLoaded(kMain)) {
            ASSERT_TRUE(ui::LoadWindow(TestMainWindow()));
            ui::RegisterDropTarget(kMain, kDrop, ui::GetWindowHandle(kMain, kBox));
            ui::SetProperty(kMain, kDrop, ui::Prop::AcceptFiles, true);
        }
        box = ui::GetWindowHandle(kMain, kBox);
        ASSERT_NE(box, 0u);
        ASSERT_TRUE(testing::WaitUntil([&] { return Backend().QueryWindow(box).viewable; }));
        ASSERT_TRUE(dir.isValid());
        // Every test starts from a dialog nobody has used yet.
        ui::SetProperty(kMain, kDialog, ui::Prop::FileName, Text());
        ui::testing::SetMessageResponder([this](const ui::testing::MessageRecord& box) {
            boxes.push_back(box);
            return reply;
        });
        ui::testing::SetUnknownUnitHandler([](std::string_view window, std::string_view unit) {
            ADD_FAILURE() << "no unit " << unit << " in " << window;
        });
    }
    void TearDown() override {
        ui::testing::SetDialogResponder({});
        ui::testing::SetMessageResponder({});
        ui::testing::SetUnknownUnitHandler({});
    }

    QString Write(const QString& name, const ByteSet& bytes) {
        const QString path = dir.filePath(name);
        WriteFile(path, bytes);
        return path;
    }
    ByteSet Shown() { return ui::GetPicture(kMain, kBox, ui::Prop::Picture); }
    // The colour the screen shows at (x, y) of the box.
    std::uint32_t OnScreen(int x, int y) {
        const WindowState state = Backend().QueryWindow(box);
        return testing::ScreenPixel(state.clientOrigin.x() + x, state.clientOrigin.y() + y);
    }
    void Answer(bool confirmed, const QString& path = {}) {
        ui::testing::SetDialogResponder([=, this](const ui::testing::DialogRequest& request) {
            requests.push_back(request);
            return ui::testing::DialogAnswer{confirmed, PathText(path), {}, FsPath(path)};
        });
    }
    void Drop(const QStringList& paths) {
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString& p : paths) {
            urls << QUrl::fromLocalFile(p);
        }
        mime.setUrls(urls);
        QWidget* widget = QWidget::find(box);
        ASSERT_NE(widget, nullptr);
        // As the platform delivers a drop: entering first makes the box the
        // drag's current target, then the drop itself.
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &enter);
        ASSERT_TRUE(enter.isAccepted()) << "the box takes file drops";
        QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &drop);
    }

    std::uint32_t box = 0;
    QTemporaryDir dir;
    std::vector<ui::testing::DialogRequest> requests;
    std::vector<ui::testing::MessageRecord> boxes;
    int reply = 0;  // the button every message box is answered with
};

TEST_F(PictureHandlers, OpenPictureAsksWithThePictureFilterAndShowsTheChoice) {
    const ByteSet jpeg = testing::EncodeTestJpeg(testing::QuadrantPicture(200, 200), 95);
    const QString path = Write("quadrants.jpg", jpeg);
    Answer(true, path);
    OpenPicture(kUnits);

    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, 0);
    EXPECT_EQ(requests[0].filter,
              "图片类型.jpg.png|*.jpg;*.jpeg;*.jpe;*.jfif;*.png;*.gif;*.bmp;*.dib|||"_gbk);
    EXPECT_EQ(requests[0].initialDir, ui::DesktopDirectory());
    EXPECT_EQ(requests[0].initialDir.bytes().back(), '/');
    EXPECT_EQ(Shown(), jpeg);
    // Drawn from the top-left corner at its own size: the 200 x 200 picture
    // shows its top-left 184 x 184, so the box's far corner is in the fourth
    // (white) quadrant and its first pixel in the red one.
    EXPECT_TRUE(testing::WaitUntil([&] {
        return (OnScreen(10, 10) & 0xFF) > 230 && ((OnScreen(10, 10) >> 16) & 0xFF) < 30 &&
               OnScreen(183, 183) > 0xE0E0E0u;
    }));
}

TEST_F(PictureHandlers, CancelsAndFilesThatAreNoPictureKeepTheShownPicture) {
    const ByteSet blue = testing::EncodeTestJpeg(Solid(Qt::blue));
    ui::SetProperty(kMain, kBox, ui::Prop::Picture, blue);
    // Cancelled before any choice: the empty name is not read.
    Answer(false);
    OpenPicture(kUnits);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_TRUE(requests[0].fileName.empty());
    EXPECT_EQ(Shown(), blue);

    // Cancelled after a choice, or after a save whose name holds a picture
    // now: nothing is read again.
    const QString path = Write("chosen.jpg", testing::EncodeTestJpeg(Solid(Qt::red)));
    Answer(true, path);
    OpenPicture(kUnits);
    const ByteSet red = Shown();
    WriteFile(path, testing::EncodeTestJpeg(Solid(Qt::green)));
    Answer(false);
    OpenPicture(kUnits);
    EXPECT_EQ(requests.back().fileName, PathText(path));
    EXPECT_EQ(Shown(), red);
    EXPECT_TRUE(boxes.empty());

    // Chosen or dropped, a file no decoder takes is named in a warning and
    // the picture stays.
    const QString text = Write("notes.jpg", ByteSet{'n', 'o', 't', 'e', 's'});
    Answer(true, text);
    OpenPicture(kUnits);
    Drop({text});
    ASSERT_EQ(boxes.size(), 2u);
    for (const auto& box : boxes) {
        EXPECT_EQ(box.text, "无法打开“"_gbk + PathText(text) + "”：它不是可以读取的图片。"_gbk);
        EXPECT_EQ(box.flags, ui::kIconExclamation);
    }
    EXPECT_EQ(Shown(), red);
}

TEST_F(PictureHandlers, DroppingOneFileShowsItAndSeveralEmptyTheBox) {
    const ByteSet red = testing::EncodeTestJpeg(Solid(Qt::red));
    const QString one = Write("one.jpg", red);
    const QString two = Write("two.jpg", testing::EncodeTestJpeg(Solid(Qt::green)));
    Drop({one});
    EXPECT_EQ(Shown(), red);
    Drop({one, two});
    EXPECT_TRUE(Shown().empty());

    // The handler itself, with the text a multi-file drop carries.
    PictureDropped(kUnits, PathText(one));
    EXPECT_EQ(Shown(), red);
    PictureDropped(kUnits, PathText(one + "\r\n" + two + "\r\n"));
    EXPECT_TRUE(Shown().empty());
    PictureDropped(kUnits, PathText(dir.filePath("missing.jpg")));
    EXPECT_TRUE(Shown().empty());
}

TEST_F(PictureHandlers, CancelledSaveWritesAndOverwritesNothing) {
    // An earlier choice is still in the dialog; its ".jpg" file exists.
    const QString earlier = dir.filePath("earlier");
    ui::SetProperty(kMain, kDialog, ui::Prop::FileName, PathText(earlier));
    WriteFile(earlier + ".jpg", ByteSet{'k', 'e', 'e', 'p'});
    Answer(false);
    SaveAvatar(kUnits);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, 1);
    EXPECT_EQ(requests[0].filter, "图片类型.jpg.png|*.jpg*|*.png*|||"_gbk);
    EXPECT_EQ(requests[0].initialDir, ui::DesktopDirectory());
    EXPECT_EQ(ReadFile(earlier + ".jpg"), (ByteSet{'k', 'e', 'e', 'p'}));

    // Nor does a cancel on first use create ".jpg" anywhere.
    ui::SetProperty(kMain, kDialog, ui::Prop::FileName, Text());
    SaveAvatar(kUnits);
    EXPECT_FALSE(QFileInfo::exists(QDir::current().filePath(".jpg")));
}

TEST_F(PictureHandlers, SavingWritesTheBoxAsABmpImageUnderTheNamePlusJpg) {
    ui::SetProperty(kMain, kBox, ui::Prop::Picture, testing::EncodeTestJpeg(Solid(Qt::red), 95));
    ASSERT_TRUE(testing::WaitUntil([&] {
        const std::uint32_t shown = OnScreen(100, 100);
        return (shown & 0xFF) > 240 && ((shown >> 8) & 0xFF) < 20;
    }));

    // While the dialog is open, something covers the box: the saved avatar
    // must still be what showed before the dialog.
    QWidget cover;
    cover.setStyleSheet("background: #00ff00");
    cover.setAutoFillBackground(true);
    const QString name = dir.filePath("avatar");
    ui::testing::SetDialogResponder([&](const ui::testing::DialogRequest&) {
        const WindowState state = Backend().QueryWindow(box);
        EXPECT_TRUE(testing::ShowUnmanaged(cover, QRect(state.clientOrigin, QSize(184, 184))));
        return ui::testing::DialogAnswer{true, PathText(name), {}, FsPath(name)};
    });
    SaveAvatar(kUnits);

    ASSERT_TRUE(QFileInfo::exists(name + ".jpg"));
    const ByteSet saved = ReadFile(name + ".jpg");
    const std::size_t side =
        static_cast<std::size_t>(Backend().QueryWindow(box).clientSize.width());
    ASSERT_EQ(saved.size(), 58 + (side * 2 + 3) / 4 * 4 * side);
    if (side == 184) {
        EXPECT_EQ(saved.size(), 58u + 368 * 184);
    }
    EXPECT_EQ(saved[0], 'B');
    EXPECT_EQ(saved[1], 'M');
    EXPECT_EQ(saved[10], 58);
    EXPECT_EQ(saved[28], 16);
    // Middle pixel, as a 0RRRRRGGGGGBBBBB word: red, not the green cover.
    const std::size_t middle = 58 + (side * 2 + 3) / 4 * 4 * (side / 2) + side;
    const int word = saved[middle] | (saved[middle + 1] << 8);
    EXPECT_GE((word >> 10) & 31, 29);
    EXPECT_LE((word >> 5) & 31, 2);

    // A name that already ends in ".jpg" gets it a second time.
    cover.hide();
    Answer(true, dir.filePath("twice.jpg"));
    SaveAvatar(kUnits);
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("twice.jpg.jpg")));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("twice.jpg")));
}

TEST_F(PictureHandlers, WhereTheScreenCannotBeReadTheComposedAvatarIsSaved) {
    // A picture smaller than the box, red on the left and blue on the right,
    // which the box repeats across its area.
    QImage picture(100, 60, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QPainter(&picture).fillRect(40, 0, 60, 60, Qt::blue);
    ui::SetProperty(kMain, kBox, ui::Prop::Picture, testing::EncodeTestJpeg(picture, 95));
    ASSERT_TRUE(testing::WaitUntil([&] { return (OnScreen(10, 10) & 0xFF) > 240; }));
    // Whatever covers the box on the screen is not part of a composed avatar.
    QWidget cover;
    cover.setStyleSheet("background: #00ff00");
    cover.setAutoFillBackground(true);
    const WindowState state = Backend().QueryWindow(box);
    ASSERT_TRUE(testing::ShowUnmanaged(cover, QRect(state.clientOrigin, QSize(184, 184))));

    const QString name = dir.filePath("composed");
    Answer(true, name);
    testing::SetScreenUnreadable(true);
    SaveAvatar(kUnits);
    testing::SetScreenUnreadable(false);
    EXPECT_EQ(requests.size(), 1u);
    EXPECT_TRUE(boxes.empty());

    // The same 16-bit BMP image, as large as the box's client area.
    const QImage saved = DecodeBmpImage(ReadFile(name + ".jpg"));
    ASSERT_EQ(saved.size(), state.clientSize);
    const ByteSet bytes = ReadFile(name + ".jpg");
    EXPECT_EQ(bytes[28], 16);
    // The picture as the box shows it, not the cover: (150, 150) shows the
    // picture's (50, 30).
    const auto near = [](QRgb got, QRgb want) {
        return std::abs(qRed(got) - qRed(want)) <= 8 && std::abs(qGreen(got) - qGreen(want)) <= 8 &&
               std::abs(qBlue(got) - qBlue(want)) <= 8;
    };
    EXPECT_TRUE(near(saved.pixel(10, 10), qRgb(255, 0, 0)));
    EXPECT_TRUE(near(saved.pixel(150, 150), qRgb(0, 0, 255)));
}

TEST_F(PictureHandlers, SavingAsksAboutTheRealFileAndLosesNothing) {
    const ByteSet keep{'k', 'e', 'e', 'p'};
    const QString kept = Write("kept.jpg", keep);
    Answer(true, dir.filePath("kept"));
    // "kept" typed, "kept.jpg" exists: asked about that file; No keeps it.
    // The same where the screen cannot be read and the avatar is composed.
    reply = 6;
    testing::SetScreenUnreadable(true);
    SaveAvatar(kUnits);
    testing::SetScreenUnreadable(false);
    EXPECT_EQ(requests.size(), 1u);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].flags, 0x24);
    EXPECT_EQ(ReadFile(kept), keep);
    SaveAvatar(kUnits);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].flags, 0x24);
    EXPECT_NE(FindText(boxes[1].text, PathText(kept)), -1);
    EXPECT_EQ(ReadFile(kept), keep);
    reply = 5;
    SaveAvatar(kUnits);
    EXPECT_EQ(ReadFile(kept).at(0), 'B');

    // A folder under the name, or a folder that is not there: told, with
    // the name, and nothing changes.
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.jpg"));
    for (const char* name : {"folder", "gone/avatar"}) {
        Answer(true, dir.filePath(name));
        SaveAvatar(kUnits);
        EXPECT_NE(FindText(boxes.back().text, PathText(dir.filePath(name) + ".jpg")), -1);
    }
    EXPECT_EQ(boxes.size(), 5u);
    EXPECT_TRUE(QFileInfo(dir.filePath("folder.jpg")).isDir());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              (QStringList{"folder.jpg", "kept.jpg"}));
}

TEST_F(PictureHandlers, DroppedNamesReachTheFileSystemExactly) {
    // "chateau" is what GBK's best fit makes of "château": another file.
    Write("chateau.jpg", testing::EncodeTestJpeg(Solid(Qt::green)));
    const ByteSet red = testing::EncodeTestJpeg(Solid(Qt::red));
    for (const char* name : {"château.jpg", "아바타.jpg"}) {
        ui::SetProperty(kMain, kBox, ui::Prop::Picture, ByteSet{});
        Drop({Write(QString::fromUtf8(name), red)});
        EXPECT_EQ(Shown(), red) << name;
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(PictureHandlers, HugeFilesPipesAndFoldersAreRefusedWithAMessage) {
    const ByteSet red = testing::EncodeTestJpeg(Solid(Qt::red));
    ui::SetProperty(kMain, kBox, ui::Prop::Picture, red);
    const QString huge = dir.filePath("huge.jpg");
    QFile sparse(huge);
    ASSERT_TRUE(sparse.open(QIODevice::WriteOnly) && sparse.resize(qint64{2} << 30));
    sparse.close();
    const QString pipe = dir.filePath("pipe.jpg");
    ASSERT_EQ(mkfifo(pipe.toStdString().c_str(), 0600), 0);
    // A pipe nobody writes to would hold a reader for ever.
    for (const QString& path : {huge, pipe, dir.path()}) {
        Answer(true, path);
        OpenPicture(kUnits);
        Drop({path});
    }
    ASSERT_EQ(boxes.size(), 6u);
    EXPECT_NE(FindText(boxes[0].text, PathText(huge)), -1);
    EXPECT_EQ(Shown(), red);
}

}  // namespace
}  // namespace avatrix::image
