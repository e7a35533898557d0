#include <gtest/gtest.h>

#include <sys/resource.h>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <climits>
#include <csignal>

#include "Support.h"
#include "ui/Program.h"
#include "ui/TestHooks.h"
#include "ui/Toolkit.h"

namespace avatrix::uitest {
namespace {

using ui::Kind;
using ui::Prop;

TEST(TextToInt, FoldsFullWidthThenReadsTheLeadingWholeNumber) {
    EXPECT_EQ(ui::TextToInt(Text("42")), 42);
    EXPECT_EQ(ui::TextToInt(Text("  \t-17px")), -17);
    EXPECT_EQ(ui::TextToInt(Text("+8")), 8);
    EXPECT_EQ(ui::TextToInt("１２３"_gbk), 123);
    EXPECT_EQ(ui::TextToInt("－７"_gbk), -7);
    EXPECT_EQ(ui::TextToInt("　３００"_gbk), 300);  // a full-width space first
    EXPECT_EQ(ui::TextToInt(Text()), 0);
    EXPECT_EQ(ui::TextToInt(Text("abc")), 0);
    EXPECT_EQ(ui::TextToInt(Text("- 5")), 0);
    EXPECT_EQ(ui::TextToInt(Text("12.9")), 12);
    EXPECT_EQ(ui::TextToInt(Text("99999999999999999999")), INT_MAX);
    EXPECT_EQ(ui::TextToInt(Text("-99999999999999999999")), INT_MIN);
}

TEST(Files, WholeFilesRoundTripUnderChineseNames) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const Text path = Text(dir.path().toStdString()) + "/头像 1.jpg"_gbk;
    const ByteSet bytes{0xFF, 0xD8, 0x00, 0x10, 0x00, 0xFF};
    ASSERT_TRUE(ui::WriteWholeFile(path, bytes));
    // On disk under the local (UTF-8) name.
    EXPECT_TRUE(QFile::exists(dir.path() + QString::fromUtf8("/头像 1.jpg")));
    EXPECT_EQ(ui::ReadWholeFile(path), bytes);
    // Writing again replaces the contents.
    ASSERT_TRUE(ui::WriteWholeFile(path, ByteSet{1}));
    EXPECT_EQ(ui::ReadWholeFile(path), ByteSet{1});
    ASSERT_TRUE(ui::WriteWholeFile(path, ByteSet{}));
    EXPECT_TRUE(ui::ReadWholeFile(path).empty());
}

TEST(Files, FailuresGiveEmptyAndFalse) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_TRUE(ui::ReadWholeFile(Text()).empty());
    EXPECT_TRUE(ui::ReadWholeFile(Text(dir.path().toStdString() + "/missing")).empty());
    EXPECT_TRUE(ui::ReadWholeFile(Text(dir.path().toStdString())).empty());
    EXPECT_FALSE(ui::WriteWholeFile(Text(), ByteSet{1}));
    EXPECT_FALSE(ui::WriteWholeFile(Text(dir.path().toStdString() + "/no/such/dir/f"), ByteSet{1}));
}

TEST(Files, AFailedSaveLeavesTheOldFileAsItWas) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const ui::FilePath path{dir.filePath(QString::fromUtf8("아바타.jpg")).toStdString()};
    ASSERT_TRUE(ui::SaveWholeFile(path, ByteSet{1, 2, 3}).empty());
    // Files may grow to 4 KiB only: the next write fails part-way, as on a
    // full disk.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    rlimit small = before;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const Text failure = ui::SaveWholeFile(path, ByteSet(100000, 7));
    setrlimit(RLIMIT_FSIZE, &before);
    EXPECT_FALSE(failure.empty());
    EXPECT_EQ(ui::ReadFileContents(path, 1 << 20).bytes, (ByteSet{1, 2, 3}));
    // No temporary file left, hidden or not.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(Files, DesktopDirectoryEndsInASeparator) {
    const Text desktop = ui::DesktopDirectory();
    ASSERT_FALSE(desktop.empty());
    EXPECT_EQ(desktop.bytes().back(), '/');
    EXPECT_EQ(desktop.bytes().front(), '/');
}

TEST(ShowMessage, ResponderSeesTheDefaultTitle) {
    std::vector<ui::testing::MessageRecord> boxes;
    ui::testing::SetMessageResponder([&](const ui::testing::MessageRecord& box) {
        boxes.push_back(box);
        return 1;
    });
    EXPECT_EQ(ui::ShowMessage("是否要关闭"_gbk, 0x21), 1);
    EXPECT_EQ(ui::ShowMessage("好"_gbk, 0x40, "温馨提示："_gbk), 1);
    ui::testing::SetMessageResponder(nullptr);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].title, "信息："_gbk);
    EXPECT_EQ(boxes[0].flags, 0x21);
    EXPECT_EQ(boxes[1].title, "温馨提示："_gbk);
    EXPECT_EQ(boxes[1].text, "好"_gbk);
}

// Answers the next real message box by `act` once it is up; what it showed.
struct BoxSeen {
    QString title, text;
    Qt::TextFormat format = Qt::AutoText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
};

int AnswerBox(int flags, const std::function<void(QMessageBox*)>& act, BoxSeen& seen,
              std::optional<Text> title = std::nullopt, const Text& text = "内容"_gbk) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [&, timer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) {
            return;
        }
        timer->stop();
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.format = box->textFormat();
        seen.icon = box->icon();
        for (QAbstractButton* b : box->buttons()) {
            seen.buttons << b->text();
        }
        act(box);
        timer->deleteLater();
    });
    timer->start();
    return ui::ShowMessage(text, flags, std::move(title));
}

void Click(QMessageBox* box, QMessageBox::StandardButton which) {
    box->button(which)->click();
}

TEST(ShowMessage, ButtonsIconsAndCodes) {
    BoxSeen seen;
    EXPECT_EQ(AnswerBox(
                  0x21, [](QMessageBox* b) { Click(b, QMessageBox::Ok); }, seen),
              0);
    EXPECT_EQ(seen.title, QString::fromUtf8("信息："));
    EXPECT_EQ(seen.text, QString::fromUtf8("内容"));
    EXPECT_EQ(seen.icon, QMessageBox::Question);

    EXPECT_EQ(AnswerBox(
                  0x21, [](QMessageBox* b) { Click(b, QMessageBox::Cancel); }, seen),
              1);
    EXPECT_EQ(AnswerBox(
                  0x32, [](QMessageBox* b) { Click(b, QMessageBox::Abort); }, seen),
              2);
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_EQ(AnswerBox(
                  0x02, [](QMessageBox* b) { Click(b, QMessageBox::Retry); }, seen),
              3);
    EXPECT_EQ(AnswerBox(
                  0x02, [](QMessageBox* b) { Click(b, QMessageBox::Ignore); }, seen),
              4);
    EXPECT_EQ(AnswerBox(
                  0x04, [](QMessageBox* b) { Click(b, QMessageBox::Yes); }, seen),
              5);
    EXPECT_EQ(AnswerBox(
                  0x03, [](QMessageBox* b) { Click(b, QMessageBox::No); }, seen),
              6);
    EXPECT_EQ(AnswerBox(
                  0x40, [](QMessageBox* b) { Click(b, QMessageBox::Ok); }, seen, "提示"_gbk),
              0);
    EXPECT_EQ(seen.title, QString::fromUtf8("提示"));
    EXPECT_EQ(seen.icon, QMessageBox::Information);
}

TEST(ShowMessage, MarkupInTheTextShowsLiterally) {
    // As a notice page could send it: no live link, no styling.
    const std::string notice = "1.4<br><a href=\"file:///etc/passwd\">更新</a>";
    BoxSeen seen;
    AnswerBox(
        0x40, [](QMessageBox* b) { Click(b, QMessageBox::Ok); }, seen,
        std::nullopt, operator""_gbk(notice.data(), notice.size()));
    EXPECT_EQ(seen.format, Qt::PlainText);
    EXPECT_EQ(seen.text, QString::fromStdString(notice));
}

TEST(ShowMessage, ClosingGivesCancelWhereThereIsOneElseOk) {
    BoxSeen seen;
    EXPECT_EQ(AnswerBox(
                  0x21, [](QMessageBox* b) { b->close(); }, seen),
              1);
    EXPECT_EQ(AnswerBox(
                  0x40, [](QMessageBox* b) { b->close(); }, seen),
              0);
    EXPECT_EQ(AnswerBox(
                  0x05, [](QMessageBox* b) { b->close(); }, seen),
              1);
    // Yes and No only: the box cannot be closed, a button has to answer.
    EXPECT_EQ(AnswerBox(
                  0x04,
                  [](QMessageBox* b) {
                      b->close();
                      EXPECT_TRUE(b->isVisible());
                      Click(b, QMessageBox::No);
                  },
                  seen),
              6);
}

TEST(EndProgram, RunsTheCleanupsInOrderThenEndsWithTheCode) {
    std::vector<int> ran;
    ui::AddCleanup([&] { ran.push_back(1); });
    ui::AddCleanup([&] { ran.push_back(2); });
    ui::testing::SetEndProgramInterceptor([](int code) { throw ui::testing::ProgramEnded{code}; });
    try {
        ui::EndProgram(0);
        ADD_FAILURE() << "EndProgram returned";
    } catch (const ui::testing::ProgramEnded& ended) {
        EXPECT_EQ(ended.code, 0);
    }
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
    // They ran once; ending again runs none.
    try {
        ui::EndProgram(5);
    } catch (const ui::testing::ProgramEnded& ended) {
        EXPECT_EQ(ended.code, 5);
    }
    EXPECT_EQ(ran.size(), 2u);
    ui::testing::SetEndProgramInterceptor(nullptr);
}

TEST(VisualStyle, ButtonsGetFlatFramesInTheSchemeColour) {
    const std::string window = FreshName("Skin");
    ASSERT_TRUE(ui::LoadWindow(Plain(window, {Row("按钮1", Kind::Button, 10, 10, 80, 30),
                                              Row("编辑框1", Kind::EditBox, 10, 50, 80, 24),
                                              Row("编辑框2", Kind::EditBox, 10, 80, 80, 24)})));
    // The focus frame is darker; the two looked at do not have it.
    WidgetOf(window, "编辑框2")->setFocus();
    const struct {
        int scheme;
        QColor frame;
    } schemes[] = {{1, QColor(0x7B, 0x9E, 0xBD)},
                   {2, QColor(0xA4, 0xB9, 0x7F)},
                   {3, QColor(0xC6, 0xC5, 0xD7)}};
    for (const auto& s : schemes) {
        ui::ApplyVisualStyle(s.scheme);
        QApplication::processEvents();
        const QImage button = WidgetOf(window, "按钮1")->grab().toImage();
        EXPECT_EQ(button.pixelColor(40, 0), s.frame) << s.scheme;
        const QImage edit = WidgetOf(window, "编辑框1")->grab().toImage();
        EXPECT_EQ(edit.pixelColor(40, 0), s.frame) << s.scheme;
        EXPECT_EQ(edit.pixelColor(40, 12), QColor(Qt::white)) << s.scheme;
    }
    // An unknown scheme changes nothing.
    ui::ApplyVisualStyle(9);
    EXPECT_EQ(WidgetOf(window, "按钮1")->grab().toImage().pixelColor(40, 0), schemes[2].frame);
    qApp->setStyleSheet(QString());
}

TEST(HotKey, NoGlobalKeysWithoutAWindowSystem) {
    const std::string window = FreshName("Keyless");
    ASSERT_TRUE(ui::LoadWindow(Plain(window, {Row("标签7", Kind::Label, 0, 0, 10, 10)})));
    EXPECT_EQ(ui::RegisterFeedbackHotKey(ui::GetWindowHandle(window),
                                         ui::GetWindowHandle(window, "标签7"), 4, 123),
              0);
    EXPECT_EQ(ui::RegisterFeedbackHotKey(0, 0, 4, 123), 0);
}

}  // namespace
}  // namespace avatrix::uitest
