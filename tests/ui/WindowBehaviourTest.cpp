#include <gtest/gtest.h>

#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include "Support.h"
#include "WaitUntil.h"
#include "ui/TestHooks.h"
#include "ui/Toolkit.h"

namespace avatrix::uitest {
namespace {

using ui::Event;
using ui::Kind;
using ui::Prop;

// Sends a press, moves and a release with explicit screen positions, as a
// hand dragging from `at` (widget coordinates) by `by` would.
void DragOn(QWidget* widget, QPoint at, QPoint by) {
    const QPoint global = widget->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    for (int step = 1; step <= 3; ++step) {
        const QPoint now = global + by * step / 3;
        QMouseEvent move(QEvent::MouseMove, widget->mapFromGlobal(now), now, Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &move);
    }
    const QPoint end = global + by;
    QMouseEvent release(QEvent::MouseButtonRelease, widget->mapFromGlobal(end), end, Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

std::vector<ui::PropertyInit> FreeMoving() {
    return {{Prop::FreeMove, true}};
}

TEST(FreeMove, BackgroundAndLabelsDragTheWindowButtonsDoNot) {
    const std::string window = FreshName("Drag");
    ASSERT_TRUE(ui::LoadWindow(
        Plain(window,
              {Row("透明标签1", Kind::TransLabel, 0, 0, 208, 24, {{Prop::Caption, "文字"_gbk}}),
               Row("标签1", Kind::Label, 0, 100, 80, 24, {{Prop::Caption, "标签"_gbk}}),
               Row("按钮1", Kind::Button, 100, 100, 80, 24)},
              FreeMoving())));
    QWidget* form = WidgetOf(window);
    const QPoint start = form->pos();

    DragOn(WidgetOf(window, "按钮1"), {10, 10}, {40, 30});
    EXPECT_EQ(form->pos(), start);
    // A click on the text without moving leaves the window where it is.
    DragOn(WidgetOf(window, "透明标签1"), {10, 10}, {0, 0});
    EXPECT_EQ(form->pos(), start);

    DragOn(form, {150, 60}, {40, 30});
    EXPECT_EQ(form->pos(), start + QPoint(40, 30));
    EXPECT_EQ(ui::GetInt(window, "", Prop::Left), start.x() + 40);
    EXPECT_EQ(ui::GetInt(window, "", Prop::Top), start.y() + 30);

    DragOn(WidgetOf(window, "标签1"), {5, 5}, {-20, 10});
    EXPECT_EQ(form->pos(), start + QPoint(20, 40));
    // The text drags too: a window its label covers wholly can still be moved.
    DragOn(WidgetOf(window, "透明标签1"), {10, 10}, {-20, -40});
    EXPECT_EQ(form->pos(), start);
    EXPECT_EQ(ui::GetInt(window, "", Prop::Left), start.x());
}

TEST(FreeMove, OffLeavesTheWindowWhereItIs) {
    const std::string window = FreshName("NoDrag");
    ASSERT_TRUE(ui::LoadWindow(Plain(window, {})));
    QWidget* form = WidgetOf(window);
    const QPoint start = form->pos();
    DragOn(form, {150, 60}, {40, 30});
    EXPECT_EQ(form->pos(), start);
}

TEST(Events, PressesReachTheirUnitsWithUnitCoordinates) {
    const std::string window = FreshName("Press");
    std::vector<std::string> seen;
    ui::WindowLayout layout =
        Plain(window, {Row("图片框1", Kind::PicBox, 50, 40, 100, 100),
                       Row("透明标签2", Kind::TransLabel, 0, 20, 100, 24, {}, "图片框1"),
                       Row("标签7", Kind::Label, 200, 10, 60, 20)});
    for (const char* unit : {"", "图片框1", "透明标签2", "标签7"}) {
        layout.bindings.push_back(
            {unit, Event::LeftButtonDown, [&seen, unit](const ui::EventArgs& a) {
                 seen.push_back(std::string(unit) + "@" + std::to_string(a.x) + "," +
                                std::to_string(a.y));
                 return true;
             }});
    }
    ASSERT_TRUE(ui::LoadWindow(layout));
    // The label inside the picture box lies relative to the box.
    EXPECT_EQ(WidgetOf(window, "透明标签2")->parentWidget(), WidgetOf(window, "图片框1"));
    EXPECT_EQ(WidgetOf(window, "透明标签2")->geometry(), QRect(0, 20, 100, 24));

    QTest::mouseClick(WidgetOf(window, "图片框1"), Qt::LeftButton, {}, {7, 8});
    QTest::mouseClick(WidgetOf(window, "透明标签2"), Qt::LeftButton, {}, {3, 4});
    QTest::mouseClick(WidgetOf(window), Qt::LeftButton, {}, {20, 190});
    // A plain label passes its press on to the window as well.
    QTest::mouseClick(WidgetOf(window, "标签7"), Qt::LeftButton, {}, {1, 2});
    QTest::mouseClick(WidgetOf(window, "图片框1"), Qt::RightButton, {}, {7, 8});
    EXPECT_EQ(seen, (std::vector<std::string>{"图片框1@7,8", "透明标签2@3,4", "@20,190",
                                              "标签7@1,2", "@201,12"}));
}

TEST(Events, ButtonKeyAndFocusEventsCarryTheirArguments) {
    const std::string window = FreshName("Keys");
    int clicks = 0;
    std::vector<int> keys;
    std::vector<int> modifiers;
    std::vector<std::string> focus;
    ui::WindowLayout layout = Plain(
        window, {Row("按钮14", Kind::Button, 10, 10, 80, 24, {{Prop::Caption, "加入文字"_gbk}}),
                 Row("编辑框1", Kind::EditBox, 10, 40, 150, 24),
                 Row("编辑框2", Kind::EditBox, 10, 70, 150, 24)});
    layout.bindings = {
        {"按钮14", Event::Clicked, [&](const ui::EventArgs&) { return ++clicks, true; }},
        {"编辑框1", Event::KeyDown,
         [&](const ui::EventArgs& a) {
             keys.push_back(a.keyCode);
             modifiers.push_back(a.modifiers);
             return true;
         }},
        {"编辑框1", Event::FocusGained,
         [&](const ui::EventArgs&) { return focus.push_back("in"), true; }},
        {"编辑框1", Event::FocusLost,
         [&](const ui::EventArgs&) { return focus.push_back("out"), true; }},
    };
    ASSERT_TRUE(ui::LoadWindow(layout));
    auto* button = qobject_cast<QPushButton*>(WidgetOf(window, "按钮14"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), QString::fromUtf8("加入文字"));
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);

    QWidget* form = WidgetOf(window);
    form->activateWindow();
    QWidget* edit = WidgetOf(window, "编辑框1");
    edit->setFocus();
    ASSERT_TRUE(test::WaitUntil([&] { return !focus.empty(); }));
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClick(edit, Qt::Key_A);
    QTest::keyClick(edit, Qt::Key_F12);
    QTest::keyClick(edit, Qt::Key_B, Qt::ShiftModifier);
    QTest::keyClick(edit, Qt::Key_Home, Qt::ControlModifier | Qt::AltModifier);
    // Each modifier key comes down first, with the state it makes: the same
    // bits as hot keys take.
    constexpr int kShift = ui::kModifierShift;
    constexpr int kCtrlAlt = ui::kModifierCtrl | ui::kModifierAlt;
    EXPECT_EQ(keys,
              (std::vector<int>{ui::kKeyEnter, 'A', ui::kKeyF12, 0x10, 'B', 0x11, 0x12, 0x24}));
    EXPECT_EQ(modifiers,
              (std::vector<int>{0, 0, 0, kShift, kShift, ui::kModifierCtrl, kCtrlAlt, kCtrlAlt}));
    // The keys still reached the box (the test's key events carry a small b).
    EXPECT_EQ(ui::GetText(window, "编辑框1", Prop::Content), Text("ab"));
    WidgetOf(window, "编辑框2")->setFocus();
    // Window activation may add pairs of its own; the box's own focus moves
    // are an "in" first and an "out" last.
    EXPECT_TRUE(test::WaitUntil([&] { return focus.back() == "out"; }));
    EXPECT_EQ(focus.front(), "in");
    EXPECT_EQ(focus.size() % 2, 0u);
}

class EscClosing : public ::testing::TestWithParam<bool> {};

TEST_P(EscClosing, EscRequestsClosingOnlyWhenTheWindowSaysSo) {
    const bool escCloses = GetParam();
    const std::string window = FreshName("Esc");
    int asked = 0;
    bool answer = false;
    ui::WindowLayout layout = Plain(window, {Row("编辑框1", Kind::EditBox, 10, 40, 150, 24)},
                                    {{Prop::EscCloses, escCloses}});
    layout.bindings = {{"", Event::QueryClose, [&](const ui::EventArgs&) {
                            ++asked;
                            return answer;
                        }}};
    ASSERT_TRUE(ui::LoadWindow(layout));
    QWidget* form = WidgetOf(window);
    QTest::keyClick(WidgetOf(window, "编辑框1"), Qt::Key_Escape);
    EXPECT_EQ(asked, escCloses ? 1 : 0);
    EXPECT_TRUE(form->isVisible());  // the handler said no, or nobody asked

    answer = true;
    QTest::keyClick(form, Qt::Key_Escape);
    EXPECT_EQ(asked, escCloses ? 2 : 0);
    EXPECT_EQ(form->isVisible(), !escCloses);
    EXPECT_EQ(ui::GetBool(window, "", Prop::Visible), !escCloses);
    // Closed or not, the window and its units are still there.
    EXPECT_TRUE(ui::IsWindowLoaded(window));
    EXPECT_NE(ui::GetWindowHandle(window, "编辑框1"), 0u);
}

INSTANTIATE_TEST_SUITE_P(OnAndOff, EscClosing, ::testing::Bool());

TEST(Stacking, EarlierUnitsLieAboveLaterOnes) {
    const std::string window = FreshName("Stack");
    ASSERT_TRUE(ui::LoadWindow(Plain(
        window,
        {Row("图片框1", Kind::PicBox, 0, 0, 100, 100, {{Prop::BackColour, ui::Colour{0x0000FF}}}),
         Row("图片框2", Kind::PicBox, 50, 50, 100, 100, {{Prop::BackColour, ui::Colour{0x00FF00}}}),
         Row("图片框3", Kind::PicBox, 80, 80, 100, 100,
             {{Prop::BackColour, ui::Colour{0xFF0000}}})})));
    QWidget* form = WidgetOf(window);
    EXPECT_EQ(form->childAt(60, 60), WidgetOf(window, "图片框1"));
    EXPECT_EQ(form->childAt(90, 90), WidgetOf(window, "图片框1"));
    EXPECT_EQ(form->childAt(120, 120), WidgetOf(window, "图片框2"));
    EXPECT_EQ(form->childAt(170, 170), WidgetOf(window, "图片框3"));
    const QImage shot = form->grab().toImage();
    EXPECT_EQ(shot.pixelColor(60, 60), QColor(255, 0, 0));
    EXPECT_EQ(shot.pixelColor(120, 120), QColor(0, 255, 0));
    EXPECT_EQ(shot.pixelColor(170, 170), QColor(0, 0, 255));
}

TEST(WindowAlpha, OutOfRangeOrAbsentIsOpaque) {
    const std::string window = FreshName("Alpha");
    ASSERT_TRUE(ui::LoadWindow(Plain(window, {Row("标签1", Kind::Label, 0, 0, 10, 10)})));
    QWidget* form = WidgetOf(window);
    const std::uint32_t handle = ui::GetWindowHandle(window);
    ui::SetWindowAlpha(handle, 0);
    EXPECT_EQ(form->windowOpacity(), 0.0);
    ui::SetWindowAlpha(handle, 256);
    EXPECT_EQ(form->windowOpacity(), 1.0);
    ui::SetWindowAlpha(handle, 100);
    EXPECT_NEAR(form->windowOpacity(), 100 / 255.0, 1e-3);
    ui::SetWindowAlpha(handle, -1);
    EXPECT_EQ(form->windowOpacity(), 1.0);
    ui::SetWindowAlpha(handle, 0);
    ui::SetWindowAlpha(handle, std::nullopt);
    EXPECT_EQ(form->windowOpacity(), 1.0);
    // Handles that are no window of the program are left alone.
    ui::SetWindowAlpha(0, 10);
    ui::SetWindowAlpha(ui::GetWindowHandle(window, "标签1"), 10);
    EXPECT_EQ(WidgetOf(window, "标签1")->windowOpacity(), 1.0);
}

class Dropping : public ::testing::Test {
  protected:
    void SetUp() override {
        window = FreshName("Drop");
        ui::WindowLayout layout = Plain(window, {Row("拖放对象1", Kind::DropTarget, 0, 0, 0, 0),
                                                 Row("图片框1", Kind::PicBox, 0, 0, 184, 184)});
        layout.bindings = {{"拖放对象1", Event::FilesDropped, [this](const ui::EventArgs& a) {
                                drops.push_back(a.text);
                                return true;
                            }}};
        ASSERT_TRUE(ui::LoadWindow(layout));
        ASSERT_TRUE(
            ui::RegisterDropTarget(window, "拖放对象1", ui::GetWindowHandle(window, "图片框1")));
    }

    // Drags the files over the picture box and drops them; whether the drop
    // was taken.
    bool Drop(const QStringList& files) {
        QWidget* target = WidgetOf(window, "图片框1");
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString& file : files) {
            urls << (file.startsWith(QLatin1Char('/')) ? QUrl::fromLocalFile(file) : QUrl(file));
        }
        mime.setUrls(urls);
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        if (!enter.isAccepted()) {
            return false;
        }
        QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        return drop.isAccepted();
    }

    std::string window;
    std::vector<Text> drops;
};

TEST_F(Dropping, OneFileGivesItsPathSeveralGiveCrLfAfterEach) {
    ui::SetProperty(window, "拖放对象1", Prop::AcceptFiles, true);
    EXPECT_TRUE(Drop({QString::fromUtf8("/tmp/头像.jpg")}));
    EXPECT_TRUE(Drop({QStringLiteral("/tmp/a.jpg"), QStringLiteral("/tmp/b.png")}));
    ASSERT_EQ(drops.size(), 2u);
    EXPECT_EQ(drops[0], "/tmp/头像.jpg"_gbk);
    EXPECT_EQ(drops[1], Text("/tmp/a.jpg\r\n/tmp/b.png\r\n"));
}

TEST_F(Dropping, NothingArrivesUntilFilesAreAcceptedOrWithoutLocalFiles) {
    EXPECT_FALSE(Drop({QStringLiteral("/tmp/a.jpg")}));
    ui::SetProperty(window, "拖放对象1", Prop::AcceptFiles, true);
    EXPECT_FALSE(Drop({QStringLiteral("http://127.0.0.1/a.jpg")}));
    EXPECT_TRUE(drops.empty());
}

TEST_F(Dropping, AUnitServesOnlyOneWindow) {
    EXPECT_FALSE(ui::RegisterDropTarget(window, "拖放对象1", ui::GetWindowHandle(window)));
    EXPECT_FALSE(ui::RegisterDropTarget(window, "图片框1", ui::GetWindowHandle(window)));
    // An unknown unit is refused, and reported as the mistake it is.
    std::vector<std::string> reported;
    ui::testing::SetUnknownUnitHandler(
        [&](std::string_view, std::string_view unit) { reported.emplace_back(unit); });
    EXPECT_FALSE(ui::RegisterDropTarget(window, "无此单元", ui::GetWindowHandle(window)));
    ui::testing::SetUnknownUnitHandler({});
    EXPECT_EQ(reported, std::vector<std::string>{"无此单元"});
}

TEST(LoadWindow, CreatedSeesEveryUnitAndASecondLoadIsRefused) {
    const std::string window = FreshName("Load");
    Text seen;
    bool visibleAtCreated = false;
    ui::WindowLayout layout = Plain(
        window, {Row("编辑框7", Kind::EditBox, 0, 300, 100, 20, {{Prop::Content, "1.3"_gbk}})});
    layout.bindings = {{"", Event::Created, [&](const ui::EventArgs&) {
                            seen = ui::GetText(window, "编辑框7", Prop::Content);
                            visibleAtCreated = WidgetOf(window)->isVisible();
                            return true;
                        }}};
    ASSERT_TRUE(ui::LoadWindow(layout));
    EXPECT_EQ(seen, "1.3"_gbk);
    EXPECT_TRUE(visibleAtCreated);
    EXPECT_FALSE(ui::LoadWindow(layout));
}

TEST(LoadWindow, HiddenWindowStaysHiddenAndCentredOneIsCentred) {
    const std::string hidden = FreshName("Hidden");
    ASSERT_TRUE(ui::LoadWindow(Plain(hidden, {}, {{Prop::Visible, false}})));
    EXPECT_FALSE(WidgetOf(hidden)->isVisible());
    ui::SetProperty(hidden, "", Prop::Visible, true);
    EXPECT_TRUE(WidgetOf(hidden)->isVisible());

    const std::string centred = FreshName("Centred");
    ASSERT_TRUE(ui::LoadWindow(Plain(centred, {}, {{Prop::Position, 1}})));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(ui::GetInt(centred, "", Prop::Left), screen.x() + (screen.width() - 300) / 2);
    EXPECT_EQ(ui::GetInt(centred, "", Prop::Top), screen.y() + (screen.height() - 200) / 2);
}

TEST(LoadWindow, TitledWindowsCountTheirFrameInTheirSize) {
    const std::string window = FreshName("Framed");
    ASSERT_TRUE(ui::LoadWindow(Plain(window, {},
                                     {{Prop::Border, 2},
                                      {Prop::Width, 812},
                                      {Prop::Height, 215},
                                      {Prop::Caption, "头像"_gbk}})));
    QWidget* form = WidgetOf(window);
    EXPECT_EQ(form->windowTitle(), QString::fromUtf8("头像"));
    EXPECT_EQ(ui::GetInt(window, "", Prop::Width), 812);
    EXPECT_EQ(ui::GetInt(window, "", Prop::Height), 215);
    // The client area is what the frame leaves: 184 pixels high here.
    EXPECT_EQ(form->size(), QSize(806, 184));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
}

}  // namespace
}  // namespace avatrix::uitest
