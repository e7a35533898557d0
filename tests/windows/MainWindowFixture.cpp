#include "MainWindowFixture.h"

#include <QApplication>

namespace avatrix::windows::test {

ui::WindowLayout MainWindowWithoutCreated() {
    ui::WindowLayout layout = MainWindowLayout();
    std::erase_if(layout.bindings, [](const ui::Binding& binding) {
        return binding.unit == ui::kWindowUnit && binding.event == ui::Event::Created;
    });
    return layout;
}

void EnsureMainWindow() {
    if (!ui::IsWindowLoaded(kMainWindow)) {
        ASSERT_TRUE(ui::LoadWindow(MainWindowWithoutCreated()));
    }
}

void EnsureBannerWindow() {
    if (!ui::IsWindowLoaded(kBannerWindow)) {
        ASSERT_TRUE(ui::LoadWindow(BannerWindowLayout()));
    }
}

ui::Handler BoundHandler(const std::string& unit, ui::Event event) {
    static const ui::WindowLayout layout = MainWindowLayout();
    for (const ui::Binding& binding : layout.bindings) {
        if (binding.unit == unit && binding.event == event) {
            return binding.handler;
        }
    }
    ADD_FAILURE() << "no binding for " << unit << " event " << static_cast<int>(event);
    return [](const ui::EventArgs&) { return true; };
}

QWidget* WidgetOfHandle(std::uint32_t handle) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->internalWinId() != 0 && widget->winId() == handle) {
            return widget;
        }
    }
    return nullptr;
}

void MainWindowTest::SetUp() {
    EnsureMainWindow();
    ui::testing::SetMessageResponder([this](const ui::testing::MessageRecord& record) {
        messages_.push_back(record);
        return 0;
    });
    ui::testing::SetEndProgramInterceptor([](int code) { throw ui::testing::ProgramEnded{code}; });
    ui::testing::RecordOpenedAddresses(true);
    ui::testing::SetUnknownUnitHandler([](std::string_view window, std::string_view unit) {
        ADD_FAILURE() << "no unit " << unit << " in " << window;
    });
    addressesBefore_ = ui::testing::OpenedAddresses().size();
    for (const char* box : {"编辑框1", "编辑框2", "编辑框3", "编辑框4"}) {
        SetContent(box, Text());
    }
}

void MainWindowTest::TearDown() {
    ui::testing::SetMessageResponder({});
    ui::testing::SetDialogResponder({});
    ui::testing::SetEndProgramInterceptor({});
    ui::testing::RecordOpenedAddresses(false);
    ui::testing::SetUnknownUnitHandler({});
    SetRestoreHotKeyId(0);
    SetDesktopRestoreShortcutBound(false);
}

void MainWindowTest::SetContent(const char* unit, const Text& content) {
    ui::SetProperty(kMainWindow, unit, ui::Prop::Content, content);
}

std::vector<Text> MainWindowTest::NewAddresses() const {
    std::vector<Text> all = ui::testing::OpenedAddresses();
    return std::vector<Text>(all.begin() + static_cast<std::ptrdiff_t>(addressesBefore_),
                             all.end());
}

Text MainWindowTest::Content(const char* unit) {
    return ui::GetText(kMainWindow, unit, ui::Prop::Content);
}

}  // namespace avatrix::windows::test
